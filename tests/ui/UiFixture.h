// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "displays/CursorAnimator.h"
#include "model/AppModel.h"
#include "model/SettingsStore.h"
#include "platform/fake/FakePlatform.h"

#include <QApplication>
#include <QPalette>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

namespace Dartline {

// A model over the fake platform with a throw-away store, for the views and
// the screenshot tool: screens and stored preferences are set before start().
class UiFixture
{
public:
    UiFixture();

    // A built-in panel, a monitor right of it, a smaller one left of it and
    // above, then more to the right: left to right they are 3, 1, 2, 4, ...
    static QList<FakeScreen> screens(int count);
    static QList<FakeScreen> threeScreens() { return screens(3); }
    // A known display that is not connected, with a shortcut, in the store.
    void storeDisconnected(const QString &id, const Shortcut &shortcut);
    AppModel &start()
    {
        model = std::make_unique<AppModel>(platform, *store);
        return *model;
    }

    // The theme follows the palette once isolateTheme() hides the desktop's.
    static void setDarkPalette(bool dark)
    {
        QApplication::setPalette(dark ? QPalette(QColor(0x33363F), QColor(0x2B2E36)) : QPalette(QColor(0xEFEFEF)));
    }
    static void isolateTheme() { qunsetenv("DBUS_SESSION_BUS_ADDRESS"); }

    FakePlatform platform;
    QTemporaryDir dir;
    std::unique_ptr<QSettings> store;
    std::unique_ptr<AppModel> model;
};

} // namespace Dartline
