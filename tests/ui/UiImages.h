// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>

#include <functional>

class QWidget;

namespace Dartline {

// Looking at rendered widgets the way a user would: colours of pixels and
// where the drawn things are.
namespace UiImages {

// The widget drawn on an opaque background of `background`, at 1:1 scale.
QImage render(QWidget &widget, const QColor &background = Qt::white);

// `over` with `color` at `opacity` composited on top.
QColor blend(const QColor &over, const QColor &color, qreal opacity);
// Every channel within `tolerance` of the expected colour.
bool near(const QColor &actual, const QColor &expected, int tolerance = 3);

// Bounding boxes of the 4-connected regions of pixels that `ink` accepts,
// larger than `minimumArea`, ordered left to right then top to bottom.
QList<QRect> regions(const QImage &image, const std::function<bool(QRgb)> &ink, int minimumArea = 4);

// How much darker than white the pixels of `area` are, summed.
double inkIn(const QImage &image, const QRect &area);

} // namespace UiImages

} // namespace Dartline
