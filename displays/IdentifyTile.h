// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace Dartline {

// One numbered tile of the identify overlay, centred on its display, with the
// display's shortcut under the number when it has one.
class IdentifyTile : public QWidget
{
    Q_OBJECT
public:
    static constexpr QSize TileSize { 180, 140 };
    static constexpr qreal CornerRadius = 24;
    static constexpr int NumberPixelSize = 76;
    static constexpr QRect NumberBox { 0, 20, 180, 92 }; // 28 above the tile's bottom edge
    static constexpr QRect CaptionBox { 8, 100, 164, 28 }; // the number moves up to make room
    // Room around the tile for its shadow; only a composited tile has it.
    static constexpr int ShadowMargin = 24;

    // `screen` is the display's extent in root coordinates.
    IdentifyTile(int number, const QRect &screen, bool composited, const QString &caption = {});
    ~IdentifyTile() override;
    Q_DISABLE_COPY_MOVE(IdentifyTile)

    int number() const { return m_number; }
    QString caption() const { return m_caption; }
    bool isComposited() const { return m_composited; }
    // The tile itself, without the shadow margin, in root coordinates.
    QRect tileGeometry() const { return m_tile; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_number;
    QString m_caption;
    bool m_composited;
    QRect m_tile;
};

} // namespace Dartline
