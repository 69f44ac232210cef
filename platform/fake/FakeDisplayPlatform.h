// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DisplayPlatform.h"

#include <optional>

namespace Dartline {

// One screen as a test scripts it. Every query of the platform about a display
// number answers from the first screen with that number; a number no screen has
// is inactive, unmirrored, without identity and empty.
struct FakeScreen
{
    std::optional<quint32> number;
    QString name;
    QRectF bounds;
    bool active = true;
    bool inMirrorSet = false;
    quint32 mirrors = 0; // the display this one copies, 0 for none
    std::optional<QString> uuid;
    quint32 vendor = 0;
    quint32 model = 0;
    quint32 serial = 0;
    bool builtIn = false;
};

// A display platform whose screens a test sets and changes at will.
//
//     FakeDisplayPlatform displays;
//     displays.setScreens({ FakeScreen { 1, u"Left"_s, QRectF(0, 0, 1920, 1080) } });
//     displays.screen(1).active = false; // unplugged after the last refresh
//     displays.notifyChanged(); // as the window system would
class FakeDisplayPlatform : public DisplayPlatform
{
    Q_OBJECT
public:
    using DisplayPlatform::DisplayPlatform;

    void setScreens(const QList<FakeScreen> &screens) { m_screens = screens; }
    void addScreen(const FakeScreen &screen) { m_screens.append(screen); }
    // Removes every screen with that number, as unplugging does.
    void removeScreen(quint32 number);
    const QList<FakeScreen> &fakeScreens() const { return m_screens; }
    // The screen with that number, to change in place; it must exist.
    FakeScreen &screen(quint32 number);

    // Emits configurationChanged() now.
    void notifyChanged() { Q_EMIT configurationChanged(); }

    QList<ScreenInfo> screens() override;
    bool isActive(quint32 display) override;
    bool isInMirrorSet(quint32 display) override;
    quint32 mirrorsDisplay(quint32 display) override;
    std::optional<QString> uuid(quint32 display) override;
    quint32 vendorNumber(quint32 display) override;
    quint32 modelNumber(quint32 display) override;
    quint32 serialNumber(quint32 display) override;
    QRectF bounds(quint32 display) override;
    bool isBuiltin(quint32 display) override;

private:
    const FakeScreen *find(quint32 number) const;

    QList<FakeScreen> m_screens;
};

} // namespace Dartline
