// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SecondaryButton.h"

#include "paint/ContinuousCorners.h"
#include "ui/DartlineTheme.h"
#include "ui/UiFonts.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace Dartline {

namespace {
constexpr qreal CornerRadius = 6.0;
constexpr qreal HorizontalInset = 12.0;
constexpr qreal VerticalInset = 6.0;
constexpr qreal TintedBackground = 0.08;
constexpr qreal HoveredBackground = 0.14;
constexpr qreal PressedBackground = 0.2;
} // namespace

SecondaryButton::SecondaryButton(const QString &text, Appearance appearance, QWidget *parent)
    : PaintedButton(parent)
    , m_appearance(appearance)
{
    setText(text);
    setFont(UiFonts::system(UiFonts::Callout, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SecondaryButton::sizeHint() const
{
    const QFontMetricsF metrics(font());
    return QSize(static_cast<int>(std::ceil(metrics.horizontalAdvance(text()) + 2 * HorizontalInset)),
        static_cast<int>(std::ceil(metrics.height() + 2 * VerticalInset)));
}

QPainterPath SecondaryButton::outline() const
{
    return ContinuousCorners::roundedRect(rect(), CornerRadius);
}

void SecondaryButton::paintButton(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    // A disabled button keeps its resting pill: no hover or press feedback.
    qreal background = m_appearance == Appearance::Tinted ? TintedBackground : 0.0;
    if (isEnabled() && isDown())
        background = PressedBackground;
    else if (isEnabled() && isHovered())
        background = HoveredBackground;
    const QColor accent = DartlineTheme::accent();
    if (background > 0.0)
        painter.fillPath(outline(), DartlineTheme::withOpacity(accent, background));
    painter.setFont(font());
    painter.setPen(accent);
    painter.drawText(QRectF(rect()), Qt::AlignCenter | Qt::TextSingleLine, text());
}

bool SecondaryButton::hitButton(const QPoint &pos) const
{
    return outline().contains(QPointF(pos) + QPointF(0.5, 0.5));
}

} // namespace Dartline
