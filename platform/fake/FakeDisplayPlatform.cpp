// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fake/FakeDisplayPlatform.h"

namespace Dartline {

void FakeDisplayPlatform::removeScreen(quint32 number)
{
    m_screens.removeIf([number](const FakeScreen &s) { return s.number == number; });
}

FakeScreen &FakeDisplayPlatform::screen(quint32 number)
{
    for (FakeScreen &s : m_screens) {
        if (s.number == number)
            return s;
    }
    qFatal("FakeDisplayPlatform: no screen with number %u", number);
}

const FakeScreen *FakeDisplayPlatform::find(quint32 number) const
{
    for (const FakeScreen &s : m_screens) {
        if (s.number == number)
            return &s;
    }
    return nullptr;
}

QList<ScreenInfo> FakeDisplayPlatform::screens()
{
    QList<ScreenInfo> result;
    result.reserve(m_screens.size());
    for (const FakeScreen &s : std::as_const(m_screens))
        result.append(ScreenInfo { s.number, s.name });
    return result;
}

bool FakeDisplayPlatform::isActive(quint32 display)
{
    const FakeScreen *s = find(display);
    return s && s->active;
}

bool FakeDisplayPlatform::isInMirrorSet(quint32 display)
{
    const FakeScreen *s = find(display);
    return s && s->inMirrorSet;
}

quint32 FakeDisplayPlatform::mirrorsDisplay(quint32 display)
{
    const FakeScreen *s = find(display);
    return s ? s->mirrors : 0;
}

std::optional<QString> FakeDisplayPlatform::uuid(quint32 display)
{
    const FakeScreen *s = find(display);
    return s ? s->uuid : std::nullopt;
}

quint32 FakeDisplayPlatform::vendorNumber(quint32 display)
{
    const FakeScreen *s = find(display);
    return s ? s->vendor : 0;
}

quint32 FakeDisplayPlatform::modelNumber(quint32 display)
{
    const FakeScreen *s = find(display);
    return s ? s->model : 0;
}

quint32 FakeDisplayPlatform::serialNumber(quint32 display)
{
    const FakeScreen *s = find(display);
    return s ? s->serial : 0;
}

QRectF FakeDisplayPlatform::bounds(quint32 display)
{
    const FakeScreen *s = find(display);
    return s ? s->bounds : QRectF();
}

bool FakeDisplayPlatform::isBuiltin(quint32 display)
{
    const FakeScreen *s = find(display);
    return s && s->builtIn;
}

} // namespace Dartline
