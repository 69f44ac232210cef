// SPDX-License-Identifier: GPL-3.0-or-later
#include "displays/DisplayService.h"

#include "core/DisplayGeometry.h"
#include "platform/DisplayPlatform.h"

#include <algorithm>

namespace Dartline {

namespace DisplayService {

namespace {

QString identifier(DisplayPlatform &platform, quint32 number)
{
    // A UUID the platform cannot spell is no identity; the fallback is.
    const std::optional<QString> uuid = platform.uuid(number);
    if (uuid && !uuid->isEmpty())
        return *uuid;
    return QLatin1String("fallback-") + QString::number(platform.vendorNumber(number)) + QLatin1Char('-')
        + QString::number(platform.modelNumber(number)) + QLatin1Char('-')
        + QString::number(platform.serialNumber(number)) + QLatin1Char('-') + QString::number(number);
}

// Left edge, then top edge, then identifier. Displays that share a top-left
// corner but differ in size (overlapping outputs) are ordered by identifier
// too: leaving them to the platform's order would make the relation
// intransitive, and the list would then depend on the order RandR reports.
bool listedBefore(const Display &a, const Display &b)
{
    if (DisplayGeometry::orderedBefore(a.bounds, b.bounds))
        return true;
    if (DisplayGeometry::orderedBefore(b.bounds, a.bounds))
        return false;
    return a.id < b.id;
}

} // namespace

QList<Display> connected(DisplayPlatform &platform)
{
    QList<Display> result;
    const QList<ScreenInfo> screens = platform.screens();
    for (const ScreenInfo &screen : screens) {
        if (!screen.number)
            continue;
        const quint32 number = *screen.number;
        if (!platform.isActive(number))
            continue;
        // The master of a mirror set copies nobody and stands for the whole set.
        if (platform.isInMirrorSet(number) && platform.mirrorsDisplay(number) != 0)
            continue;
        Display display;
        display.id = identifier(platform, number);
        display.number = number;
        display.name = screen.name;
        display.bounds = platform.bounds(number);
        display.builtIn = platform.isBuiltin(number);
        result.append(display);
    }
    std::stable_sort(result.begin(), result.end(), listedBefore);
    return result;
}

} // namespace DisplayService

} // namespace Dartline
