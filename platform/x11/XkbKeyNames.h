// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <optional>
#include <span>

namespace Dartline {

// Dartline stores keys as virtual key codes: positions on an ANSI/ISO
// keyboard, independent of the layout. XKB names the same positions
// (AD01 is the key left of the top letter row's second key, whatever it
// prints), so one table turns either into the other; the live keymap then
// gives the X keycode of a name.
namespace XkbKeyNames {

struct Entry
{
    quint32 virtualKey;
    const char *name; // an XKB key name, at most four characters
};

// Every key the table knows, each virtual key and each name once.
std::span<const Entry> entries();

// The XKB key name of a virtual key code, or empty when it names no key.
QByteArrayView nameForVirtualKey(quint32 virtualKey);

// The virtual key code at an XKB key name (exact, case-sensitive), if any.
std::optional<quint32> virtualKeyForName(QByteArrayView name);

} // namespace XkbKeyNames

} // namespace Dartline
