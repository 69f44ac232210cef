// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/PortalHotKeyPlatform.h"

#include "core/Shortcut.h"
#include "platform/wayland/GnomeCustomKeybindings.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QTimer>

namespace Dartline {

namespace {

const QString GlobalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// One shortcut as the portal takes it: its id and its properties.
using PortalShortcut = std::pair<QString, QVariantMap>;

} // namespace

PortalHotKeyPlatform::PortalHotKeyPlatform(const QDBusConnection &bus)
    : m_requests(bus)
{
    // The press's slot is found by the names of its argument types.
    qRegisterMetaType<QDBusObjectPath>();
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

PortalHotKeyPlatform::~PortalHotKeyPlatform()
{
    removeHandler();
}

bool PortalHotKeyPlatform::isAvailable(const QDBusConnection &bus)
{
    return PortalRequests(bus).version(GlobalShortcuts) > 0;
}

QString PortalHotKeyPlatform::trigger(const Shortcut &shortcut)
{
    const QString symbol = GnomeCustomKeybindings::keySymbol(shortcut.keyCode());
    if (symbol.isEmpty())
        return {};
    QString result;
    for (const auto &[bit, name] : { std::pair { Shortcut::Control, "CTRL+" }, std::pair { Shortcut::Alt, "ALT+" },
             std::pair { Shortcut::Shift, "SHIFT+" }, std::pair { Shortcut::Super, "LOGO+" } }) {
        if (shortcut.modifiers() & bit)
            result += QLatin1String(name);
    }
    return result + symbol;
}

bool PortalHotKeyPlatform::installHandler(Handler handler)
{
    m_handler = std::move(handler);
    if (!m_requests.bus().connect(PortalRequests::Service, PortalRequests::Path, GlobalShortcuts,
            QStringLiteral("Activated"), this, SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap))))
        return false;
    if (m_session.isEmpty() && !m_requests.isWaiting()) {
        m_requests.ask(GlobalShortcuts, QStringLiteral("CreateSession"), {},
            { { QStringLiteral("session_handle_token"), m_requests.token() } },
            [this](uint response, const QVariantMap &results) {
                m_session = response == 0 ? portalSessionHandle(results) : QString();
                if (m_session.isEmpty()) {
                    qWarning("The desktop gave Dartline no global shortcuts: %s",
                        qUtf8Printable(results.value(QStringLiteral("error"), response).toString()));
                    refuse(HotKeyStatus::DesktopRefused);
                    return;
                }
                bind();
            });
    }
    return true;
}

HotKeyStatus PortalHotKeyPlatform::registerHotKey(const Shortcut &shortcut, const HotKeyId &id, Ref *ref)
{
    const QString keys = trigger(shortcut);
    if (keys.isEmpty())
        return HotKeyStatus::NoKeyCode;
    m_bindings.insert(++m_lastRef, { keys, id });
    if (ref)
        *ref = m_lastRef;
    scheduleBind();
    return HotKeyStatus::NoError;
}

void PortalHotKeyPlatform::unregisterHotKey(Ref ref)
{
    if (m_bindings.remove(ref))
        scheduleBind();
}

void PortalHotKeyPlatform::removeHandler()
{
    m_requests.bus().disconnect(PortalRequests::Service, PortalRequests::Path, GlobalShortcuts,
        QStringLiteral("Activated"), this, SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    m_handler = nullptr;
    m_bindings.clear();
    closeSession();
}

void PortalHotKeyPlatform::closeSession()
{
    m_requests.cancel();
    if (!m_session.isEmpty()) {
        m_requests.bus().send(QDBusMessage::createMethodCall(PortalRequests::Service, m_session,
            QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")));
        m_session.clear();
    }
}

void PortalHotKeyPlatform::scheduleBind()
{
    if (!std::exchange(m_bindScheduled, true))
        QTimer::singleShot(0, this, &PortalHotKeyPlatform::bind);
}

void PortalHotKeyPlatform::bind()
{
    m_bindScheduled = false;
    // Before the session exists its creation binds; while the desktop asks
    // about the last set, the next waits for the answer.
    if (m_session.isEmpty())
        return;
    if (m_requests.isWaiting()) {
        m_bindAgain = true;
        return;
    }
    // One entry per set of keys: a registration made again replaces the old.
    QMap<QString, PortalShortcut> shortcuts;
    for (const auto &[keys, id] : std::as_const(m_bindings)) {
        shortcuts.insert(keys,
            { keys,
                { { QStringLiteral("description"), tr("Dartline: move the pointer (%1)").arg(keys) },
                    { QStringLiteral("preferred_trigger"), keys } } });
    }
    m_requests.ask(GlobalShortcuts, QStringLiteral("BindShortcuts"),
        { QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts.values()), QString() }, {},
        [this](uint response, const QVariantMap &results) {
            if (std::exchange(m_bindAgain, false))
                return bind();
            if (response != 0 && !m_bindings.isEmpty()) {
                qWarning("The desktop did not bind Dartline's shortcuts: %s",
                    qUtf8Printable(results.value(QStringLiteral("error"), response).toString()));
                refuse(HotKeyStatus::DesktopRefused);
            }
        });
}

void PortalHotKeyPlatform::activated(
    const QDBusObjectPath &session, const QString &shortcut, qulonglong, const QVariantMap &)
{
    if (session.path() != m_session || !m_handler)
        return;
    // The latest registration of those keys answers.
    for (auto binding = m_bindings.constEnd(); binding != m_bindings.constBegin();) {
        --binding;
        if (binding->first == shortcut) {
            m_handler(binding->second);
            return;
        }
    }
}

} // namespace Dartline
