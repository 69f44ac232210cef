// SPDX-License-Identifier: GPL-3.0-or-later
// The tray on a private Xorg with openbox, a tint2 panel and a private session bus.

#include "app/TrayApplication.h"
#include "app/TrayGlyph.h"
#include "model/AppModel.h"
#include "model/SettingsStore.h"
#include "tests/app/DartlineProcess.h"
#include "tests/harness/TestXSettings.h"
#include "tests/harness/X11TestMain.h"
#include "ui/AboutWindow.h"
#include "ui/DartlineTheme.h"
#include "ui/SettingsWindow.h"
#include "ui/ThemeMonitor.h"
#include "ui/WindowActions.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSettings>
#include <QSystemTrayIcon>

#include <xcb/xcb.h>

using namespace Dartline;
using namespace Qt::StringLiterals;

namespace {

// A settings daemon publishing a theme, in either byte order: the reader must take both.
std::unique_ptr<XSettingsDaemon> themeDaemon(const QByteArray &theme, bool bigEndian = false)
{
    auto daemon = std::make_unique<XSettingsDaemon>(server().displayName());
    daemon->publish(TestXSettings().integer("Xft/DPI", 98304).string("Net/ThemeName", theme).bytes(bigEndian));
    return daemon;
}

// The desktop portal's colour scheme: Read answers it, SettingChanged announces a new one.
class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    QDBusConnection bus { u""_s };
    uint scheme = 0;

    void setScheme(uint value)
    {
        scheme = value;
        bus.send(QDBusMessage::createSignal(
                     u"/org/freedesktop/portal/desktop"_s, u"org.freedesktop.portal.Settings"_s, u"SettingChanged"_s)
            << u"org.freedesktop.appearance"_s << u"color-scheme"_s
            << QVariant::fromValue(QDBusVariant(QVariant::fromValue(value))));
    }

public Q_SLOTS:
    QDBusVariant Read(const QString &nameSpace, const QString &key)
    {
        const bool known = nameSpace == u"org.freedesktop.appearance"_s && key == u"color-scheme"_s;
        return QDBusVariant(known ? QVariant::fromValue(scheme) : QVariant());
    }
};

// What a panel registers on the bus so that programs export their icons instead of docking them.
class StatusNotifierWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)

public:
    bool isHostRegistered() const { return true; }
    QStringList items;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service) { items << service; }
};

} // namespace

class TestTrayApplication : public QObject
{
    Q_OBJECT

    SessionBus m_bus; // with the portal; no status-notifier watcher until the last test: XEmbed
    Companion m_windowManager;
    FakePortal m_portal;
    Companion m_tray;
    QTemporaryDir m_dir;
    std::unique_ptr<TrayApplication> m_app;

    void start(const QColor &panel = QColor(0x80, 0x80, 0x80))
    {
        // A 120 x 40 panel at the top left holding only a system tray, in one flat colour.
        const QString config = m_dir.filePath(u"tint2rc"_s);
        QVERIFY(writeFile(config,
            u"background_color = %1 100\npanel_background_id = 1\npanel_items = S\npanel_size = 120 40\n"
            "panel_padding = 8 8 8\npanel_position = top left horizontal\nsystray_icon_size = 24\n"_s.arg(panel.name())
                .toUtf8()));
        m_tray.start(u"tint2"_s, { u"-c"_s, config });
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 20000);

        const QString store = m_dir.filePath(u"store.ini"_s);
        QSettings(store, QSettings::IniFormat).setValue(SettingsStore::HasLaunchedKey, true);
        m_app = std::make_unique<TrayApplication>(TrayApplication::Options { { u"dartline"_s }, m_dir.path(), u"tray"_s,
            {}, [store] { return std::make_unique<QSettings>(store, QSettings::IniFormat); } });
        QCOMPARE(m_app->launch(), TrayApplication::Launch::Running);
        QTRY_VERIFY_WITH_TIMEOUT(dockedIcon(QCoreApplication::applicationName()), 5000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(server().resetOutputs());
        // tint2 waits for a window manager's desktops before it starts.
        m_windowManager.start(u"openbox"_s, { u"--sm-disable"_s });
        QVERIFY2(
            m_windowManager.waitForStarted(5000) && !m_bus.address.isEmpty(), "openbox and dbus-daemon are needed");
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address.toUtf8());
        m_portal.bus = QDBusConnection::connectToBus(m_bus.address, u"portal"_s);
        QVERIFY(m_portal.bus.registerObject(
            u"/org/freedesktop/portal/desktop"_s, &m_portal, QDBusConnection::ExportAllSlots));
        QVERIFY(m_portal.bus.registerService(u"org.freedesktop.portal.Desktop"_s));
    }

    void cleanup()
    {
        m_app.reset();
        m_tray.terminate();
        m_tray.waitForFinished(5000);
    }

    void visibleOnEveryPanel_data()
    {
        QTest::addColumn<QColor>("panel");
        QTest::addColumn<QByteArray>("theme");
        for (const QColor panel : { QColor(Qt::black), QColor(Qt::white), QColor(0x80, 0x80, 0x80) }) {
            QTest::addRow("%s panel, light theme", qPrintable(panel.name())) << panel << QByteArray("Adwaita");
            QTest::addRow("%s panel, dark theme", qPrintable(panel.name())) << panel << QByteArray("Adwaita-dark");
        }
    }

    void visibleOnEveryPanel()
    {
        QFETCH(QColor, panel);
        QFETCH(QByteArray, theme);
        const auto daemon = themeDaemon(theme);
        start(panel);
        QTRY_COMPARE(ThemeMonitor::instance().isDark(), theme.endsWith("dark"));
        // Enough of the icon to make out a shape (an outline alone has about 50 pixels) stands out.
        xcb_connection_t *connection = xcb_connect(qPrintable(server().displayName()), nullptr);
        const auto standingOut = [&] {
            const QImage shot = XTestClient::rootImage(connection, QRect(0, 0, 120, 40));
            int count = 0;
            for (int i = 0; i < shot.width() * shot.height(); ++i)
                count += std::abs(qGray(shot.pixel(i % shot.width(), i / shot.width())) - qGray(panel.rgb())) >= 85;
            return !shot.isNull() && (shot.pixel(1, 1) & 0xffffff) == (panel.rgb() & 0xffffff) ? count : -1;
        };
        // Once per try: a panel caught between clearing and drawing the icon must not fail a shot that came
        // out right (QTRY takes its expression again after the loop). tint2 on a loaded machine is slow to draw.
        QVERIFY(QTest::qWaitFor([&] { return standingOut() >= 50; }, 15000));
        xcb_disconnect(connection);
    }

    void followsTheDesktopLive()
    {
        start();
        std::unique_ptr<XSettingsDaemon> daemon;
        // Each step changes the desktop as its own tool does; windows and icon follow.
        const std::tuple<const char *, std::function<void()>, bool> steps[] = {
            { "no settings daemon, no portal preference", [] {}, false },
            { "a settings daemon starts, dark", [&] { daemon = themeDaemon("Adwaita-dark"); }, true },
            { "the theme switches to light",
                [&] { daemon->publish(TestXSettings().string("Net/ThemeName", "Adwaita").bytes(true)); }, false },
            { "another daemon replaces it, dark", [&] { daemon = themeDaemon("Greybird-DARK", true); }, true },
            { "the daemon quits", [&] { daemon.reset(); }, false },
            { "a daemon starts again, dark", [&] { daemon = themeDaemon("Adwaita-dark"); }, true },
            { "the portal prefers light over it", [&] { m_portal.setScheme(2); }, false },
            { "the portal prefers dark over a light theme",
                [&] { daemon = themeDaemon("Adwaita"), m_portal.setScheme(1); }, true },
            { "no portal preference: the daemon decides", [&] { m_portal.setScheme(0); }, false },
        };
        for (const auto &[what, change, dark] : steps) {
            change();
            QTRY_VERIFY2(ThemeMonitor::instance().isDark() == dark, what);
            QVERIFY2(DartlineTheme::isDark() == dark, what);
            // The glyph's own ink (not its halo): the middle of the monitor's foot.
            QTRY_VERIFY2(
                m_app->trayIcon()->icon().pixmap(36, 36).toImage().pixel(18, 32) == TrayGlyph::ink(dark).rgba(), what);
        }
    }

    void windows()
    {
        start();
        m_app->showSettings();
        auto *settings = static_cast<SettingsWindow *>(m_app->settingsWindow());
        QTRY_VERIFY(settings->isActiveWindow());
        // Another program taking the focus ends a recording.
        AppModel &model = *m_app->model();
        model.beginRecording(model.displays().at(0).id);
        QVERIFY(model.recordingID());
        QVERIFY(server().xdotool({ u"search"_s, u"--onlyvisible"_s, u"--class"_s, u"tint2"_s, u"windowfocus"_s }));
        QTRY_VERIFY(!model.recordingID());

        // The windows' own main-menu commands reach the tray.
        settings->windowActions()->about()->trigger();
        QVERIFY(m_app->aboutWindow());
        settings->close();
        QTRY_VERIFY(!settings->isVisible());
        static_cast<AboutWindow *>(m_app->aboutWindow())->windowActions()->settings()->trigger();
        QCOMPARE(m_app->settingsWindow(), settings); // reused, not a second window
        QTRY_VERIFY(settings->isVisible() && m_app->aboutWindow()->isVisible());
        // Quitting takes the windows and the icon off the screen at once.
        m_app->quit();
        QVERIFY(!settings->isVisible() && !m_app->aboutWindow()->isVisible() && !m_app->trayIcon()->isVisible());
    }

    void menuOverStatusNotifier()
    {
        StatusNotifierWatcher watcher;
        QVERIFY(m_portal.bus.registerObject(u"/StatusNotifierWatcher"_s, &watcher,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        QVERIFY(m_portal.bus.registerService(u"org.kde.StatusNotifierWatcher"_s));
        // Their identifiers sort the other way round: the places must decide.
        QVERIFY(server().setEdid(u"DUMMY0"_s, TestEdid { u"DLT"_s, 2, 2, u"Right"_s, {} }.bytes()));
        QVERIFY(server().setEdid(u"DUMMY1"_s, TestEdid { u"DLT"_s, 1, 1, u"Left"_s, {} }.bytes()));
        QVERIFY(
            server().xrandr({ u"--output"_s, u"DUMMY1"_s, u"--mode"_s, u"800x600"_s, u"--left-of"_s, u"DUMMY0"_s }));
        DartlineProcess dartline;
        QVERIFY(dartline.writeStore());
        dartline.environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_bus.address);
        dartline.start();
        QVERIFY(dartline.waitForLine());
        QTRY_COMPARE_WITH_TIMEOUT(watcher.items.size(), 1, 10000);
        // The host asks for the layout right away, without announcing a show.
        const auto menu = [&](const QString &call) {
            QProcess send;
            send.start(u"dbus-send"_s,
                QStringList { u"--bus="_s + m_bus.address, u"--print-reply"_s,
                    u"--dest="_s + watcher.items.constFirst(), u"/MenuBar"_s }
                    + call.split(u' '));
            send.waitForFinished(10000);
            return send.readAllStandardOutput() + send.readAllStandardError();
        };
        const QString layout = u"com.canonical.dbusmenu.GetLayout int32:0 int32:-1 array:string:"_s;
        QByteArray items = menu(layout);
        const qsizetype second = items.indexOf("2. Right   Alt+2");
        QVERIFY2(items.indexOf("1. Left   Alt+1") >= 0 && second > items.indexOf("1. Left   Alt+1"), items.constData());
        for (const char *label : { "Identify Displays", "Settings…", "About Dartline", "Quit Dartline" })
            QVERIFY2(items.indexOf(label) > second, items.constData());
        // Ctrl+, and Ctrl+Q act in the windows, not in the tray's menu.
        QVERIFY2(!items.contains("shortcut"), items.constData());

        // A click on an item jumps to its display.
        XTestClient input(server().displayName());
        QVERIFY(input.movePointer(QPoint(5, 5)));
        const qsizetype idAt = items.lastIndexOf("int32 ", second) + 6;
        const QByteArray id = items.mid(idAt, items.indexOf('\n', idAt) - idAt);
        menu(u"com.canonical.dbusmenu.Event int32:%1 string:clicked variant:int32:0 uint32:0"_s.arg(QLatin1String(id)));
        QTRY_COMPARE(input.pointer(), std::optional<QPoint>(QPoint(800 + 512, 384)));
        // A monitor switched off leaves the exported menu by itself.
        QVERIFY(server().xrandr({ u"--output"_s, u"DUMMY1"_s, u"--off"_s }));
        QTRY_VERIFY_WITH_TIMEOUT((items = menu(layout)).contains("1. Right"), 10000);
        QVERIFY2(!items.contains("2. ") && items.contains("1. Right   Alt+2"), items.constData());
        dartline.process.terminate();
        QVERIFY(dartline.ends());
    }
};

DARTLINE_X11_TEST_MAIN(TestTrayApplication)
#include "tst_trayapplication.moc"
