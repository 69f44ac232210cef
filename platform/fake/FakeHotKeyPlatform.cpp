// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fake/FakeHotKeyPlatform.h"

namespace Dartline {

QList<Shortcut> FakeHotKeyPlatform::liveShortcuts() const
{
    QList<Shortcut> result;
    for (const Registration &r : m_live)
        result.append(r.shortcut);
    return result;
}

HotKeyStatus FakeHotKeyPlatform::press(const Shortcut &shortcut)
{
    for (const Registration &r : std::as_const(m_live)) {
        if (r.shortcut == shortcut)
            return deliver(r.id);
    }
    return HotKeyStatus::EventNotHandled;
}

HotKeyStatus FakeHotKeyPlatform::deliver(const HotKeyId &id)
{
    if (!m_handler)
        return HotKeyStatus::EventNotHandled;
    // A copy, because the handler may remove itself while it runs.
    const Handler handler = m_handler;
    return handler(id);
}

bool FakeHotKeyPlatform::installHandler(Handler handler)
{
    ++m_installCalls;
    if (!m_installSucceeds)
        return false;
    m_handler = std::move(handler);
    return true;
}

HotKeyStatus FakeHotKeyPlatform::registerHotKey(const Shortcut &shortcut, const HotKeyId &id, Ref *ref)
{
    const HotKeyStatus status = m_statuses.value(shortcut, HotKeyStatus::NoError);
    Registration registration { shortcut, id, 0 };
    if (status == HotKeyStatus::NoError && m_handsOutRefs)
        registration.ref = ++m_nextRef;
    m_registerCalls.append(registration);
    if (status != HotKeyStatus::NoError)
        return status;
    m_live.append(registration);
    if (ref)
        *ref = registration.ref;
    return HotKeyStatus::NoError;
}

void FakeHotKeyPlatform::unregisterHotKey(Ref ref)
{
    m_unregisterCalls.append(ref);
    m_live.removeIf([ref](const Registration &r) { return r.ref == ref; });
}

void FakeHotKeyPlatform::removeHandler()
{
    ++m_removeCalls;
    m_handler = nullptr;
}

} // namespace Dartline
