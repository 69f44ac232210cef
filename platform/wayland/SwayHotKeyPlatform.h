// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKeyPlatform.h"

#include <QList>
#include <QString>

#include <memory>

class QSocketNotifier;
struct xkb_context;
struct xkb_keymap;

namespace Dartline {

class SwayIpc;

// System-wide hot keys as sway bindings: each registration is a runtime
// `bindsym <combination> nop dartline:<pid>:<ref>`, and sway reports every
// press of it as a "binding" event on a subscribed IPC connection. A
// combination the configuration file already binds is refused rather than
// taken over, as is one sway rejects.
class SwayHotKeyPlatform : public HotKeyPlatform
{
public:
    // `socketPath` is sway's IPC socket (SWAYSOCK).
    explicit SwayHotKeyPlatform(const QString &socketPath);
    ~SwayHotKeyPlatform() override;
    Q_DISABLE_COPY_MOVE(SwayHotKeyPlatform)

    bool installHandler(Handler handler) override;
    HotKeyStatus registerHotKey(const Shortcut &shortcut, const HotKeyId &id, Ref *ref) override;
    void unregisterHotKey(Ref ref) override;
    void removeHandler() override;

    // sway's spelling of a shortcut ("Mod4+Mod1+1"): the keysym the default
    // keymap puts on the key position; empty when the key has none.
    QString combination(const Shortcut &shortcut) const;

private:
    struct Registration
    {
        Ref ref = 0;
        HotKeyId id;
        QString combination;
    };

    bool run(const QString &command);
    bool configurationBinds(const QString &combination);
    void readEvents();

    QString m_socketPath;
    std::unique_ptr<SwayIpc> m_commands;
    std::unique_ptr<SwayIpc> m_events;
    std::unique_ptr<QSocketNotifier> m_notifier;
    xkb_context *m_context = nullptr;
    xkb_keymap *m_keymap = nullptr;
    Handler m_handler;
    QList<Registration> m_registrations;
    QString m_tagPrefix; // "dartline:<pid>:"
    Ref m_nextRef = 1;
};

} // namespace Dartline
