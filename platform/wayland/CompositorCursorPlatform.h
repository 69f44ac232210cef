// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/CursorPlatform.h"

namespace Dartline {

// A pointer the compositor moves for Dartline; the rest (cursor image,
// buttons, the desktop's settings) is asked of `fallback`, the X11 backend
// through XWayland. XWayland learns where the pointer is only while it is
// over an X window, so after a jump the jump's target is the position until
// XWayland reports a move of its own.
class CompositorCursorPlatform : public CursorPlatform
{
public:
    // A warp to a point no output shows fails with this code.
    static constexpr int NoOutput = -2;

    explicit CompositorCursorPlatform(CursorPlatform *fallback)
        : m_fallback(fallback)
    { }

    std::optional<QPointF> location() override { return pointerState().location; }
    bool leftButtonDown() override { return m_fallback && m_fallback->leftButtonDown(); }
    bool rightButtonDown() override { return m_fallback && m_fallback->rightButtonDown(); }
    PointerState pointerState() override;
    std::optional<CursorImage> currentCursor() override
    {
        return m_fallback ? m_fallback->currentCursor() : std::nullopt;
    }
    bool reduceMotion() override { return m_fallback && m_fallback->reduceMotion(); }
    bool hasCompositor() override { return true; } // every Wayland compositor blends

protected:
    // The compositor took a move to `point`.
    void moved(const QPointF &point)
    {
        m_warped = point;
        m_xAtWarp.reset();
    }

private:
    CursorPlatform *m_fallback = nullptr;
    std::optional<QPointF> m_warped; // the last jump's target, while it is the best answer
    std::optional<std::optional<QPointF>> m_xAtWarp; // what XWayland said first after it
};

} // namespace Dartline
