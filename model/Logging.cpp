// SPDX-License-Identifier: GPL-3.0-or-later
#include "Logging.h"

Q_LOGGING_CATEGORY(lcCursor, "org.dartline.Dartline.cursor", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStore, "org.dartline.Dartline.store", QtInfoMsg)
