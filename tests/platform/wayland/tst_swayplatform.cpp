// SPDX-License-Identifier: GPL-3.0-or-later
// The sway backend against a real headless sway; the pointer is read back through XWayland.
#include "platform/backends/PlatformBackends.h"
#include "platform/wayland/SwayHotKeyPlatform.h"
#include "platform/x11/XkbKeyNames.h"
#include "tests/app/DartlineProcess.h"
#include "tests/harness/TestEdid.h"
#include "tests/platform/wayland/PrivateCompositor.h"
#include "tests/platform/wayland/SwayServer.h"
#include "tests/platform/wayland/WaylandHotKeyTest.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Dartline;
using namespace Qt::StringLiterals;

namespace {

// What the kernel lists: an EDID agreeing with sway's HEADLESS-2, and another monitor's.
const TestEdid AgreeingEdid { u"DLT"_s, 0x1234, 777, u"headless"_s, {} };
const TestEdid OtherEdid { u"DLT"_s, 0x1234, 778, u"other"_s, {} };

QString x11Id(const TestEdid &edid)
{
    return Edid::parse(edid.bytes())->identity(u"DP-1"_s).toString(QUuid::WithoutBraces).toUpper();
}

} // namespace

class TestSwayPlatform : public WaylandHotKeyTest
{
    Q_OBJECT

    SwayServer m_server;
    QTemporaryDir m_sysfs;

    QStringList names()
    {
        QStringList result;
        for (const Dartline::Display &display : connected())
            result.append(display.name);
        return result;
    }

    // Through wtype, a virtual-keyboard client: the press reaches sway's bindings as a real one's.
    bool type(const Shortcut &shortcut) override
    {
        const QByteArray keysym
            = PrivateCompositor::defaultLayoutKey(XkbKeyNames::nameForVirtualKey(shortcut.keyCode()).toByteArray())
                  .keysym;
        QStringList press, release;
        for (const auto &[bit, name] : { std::pair { Shortcut::Super, "logo" }, std::pair { Shortcut::Control, "ctrl" },
                 std::pair { Shortcut::Alt, "alt" }, std::pair { Shortcut::Shift, "shift" } }) {
            if (shortcut.modifiers() & bit) {
                press << u"-M"_s << QLatin1String(name);
                release << u"-m"_s << QLatin1String(name);
            }
        }
        QProcess wtype;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"WAYLAND_DISPLAY"_s, m_server.waylandSocket());
        wtype.setProcessEnvironment(environment);
        wtype.start(u"wtype"_s, press + QStringList { u"-k"_s, QLatin1String(keysym) } + release);
        return !keysym.isEmpty() && wtype.waitForFinished(5000) && wtype.exitCode() == 0;
    }

    void writeEdid(const QString &connector, const TestEdid &edid)
    {
        QDir(m_sysfs.path()).mkpath(u"card0-"_s + connector);
        QVERIFY(writeFile(m_sysfs.path() + u"/card0-"_s + connector + u"/edid"_s, edid.bytes()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The user's own binding, spelt through a variable as configurations do.
        QVERIFY2(m_server.start("set $mod Mod1\nbindsym $mod+9 exec true\n"), qPrintable(m_server.errorString()));
        QCOMPARE(m_server.createOutput(QRect(1920, 0, 1280, 1024)), u"HEADLESS-2"_s);
        QCOMPARE(m_server.createOutput(QRect(3200, 200, 1280, 720), 2), u"HEADLESS-3"_s);
        writeEdid(u"HEADLESS-2"_s, AgreeingEdid);
        writeEdid(u"HEADLESS-3"_s, OtherEdid);

        open(m_server.waylandSocket(), m_server.xDisplay(), std::make_unique<SwayHotKeyPlatform>(m_server.ipcSocket()),
            m_sysfs.path());
    }

    // Names and bounds in layout order: typedShortcutLandsOnCentre.
    void ids_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("expectedId"); // empty: any UUID of its own
        QTest::newRow("no EDID") << 0 << QString();
        QTest::newRow("EDID agrees: the X11 id") << 1 << x11Id(AgreeingEdid);
        QTest::newRow("scale 2, another monitor's EDID") << 2 << QString();
    }
    void ids()
    {
        QFETCH(int, index);
        QFETCH(QString, expectedId);
        const QList<Dartline::Display> displays = connected();
        QCOMPARE(displays.size(), 3);
        const Dartline::Display &display = displays[index];
        QVERIFY(!QUuid::fromString(display.id).isNull());
        QCOMPARE(display.id, expectedId.isEmpty() ? display.id : expectedId);
        QVERIFY(display.id != x11Id(OtherEdid));
        // Ids are the outputs' own: a new connection finds the same.
        auto again = WaylandConnection::open(m_server.waylandSocket().toLocal8Bit().constData());
        QCOMPARE(DisplayService::connected(*std::make_unique<WaylandDisplayPlatform>(*again, m_sysfs.path()))[index].id,
            display.id);
    }

    void typedShortcutLandsOnCentre_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRectF>("bounds");
        QTest::newRow("second output") << 1 << u"headless"_s << QRectF(1920, 0, 1280, 1024);
        QTest::newRow("first output") << 0 << u"HEADLESS-1"_s << QRectF(0, 0, 1920, 1080);
        QTest::newRow("scaled output") << 2 << u"HEADLESS-3"_s << QRectF(3200, 200, 1280, 720);
    }

    void refusals_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<QString>("holder");
        QTest::addColumn<HotKeyStatus>("status");
        QTest::newRow("bound in sway's configuration")
            << Shortcut(25, Shortcut::Alt) << QString() << HotKeyStatus::HotKeyExists;
        QTest::newRow("registered already")
            << Shortcut(12, Shortcut::Control | Shortcut::Alt) << u"dartline"_s << HotKeyStatus::HotKeyExists;
        QTest::newRow("no such key") << Shortcut(0xffff, Shortcut::Alt) << QString() << HotKeyStatus::NoKeyCode;
        QTest::newRow("free: Super+Shift+Q")
            << Shortcut(12, Shortcut::Super | Shortcut::Shift) << QString() << HotKeyStatus::NoError;
    }

    void hotPlug_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QRectF>("bounds"); // of the output the command is about

        const QStringList three = { u"HEADLESS-1"_s, u"headless"_s, u"HEADLESS-3"_s };
        // sway puts a new output right of the others, level with the last.
        QTest::newRow("created") << u"create_output"_s << three + QStringList { u"HEADLESS-4"_s }
                                 << QRectF(4480, 200, 1920, 1080);
        QTest::newRow("placed") << u"output HEADLESS-4 mode 800x600 position 0 1080"_s
                                << QStringList { three[0], u"HEADLESS-4"_s, three[1], three[2] }
                                << QRectF(0, 1080, 800, 600);
        QTest::newRow("scaled") << u"output HEADLESS-4 scale 2 position 4480 0"_s
                                << three + QStringList { u"HEADLESS-4"_s } << QRectF(4480, 0, 400, 300);
    }
    void hotPlug()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, names);
        QFETCH(QRectF, bounds);
        QHash<QString, QString> ids;
        for (const Dartline::Display &display : connected())
            ids.insert(display.name, display.id);
        QSignalSpy changed(m_displays.get(), &DisplayPlatform::configurationChanged);
        QVERIFY(m_server.command(command));
        QTRY_COMPARE_WITH_TIMEOUT(this->names(), names, 5000);
        QVERIFY(!changed.isEmpty());
        for (const Dartline::Display &display : connected())
            QCOMPARE(display.id, ids.value(display.name, display.id));
        QCOMPARE(connected().at(names.indexOf(u"HEADLESS-4"_s)).bounds, bounds);
    }

    // The real program in the session: --jump lands and pulses, and the identify tiles show on every output,
    // over the window that covers the layout, as the compositor composes them (grim's screenshot).
    void programInTheSession()
    {
        const SessionBus bus;
        QVERIFY(!bus.address.isEmpty());
        DartlineProcess dartline;
        dartline.joinSession(m_server.waylandSocket(), m_server.xDisplay(), bus.address);
        dartline.environment.insert(u"SWAYSOCK"_s, m_server.ipcSocket());
        const QProcessEnvironment &environment = dartline.environment;
        DartlineProcess jump(&environment);
        QVERIFY(dartline.writeStore("hasLaunched=true\n"));
        dartline.start();
        QVERIFY(dartline.waitForLine());
        // What the compositor shows at `area`, as its screenshot tool takes it.
        const auto shot = [&](const QRect &area) {
            QProcess grim;
            grim.setProcessEnvironment(environment);
            const QString geometry = QString::asprintf("%d,%d %dx%d", area.x(), area.y(), area.width(), area.height());
            grim.start(u"grim"_s, { u"-t"_s, u"ppm"_s, u"-g"_s, geometry, u"-"_s });
            return grim.waitForFinished(5000) ? QImage::fromData(grim.readAllStandardOutput()) : QImage();
        };
        // The pulse: the enlarged pointer's white body, below where the pointer itself (which a headless
        // output draws into its picture) ends.
        const auto pulseShown = [&] {
            const QImage image = shot(QRect(2555, 535, 35, 20));
            for (int i = 0; i < image.width() * image.height(); ++i) {
                if (image.pixelColor(i % image.width(), i / image.width()).lightness() > 200)
                    return true;
            }
            return false;
        };
        // Answered once the pointer has landed and the pulse begun; a loaded machine may take its first
        // screenshot after the half-second pulse, so the jump is asked for again then.
        bool pulsed = false;
        for (int attempt = 0; attempt < 3 && !pulsed; ++attempt) {
            jump.start({ u"--jump"_s, u"2"_s });
            QVERIFY(jump.ends());
            pulsed = QTest::qWaitFor(pulseShown, 450);
        }
        QVERIFY(pulsed);
        QTRY_COMPARE(m_x->pointer(), QPoint(2560, 512));

        QProcess ask;
        ask.setProcessEnvironment(environment);
        ask.start(u"dbus-send"_s,
            { u"--session"_s, u"--print-reply"_s, u"--dest=org.dartline.Dartline"_s, u"/org/dartline/Dartline"_s,
                u"org.dartline.Dartline.Identify"_s });
        QVERIFY(ask.waitForFinished(5000) && ask.exitCode() == 0);
        // Left of each output's centre, inside its tile: the tile's blue, not the covering window's black.
        const auto tilesShown = [&] {
            for (const Dartline::Display &display : connected()) {
                const QImage image = shot(QRect((display.bounds.center() - QPointF(70, 0)).toPoint(), QSize(1, 1)));
                if (image.isNull() || image.pixelColor(0, 0).blue() < 150 || image.pixelColor(0, 0).red() > 100)
                    return false;
            }
            return true;
        };
        QVERIFY(QTest::qWaitFor(tilesShown, 1500));
        dartline.process.terminate();
        QVERIFY(dartline.ends());
    }

    void choosesTheBackendOfTheSession()
    {
        qputenv("WAYLAND_DISPLAY", m_server.waylandSocket().toLocal8Bit());
        qputenv("SWAYSOCK", m_server.ipcSocket().toLocal8Bit());
        QCOMPARE(createPlatform()->displays().screens().size(), 4);
        qunsetenv("SWAYSOCK"); // a Wayland session that is not sway's
        QCOMPARE(createPlatform()->displays().screens().size(), 0);
    }
};

QTEST_MAIN(TestSwayPlatform)

#include "tst_swayplatform.moc"
