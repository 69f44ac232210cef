// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace Dartline {

// Dartline's application icon as the program uses it: the PNG sizes from
// resources/icon, compiled in (drawn by AppIconArt).
namespace AppIcon {

QIcon icon();

} // namespace AppIcon

} // namespace Dartline
