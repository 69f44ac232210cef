// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace Dartline {

// The icons compiled into the program (resources/icons).
namespace BundledIcons {

// The application icon: every dartline-<size>.png, each at its own size.
QIcon appIcon();

} // namespace BundledIcons

} // namespace Dartline
