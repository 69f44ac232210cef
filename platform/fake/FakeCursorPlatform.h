// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/CursorPlatform.h"

#include <QList>

namespace Dartline {

// A pointer that lives in memory. A successful warp moves it unless the test
// turned that off; every answer can be scripted.
class FakeCursorPlatform : public CursorPlatform
{
public:
    FakeCursorPlatform() = default;

    // Every point warp() was asked for, refused ones included.
    const QList<QPointF> &warps() const { return m_warps; }
    // What warp() returns; non-zero refuses the warp and leaves the pointer.
    void setWarpResult(int result) { m_warpResult = result; }
    // When false a successful warp leaves location() where it was, to tell
    // the landing point read back from the one asked for.
    void setFollowsWarp(bool follows) { m_followsWarp = follows; }
    // None makes location() unreadable.
    void setLocation(std::optional<QPointF> location) { m_location = location; }
    int locationReads() const { return m_locationReads; }

    void setLeftButtonDown(bool down) { m_left = down; }
    void setRightButtonDown(bool down) { m_right = down; }
    void setCurrentCursor(std::optional<CursorImage> image) { m_image = std::move(image); }
    void setReduceMotion(bool reduce) { m_reduceMotion = reduce; }
    void setCompositor(bool running) { m_compositor = running; }
    void setRoute(Route route) { m_route = route; }
    // The desktop's later answer to the last warp, after WarpPending.
    void settle(int code) { settleWarp(m_warps.constLast(), code); }
    Route route() override { return m_route; }

    int warp(const QPointF &point) override
    {
        m_warps.append(point);
        if (m_warpResult == 0 && m_followsWarp)
            m_location = point;
        return m_warpResult;
    }
    std::optional<QPointF> location() override
    {
        ++m_locationReads;
        return m_location;
    }
    bool leftButtonDown() override { return m_left; }
    bool rightButtonDown() override { return m_right; }
    std::optional<CursorImage> currentCursor() override { return m_image; }
    bool reduceMotion() override { return m_reduceMotion; }
    bool hasCompositor() override { return m_compositor; }

private:
    QList<QPointF> m_warps;
    int m_warpResult = 0;
    bool m_followsWarp = true;
    std::optional<QPointF> m_location = QPointF(0, 0);
    int m_locationReads = 0;
    bool m_left = false;
    bool m_right = false;
    std::optional<CursorImage> m_image;
    bool m_reduceMotion = false;
    bool m_compositor = true;
    Route m_route = Route::Direct;
};

} // namespace Dartline
