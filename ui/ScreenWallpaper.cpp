// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ScreenWallpaper.h"

#include "paint/DropShadow.h"
#include "ui/DartlineTheme.h"
#include "ui/UiFonts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace Dartline {

ScreenWallpaper::ScreenWallpaper(int number, qreal fontSize)
    : m_number(number)
    , m_fontSize(fontSize)
{ }

void ScreenWallpaper::paint(QPainter &painter, const QRectF &rect) const
{
    const qreal w = rect.width();
    const qreal h = rect.height();
    if (!(w > 0) || !(h > 0))
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient base(rect.topLeft(), rect.bottomRight());
    base.setColorAt(0.0, QColor::fromRgbF(0.48f, 0.66f, 0.91f));
    base.setColorAt(0.5, QColor::fromRgbF(0.22f, 0.40f, 0.78f));
    base.setColorAt(1.0, brandColor());
    painter.fillRect(rect, base);

    // The glow: a large tilted ellipse, turned 24 degrees counter-clockwise
    // about its own centre, then pushed towards the lower left.
    {
        painter.save();
        const QPointF centre = rect.center() + QPointF(w * -0.48, h * 0.24);
        painter.translate(centre);
        painter.rotate(-24.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(1, 1, 1, 0.15f));
        painter.drawEllipse(QRectF(-w * 1.4 / 2, -h * 1.8 / 2, w * 1.4, h * 1.8));
        painter.restore();
    }

    QLinearGradient shade(rect.topLeft(), rect.bottomLeft());
    shade.setColorAt(0.0, QColor::fromRgbF(0, 0, 0, 0.12f));
    shade.setColorAt(0.5, QColor::fromRgbF(0, 0, 0, 0));
    shade.setColorAt(1.0, QColor::fromRgbF(1, 1, 1, 0.06f));
    painter.fillRect(rect, shade);

    // The number, centred on its line box like any text label.
    QFont font = UiFonts::system(1, QFont::Medium);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(m_fontSize))));
    const QFontMetricsF metrics(font);
    const QString text = QString::number(m_number);
    const QPointF baseline(rect.center().x() - metrics.horizontalAdvance(text) / 2,
        rect.center().y() - (metrics.ascent() + metrics.descent()) / 2 + metrics.ascent());
    QPainterPath glyphs;
    glyphs.addText(baseline, font, text);
    DropShadow::paint(painter, glyphs, QColor::fromRgbF(0, 0, 0, 0.14f), 2.0, QPointF(0, 1));
    painter.fillPath(glyphs, QColor::fromRgbF(1, 1, 1, 0.94f));
    painter.restore();
}

} // namespace Dartline
