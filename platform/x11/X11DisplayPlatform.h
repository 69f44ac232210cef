// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DisplayPlatform.h"
#include "platform/Edid.h"

#include <QAbstractNativeEventFilter>
#include <QRect>

#include <xcb/xcb.h>

#include <optional>

namespace Dartline {

// Displays as RandR 1.5 monitors. A monitor's display number is its first
// output's XID (a virtual monitor without outputs uses its name atom), and
// its identity comes from the EDID of that output.
//
// One snapshot of the monitors answers every query until the server reports
// a change, so a jump asks the server nothing. It is exactly as fresh as
// asking: the server sends its change events before anything that happens
// after the change, such as a key press; Qt hands this connection's events
// to the native event filters one by one in that order, and the filter drops
// the snapshot on the spot. A hot key therefore never acts on a layout older
// than what the server had reported before the key went down.
class X11DisplayPlatform : public DisplayPlatform, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    // Uses the application's X connection; without one there are no screens.
    explicit X11DisplayPlatform(QObject *parent = nullptr);
    ~X11DisplayPlatform() override;
    Q_DISABLE_COPY_MOVE(X11DisplayPlatform)

    QList<ScreenInfo> screens() override;
    bool hasScreens() override { return !monitors().isEmpty(); }
    bool isActive(quint32 display) override;
    bool isInMirrorSet(quint32 display) override;
    quint32 mirrorsDisplay(quint32 display) override;
    std::optional<QString> uuid(quint32 display) override;
    quint32 vendorNumber(quint32 display) override;
    quint32 modelNumber(quint32 display) override;
    quint32 serialNumber(quint32 display) override;
    QRectF bounds(quint32 display) override;
    bool isBuiltin(quint32 display) override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct Monitor
    {
        quint32 number = 0;
        xcb_atom_t nameAtom = XCB_ATOM_NONE;
        QString monitorName;
        QString connector; // the first output's name; empty without outputs
        QRect geometry; // root coordinates
        bool primary = false;
        bool hasOutput = false;
        bool outputDriven = false; // connected, with a CRTC that has a mode
        std::optional<Edid> edid;
    };

    // Everything one enumeration needs, read with one round of requests and
    // kept until the server reports a change.
    const QList<Monitor> &monitors();
    const Monitor *find(quint32 display);
    // Empty when the server did not answer the list itself.
    std::optional<QList<Monitor>> readMonitors();
    bool isActive(const Monitor &monitor) const;
    void scheduleChanged();

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_atom_t m_edidAtom = XCB_ATOM_NONE;
    quint8 m_randrEventBase = 0;
    bool m_hasMonitors = false; // RandR 1.5
    std::optional<QList<Monitor>> m_cache;
    QList<Monitor> m_unread; // what monitors() offers when the server did not answer
    bool m_changePending = false;
};

} // namespace Dartline
