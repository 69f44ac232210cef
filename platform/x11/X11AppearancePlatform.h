// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AppearancePlatform.h"

#include <QAbstractNativeEventFilter>

#include <xcb/xcb.h>

namespace Dartline {

// The theme name of the XSETTINGS daemon of this screen, followed live: the
// daemon's property changes (PropertyNotify on the owner of _XSETTINGS_S<n>),
// and daemons that start, stop or replace each other (XFixes selection
// events). Without XFixes a daemon that starts later goes unnoticed.
class X11AppearancePlatform : public AppearancePlatform, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    // Uses the application's X connection; without one there is no theme.
    explicit X11AppearancePlatform(QObject *parent = nullptr);
    ~X11AppearancePlatform() override;
    Q_DISABLE_COPY_MOVE(X11AppearancePlatform)

    std::optional<QString> themeName() override { return m_themeName; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    // Finds the current owner, watches its property and reads it.
    void followOwner();
    void readTheme();

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_atom_t m_selection = XCB_ATOM_NONE;
    xcb_atom_t m_property = XCB_ATOM_NONE;
    xcb_window_t m_owner = XCB_WINDOW_NONE;
    int m_xfixesEventBase = -1;
    std::optional<QString> m_themeName;
};

} // namespace Dartline
