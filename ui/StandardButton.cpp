// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StandardButton.h"

#include "paint/ContinuousCorners.h"
#include "paint/DropShadow.h"
#include "ui/DartlineTheme.h"
#include "ui/UiFonts.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace Dartline {

namespace {
constexpr qreal Radius = 5.0;
constexpr qreal HorizontalInset = 9.0;
constexpr qreal VerticalInset = 3.0;
constexpr qreal ShadowRoom = 1.0;
} // namespace

StandardButton::StandardButton(const QString &text, int pixelSize, QWidget *parent)
    : PaintedButton(parent)
{
    setText(text);
    setFont(UiFonts::system(pixelSize));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize StandardButton::sizeHint() const
{
    const QFontMetricsF metrics(font());
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text()) + 2 * HorizontalInset)),
        static_cast<int>(std::ceil(metrics.height() + 2 * VerticalInset + ShadowRoom)));
}

QPainterPath StandardButton::outline() const
{
    return ContinuousCorners::roundedRect(QRectF(rect()).adjusted(0, 0, 0, -ShadowRoom), Radius);
}

void StandardButton::paintButton(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(rect()).adjusted(0, 0, 0, -ShadowRoom);
    const QPainterPath shape = outline();
    const bool dark = DartlineTheme::isDark();

    DropShadow::paint(painter, shape, QColor::fromRgbF(0, 0, 0, dark ? 0.3f : 0.12f), 1.0, QPointF(0, 0.5));
    QColor fill = dark ? DartlineTheme::label(0.16) : DartlineTheme::surface();
    painter.fillPath(shape, fill);
    if (isDown())
        painter.fillPath(shape, DartlineTheme::label(0.1));
    else if (isHovered() && isEnabled())
        painter.fillPath(shape, DartlineTheme::label(0.04));
    painter.setPen(QPen(DartlineTheme::label(dark ? 0.1 : 0.14), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(ContinuousCorners::roundedRect(face.adjusted(0.25, 0.25, -0.25, -0.25), Radius));

    painter.setFont(font());
    painter.setPen(DartlineTheme::label());
    painter.drawText(face, Qt::AlignCenter | Qt::TextSingleLine, text());
}

} // namespace Dartline
