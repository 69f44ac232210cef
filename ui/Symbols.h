// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

// The few platform symbols the interface names, drawn as vector glyphs that
// fill a square box the size of the text they stand next to.
namespace Symbols {

enum class Kind {
    None,
    Pencil, // "pencil"
    ExclamationTriangle, // "exclamationmark.triangle"
    ExclamationCircle, // "exclamationmark.circle"
    // The modifier keys' symbols; fonts draw these small and off-centre.
    Control, // ⌃
    Option, // ⌥
    Shift, // ⇧
    Command, // ⌘
};

// The modifier symbol a key cap label stands for, or None.
Kind forKeyLabel(const QString &label);

void paint(QPainter &painter, Kind kind, const QRectF &box, const QColor &color);

} // namespace Symbols
