// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/PortalRequests.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace Dartline {

namespace {

const QString Request = QStringLiteral("org.freedesktop.portal.Request");
constexpr int CallTimeoutMs = 5000; // a portal that takes longer is not answering

} // namespace

const QString PortalRequests::Service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalRequests::Path = QStringLiteral("/org/freedesktop/portal/desktop");

PortalRequests::PortalRequests(const QDBusConnection &bus)
    : m_bus(bus)
{ }

PortalRequests::~PortalRequests()
{
    cancel();
}

uint PortalRequests::version(const QString &interface)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        Service, Path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << interface << QStringLiteral("version");
    const QDBusMessage reply = m_bus.call(get, QDBus::Block, CallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
        ? reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt()
        : 0U;
}

void PortalRequests::ask(
    const QString &interface, const QString &method, QVariantList arguments, QVariantMap options, Answer answer)
{
    cancel();
    // The answer comes as a signal of a request object whose path follows
    // from the token: listen there before asking, or a quick answer is lost.
    const QString handle = token();
    options.insert(QStringLiteral("handle_token"), handle);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    m_request = Path + QStringLiteral("/request/") + sender + QLatin1Char('/') + handle;
    m_answer = std::move(answer);
    m_bus.connect(
        Service, m_request, Request, QStringLiteral("Response"), this, SLOT(answered(uint, QVariantMap, QDBusMessage)));
    QDBusMessage message = QDBusMessage::createMethodCall(Service, Path, interface, method);
    message.setArguments(arguments << options);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, CallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        const Answer failed = std::move(m_answer);
        cancel();
        failed(2, { { QStringLiteral("error"), reply.errorMessage() } });
    }
}

bool PortalRequests::call(const QString &interface, const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(Service, Path, interface, method);
    message.setArguments(arguments);
    return m_bus.call(message, QDBus::Block, CallTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

void PortalRequests::answered(uint response, const QVariantMap &results, const QDBusMessage &message)
{
    if (message.path() != m_request)
        return;
    const Answer answer = std::move(m_answer);
    cancel();
    if (answer)
        answer(response, results);
}

void PortalRequests::cancel()
{
    if (m_request.isEmpty())
        return;
    m_bus.disconnect(
        Service, m_request, Request, QStringLiteral("Response"), this, SLOT(answered(uint, QVariantMap, QDBusMessage)));
    m_request.clear();
    m_answer = nullptr;
}

QString portalSessionHandle(const QVariantMap &results)
{
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    return handle.typeId() == qMetaTypeId<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                             : handle.toString();
}

} // namespace Dartline
