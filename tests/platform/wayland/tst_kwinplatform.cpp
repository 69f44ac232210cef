// SPDX-License-Identifier: GPL-3.0-or-later
// The KWin backend against a real headless KWin; the pointer is read back through XWayland, keys are typed
// through KWin's fake input.
#include "core/Shortcut.h"
#include "displays/DisplayService.h"
#include "platform/backends/PlatformBackends.h"
#include "platform/wayland/KwinHotKeyPlatform.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandCursorPlatform.h"
#include "platform/wayland/WaylandDisplayPlatform.h"
#include "platform/x11/XkbKeyNames.h"
#include "tests/harness/XTestClient.h"
#include "tests/platform/wayland/KwinServer.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fake-input-client.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon.h>

using namespace Dartline;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Shortcut)
Q_DECLARE_METATYPE(HotKeyStatus)

class TestKwinPlatform : public QObject
{
    Q_OBJECT

    KwinServer m_server;
    KwinServer m_untrusted; // started by the test that needs it
    std::unique_ptr<WaylandConnection> m_connection;
    std::unique_ptr<WaylandDisplayPlatform> m_displays;
    std::unique_ptr<WaylandCursorPlatform> m_cursor;
    std::unique_ptr<KwinHotKeyPlatform> m_hotKeys;
    std::unique_ptr<XTestClient> m_x;
    xcb_connection_t *m_xcb = nullptr; // keeps the window over the layout
    QList<quint32> m_pressed;

    QList<Dartline::Display> connected() { return DisplayService::connected(*m_displays); }

    // As a keyboard with the default layout would: the modifiers by XKB's names, then the key.
    void type(const Shortcut &shortcut)
    {
        QList<QByteArray> names;
        for (const auto &[bit, name] : { std::pair { Shortcut::Super, "LWIN" }, std::pair { Shortcut::Control, "LCTL" },
                 std::pair { Shortcut::Alt, "LALT" }, std::pair { Shortcut::Shift, "LFSH" } }) {
            if (shortcut.modifiers() & bit)
                names.append(name);
        }
        names.append(XkbKeyNames::nameForVirtualKey(shortcut.keyCode()).toByteArray());
        xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        xkb_keymap *keymap = xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
        for (int state : { 1, 0 }) { // press all, then release all (evdev's codes are XKB's less 8)
            for (const QByteArray &name : std::as_const(names))
                org_kde_kwin_fake_input_keyboard_key(
                    m_connection->fakeInput(), xkb_keymap_key_by_name(keymap, name) - 8, state);
        }
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
        m_connection->flush();
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"kwin_wayland"_s).isEmpty())
            QSKIP("kwin_wayland is not installed");
        QCOMPARE(m_server.start({ QCoreApplication::applicationFilePath() }), QString());
        m_connection = WaylandConnection::open(m_server.path(u"wayland"_s).toLocal8Bit().constData());
        QVERIFY(m_connection && m_connection->fakeInput());
        m_displays = std::make_unique<WaylandDisplayPlatform>(*m_connection);
        m_cursor = std::make_unique<WaylandCursorPlatform>(*m_connection, nullptr);
        m_hotKeys
            = std::make_unique<KwinHotKeyPlatform>(QDBusConnection::connectToBus(m_server.busAddress(), u"kwin"_s));
        QVERIFY(m_hotKeys->installHandler([this](const HotKeyId &id) {
            m_pressed.append(id.id);
            m_cursor->warp(m_displays->bounds(id.id).center());
            return HotKeyStatus::NoError;
        }));

        // XWayland follows the pointer while it is over one of its windows: one over the whole layout.
        xcb_connection_t *x = m_xcb = xcb_connect(m_server.xDisplay.toLatin1().constData(), nullptr);
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
        const quint32 values[] = { screen->black_pixel, 1 };
        const xcb_window_t window = xcb_generate_id(x);
        xcb_create_window(x, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 8000, 4000, 0,
            XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(x, window);
        xcb_flush(x);
        m_x = std::make_unique<XTestClient>(m_server.xDisplay);
        QTRY_VERIFY_WITH_TIMEOUT(m_cursor->warp(QPointF(7, 9)) == 0 && m_x->pointer() == QPoint(7, 9), 5000);
    }

    void cleanupTestCase()
    {
        if (m_xcb)
            xcb_disconnect(m_xcb);
    }

    void typedShortcutLandsOnCentre_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QPoint>("centre");
        // Each row's target differs from the one before.
        QTest::newRow("second output") << 1 << QPoint(1920, 360);
        QTest::newRow("first output") << 0 << QPoint(640, 360);
        QTest::newRow("third output") << 2 << QPoint(3200, 360);
    }
    void typedShortcutLandsOnCentre()
    {
        QFETCH(int, index);
        QFETCH(QPoint, centre);
        const Dartline::Display display = connected().at(index);
        QCOMPARE(display.name, u"Virtual-%1"_s.arg(index));
        QCOMPARE(display.bounds, QRectF(1280 * index, 0, 1280, 720));
        HotKeyPlatform::Ref ref = 0;
        QCOMPARE(m_hotKeys->registerHotKey(*Shortcut::suggested(index), HotKeyId { display.number }, &ref),
            HotKeyStatus::NoError);
        QVERIFY(m_x->pointer() != centre);
        type(*Shortcut::suggested(index));
        QTRY_COMPARE_WITH_TIMEOUT(m_x->pointer(), centre, 5000);
        QCOMPARE(m_pressed.count(display.number), 1);
        m_hotKeys->unregisterHotKey(ref);
    }

    void refusals_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<QString>("holder"); // who took the keys before
        QTest::addColumn<HotKeyStatus>("status");

        const Shortcut ctrlAltQ(12, Shortcut::Control | Shortcut::Alt);
        QTest::newRow("KWin's own component holds Alt+F4")
            << Shortcut(118, Shortcut::Alt) << QString() << HotKeyStatus::HotKeyExists;
        QTest::newRow("registered already") << ctrlAltQ << u"dartline"_s << HotKeyStatus::HotKeyExists;
        QTest::newRow("given back") << ctrlAltQ << u"dartline, released"_s << HotKeyStatus::NoError;
        QTest::newRow("no such key") << Shortcut(0xffff, Shortcut::Alt) << QString() << HotKeyStatus::NoKeyCode;
        QTest::newRow("free: Super+Shift+Q")
            << Shortcut(12, Shortcut::Super | Shortcut::Shift) << QString() << HotKeyStatus::NoError;
    }
    void refusals()
    {
        QFETCH(Shortcut, shortcut);
        QFETCH(QString, holder);
        QFETCH(HotKeyStatus, status);
        HotKeyPlatform::Ref first = 0;
        HotKeyPlatform::Ref ref = 0;
        if (holder.startsWith(u"dartline"_s))
            QCOMPARE(m_hotKeys->registerHotKey(shortcut, HotKeyId { 41 }, &first), HotKeyStatus::NoError);
        if (holder.endsWith(u"released"_s))
            m_hotKeys->unregisterHotKey(first);
        QCOMPARE(m_hotKeys->registerHotKey(shortcut, HotKeyId { 42 }, &ref), status);
        if (status == HotKeyStatus::NoError) {
            // KWin must have understood the combination as typed.
            type(shortcut);
            QTRY_VERIFY_WITH_TIMEOUT(m_pressed.contains(42), 5000);
            m_pressed.removeAll(42);
        }
        m_hotKeys->unregisterHotKey(first);
        m_hotKeys->unregisterHotKey(ref);
    }

    void choosesKwinAndNeedsTheDesktopFile_data()
    {
        QTest::addColumn<bool>("trusted");
        QTest::addColumn<int>("warp");
        QTest::newRow("desktop file names the program") << true << 0;
        QTest::newRow("no desktop file") << false << WaylandCursorPlatform::NotAllowed;
    }
    void choosesKwinAndNeedsTheDesktopFile()
    {
        QFETCH(bool, trusted);
        QFETCH(int, warp);
        if (!trusted)
            QCOMPARE(m_untrusted.start({}), QString());
        qputenv("WAYLAND_DISPLAY", (trusted ? m_server : m_untrusted).path(u"wayland"_s).toLocal8Bit());
        const std::unique_ptr<Platform> platform = createPlatform();
        // The ids are the monitors' own: another KWin finds the same, one for each.
        QStringList ids, expected;
        for (const Dartline::Display &display : DisplayService::connected(platform->displays()))
            ids.append(display.id);
        for (const Dartline::Display &display : connected())
            expected.append(display.id);
        QCOMPARE(ids, expected);
        QCOMPARE(QSet<QString>(ids.cbegin(), ids.cend()).size(), 3);
        QVERIFY(!QUuid::fromString(ids.constFirst()).isNull());
        if (!trusted) {
            QTest::ignoreMessage(QtWarningMsg,
                QRegularExpression(u"Exec="_s + QRegularExpression::escape(QCoreApplication::applicationFilePath())
                    + u" and X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input"_s));
        }
        QCOMPARE(platform->cursor().warp(QPointF(100, 100)), warp);
    }
};

QTEST_MAIN(TestKwinPlatform)

#include "tst_kwinplatform.moc"
