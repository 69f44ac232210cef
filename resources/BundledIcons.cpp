// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources/BundledIcons.h"

#include <QDir>

namespace Dartline {

namespace BundledIcons {

QIcon appIcon()
{
    QIcon icon;
    const QDir folder(QStringLiteral(":/icons"), QStringLiteral("dartline-*.png"));
    // Each file's size is read from the file.
    for (const QString &name : folder.entryList(QDir::Files))
        icon.addFile(folder.filePath(name));
    return icon;
}

} // namespace BundledIcons

} // namespace Dartline
