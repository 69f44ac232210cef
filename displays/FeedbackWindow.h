// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>

class QWidget;

namespace Dartline {

// What the pulse window and the identify tiles share: windows that float over
// everything, never take focus or clicks, and show on every workspace.
namespace FeedbackWindow {

// Frameless, override-redirect, above other windows, transparent for input and
// focus, with a blank icon of its own. Translucent only when a compositing
// manager can blend it; otherwise the caller shapes the window with setMask().
void configure(QWidget &window, bool translucent);

// Root-window pixels to Qt's global coordinates. They are the same at a device
// pixel ratio of 1; every window placement goes through here so that scaling
// is handled in one place.
QRect toLogical(const QRect &root);

// The pixels of `image` that are at least half opaque, as a region in the
// image's pixel coordinates: the shape of a window that cannot blend.
QRegion opaqueRegion(const QImage &image);
// The same for the part of `image` inside `area` only: nothing outside it is
// looked at, so a caller that knows where it drew pays only for that.
QRegion opaqueRegion(const QImage &image, const QRect &area);

} // namespace FeedbackWindow

} // namespace Dartline
