// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

#include <xcb/xcb.h>

namespace Dartline {

// Qt's own X connection and the screen it was opened on. Dartline opens no
// connection of its own: one connection keeps its requests ordered with
// Qt's, and its windows and our queries see the same server state.
namespace X11Connection {

// The running QGuiApplication's connection under the xcb plugin, or null.
xcb_connection_t *application();

// The screen DISPLAY names (":0.1" is screen 1); 0 when it names none.
int screenNumber();

// The root window of that screen, or XCB_WINDOW_NONE.
xcb_window_t root(xcb_connection_t *connection);

// Interns `name`; XCB_ATOM_NONE when the server does not answer.
xcb_atom_t atom(xcb_connection_t *connection, QByteArrayView name);

// The _XSETTINGS_SETTINGS bytes a settings daemon publishes on `owner`;
// nothing when the window has gone or holds no such property.
std::optional<QByteArray> xsettings(xcb_connection_t *connection, xcb_window_t owner, xcb_atom_t property);
// The same in two halves, for asking along with other questions.
xcb_get_property_cookie_t askXsettings(xcb_connection_t *connection, xcb_window_t owner, xcb_atom_t property);
std::optional<QByteArray> xsettings(xcb_connection_t *connection, xcb_get_property_cookie_t asked);

} // namespace X11Connection

} // namespace Dartline
