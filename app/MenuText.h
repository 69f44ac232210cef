// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Dartline {

// Texts of the tray menu's display items.
namespace MenuText {

// How many user-perceived characters of a display's name an item shows.
inline constexpr int NameLength = 14;

// The first `count` grapheme clusters of `text`: a base letter with its
// combining marks, an emoji sequence or a surrogate pair counts once.
QString leadingGraphemes(const QString &text, int count);

// "<number>. <name, cut to NameLength>   <caps>", made safe for QAction: the
// name and caps come from EDIDs and keyboard layouts, and an '&' in them
// would otherwise turn into a mnemonic and a tab into a shortcut column.
QString displayItem(int number, const QString &name, const QString &caps);

} // namespace MenuText

} // namespace Dartline
