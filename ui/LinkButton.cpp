// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LinkButton.h"

#include "ui/ContinuousCorners.h"
#include "ui/DartlineTheme.h"
#include "ui/FocusRing.h"
#include "ui/UiFonts.h"

#include <QDesktopServices>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace Dartline {

LinkButton::LinkButton(const QString &text, QUrl url, int pixelSize, QWidget *parent)
    : QAbstractButton(parent)
    , m_url(std::move(url))
{
    setText(text);
    setFont(UiFonts::system(pixelSize));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (m_url.isEmpty())
        return; // a command: the owner connects clicked()
    setToolTip(m_url.toDisplayString());
    connect(this, &QAbstractButton::clicked, this, [this] { QDesktopServices::openUrl(m_url); });
}

QSize LinkButton::sizeHint() const
{
    const QFontMetricsF metrics(font());
    // A little room around the text for the focus ring.
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text()) + 4)),
        static_cast<int>(std::ceil(metrics.height() + 2)));
}

void LinkButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QFont f = font();
    f.setUnderline(m_hovered || isDown());
    painter.setFont(f);
    // The brand colour is too dark to read on the dark background; the
    // accent is its light counterpart there.
    painter.setPen(DartlineTheme::isDark() ? DartlineTheme::accent() : brandColor());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
    if (FocusRing::wanted(this))
        FocusRing::paint(painter, ContinuousCorners::roundedRect(rect(), 4));
}

void LinkButton::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void LinkButton::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void LinkButton::focusInEvent(QFocusEvent *event)
{
    FocusRing::track(this, event);
    QAbstractButton::focusInEvent(event);
}

void LinkButton::focusOutEvent(QFocusEvent *event)
{
    FocusRing::track(this, event);
    QAbstractButton::focusOutEvent(event);
}

} // namespace Dartline
