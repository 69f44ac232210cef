// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/wayland/CompositorCursorPlatform.h"

#include <QHash>

struct zwlr_virtual_pointer_v1;

namespace Dartline {

class WaylandConnection;

// The compositor's pointer, moved through a wlroots virtual pointer tied to
// the target output (its absolute motion lands exactly and needs no consent),
// or else KWin's fake input, which KWin grants only to programs a desktop
// file vouches for. The rest (cursor image, buttons, the desktop's settings)
// is asked of `fallback`, the X11 backend through XWayland. XWayland only
// learns where the pointer is while it is over an X window, so after a jump
// the jump's target is the position until XWayland reports a move of its own.
class WaylandCursorPlatform : public CompositorCursorPlatform
{
public:
    // The compositor lets this program move no pointer.
    static constexpr int NotAllowed = WarpNotAllowed;

    WaylandCursorPlatform(WaylandConnection &connection, CursorPlatform *fallback);
    ~WaylandCursorPlatform() override;
    Q_DISABLE_COPY_MOVE(WaylandCursorPlatform)

    int warp(const QPointF &point) override;
    Route route() override;

private:
    int refuse();

    WaylandConnection &m_connection;
    QHash<quint32, zwlr_virtual_pointer_v1 *> m_pointers; // by output
    bool m_refusalLogged = false;
};

} // namespace Dartline
