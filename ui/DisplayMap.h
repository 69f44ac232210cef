// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "displays/Display.h"

#include <QList>
#include <QRectF>
#include <QWidget>

namespace Dartline {

// A schematic of the display arrangement: one numbered picture per display,
// placed as the displays lie in the global space and scaled to fit the
// panel. Purely informative: no interaction, one accessible element.
class DisplayMap : public QWidget
{
    Q_OBJECT
public:
    static constexpr int PanelHeight = 192;
    static constexpr qreal CornerRadius = 18.0;
    static constexpr qreal HorizontalRoom = 80.0; // at least 40 free left and right
    static constexpr qreal VerticalRoom = 40.0; // at least 20 free above and below
    static constexpr qreal Gap = 10.0; // between neighbouring pictures
    static constexpr qreal MinimumSide = 8.0;

    explicit DisplayMap(QWidget *parent = nullptr);

    void setDisplays(const QList<Display> &displays);
    const QList<Display> &displays() const { return m_displays; }

    // Each display's picture frame in a panel of `size`, in list order;
    // empty when the displays span no area.
    static QList<QRectF> frames(const QList<Display> &displays, const QSizeF &size);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<Display> m_displays;
};

} // namespace Dartline
