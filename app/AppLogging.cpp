// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppLogging.h"

namespace Dartline {

Q_LOGGING_CATEGORY(lcShell, "org.dartline.Dartline.shell")
Q_LOGGING_CATEGORY(lcStartup, "org.dartline.Dartline.startup", QtWarningMsg)

} // namespace Dartline
