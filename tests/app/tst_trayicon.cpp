// SPDX-License-Identifier: GPL-3.0-or-later
// The tray icon as users see it, on a private Xorg through a real XEmbed tray
// (tint2): its contrast with black, white and grey panels in light and dark
// appearance, and live switches of the desktop's appearance through the
// settings daemon (XSETTINGS Net/ThemeName) and the desktop portal (its
// color-scheme setting, served here on a private session bus).

#include "app/TrayApplication.h"
#include "app/TrayGlyph.h"
#include "model/AppModel.h"
#include "model/SettingsStore.h"
#include "tests/app/XWindows.h"
#include "tests/harness/TestXSettings.h"
#include "tests/harness/X11TestMain.h"
#include "ui/DartlineTheme.h"
#include "ui/ThemeMonitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <functional>
#include <xcb/xcb.h>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

XServer &server()
{
    return *XServer::current();
}

// WCAG 2 relative luminance and contrast ratio.
double luminance(QRgb rgb)
{
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) + 0.0722 * channel(qBlue(rgb));
}

double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast against `panel` that the icon's `count` most contrasting
// pixels all reach: a set of pixels large enough to make out a shape (an
// 18-pixel glyph's outline alone has about 50). 1 when fewer stand out.
double iconContrast(const QImage &shot, QRgb panel, int count)
{
    QList<double> values;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x)
            values.append(contrast(shot.pixel(x, y), panel));
    }
    std::sort(values.begin(), values.end(), std::greater<>());
    return values.size() >= count ? values.at(count - 1) : 1.0;
}

// The colour the glyph itself (not its halo) is drawn in: the middle of the
// monitor's foot, opaque in the template.
QRgb glyphInk(const QIcon &icon)
{
    return icon.pixmap(36, 36).toImage().pixel(18, 32);
}

bool hasRootProperty(xcb_connection_t *c, const char *name)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_intern_atom_reply_t *atom
        = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, static_cast<quint16>(qstrlen(name)), name), nullptr);
    const xcb_atom_t property = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(atom);
    if (property == XCB_ATOM_NONE)
        return false;
    xcb_get_property_reply_t *reply
        = xcb_get_property_reply(c, xcb_get_property(c, 0, root, property, XCB_ATOM_ANY, 0, 1), nullptr);
    const bool found = reply && reply->type != XCB_ATOM_NONE;
    free(reply);
    return found;
}

// A settings daemon whose theme changes, written in either byte order in
// turn: the reader must take both.
class ThemeDaemon : public XSettingsDaemon
{
public:
    ThemeDaemon()
        : XSettingsDaemon(server().displayName())
    { }
    void publishTheme(const QByteArray &name)
    {
        publish(TestXSettings().integer("Xft/DPI", 98304).string("Net/ThemeName", name).bytes(++m_serial % 2 == 0));
    }

private:
    int m_serial = 0;
};

const QString PortalService = u"org.freedesktop.portal.Desktop"_s;
const QString PortalPath = u"/org/freedesktop/portal/desktop"_s;
const QString PortalInterface = u"org.freedesktop.portal.Settings"_s;

// The part of the desktop portal's Settings interface that carries the colour
// scheme: Read answers it, SettingChanged announces a new one.
class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    explicit FakePortal(const QDBusConnection &bus)
        : m_bus(bus)
    { }

    void setScheme(uint scheme)
    {
        m_scheme = scheme;
        QDBusMessage signal = QDBusMessage::createSignal(PortalPath, PortalInterface, u"SettingChanged"_s);
        signal << u"org.freedesktop.appearance"_s << u"color-scheme"_s
               << QVariant::fromValue(QDBusVariant(QVariant::fromValue(scheme)));
        m_bus.send(signal);
    }

public Q_SLOTS:
    QDBusVariant Read(const QString &nameSpace, const QString &key)
    {
        const bool scheme = nameSpace == u"org.freedesktop.appearance"_s && key == u"color-scheme"_s;
        return QDBusVariant(scheme ? QVariant::fromValue(m_scheme) : QVariant());
    }

private:
    QDBusConnection m_bus;
    uint m_scheme = 0;
};

} // namespace

class TestTrayIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void visibleOnEveryPanel_data();
    void visibleOnEveryPanel();
    void followsTheDesktopLive();

private:
    bool startTray(const QColor &panel);
    std::unique_ptr<TrayApplication> makeApplication();

    QProcess m_bus;
    QProcess m_windowManager;
    std::unique_ptr<QDBusConnection> m_portalBus;
    std::unique_ptr<FakePortal> m_portal;
    QProcess m_tray;
    std::unique_ptr<QTemporaryDir> m_dir;
    xcb_connection_t *m_x = nullptr; // reads the screen
};

void TestTrayIcon::initTestCase()
{
    QVERIFY(server().resetOutputs());
    m_x = xcb_connect(qPrintable(server().displayName()), nullptr);
    QVERIFY(!xcb_connection_has_error(m_x));
    // tint2 waits seconds for a window manager's desktops before it starts.
    m_windowManager.start(u"openbox"_s, { u"--sm-disable"_s });
    QVERIFY2(m_windowManager.waitForStarted(5000), "openbox is needed for the tray tests");
    QTRY_VERIFY(hasRootProperty(m_x, "_NET_NUMBER_OF_DESKTOPS"));
    // A private session bus, with the portal on a connection of its own: no
    // status-notifier watcher runs there, so the icon docks over XEmbed.
    m_bus.start(u"dbus-daemon"_s, { u"--session"_s, u"--nofork"_s, u"--print-address"_s });
    QVERIFY2(m_bus.waitForStarted(5000), "dbus-daemon is needed for the portal tests");
    QTRY_VERIFY(m_bus.canReadLine());
    const QString address = QString::fromUtf8(m_bus.readLine().trimmed());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    m_portalBus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, u"portal"_s));
    QVERIFY(m_portalBus->isConnected());
    m_portal = std::make_unique<FakePortal>(*m_portalBus);
    QVERIFY(m_portalBus->registerObject(PortalPath, m_portal.get(), QDBusConnection::ExportAllSlots));
    QVERIFY(m_portalBus->registerService(PortalService));
    QVERIFY(QDBusConnection::sessionBus().isConnected());
}

void TestTrayIcon::cleanupTestCase()
{
    xcb_disconnect(m_x);
    m_windowManager.terminate();
    m_windowManager.waitForFinished(5000);
    m_portal.reset();
    QDBusConnection::disconnectFromBus(u"portal"_s);
    m_bus.terminate();
    m_bus.waitForFinished(5000);
}

void TestTrayIcon::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkdir(u"run"_s));
    QSettings store(m_dir->filePath(u"store.ini"_s), QSettings::IniFormat);
    store.setValue(SettingsStore::HasLaunchedKey, true);
}

void TestTrayIcon::cleanup()
{
    if (m_tray.state() != QProcess::NotRunning) {
        m_tray.terminate();
        if (!m_tray.waitForFinished(3000))
            m_tray.kill();
        m_tray.waitForFinished(3000);
    }
    m_dir.reset();
}

bool TestTrayIcon::startTray(const QColor &panel)
{
    // A 120 x 40 panel at the top left holding only a system tray, in one
    // flat colour; tint2 draws the icons on it itself.
    const QString config = m_dir->filePath(u"tint2rc"_s);
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("rounded = 0\nborder_width = 0\nbackground_color = %1 100\nborder_color = #000000 0\n\n"
                              "panel_items = S\npanel_monitor = 1\npanel_size = 120 40\npanel_margin = 0 0\n"
                              "panel_padding = 8 8 8\npanel_position = top left horizontal\n"
                              "panel_background_id = 1\nstrut_policy = none\npanel_layer = top\n"
                              "systray_padding = 0 0 0\nsystray_background_id = 0\nsystray_icon_size = 24\n")
                   .arg(panel.name())
                   .toUtf8());
    file.close();
    m_tray.start(u"tint2"_s, { u"-c"_s, config });
    if (!m_tray.waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(10000);
    while (!QSystemTrayIcon::isSystemTrayAvailable() && !deadline.hasExpired())
        QTest::qWait(20);
    return QSystemTrayIcon::isSystemTrayAvailable();
}

std::unique_ptr<TrayApplication> TestTrayIcon::makeApplication()
{
    TrayApplication::Options options;
    options.arguments = QStringList { u"dartline"_s };
    options.instanceDirectory = m_dir->filePath(u"run"_s);
    options.instanceKey = u"org.dartline.Dartline-tray"_s;
    const QString storePath = m_dir->filePath(u"store.ini"_s);
    options.makeStore = [storePath] { return std::make_unique<QSettings>(storePath, QSettings::IniFormat); };
    auto tray = std::make_unique<TrayApplication>(options);
    if (tray->launch() != TrayApplication::Launch::Running)
        return nullptr;
    return tray;
}

void TestTrayIcon::visibleOnEveryPanel_data()
{
    QTest::addColumn<QColor>("panel");
    QTest::addColumn<QByteArray>("theme");
    QTest::addColumn<bool>("dark");
    const QList<std::pair<const char *, QColor>> panels { { "black", QColor(0, 0, 0) },
        { "white", QColor(255, 255, 255) }, { "grey", QColor(0x80, 0x80, 0x80) } };
    for (const auto &[name, colour] : panels) {
        QTest::addRow("%s panel, light theme", name) << colour << QByteArray("Adwaita") << false;
        QTest::addRow("%s panel, dark theme", name) << colour << QByteArray("Adwaita-dark") << true;
    }
}

void TestTrayIcon::visibleOnEveryPanel()
{
    QFETCH(QColor, panel);
    QFETCH(QByteArray, theme);
    QFETCH(bool, dark);
    ThemeDaemon daemon;
    daemon.publishTheme(theme);
    QVERIFY(startTray(panel));
    const auto tray = makeApplication();
    QVERIFY(tray);
    QTRY_COMPARE(ThemeMonitor::instance().isDark(), dark);
    QTRY_VERIFY_WITH_TIMEOUT(XWindows::docked(server().displayName(), QCoreApplication::applicationName()), 5000);

    // What the screen shows of the panel, until the icon reaches the mark or
    // the deadline passes.
    const QRect area(0, 0, 120, 40);
    double measured = 1.0;
    QImage shot;
    const QDeadlineTimer deadline(5000);
    do {
        QTest::qWait(50);
        shot = XTestClient::rootImage(m_x, area);
        QVERIFY(!shot.isNull());
        // The panel is where the icon is not: its corner.
        QCOMPARE(shot.pixel(1, 1) & 0xffffff, panel.rgb() & 0xffffff);
        measured = iconContrast(shot, panel.rgb(), 50);
    } while (measured < 3.0 && !deadline.hasExpired());
    qInfo("contrast %.2f:1", measured);
    if (measured < 3.0)
        shot.save(QDir::temp().filePath(u"tst_trayicon-%1.png"_s.arg(QString::fromLatin1(QTest::currentDataTag()))));
    QVERIFY2(measured >= 3.0, qPrintable(u"the icon reaches only %1:1 against the panel"_s.arg(measured, 0, 'f', 2)));
}

void TestTrayIcon::followsTheDesktopLive()
{
    QVERIFY(startTray(QColor(0x80, 0x80, 0x80)));
    const auto tray = makeApplication();
    QVERIFY(tray);
    std::unique_ptr<ThemeDaemon> daemon;

    // Each step changes the desktop the way its own tool does; the
    // appearance (windows and icon) follows without a restart. The
    // application palette stays light throughout.
    struct Step
    {
        const char *what;
        std::function<void()> change;
        bool dark;
    };
    const QList<Step> steps {
        { "no settings daemon, no portal preference", [] {}, false },
        { "a settings daemon starts, dark theme",
            [&] { (daemon = std::make_unique<ThemeDaemon>())->publishTheme("Adwaita-dark"); }, true },
        { "the theme switches to light", [&] { daemon->publishTheme("Adwaita"); }, false },
        { "and back to dark", [&] { daemon->publishTheme("Greybird-DARK"); }, true },
        { "another daemon replaces it, light theme",
            [&] { (daemon = std::make_unique<ThemeDaemon>())->publishTheme("Adwaita"); }, false },
        { "which switches to dark", [&] { daemon->publishTheme("Adwaita-dark"); }, true },
        { "the daemon quits", [&] { daemon.reset(); }, false },
        { "a daemon starts again, dark",
            [&] { (daemon = std::make_unique<ThemeDaemon>())->publishTheme("Adwaita-dark"); }, true },
        { "the portal prefers light", [&] { m_portal->setScheme(2); }, false },
        { "the portal prefers dark",
            [&] {
                daemon->publishTheme("Adwaita");
                m_portal->setScheme(1);
            },
            true },
        { "the portal prefers light again", [&] { m_portal->setScheme(2); }, false },
        { "the portal has no preference: the daemon decides",
            [&] {
                daemon->publishTheme("Adwaita-dark");
                m_portal->setScheme(0);
            },
            true },
    };
    for (const Step &step : steps) {
        step.change();
        QTRY_VERIFY2(ThemeMonitor::instance().isDark() == step.dark, step.what);
        QVERIFY2(DartlineTheme::isDark() == step.dark, step.what);
        QTRY_VERIFY2(glyphInk(tray->trayIcon()->icon()) == TrayGlyph::ink(step.dark).rgba(), step.what);
    }
}

DARTLINE_X11_TEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
