// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Logging.h"

namespace Dartline {

Q_LOGGING_CATEGORY(lcKeys, "org.dartline.Dartline.keys")

} // namespace Dartline
