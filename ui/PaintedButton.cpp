// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PaintedButton.h"

#include "ui/FocusRing.h"

#include <QKeyEvent>
#include <QPainter>

namespace Dartline {

PaintedButton::PaintedButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void PaintedButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!isEnabled())
        painter.setOpacity(DisabledOpacity);
    paintButton(painter);
    if (FocusRing::wanted(this))
        FocusRing::paint(painter, outline());
}

void PaintedButton::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PaintedButton::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void PaintedButton::focusInEvent(QFocusEvent *event)
{
    FocusRing::track(this, event);
    QAbstractButton::focusInEvent(event);
}

void PaintedButton::focusOutEvent(QFocusEvent *event)
{
    FocusRing::track(this, event);
    QAbstractButton::focusOutEvent(event);
}

void PaintedButton::keyPressEvent(QKeyEvent *event)
{
    // Return activates like Space, as keyboard users of any desktop expect.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

} // namespace Dartline
