// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/wayland/CompositorCursorPlatform.h"

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
class GnomeCursorPlatform : public QObject, public CompositorCursorPlatform
{
    Q_OBJECT
public:
    GnomeCursorPlatform(GnomeDisplayPlatform &displays, const QDBusConnection &bus, CursorPlatform *fallback,
        std::chrono::milliseconds idle = std::chrono::seconds(10));
    ~GnomeCursorPlatform() override;
    Q_DISABLE_COPY_MOVE(GnomeCursorPlatform)

    int warp(const QPointF &point) override;
    Route route() override;

    bool hasSession() const { return !m_session.isEmpty(); }

private Q_SLOTS:
    void sessionClosed();

private:
    bool open();
    void close();

    GnomeDisplayPlatform &m_displays;
    QDBusConnection m_bus;
    QString m_session; // the remote-desktop session's object path
    QHash<QString, QString> m_streams; // stream object path by connector
    QTimer m_idle;
    bool m_refusalLogged = false;
};

} // namespace Dartline
