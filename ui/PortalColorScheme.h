// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <optional>

namespace Dartline {

// The desktop portal's colour-scheme setting (org.freedesktop.appearance
// color-scheme: 0 no preference, 1 prefer dark, 2 prefer light), read once
// asynchronously and then followed through the portal's change signal. Where
// the build has no D-Bus module, or the session has no bus, it has no
// preference and never changes.
class PortalColorScheme : public QObject
{
    Q_OBJECT
public:
    PortalColorScheme();
    ~PortalColorScheme() override;

    // Sends the first read; never blocks.
    void start();
    // True for "prefer dark", false for "prefer light", none without a
    // preference (or an answer).
    std::optional<bool> preferDark() const
    {
        if (m_scheme == 1 || m_scheme == 2)
            return m_scheme == 1;
        return std::nullopt;
    }

Q_SIGNALS:
    void changed();

private:
    void setScheme(uint scheme);

    uint m_scheme = 0;
};

} // namespace Dartline
