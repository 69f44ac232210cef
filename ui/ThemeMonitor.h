// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <memory>
#include <optional>

class PortalColorScheme;

// Decides whether the dark appearance is the best match for the desktop, and
// says so again whenever that may have changed:
//   1. the desktop portal's colour scheme, when it answers "prefer dark";
//   2. otherwise the application palette, when its window colour is dark.
// The portal is asked asynchronously, so start-up never waits for it; its
// answer (and any later change) arrives as changed().
class ThemeMonitor : public QObject
{
    Q_OBJECT
public:
    // Created on first use; needs the application object.
    static ThemeMonitor &instance();
    ~ThemeMonitor() override;

    bool isDark() const { return m_dark; }

    // Reads the palette and the portal's last answer again.
    void resolve();

Q_SIGNALS:
    void changed(bool dark);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ThemeMonitor();

    std::unique_ptr<PortalColorScheme> m_portal;
    bool m_dark = false;
};
