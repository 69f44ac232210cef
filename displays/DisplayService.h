// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "displays/Display.h"

namespace Dartline {

class DisplayPlatform;

namespace DisplayService {

// The connected displays, left to right then top to bottom; built anew on
// every call. Screens that cannot be resolved are left out silently.
QList<Display> connected(DisplayPlatform &platform);

} // namespace DisplayService

} // namespace Dartline
