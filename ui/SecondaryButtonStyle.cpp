// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SecondaryButtonStyle.h"

#include "ui/ContinuousCorners.h"
#include "ui/DartlineTheme.h"
#include "ui/UiFonts.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace Dartline {

SecondaryButtonStyle::SecondaryButtonStyle(Appearance appearance)
    : m_appearance(appearance)
{ }

qreal SecondaryButtonStyle::restingBackground() const
{
    return m_appearance == Appearance::Tinted ? 0.08 : 0.0;
}

qreal SecondaryButtonStyle::backgroundOpacity(bool enabled, bool pressed, bool hovered) const
{
    if (!enabled)
        return restingBackground();
    if (pressed)
        return PressedBackground;
    if (hovered)
        return HoveredBackground;
    return restingBackground();
}

QFont SecondaryButtonStyle::font()
{
    return UiFonts::system(UiFonts::Callout, QFont::Medium);
}

QSize SecondaryButtonStyle::sizeFor(const QString &text) const
{
    const QFontMetricsF metrics(font());
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text) + 2 * HorizontalInset)),
        static_cast<int>(std::ceil(metrics.height() + 2 * VerticalInset)));
}

void SecondaryButtonStyle::paint(
    QPainter &painter, const QRectF &rect, const QString &text, bool enabled, bool pressed, bool hovered) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(painter.opacity() * (enabled ? 1.0 : DisabledOpacity));
    const QColor accent = DartlineTheme::accent();
    const qreal background = backgroundOpacity(enabled, pressed, hovered);
    if (background > 0.0)
        painter.fillPath(
            ContinuousCorners::roundedRect(rect, CornerRadius), DartlineTheme::withOpacity(accent, background));
    painter.setFont(font());
    painter.setPen(accent);
    painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text);
    painter.restore();
}

} // namespace Dartline
