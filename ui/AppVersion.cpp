// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppVersion.h"

#include <QCoreApplication>

namespace Dartline {

using namespace Qt::StringLiterals;

namespace {

QString orFallback(const QString &value, const QString &fallback)
{
    const QString trimmed = value.trimmed();
    return trimmed.isEmpty() ? fallback : trimmed;
}

} // namespace

namespace AppVersion {

// Both macros are always defined by the build, possibly as empty strings.
QString shortVersion()
{
    return orFallback(QString::fromUtf8(DARTLINE_VERSION), u"0.1.0"_s);
}

QString buildVersion()
{
    return QString::fromUtf8(DARTLINE_BUILD_NUMBER).trimmed();
}

QString footerText(const QString &version)
{
    return u"v"_s + orFallback(version, u"0.1.0"_s);
}

QString aboutLine(const QString &version, const QString &build)
{
    const QString line
        = QCoreApplication::translate("Dartline::AppVersion", "Version %1").arg(orFallback(version, u"0.1.0"_s));
    // No made-up number when the build gives none.
    return build.trimmed().isEmpty() ? line : line + u" ("_s + build.trimmed() + u")"_s;
}

} // namespace AppVersion

} // namespace Dartline
