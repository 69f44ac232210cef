// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LinkButton.h"

#include "paint/ContinuousCorners.h"
#include "ui/DartlineTheme.h"
#include "ui/UiFonts.h"

#include <QDesktopServices>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace Dartline {

LinkButton::LinkButton(const QString &text, QUrl url, int pixelSize, QWidget *parent)
    : PaintedButton(parent)
    , m_url(std::move(url))
{
    setText(text);
    setFont(UiFonts::system(pixelSize));
    setCursor(Qt::PointingHandCursor);
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

QPainterPath LinkButton::outline() const
{
    return ContinuousCorners::roundedRect(rect(), 4);
}

void LinkButton::paintButton(QPainter &painter)
{
    QFont f = font();
    f.setUnderline(isHovered() || isDown());
    painter.setFont(f);
    // The brand colour is too dark to read on the dark background; the
    // accent is its light counterpart there.
    painter.setPen(DartlineTheme::isDark() ? DartlineTheme::accent() : brandColor());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

} // namespace Dartline
