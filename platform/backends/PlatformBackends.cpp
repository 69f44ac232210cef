// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/backends/PlatformBackends.h"

#include "platform/NullPlatform.h"
#include "platform/x11/X11Platform.h"

#include <QGuiApplication>

namespace Dartline {

std::unique_ptr<Platform> createPlatform()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return std::make_unique<X11Platform>();
    return createNullPlatform();
}

} // namespace Dartline
