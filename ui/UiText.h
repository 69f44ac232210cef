// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Dartline {

class KeyboardPlatform;
struct Notice;

// The words for what the model reports, and the labels that appear in more
// than one place (the tray menu and the windows' commands), each defined once.
namespace UiText {

QString aboutLabel();
QString settingsLabel();
QString quitLabel();
QString closeWindowLabel();
QString identifyLabel();
// A display without a shortcut, in the tray menu and to assistive technologies.
QString unset();

// A notice as a sentence; codes keep their plain form, "(-9878)". A reserved
// shortcut is named with the current layout's key labels.
QString notice(const Notice &notice, KeyboardPlatform &keyboard);

} // namespace UiText

} // namespace Dartline
