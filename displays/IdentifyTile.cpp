// SPDX-License-Identifier: GPL-3.0-or-later
#include "displays/IdentifyTile.h"

#include "displays/FeedbackWindow.h"
#include "paint/BrandColor.h"
#include "paint/ContinuousCorners.h"
#include "paint/DropShadow.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTransform>

namespace Dartline {

namespace {

// The brand colour, a little translucent where a compositor blends it.
QColor tileColor()
{
    QColor color = brandColor();
    color.setAlphaF(0.95f);
    return color;
}

QPainterPath outline(const QRectF &rect)
{
    return ContinuousCorners::roundedRect(rect, IdentifyTile::CornerRadius);
}

// The soft shadow under a composited tile, the size of the whole window. The
// part under the tile is cut away so the tile's own translucency shows the
// desktop, not its shadow. The same for every tile, so it is made once.
const QImage &tileShadow()
{
    static const QImage shadow = [] {
        const int m = IdentifyTile::ShadowMargin;
        const QRectF tile(QPointF(m, m), QSizeF(IdentifyTile::TileSize));
        QImage image(IdentifyTile::TileSize + QSize(2 * m, 2 * m), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        DropShadow::paint(painter, outline(tile), QColor(0, 0, 0, 90), 9.0, QPointF(0, 6));
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.fillPath(outline(tile), Qt::black);
        return image;
    }();
    return shadow;
}

} // namespace

IdentifyTile::IdentifyTile(int number, const QRect &screen, bool composited, const QString &caption)
    : m_number(number)
    , m_caption(caption)
    , m_composited(composited)
{
    FeedbackWindow::configure(*this, composited);
    setAccessibleName(tr("Display %1").arg(number));
    setAccessibleDescription(caption);
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
            painter.fillPath(outline(QRectF(QPointF(0, 0), QSizeF(TileSize))), Qt::black);
            return image;
        }();
        const qreal ratio = static_cast<qreal>(width()) / TileSize.width();
        setMask(QTransform::fromScale(ratio, ratio).map(FeedbackWindow::opaqueRegion(shape)));
    }
}

IdentifyTile::~IdentifyTile() = default;

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
        painter.fillPath(outline(QRectF(QPointF(0, 0), QSizeF(TileSize))), tileColor());
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
    painter.drawText(
        m_caption.isEmpty() ? NumberBox : NumberBox.translated(0, -12), Qt::AlignCenter, QString::number(m_number));
    if (m_caption.isEmpty())
        return;
    // The largest size up to 18 px at which the whole shortcut fits; a very
    // long one is cut with an ellipsis rather than made unreadable.
    font.setWeight(QFont::DemiBold);
    for (int size = 18; size >= 9; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(m_caption) <= CaptionBox.width())
            break;
    }
    painter.setFont(font);
    painter.drawText(
        CaptionBox, Qt::AlignCenter, QFontMetrics(font).elidedText(m_caption, Qt::ElideMiddle, CaptionBox.width()));
}

} // namespace Dartline
