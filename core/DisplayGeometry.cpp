// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DisplayGeometry.h"

#include <cmath>

namespace Dartline {

namespace DisplayGeometry {

bool orderedBefore(const QRectF &a, const QRectF &b)
{
    const QRectF na = a.normalized();
    const QRectF nb = b.normalized();
    if (na.x() != nb.x())
        return na.x() < nb.x();
    return na.y() < nb.y();
}

std::optional<QPointF> center(const QRectF &rect)
{
    const QRectF r = rect.normalized();
    // Written as negations so that a NaN size counts as not positive.
    if (!(r.width() > 0.0) || !(r.height() > 0.0))
        return std::nullopt;
    if (!std::isfinite(r.x()) || !std::isfinite(r.y()))
        return std::nullopt;
    if (!std::isfinite(r.width()) || !std::isfinite(r.height()))
        return std::nullopt;
    return QPointF(r.x() + r.width() / 2.0, r.y() + r.height() / 2.0);
}

} // namespace DisplayGeometry

} // namespace Dartline
