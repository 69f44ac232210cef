// SPDX-License-Identifier: GPL-3.0-or-later
// The sway backend against a real headless sway; the pointer is read back through XWayland.
#include "core/Shortcut.h"
#include "displays/DisplayService.h"
#include "platform/backends/PlatformBackends.h"
#include "platform/wayland/SwayHotKeyPlatform.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandCursorPlatform.h"
#include "platform/wayland/WaylandDisplayPlatform.h"
#include "platform/x11/XkbKeyNames.h"
#include "tests/harness/TestEdid.h"
#include "tests/platform/wayland/SwayServer.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

using namespace Dartline;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Shortcut)
Q_DECLARE_METATYPE(HotKeyStatus)

namespace {

// What the kernel lists: an EDID agreeing with sway's HEADLESS-2, and another monitor's.
const TestEdid AgreeingEdid { u"DLT"_s, 0x1234, 777, u"headless"_s, {} };
const TestEdid OtherEdid { u"DLT"_s, 0x1234, 778, u"other"_s, {} };

QString x11Id(const TestEdid &edid)
{
    return Edid::parse(edid.bytes())->identity(u"DP-1"_s).toString(QUuid::WithoutBraces).toUpper();
}

} // namespace

class TestSwayPlatform : public QObject
{
    Q_OBJECT

    SwayServer m_server;
    QTemporaryDir m_sysfs;
    std::unique_ptr<WaylandConnection> m_connection;
    std::unique_ptr<WaylandDisplayPlatform> m_displays;
    std::unique_ptr<WaylandCursorPlatform> m_cursor;
    std::unique_ptr<SwayHotKeyPlatform> m_hotKeys;
    xcb_connection_t *m_x = nullptr;
    QList<quint32> m_pressed;

    QList<Dartline::Display> connected() { return DisplayService::connected(*m_displays); }
    QStringList names()
    {
        QStringList result;
        for (const Dartline::Display &display : connected())
            result.append(display.name);
        return result;
    }

    // Where XWayland saw the pointer last, over the window that covers the layout.
    QPoint pointer()
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_x)).data->root;
        xcb_query_pointer_reply_t *reply = xcb_query_pointer_reply(m_x, xcb_query_pointer(m_x, root), nullptr);
        const QPoint result = reply ? QPoint(reply->root_x, reply->root_y) : QPoint(-1, -1);
        std::free(reply);
        return result;
    }

    // Through wtype, a virtual-keyboard client: the press reaches sway's bindings as a real one's.
    bool type(const Shortcut &shortcut)
    {
        xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        const xkb_rule_names us = { "evdev", "pc105", "us", "", "" };
        xkb_keymap *keymap = xkb_keymap_new_from_names(context, &us, XKB_KEYMAP_COMPILE_NO_FLAGS);
        const xkb_keycode_t key = xkb_keymap_key_by_name(
            keymap, XkbKeyNames::nameForVirtualKey(shortcut.keyCode()).toByteArray().constData());
        const xkb_keysym_t *syms = nullptr;
        char keysym[64] = {};
        if (xkb_keymap_key_get_syms_by_level(keymap, key, 0, 0, &syms) > 0)
            xkb_keysym_get_name(syms[0], keysym, sizeof keysym);
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
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
        return *keysym && wtype.waitForFinished(5000) && wtype.exitCode() == 0;
    }

    void writeEdid(const QString &connector, const TestEdid &edid)
    {
        QDir(m_sysfs.path()).mkpath(u"card0-"_s + connector);
        QFile file(m_sysfs.path() + u"/card0-"_s + connector + u"/edid"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(edid.bytes());
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

        m_connection = WaylandConnection::open(m_server.waylandSocket().toLocal8Bit().constData());
        QVERIFY(m_connection);
        m_displays = std::make_unique<WaylandDisplayPlatform>(*m_connection, m_sysfs.path());
        m_cursor = std::make_unique<WaylandCursorPlatform>(*m_connection, nullptr);
        m_hotKeys = std::make_unique<SwayHotKeyPlatform>(m_server.ipcSocket());
        QVERIFY(m_hotKeys->installHandler([this](const HotKeyId &id) {
            m_pressed.append(id.id);
            for (const Dartline::Display &display : connected()) {
                if (display.number == id.id)
                    m_cursor->warp(display.bounds.center());
            }
            return HotKeyStatus::NoError;
        }));

        // XWayland follows the pointer while it is over one of its windows: one over the whole layout.
        m_x = xcb_connect(m_server.xDisplay().toLatin1().constData(), nullptr);
        QVERIFY(!xcb_connection_has_error(m_x));
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_x)).data;
        const xcb_window_t window = xcb_generate_id(m_x);
        const quint32 values[] = { screen->black_pixel, 1 };
        xcb_create_window(m_x, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 8000, 4000, 0,
            XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(m_x, window);
        xcb_flush(m_x);
        // Until XWayland has shown the window, a jump goes unseen.
        QTRY_VERIFY_WITH_TIMEOUT(m_cursor->warp(QPointF(7, 9)) == 0 && pointer() == QPoint(7, 9), 5000);
    }

    void cleanupTestCase()
    {
        if (m_x)
            xcb_disconnect(m_x);
        m_hotKeys.reset();
        m_cursor.reset();
        m_displays.reset();
        m_connection.reset();
    }

    void listsOutputsInLayoutOrder_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRectF>("bounds");
        QTest::addColumn<QString>("expectedId"); // empty: any UUID of its own

        QTest::newRow("no EDID") << 0 << u"HEADLESS-1"_s << QRectF(0, 0, 1920, 1080) << QString();
        QTest::newRow("EDID agrees: the X11 id")
            << 1 << u"headless"_s << QRectF(1920, 0, 1280, 1024) << x11Id(AgreeingEdid);
        QTest::newRow("scale 2, another monitor's EDID")
            << 2 << u"HEADLESS-3"_s << QRectF(3200, 200, 1280, 720) << QString();
    }
    void listsOutputsInLayoutOrder()
    {
        QFETCH(int, index);
        QFETCH(QString, name);
        QFETCH(QRectF, bounds);
        QFETCH(QString, expectedId);
        const QList<Dartline::Display> displays = connected();
        QCOMPARE(displays.size(), 3);
        const Dartline::Display &display = displays[index];
        QCOMPARE(display.name, name);
        QCOMPARE(display.bounds, bounds);
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
        QTest::addColumn<QPoint>("centre");
        // Each row's target differs from the one before.
        QTest::newRow("second output") << 1 << QPoint(2560, 512);
        QTest::newRow("first output") << 0 << QPoint(960, 540);
        QTest::newRow("scaled output") << 2 << QPoint(3840, 560);
    }
    void typedShortcutLandsOnCentre()
    {
        QFETCH(int, index);
        QFETCH(QPoint, centre);
        const Dartline::Display display = connected().at(index);
        const Shortcut shortcut = *Shortcut::suggested(index);
        HotKeyPlatform::Ref ref = 0;
        QCOMPARE(m_hotKeys->registerHotKey(shortcut, HotKeyId { display.number }, &ref), HotKeyStatus::NoError);

        QVERIFY(pointer() != centre);
        QVERIFY(type(shortcut));
        QTRY_COMPARE_WITH_TIMEOUT(pointer(), centre, 5000);
        QCOMPARE(m_pressed.count(display.number), 1);
        m_hotKeys->unregisterHotKey(ref);
    }

    void refusals_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<bool>("registeredBefore");
        QTest::addColumn<HotKeyStatus>("status");

        QTest::newRow("bound in sway's configuration")
            << Shortcut(25, Shortcut::Alt) << false << HotKeyStatus::HotKeyExists;
        QTest::newRow("registered already")
            << Shortcut(12, Shortcut::Control | Shortcut::Alt) << true << HotKeyStatus::HotKeyExists;
        QTest::newRow("no such key") << Shortcut(0xffff, Shortcut::Alt) << false << HotKeyStatus::NoKeyCode;
        QTest::newRow("free: Super+Shift+Q")
            << Shortcut(12, Shortcut::Super | Shortcut::Shift) << false << HotKeyStatus::NoError;
    }
    void refusals()
    {
        QFETCH(Shortcut, shortcut);
        QFETCH(bool, registeredBefore);
        QFETCH(HotKeyStatus, status);
        HotKeyPlatform::Ref first = 0;
        HotKeyPlatform::Ref ref = 0;
        if (registeredBefore)
            QCOMPARE(m_hotKeys->registerHotKey(shortcut, HotKeyId { 41 }, &first), HotKeyStatus::NoError);
        QCOMPARE(m_hotKeys->registerHotKey(shortcut, HotKeyId { 42 }, &ref), status);
        if (status == HotKeyStatus::NoError) {
            // sway must have understood the combination as typed.
            QVERIFY(type(shortcut));
            QTRY_VERIFY_WITH_TIMEOUT(m_pressed.contains(42), 5000);
        }
        m_hotKeys->unregisterHotKey(first);
        m_hotKeys->unregisterHotKey(ref);
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

    // The real program in the session: --jump lands, and the identify tiles show on every output, over the
    // window that covers the layout, as the compositor composes them (grim's screenshot).
    void programInTheSession()
    {
        QTemporaryDir home;
        QProcess bus, dartline;
        bus.start(u"dbus-daemon"_s, { u"--session"_s, u"--nofork"_s, u"--print-address"_s });
        QVERIFY(bus.waitForReadyRead(5000));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, QString::fromLatin1(bus.readLine().trimmed()));
        environment.insert(u"WAYLAND_DISPLAY"_s, m_server.waylandSocket());
        environment.insert(u"SWAYSOCK"_s, m_server.ipcSocket());
        environment.insert(u"DISPLAY"_s, m_server.xDisplay());
        environment.insert(u"XDG_RUNTIME_DIR"_s, home.path());
        environment.insert(u"XDG_CONFIG_HOME"_s, home.path());
        environment.insert(u"QT_LOGGING_RULES"_s, u"org.dartline.Dartline.startup.info=true"_s);
        environment.remove(u"QT_QPA_PLATFORM"_s);
        QFile store(home.filePath(u"org.dartline.Dartline.ini"_s));
        QVERIFY(store.open(QIODevice::WriteOnly) && store.write("[General]\nhasLaunched=true\n") > 0);
        store.close();
        dartline.setProcessEnvironment(environment);
        dartline.start(QStringLiteral(DARTLINE_BINARY), {});
        QByteArray said;
        QTRY_VERIFY2_WITH_TIMEOUT((said += dartline.readAllStandardError()).contains("startup: launched"), said, 10000);

        QProcess ask;
        ask.setProcessEnvironment(environment);
        ask.start(QStringLiteral(DARTLINE_BINARY), { u"--jump"_s, u"2"_s });
        QVERIFY(ask.waitForFinished(5000) && ask.exitCode() == 0);
        QTRY_COMPARE(pointer(), QPoint(2560, 512));

        ask.start(u"dbus-send"_s,
            { u"--session"_s, u"--print-reply"_s, u"--dest=org.dartline.Dartline"_s, u"/org/dartline/Dartline"_s,
                u"org.dartline.Dartline.Identify"_s });
        QVERIFY(ask.waitForFinished(5000) && ask.exitCode() == 0);
        // Left of each output's centre, inside its tile: the tile's blue, not the covering window's black.
        const auto tilesShown = [&] {
            for (const Dartline::Display &display : connected()) {
                const QPoint at = (display.bounds.center() - QPointF(70, 0)).toPoint();
                QProcess grim;
                grim.setProcessEnvironment(environment);
                grim.start(u"grim"_s, { u"-t"_s, u"ppm"_s, u"-g"_s, u"%1,%2 1x1"_s.arg(at.x()).arg(at.y()), u"-"_s });
                const QImage shot
                    = grim.waitForFinished(5000) ? QImage::fromData(grim.readAllStandardOutput()) : QImage();
                if (shot.isNull() || shot.pixelColor(0, 0).blue() < 150 || shot.pixelColor(0, 0).red() > 100)
                    return false;
            }
            return true;
        };
        QVERIFY(QTest::qWaitFor(tilesShown, 1500));
        dartline.terminate();
        bus.terminate();
        QVERIFY(dartline.waitForFinished(5000) && bus.waitForFinished(5000));
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
