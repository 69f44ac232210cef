// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Shortcut.h"

#include <functional>
#include <memory>

namespace Dartline {

class KeyboardPlatform;

// Takes the key presses of the process while a shortcut is recorded, so that
// no window, and no shortcut of one, acts on the keys the user presses for
// it. Every press that makes a shortcut is handed over; a modifier on its
// own, or a key the layout does not know, is swallowed and the capture waits
// for the real key.
class KeyCapture
{
public:
    using Receiver = std::function<void(const Shortcut &)>;

    KeyCapture() = default;
    virtual ~KeyCapture() = default;
    Q_DISABLE_COPY_MOVE(KeyCapture)

    // Starts handing presses to `receiver`, in place of any earlier one. The
    // receiver may call end().
    virtual void begin(Receiver receiver) = 0;
    virtual void end() = 0;

    // The capture of this process's key events: a filter on the application
    // object, which does nothing while there is none.
    static std::unique_ptr<KeyCapture> forApplication(KeyboardPlatform &keyboard);
};

} // namespace Dartline
