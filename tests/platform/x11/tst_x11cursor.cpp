// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11CursorPlatform.h"
#include "platform/x11/X11DisplayPlatform.h"
#include "tests/harness/TestXSettings.h"
#include "tests/harness/X11TestMain.h"

#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QWindow>

#include <xcb/xcb.h>

#include <cmath>
#include <limits>

using namespace Dartline;

namespace {

QString s(const char *text)
{
    return QString::fromLatin1(text);
}

XServer &server()
{
    return *XServer::current();
}

} // namespace

class TestX11Cursor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void warp_data();
    void warp();
    void warpWhereAMonitorWas();
    void buttons();
    void cursorImage();
    void reduceMotion_data();
    void reduceMotion();
    void reduceMotionFollowsTheDesktop();
    void compositor();

private:
    X11CursorPlatform m_cursor;
};

void TestX11Cursor::init()
{
    QVERIFY(server().resetOutputs());
}

void TestX11Cursor::warp_data()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::addColumn<QPointF>("target");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QPoint>("landing");

    QTest::newRow("centre") << QPointF(512, 384) << true << QPoint(512, 384);
    QTest::newRow("half pixel to the middle pixel") << QPointF(511.5, 383.5) << true << QPoint(511, 383);
    // The server keeps the pointer on the screen.
    QTest::newRow("beyond the right edge") << QPointF(5000, -20) << true << QPoint(1023, 0);
    // Nothing the protocol can carry: refused before it reaches the server.
    QTest::newRow("not a number") << QPointF(nan, 10) << false << QPoint(10, 10);
    QTest::newRow("beyond 16 bits") << QPointF(40000, 10) << false << QPoint(10, 10);
}

void TestX11Cursor::warp()
{
    QFETCH(QPointF, target);
    QFETCH(bool, accepted);
    QFETCH(QPoint, landing);
    XTestClient user(server().displayName());
    QVERIFY(user.movePointer(QPoint(10, 10)));

    const int code = m_cursor.warp(target);
    QCOMPARE(code == 0, accepted);
    QCOMPARE(m_cursor.location(), std::optional<QPointF>(QPointF(landing)));
    QCOMPARE(user.pointer(), std::optional<QPoint>(landing));
}

void TestX11Cursor::warpWhereAMonitorWas()
{
    X11DisplayPlatform displays;
    QSignalSpy changed(&displays, &DisplayPlatform::configurationChanged);
    QVERIFY(server().xrandr({ s("--output"), s("DUMMY1"), s("--mode"), s("800x600"), s("--right-of"), s("DUMMY0"),
        s("--pos"), s("1024x0") }));
    QTRY_VERIFY(changed.count() > 0);
    const QList<ScreenInfo> screens = displays.screens();
    QCOMPARE(screens.size(), 2);
    const quint32 side = *screens[1].number;
    const QPointF centre = displays.bounds(side).center();
    QCOMPARE(centre, QPointF(1424, 300));
    QCOMPARE(m_cursor.warp(centre), 0);
    QCOMPARE(m_cursor.location(), std::optional<QPointF>(centre));

    // Below the side monitor lies root window that no monitor shows; the
    // server still keeps the pointer on a monitor.
    QCOMPARE(m_cursor.warp(QPointF(1424, 700)), 0);
    QVERIFY(m_cursor.location());
    const QPointF dead = *m_cursor.location();
    QVERIFY2(displays.bounds(side).contains(dead) || QRectF(0, 0, 1024, 768).contains(dead),
        qPrintable(s("%1,%2").arg(dead.x()).arg(dead.y())));

    changed.clear();
    QVERIFY(server().xrandr({ s("--output"), s("DUMMY1"), s("--off") }));
    QTRY_VERIFY(changed.count() > 0);
    // The layer above asks first and does not warp to an inactive display;
    // a warp anyway lands on what is left, never off every monitor.
    QTRY_VERIFY(!displays.isActive(side));
    QCOMPARE(m_cursor.warp(centre), 0);
    const std::optional<QPointF> after = m_cursor.location();
    QVERIFY(after);
    QVERIFY(QRectF(0, 0, 1024, 768).contains(*after));
}

void TestX11Cursor::buttons()
{
    XTestClient user(server().displayName());
    QVERIFY(!m_cursor.leftButtonDown());
    QVERIFY(!m_cursor.rightButtonDown());
    QVERIFY(user.pressButton(1));
    QVERIFY(m_cursor.leftButtonDown());
    QVERIFY(!m_cursor.rightButtonDown());
    QVERIFY(user.releaseButton(1));
    QVERIFY(user.pressButton(3));
    QVERIFY(!m_cursor.leftButtonDown());
    QVERIFY(m_cursor.rightButtonDown());
    QVERIFY(user.releaseButton(3));
    QVERIFY(!m_cursor.rightButtonDown());
}

void TestX11Cursor::cursorImage()
{
    // A cursor no theme has: 24x20, a hot spot off the centre, and
    // translucent pixels whose premultiplied values must come through.
    QImage shape(24, 20, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    QPainter painter(&shape);
    painter.fillRect(0, 0, 12, 20, QColor(255, 0, 0));
    painter.fillRect(12, 0, 12, 20, QColor(0, 0, 255, 128));
    painter.end();

    QWindow window;
    window.setFlag(Qt::X11BypassWindowManagerHint);
    window.setGeometry(100, 100, 200, 200);
    window.setCursor(QCursor(QPixmap::fromImage(shape), 3, 17));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    XTestClient user(server().displayName());
    QVERIFY(user.movePointer(QPoint(200, 200)));

    QTRY_VERIFY(m_cursor.currentCursor() && m_cursor.currentCursor()->image.size() == QSize(24, 20));
    const CursorImage cursor = *m_cursor.currentCursor();
    QCOMPARE(cursor.hotSpot, QPointF(3, 17));
    QCOMPARE(cursor.image.format(), QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(cursor.image.pixel(2, 2), qRgba(255, 0, 0, 255));
    const QRgb half = cursor.image.pixel(20, 10); // premultiplied: blue halved with alpha
    QCOMPARE(qAlpha(half), 128);
    QVERIFY(qAbs(qBlue(half) - 128) <= 1);

    user.movePointer(QPoint(500, 500));
}

void TestX11Cursor::reduceMotion_data()
{
    QTest::addColumn<bool>("daemon");
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<bool>("reduce");

    QTest::newRow("no settings daemon") << false << QByteArray() << false;
    QTest::newRow("animations off")
        << true << TestXSettings().string("Net/ThemeName", "Adwaita").integer("Gtk/EnableAnimations", 0).bytes()
        << true;
    QTest::newRow("animations off, big endian")
        << true << TestXSettings().integer("Gtk/EnableAnimations", 0).bytes(true) << true;
    QTest::newRow("animations on") << true << TestXSettings().integer("Gtk/EnableAnimations", 1).bytes() << false;
    QTest::newRow("not published") << true << TestXSettings().integer("Xft/DPI", 98304).bytes() << false;
    QTest::newRow("garbage") << true << QByteArray("\0\0\0\0\1\0\0\0\xff\xff\xff\xff\0", 13) << false;
}

void TestX11Cursor::reduceMotion()
{
    QFETCH(bool, daemon);
    QFETCH(QByteArray, settings);
    QFETCH(bool, reduce);
    std::unique_ptr<XSettingsDaemon> owner;
    if (daemon) {
        owner = std::make_unique<XSettingsDaemon>(server().displayName());
        owner->publish(settings);
    }
    QCOMPARE(m_cursor.reduceMotion(), reduce);
}

void TestX11Cursor::reduceMotionFollowsTheDesktop()
{
    XSettingsDaemon daemon(server().displayName());
    daemon.publish(TestXSettings().integer("Gtk/EnableAnimations", 1).bytes());
    QVERIFY(!m_cursor.reduceMotion());
    daemon.publish(TestXSettings().integer("Gtk/EnableAnimations", 0).bytes());
    QVERIFY(m_cursor.reduceMotion());
}

void TestX11Cursor::compositor()
{
    QVERIFY(!m_cursor.hasCompositor());
    QProcess xcompmgr;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(s("DISPLAY"), server().displayName());
    xcompmgr.setProcessEnvironment(env);
    xcompmgr.start(s("xcompmgr"), {});
    QVERIFY(xcompmgr.waitForStarted());
    QTRY_VERIFY(m_cursor.hasCompositor());
    xcompmgr.terminate();
    QVERIFY(xcompmgr.waitForFinished());
    QTRY_VERIFY(!m_cursor.hasCompositor());
}

DARTLINE_X11_TEST_MAIN(TestX11Cursor)
#include "tst_x11cursor.moc"
