// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// xcb's XKB header names a structure member `explicit`, which C++ reserves.
#define explicit xcb_explicit
#include <xcb/xkb.h>
#undef explicit

namespace Dartline { } // namespace Dartline
