// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThemedLabel.h"

#include "ui/DartlineTheme.h"
#include "ui/ThemeMonitor.h"
#include "ui/UiFonts.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

namespace Dartline {

ThemedLabel::ThemedLabel(const QString &text, int pixelSize, QFont::Weight weight, Role role, QWidget *parent)
    : QLabel(parent)
    , m_role(role)
{
    // Names and messages come from displays and the model: never markup.
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(UiFonts::system(pixelSize, weight));
    applyColor();
    connect(&ThemeMonitor::instance(), &ThemeMonitor::changed, this, &ThemedLabel::applyColor);
}

void ThemedLabel::setRole(Role role)
{
    if (role == m_role)
        return;
    m_role = role;
    applyColor();
}

QColor ThemedLabel::color() const
{
    switch (m_role) {
    case Role::Primary:
        return DartlineTheme::label();
    case Role::Secondary:
        return DartlineTheme::secondaryLabel();
    case Role::Tertiary:
        return DartlineTheme::tertiaryLabel();
    case Role::Accent:
        return DartlineTheme::accent();
    case Role::Red:
        return DartlineTheme::systemRed();
    }
    return DartlineTheme::label();
}

void ThemedLabel::setSymbol(Symbols::Kind symbol, qreal gap)
{
    m_symbol = symbol;
    m_gap = symbol == Symbols::Kind::None ? 0.0 : gap;
    applyMargins();
    update();
}

void ThemedLabel::setInsets(const QMargins &insets)
{
    m_insets = insets;
    applyMargins();
}

void ThemedLabel::applyMargins()
{
    const int lead = m_symbol == Symbols::Kind::None ? 0 : static_cast<int>(std::ceil(symbolSize() + m_gap));
    setContentsMargins(m_insets + QMargins(lead, 0, 0, 0));
}

bool ThemedLabel::event(QEvent *event)
{
    const bool handled = QLabel::event(event);
    // The style's polish sets the contents margins back to nothing.
    if (event->type() == QEvent::Polish)
        applyMargins();
    return handled;
}

qreal ThemedLabel::symbolSize() const
{
    return font().pixelSize() + 1.0;
}

void ThemedLabel::setElideMode(Qt::TextElideMode mode)
{
    m_elide = mode;
    if (mode != Qt::ElideNone)
        setWordWrap(false);
    updateGeometry();
    update();
}

QSize ThemedLabel::minimumSizeHint() const
{
    QSize size = QLabel::minimumSizeHint();
    if (m_elide != Qt::ElideNone)
        size.setWidth(contentsMargins().left() + contentsMargins().right()
            + fontMetrics().horizontalAdvance(QStringLiteral("…")) * 2);
    return size;
}

void ThemedLabel::paintEvent(QPaintEvent *event)
{
    if (m_elide == Qt::ElideNone)
        QLabel::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect();
    if (m_elide != Qt::ElideNone) {
        painter.setFont(font());
        painter.setPen(color());
        const QString shown = fontMetrics().elidedText(text(), m_elide, area.width());
        painter.drawText(area, static_cast<int>(alignment()) | Qt::TextSingleLine, shown);
    }
    if (m_symbol == Symbols::Kind::None)
        return;
    // Centred on the first line of text, as the platform's label does.
    const qreal size = symbolSize();
    const qreal lineHeight = fontMetrics().height();
    const qreal left = m_insets.left();
    qreal top = area.top();
    if (!wordWrap() && (alignment() & Qt::AlignVCenter))
        top = area.top() + (area.height() - lineHeight) / 2.0;
    const QRectF box(left, top + (lineHeight - size) / 2.0, size, size);
    Symbols::paint(painter, m_symbol, box, color());
}

void ThemedLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    // A style or palette reset from outside would bring the stock text colour back.
    if (event->type() == QEvent::PaletteChange && palette().color(QPalette::WindowText) != color())
        applyColor();
}

void ThemedLabel::applyColor()
{
    QPalette p = palette();
    const QColor c = color();
    for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        p.setColor(group, QPalette::WindowText, c);
        p.setColor(group, QPalette::Text, c);
    }
    setPalette(p);
}

} // namespace Dartline
