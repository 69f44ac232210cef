// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <functional>

namespace Dartline {

class Shortcut;

// Statuses shared by every hot-key backend.
namespace HotKeyStatus {
inline constexpr int NoError = 0;
inline constexpr int EventNotHandled = -9874;
inline constexpr int EventInternal = -9868; // no handler installed
inline constexpr int HotKeyExists = -9878; // another client holds the combination
inline constexpr int NoKeyCode = -9879; // the key is not on the current keyboard
} // namespace HotKeyStatus

struct HotKeyId
{
    quint32 signature = 0;
    quint32 id = 0;
};

// The system-wide hot-key facility, as thin as the service above it needs.
class HotKeyPlatform
{
public:
    using Handler = std::function<int(const HotKeyId &)>;
    using Ref = quint64; // 0 means no reference

    HotKeyPlatform() = default;
    virtual ~HotKeyPlatform() = default;
    Q_DISABLE_COPY_MOVE(HotKeyPlatform)

    // False when no handler could be installed (no window-system connection).
    // The handler is called on the main thread once per press, never on release.
    virtual bool installHandler(Handler handler) = 0;
    // A status; on success *ref names the registration (it may stay 0).
    virtual int registerHotKey(const Shortcut &shortcut, const HotKeyId &id, Ref *ref) = 0;
    virtual void unregisterHotKey(Ref ref) = 0;
    virtual void removeHandler() = 0;
};

} // namespace Dartline
