// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keycap.h"

#include "ContinuousCorners.h"
#include "DartlineTheme.h"
#include "DropShadow.h"
#include "Symbols.h"
#include "UiFonts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace {
// The modifier symbols are drawn, about as tall as the label's capitals.
constexpr qreal SymbolSize = 11.0;
} // namespace

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
    const qreal content
        = Symbols::forKeyLabel(m_label) != Symbols::Kind::None ? SymbolSize : metrics.horizontalAdvance(m_label);
    return QSizeF(std::max(MinimumWidth, content + 2 * HorizontalInset), std::max(MinimumHeight, metrics.height()));
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

    const Symbols::Kind symbol = Symbols::forKeyLabel(m_label);
    if (symbol != Symbols::Kind::None) {
        const qreal side = SymbolSize;
        Symbols::paint(painter, symbol, QRectF(face.center().x() - side / 2, face.center().y() - side / 2, side, side),
            DartlineTheme::label());
    } else {
        painter.setFont(font());
        painter.setPen(DartlineTheme::label());
        painter.drawText(face, Qt::AlignCenter | Qt::TextSingleLine, m_label);
    }

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(DartlineTheme::label(0.075), 0.75));
    painter.drawPath(shape);
    painter.restore();
}
