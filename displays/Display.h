// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMetaType>
#include <QRectF>
#include <QString>

namespace Dartline {

// One connected display that can be drawn on and is not a mirror copy.
struct Display
{
    QString id; // stable identifier: UUID text or "fallback-…"
    quint32 number = 0; // the window system's current display number
    QString name;
    QRectF bounds; // global coordinates, y down
    bool builtIn = false;

    friend bool operator==(const Display &, const Display &) = default;
};

} // namespace Dartline

Q_DECLARE_METATYPE(Dartline::Display)
