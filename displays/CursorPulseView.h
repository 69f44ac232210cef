// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/CursorPlatform.h"

#include <QImage>
#include <QWidget>

namespace Dartline {

// The pulse window: an enlarged copy of the cursor whose hot spot sits on the
// landing point. One window serves every pulse; restart() moves it to the
// next landing point, so a jump creates no window of its own.
class CursorPulseView : public QWidget
{
    Q_OBJECT
public:
    // `landing` in root coordinates; the window is `side` root pixels square
    // and centred on it. Without a compositor the window is shaped to the
    // cursor instead of being translucent.
    CursorPulseView(const CursorImage &cursor, const QPointF &landing, int side, bool composited);
    ~CursorPulseView() override;
    Q_DISABLE_COPY_MOVE(CursorPulseView)

    // The first frame of a new pulse: `cursor` at rest, its hot spot on
    // `landing`, in a window `side` root pixels square. Whether the window
    // blends stays as it was made. A shown window is moved, not shown again.
    void restart(const CursorImage &cursor, const QPointF &landing, int side);

    // The pulse window's extent in root coordinates.
    static QRect rootGeometry(const QPointF &landing, int side);

    qreal scale() const { return m_scale; }
    qreal opacity() const { return m_opacity; }
    bool isComposited() const { return m_composited; }
    void setFrame(qreal scale, qreal opacity);

    // The current frame in root pixels, transparent around the cursor, at full
    // strength: the opacity is applied when it reaches the screen.
    const QImage &frame() const { return m_frame; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    void render();
    // Root pixels inside the window to the widget's own units, rounded outwards.
    QRect toLogical(const QRect &native) const;

    CursorImage m_cursor;
    QPointF m_centre; // the landing point inside the window, root pixels
    QSize m_nativeSize;
    QRect m_root; // where the window was sent, root pixels
    bool m_composited;
    qreal m_scale = 1.0;
    qreal m_opacity = 1.0;
    QImage m_frame;
    QRect m_drawn; // the pixels of m_frame the current frame may cover
};

} // namespace Dartline
