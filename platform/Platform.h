// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AppearancePlatform.h"
#include "platform/CursorPlatform.h"
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
};

} // namespace Dartline
