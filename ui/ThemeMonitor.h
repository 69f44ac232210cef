// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class QString;

namespace Dartline {

class AppearancePlatform;
class PortalColorScheme;

// Decides whether the dark appearance is the best match for the desktop, and
// says so again whenever that may have changed:
//   1. the desktop portal's colour scheme, when it prefers dark or light;
//   2. otherwise the desktop theme's name from the settings daemon
//      (setDesktop), dark when the name says so;
//   3. otherwise the application palette, when its window colour is dark.
// Each is followed live. The portal is asked asynchronously, so start-up
// never waits for it; its answer (and any later change) arrives as changed().
class ThemeMonitor : public QObject
{
    Q_OBJECT
public:
    // Created on first use; needs the application object.
    static ThemeMonitor &instance();
    ~ThemeMonitor() override;

    bool isDark() const { return m_dark; }

    // Follows the settings daemon's theme name from now on; null, or the
    // object's destruction, stops that.
    void setDesktop(AppearancePlatform *desktop);

    // Whether a theme of this name is a dark one: it says "dark" (Adwaita-dark,
    // Greybird-dark, Breeze-Dark), in any case.
    static bool isDarkThemeName(const QString &name);

    // Reads the palette and the portal's and the daemon's last answers again.
    void resolve();

Q_SIGNALS:
    void changed(bool dark);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ThemeMonitor();

    std::unique_ptr<PortalColorScheme> m_portal;
    QPointer<AppearancePlatform> m_desktop;
    std::optional<bool> m_desktopDark;
    bool m_dark = false;
};

} // namespace Dartline
