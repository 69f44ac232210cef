// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Qt's X11 native-interface header (pulled in by QGuiApplication) declares
// Xlib's `Display` at global scope, which collides with this record. Nothing
// above the platform layer needs that header, so a file that uses the record
// goes without it; include this header before any Qt GUI header.
#ifndef QGUIAPPLICATION_PLATFORM_H
#define QGUIAPPLICATION_PLATFORM_H
#endif

#include <QList>
#include <QMetaType>
#include <QRectF>
#include <QString>

// One connected display that can be drawn on and is not a mirror copy.
struct Display
{
    QString id; // stable identifier: UUID text or "fallback-…"
    quint32 cgID = 0; // the window system's current display number
    QString name;
    QRectF bounds; // global coordinates, y down
    bool builtIn = false;

    friend bool operator==(const Display &, const Display &) = default;
};

Q_DECLARE_METATYPE(Display)
