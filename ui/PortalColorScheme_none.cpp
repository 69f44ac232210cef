// SPDX-License-Identifier: GPL-3.0-or-later
// Built when Qt has no D-Bus module: the palette alone decides.
#include "ui/PortalColorScheme.h"

namespace Dartline {

PortalColorScheme::PortalColorScheme() = default;
PortalColorScheme::~PortalColorScheme() = default;

void PortalColorScheme::start()
{ }

void PortalColorScheme::setScheme(uint scheme)
{
    m_scheme = scheme;
}

} // namespace Dartline
