// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRectF>

class QPainter;

namespace Dartline {

// What a display picture shows on its screen: a blue wallpaper with a soft
// glow and the display's number.
class ScreenWallpaper
{
public:
    ScreenWallpaper(int number, qreal fontSize);

    int number() const { return m_number; }
    qreal fontSize() const { return m_fontSize; }
    // Fills `rect`; the glow reaches beyond it, so the caller clips.
    void paint(QPainter &painter, const QRectF &rect) const;

private:
    int m_number;
    qreal m_fontSize;
};

} // namespace Dartline
