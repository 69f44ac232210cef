// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QRectF>

#include <optional>

namespace Dartline {

// Rules on display rectangles in global coordinates (y grows downwards).
namespace DisplayGeometry {

// The display further left first; on equal left edges the higher one.
// Exact comparisons, strict, and only the top-left corner counts.
bool orderedBefore(const QRectF &a, const QRectF &b);

// The unrounded midpoint, or none for an empty or non-finite rectangle.
std::optional<QPointF> center(const QRectF &rect);

} // namespace DisplayGeometry

} // namespace Dartline
