// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace Dartline {

// Key positions as stored in a shortcut: independent of the keyboard layout
// (KeyCode::Q is the key left of W on any layout). The platform layer maps them to
// the window system's keycodes through XKB key names.
namespace KeyCode {

inline constexpr quint32 Q = 12;
inline constexpr quint32 W = 13;
inline constexpr quint32 Digit1 = 18;
inline constexpr quint32 Return = 36;
inline constexpr quint32 Comma = 43;
inline constexpr quint32 Tab = 48;
inline constexpr quint32 Space = 49;
inline constexpr quint32 Backspace = 51;
inline constexpr quint32 Escape = 53;
// Right Super up to Fn: modifier keys, never the key of a shortcut.
inline constexpr quint32 FirstModifier = 54;
inline constexpr quint32 LastModifier = 63;
inline constexpr quint32 Home = 115;
inline constexpr quint32 PageUp = 116;
inline constexpr quint32 Delete = 117; // forward delete
inline constexpr quint32 End = 119;
inline constexpr quint32 PageDown = 121;
inline constexpr quint32 Left = 123;
inline constexpr quint32 Right = 124;
inline constexpr quint32 Down = 125;
inline constexpr quint32 Up = 126;

} // namespace KeyCode

} // namespace Dartline
