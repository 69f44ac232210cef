// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/wayland/CompositorCursorPlatform.h"
#include "platform/wayland/RemoteDesktopPortal.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QTimer>

namespace Dartline {

class GnomeDisplayPlatform;

// mutter's pointer, moved through a remote-desktop session of its own D-Bus
// API (no consent dialog on the session bus): absolute motion is relative to
// a screen-cast stream, so the session records every monitor. Recording
// needs a running PipeWire; without one mutter refuses the session and the
// jump reports that it may not move the pointer. The session is opened on the
// first jump and closed once jumps stop for a while, so GNOME Shell's
// screen-sharing indicator does not stay on. The rest (cursor image, buttons,
// the desktop's settings) is asked of `fallback`, the X11 backend through
// XWayland, which learns where the pointer is only while it is over an X
// window: after a jump the jump's target is the position until XWayland
// reports a move of its own.
//
// Where the desktop portal can restore a remote-desktop session (GNOME 46
// on), jumps go through it instead: the user allows them once, and the
// portal remembers. Its first session opens after the user answers, so that
// jump lands later (WarpPending).
class GnomeCursorPlatform : public QObject, public CompositorCursorPlatform
{
    Q_OBJECT
public:
    enum class PortalUse {
        WhenItRemembers, // the portal where it restores sessions, else mutter's own service
        Always,
    };
    GnomeCursorPlatform(GnomeDisplayPlatform &displays, const QDBusConnection &bus, CursorPlatform *fallback,
        std::chrono::milliseconds idle = std::chrono::seconds(10), PortalUse portalUse = PortalUse::WhenItRemembers,
        const QString &tokenFile = RemoteDesktopPortal::defaultTokenFile());
    ~GnomeCursorPlatform() override;
    Q_DISABLE_COPY_MOVE(GnomeCursorPlatform)

    int warp(const QPointF &point) override;
    Route route() override;

    bool hasSession() const { return !m_session.isEmpty() || m_portal.isOpen(); }
    bool usesPortal() { return m_portalUse == PortalUse::Always || m_portal.version() >= 2; }

private Q_SLOTS:
    void sessionClosed();
    void portalOpened();
    void portalRefused(const QString &why);

private:
    bool open();
    void close();
    int warpThroughPortal(const QPointF &point);

    GnomeDisplayPlatform &m_displays;
    QDBusConnection m_bus;
    QString m_session; // the remote-desktop session's object path
    QHash<QString, QString> m_streams; // stream object path by connector
    QTimer m_idle;
    bool m_refusalLogged = false;
    PortalUse m_portalUse;
    RemoteDesktopPortal m_portal;
    std::optional<QPointF> m_pending; // the jump waiting for the portal's session
};

} // namespace Dartline
