// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Dartline {

// The version texts the windows show. They come from the build (the project
// version, and an optional build number given to CMake as
// -DDARTLINE_BUILD_NUMBER=…). Without a project version the windows show
// "0.1.0"; without a build number they show none.
namespace AppVersion {

QString shortVersion(); // "0.1.0" when absent
QString buildVersion(); // empty when absent

// "v" and the short version, for the settings footer.
QString footerText(const QString &shortVersion);
// "Version 1.2 (7)", or "Version 1.2" without a build number.
QString aboutLine(const QString &shortVersion, const QString &buildVersion);

} // namespace AppVersion

} // namespace Dartline
