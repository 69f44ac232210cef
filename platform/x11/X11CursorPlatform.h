// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/CursorPlatform.h"

#include <QByteArray>
#include <QHash>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace Dartline {

// The pointer of the X server: warps and position on the root window, the
// cursor image through XFixes, and the two desktop facts the pulse depends on.
class X11CursorPlatform : public CursorPlatform
{
public:
    // A warp with no X connection fails with this code.
    static constexpr int NoConnection = -1;

    // Uses the application's X connection; without one every query fails.
    X11CursorPlatform();
    ~X11CursorPlatform() override;
    Q_DISABLE_COPY_MOVE(X11CursorPlatform)

    int warp(const QPointF &point) override;
    int warpForPulse(const QPointF &point, PulseFacts &facts) override;
    std::optional<QPointF> location() override;
    bool leftButtonDown() override;
    bool rightButtonDown() override;
    PointerState pointerState() override;
    std::optional<CursorImage> currentCursor() override;
    bool reduceMotion() override;
    bool hasCompositor() override;
    PulseFacts pulseFacts() override;

private:
    // The questions of pulseFacts(), asked and not yet answered.
    struct FactsAsked
    {
        std::optional<xcb_xfixes_get_cursor_image_cookie_t> image;
        xcb_get_selection_owner_cookie_t compositorOwner {};
        xcb_get_selection_owner_cookie_t settingsOwner {};
        bool compositorAtom = false;
        bool settingsAtom = false;
        // The settings of the daemon that owned them last time, asked along.
        xcb_window_t settingsGuess = XCB_WINDOW_NONE;
        xcb_get_property_cookie_t settings {};
    };
    FactsAsked askFacts();
    PulseFacts collect(const FactsAsked &asked);

    xcb_atom_t atom(const QByteArray &name);
    xcb_window_t selectionOwner(const QByteArray &selection);
    std::optional<CursorImage> cursorImage(xcb_xfixes_get_cursor_image_cookie_t cookie);
    bool reduceMotionOf(xcb_window_t settingsOwner);
    static bool reducesMotion(const std::optional<QByteArray> &settings);

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    int m_screen = 0;
    bool m_hasXFixes = false;
    xcb_window_t m_settingsOwner = XCB_WINDOW_NONE; // the last one seen
    QHash<QByteArray, xcb_atom_t> m_atoms;
};

} // namespace Dartline
