// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What another X client sees of Dartline's windows, asked over a connection
// of the test's own.
namespace XWindows {

// A window whose WM_CLASS holds `wmClass` sits inside another client's
// window: an XEmbed tray has docked the icon.
bool docked(const QString &displayName, const QString &wmClass);

// A top-level window of process `pid` titled `title` is mapped and viewable.
bool shown(const QString &displayName, qint64 pid, const QString &title);

} // namespace XWindows
