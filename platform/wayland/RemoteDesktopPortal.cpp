// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/RemoteDesktopPortal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace Dartline {

namespace {

const QString RemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString ScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
const QString Session = QStringLiteral("org.freedesktop.portal.Session");
constexpr uint Pointer = 2; // device type
constexpr uint Monitor = 1; // source type
constexpr uint PersistUntilRevoked = 2;

// A variant of the portal's answer whose D-Bus type Qt leaves to the reader.
template<typename T> T unpack(const QVariant &value)
{
    return value.canConvert<QDBusArgument>() ? qdbus_cast<T>(value) : value.value<T>();
}

} // namespace

RemoteDesktopPortal::RemoteDesktopPortal(const QDBusConnection &bus, QString tokenFile)
    : m_requests(bus)
    , m_tokenFile(std::move(tokenFile))
{ }

RemoteDesktopPortal::~RemoteDesktopPortal()
{
    close();
}

QString RemoteDesktopPortal::defaultTokenFile()
{
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base = QDir::isAbsolutePath(state) ? state : QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/dartline/remote-desktop-token");
}

uint RemoteDesktopPortal::version()
{
    if (!m_version)
        m_version = m_requests.version(RemoteDesktop);
    return *m_version;
}

void RemoteDesktopPortal::open()
{
    if (m_open || isOpening())
        return;
    step(RemoteDesktop, QStringLiteral("CreateSession"), {},
        { { QStringLiteral("session_handle_token"), m_requests.token() } }, [this](const QVariantMap &created) {
            m_session = portalSessionHandle(created);
            if (m_session.isEmpty())
                return fail(QStringLiteral("the desktop opened no session"));
            m_requests.bus().connect(
                PortalRequests::Service, m_session, Session, QStringLiteral("Closed"), this, SLOT(sessionClosed()));
            selectDevices();
        });
}

void RemoteDesktopPortal::step(const QString &interface, const QString &method, QVariantList arguments,
    QVariantMap options, std::function<void(const QVariantMap &)> next)
{
    m_requests.ask(interface, method, std::move(arguments), std::move(options),
        [this, next = std::move(next)](uint response, const QVariantMap &results) {
            if (response == 0)
                next(results);
            else if (response == 1)
                fail(QStringLiteral("permission was not given"));
            else
                fail(
                    results.value(QStringLiteral("error"), QStringLiteral("the desktop ended the request")).toString());
        });
}

void RemoteDesktopPortal::selectDevices()
{
    const QVariant session = QVariant::fromValue(QDBusObjectPath(m_session));
    QVariantMap options { { QStringLiteral("types"), Pointer } };
    // Older portals refuse the session to come back; a newer one gives a
    // token for it and takes it the next time instead of asking.
    if (version() >= 2) {
        options.insert(QStringLiteral("persist_mode"), PersistUntilRevoked);
        QFile file(m_tokenFile);
        if (file.open(QIODevice::ReadOnly)) {
            const QString token = QString::fromUtf8(file.readAll().trimmed());
            if (!token.isEmpty())
                options.insert(QStringLiteral("restore_token"), token);
        }
    }
    step(RemoteDesktop, QStringLiteral("SelectDevices"), { session }, options, [this, session](const QVariantMap &) {
        step(ScreenCast, QStringLiteral("SelectSources"), { session },
            { { QStringLiteral("types"), Monitor }, { QStringLiteral("multiple"), true } },
            [this, session](const QVariantMap &) {
                step(RemoteDesktop, QStringLiteral("Start"), { session, QString() }, {},
                    [this](const QVariantMap &results) { started(results); });
            });
    });
}

void RemoteDesktopPortal::started(const QVariantMap &results)
{
    if (const QString token = results.value(QStringLiteral("restore_token")).toString(); !token.isEmpty())
        keepToken(token);
    m_streams.clear();
    const QDBusArgument streams = results.value(QStringLiteral("streams")).value<QDBusArgument>();
    streams.beginArray();
    while (!streams.atEnd()) {
        Stream stream;
        QVariantMap properties;
        streams.beginStructure();
        streams >> stream.node >> properties;
        streams.endStructure();
        stream.area = QRectF(unpack<QPoint>(properties.value(QStringLiteral("position"))),
            unpack<QSize>(properties.value(QStringLiteral("size"))));
        m_streams.append(stream);
    }
    streams.endArray();
    if ((results.value(QStringLiteral("devices")).toUInt() & Pointer) == 0 || m_streams.isEmpty())
        return fail(QStringLiteral("the desktop shared no monitor or no pointer"));
    m_open = true;
    Q_EMIT opened();
}

void RemoteDesktopPortal::keepToken(const QString &token) const
{
    // The token stands for the user's permission: only the user reads it.
    QDir().mkpath(QFileInfo(m_tokenFile).path());
    QSaveFile file(m_tokenFile);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write(token.toUtf8()) < 0 || !file.commit()) {
        qWarning("Could not keep the desktop's remote-desktop permission in %s: %s", qUtf8Printable(m_tokenFile),
            qUtf8Printable(file.errorString()));
    }
}

bool RemoteDesktopPortal::move(const QPointF &point)
{
    if (!m_open)
        return false;
    for (const Stream &stream : std::as_const(m_streams)) {
        if (stream.area.contains(point)) {
            return m_requests.call(RemoteDesktop, QStringLiteral("NotifyPointerMotionAbsolute"),
                { QVariant::fromValue(QDBusObjectPath(m_session)), QVariantMap(), stream.node,
                    point.x() - stream.area.left(), point.y() - stream.area.top() });
        }
    }
    return false;
}

void RemoteDesktopPortal::fail(const QString &why)
{
    close();
    Q_EMIT refused(why);
}

void RemoteDesktopPortal::close()
{
    m_requests.cancel();
    if (!m_session.isEmpty()) {
        QDBusConnection &bus = m_requests.bus();
        bus.disconnect(
            PortalRequests::Service, m_session, Session, QStringLiteral("Closed"), this, SLOT(sessionClosed()));
        bus.send(QDBusMessage::createMethodCall(PortalRequests::Service, m_session, Session, QStringLiteral("Close")));
        m_session.clear();
    }
    m_streams.clear();
    m_open = false;
}

void RemoteDesktopPortal::sessionClosed()
{
    // The desktop ended it (the user stopped sharing): nothing to close.
    m_requests.bus().disconnect(
        PortalRequests::Service, m_session, Session, QStringLiteral("Closed"), this, SLOT(sessionClosed()));
    m_session.clear();
    if (isOpening())
        fail(QStringLiteral("the desktop closed the session"));
    else
        close();
}

} // namespace Dartline
