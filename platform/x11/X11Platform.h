// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Platform.h"
#include "platform/x11/X11AppearancePlatform.h"
#include "platform/x11/X11CursorPlatform.h"
#include "platform/x11/X11DisplayPlatform.h"
#include "platform/x11/X11HotKeyPlatform.h"
#include "platform/x11/X11KeyboardPlatform.h"

namespace Dartline {

// The X11 services, all on the connection of the running QGuiApplication.
class X11Platform : public Platform
{
public:
    X11Platform() = default;

    DisplayPlatform &displays() override { return m_displays; }
    CursorPlatform &cursor() override { return m_cursor; }
    HotKeyPlatform &hotKeys() override { return m_hotKeys; }
    KeyboardPlatform &keyboard() override { return m_keyboard; }
    AppearancePlatform &appearance() override { return m_appearance; }
    bool reachesOnlyXWayland() const override { return m_underWayland; }

private:
    const bool m_underWayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    X11DisplayPlatform m_displays;
    X11CursorPlatform m_cursor;
    X11HotKeyPlatform m_hotKeys;
    X11KeyboardPlatform m_keyboard;
    X11AppearancePlatform m_appearance;
};

} // namespace Dartline
