// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the sway and KWin tests share: the backend on a private compositor, a handler that jumps to the pressed
// display's centre, the pointer read back through XWayland, and the hot-key tests on top.

#include "core/Shortcut.h"
#include "displays/DisplayService.h"
#include "platform/HotKeyPlatform.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandCursorPlatform.h"
#include "platform/wayland/WaylandDisplayPlatform.h"
#include "tests/harness/XTestClient.h"

#include <QObject>

Q_DECLARE_METATYPE(Dartline::Shortcut)
Q_DECLARE_METATYPE(Dartline::HotKeyStatus)

namespace Dartline {

class WaylandHotKeyTest : public QObject
{
    Q_OBJECT

protected:
    std::unique_ptr<WaylandConnection> m_connection;
    std::unique_ptr<WaylandDisplayPlatform> m_displays;
    std::unique_ptr<WaylandCursorPlatform> m_cursor;
    std::unique_ptr<HotKeyPlatform> m_hotKeys;
    std::unique_ptr<XTestClient> m_x; // over XWayland, with a window over the layout
    QList<quint32> m_pressed;

    QList<Dartline::Display> connected() { return DisplayService::connected(*m_displays); }
    // Opens the backend at `socket` (`sysfs`: where connectors' EDIDs are) around `hotKeys`, and XWayland.
    void open(const QString &socket, const QString &xDisplay, std::unique_ptr<HotKeyPlatform> hotKeys,
        const QString &sysfs = QStringLiteral("/sys/class/drm"));
    // As the user would, on a keyboard with the default layout.
    virtual bool type(const Shortcut &shortcut) = 0;

private Q_SLOTS:
    void cleanupTestCase(); // before the compositor ends
    // Rows: index, name, bounds; each row's target differs from the one before.
    void typedShortcutLandsOnCentre();
    // Rows: shortcut, holder (who took the keys before: "", "dartline" or "dartline, released"), status.
    void refusals();
};

} // namespace Dartline
