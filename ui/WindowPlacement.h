// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QRect>

class QWidget;

namespace Dartline {

// Keeps a window where the user can see it. A frame restored from an earlier
// run, or left on a monitor that has since been switched off, may lie partly
// or wholly outside every monitor; window managers do not always bring it back.
namespace WindowPlacement {

// Where `frame` goes so that it lies wholly inside one of `areas` (the
// monitors' available areas): unchanged when it already does; otherwise onto
// the area that shows most of it, or, when none shows any, the nearest one
// (`primary` on a tie), moved no further than needed and made smaller only
// when it does not fit.
QRect fitted(const QRect &frame, const QList<QRect> &areas, const QRect &primary);

// Moves (and if needed shrinks) the top-level `window` so that its frame
// lies on a connected monitor.
void moveOntoScreen(QWidget *window);

} // namespace WindowPlacement

} // namespace Dartline
