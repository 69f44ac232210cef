// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ModelLogging.h"

namespace Dartline {

Q_LOGGING_CATEGORY(lcCursor, "org.dartline.Dartline.cursor", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStore, "org.dartline.Dartline.store", QtInfoMsg)

} // namespace Dartline
