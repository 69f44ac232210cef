// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppIcon.h"

#include <QString>

// The resource initialiser of a static library is not referenced by anything
// the linker keeps, so it is called by name, outside any namespace.
static void initIconResources()
{
    Q_INIT_RESOURCE(appicon);
}

namespace Dartline {

namespace AppIcon {

QIcon icon()
{
    static const QIcon compiled = [] {
        ::initIconResources();
        QIcon i;
        for (int size : { 16, 22, 24, 32, 48, 64, 128, 256, 512 })
            i.addFile(QStringLiteral(":/dartline/icons/dartline-%1.png").arg(size), QSize(size, size));
        return i;
    }();
    return compiled;
}

} // namespace AppIcon

} // namespace Dartline
