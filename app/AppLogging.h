// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

namespace Dartline {

// The shell: single instance, tray, windows.
Q_DECLARE_LOGGING_CATEGORY(lcShell)
// Start-up milestones, off unless enabled through QT_LOGGING_RULES
// ("org.dartline.Dartline.startup.info=true") or --verbose; the start-up
// benchmark and the launch tests read them.
Q_DECLARE_LOGGING_CATEGORY(lcStartup)

} // namespace Dartline
