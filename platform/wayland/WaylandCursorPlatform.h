// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/CursorPlatform.h"

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
class WaylandCursorPlatform : public CursorPlatform
{
public:
    // A warp to a point no output shows fails with this code.
    static constexpr int NoOutput = -2;
    // The compositor lets this program move no pointer.
    static constexpr int NotAllowed = WarpNotAllowed;

    WaylandCursorPlatform(WaylandConnection &connection, CursorPlatform *fallback);
    ~WaylandCursorPlatform() override;
    Q_DISABLE_COPY_MOVE(WaylandCursorPlatform)

    int warp(const QPointF &point) override;
    std::optional<QPointF> location() override { return pointerState().location; }
    bool leftButtonDown() override { return m_fallback && m_fallback->leftButtonDown(); }
    bool rightButtonDown() override { return m_fallback && m_fallback->rightButtonDown(); }
    PointerState pointerState() override;
    std::optional<CursorImage> currentCursor() override;
    bool reduceMotion() override { return m_fallback && m_fallback->reduceMotion(); }
    bool hasCompositor() override { return true; } // every Wayland compositor blends

private:
    int refuse();

    WaylandConnection &m_connection;
    CursorPlatform *m_fallback = nullptr;
    QHash<quint32, zwlr_virtual_pointer_v1 *> m_pointers; // by output
    std::optional<QPointF> m_warped; // the last jump's target, while it is the best answer
    std::optional<std::optional<QPointF>> m_xAtWarp; // what XWayland said first after it
    bool m_refusalLogged = false;
};

} // namespace Dartline
