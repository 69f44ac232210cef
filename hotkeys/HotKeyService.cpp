// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeys/HotKeyService.h"

#include "core/Shortcut.h"

namespace Dartline {

HotKeyService::HotKeyService(HotKeyPlatform &platform)
    : m_platform(platform)
{
    // The platform drops the handler in removeHandler(), which the destructor
    // calls, so it never outlives the service it points to.
    m_handlerInstalled = m_platform.installHandler([this](const HotKeyId &id) { return handle(id); });
}

HotKeyService::~HotKeyService()
{
    for (const HotKeyPlatform::Ref ref : std::as_const(m_refs))
        m_platform.unregisterHotKey(ref);
    if (m_handlerInstalled)
        m_platform.removeHandler();
}

HotKeyStatus HotKeyService::registerHotKey(const Shortcut &shortcut, Action action)
{
    if (!m_handlerInstalled)
        return HotKeyStatus::NoHandler;
    // Ids follow the successful registrations since the last clear(), so a
    // refused one leaves its id to the next and the live ids stay 1, 2, 3, …
    const quint32 id = static_cast<quint32>(m_refs.size()) + 1;
    HotKeyPlatform::Ref ref = 0;
    const HotKeyStatus status = m_platform.registerHotKey(shortcut, HotKeyId { id }, &ref);
    if (status != HotKeyStatus::NoError)
        return status;
    if (ref != 0) {
        m_refs.append(ref);
        m_actions.insert(id, std::move(action));
    }
    return HotKeyStatus::NoError;
}

void HotKeyService::clear()
{
    for (const HotKeyPlatform::Ref ref : std::as_const(m_refs))
        m_platform.unregisterHotKey(ref);
    m_refs.clear();
    m_actions.clear();
}

HotKeyStatus HotKeyService::handle(const HotKeyId &id)
{
    const auto it = m_actions.constFind(id.id);
    if (it == m_actions.cend())
        return HotKeyStatus::EventNotHandled;
    // The action runs from its own copy: it may clear or re-register this
    // service, which destroys the stored one, or even destroy the service.
    const Action action = *it;
    if (action)
        action();
    return HotKeyStatus::NoError;
}

} // namespace Dartline
