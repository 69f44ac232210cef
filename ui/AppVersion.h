// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The version texts the windows show. They come from the build (the project
// version, and an optional build number given to CMake as
// -DDARTLINE_BUILD_NUMBER=…); when the build gives none, the fixed fallbacks.
namespace AppVersion {

QString shortVersion(); // "0.1.0" when absent
QString buildVersion(); // "0" when absent

// "v" and the short version, for the settings footer.
QString footerText(const QString &shortVersion);
// "版本 1.2 (7)", with the fallbacks for empty parts.
QString aboutLine(const QString &shortVersion, const QString &buildVersion);

} // namespace AppVersion
