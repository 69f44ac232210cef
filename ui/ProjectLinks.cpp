// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ProjectLinks.h"

namespace Dartline {

using namespace Qt::StringLiterals;

namespace ProjectLinks {

QUrl homepage()
{
    return QUrl(u"https://dartline.org"_s);
}

QString footerMaker()
{
    return u"Dartline 开源项目"_s;
}

QString footerLink()
{
    return u"项目主页"_s;
}

QString aboutMaker()
{
    return u"由 Dartline 开源社区制作"_s;
}

QString aboutLink()
{
    return u"访问项目主页"_s;
}

} // namespace ProjectLinks

} // namespace Dartline
