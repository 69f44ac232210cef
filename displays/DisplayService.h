// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Display.h"

class DisplayPlatform;

namespace DisplayService {

// The connected displays, left to right then top to bottom; built anew on
// every call. Screens that cannot be resolved are left out silently.
QList<Display> connected(DisplayPlatform &platform);

} // namespace DisplayService
