// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppearancePlatform.h"
#include "CursorPlatform.h"
#include "DisplayPlatform.h"
#include "HotKeyPlatform.h"
#include "KeyboardPlatform.h"

#include <memory>

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

    // The X11 backend under the xcb platform plugin, otherwise one that
    // reports no displays and refuses every hot key.
    static std::unique_ptr<Platform> create();
};
