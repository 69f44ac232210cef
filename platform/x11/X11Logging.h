// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

namespace Dartline {

// Keys on the X server: the keymap, hot keys lost after a keyboard change and
// the keyboard grab of a recording.
Q_DECLARE_LOGGING_CATEGORY(lcKeys)

} // namespace Dartline
