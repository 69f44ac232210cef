// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIcon>

namespace Dartline {

// The tray icon. Panels come in every shade, and an icon host tells an
// application nothing about the one it draws: the glyph is drawn in the ink
// of the desktop's appearance (light on a dark desktop, dark on a light one)
// inside a halo of the opposite tone, so it stands out on black, white and
// mid-grey panels alike, through XEmbed and StatusNotifierItem hosts.
namespace TrayGlyph {

QColor ink(bool dark);
QColor halo(bool dark);

// The icon at 18 and 36 pixels. The glyph templates are part of the program:
// without them the installation is broken, and this says so and ends the
// process rather than show an invisible icon.
QIcon icon(bool dark);

} // namespace TrayGlyph

} // namespace Dartline
