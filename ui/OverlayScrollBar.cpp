// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OverlayScrollBar.h"

#include "paint/ContinuousCorners.h"
#include "ui/DartlineTheme.h"

#include <QPainter>
#include <QStyleOptionSlider>

namespace Dartline {

OverlayScrollBar::OverlayScrollBar(QScrollBar *source, QWidget *parent)
    : QScrollBar(Qt::Vertical, parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    connect(source, &QScrollBar::rangeChanged, this, [this, source](int min, int max) {
        setRange(min, max);
        setPageStep(source->pageStep());
        setSingleStep(source->singleStep());
        setVisible(max > min);
    });
    connect(source, &QScrollBar::valueChanged, this, &QScrollBar::setValue);
    connect(this, &QScrollBar::valueChanged, source, &QScrollBar::setValue);
    hide();
    // The sheet only shapes the bar (no arrows, a minimum handle length); the
    // drawing is done here.
    setStyleSheet(
        QStringLiteral("QScrollBar:vertical { background: transparent; width: %1px; margin: 0; border: none; }"
                       "QScrollBar::handle:vertical { background: transparent; min-height: 28px; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: "
                       "none; background: none; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
            .arg(Thickness));
}

void OverlayScrollBar::paintEvent(QPaintEvent *)
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    if (handle.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool active = isSliderDown() || underMouse();
    painter.fillPath(
        ContinuousCorners::capsule(QRectF(handle).adjusted(1, 0, -1, 0)), DartlineTheme::label(active ? 0.45 : 0.28));
}

} // namespace Dartline
