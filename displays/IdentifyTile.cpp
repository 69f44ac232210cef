// SPDX-License-Identifier: GPL-3.0-or-later
#include "displays/IdentifyTile.h"

#include "displays/FeedbackWindow.h"

#include <QApplication>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace Dartline {

namespace {

constexpr int shadowBlur = 12; // radius of the soft edge
constexpr int shadowOffsetY = 6;
constexpr int shadowAlpha = 90;

// Three box blurs in a row come close to a Gaussian; alpha only, in place.
void blurAlpha(QImage &image, int radius)
{
    const int w = image.width();
    const int h = image.height();
    std::vector<int> line(static_cast<size_t>(std::max(w, h)));
    auto pass = [&](bool horizontal) {
        const int outer = horizontal ? h : w;
        const int inner = horizontal ? w : h;
        for (int o = 0; o < outer; ++o) {
            auto pixel = [&](int i) -> QRgb & {
                const int x = horizontal ? i : o;
                const int y = horizontal ? o : i;
                return reinterpret_cast<QRgb *>(image.scanLine(y))[x];
            };
            for (int i = 0; i < inner; ++i)
                line[static_cast<size_t>(i)] = qAlpha(pixel(i));
            int sum = 0;
            for (int i = -radius; i <= radius; ++i)
                sum += (i >= 0 && i < inner) ? line[static_cast<size_t>(i)] : 0;
            for (int i = 0; i < inner; ++i) {
                const int a = sum / (2 * radius + 1);
                pixel(i) = qPremultiply(qRgba(0, 0, 0, a));
                const int leaving = i - radius;
                const int entering = i + radius + 1;
                if (leaving >= 0)
                    sum -= line[static_cast<size_t>(leaving)];
                if (entering < inner)
                    sum += line[static_cast<size_t>(entering)];
            }
        }
    };
    for (int round = 0; round < 3; ++round) {
        pass(true);
        pass(false);
    }
}

// The soft shadow under a composited tile, the size of the whole window. The
// part under the tile is cut away so the tile's own translucency shows the
// desktop, not its shadow. The same for every tile, so it is made once.
const QImage &tileShadow()
{
    static const QImage shadow = [] {
        const int m = IdentifyTile::ShadowMargin;
        const QSize size = IdentifyTile::TileSize + QSize(2 * m, 2 * m);
        const QRectF tile(QPointF(m, m), QSizeF(IdentifyTile::TileSize));
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(IdentifyTile::roundedPath(tile.translated(0, shadowOffsetY), IdentifyTile::CornerRadius),
            QColor(0, 0, 0, shadowAlpha));
        painter.end();
        blurAlpha(image, shadowBlur / 3);
        painter.begin(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.fillPath(IdentifyTile::roundedPath(tile, IdentifyTile::CornerRadius), Qt::black);
        return image;
    }();
    return shadow;
}

} // namespace

IdentifyTile::IdentifyTile(int number, const QRect &screen, bool composited)
    : m_number(number)
    , m_composited(composited)
{
    FeedbackWindow::configure(*this, composited);
    m_tile = QRect(QPoint(screen.x() + (screen.width() - TileSize.width()) / 2,
                       screen.y() + (screen.height() - TileSize.height()) / 2),
        TileSize);
    const int margin = composited ? ShadowMargin : 0;
    const QRect window = m_tile.adjusted(-margin, -margin, margin, margin);
    setGeometry(FeedbackWindow::toLogical(window));
    if (!composited) {
        // Without blending the tile is cut to its outline; anything outside
        // it would otherwise be an opaque square over the desktop.
        const QImage shape = [] {
            QImage image(TileSize, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillPath(roundedPath(QRectF(QPointF(0, 0), QSizeF(TileSize)), CornerRadius), Qt::black);
            return image;
        }();
        const qreal ratio = static_cast<qreal>(width()) / TileSize.width();
        setMask(QTransform::fromScale(ratio, ratio).map(FeedbackWindow::opaqueRegion(shape)));
    }
}

IdentifyTile::~IdentifyTile() = default;

QPainterPath IdentifyTile::roundedPath(const QRectF &rect, qreal radius)
{
    // Each corner is one cubic that starts 1.528 r along the edge, with its
    // handles placed so the curve passes through the apex of a circular corner
    // of radius r: the curvature then rises gradually out of the straight edge.
    const qreal reach = std::min({ radius * 1.528, rect.width() / 2, rect.height() / 2 });
    const qreal apex = radius * (1 - M_SQRT1_2);
    const qreal handle = std::max((4 * reach - 8 * apex) / 3, 0.0);
    const qreal l = rect.left();
    const qreal t = rect.top();
    const qreal r = rect.right();
    const qreal b = rect.bottom();
    QPainterPath path;
    path.moveTo(l + reach, t);
    path.lineTo(r - reach, t);
    path.cubicTo(r - reach + handle, t, r, t + reach - handle, r, t + reach);
    path.lineTo(r, b - reach);
    path.cubicTo(r, b - reach + handle, r - reach + handle, b, r - reach, b);
    path.lineTo(l + reach, b);
    path.cubicTo(l + reach - handle, b, l, b - reach + handle, l, b - reach);
    path.lineTo(l, t + reach);
    path.cubicTo(l, t + reach - handle, l + reach - handle, t, l + reach, t);
    path.closeSubpath();
    return path;
}

void IdentifyTile::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // Drawn in root pixels; Qt's scaling, if any, is one uniform factor.
    const qreal ratio = static_cast<qreal>(width()) / (m_tile.width() + (m_composited ? 2 * ShadowMargin : 0));
    painter.scale(ratio, ratio);
    if (m_composited) {
        painter.drawImage(0, 0, tileShadow());
        painter.translate(ShadowMargin, ShadowMargin);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(roundedPath(QRectF(QPointF(0, 0), QSizeF(TileSize)), CornerRadius), tileColor());
    } else {
        // Full strength: there is nothing to blend with, and the mask gives the outline.
        QColor solid = tileColor();
        solid.setAlpha(255);
        painter.fillRect(QRect(QPoint(0, 0), TileSize), solid);
    }
    QFont font = QApplication::font();
    font.setPixelSize(NumberPixelSize);
    font.setWeight(QFont::Medium);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(NumberBox, Qt::AlignCenter, QString::number(m_number));
}

} // namespace Dartline
