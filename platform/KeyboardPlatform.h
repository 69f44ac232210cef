// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace Dartline {

// Key codes stay virtual key codes (key positions) everywhere above this
// interface; only the backend knows the window system's own keycodes.
class KeyboardPlatform
{
public:
    KeyboardPlatform() = default;
    virtual ~KeyboardPlatform() = default;
    Q_DISABLE_COPY_MOVE(KeyboardPlatform)

    // The virtual key code of a key press's native keycode, if it has one.
    virtual std::optional<quint32> virtualKeyForNative(quint32 nativeKeyCode) = 0;
    // What the current layout prints on the key with no modifier, or empty.
    virtual QString printedText(quint32 virtualKeyCode) = 0;
    // Takes every key press of the keyboard while a shortcut is recorded.
    virtual bool grabKeyboard() = 0;
    virtual void ungrabKeyboard() = 0;
};

} // namespace Dartline
