// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StandardButton.h"

#include "ui/ContinuousCorners.h"
#include "ui/DartlineTheme.h"
#include "ui/DropShadow.h"
#include "ui/FocusRing.h"
#include "ui/UiFonts.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>

#include <cmath>

namespace Dartline {

namespace {
constexpr qreal Radius = 5.0;
constexpr qreal HorizontalInset = 9.0;
constexpr qreal VerticalInset = 3.0;
constexpr qreal ShadowRoom = 1.0;
} // namespace

StandardButton::StandardButton(const QString &text, int pixelSize, QWidget *parent)
    : QAbstractButton(parent)
{
    setText(text);
    setFont(UiFonts::system(pixelSize));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize StandardButton::sizeHint() const
{
    const QFontMetricsF metrics(font());
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text()) + 2 * HorizontalInset)),
        static_cast<int>(std::ceil(metrics.height() + 2 * VerticalInset + ShadowRoom)));
}

void StandardButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    const QRectF face = QRectF(rect()).adjusted(0, 0, 0, -ShadowRoom);
    const QPainterPath shape = ContinuousCorners::roundedRect(face, Radius);
    const bool dark = DartlineTheme::isDark();

    DropShadow::paint(painter, shape, QColor::fromRgbF(0, 0, 0, dark ? 0.3f : 0.12f), 1.0, QPointF(0, 0.5));
    QColor fill = dark ? DartlineTheme::label(0.16) : DartlineTheme::surface();
    painter.fillPath(shape, fill);
    if (isDown())
        painter.fillPath(shape, DartlineTheme::label(0.1));
    else if (m_hovered && isEnabled())
        painter.fillPath(shape, DartlineTheme::label(0.04));
    painter.setPen(QPen(DartlineTheme::label(dark ? 0.1 : 0.14), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(ContinuousCorners::roundedRect(face.adjusted(0.25, 0.25, -0.25, -0.25), Radius));

    painter.setFont(font());
    painter.setPen(DartlineTheme::label());
    painter.drawText(face, Qt::AlignCenter | Qt::TextSingleLine, text());
    if (FocusRing::wanted(this))
        FocusRing::paint(painter, shape);
}

void StandardButton::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void StandardButton::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void StandardButton::focusInEvent(QFocusEvent *event)
{
    FocusRing::track(this, event);
    QAbstractButton::focusInEvent(event);
}

void StandardButton::focusOutEvent(QFocusEvent *event)
{
    FocusRing::track(this, event);
    QAbstractButton::focusOutEvent(event);
}

void StandardButton::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

} // namespace Dartline
