// SPDX-License-Identifier: GPL-3.0-or-later
#include "CursorPulseView.h"

#include "FeedbackWindow.h"

#include <QPainter>
#include <QTransform>

#include <cmath>

CursorPulseView::CursorPulseView(const CursorImage &cursor, const QPointF &landing, int side, bool composited)
    : m_cursor(cursor)
    , m_composited(composited)
{
    FeedbackWindow::configure(*this, composited);
    const QRect root = rootGeometry(landing, side);
    // Measured from the window's real corner, so that rounding the corner to a
    // pixel never moves the hot spot off the landing point.
    m_centre = landing - QPointF(root.topLeft());
    m_nativeSize = root.size();
    setGeometry(FeedbackWindow::toLogical(root));
    render();
}

CursorPulseView::~CursorPulseView() = default;

QRect CursorPulseView::rootGeometry(const QPointF &landing, int side)
{
    return QRect(static_cast<int>(std::lround(landing.x() - side / 2.0)),
        static_cast<int>(std::lround(landing.y() - side / 2.0)), side, side);
}

void CursorPulseView::setFrame(qreal scale, qreal opacity)
{
    m_scale = scale;
    m_opacity = opacity;
    render();
    update();
}

void CursorPulseView::render()
{
    m_frame = QImage(m_nativeSize, QImage::Format_ARGB32_Premultiplied);
    m_frame.fill(Qt::transparent);
    {
        QPainter painter(&m_frame);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSizeF size = m_cursor.image.size();
        const QPointF hot = m_cursor.hotSpot;
        const QRectF target(m_centre.x() - hot.x() * m_scale, m_centre.y() - hot.y() * m_scale, size.width() * m_scale,
            size.height() * m_scale);
        painter.drawImage(target, m_cursor.image);
    }
    if (!m_composited) {
        // The shape follows the growing and shrinking cursor; the scale between
        // root pixels and the widget's own units is 1 unless Qt scales.
        QRegion shape = FeedbackWindow::opaqueRegion(m_frame);
        if (width() != m_nativeSize.width()) {
            const qreal ratio = qreal(width()) / m_nativeSize.width();
            shape = QTransform::fromScale(ratio, ratio).map(shape);
        }
        setMask(shape);
    }
}

void CursorPulseView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF target = rect();
    if (m_composited) {
        painter.setOpacity(m_opacity);
        painter.drawImage(target, m_frame);
        return;
    }
    // Unblended pixels: the mask cuts away the half-transparent rim, and what
    // remains is shown in its own colour rather than darkened towards black.
    QImage opaque = m_frame.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < opaque.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(opaque.scanLine(y));
        for (int x = 0; x < opaque.width(); ++x)
            line[x] |= 0xff000000u;
    }
    painter.drawImage(target, opaque);
}
