// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace Dartline {

// What the desktop's settings daemon says about its look: the name of the
// theme in force (XSETTINGS Net/ThemeName on X11, what xfsettingsd and
// gsd-xsettings publish and change when the user switches themes).
class AppearancePlatform : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~AppearancePlatform() override = default;
    Q_DISABLE_COPY_MOVE(AppearancePlatform)

    // None while no settings daemon publishes a theme name.
    virtual std::optional<QString> themeName() = 0;

Q_SIGNALS:
    // The theme name may have changed: a new value, or a daemon that came,
    // went or was replaced.
    void changed();
};

} // namespace Dartline
