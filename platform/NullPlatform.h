// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Platform.h"

#include <memory>

namespace Dartline {

// The platform outside X11 (Wayland, offscreen, no application): no
// displays, no pointer, every hot key refused. Dartline still starts on it
// instead of failing on the first call.
std::unique_ptr<Platform> createNullPlatform();

} // namespace Dartline
