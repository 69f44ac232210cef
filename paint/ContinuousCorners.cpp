// SPDX-License-Identifier: GPL-3.0-or-later
#include "paint/ContinuousCorners.h"

#include <QPointF>

#include <algorithm>
#include <array>
#include <cmath>

namespace Dartline {

namespace {

// One corner as three cubic segments, in corner-local units of the radius:
// x runs back along the edge the path arrives on, y along the edge it leaves
// on. Ten points: start, then (control, control, end) three times.
using Corner = std::array<QPointF, 10>;

// The widely used fit of the continuous corner; it spans 1.52866 radii.
constexpr Corner Smooth = { {
    { 1.52866483, 0.0 },
    { 1.08849323, 0.0 },
    { 0.86840689, 0.02501451 },
    { 0.66993427, 0.06549600 },
    { 0.37282392, 0.16905415 },
    { 0.16905415, 0.37282392 },
    { 0.06549600, 0.66993427 },
    { 0.02501451, 0.86840689 },
    { 0.0, 1.08849323 },
    { 0.0, 1.52866483 },
} };

constexpr qreal SmoothExtent = 1.52866483;

// A circular quarter arc in the same three-segment form (the one-segment
// cubic arc split at thirds), so the two can be blended point by point.
Corner circularCorner()
{
    constexpr qreal k = 0.55228475;
    const std::array<QPointF, 4> c
        = { QPointF(1.0, 0.0), QPointF(1.0 - k, 0.0), QPointF(0.0, 1.0 - k), QPointF(0.0, 1.0) };
    auto split = [&](qreal t0, qreal t1) {
        // The sub-curve between t0 and t1 of the cubic c.
        auto at = [&](qreal t) {
            const qreal u = 1.0 - t;
            return u * u * u * c[0] + 3 * u * u * t * c[1] + 3 * u * t * t * c[2] + t * t * t * c[3];
        };
        auto tangent = [&](qreal t) {
            const qreal u = 1.0 - t;
            return 3 * u * u * (c[1] - c[0]) + 6 * u * t * (c[2] - c[1]) + 3 * t * t * (c[3] - c[2]);
        };
        const qreal h = (t1 - t0) / 3.0;
        return std::array<QPointF, 3> { at(t0) + h * tangent(t0), at(t1) - h * tangent(t1), at(t1) };
    };
    Corner corner;
    corner[0] = c[0];
    int i = 1;
    for (const auto &[t0, t1] : { std::pair { 0.0, 1.0 / 3.0 }, { 1.0 / 3.0, 2.0 / 3.0 }, { 2.0 / 3.0, 1.0 } }) {
        for (const QPointF &p : split(t0, t1))
            corner[static_cast<size_t>(i++)] = p;
    }
    return corner;
}

} // namespace

namespace ContinuousCorners {

QPainterPath roundedRect(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    const QRectF r = rect.normalized();
    if (r.isEmpty())
        return path;
    const qreal half = std::min(r.width(), r.height()) / 2.0;
    radius = std::clamp(radius, 0.0, half);
    if (!(radius > 0.0)) {
        path.addRect(r);
        return path;
    }

    // How far the full continuous curve fits: 1 keeps it, 0 falls back to a
    // circular arc (a capsule's ends), in between blends the two.
    const qreal room = half / radius - 1.0;
    const qreal t = std::clamp(room / (SmoothExtent - 1.0), 0.0, 1.0);
    static const Corner circle = circularCorner();
    Corner corner;
    for (size_t i = 0; i < corner.size(); ++i)
        corner[i] = circle[i] + (Smooth[i] - circle[i]) * t;

    struct Frame
    {
        QPointF vertex, back, forward;
    };
    const std::array<Frame, 4> frames = { {
        { r.topRight(), { -1, 0 }, { 0, 1 } },
        { r.bottomRight(), { 0, -1 }, { -1, 0 } },
        { r.bottomLeft(), { 1, 0 }, { 0, -1 } },
        { r.topLeft(), { 0, 1 }, { 1, 0 } },
    } };
    auto place = [&](const Frame &f, const QPointF &local) {
        return f.vertex + radius * (local.x() * f.back + local.y() * f.forward);
    };

    path.moveTo(place(frames[3], corner[9]));
    for (const Frame &f : frames) {
        path.lineTo(place(f, corner[0]));
        for (size_t i = 1; i < corner.size(); i += 3)
            path.cubicTo(place(f, corner[i]), place(f, corner[i + 1]), place(f, corner[i + 2]));
    }
    path.closeSubpath();
    return path;
}

QPainterPath capsule(const QRectF &rect)
{
    const QRectF r = rect.normalized();
    return roundedRect(r, std::min(r.width(), r.height()) / 2.0);
}

} // namespace ContinuousCorners

} // namespace Dartline
