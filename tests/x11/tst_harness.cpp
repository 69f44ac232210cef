// SPDX-License-Identifier: GPL-3.0-or-later
#include "X11TestMain.h"

#include <QGuiApplication>
#include <QScreen>

#include <xcb/xcb.h>

// The harness itself: if these fail, every X11 test above it is meaningless.
class TestHarness : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void arrangesOutputs();
    void xtestMovesPointerAndTypes();
    void locksToggle();
    void secondServer();
};

void TestHarness::init()
{
    QVERIFY(XServer::current()->resetOutputs());
}

void TestHarness::arrangesOutputs()
{
    XServer &server = *XServer::current();
    QVERIFY(server.outputNames().size() >= 4);
    QVERIFY(server.xrandr({ QStringLiteral("--output"), QStringLiteral("DUMMY1"), QStringLiteral("--mode"),
        QStringLiteral("800x600"), QStringLiteral("--left-of"), QStringLiteral("DUMMY0") }));
    TestEdid edid;
    edid.name = QStringLiteral("Left");
    QVERIFY(server.setEdid(QStringLiteral("DUMMY1"), edid.bytes()));
    QByteArray listing;
    QVERIFY(server.xrandr({ QStringLiteral("--listmonitors") }, &listing));
    QVERIFY2(listing.contains("DUMMY1 800/") && listing.contains("+0+0"), listing.constData());
    QVERIFY2(listing.contains("DUMMY0 1024/") && listing.contains("+800+0"), listing.constData());
    QByteArray verbose;
    QVERIFY(server.xrandr({ QStringLiteral("--verbose") }, &verbose));
    QVERIFY(verbose.contains("EDID:"));
    QTRY_COMPARE(QGuiApplication::screens().size(), 2);
    QVERIFY(server.resetOutputs());
    QVERIFY(server.xrandr({ QStringLiteral("--verbose") }, &verbose));
    QVERIFY(!verbose.contains("EDID:"));
}

void TestHarness::xtestMovesPointerAndTypes()
{
    XTestClient user(XServer::current()->displayName());
    QVERIFY(user.isConnected());
    QVERIFY(user.movePointer(QPoint(100, 200)));
    QCOMPARE(user.pointer(), std::optional<QPoint>(QPoint(100, 200)));
    QVERIFY(user.keycodeOf(QStringLiteral("F1")).has_value());
    QVERIFY(!user.keycodeOf(QStringLiteral("NoSuchKeysym")).has_value());
    QVERIFY(user.pressKey(QStringLiteral("Shift_L")));
    QVERIFY(*user.state() & XCB_MOD_MASK_SHIFT);
    QVERIFY(user.releaseKey(QStringLiteral("Shift_L")));
    QVERIFY(!(*user.state() & XCB_MOD_MASK_SHIFT));
}

void TestHarness::locksToggle()
{
    XTestClient user(XServer::current()->displayName());
    for (XTestClient::Lock lock : { XTestClient::Lock::NumLock, XTestClient::Lock::CapsLock }) {
        QVERIFY(user.setLock(lock, true));
        QCOMPARE(user.isLocked(lock), std::optional<bool>(true));
        QVERIFY(user.setLock(lock, false));
        QCOMPARE(user.isLocked(lock), std::optional<bool>(false));
    }
}

void TestHarness::secondServer()
{
    XServer vfb(XServer::Kind::Xvfb, QSize(1280, 1024));
    QVERIFY2(vfb.start(), qPrintable(vfb.errorString()));
    QVERIFY(vfb.displayName() != XServer::current()->displayName());
    QVERIFY(vfb.xrandr({ QStringLiteral("--setmonitor"), QStringLiteral("LEFT"), QStringLiteral("640/1x1024/1+0+0"),
        QStringLiteral("none") }));
    QByteArray listing;
    QVERIFY(vfb.xrandr({ QStringLiteral("--listmonitors") }, &listing));
    QVERIFY(listing.contains("LEFT"));
    QVERIFY(vfb.resetOutputs());
    QVERIFY(vfb.xrandr({ QStringLiteral("--listmonitors") }, &listing));
    QVERIFY(!listing.contains("LEFT"));
    vfb.stop();
    QVERIFY(!vfb.isRunning());
}

DARTLINE_X11_TEST_MAIN(TestHarness)
#include "tst_harness.moc"
