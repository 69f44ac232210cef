// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPointF>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace Dartline {

struct CursorImage
{
    QImage image; // premultiplied ARGB
    QPointF hotSpot; // from the image's top-left, y down
};

// The pointer as one reading: where it is and which buttons are held.
struct PointerState
{
    std::optional<QPointF> location; // none when unreadable
    bool leftButtonDown = false;
    bool rightButtonDown = false;
};

class CursorPlatform
{
public:
    CursorPlatform() = default;
    virtual ~CursorPlatform() = default;
    Q_DISABLE_COPY_MOVE(CursorPlatform)

    // warp()'s answer when the compositor lets this program move no pointer
    // (KWin grants it only to a program an installed desktop entry names).
    static constexpr int WarpNotAllowed = -3;
    // The desktop answered a pending warp with no (its user did not allow it).
    static constexpr int WarpRefused = -4;
    // warp()'s answer when the desktop answers later (it may ask its user
    // first): the outcome goes to the handler given to onWarpSettled().
    static constexpr int WarpPending = 1;
    using WarpSettled = std::function<void(const QPointF &point, int code)>;
    void onWarpSettled(WarpSettled handler) { m_warpSettled = std::move(handler); }

    // Where the pointer can be moved only through a service of the desktop's,
    // whether that service can be used now: known before a jump fails.
    enum class Route {
        Direct, // the window system moves it when asked
        ScreenSharingReady, // GNOME's remote-desktop service, with PipeWire running
        ScreenSharingWithoutPipeWire, // the same, refused until PipeWire runs
        NeedsDesktopEntry, // KWin: granted only to a program its installed desktop entry names
        DesktopPortal, // the desktop portal's remote desktop: asks its user once, then remembers
    };
    virtual Route route() { return Route::Direct; }

    // Moves the pointer; 0 on success, otherwise the window system's error code.
    virtual int warp(const QPointF &point) = 0;
    // The pointer's position in global coordinates, or none when unreadable.
    virtual std::optional<QPointF> location() = 0;
    virtual bool leftButtonDown() = 0;
    virtual bool rightButtonDown() = 0;
    // The three above at once. A platform that can answer them with one
    // question to the window system overrides this: a pulse asks 60 times a
    // second, and every question blocks the thread that handles hot keys.
    virtual PointerState pointerState() { return { location(), leftButtonDown(), rightButtonDown() }; }
    // The cursor currently shown, or none (the caller then draws an arrow).
    virtual std::optional<CursorImage> currentCursor() = 0;
    // The desktop asked for reduced motion.
    virtual bool reduceMotion() = 0;
    // A compositing manager runs, so translucent windows blend.
    virtual bool hasCompositor() = 0;

    // What a pulse asks before it starts. A platform that can ask all of it
    // at once overrides this: the next hot key waits for the answers.
    struct PulseFacts
    {
        std::optional<CursorImage> cursor;
        bool compositor = false;
        bool reduceMotion = false;
    };
    virtual PulseFacts pulseFacts() { return { currentCursor(), hasCompositor(), reduceMotion() }; }
    // warp(), then pulseFacts() when it succeeded: a platform that can put
    // both to the window system at once overrides this, so that a jump with
    // a pulse waits for one answer, like a jump without.
    virtual int warpForPulse(const QPointF &point, PulseFacts &facts)
    {
        const int code = warp(point);
        if (code == 0)
            facts = pulseFacts();
        return code;
    }

protected:
    void settleWarp(const QPointF &point, int code)
    {
        if (m_warpSettled)
            m_warpSettled(point, code);
    }

private:
    WarpSettled m_warpSettled;
};

} // namespace Dartline
