// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/RemoteDesktopPortal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace Dartline {

namespace {

const QString Portal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString RemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString ScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
const QString Request = QStringLiteral("org.freedesktop.portal.Request");
const QString Session = QStringLiteral("org.freedesktop.portal.Session");
constexpr int CallTimeoutMs = 5000; // a portal that takes longer is not answering
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
    : m_bus(bus)
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
    if (!m_version) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            Portal, PortalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << RemoteDesktop << QStringLiteral("version");
        const QDBusMessage reply = m_bus.call(get, QDBus::Block, CallTimeoutMs);
        m_version = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
            ? reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt()
            : 0U;
    }
    return *m_version;
}

void RemoteDesktopPortal::open()
{
    if (m_step != Step::Closed)
        return;
    ask(RemoteDesktop, QStringLiteral("CreateSession"), {},
        { { QStringLiteral("session_handle_token"), QStringLiteral("dartline%1").arg(++m_serial) } },
        Step::CreateSession);
}

void RemoteDesktopPortal::ask(
    const QString &interface, const QString &method, QVariantList arguments, QVariantMap options, Step step)
{
    // The answer comes as a signal of a request object whose path follows
    // from the token: listen there before asking, or a quick answer is lost.
    const QString token = QStringLiteral("dartline%1").arg(++m_serial);
    options.insert(QStringLiteral("handle_token"), token);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    m_request = PortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    m_step = step;
    m_bus.connect(
        Portal, m_request, Request, QStringLiteral("Response"), this, SLOT(answered(uint, QVariantMap, QDBusMessage)));
    QDBusMessage call = QDBusMessage::createMethodCall(Portal, PortalPath, interface, method);
    call.setArguments(arguments << options);
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, CallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        fail(reply.errorMessage());
}

void RemoteDesktopPortal::answered(uint response, const QVariantMap &results, const QDBusMessage &message)
{
    if (message.path() != m_request)
        return;
    m_bus.disconnect(
        Portal, m_request, Request, QStringLiteral("Response"), this, SLOT(answered(uint, QVariantMap, QDBusMessage)));
    m_request.clear();
    if (response != 0) {
        fail(response == 1 ? QStringLiteral("permission was not given")
                           : QStringLiteral("the desktop ended the request"));
        return;
    }
    const QVariant session = QVariant::fromValue(QDBusObjectPath(m_session.isEmpty() ? PortalPath : m_session));
    switch (m_step) {
    case Step::CreateSession: {
        const QVariant handle = results.value(QStringLiteral("session_handle"));
        m_session = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path() : handle.toString();
        if (m_session.isEmpty()) {
            fail(QStringLiteral("the desktop opened no session"));
            return;
        }
        m_bus.connect(Portal, m_session, Session, QStringLiteral("Closed"), this, SLOT(sessionClosed()));
        QVariantMap options { { QStringLiteral("types"), Pointer } };
        // Older portals refuse the session to come back; a newer one gives
        // a token for it and takes it the next time instead of asking.
        if (version() >= 2) {
            options.insert(QStringLiteral("persist_mode"), PersistUntilRevoked);
            QFile file(m_tokenFile);
            if (file.open(QIODevice::ReadOnly)) {
                const QString token = QString::fromUtf8(file.readAll().trimmed());
                if (!token.isEmpty())
                    options.insert(QStringLiteral("restore_token"), token);
            }
        }
        ask(RemoteDesktop, QStringLiteral("SelectDevices"), { QVariant::fromValue(QDBusObjectPath(m_session)) },
            options, Step::SelectDevices);
        break;
    }
    case Step::SelectDevices:
        ask(ScreenCast, QStringLiteral("SelectSources"), { session },
            { { QStringLiteral("types"), Monitor }, { QStringLiteral("multiple"), true } }, Step::SelectSources);
        break;
    case Step::SelectSources:
        ask(RemoteDesktop, QStringLiteral("Start"), { session, QString() }, {}, Step::Start);
        break;
    case Step::Start: {
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
        if ((results.value(QStringLiteral("devices")).toUInt() & Pointer) == 0 || m_streams.isEmpty()) {
            fail(QStringLiteral("the desktop shared no monitor or no pointer"));
            return;
        }
        m_step = Step::Open;
        Q_EMIT opened();
        break;
    }
    case Step::Closed:
    case Step::Open:
        break;
    }
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
    if (m_step != Step::Open)
        return false;
    for (const Stream &stream : std::as_const(m_streams)) {
        if (!stream.area.contains(point))
            continue;
        QDBusMessage call = QDBusMessage::createMethodCall(
            Portal, PortalPath, RemoteDesktop, QStringLiteral("NotifyPointerMotionAbsolute"));
        call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariantMap() << stream.node
             << point.x() - stream.area.left() << point.y() - stream.area.top();
        return m_bus.call(call, QDBus::Block, CallTimeoutMs).type() == QDBusMessage::ReplyMessage;
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
    if (!m_request.isEmpty()) {
        m_bus.disconnect(Portal, m_request, Request, QStringLiteral("Response"), this,
            SLOT(answered(uint, QVariantMap, QDBusMessage)));
        m_request.clear();
    }
    if (!m_session.isEmpty()) {
        m_bus.disconnect(Portal, m_session, Session, QStringLiteral("Closed"), this, SLOT(sessionClosed()));
        m_bus.send(QDBusMessage::createMethodCall(Portal, m_session, Session, QStringLiteral("Close")));
        m_session.clear();
    }
    m_streams.clear();
    m_step = Step::Closed;
}

void RemoteDesktopPortal::sessionClosed()
{
    // The desktop ended it (the user stopped sharing): nothing to close.
    m_bus.disconnect(Portal, m_session, Session, QStringLiteral("Closed"), this, SLOT(sessionClosed()));
    m_session.clear();
    if (isOpening())
        fail(QStringLiteral("the desktop closed the session"));
    else
        close();
}

} // namespace Dartline
