// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPainterPath>
#include <QRectF>

namespace Dartline {

// Every rounded shape goes through here, so cards, caps, buttons, thumbnails
// and the identify tiles share one corner curve: a curvature-continuous
// (squircle-like) corner that eases into the straight edges instead of
// meeting them with a circular arc's visible kink.
namespace ContinuousCorners {

// A rectangle whose corners have the given nominal radius. The curve reaches
// about 1.53 x radius along each edge; when the rectangle is too small for
// that, the corner blends towards a circular arc so the shape stays convex.
QPainterPath roundedRect(const QRectF &rect, qreal radius);

// A rounded rectangle whose radius is half its shorter side.
QPainterPath capsule(const QRectF &rect);

} // namespace ContinuousCorners

} // namespace Dartline
