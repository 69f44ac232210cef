// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AppearancePlatform.h"

namespace Dartline {

// A settings daemon in memory: the test sets the theme name, and every set
// that changes it says so.
class FakeAppearancePlatform : public AppearancePlatform
{
    Q_OBJECT
public:
    using AppearancePlatform::AppearancePlatform;

    void setThemeName(std::optional<QString> name)
    {
        if (name == m_name)
            return;
        m_name = std::move(name);
        Q_EMIT changed();
    }
    std::optional<QString> themeName() override { return m_name; }

private:
    std::optional<QString> m_name;
};

} // namespace Dartline
