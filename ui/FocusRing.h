// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPainterPath>

class QFocusEvent;
class QPainter;
class QWidget;

namespace Dartline {

// The keyboard focus indicator of the custom controls: an accent outline just
// inside the control's own shape, shown only when focus came from the
// keyboard, so mouse users never see it.
namespace FocusRing {

// Whether `widget` holds focus that a keyboard user moved there.
bool wanted(const QWidget *widget);
// Called by a control from its focusInEvent and focusOutEvent.
void track(QWidget *widget, const QFocusEvent *event);
void paint(QPainter &painter, const QPainterPath &shape);

} // namespace FocusRing

} // namespace Dartline
