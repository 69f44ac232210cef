// SPDX-License-Identifier: GPL-3.0-or-later
#include "displays/CursorPulseView.h"

#include "displays/FeedbackWindow.h"

#include <QPainter>
#include <QPaintEvent>
#include <QTransform>

#include <cmath>

#include <xcb/xproto.h>

namespace Dartline {

CursorPulseView::CursorPulseView(const CursorImage &cursor, const QPointF &landing, int side, bool composited)
    : m_composited(composited)
{
    FeedbackWindow::configure(*this, composited);
    restart(cursor, landing, side);
}

CursorPulseView::~CursorPulseView() = default;

QRect CursorPulseView::rootGeometry(const QPointF &landing, int side)
{
    return QRect(static_cast<int>(std::lround(landing.x() - side / 2.0)),
        static_cast<int>(std::lround(landing.y() - side / 2.0)), side, side);
}

void CursorPulseView::restart(const CursorImage &cursor, const QPointF &landing, int side)
{
    const QRect before = m_drawn;
    m_cursor = cursor;
    m_scale = 1.0;
    m_opacity = 1.0;
    const QRect root = rootGeometry(landing, side);
    // Measured from the window's real corner, so that rounding the corner to a
    // pixel never moves the hot spot off the landing point.
    m_centre = landing - QPointF(root.topLeft());
    m_root = root;
    if (m_frame.size() != root.size()) {
        // Cleared once; after that each frame clears only what the one before drew.
        m_nativeSize = root.size();
        m_frame = QImage(m_nativeSize, QImage::Format_ARGB32_Premultiplied);
        m_frame.fill(Qt::transparent);
        m_drawn = QRect();
    }
    setGeometry(FeedbackWindow::toLogical(root));
    render();
    // A window that stays on the screen keeps its old pixels where it moves to.
    if (isVisible())
        update(toLogical(before | m_drawn));
}

QRect CursorPulseView::toLogical(const QRect &native) const
{
    if (width() == m_nativeSize.width())
        return native;
    const qreal ratio = qreal(width()) / m_nativeSize.width();
    return QTransform::fromScale(ratio, ratio).mapRect(QRectF(native)).toAlignedRect();
}

void CursorPulseView::setFrame(qreal scale, qreal opacity)
{
    const QRect before = m_drawn;
    const bool faded = !qFuzzyCompare(opacity, m_opacity);
    m_scale = scale;
    m_opacity = opacity;
    render();
    // The window is some six cursors wide and the cursor fills a fraction of
    // it: only where the old and the new frame lie is painted and sent to the
    // server. Without a compositor the opacity is never shown, so a change of
    // it alone changes nothing on the screen.
    if ((faded && m_composited) || before != m_drawn)
        update(toLogical(before | m_drawn));
}

void CursorPulseView::render()
{
    const QSizeF size = m_cursor.image.size();
    const QPointF hot = m_cursor.hotSpot;
    const QRectF target(m_centre.x() - hot.x() * m_scale, m_centre.y() - hot.y() * m_scale, size.width() * m_scale,
        size.height() * m_scale);
    const QRect drawn = target.toAlignedRect() & m_frame.rect();
    {
        QPainter painter(&m_frame);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(m_drawn, Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_cursor.image);
    }
    m_drawn = drawn;
    if (!m_composited) {
        // The shape follows the growing and shrinking cursor, found where it
        // was drawn; the scale between root pixels and the widget's own units
        // is 1 unless Qt scales.
        QRegion shape = FeedbackWindow::opaqueRegion(m_frame, m_drawn);
        if (width() != m_nativeSize.width()) {
            const qreal ratio = qreal(width()) / m_nativeSize.width();
            shape = QTransform::fromScale(ratio, ratio).map(shape);
        }
        setMask(shape);
    }
}

bool CursorPulseView::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
    // Qt answers every move the X server confirms with four round trips
    // (where the window really is, and how thick its frame is), and a key
    // press arriving meanwhile waits behind them. This window has no frame
    // and no window manager places it: when the confirmed place is the one
    // it was sent to, Qt knows it already. Any other place goes on to Qt.
    if (eventType == "xcb_generic_event_t") {
        const auto *event = static_cast<const xcb_configure_notify_event_t *>(message);
        if ((event->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY && event->window == internalWinId()
            && QRect(event->x, event->y, event->width, event->height) == m_root && width() == m_nativeSize.width())
            return true;
    }
    return QWidget::nativeEvent(eventType, message, result);
}

void CursorPulseView::paintEvent(QPaintEvent *event)
{
    // Only the part asked for, and of it only where the cursor lies: the rest
    // of the window is clear, or cut away by the mask. That holds for the
    // first paint of the whole window too.
    const QRect area = event->rect() & toLogical(m_drawn);
    if (area.isEmpty())
        return;
    QPainter painter(this);
    const qreal ratio = qreal(m_nativeSize.width()) / width();
    const QRectF target = area;
    const QRectF source(target.topLeft() * ratio, target.size() * ratio);
    if (m_composited) {
        painter.setOpacity(m_opacity);
        painter.drawImage(target, m_frame, source);
        return;
    }
    // Unblended pixels: the mask cuts away the half-transparent rim, and what
    // remains is shown in its own colour rather than darkened towards black.
    QImage opaque = m_frame.copy(source.toAlignedRect()).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < opaque.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(opaque.scanLine(y));
        for (int x = 0; x < opaque.width(); ++x)
            line[x] |= 0xff000000u;
    }
    painter.drawImage(QRectF(source.toAlignedRect().topLeft() / ratio, QSizeF(opaque.size()) / ratio), opaque);
}

} // namespace Dartline
