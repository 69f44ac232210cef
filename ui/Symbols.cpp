// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Symbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <algorithm>

namespace Dartline {

namespace {

// Outline glyphs are built on a 1 x 1 square and stroked at a weight that
// follows the box, like a symbol font's regular weight.
qreal strokeFor(qreal size)
{
    return std::max(1.0, size * 0.1);
}

QPainterPath pencil(qreal s, qreal w)
{
    // A pencil lying from bottom-left to top-right: body, a band at the
    // eraser end and the sharpened tip, outlined.
    QPainterPath body;
    const qreal len = s * 0.98;
    const qreal girth = s * 0.30;
    const qreal tip = s * 0.26;
    body.moveTo(0, -girth / 2);
    body.lineTo(len - tip, -girth / 2);
    body.lineTo(len, 0);
    body.lineTo(len - tip, girth / 2);
    body.lineTo(0, girth / 2);
    body.closeSubpath();
    QPainterPath band;
    band.moveTo(s * 0.2, -girth / 2);
    band.lineTo(s * 0.2, girth / 2);
    band.moveTo(len - tip, -girth / 2);
    band.lineTo(len - tip, girth / 2);

    QPainterPathStroker stroker;
    stroker.setWidth(w);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setCapStyle(Qt::RoundCap);
    QPainterPath glyph = stroker.createStroke(body).united(stroker.createStroke(band));

    QTransform t;
    t.translate(s * 0.14, s * 0.86);
    t.rotate(-45);
    return t.map(glyph);
}

QPainterPath exclamation(const QPointF &top, qreal length, qreal w)
{
    QPainterPath mark;
    QPainterPath bar;
    bar.moveTo(top);
    bar.lineTo(top + QPointF(0, length));
    QPainterPathStroker stroker;
    stroker.setWidth(w * 1.1);
    stroker.setCapStyle(Qt::RoundCap);
    mark = stroker.createStroke(bar);
    const qreal dot = w * 0.75;
    mark.addEllipse(top + QPointF(0, length + w * 1.9), dot, dot);
    return mark;
}

} // namespace

namespace Symbols {

void paint(QPainter &painter, Kind kind, const QRectF &box, const QColor &color)
{
    if (kind == Kind::None || box.isEmpty())
        return;
    const qreal s = std::min(box.width(), box.height());
    const qreal w = strokeFor(s);
    const QPointF origin(box.center().x() - s / 2, box.center().y() - s / 2);

    QPainterPath glyph;
    switch (kind) {
    case Kind::Pencil:
        glyph = pencil(s, w);
        break;
    case Kind::ExclamationTriangle: {
        QPainterPath triangle;
        const qreal inset = w / 2;
        triangle.moveTo(s / 2, inset + s * 0.04);
        triangle.lineTo(s - inset, s * 0.9 - inset);
        triangle.lineTo(inset, s * 0.9 - inset);
        triangle.closeSubpath();
        QPainterPathStroker stroker;
        stroker.setWidth(w);
        stroker.setJoinStyle(Qt::RoundJoin);
        glyph = stroker.createStroke(triangle);
        glyph.addPath(exclamation(QPointF(s / 2, s * 0.36), s * 0.22, w));
        break;
    }
    case Kind::ExclamationCircle: {
        QPainterPath ring;
        ring.addEllipse(QRectF(w / 2, w / 2, s - w, s - w));
        QPainterPathStroker stroker;
        stroker.setWidth(w);
        glyph = stroker.createStroke(ring);
        glyph.addPath(exclamation(QPointF(s / 2, s * 0.27), s * 0.26, w));
        break;
    }
    case Kind::None:
        break;
    }
    glyph.setFillRule(Qt::WindingFill);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(origin);
    painter.fillPath(glyph, color);
    painter.restore();
}

} // namespace Symbols

} // namespace Dartline
