// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

namespace Dartline {

// The system font at the sizes the views name. Sizes are device-independent
// pixels, so text keeps its proportion to the drawn shapes at any scale.
namespace UiFonts {

// Text styles of the platform, as sizes.
inline constexpr int Body = 13;
inline constexpr int Callout = 12;
inline constexpr int Caption = 11;
inline constexpr int Headline = 13;

QFont system(int pixelSize, QFont::Weight weight = QFont::Normal);
// The monospaced variant, for key caps.
QFont monospaced(int pixelSize, QFont::Weight weight = QFont::Normal);
// The headline style: body size, semibold.
QFont headline();

} // namespace UiFonts

} // namespace Dartline
