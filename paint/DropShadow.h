// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPointF>

class QPainter;

namespace Dartline {

// Soft shadows under shapes, drawn by whoever paints behind the shape (the
// shadow reaches beyond the shape, often beyond its widget).
namespace DropShadow {

// Paints the shadow of `shape` in `color`, blurred with a Gaussian whose
// standard deviation is half of `blurRadius`, moved by `offset`. The blurred
// masks are cached, so repainting the same shapes is cheap.
void paint(QPainter &painter, const QPainterPath &shape, const QColor &color, qreal blurRadius, QPointF offset);

} // namespace DropShadow

} // namespace Dartline
