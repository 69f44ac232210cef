// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Connection.h"

#include <QGuiApplication>

#include <cstdlib>

namespace Dartline {

xcb_connection_t *X11Connection::application()
{
    const auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    const auto *x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

int X11Connection::screenNumber()
{
    char *host = nullptr;
    int display = 0;
    int screen = 0;
    if (!xcb_parse_display(nullptr, &host, &display, &screen))
        screen = 0;
    free(host);
    return screen;
}

xcb_window_t X11Connection::root(xcb_connection_t *connection)
{
    if (!connection || xcb_connection_has_error(connection))
        return XCB_WINDOW_NONE;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = screenNumber(); i > 0 && it.rem; --i)
        xcb_screen_next(&it);
    if (!it.rem)
        return XCB_WINDOW_NONE;
    return it.data->root;
}

xcb_atom_t X11Connection::atom(xcb_connection_t *connection, QByteArrayView name)
{
    if (!connection)
        return XCB_ATOM_NONE;
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<quint16>(name.size()), name.data()), nullptr);
    xcb_atom_t atom = XCB_ATOM_NONE;
    if (reply)
        atom = reply->atom;
    free(reply);
    return atom;
}

xcb_get_property_cookie_t X11Connection::askXsettings(
    xcb_connection_t *connection, xcb_window_t owner, xcb_atom_t property)
{
    // A daemon publishes a few kilobytes; anything near this is not one.
    constexpr quint32 MaxLongs = 1 << 18;
    return xcb_get_property(connection, 0, owner, property, property, 0, MaxLongs);
}

std::optional<QByteArray> X11Connection::xsettings(xcb_connection_t *connection, xcb_get_property_cookie_t asked)
{
    // The owner may be gone by now; its error is expected and dropped.
    xcb_generic_error_t *error = nullptr;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(connection, asked, &error);
    free(error);
    std::optional<QByteArray> bytes;
    if (reply && reply->format == 8)
        bytes = QByteArray(
            static_cast<const char *>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
    free(reply);
    return bytes;
}

std::optional<QByteArray> X11Connection::xsettings(
    xcb_connection_t *connection, xcb_window_t owner, xcb_atom_t property)
{
    if (!connection || owner == XCB_WINDOW_NONE || property == XCB_ATOM_NONE)
        return std::nullopt;
    return xsettings(connection, askXsettings(connection, owner, property));
}

} // namespace Dartline
