// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <functional>

namespace Dartline {

class Shortcut;

// What a hot-key request came to. The numbers are shown to the user with the
// refusal; any other negative value is the X error code of a failed grab.
enum class HotKeyStatus : int {
    NoError = 0,
    EventNotHandled = -9874, // the press belongs to no live registration
    NoHandler = -9868, // no handler installed: no window-system connection
    HotKeyExists = -9878, // another client holds the combination
    NoKeyCode = -9879, // the key is not on the current keyboard
    DesktopRefused = -9880, // the desktop, asked later, did not bind the keys
};

// What a registration is known by when its key is pressed.
struct HotKeyId
{
    quint32 id = 0;
};

// The system-wide hot-key facility, as thin as the service above it needs.
class HotKeyPlatform
{
public:
    using Handler = std::function<HotKeyStatus(const HotKeyId &)>;
    using Ref = quint64; // 0 means no reference

    HotKeyPlatform() = default;
    virtual ~HotKeyPlatform() = default;
    Q_DISABLE_COPY_MOVE(HotKeyPlatform)

    // False when no handler could be installed (no window-system connection).
    // The handler is called on the main thread once per press, never on release.
    virtual bool installHandler(Handler handler) = 0;
    // A status; on success *ref names the registration (it may stay 0).
    virtual HotKeyStatus registerHotKey(const Shortcut &shortcut, const HotKeyId &id, Ref *ref) = 0;
    virtual void unregisterHotKey(Ref ref) = 0;
    virtual void removeHandler() = 0;

    // Where the desktop binds the keys later (it may ask its user first),
    // registrations succeed at once and a refusal of the live ones comes
    // afterwards through this handler.
    using Refused = std::function<void(HotKeyStatus status)>;
    void onRefused(Refused handler) { m_refused = std::move(handler); }

protected:
    void refuse(HotKeyStatus status)
    {
        if (m_refused)
            m_refused(status);
    }

private:
    Refused m_refused;
};

} // namespace Dartline
