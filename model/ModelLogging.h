// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

namespace Dartline {

// The jump's two lines: info on success, critical on failure. The program
// prints the info line only with --verbose or QT_LOGGING_RULES (see main.cpp).
Q_DECLARE_LOGGING_CATEGORY(lcCursor)
// Trouble writing the preference store.
Q_DECLARE_LOGGING_CATEGORY(lcStore)

} // namespace Dartline
