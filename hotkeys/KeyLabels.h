// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Shortcut.h"

#include <QStringList>

#include <optional>

class QKeyEvent;

namespace Dartline {

class KeyboardPlatform;

// The key-cap texts of a shortcut: the names of its modifiers (Ctrl, Alt,
// Shift, Super, in that order) and then the key's label. One to five entries,
// never empty.
QStringList keycapLabels(const Shortcut &shortcut, KeyboardPlatform &keyboard);

// The same caps as one line of text, joined with "+" ("Ctrl+Alt+1"), for the
// tray menu, messages and assistive technologies.
QString shortcutText(const Shortcut &shortcut, KeyboardPlatform &keyboard);
// Caps already made, joined the same way.
QString joinedKeycaps(const QStringList &labels);

// A fixed name or arrow for the named keys, F1–F20 for the function keys,
// otherwise what the current layout prints on the key, upper-cased; "Key " and
// the code when nothing printable comes out. Asked anew on every call, so a layout
// switch shows at once.
QString keyLabel(quint32 keyCode, KeyboardPlatform &keyboard);

// The shortcut a key press makes: its virtual key code and the held Super
// (bit 0x100), Shift, Alt (bit 0x800) and Ctrl. None for a
// press of a modifier key alone and for a key that has no virtual key code.
std::optional<Shortcut> shortcutFromKeyEvent(const QKeyEvent &event, KeyboardPlatform &keyboard);

} // namespace Dartline
