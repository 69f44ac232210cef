// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Keycap.h"

#include "paint/ContinuousCorners.h"
#include "paint/DropShadow.h"
#include "ui/DartlineTheme.h"
#include "ui/UiFonts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace Dartline {

Keycap::Keycap(QString label)
    : m_label(std::move(label))
{ }

QFont Keycap::font()
{
    return UiFonts::monospaced(13, QFont::Medium);
}

QSizeF Keycap::size() const
{
    const QFontMetricsF metrics(font());
    // Whole points, so that caps placed on whole points keep crisp edges and
    // even gaps whatever their labels' widths.
    return QSizeF(std::max(MinimumWidth, std::ceil(metrics.horizontalAdvance(m_label) + 2 * HorizontalInset)),
        std::max(MinimumHeight, std::ceil(metrics.height())));
}

void Keycap::paint(QPainter &painter, const QRectF &face) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = ContinuousCorners::roundedRect(face, CornerRadius);
    const QPainterPath edge = shape.translated(0, EdgeDrop);

    // The shadow belongs to the whole cap, edge included.
    DropShadow::paint(painter, shape.united(edge), QColor::fromRgbF(0, 0, 0, 0.035f), 1.0, QPointF(0, 2));

    painter.fillPath(edge, DartlineTheme::keyEdge());
    QLinearGradient gradient(face.topLeft(), face.bottomLeft());
    gradient.setColorAt(0, DartlineTheme::keyFace());
    gradient.setColorAt(1, DartlineTheme::keyBottom());
    painter.fillPath(shape, gradient);

    painter.setFont(font());
    painter.setPen(DartlineTheme::label());
    painter.drawText(face, Qt::AlignCenter | Qt::TextSingleLine, m_label);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(DartlineTheme::label(0.075), 0.75));
    painter.drawPath(shape);
    painter.restore();
}

} // namespace Dartline
