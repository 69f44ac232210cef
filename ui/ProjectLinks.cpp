// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ProjectLinks.h"

#include <QCoreApplication>

namespace Dartline {

using namespace Qt::StringLiterals;

namespace ProjectLinks {

QUrl homepage()
{
    return QUrl(u"https://dartline.org"_s);
}

QString footerMaker()
{
    return QCoreApplication::translate("Dartline::ProjectLinks", "Dartline open-source project");
}

QString footerLink()
{
    return QCoreApplication::translate("Dartline::ProjectLinks", "Project home page");
}

QString aboutMaker()
{
    return QCoreApplication::translate("Dartline::ProjectLinks", "Made by the Dartline open-source community");
}

QString aboutLink()
{
    return QCoreApplication::translate("Dartline::ProjectLinks", "Visit the project home page");
}

} // namespace ProjectLinks

} // namespace Dartline
