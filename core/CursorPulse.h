// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace Dartline {

// The timing of the pulse shown at the landing point after a jump: a quick
// ease-out growth to 2.4 times the cursor's size, a smooth settle back, and a
// fade over the last 60 ms. Free of any drawing.
namespace CursorPulse {

inline constexpr double duration = 0.48;

struct Frame
{
    double scale = 1.0;
    double opacity = 1.0;
};

// Any time is accepted: negative or NaN means the start, beyond the duration the end.
Frame frame(double elapsed, bool reduceMotion);

} // namespace CursorPulse

} // namespace Dartline
