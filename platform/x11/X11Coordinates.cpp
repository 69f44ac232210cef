// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Coordinates.h"

#include <cmath>
#include <limits>

namespace Dartline {

QRectF X11Coordinates::toGlobal(const QRect &root)
{
    return QRectF(root);
}

QPointF X11Coordinates::toGlobal(const QPoint &root)
{
    return QPointF(root);
}

std::optional<QPoint> X11Coordinates::toRoot(const QPointF &global)
{
    // The centre of an odd-sized monitor falls on a half pixel; its floor is
    // the middle pixel, which keeps the pointer on that monitor.
    const double x = std::floor(global.x());
    const double y = std::floor(global.y());
    constexpr double low = std::numeric_limits<qint16>::min();
    constexpr double high = std::numeric_limits<qint16>::max();
    if (!(x >= low && x <= high && y >= low && y <= high)) // also false for NaN
        return std::nullopt;
    return QPoint(static_cast<int>(x), static_cast<int>(y));
}

} // namespace Dartline
