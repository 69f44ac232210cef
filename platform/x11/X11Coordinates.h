// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>

#include <optional>

namespace Dartline {

// Global coordinates are X root-window pixels. Qt may scale its own windows
// (devicePixelRatio), but the root does not scale, so bounds, warps and the
// pointer position stay in root pixels; only these two functions would
// change if that decision did.
namespace X11Coordinates {

QRectF toGlobal(const QRect &root);
QPointF toGlobal(const QPoint &root);

// The root pixel that contains `global`, or none when the point is not finite
// or lies outside the 16-bit coordinate range of the protocol.
std::optional<QPoint> toRoot(const QPointF &global);

} // namespace X11Coordinates

} // namespace Dartline
