// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/KeyboardPlatform.h"

#include <xcb/xcb.h>

#include <memory>

namespace Dartline {

class X11Keymap;

// Key positions and what they print, from the X server's live keymap, and the
// keyboard grab that lets the shortcut recorder see combinations other
// clients have taken.
class X11KeyboardPlatform : public KeyboardPlatform
{
public:
    // Uses the application's X connection; without one it knows no keys.
    X11KeyboardPlatform();
    ~X11KeyboardPlatform() override;
    Q_DISABLE_COPY_MOVE(X11KeyboardPlatform)

    std::optional<quint32> virtualKeyForNative(quint32 nativeKeyCode) override;
    QString printedText(quint32 virtualKeyCode) override;
    bool grabKeyboard() override;
    void ungrabKeyboard() override;

    // The X keycode at a virtual key code's position on the current keyboard.
    std::optional<xcb_keycode_t> nativeKeyForVirtual(quint32 virtualKeyCode);

private:
    std::unique_ptr<X11Keymap> m_keymap;
    xcb_connection_t *m_connection = nullptr;
    bool m_grabbed = false;
};

} // namespace Dartline
