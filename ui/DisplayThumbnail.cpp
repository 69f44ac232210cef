// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DisplayThumbnail.h"

#include "paint/ContinuousCorners.h"
#include "paint/DropShadow.h"
#include "ui/DartlineTheme.h"
#include "ui/ScreenWallpaper.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace Dartline {

namespace {

QColor white(qreal level, qreal alpha = 1.0)
{
    const float v = static_cast<float>(level);
    return QColor::fromRgbF(v, v, v, static_cast<float>(alpha));
}

constexpr qreal ScreenRadius = 5.0;
constexpr qreal WallpaperInset = 2.5;
constexpr qreal WallpaperRadius = 3.0;

} // namespace

DisplayThumbnail::DisplayThumbnail(int number, bool builtIn)
    : m_number(number)
    , m_builtIn(builtIn)
{ }

qreal DisplayThumbnail::standHeight(const QRectF &frame)
{
    return std::min(0.16 * frame.height(), 11.0);
}

qreal DisplayThumbnail::numberFontSize(qreal screenHeight)
{
    return std::min(std::max(0.34 * screenHeight, 6.0), 24.0);
}

QRectF DisplayThumbnail::screenRect(const QRectF &frame) const
{
    const qreal width = frame.width() * (m_builtIn ? 0.91 : 1.0);
    const qreal height = frame.height() - standHeight(frame);
    return QRectF(frame.center().x() - width / 2, frame.top(), width, height);
}

QPainterPath DisplayThumbnail::standShape(const QRectF &frame) const
{
    const qreal w = frame.width();
    const qreal s = standHeight(frame);
    const qreal top = frame.bottom() - s;
    QPainterPath shape;
    if (m_builtIn) {
        shape.addPath(ContinuousCorners::capsule(QRectF(frame.left(), top, w, std::min(s, 4.0))));
    } else {
        const qreal neckHeight = s * 0.72;
        shape.addRect(QRectF(frame.center().x() - w * 0.05, top, w * 0.1, neckHeight));
        shape.addPath(
            ContinuousCorners::capsule(QRectF(frame.center().x() - w * 0.15, top + neckHeight, w * 0.3, s * 0.28)));
    }
    return shape;
}

void DisplayThumbnail::paint(QPainter &painter, const QRectF &frame) const
{
    if (frame.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF screen = screenRect(frame);
    const QPainterPath screenShape = ContinuousCorners::roundedRect(screen, ScreenRadius);
    const qreal w = frame.width();
    const qreal s = standHeight(frame);
    const qreal standTop = frame.bottom() - s;

    QPainterPath silhouette = screenShape;
    silhouette.addPath(standShape(frame));
    silhouette.setFillRule(Qt::WindingFill);
    DropShadow::paint(painter, silhouette, DartlineTheme::withOpacity(brandColor(), 0.1), 6.0, QPointF(0, 4));

    // Screen: bezel, then the wallpaper inset and clipped, then a fine rim.
    QLinearGradient bezel(screen.topLeft(), screen.bottomRight());
    bezel.setColorAt(0, white(0.3));
    bezel.setColorAt(1, white(0.1));
    painter.fillPath(screenShape, bezel);
    const QRectF glass = screen.adjusted(WallpaperInset, WallpaperInset, -WallpaperInset, -WallpaperInset);
    if (glass.width() > 0 && glass.height() > 0) {
        painter.save();
        painter.setClipPath(ContinuousCorners::roundedRect(glass, WallpaperRadius), Qt::IntersectClip);
        ScreenWallpaper(m_number, numberFontSize(screen.height())).paint(painter, glass);
        painter.restore();
    }
    painter.setPen(QPen(white(1.0, 0.18), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(screenShape);
    painter.setPen(Qt::NoPen);

    if (m_builtIn) {
        const QRectF base(frame.left(), standTop, w, std::min(s, 4.0));
        QLinearGradient metal(base.topLeft(), base.bottomLeft());
        metal.setColorAt(0, white(0.78));
        metal.setColorAt(1, white(0.43));
        painter.fillPath(ContinuousCorners::capsule(base), metal);
        const QRectF notch(base.center().x() - w * 0.08, base.top(), w * 0.16, 1.0);
        painter.fillPath(ContinuousCorners::capsule(notch), QColor::fromRgbF(0, 0, 0, 0.22f));
    } else {
        const QRectF neck(frame.center().x() - w * 0.05, standTop, w * 0.1, s * 0.72);
        QLinearGradient column(neck.topLeft(), neck.bottomLeft());
        column.setColorAt(0, white(0.34));
        column.setColorAt(1, white(0.6));
        painter.fillRect(neck, column);
        const QRectF foot(frame.center().x() - w * 0.15, neck.bottom(), w * 0.3, s * 0.28);
        painter.fillPath(ContinuousCorners::capsule(foot), white(0.58));
    }
    painter.restore();
}

} // namespace Dartline
