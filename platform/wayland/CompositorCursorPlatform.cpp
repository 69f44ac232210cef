// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/CompositorCursorPlatform.h"

namespace Dartline {

PointerState CompositorCursorPlatform::pointerState()
{
    PointerState state = m_fallback ? m_fallback->pointerState() : PointerState {};
    if (!m_warped)
        return state;
    // XWayland's answer right after the jump is stale; once it changes, the
    // pointer has moved over an X window and XWayland knows best again.
    if (!m_xAtWarp)
        m_xAtWarp = state.location;
    if (state.location != *m_xAtWarp) {
        m_warped.reset();
        return state;
    }
    state.location = m_warped;
    return state;
}

} // namespace Dartline
