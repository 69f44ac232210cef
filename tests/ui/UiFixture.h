// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppModel.h"
#include "model/SettingsStore.h"
#include "platform/fake/FakePlatform.h"

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

    static FakeScreen screen(quint32 number, const QString &name, const QRectF &bounds, bool builtIn = false);
    // Three displays: a built-in panel, an external monitor to its right and
    // a smaller one above, left of centre.
    static QList<FakeScreen> threeScreens();

    // Preferences stored before the model starts: a known display that is
    // not connected, with a shortcut.
    void storeDisconnected(const QString &id, const Shortcut &shortcut);
    AppModel &start();

    // Light or dark application palette; the theme follows it.
    static void setDarkPalette(bool dark);
    // Keeps the desktop's colour-scheme setting out of the test: call before
    // anything reads the theme.
    static void isolateTheme();

    FakePlatform platform;
    QTemporaryDir dir;
    std::unique_ptr<QSettings> store;
    std::unique_ptr<AppModel> model;
};

} // namespace Dartline
