// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>

#include <optional>

namespace Dartline {

// What another X client sees of Dartline's windows, asked over a connection
// of the test's own.
namespace XWindows {

// A window whose WM_CLASS holds `wmClass` sits inside another client's
// window: an XEmbed tray has docked the icon.
bool docked(const QString &displayName, const QString &wmClass);

// Where the docked window of `wmClass` lies, in root coordinates.
std::optional<QRect> dockedGeometry(const QString &displayName, const QString &wmClass);

// A top-level window of process `pid` titled `title` is mapped and viewable,
// framed by a window manager or not.
bool shown(const QString &displayName, qint64 pid, const QString &title);

// A window of process `pid` that the window manager leaves alone
// (override-redirect) is mapped and viewable, and its first
// _NET_WM_WINDOW_TYPE is `type`: "_NET_WM_WINDOW_TYPE_UTILITY" for the pulse
// and the tiles, "_NET_WM_WINDOW_TYPE_NORMAL" for the tray's menu.
bool overlayShown(const QString &displayName, qint64 pid, const QByteArray &type);

// The process whose window has the keyboard focus; 0 when none is known.
qint64 focusedProcess(const QString &displayName);

// Some client has grabbed the keyboard (as an open menu does).
bool keyboardGrabbed(const QString &displayName);

// Some client owns the selection `name` (e.g. "_NET_SYSTEM_TRAY_S0").
bool selectionOwned(const QString &displayName, const QByteArray &name);

} // namespace XWindows

} // namespace Dartline
