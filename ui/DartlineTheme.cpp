// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DartlineTheme.h"

#include "ui/ThemeMonitor.h"

#include <algorithm>

namespace Dartline {

namespace {

QColor fromRgb24(quint32 value)
{
    return QColor::fromRgb((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

constexpr DartlineTheme::Adaptive Accent { BrandRgb, 0x9BB4FF };
constexpr DartlineTheme::Adaptive WindowTop { 0xF8FAFC, 0x1C1F27 };
constexpr DartlineTheme::Adaptive WindowBottom { 0xF1F5F9, 0x16181F };
constexpr DartlineTheme::Adaptive Surface { 0xFFFFFF, 0x272B35 };
constexpr DartlineTheme::Adaptive KeyFace { 0xFFFFFF, 0x3A404D };
constexpr DartlineTheme::Adaptive KeyBottom { 0xF8FAFC, 0x303541 };
constexpr DartlineTheme::Adaptive KeyEdge { 0xDCE2EA, 0x151820 };

// The platform's system colours for each appearance.
constexpr DartlineTheme::Adaptive Red { 0xFF3B30, 0xFF453A };
constexpr DartlineTheme::Adaptive Green { 0x28CD41, 0x32D74B };

QColor ink(qreal lightAlpha, qreal darkAlpha, qreal opacity)
{
    const bool dark = DartlineTheme::isDark();
    QColor c = dark ? QColor(Qt::white) : QColor(Qt::black);
    c.setAlphaF(static_cast<float>(std::clamp((dark ? darkAlpha : lightAlpha) * opacity, 0.0, 1.0)));
    return c;
}

} // namespace

namespace DartlineTheme {

QColor Adaptive::resolve(bool isDarkAppearance) const
{
    return fromRgb24(isDarkAppearance ? dark : light);
}

bool isDark()
{
    return ThemeMonitor::instance().isDark();
}

QColor accent()
{
    return Accent.resolve(isDark());
}
QColor windowTop()
{
    return WindowTop.resolve(isDark());
}
QColor windowBottom()
{
    return WindowBottom.resolve(isDark());
}
QColor surface()
{
    return Surface.resolve(isDark());
}
QColor keyFace()
{
    return KeyFace.resolve(isDark());
}
QColor keyBottom()
{
    return KeyBottom.resolve(isDark());
}
QColor keyEdge()
{
    return KeyEdge.resolve(isDark());
}

QColor label(qreal opacity)
{
    return ink(0.85, 0.85, opacity);
}
QColor secondaryLabel(qreal opacity)
{
    return ink(0.50, 0.55, opacity);
}
QColor tertiaryLabel(qreal opacity)
{
    return ink(0.26, 0.25, opacity);
}
QColor systemRed()
{
    return Red.resolve(isDark());
}
QColor systemGreen()
{
    return Green.resolve(isDark());
}

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(static_cast<float>(std::clamp(color.alphaF() * opacity, 0.0, 1.0)));
    return color;
}

} // namespace DartlineTheme

} // namespace Dartline
