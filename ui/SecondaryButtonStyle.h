// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

namespace Dartline {

// The look of the secondary buttons ("识别屏幕", "跳转"): accent text on an
// accent pill whose opacity answers hover and press. Tinted buttons show the
// pill at rest, ghost buttons only while the pointer is on them.
class SecondaryButtonStyle
{
public:
    enum class Appearance { Tinted, Ghost };

    static constexpr qreal CornerRadius = 6.0;
    static constexpr qreal HorizontalInset = 12.0;
    static constexpr qreal VerticalInset = 6.0;
    static constexpr qreal DisabledOpacity = 0.45;
    static constexpr qreal PressedBackground = 0.2;
    static constexpr qreal HoveredBackground = 0.14;

    explicit SecondaryButtonStyle(Appearance appearance);

    Appearance appearance() const { return m_appearance; }
    qreal restingBackground() const;
    // A disabled button keeps its resting pill: no hover or press feedback.
    qreal backgroundOpacity(bool enabled, bool pressed, bool hovered) const;

    static QFont font();
    QSize sizeFor(const QString &text) const;
    void paint(
        QPainter &painter, const QRectF &rect, const QString &text, bool enabled, bool pressed, bool hovered) const;

private:
    Appearance m_appearance;
};

} // namespace Dartline
