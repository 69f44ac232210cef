// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

namespace Dartline {

// Who makes Dartline and where to find it, shown in the settings footer and
// the About window.
namespace ProjectLinks {

QUrl homepage();
QString footerMaker(); // short, in the settings footer
QString footerLink();
QString aboutMaker(); // the About window's maker line
QString aboutLink();

} // namespace ProjectLinks

} // namespace Dartline
