// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace Dartline {

// What assistive technologies see of the custom-painted controls that the
// stock accessibility of Qt Widgets cannot describe: the shortcut field's
// value ("Alt+1", "Not set", "Recording; press a shortcut") and the display map as one
// picture with a fixed label.
namespace AccessibleWidgets {

// Installs the factory once; later calls do nothing.
void install();

} // namespace AccessibleWidgets

} // namespace Dartline
