// SPDX-License-Identifier: GPL-3.0-or-later
// The GNOME backend against a real headless mutter with PipeWire on a private session bus; the pointer is read
// back through mutter's XWayland. GNOME's custom keybindings go to a private GSettings key file.
#include "core/Shortcut.h"
#include "displays/DisplayService.h"
#include "platform/wayland/GnomeCursorPlatform.h"
#include "platform/wayland/GnomeCustomKeybindings.h"
#include "platform/wayland/GnomeDisplayPlatform.h"
#include "platform/wayland/PortalHotKeyPlatform.h"
#include "tests/app/DartlineProcess.h"
#include "tests/harness/TestEdid.h"
#include "tests/harness/XTestClient.h"
#include "tests/platform/wayland/PrivateCompositor.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdlib>

using namespace Dartline;
using namespace Qt::StringLiterals;

using Entries = QList<GnomeCustomKeybindings::Entry>;
Q_DECLARE_METATYPE(Shortcut)
Q_DECLARE_METATYPE(Entries)

namespace {

const QString MediaKeys = u"org.gnome.settings-daemon.plugins.media-keys"_s;
const QString Custom = u"/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/"_s;

// mutter 43 headless (Meta-0, Meta-1: 1280x720 side by side) with XWayland and PipeWire.
struct MutterServer : PrivateCompositor::Session
{
    MutterServer()
        : Session(u"mutter"_s)
    { }
    QString xAuthority;

    // Empty on success, else mutter's log.
    QString start()
    {
        QProcessEnvironment environment = PrivateCompositor::environment(dir.path());
        environment.insert(u"XDG_CONFIG_HOME"_s, path(u"config"_s));
        environment.insert(u"GSETTINGS_BACKEND"_s, u"memory"_s);
        // The desktop portal the bus starts takes its remote desktop from this test's back end.
        QDir(dir.path()).mkdir(u"portals"_s);
        QFile portal(path(u"portals/dartlinetest.portal"_s));
        if (!portal.open(QIODevice::WriteOnly)
            || portal.write("[portal]\nDBusName=org.freedesktop.impl.portal.desktop.dartlinetest\nInterfaces="
                            "org.freedesktop.impl.portal.RemoteDesktop;org.freedesktop.impl.portal.ScreenCast;"
                            "org.freedesktop.impl.portal.GlobalShortcuts;\n"
                            "UseIn=dartlinetest\n")
                < 0)
            return u"cannot write the portal's back-end file"_s;
        portal.close();
        environment.insert(u"XDG_DESKTOP_PORTAL_DIR"_s, path(u"portals"_s));
        environment.insert(u"XDG_CURRENT_DESKTOP"_s, u"dartlinetest"_s);
        startBus(environment);
        pipewire.start(u"pipewire"_s, {});
        compositor.start(u"mutter"_s,
            { u"--headless"_s, u"--wayland"_s, u"--wayland-display"_s, u"wayland-0"_s, u"--virtual-monitor"_s,
                u"1280x720"_s, u"--virtual-monitor"_s, u"1280x720"_s });
        static const QRegularExpression displayLine(u"Using public X11 display (:\\d+)"_s);
        const bool started = QTest::qWaitFor(
            [&] {
                xDisplay = displayLine.match(log()).captured(1);
                return compositor.state() == QProcess::NotRunning
                    || (!xDisplay.isEmpty() && QFile::exists(path(u"pipewire-0"_s))
                        && QDBusConnection::connectToBus(busAddress(), u"ready"_s)
                               .interface()
                               ->isServiceRegistered(u"org.gnome.Mutter.RemoteDesktop"_s));
            },
            15000);
        const QStringList auth
            = QDir(dir.path()).entryList({ u".mutter-Xwaylandauth.*"_s }, QDir::Files | QDir::Hidden);
        if (started && !xDisplay.isEmpty() && !auth.isEmpty()) {
            xAuthority = path(auth.constFirst());
            return {};
        }
        return u"mutter did not start:\n"_s + log();
    }
};

// The user's settings as GNOME's own tools see them: through the gsettings program, on the same key file.
QString gsettings(const QStringList &arguments)
{
    QProcess process;
    process.start(u"gsettings"_s, arguments);
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput().trimmed());
}

// A stream or a shortcut as the portal's back end describes it: its id and its properties.
using PortalStream = std::pair<uint, QVariantMap>;
using PortalShortcut = std::pair<QString, QVariantMap>;

// The desktop's side of the portal, behind the real xdg-desktop-portal: a remote desktop sharing both monitors,
// which moves mutter's pointer through mutter's own service. `answer` is the user's: 0 allows, 1 refuses.
class PortalBackend : public QObject
{
    Q_OBJECT
public:
    CursorPlatform *mutter = nullptr;
    uint answer = 0;
    QList<QStringList> bound; // each binding's shortcuts: id=preferred keys
};

class RemoteDesktopBackend : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.RemoteDesktop")
    Q_PROPERTY(uint AvailableDeviceTypes READ devices)
    Q_PROPERTY(uint version READ version)
public:
    explicit RemoteDesktopBackend(PortalBackend *backend)
        : QDBusAbstractAdaptor(backend)
        , m_backend(backend)
    { }
    uint devices() const { return 7; } // keyboard, pointer, touch
    uint version() const { return 1; }

public Q_SLOTS:
    uint CreateSession(
        const QDBusObjectPath &, const QDBusObjectPath &, const QString &, const QVariantMap &, QVariantMap &)
    {
        return 0;
    }
    uint SelectDevices(
        const QDBusObjectPath &, const QDBusObjectPath &, const QString &, const QVariantMap &, QVariantMap &)
    {
        return 0;
    }
    uint Start(const QDBusObjectPath &, const QDBusObjectPath &, const QString &, const QString &, const QVariantMap &,
        QVariantMap &results)
    {
        QList<PortalStream> streams;
        for (int i = 0; i < 2; ++i)
            streams.append(
                { uint(40 + i), { { u"position"_s, QPoint(1280 * i, 0) }, { u"size"_s, QSize(1280, 720) } } });
        results = { { u"devices"_s, 2U }, { u"streams"_s, QVariant::fromValue(streams) } };
        return m_backend->answer;
    }
    void NotifyPointerMotionAbsolute(const QDBusObjectPath &, const QVariantMap &, uint stream, double x, double y)
    {
        m_backend->mutter->warp(QPointF(1280 * (stream - 40) + x, y));
    }

private:
    PortalBackend *m_backend;
};

class GlobalShortcutsBackend : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    explicit GlobalShortcutsBackend(PortalBackend *backend)
        : QDBusAbstractAdaptor(backend)
        , m_backend(backend)
    { }
    uint version() const { return 1; }

public Q_SLOTS:
    uint CreateSession(const QDBusObjectPath &, const QDBusObjectPath &created, const QString &, const QVariantMap &,
        QVariantMap &results)
    {
        session = created;
        results.insert(u"shortcuts"_s, QVariant::fromValue(QList<PortalShortcut>())); // none bound before
        return 0;
    }
    // Spelt out: the bus finds a slot by the names of its argument types.
    uint BindShortcuts(const QDBusObjectPath &, const QDBusObjectPath &,
        const QList<std::pair<QString, QVariantMap>> &shortcuts, const QString &, const QVariantMap &,
        QVariantMap &results)
    {
        QStringList bound;
        QList<PortalShortcut> taken;
        for (const auto &[id, properties] : shortcuts) {
            bound.append(id + u'=' + properties.value(u"preferred_trigger"_s).toString());
            taken.append({ id, { { u"trigger_description"_s, properties.value(u"preferred_trigger"_s) } } });
        }
        m_backend->bound.append(bound);
        results.insert(u"shortcuts"_s, QVariant::fromValue(taken));
        return m_backend->answer;
    }

Q_SIGNALS:
    void Activated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp, const QVariantMap &options);

public:
    QDBusObjectPath session;

private:
    PortalBackend *m_backend;
};

class ScreenCastBackend : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.ScreenCast")
    Q_PROPERTY(uint AvailableSourceTypes READ one)
    Q_PROPERTY(uint AvailableCursorModes READ one)
    Q_PROPERTY(uint version READ one)
public:
    explicit ScreenCastBackend(PortalBackend *backend)
        : QDBusAbstractAdaptor(backend)
    { }
    uint one() const { return 1; }

public Q_SLOTS:
    uint SelectSources(
        const QDBusObjectPath &, const QDBusObjectPath &, const QString &, const QVariantMap &, QVariantMap &)
    {
        return 0;
    }
};

} // namespace

// A newer portal than Debian 12's, which restores remote-desktop sessions (version 2), standing in on a bus and a
// thread of its own, since the client waits for its answers. It grants every request, hands out a new token at each
// start and tells what each session asked and where it moved the pointer.
class RestoringPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.RemoteDesktop")
    Q_PROPERTY(uint version READ version)
public:
    uint version() const { return 2; }

Q_SIGNALS:
    void asked(const QString &what);

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap &options)
    {
        return respond(options, { { u"session_handle"_s, u"/org/freedesktop/portal/desktop/session/dartline"_s } });
    }
    QDBusObjectPath SelectDevices(const QDBusObjectPath &, const QVariantMap &options)
    {
        Q_EMIT asked(u"persist %1, token '%2'"_s.arg(options.value(u"persist_mode"_s).toUInt())
                         .arg(options.value(u"restore_token"_s).toString()));
        return respond(options, {});
    }
    QDBusObjectPath SelectSources(const QDBusObjectPath &, const QVariantMap &options) { return respond(options, {}); }
    QDBusObjectPath Start(const QDBusObjectPath &, const QString &, const QVariantMap &options)
    {
        const QList<PortalStream> streams { { 41,
            { { u"position"_s, QPoint(1280, 0) }, { u"size"_s, QSize(1280, 720) } } } };
        return respond(options,
            { { u"devices"_s, 2U }, { u"streams"_s, QVariant::fromValue(streams) },
                { u"restore_token"_s, u"token-%1"_s.arg(++m_starts) } });
    }
    void NotifyPointerMotionAbsolute(const QDBusObjectPath &, const QVariantMap &, uint stream, double x, double y)
    {
        Q_EMIT asked(u"move %1 %2,%3"_s.arg(stream).arg(x).arg(y));
    }

private:
    // The request's answer, once its handle is returned.
    QDBusObjectPath respond(const QVariantMap &options, const QVariantMap &results)
    {
        QString sender = message().service().mid(1);
        sender.replace(u'.', u'_');
        const QString path = u"/org/freedesktop/portal/desktop/request/%1/%2"_s.arg(
            sender, options.value(u"handle_token"_s).toString());
        QMetaObject::invokeMethod(
            this,
            [bus = connection(), service = message().service(), path, results] {
                bus.send(QDBusMessage::createTargetedSignal(
                             service, path, u"org.freedesktop.portal.Request"_s, u"Response"_s)
                    << 0U << results);
            },
            Qt::QueuedConnection);
        return QDBusObjectPath(path);
    }
    int m_starts = 0;
};

// The screen-cast half of the same portal: the session shares its monitors.
class RestoringScreenCast : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.ScreenCast")
public:
    explicit RestoringScreenCast(RestoringPortal *portal)
        : QDBusAbstractAdaptor(portal)
        , m_portal(portal)
    { }

public Q_SLOTS:
    QDBusObjectPath SelectSources(const QDBusObjectPath &session, const QVariantMap &options)
    {
        return m_portal->SelectSources(session, options);
    }

private:
    RestoringPortal *m_portal;
};

class TestGnomePlatform : public QObject
{
    Q_OBJECT

    MutterServer m_server;
    QTemporaryDir m_config;
    std::unique_ptr<GnomeDisplayPlatform> m_displays;
    std::unique_ptr<GnomeCursorPlatform> m_cursor;
    std::unique_ptr<XTestClient> m_x; // over XWayland, with a window over the layout
    PortalBackend m_portal;
    GlobalShortcutsBackend *m_shortcuts = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        for (const QString &program : { u"mutter"_s, u"pipewire"_s, u"dbus-daemon"_s, u"gsettings"_s }) {
            if (QStandardPaths::findExecutable(program).isEmpty())
                QSKIP(qPrintable(program + u" is not installed"_s));
        }
        QCOMPARE(m_server.start(), QString());
        // The platform chosen later takes the session bus; GSettings a key file of this test's.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_server.busAddress().toLocal8Bit());
        qputenv("XAUTHORITY", m_server.xAuthority.toLocal8Bit());
        qputenv("GSETTINGS_BACKEND", "keyfile");
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        const QDBusConnection bus = QDBusConnection::connectToBus(m_server.busAddress(), u"mutter"_s);
        m_displays = std::make_unique<GnomeDisplayPlatform>(bus);
        QVERIFY(m_displays->isValid());
        m_cursor = std::make_unique<GnomeCursorPlatform>(*m_displays, bus, nullptr, std::chrono::milliseconds(300));
        // On the bus before anything starts the portal, which looks for its back ends once.
        qDBusRegisterMetaType<PortalStream>();
        qDBusRegisterMetaType<QList<PortalStream>>();
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
        new RemoteDesktopBackend(&m_portal);
        new ScreenCastBackend(&m_portal);
        m_shortcuts = new GlobalShortcutsBackend(&m_portal);
        m_portal.mutter = m_cursor.get();
        QDBusConnection backend = QDBusConnection::connectToBus(m_server.busAddress(), u"backend"_s);
        QVERIFY(
            backend.registerObject(u"/org/freedesktop/portal/desktop"_s, &m_portal, QDBusConnection::ExportAdaptors));
        QVERIFY(backend.registerService(u"org.freedesktop.impl.portal.desktop.dartlinetest"_s));
        // Taken, so that the portal does not start its document store, a file system mounted in the test's folder.
        QVERIFY(backend.registerService(u"org.freedesktop.portal.Documents"_s));
        // The portal asks its back ends what they offer as it starts; this thread answers, so it waits here.
        const QDBusPendingCall started
            = bus.asyncCall(QDBusMessage::createMethodCall(u"org.freedesktop.portal.Desktop"_s,
                u"/org/freedesktop/portal/desktop"_s, u"org.freedesktop.DBus.Peer"_s, u"Ping"_s));
        QVERIFY(QTest::qWaitFor([&] { return started.isFinished(); }, 10000) && !started.isError());

        m_x = std::make_unique<XTestClient>(m_server.xDisplay);
        QVERIFY(m_x->coverScreen());
        QTRY_VERIFY_WITH_TIMEOUT(m_cursor->warp(QPointF(7, 9)) == 0 && m_x->pointer() == QPoint(7, 9), 5000);

        // Someone's own custom keybinding, set before Dartline writes any.
        gsettings({ u"set"_s, MediaKeys, u"custom-keybindings"_s, u"['%1custom0/']"_s.arg(Custom) });
        gsettings(
            { u"set"_s, MediaKeys + u".custom-keybinding:"_s + Custom + u"custom0/"_s, u"command"_s, u"'terminal'"_s });
    }

    void init() { m_portal.answer = 0; }

    void warpLandsExactly_data()
    {
        QTest::addColumn<QPointF>("target");
        QTest::addColumn<int>("result");
        QTest::newRow("centre of Meta-0") << QPointF(640, 360) << 0;
        QTest::newRow("near Meta-1's corner") << QPointF(2558, 719) << 0;
        QTest::newRow("beyond the layout") << QPointF(2560, 360) << int(GnomeCursorPlatform::NoOutput);
    }
    void warpLandsExactly()
    {
        QFETCH(QPointF, target);
        QFETCH(int, result);
        const std::optional<QPoint> before = m_x->pointer();
        QCOMPARE(m_cursor->warp(target), result);
        QTRY_COMPARE_WITH_TIMEOUT(m_x->pointer(), result == 0 ? target.toPoint() : before, 5000);
        // Once jumps stop the session ends; the next jump opens another.
        QTRY_VERIFY_WITH_TIMEOUT(!m_cursor->hasSession(), 5000);
    }

    // The portal here restores no remote-desktop session, so it would ask before every run of jumps: mutter's own
    // service stays in use. Its route, asked for, lands where the desktop allows it.
    void throughThePortal_data()
    {
        QTest::addColumn<uint>("answer");
        QTest::newRow("allowed") << 0U;
        QTest::newRow("refused") << 1U;
    }
    void throughThePortal()
    {
        QFETCH(uint, answer);
        QVERIFY(m_cursor->route() != CursorPlatform::Route::DesktopPortal);
        m_portal.answer = answer;
        GnomeCursorPlatform cursor(*m_displays, QDBusConnection(u"mutter"_s), nullptr, std::chrono::milliseconds(300),
            GnomeCursorPlatform::PortalUse::Always, m_config.filePath(u"token"_s));
        QCOMPARE(cursor.route(), CursorPlatform::Route::DesktopPortal);
        std::optional<int> settled;
        cursor.onWarpSettled([&](const QPointF &, int code) { settled = code; });
        const std::optional<QPoint> before = m_x->pointer();
        if (answer)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"move the pointer: permission was not given"_s));
        QCOMPARE(cursor.warp(QPointF(1900, 100)), CursorPlatform::WarpPending);
        QTRY_VERIFY_WITH_TIMEOUT(settled, 5000);
        QCOMPARE(*settled, answer ? CursorPlatform::WarpRefused : 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_x->pointer(), answer ? before : QPoint(1900, 100), 5000);
        if (answer)
            return;
        // The session stays for the next jump, which lands at once, until jumps stop.
        QCOMPARE(cursor.warp(QPointF(300, 400)), 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_x->pointer(), QPoint(300, 400), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!cursor.hasSession(), 5000);
    }

    // The desktop binds the shortcuts Dartline proposes, all at once, and reports their presses; or refuses them.
    void shortcutsThroughThePortal()
    {
        const QDBusConnection bus(u"mutter"_s);
        QVERIFY(PortalHotKeyPlatform::isAvailable(bus));
        PortalHotKeyPlatform keys(bus);
        QList<quint32> pressed;
        std::optional<HotKeyStatus> refused;
        keys.onRefused([&](HotKeyStatus status) { refused = status; });
        QVERIFY(keys.installHandler([&](const HotKeyId &id) {
            pressed.append(id.id);
            return HotKeyStatus::NoError;
        }));
        m_portal.bound.clear();
        m_portal.answer = 0;
        HotKeyPlatform::Ref alt1 = 0, other = 0;
        QCOMPARE(keys.registerHotKey(Shortcut(18, Shortcut::Alt), HotKeyId { 7 }, &alt1), HotKeyStatus::NoError);
        QCOMPARE(keys.registerHotKey(Shortcut(42, Shortcut::Control | Shortcut::Super), HotKeyId { 8 }, &other),
            HotKeyStatus::NoError);
        QCOMPARE(keys.registerHotKey(Shortcut(0xffff, Shortcut::Alt), HotKeyId { 9 }, &other), HotKeyStatus::NoKeyCode);
        const QStringList both { u"ALT+1=ALT+1"_s, u"CTRL+LOGO+backslash=CTRL+LOGO+backslash"_s };
        QTRY_COMPARE_WITH_TIMEOUT(m_portal.bound, QList<QStringList> { both }, 5000);

        Q_EMIT m_shortcuts->Activated(m_shortcuts->session, u"ALT+1"_s, 0, {});
        QTRY_COMPARE_WITH_TIMEOUT(pressed, QList<quint32> { 7 }, 5000);
        // A press in another program's session is not Dartline's.
        Q_EMIT m_shortcuts->Activated(
            QDBusObjectPath(u"/org/freedesktop/portal/desktop/session/x/y"_s), u"ALT+1"_s, 0, {});

        m_portal.answer = 1;
        keys.unregisterHotKey(alt1);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"did not bind Dartline's shortcuts"_s));
        QTRY_COMPARE_WITH_TIMEOUT(refused, HotKeyStatus::DesktopRefused, 5000);
        QCOMPARE(m_portal.bound.constLast(), QStringList { both[1] });
        QCOMPARE(pressed, QList<quint32> { 7 });
    }

    // The real program in the session chooses GNOME's routes: the portal's shortcuts (the portal here binds them, as
    // GNOME's does from 48 on), --jump and the bus's Jump land exactly, the tiles show on each monitor.
    // Where the portal restores sessions, jumps go through it: the desktop asks once, and each later session
    // brings the token the last one was given, kept where only the user reads it.
    void restoresTheSession()
    {
        QProcess bus;
        const QString address = u"unix:path="_s + m_config.filePath(u"restoring-bus"_s);
        bus.start(u"dbus-daemon"_s, { u"--session"_s, u"--nofork"_s, u"--address="_s + address });
        QVERIFY(QTest::qWaitFor(
            [&] {
                QDBusConnection::disconnectFromBus(u"restoring"_s); // a failed try stays under its name
                return QDBusConnection::connectToBus(address, u"restoring"_s).isConnected();
            },
            5000));
        const QDBusConnection client(u"restoring"_s);
        QThread thread;
        auto *portal = new RestoringPortal; // goes with its thread
        new RestoringScreenCast(portal);
        connect(&thread, &QThread::finished, portal, &QObject::deleteLater);
        QStringList asked;
        connect(portal, &RestoringPortal::asked, this, [&](const QString &what) { asked.append(what); });
        portal->moveToThread(&thread);
        thread.start();
        QDBusConnection server = QDBusConnection::connectToBus(address, u"restoring-portal"_s);
        QVERIFY(server.registerObject(u"/org/freedesktop/portal/desktop"_s, portal,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties | QDBusConnection::ExportAdaptors));
        QVERIFY(server.registerService(u"org.freedesktop.portal.Desktop"_s));

        const QString token = m_config.filePath(u"state/dartline/token"_s);
        GnomeCursorPlatform cursor(*m_displays, client, nullptr, std::chrono::milliseconds(300),
            GnomeCursorPlatform::PortalUse::WhenItRemembers, token);
        QCOMPARE(cursor.route(), CursorPlatform::Route::DesktopPortal);
        std::optional<int> settled;
        cursor.onWarpSettled([&](const QPointF &, int code) { settled = code; });
        for (int session = 1; session <= 2; ++session) {
            settled.reset();
            QCOMPARE(cursor.warp(QPointF(1900, 100)), CursorPlatform::WarpPending);
            QTRY_COMPARE_WITH_TIMEOUT(settled, 0, 5000);
            QTRY_VERIFY_WITH_TIMEOUT(!cursor.hasSession(), 5000);
        }
        QTRY_COMPARE(asked,
            (QStringList { u"persist 2, token ''"_s, u"move 41 620,100"_s, u"persist 2, token 'token-1'"_s,
                u"move 41 620,100"_s }));
        QFile kept(token);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), "token-2");
        QCOMPARE(kept.permissions()
                & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser),
            QFileDevice::Permissions());
        server.unregisterObject(u"/org/freedesktop/portal/desktop"_s);
        thread.quit();
        thread.wait();
        bus.kill();
        bus.waitForFinished();
    }

    void programInTheSession()
    {
        DartlineProcess dartline;
        dartline.joinSession(m_server.path(u"wayland-0"_s), m_server.xDisplay, m_server.busAddress());
        for (const char *name : { "XAUTHORITY", "GSETTINGS_BACKEND" })
            dartline.environment.insert(QString::fromLatin1(name), qEnvironmentVariable(name));
        DartlineProcess jump(&dartline.environment);
        QVERIFY(dartline.writeStore());
        dartline.start();
        QVERIFY(dartline.waitForLine());
        // Its shortcuts went to the portal; the desktop presses one.
        QTRY_VERIFY_WITH_TIMEOUT(
            !m_portal.bound.isEmpty() && m_portal.bound.constLast().contains(u"ALT+2=ALT+2"_s), 5000);
        Q_EMIT m_shortcuts->Activated(m_shortcuts->session, u"ALT+2"_s, 0, {});
        QTRY_COMPARE_WITH_TIMEOUT(m_x->pointer(), QPoint(1920, 360), 5000);
        jump.start({ u"--jump"_s, u"1"_s });
        QVERIFY(jump.ends());
        QTRY_COMPARE_WITH_TIMEOUT(m_x->pointer(), QPoint(640, 360), 5000);

        QDBusInterface service(u"org.dartline.Dartline"_s, u"/org/dartline/Dartline"_s, u"org.dartline.Dartline"_s,
            QDBusConnection::connectToBus(m_server.busAddress(), u"mutter"_s));
        qDBusRegisterMetaType<QList<QVariantMap>>();
        const QDBusReply<QList<QVariantMap>> listing = service.call(u"Displays"_s);
        QVERIFY(listing.isValid() && listing.value().size() == 2);
        for (int i = 0; i < 2; ++i) {
            const QVariantMap display = listing.value().at(i);
            QCOMPARE(display.value(u"x"_s), 1280 * i);
            // The ids are the monitors' own: another look finds the same.
            QCOMPARE(display.value(u"id"_s).toString(), DisplayService::connected(*m_displays).at(i).id);
            QVERIFY(!QUuid::fromString(display.value(u"id"_s).toString()).isNull());
        }
        QVERIFY(service.call(u"Jump"_s, listing.value().at(1).value(u"id"_s)).type() == QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(m_x->pointer(), QPoint(1920, 360), 5000);
        QCOMPARE(service.call(u"Jump"_s, u"nope"_s).errorName(), u"org.dartline.Dartline.Error.NoSuchDisplay"_s);

        // The tiles are X windows over XWayland's root, whose coordinates are the layout's: one viewable
        // tile-sized window centred on each monitor.
        QVERIFY(service.call(u"Identify"_s).type() == QDBusMessage::ReplyMessage);
        xcb_connection_t *x = xcb_connect(m_server.xDisplay.toLatin1().constData(), nullptr);
        const auto tileCentres = [x] {
            QSet<std::pair<int, int>> centres;
            const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
            xcb_query_tree_reply_t *tree = xcb_query_tree_reply(x, xcb_query_tree(x, root), nullptr);
            for (int i = 0; tree && i < xcb_query_tree_children_length(tree); ++i) {
                const xcb_window_t window = xcb_query_tree_children(tree)[i];
                auto *state = xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, window), nullptr);
                auto *box = xcb_get_geometry_reply(x, xcb_get_geometry(x, window), nullptr);
                if (state && box && state->map_state == XCB_MAP_STATE_VIEWABLE && box->width >= 180 && box->width < 400)
                    centres.insert({ box->x + box->width / 2, box->y + box->height / 2 });
                std::free(state);
                std::free(box);
            }
            std::free(tree);
            return centres;
        };
        QTRY_COMPARE(tileCentres(), (QSet<std::pair<int, int>> { { 640, 360 }, { 1920, 360 } }));
        xcb_disconnect(x);
    }

    void identityAsUnderX11_data()
    {
        QTest::addColumn<TestEdid>("edid");
        QTest::addColumn<QStringList>("texts"); // mutter's vendor, product and serial for that EDID
        QTest::addColumn<bool>("same");
        const TestEdid plain { u"DEL"_s, 0x4321, 0xabcd, {}, {} };
        QTest::newRow("codes only") << plain << QStringList { u"DEL"_s, u"0x4321"_s, u"0x0000abcd"_s } << true;
        QTest::newRow("no serial") << TestEdid { u"GSM"_s, 0x5b7f, 0, {}, {} }
                                   << QStringList { u"GSM"_s, u"0x5b7f"_s, u"0x00000000"_s } << true;
        QTest::newRow("a name hides the code") << TestEdid { u"DEL"_s, 0x4321, 0xabcd, u"DELL U2720Q"_s, {} }
                                               << QStringList { u"DEL"_s, u"DELL U2720Q"_s, u"0x0000abcd"_s } << false;
        QTest::newRow("a serial text hides the number") << TestEdid { u"DEL"_s, 0x4321, 0xabcd, {}, u"7XK2"_s }
                                                        << QStringList { u"DEL"_s, u"0x4321"_s, u"7XK2"_s } << false;
        QTest::newRow("no EDID") << plain << QStringList { u"unknown"_s, u"unknown"_s, u"unknown"_s } << false;
    }
    void identityAsUnderX11()
    {
        QFETCH(TestEdid, edid);
        QFETCH(QStringList, texts);
        QFETCH(bool, same);
        const std::optional<Edid> fromTexts = GnomeDisplayPlatform::edidFromTexts(texts[0], texts[1], texts[2]);
        QCOMPARE(fromTexts.has_value(), same);
        if (same)
            QCOMPARE(fromTexts->identity(u"DP-1"_s), Edid::parse(edid.bytes())->identity(u"DP-1"_s));
    }

    // A shortcut in GNOME's custom keybindings and as proposed to the portal.
    void accelerator_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<QString>("binding");
        QTest::addColumn<QString>("trigger");
        QTest::newRow("Ctrl+Alt+Q") << Shortcut(12, Shortcut::Control | Shortcut::Alt) << u"<Control><Alt>q"_s
                                    << u"CTRL+ALT+q"_s;
        QTest::newRow("Super+Shift+F1") << Shortcut(122, Shortcut::Super | Shortcut::Shift) << u"<Shift><Super>F1"_s
                                        << u"SHIFT+LOGO+F1"_s;
        QTest::newRow("Ctrl+Super+backslash") << Shortcut(42, Shortcut::Control | Shortcut::Super)
                                              << u"<Control><Super>backslash"_s << u"CTRL+LOGO+backslash"_s;
        QTest::newRow("no such key") << Shortcut(0xffff, Shortcut::Alt) << QString() << QString();
    }
    void accelerator()
    {
        QFETCH(Shortcut, shortcut);
        QFETCH(QString, binding);
        QFETCH(QString, trigger);
        QCOMPARE(GnomeCustomKeybindings::accelerator(shortcut), binding);
        QCOMPARE(PortalHotKeyPlatform::trigger(shortcut), trigger);
    }

    // Rows run in order on the same settings: each replaces what the one before wrote.
    void customKeybindings_data()
    {
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("command"); // the first entry's, as gsettings shows it
        QTest::newRow("three") << Entries { { u"ID-A"_s, u"<Alt>1"_s }, { u"ID-B"_s, u"<Alt>2"_s },
            { u"ID-C"_s, u"<Control><Alt>3"_s } }
                               << u"/usr/bin/dartline"_s << u"'/usr/bin/dartline --jump-id ID-A'"_s;
        QTest::newRow("fewer, in a path with a space")
            << Entries { { u"ID-B"_s, u"<Super>2"_s } } << u"/opt/my apps/dartline"_s
            << u"\"'/opt/my apps/dartline' --jump-id ID-B\""_s;
        QTest::newRow("all removed") << Entries {} << QString() << u"''"_s;
    }
    void customKeybindings()
    {
        QFETCH(Entries, entries);
        QFETCH(QString, program);
        QFETCH(QString, command);
        QString error;
        QVERIFY2(entries.isEmpty() ? GnomeCustomKeybindings::removeAll(&error)
                                   : GnomeCustomKeybindings::write(entries, program, &error),
            qPrintable(error));
        QCOMPARE(GnomeCustomKeybindings::read(), entries);
        // What GNOME's settings daemon reads: the foreign entry first and untouched, then Dartline's.
        QStringList paths { u"'%1custom0/'"_s.arg(Custom) };
        for (qsizetype i = 0; i < entries.size(); ++i)
            paths.append(u"'%1dartline-%2/'"_s.arg(Custom).arg(i + 1));
        QCOMPARE(gsettings({ u"get"_s, MediaKeys, u"custom-keybindings"_s }), u"[%1]"_s.arg(paths.join(u", "_s)));
        const QString relocatable = MediaKeys + u".custom-keybinding:"_s + Custom;
        QCOMPARE(gsettings({ u"get"_s, relocatable + u"custom0/"_s, u"command"_s }), u"'terminal'"_s);
        QCOMPARE(gsettings({ u"get"_s, relocatable + u"dartline-1/"_s, u"command"_s }), command);
        // Entries no longer written keep nothing behind.
        for (qsizetype i = entries.size(); i < 3; ++i)
            QCOMPARE(gsettings({ u"get"_s, relocatable + u"dartline-%1/"_s.arg(i + 1), u"command"_s }), u"''"_s);
    }

    // mutter's new layout reaches the displays, and the next jump uses streams of the new monitors.
    void followsNewLayout()
    {
        QSignalSpy changed(m_displays.get(), &DisplayPlatform::configurationChanged);
        QCOMPARE(m_cursor->warp(QPointF(10, 10)), 0);
        const QDBusMessage state
            = QDBusConnection(u"mutter"_s)
                  .call(QDBusMessage::createMethodCall(GnomeDisplayPlatform::Service,
                      u"/org/gnome/Mutter/DisplayConfig"_s, GnomeDisplayPlatform::Service, u"GetCurrentState"_s));
        QProcess gdbus; // Meta-1 goes below Meta-0
        gdbus.start(u"gdbus"_s,
            { u"call"_s, u"--session"_s, u"-d"_s, GnomeDisplayPlatform::Service, u"-o"_s,
                u"/org/gnome/Mutter/DisplayConfig"_s, u"-m"_s,
                GnomeDisplayPlatform::Service + u".ApplyMonitorsConfig"_s,
                QString::number(state.arguments().value(0).toUInt()), u"1"_s,
                u"[(0, 0, 1.0, 0, true, [('Meta-0', '1280x720@60.000', @a{sv} {})]), "
                "(0, 720, 1.0, 0, false, [('Meta-1', '1280x720@60.000', {})])]"_s,
                u"@a{sv} {}"_s });
        QVERIFY(gdbus.waitForFinished());
        QCOMPARE(gdbus.readAllStandardError(), QByteArray());
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, 5000);
        QCOMPARE(DisplayService::connected(*m_displays).at(1).bounds, QRectF(0, 720, 1280, 720));
        QCOMPARE(m_cursor->warp(QPointF(640, 1080)), 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_x->pointer(), QPoint(640, 1080), 5000);
    }

    // Runs last: it stops PipeWire.
    // The settings window says so before any jump: a PipeWire that stopped leaves its socket file behind.
    void refusedWithoutPipeWire()
    {
        qputenv("PIPEWIRE_REMOTE", m_server.path(u"pipewire-0"_s).toLocal8Bit());
        GnomeCursorPlatform cursor(*m_displays, QDBusConnection(u"mutter"_s), nullptr);
        QCOMPARE(cursor.route(), CursorPlatform::Route::ScreenSharingReady);
        m_server.pipewire.kill();
        m_server.pipewire.waitForFinished();
        QCOMPARE(cursor.route(), CursorPlatform::Route::ScreenSharingWithoutPipeWire);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"start PipeWire"_s));
        QCOMPARE(cursor.warp(QPointF(640, 360)), CursorPlatform::WarpNotAllowed);
        QVERIFY(!cursor.hasSession());
    }
};

QTEST_MAIN(TestGnomePlatform)

#include "tst_gnomeplatform.moc"
