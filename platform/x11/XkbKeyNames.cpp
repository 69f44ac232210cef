// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/XkbKeyNames.h"

namespace Dartline {

namespace XkbKeyNames {

namespace {

// Virtual key codes are the fixed key-position numbers the stored documents
// carry, independent of any layout; the names are xkeyboard-config's canonical
// ones (aliases such as AC12 for BKSL resolve to these in the keymap).
constexpr Entry table[] = {
    // Letter block, row by row.
    { 12, "AD01" }, // Q
    { 13, "AD02" }, // W
    { 14, "AD03" }, // E
    { 15, "AD04" }, // R
    { 17, "AD05" }, // T
    { 16, "AD06" }, // Y
    { 32, "AD07" }, // U
    { 34, "AD08" }, // I
    { 31, "AD09" }, // O
    { 35, "AD10" }, // P
    { 33, "AD11" }, // [
    { 30, "AD12" }, // ]
    { 0, "AC01" }, // A
    { 1, "AC02" }, // S
    { 2, "AC03" }, // D
    { 3, "AC04" }, // F
    { 5, "AC05" }, // G
    { 4, "AC06" }, // H
    { 38, "AC07" }, // J
    { 40, "AC08" }, // K
    { 37, "AC09" }, // L
    { 41, "AC10" }, // ;
    { 39, "AC11" }, // '
    { 42, "BKSL" }, // backslash
    { 6, "AB01" }, // Z
    { 7, "AB02" }, // X
    { 8, "AB03" }, // C
    { 9, "AB04" }, // V
    { 11, "AB05" }, // B
    { 45, "AB06" }, // N
    { 46, "AB07" }, // M
    { 43, "AB08" }, // ,
    { 47, "AB09" }, // .
    { 44, "AB10" }, // /
    { 10, "LSGT" }, // the extra key of ISO keyboards
    // Digit row.
    { 50, "TLDE" }, // `
    { 18, "AE01" },
    { 19, "AE02" },
    { 20, "AE03" },
    { 21, "AE04" },
    { 23, "AE05" },
    { 22, "AE06" },
    { 26, "AE07" },
    { 28, "AE08" },
    { 25, "AE09" },
    { 29, "AE10" },
    { 27, "AE11" }, // -
    { 24, "AE12" }, // =
    // Editing and control keys.
    { 36, "RTRN" },
    { 48, "TAB" },
    { 49, "SPCE" },
    { 51, "BKSP" },
    { 53, "ESC" },
    { 114, "INS" }, // Help sits where PC keyboards have Insert
    { 115, "HOME" },
    { 116, "PGUP" },
    { 117, "DELE" },
    { 119, "END" },
    { 121, "PGDN" },
    { 123, "LEFT" },
    { 124, "RGHT" },
    { 125, "DOWN" },
    { 126, "UP" },
    // Keypad.
    { 65, "KPDL" },
    { 67, "KPMU" },
    { 69, "KPAD" },
    { 71, "NMLK" }, // Clear sits where PC keyboards have Num Lock
    { 75, "KPDV" },
    { 76, "KPEN" },
    { 78, "KPSU" },
    { 81, "KPEQ" },
    { 82, "KP0" },
    { 83, "KP1" },
    { 84, "KP2" },
    { 85, "KP3" },
    { 86, "KP4" },
    { 87, "KP5" },
    { 88, "KP6" },
    { 89, "KP7" },
    { 91, "KP8" },
    { 92, "KP9" },
    // Function keys.
    { 122, "FK01" },
    { 120, "FK02" },
    { 99, "FK03" },
    { 118, "FK04" },
    { 96, "FK05" },
    { 97, "FK06" },
    { 98, "FK07" },
    { 100, "FK08" },
    { 101, "FK09" },
    { 109, "FK10" },
    { 103, "FK11" },
    { 111, "FK12" },
    { 105, "FK13" },
    { 107, "FK14" },
    { 113, "FK15" },
    { 106, "FK16" },
    { 64, "FK17" },
    { 79, "FK18" },
    { 80, "FK19" },
    { 90, "FK20" },
};

} // namespace

std::span<const Entry> entries()
{
    return table;
}

QByteArrayView nameForVirtualKey(quint32 virtualKey)
{
    for (const Entry &entry : table) {
        if (entry.virtualKey == virtualKey)
            return QByteArrayView(entry.name);
    }
    return {};
}

std::optional<quint32> virtualKeyForName(QByteArrayView name)
{
    for (const Entry &entry : table) {
        if (QByteArrayView(entry.name) == name)
            return entry.virtualKey;
    }
    return std::nullopt;
}

} // namespace XkbKeyNames

} // namespace Dartline
