// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppIconArt.h"

#include "paint/ContinuousCorners.h"

#include <QGradient>
#include <QImage>
#include <QPainter>
#include <QPainterPathStroker>
#include <QRegularExpression>
#include <QTextStream>

#include <variant>
#include <vector>

namespace Dartline {

namespace {

// Everything is drawn on a 1024-unit grid.
constexpr qreal Grid = 1024.0;

struct Linear
{
    QPointF start, end;
    QGradientStops stops;
};

struct Layer
{
    QPainterPath path;
    std::variant<QColor, Linear> fill;
};

QColor rgb(quint32 value, qreal alpha = 1.0)
{
    QColor c = QColor::fromRgb((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

QPainterPath ring(const QPointF &centre, qreal radius, qreal width)
{
    QPainterPath circle;
    circle.addEllipse(centre, radius, radius);
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    return stroker.createStroke(circle);
}

// The classic pointer with its tail, tip at the origin, on a 7-unit grid.
QPainterPath pointer(const QPointF &tip, qreal unit)
{
    QPainterPath arrow;
    arrow.moveTo(tip);
    for (const QPointF &corner : { QPointF(0.0, 6.2), QPointF(1.55, 4.7), QPointF(2.75, 7.1), QPointF(3.85, 6.6),
             QPointF(2.65, 4.25), QPointF(4.5, 4.25) })
        arrow.lineTo(tip + corner * unit);
    arrow.closeSubpath();
    return arrow;
}

const QRectF TileRect(64, 64, 896, 896);
constexpr qreal TileRadius = 200;

std::vector<Layer> layers(bool detailed)
{
    std::vector<Layer> out;
    const QPainterPath tile = ContinuousCorners::roundedRect(TileRect, TileRadius);
    out.push_back({ tile, Linear { { 160, 64 }, { 864, 960 }, { { 0.0, rgb(0x4C7DFF) }, { 1.0, rgb(0x0024A3) } } } });
    // A sheen over the upper half, the way light falls on a glass tile.
    out.push_back(
        { tile, Linear { { 512, 64 }, { 512, 600 }, { { 0.0, rgb(0xFFFFFF, 0.20) }, { 1.0, rgb(0xFFFFFF, 0.0) } } } });

    // The monitor: bezel, screen, neck and foot. Small sizes get a wider
    // bezel and foot, so the outline survives the few pixels there are.
    const qreal bezelWidth = detailed ? 30 : 44;
    const QRectF bezel(212, 250, 600, 404);
    out.push_back({ ContinuousCorners::roundedRect(bezel, 62), rgb(0xFFFFFF) });
    const QRectF glass = bezel.adjusted(bezelWidth, bezelWidth, -bezelWidth, -bezelWidth);
    out.push_back({ ContinuousCorners::roundedRect(glass, 62 - bezelWidth),
        Linear { glass.topLeft(), glass.bottomRight(),
            { { 0.0, rgb(0xA8C8F7) }, { 0.5, rgb(0x5C8CE8) }, { 1.0, rgb(0x1F4FD0) } } } });
    QPainterPath neck;
    neck.addRect(QRectF(476, 654, 72, 62));
    out.push_back({ neck, rgb(0xFFFFFF, 0.86) });
    const qreal footHeight = detailed ? 40 : 52;
    out.push_back({ ContinuousCorners::capsule(QRectF(372, 712, 280, footHeight)), rgb(0xFFFFFF) });

    // The landing point at the screen's centre, and the pointer resting on it.
    const QPointF centre = glass.center();
    if (detailed) {
        out.push_back({ ring(centre, 112, 16), rgb(0xFFFFFF, 0.38) });
        out.push_back({ ring(centre, 66, 16), rgb(0xFFFFFF, 0.7) });
    }
    const QPainterPath arrow = pointer(centre, detailed ? 34 : 40);
    QPainterPathStroker halo;
    halo.setWidth(detailed ? 22 : 30);
    halo.setJoinStyle(Qt::RoundJoin);
    QPainterPath outline = halo.createStroke(arrow).united(arrow);
    out.push_back({ outline, rgb(0x0A1E6E) });
    out.push_back({ arrow, rgb(0xFFFFFF) });
    return out;
}

QBrush brushFor(const Layer &layer)
{
    if (const QColor *color = std::get_if<QColor>(&layer.fill))
        return *color;
    const Linear &g = std::get<Linear>(layer.fill);
    QLinearGradient gradient(g.start, g.end);
    gradient.setStops(g.stops);
    return gradient;
}

QString number(qreal v)
{
    return QString::number(v, 'f', 2).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

QString pathData(const QPainterPath &path)
{
    QString d;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            d += QStringLiteral("M%1 %2").arg(number(e.x), number(e.y));
            break;
        case QPainterPath::LineToElement:
            d += QStringLiteral("L%1 %2").arg(number(e.x), number(e.y));
            break;
        case QPainterPath::CurveToElement: {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element to = path.elementAt(i + 2);
            d += QStringLiteral("C%1 %2 %3 %4 %5 %6")
                     .arg(number(e.x), number(e.y), number(c2.x), number(c2.y), number(to.x), number(to.y));
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    return d;
}

QString colorText(const QColor &c)
{
    return c.name(QColor::HexRgb);
}

} // namespace

namespace AppIconArt {

QPainterPath tileShape(const QRectF &target)
{
    QTransform t;
    t.translate(target.x(), target.y());
    t.scale(target.width() / Grid, target.height() / Grid);
    return t.map(ContinuousCorners::roundedRect(TileRect, TileRadius));
}

void paint(QPainter &painter, const QRectF &target, int pixelSize)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(target.topLeft());
    painter.scale(target.width() / Grid, target.height() / Grid);
    for (const Layer &layer : layers(pixelSize >= 40)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(brushFor(layer));
        painter.drawPath(layer.path);
    }
    painter.restore();
}

QImage render(int pixelSize)
{
    QImage image(pixelSize, pixelSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter, QRectF(0, 0, pixelSize, pixelSize), pixelSize);
    return image;
}

QString svg()
{
    QString out;
    QTextStream s(&out);
    s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<!-- Written by the app-icon target from ui/AppIcon.cpp; edit the drawing there. -->\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1024\" height=\"1024\" viewBox=\"0 0 1024 1024\">\n";
    const std::vector<Layer> all = layers(true);
    s << "  <defs>\n";
    for (size_t i = 0; i < all.size(); ++i) {
        const Linear *g = std::get_if<Linear>(&all[i].fill);
        if (!g)
            continue;
        s << "    <linearGradient id=\"g" << i << "\" gradientUnits=\"userSpaceOnUse\" x1=\"" << number(g->start.x())
          << "\" y1=\"" << number(g->start.y()) << "\" x2=\"" << number(g->end.x()) << "\" y2=\"" << number(g->end.y())
          << "\">\n";
        for (const QGradientStop &stop : g->stops) {
            s << "      <stop offset=\"" << number(stop.first) << "\" stop-color=\"" << colorText(stop.second) << "\"";
            if (stop.second.alphaF() < 1.0)
                s << " stop-opacity=\"" << number(stop.second.alphaF()) << "\"";
            s << "/>\n";
        }
        s << "    </linearGradient>\n";
    }
    s << "  </defs>\n";
    for (size_t i = 0; i < all.size(); ++i) {
        const Layer &layer = all[i];
        s << "  <path fill-rule=\"" << (layer.path.fillRule() == Qt::WindingFill ? "nonzero" : "evenodd") << "\" d=\""
          << pathData(layer.path) << "\"";
        if (const QColor *c = std::get_if<QColor>(&layer.fill)) {
            s << " fill=\"" << colorText(*c) << "\"";
            if (c->alphaF() < 1.0)
                s << " fill-opacity=\"" << number(c->alphaF()) << "\"";
        } else {
            s << " fill=\"url(#g" << i << ")\"";
        }
        s << "/>\n";
    }
    s << "</svg>\n";
    return out;
}

} // namespace AppIconArt

} // namespace Dartline
