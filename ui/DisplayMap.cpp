// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DisplayMap.h"

#include "paint/ContinuousCorners.h"
#include "ui/DartlineTheme.h"
#include "ui/DisplayThumbnail.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace Dartline {

using namespace Qt::StringLiterals;

DisplayMap::DisplayMap(QWidget *parent)
    : QWidget(parent)
{
    setAccessibleName(tr("Display arrangement; the numbers match the list below"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(PanelHeight);
}

void DisplayMap::setDisplays(const QList<Display> &displays)
{
    if (displays == m_displays)
        return;
    m_displays = displays;
    update();
}

QSize DisplayMap::sizeHint() const
{
    return QSize(624, PanelHeight);
}

QSize DisplayMap::minimumSizeHint() const
{
    return QSize(0, PanelHeight);
}

QList<QRectF> DisplayMap::frames(const QList<Display> &displays, const QSizeF &size)
{
    QRectF united;
    for (const Display &d : displays)
        united = united.united(d.bounds);
    if (united.isNull() || !(united.width() > 0) || !(united.height() > 0))
        return {};

    qreal scale
        = std::min((size.width() - HorizontalRoom) / united.width(), (size.height() - VerticalRoom) / united.height());
    if (!(scale >= 0)) // negative, or not a number
        scale = 0;

    QList<QRectF> result;
    result.reserve(displays.size());
    for (const Display &d : displays) {
        const qreal w = std::max(scale * d.bounds.width() - Gap, MinimumSide);
        const qreal h = std::max(scale * d.bounds.height() - Gap, MinimumSide);
        const QPointF centre(scale * (d.bounds.center().x() - united.center().x()) + size.width() / 2,
            scale * (d.bounds.center().y() - united.center().y()) + size.height() / 2);
        result.append(QRectF(centre.x() - w / 2, centre.y() - h / 2, w, h));
    }
    return result;
}

void DisplayMap::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF panel = rect();
    painter.fillPath(ContinuousCorners::roundedRect(panel, CornerRadius),
        DartlineTheme::withOpacity(DartlineTheme::surface(), 0.72));
    painter.setPen(QPen(DartlineTheme::label(0.055), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(ContinuousCorners::roundedRect(panel.adjusted(0.5, 0.5, -0.5, -0.5), CornerRadius - 0.5));

    const QList<QRectF> placed = frames(m_displays, panel.size());
    for (qsizetype i = 0; i < placed.size(); ++i)
        DisplayThumbnail(static_cast<int>(i) + 1, m_displays.at(i).builtIn).paint(painter, placed.at(i));
}

} // namespace Dartline
