// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppLogging.h"

Q_LOGGING_CATEGORY(lcShell, "org.dartline.Dartline.shell")
Q_LOGGING_CATEGORY(lcStartup, "org.dartline.Dartline.startup", QtWarningMsg)
