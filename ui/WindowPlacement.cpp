// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace Dartline {

namespace WindowPlacement {

namespace {

qint64 area(const QRect &r)
{
    return r.isEmpty() ? 0 : qint64(r.width()) * r.height();
}

// Squared distance from `p` to the nearest point of `r`.
qint64 distance(const QPoint &p, const QRect &r)
{
    const qint64 dx = std::max({ r.left() - p.x(), 0, p.x() - r.right() });
    const qint64 dy = std::max({ r.top() - p.y(), 0, p.y() - r.bottom() });
    return dx * dx + dy * dy;
}

} // namespace

QRect fitted(const QRect &frame, const QList<QRect> &areas, const QRect &primary)
{
    if (areas.isEmpty() || std::any_of(areas.cbegin(), areas.cend(), [&](const QRect &a) { return a.contains(frame); }))
        return frame;

    QRect target = primary.isEmpty() ? areas.constFirst() : primary;
    qint64 shown = area(target & frame);
    qint64 nearest = distance(frame.center(), target);
    for (const QRect &a : areas) {
        const qint64 overlap = area(a & frame);
        const qint64 away = distance(frame.center(), a);
        if (overlap > shown || (shown == 0 && overlap == 0 && away < nearest)) {
            target = a;
            shown = overlap;
            nearest = away;
        }
    }

    const QSize size = frame.size().boundedTo(target.size());
    const int x = std::clamp(frame.x(), target.left(), target.right() - size.width() + 1);
    const int y = std::clamp(frame.y(), target.top(), target.bottom() - size.height() + 1);
    return QRect(QPoint(x, y), size);
}

void moveOntoScreen(QWidget *window)
{
    QList<QRect> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    const QScreen *primary = QGuiApplication::primaryScreen();
    const QRect frame = window->frameGeometry();
    const QRect target = fitted(frame, areas, primary ? primary->availableGeometry() : QRect());
    if (target == frame)
        return;
    if (target.size() != frame.size())
        window->resize(window->size() - (frame.size() - target.size()));
    // A top-level widget's position is its frame's.
    window->move(target.topLeft());
}

} // namespace WindowPlacement

} // namespace Dartline
