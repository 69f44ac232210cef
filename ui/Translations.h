// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QStringList>

namespace Dartline {

// Dartline speaks English (the source texts) and whatever translations/ holds.
namespace Translations {

// The translation for the first of `languages` (as QLocale::uiLanguages()
// gives them, from LANGUAGE, LC_ALL, LC_MESSAGES and LANG) that Dartline
// has a file for, as a locale name such as "zh_CN"; empty for English.
// Chinese in any script or region reads Simplified Chinese unless a
// Traditional translation exists; an English entry, or none that matches,
// means English.
QString choose(const QStringList &languages);

// Installs the translators for `languages` (Dartline's own and Qt's for its
// standard texts), replacing any installed before; the application object
// must exist. Returns what choose() returned.
QString install(const QStringList &languages = QLocale::system().uiLanguages());

} // namespace Translations

} // namespace Dartline
