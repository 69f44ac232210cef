// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Shortcut.h"
#include "platform/HotKeyPlatform.h"

#include <QHash>
#include <QList>

namespace Dartline {

// A hot-key facility that keeps its registrations in memory and records every
// call. press() plays the window system: it calls the installed handler with
// the id of the live registration of that shortcut.
class FakeHotKeyPlatform : public HotKeyPlatform
{
public:
    struct Registration
    {
        Shortcut shortcut;
        HotKeyId id;
        Ref ref = 0;
    };

    FakeHotKeyPlatform() = default;

    // What installHandler() answers; false as when there is no X connection.
    void setInstallSucceeds(bool succeeds) { m_installSucceeds = succeeds; }
    // The status registerHotKey() returns for `shortcut`; 0 (the default) accepts.
    void setStatus(const Shortcut &shortcut, HotKeyStatus status) { m_statuses.insert(shortcut, status); }
    void clearStatuses() { m_statuses.clear(); }
    // Successful registrations hand back no reference, which the platform may do.
    void setHandsOutRefs(bool handsOut) { m_handsOutRefs = handsOut; }
    // The desktop's later refusal of the live registrations.
    void refuseLater(HotKeyStatus status) { refuse(status); }

    bool handlerInstalled() const { return bool(m_handler); }
    int installCalls() const { return m_installCalls; }
    int removeHandlerCalls() const { return m_removeCalls; }
    // Every registerHotKey() call in order, refused ones included (their ref is 0).
    const QList<Registration> &registerCalls() const { return m_registerCalls; }
    const QList<Ref> &unregisterCalls() const { return m_unregisterCalls; }
    // What is registered now, in registration order.
    const QList<Registration> &live() const { return m_live; }
    QList<Shortcut> liveShortcuts() const;

    // A press of `shortcut`: the handler's status, or EventNotHandled when no
    // handler is installed or nothing live matches (the key then is not grabbed).
    HotKeyStatus press(const Shortcut &shortcut);
    // An event with any id, as another program's hot key would arrive.
    HotKeyStatus deliver(const HotKeyId &id);

    bool installHandler(Handler handler) override;
    HotKeyStatus registerHotKey(const Shortcut &shortcut, const HotKeyId &id, Ref *ref) override;
    void unregisterHotKey(Ref ref) override;
    void removeHandler() override;

private:
    Handler m_handler;
    bool m_installSucceeds = true;
    bool m_handsOutRefs = true;
    int m_installCalls = 0;
    int m_removeCalls = 0;
    Ref m_nextRef = 0;
    QHash<Shortcut, HotKeyStatus> m_statuses;
    QList<Registration> m_registerCalls;
    QList<Ref> m_unregisterCalls;
    QList<Registration> m_live;
};

} // namespace Dartline
