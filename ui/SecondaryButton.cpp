// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SecondaryButton.h"

#include "ui/ContinuousCorners.h"
#include "ui/FocusRing.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>

namespace Dartline {

SecondaryButton::SecondaryButton(const QString &text, SecondaryButtonStyle::Appearance appearance, QWidget *parent)
    : QAbstractButton(parent)
    , m_style(appearance)
{
    setText(text);
    setFont(SecondaryButtonStyle::font());
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SecondaryButton::sizeHint() const
{
    return m_style.sizeFor(text());
}

void SecondaryButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF bounds = rect();
    m_style.paint(painter, bounds, text(), isEnabled(), isDown(), m_hovered);
    if (FocusRing::wanted(this))
        FocusRing::paint(painter, ContinuousCorners::roundedRect(bounds, SecondaryButtonStyle::CornerRadius));
}

bool SecondaryButton::hitButton(const QPoint &pos) const
{
    return ContinuousCorners::roundedRect(rect(), SecondaryButtonStyle::CornerRadius)
        .contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void SecondaryButton::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SecondaryButton::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void SecondaryButton::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}

void SecondaryButton::focusInEvent(QFocusEvent *event)
{
    FocusRing::track(this, event);
    QAbstractButton::focusInEvent(event);
}

void SecondaryButton::focusOutEvent(QFocusEvent *event)
{
    FocusRing::track(this, event);
    QAbstractButton::focusOutEvent(event);
}

void SecondaryButton::keyPressEvent(QKeyEvent *event)
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
