// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/CursorPulse.h"

#include <algorithm>
#include <cmath>

namespace Dartline {

namespace CursorPulse {

namespace {
constexpr double riseTime = 0.12;
constexpr double settleTime = duration - riseTime;
constexpr double fadeTime = 0.06;
constexpr double fadeStart = 0.42; // duration - fadeTime, written out so it is exact
constexpr double growth = 1.4;
constexpr double peakScale = 1.0 + growth;
constexpr double reducedMotionScale = 1.5;
} // namespace

Frame frame(double elapsed, bool reduceMotion)
{
    double c = elapsed;
    if (std::isnan(c) || c < 0.0)
        c = 0.0;
    else if (c >= duration)
        c = duration;

    if (reduceMotion)
        return { reducedMotionScale, std::max(0.0, 1.0 - c / duration) };

    double scale;
    if (c <= riseTime) {
        scale = 1.0 + growth * (1.0 - std::pow(1.0 - c / riseTime, 3.0));
    } else {
        const double u = (c - riseTime) / settleTime;
        scale = peakScale - growth * u * u * (3.0 - 2.0 * u);
    }
    // Opaque up to the fade's start exactly; the division alone may land a hair below 1.
    const double opacity = c <= fadeStart ? 1.0 : std::clamp((duration - c) / fadeTime, 0.0, 1.0);
    return { scale, opacity };
}

} // namespace CursorPulse

} // namespace Dartline
