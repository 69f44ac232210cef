// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AppearancePlatform.h"
#include "platform/CursorPlatform.h"
#include "platform/DesktopKeybindings.h"
#include "platform/DisplayPlatform.h"
#include "platform/HotKeyPlatform.h"
#include "platform/KeyboardPlatform.h"

namespace Dartline {

// The window-system services of one process, owned together.
class Platform
{
public:
    Platform() = default;
    virtual ~Platform() = default;
    Q_DISABLE_COPY_MOVE(Platform)

    virtual DisplayPlatform &displays() = 0;
    virtual CursorPlatform &cursor() = 0;
    virtual HotKeyPlatform &hotKeys() = 0;
    virtual KeyboardPlatform &keyboard() = 0;
    virtual AppearancePlatform &appearance() = 0;

    // Only X11 through XWayland, under a Wayland compositor with no route of
    // its own here: shortcuts fire only while an X11 window has the focus,
    // and a jump moves only XWayland's idea of the pointer.
    virtual bool reachesOnlyXWayland() const { return false; }
    // Where the desktop keeps the shortcuts instead (see DesktopKeybindings);
    // none where Dartline holds its own.
    virtual DesktopKeybindings *desktopKeybindings() { return nullptr; }
};

} // namespace Dartline
