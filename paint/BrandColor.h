// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

namespace Dartline {

// The one brand colour as 24-bit sRGB, the same in light and dark appearance.
inline constexpr QRgb BrandRgb = 0x002FB8;

inline QColor brandColor()
{
    return QColor(BrandRgb);
}

} // namespace Dartline
