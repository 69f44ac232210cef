// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

namespace Dartline {

// The few platform symbols the interface names, drawn as vector glyphs that
// fill a square box the size of the text they stand next to.
namespace Symbols {

enum class Kind {
    None,
    Pencil, // "pencil"
    ExclamationTriangle, // "exclamationmark.triangle"
    ExclamationCircle, // "exclamationmark.circle"
};

void paint(QPainter &painter, Kind kind, const QRectF &box, const QColor &color);

} // namespace Symbols

} // namespace Dartline
