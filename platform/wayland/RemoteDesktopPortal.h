// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/wayland/PortalRequests.h"

#include <QList>
#include <QObject>
#include <QRectF>

#include <optional>

namespace Dartline {

// A remote-desktop session of the desktop portal that may move the pointer.
// Opening one is a chain of requests the portal answers later (the desktop
// may ask the user first), so open() returns at once and opened() or
// refused() follows. A portal of version 2 on can restore a session the user
// allowed: its token is kept in `tokenFile`, so the desktop asks once.
// Absolute motion is relative to a screen-cast stream of the session, so
// the session records every monitor.
class RemoteDesktopPortal : public QObject
{
    Q_OBJECT
public:
    RemoteDesktopPortal(const QDBusConnection &bus, QString tokenFile);
    ~RemoteDesktopPortal() override;
    Q_DISABLE_COPY_MOVE(RemoteDesktopPortal)

    // The portal's remote-desktop version, 0 when the session has no portal.
    uint version();
    bool isOpen() const { return m_open; }
    bool isOpening() const { return m_requests.isWaiting(); }
    void open();
    void close();
    // Moves the pointer to `point` in the layout's coordinates; false when
    // no stream of the session shows it or the portal refused.
    bool move(const QPointF &point);

    // Path of the token file when none is given: $XDG_STATE_HOME/dartline.
    static QString defaultTokenFile();

Q_SIGNALS:
    void opened();
    void refused(const QString &why);

private Q_SLOTS:
    void sessionClosed();

private:
    // A request, and `next` with its results once the portal granted it.
    void step(const QString &interface, const QString &method, QVariantList arguments, QVariantMap options,
        std::function<void(const QVariantMap &)> next);
    void selectDevices();
    void started(const QVariantMap &results);
    void fail(const QString &why);
    void keepToken(const QString &token) const;

    struct Stream
    {
        uint node = 0;
        QRectF area; // in the layout's coordinates
    };

    PortalRequests m_requests;
    QString m_tokenFile;
    std::optional<uint> m_version;
    bool m_open = false;
    QString m_session; // the session's object path
    QList<Stream> m_streams;
};

} // namespace Dartline
