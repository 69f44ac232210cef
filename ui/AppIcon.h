// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace Dartline {

// Dartline's application icon as the program uses it: the icon theme's
// org.dartline.Dartline (an installed or themed copy), else the sizes compiled
// in from resources/icons (drawn by AppIconArt).
namespace AppIcon {

QIcon icon();

} // namespace AppIcon

} // namespace Dartline
