// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QString>

class QPainter;

namespace Dartline {

// The drawing of Dartline's application icon: a monitor on a brand-blue
// tile, a pointer landing on the centre of its screen. Vector shapes only, so
// the same layers give the PNG sizes and the scalable SVG in resources/icons
// (written by the "app-icon" target).
namespace AppIconArt {

// Draws the icon into the square `target`. Below 40 pixels the drawing is
// simpler (no landing rings, bolder bezel), since fine detail turns to mush.
void paint(QPainter &painter, const QRectF &target, int pixelSize);
QImage render(int pixelSize);

// The tile's outline inside `target`, for shadows under the icon.
QPainterPath tileShape(const QRectF &target);

// The full drawing as a standalone SVG document.
QString svg();

} // namespace AppIconArt

} // namespace Dartline
