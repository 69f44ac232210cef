// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Platform.h"

#include <memory>

namespace Dartline {

// The platform of this session, decided at run time so that one binary
// serves X11 and every other session: the sway backend when SWAYSOCK and
// WAYLAND_DISPLAY name a compositor with the globals it needs, the KWin
// backend when WAYLAND_DISPLAY names KWin, the X11 backend under the xcb
// platform plugin, otherwise the null platform.
std::unique_ptr<Platform> createPlatform();

} // namespace Dartline
