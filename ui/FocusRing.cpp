// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FocusRing.h"

#include "ui/DartlineTheme.h"

#include <QFocusEvent>
#include <QPainter>
#include <QPen>
#include <QWidget>

namespace Dartline {

namespace {

// Set on a widget by the controls when focus arrives by Tab, Backtab or a
// shortcut; cleared when it leaves.
const char *const KeyboardFocusProperty = "dartlineKeyboardFocus";

} // namespace

namespace FocusRing {

bool wanted(const QWidget *widget)
{
    return widget->hasFocus() && widget->property(KeyboardFocusProperty).toBool();
}

void track(QWidget *widget, const QFocusEvent *event)
{
    const bool keyboard = event->gotFocus()
        && (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason
            || event->reason() == Qt::ShortcutFocusReason);
    widget->setProperty(KeyboardFocusProperty, keyboard);
    widget->update();
}

void paint(QPainter &painter, const QPainterPath &shape)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipPath(shape);
    QPen pen(DartlineTheme::withOpacity(DartlineTheme::accent(), 0.6), 4.0);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape); // half of the 4-point pen lies inside the clip
    painter.restore();
}

} // namespace FocusRing

} // namespace Dartline
