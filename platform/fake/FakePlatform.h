// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Shortcut.h"
#include "platform/fake/FakeAppearancePlatform.h"
#include "platform/fake/FakeCursorPlatform.h"
#include "platform/fake/FakeDisplayPlatform.h"
#include "platform/fake/FakeHotKeyPlatform.h"
#include "platform/fake/FakeKeyboardPlatform.h"
#include "platform/Platform.h"

namespace Dartline {

// Keeps what Dartline asked the desktop to run; failing on request.
class FakeDesktopKeybindings : public DesktopKeybindings
{
public:
    bool write(const QList<std::pair<QString, Shortcut>> &bindings, const QString &runs, QString *error) override
    {
        if (fails)
            *error = QStringLiteral("read-only");
        else
            written = bindings, program = runs;
        return !fails;
    }
    int count() override { return static_cast<int>(written.size()); }

    QList<std::pair<QString, Shortcut>> written;
    QString program;
    bool fails = false;
};

// All the fakes behind one Platform. The accessors return the fake types, so
// a test scripts them through the same object it hands to the code under test:
//
//     FakePlatform platform;
//     platform.displays().setScreens({ ... });
//     platform.hotKeys().setStatus(Shortcut(18, Shortcut::Alt), HotKeyStatus::HotKeyExists);
//     AppModel model(platform, store);
class FakePlatform : public Platform
{
public:
    FakePlatform() = default;

    FakeDisplayPlatform &displays() override { return m_displays; }
    FakeCursorPlatform &cursor() override { return m_cursor; }
    FakeHotKeyPlatform &hotKeys() override { return m_hotKeys; }
    FakeKeyboardPlatform &keyboard() override { return m_keyboard; }
    FakeAppearancePlatform &appearance() override { return m_appearance; }
    bool reachesOnlyXWayland() const override { return m_onlyXWayland; }
    void setReachesOnlyXWayland(bool only) { m_onlyXWayland = only; }
    // None unless a test asks for the desktop's own keybindings.
    DesktopKeybindings *desktopKeybindings() override { return m_keybindingsUsed ? &m_keybindings : nullptr; }
    FakeDesktopKeybindings &keybindings() { return m_keybindings; }
    void useDesktopKeybindings(bool used) { m_keybindingsUsed = used; }

private:
    bool m_onlyXWayland = false;
    bool m_keybindingsUsed = false;
    FakeDesktopKeybindings m_keybindings;
    FakeDisplayPlatform m_displays;
    FakeCursorPlatform m_cursor;
    FakeHotKeyPlatform m_hotKeys;
    FakeKeyboardPlatform m_keyboard;
    FakeAppearancePlatform m_appearance;
};

} // namespace Dartline
