// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/GnomeCursorPlatform.h"

#include "platform/wayland/GnomeDisplayPlatform.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Dartline {

namespace {

const QString RemoteDesktop = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
const QString ScreenCast = QStringLiteral("org.gnome.Mutter.ScreenCast");

QDBusMessage call(const QDBusConnection &bus, const QString &service, const QString &path, const QString &interface,
    const QString &method, const QVariantList &arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message);
}

QString objectPath(const QDBusMessage &reply)
{
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
        ? reply.arguments().constFirst().value<QDBusObjectPath>().path()
        : QString();
}

} // namespace

GnomeCursorPlatform::GnomeCursorPlatform(GnomeDisplayPlatform &displays, const QDBusConnection &bus,
    CursorPlatform *fallback, std::chrono::milliseconds idle, PortalUse portalUse, const QString &tokenFile)
    : CompositorCursorPlatform(fallback)
    , m_displays(displays)
    , m_bus(bus)
    , m_portalUse(portalUse)
    , m_portal(bus, tokenFile)
{
    connect(&m_portal, &RemoteDesktopPortal::opened, this, &GnomeCursorPlatform::portalOpened);
    connect(&m_portal, &RemoteDesktopPortal::refused, this, &GnomeCursorPlatform::portalRefused);
    m_idle.setSingleShot(true);
    m_idle.setInterval(idle);
    connect(&m_idle, &QTimer::timeout, this, &GnomeCursorPlatform::close);
}

GnomeCursorPlatform::~GnomeCursorPlatform()
{
    close();
}

bool GnomeCursorPlatform::open()
{
    const QString session = objectPath(call(m_bus, RemoteDesktop, QStringLiteral("/org/gnome/Mutter/RemoteDesktop"),
        RemoteDesktop, QStringLiteral("CreateSession")));
    QDBusMessage failure;
    if (!session.isEmpty()) {
        m_session = session;
        m_bus.connect(RemoteDesktop, m_session, RemoteDesktop + QStringLiteral(".Session"), QStringLiteral("Closed"),
            this, SLOT(sessionClosed()));
        const QDBusMessage id = call(m_bus, RemoteDesktop, m_session, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"), { RemoteDesktop + QStringLiteral(".Session"), QStringLiteral("SessionId") });
        const QString screenCast = id.arguments().isEmpty()
            ? QString()
            : objectPath(call(m_bus, ScreenCast, QStringLiteral("/org/gnome/Mutter/ScreenCast"), ScreenCast,
                QStringLiteral("CreateSession"),
                { QVariantMap { { QStringLiteral("remote-desktop-session-id"),
                    id.arguments().constFirst().value<QDBusVariant>().variant() } } }));
        for (const GnomeDisplayPlatform::Monitor &monitor : m_displays.monitors()) {
            if (!monitor.active || screenCast.isEmpty())
                continue;
            const QString stream
                = objectPath(call(m_bus, ScreenCast, screenCast, ScreenCast + QStringLiteral(".Session"),
                    QStringLiteral("RecordMonitor"), { monitor.connector, QVariantMap() }));
            if (!stream.isEmpty())
                m_streams.insert(monitor.connector, stream);
        }
        failure = call(
            m_bus, RemoteDesktop, m_session, RemoteDesktop + QStringLiteral(".Session"), QStringLiteral("Start"));
        if (failure.type() == QDBusMessage::ReplyMessage)
            return true;
        close();
    }
    if (!m_refusalLogged) {
        m_refusalLogged = true;
        qWarning("mutter did not let Dartline move the pointer (%s). Its remote-desktop session records the "
                 "monitors through PipeWire: start PipeWire (systemctl --user start pipewire) and jump again.",
            qUtf8Printable(failure.errorMessage().isEmpty() ? QStringLiteral("no remote-desktop session")
                                                            : failure.errorMessage()));
    }
    return false;
}

void GnomeCursorPlatform::close()
{
    m_idle.stop();
    if (!m_pending)
        m_portal.close();
    m_streams.clear();
    if (m_session.isEmpty())
        return;
    m_bus.disconnect(RemoteDesktop, m_session, RemoteDesktop + QStringLiteral(".Session"), QStringLiteral("Closed"),
        this, SLOT(sessionClosed()));
    // Stopping the remote-desktop session stops the screen cast tied to it.
    QDBusMessage stop = QDBusMessage::createMethodCall(
        RemoteDesktop, m_session, RemoteDesktop + QStringLiteral(".Session"), QStringLiteral("Stop"));
    stop.setAutoStartService(false);
    m_bus.send(stop);
    m_session.clear();
}

void GnomeCursorPlatform::sessionClosed()
{
    m_session.clear();
    close();
}

CursorPlatform::Route GnomeCursorPlatform::route()
{
    if (usesPortal())
        return Route::DesktopPortal;
    // mutter records the monitors for the session through PipeWire, and
    // refuses the session without it. Whether PipeWire answers is asked of
    // its socket: one that stopped leaves the file behind.
    const QString name = qEnvironmentVariable("PIPEWIRE_REMOTE", QStringLiteral("pipewire-0"));
    const QByteArray path = QFile::encodeName(
        QDir::isAbsolutePath(name) ? name : QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath(name));
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return Route::ScreenSharingWithoutPipeWire;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // A local connect is answered at once: accepted, or refused with no one listening.
    const bool running = fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return running ? Route::ScreenSharingReady : Route::ScreenSharingWithoutPipeWire;
}

int GnomeCursorPlatform::warp(const QPointF &point)
{
    const GnomeDisplayPlatform::Monitor *target = nullptr;
    for (const GnomeDisplayPlatform::Monitor &monitor : m_displays.monitors()) {
        const QRectF box(monitor.bounds);
        if (monitor.active && !monitor.mirrors && point.x() >= box.left() && point.y() >= box.top()
            && point.x() < box.right() && point.y() < box.bottom()) {
            target = &monitor;
            break;
        }
    }
    if (!target)
        return NoOutput;
    if (usesPortal())
        return warpThroughPortal(point);
    // A session mutter ended meanwhile, or one without a stream of the
    // monitor (it came later), is opened again once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (m_session.isEmpty() && !open())
            return WarpNotAllowed;
        const QDBusMessage reply = call(m_bus, RemoteDesktop, m_session, RemoteDesktop + QStringLiteral(".Session"),
            QStringLiteral("NotifyPointerMotionAbsolute"),
            { m_streams.value(target->connector), (point.x() - target->bounds.left()) * target->streamScale,
                (point.y() - target->bounds.top()) * target->streamScale });
        if (reply.type() == QDBusMessage::ReplyMessage) {
            m_idle.start();
            moved(point);
            return 0;
        }
        close();
    }
    return WarpNotAllowed;
}

int GnomeCursorPlatform::warpThroughPortal(const QPointF &point)
{
    if (m_portal.isOpen()) {
        if (m_portal.move(point)) {
            m_idle.start();
            moved(point);
            return 0;
        }
        m_portal.close(); // the desktop ended the session meanwhile: ask for another
    }
    if (!m_portal.isOpening())
        m_portal.open();
    if (!m_portal.isOpening())
        return WarpRefused; // said why in the log
    // While the desktop asks, a later jump replaces the earlier one.
    m_pending = point;
    return WarpPending;
}

void GnomeCursorPlatform::portalOpened()
{
    m_idle.start();
    if (!m_pending)
        return;
    const QPointF point = *std::exchange(m_pending, std::nullopt);
    const bool landed = m_portal.move(point);
    if (landed)
        moved(point);
    settleWarp(point, landed ? 0 : WarpRefused);
}

void GnomeCursorPlatform::portalRefused(const QString &why)
{
    qWarning("The desktop did not let Dartline move the pointer: %s.", qUtf8Printable(why));
    if (const std::optional<QPointF> point = std::exchange(m_pending, std::nullopt))
        settleWarp(*point, WarpRefused);
}

} // namespace Dartline
