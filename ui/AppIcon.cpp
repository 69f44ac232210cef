// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppIcon.h"

#include "resources/BundledIcons.h"

namespace Dartline {

namespace AppIcon {

QIcon icon()
{
    static const QIcon bundled = BundledIcons::appIcon();
    return QIcon::fromTheme(QStringLiteral("org.dartline.Dartline"), bundled);
}

} // namespace AppIcon

} // namespace Dartline
