// SPDX-License-Identifier: GPL-3.0-or-later
#include "displays/DisplayService.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11CursorPlatform.h"
#include "platform/x11/X11DisplayPlatform.h"
#include "tests/harness/TestXSettings.h"
#include "tests/harness/X11TestMain.h"

#include <QProcess>
#include <QRegularExpression>

#include <limits>

using namespace Qt::StringLiterals;

class TestX11Displays : public QObject
{
    Q_OBJECT

    std::unique_ptr<X11DisplayPlatform> m_platform;
    X11CursorPlatform m_cursor;
    QList<Dartline::Display> connected() { return DisplayService::connected(*m_platform); }
    static QByteArray edid(const QString &name, quint32 serial, const QString &serialString = {})
    {
        return TestEdid { u"DLT"_s, 0x1234, serial, name, serialString }.bytes();
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(server().resetOutputs());
        m_platform = std::make_unique<X11DisplayPlatform>();
    }

    void threeMonitorsInSpatialOrder()
    {
        QVERIFY(server().setEdid(u"DUMMY0"_s, edid(u"Main"_s, 1001)));
        QVERIFY(server().setEdid(u"DUMMY2"_s, edid(u"Top"_s, 1002)));
        QVERIFY(server().xrandr(
            u"--output DUMMY1 --mode 800x600 --left-of DUMMY0 --output DUMMY2 --mode 1280x1024 --above DUMMY0"_s.split(
                u' ')));
        QTRY_COMPARE(connected().size(), 3);
        // xrandr shifts everything so that the root starts at 0,0; DUMMY1 has no EDID, so no UUID.
        const QList<Dartline::Display> d = connected();
        const quint32 left = server().outputId(u"DUMMY1"_s), main = server().outputId(u"DUMMY0"_s);
        QCOMPARE((QList<quint32> { d[0].number, d[1].number, d[2].number }),
            (QList<quint32> { left, server().outputId(u"DUMMY2"_s), main }));
        QCOMPARE((QStringList { d[0].name, d[1].name, d[2].name, d[0].id }),
            (QStringList { u"DUMMY1"_s, u"Top"_s, u"Main"_s, u"fallback-0-0-0-%1"_s.arg(left) }));
        QCOMPARE((QList<QRectF> { d[0].bounds, d[1].bounds, d[2].bounds }),
            (QList<QRectF> { { 0, 1024, 800, 600 }, { 800, 0, 1280, 1024 }, { 800, 1024, 1024, 768 } }));
        const QRegularExpression uuid(u"^[0-9A-F]{8}-[0-9A-F]{4}-5[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$"_s);
        QVERIFY2(uuid.match(d[1].id).hasMatch() && d[1].id != d[2].id, qPrintable(d[1].id));
        QCOMPARE(m_platform->vendorNumber(main), quint32(TestEdid().vendorId()));
        QCOMPARE(m_platform->modelNumber(main), 0x1234u);
        QCOMPARE(m_platform->serialNumber(main), 1001u);
    }

    void identityOutlivesSwitchingOff()
    {
        QVERIFY(server().setEdid(u"DUMMY1"_s, edid(u"Side"_s, 0, u"SN-77"_s)));
        const QStringList on = u"--output DUMMY1 --mode 1024x768 --right-of DUMMY0"_s.split(u' ');
        QVERIFY(server().xrandr(on));
        QTRY_COMPARE(connected().size(), 2);
        const quint32 number = server().outputId(u"DUMMY1"_s);
        const std::optional<QString> before = m_platform->uuid(number);
        QVERIFY(before);
        QVERIFY(server().xrandr(u"--output DUMMY1 --off"_s.split(u' ')));
        QTRY_COMPARE(connected().size(), 1);
        QVERIFY(!m_platform->isActive(number));
        QCOMPARE(m_platform->bounds(number), QRectF());
        QVERIFY(server().xrandr(on));
        QTRY_VERIFY(m_platform->isActive(number));
        QCOMPARE(m_platform->uuid(number), before);
        QCOMPARE(m_platform->bounds(number), QRectF(1024, 0, 1024, 768));
        // Another panel on the same connector, the layout untouched: only the EDID's property event tells.
        QVERIFY(server().setEdid(u"DUMMY1"_s, edid(u"Side"_s, 0, u"SN-78"_s)));
        QTRY_VERIFY(m_platform->uuid(number) != before);
    }

    // Monitors a client set up have no output, so no EDID; no RandR event comes for them either.
    void splitScreen()
    {
        QVERIFY(server().xrandr(u"--setmonitor LEFT 512/135x768/203+0+0 DUMMY0"_s.split(u' ')));
        QVERIFY(server().xrandr(u"--setmonitor RIGHT 512/135x768/203+512+0 none"_s.split(u' ')));
        const quint32 right = X11Connection::atom(X11Connection::application(), "RIGHT");
        const QList<Dartline::Display> d = connected();
        QCOMPARE(d.size(), 2);
        QCOMPARE(
            (QList<QRectF> { d[0].bounds, d[1].bounds }), (QList<QRectF> { { 0, 0, 512, 768 }, { 512, 0, 512, 768 } }));
        QCOMPARE((QStringList { d[0].name, d[1].name, d[1].id }),
            (QStringList { u"DUMMY0"_s, u"RIGHT"_s, u"fallback-0-0-0-%1"_s.arg(right) }));
        QCOMPARE(d[1].number, right);
        QVERIFY(m_platform->isActive(right) && !m_platform->uuid(right));
        QVERIFY(server().xrandr({ u"--delmonitor"_s, u"RIGHT"_s }));
        // The ConfigureNotify the server sends on the root instead retires what the platform knew.
        QTRY_VERIFY(!m_platform->isActive(right));
        QCOMPARE(m_platform->screens().size(), 1);
    }

    void warp_data()
    {
        QTest::addColumn<QPointF>("target");
        QTest::addColumn<QPoint>("landing"); // (10, 10): refused, nothing the protocol can carry
        QTest::newRow("half pixel to the middle pixel") << QPointF(511.5, 383.5) << QPoint(511, 383);
        QTest::newRow("not a number") << QPointF(std::numeric_limits<double>::quiet_NaN(), 10) << QPoint(10, 10);
        QTest::newRow("beyond 16 bits") << QPointF(40000, 10) << QPoint(10, 10);
    }

    void warp()
    {
        QFETCH(QPointF, target);
        QFETCH(QPoint, landing);
        XTestClient user(server().displayName());
        QVERIFY(user.movePointer(QPoint(10, 10)));
        QCOMPARE(m_cursor.warp(target) == 0, landing != QPoint(10, 10));
        QCOMPARE(m_cursor.location(), std::optional<QPointF>(QPointF(landing)));
        QCOMPARE(user.pointer(), std::optional<QPoint>(landing));
        for (quint8 button : { 1, 3 }) {
            QVERIFY(user.pressButton(button));
            QCOMPARE(
                std::pair(m_cursor.leftButtonDown(), m_cursor.rightButtonDown()), std::pair(button == 1, button == 3));
            QVERIFY(user.releaseButton(button));
        }
    }

    // Reduced motion follows the desktop's settings daemon, read anew each time, also when
    // asked along with a warp and when another daemon takes over; a compositor is seen come and go.
    void desktop()
    {
        QVERIFY(!m_cursor.reduceMotion() && !m_cursor.hasCompositor());
        const auto settings = [](int animations) {
            return TestXSettings()
                .string("Net/ThemeName", "Adwaita")
                .integer("Gtk/EnableAnimations", animations)
                .bytes(animations);
        };
        // The second takes the settings over while the first still runs, with a window of its own.
        std::optional<XSettingsDaemon> daemons[2];
        for (std::optional<XSettingsDaemon> &daemon : daemons) {
            daemon.emplace(server().displayName());
            for (int animations : { 0, 1, 0, 1 }) {
                daemon->publish(settings(animations));
                QCOMPARE(m_cursor.reduceMotion(), animations == 0);
                CursorPlatform::PulseFacts facts;
                QCOMPARE(m_cursor.warpForPulse(QPointF(10 + animations, 10), facts), 0);
                QCOMPARE(facts.reduceMotion, animations == 0);
                QVERIFY(facts.cursor);
            }
        }
        QProcess xcompmgr; // on the test's server, which DISPLAY names
        xcompmgr.start(u"xcompmgr"_s, {});
        QTRY_VERIFY(m_cursor.hasCompositor());
        xcompmgr.terminate();
        QVERIFY(xcompmgr.waitForFinished());
        QTRY_VERIFY(!m_cursor.hasCompositor());
    }
};

DARTLINE_X11_TEST_MAIN(TestX11Displays)
#include "tst_x11displays.moc"
