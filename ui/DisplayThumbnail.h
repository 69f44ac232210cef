// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace Dartline {

// A small picture of one display: a laptop (built-in display) or a monitor on
// a stand, its screen showing the display's number.
class DisplayThumbnail
{
public:
    DisplayThumbnail(int number, bool builtIn);

    // The screen inside `frame`: the frame's width for a monitor, 91 % of it
    // for a laptop, above the stand.
    QRectF screenRect(const QRectF &frame) const;
    static qreal standHeight(const QRectF &frame);
    static qreal numberFontSize(qreal screenHeight);

    void paint(QPainter &painter, const QRectF &frame) const;

private:
    QPainterPath standShape(const QRectF &frame) const;

    int m_number;
    bool m_builtIn;
};

} // namespace Dartline
