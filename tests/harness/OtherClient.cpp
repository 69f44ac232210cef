// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/harness/OtherClient.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace Dartline {

OtherClient::OtherClient(const QString &displayName)
{
    int screen = 0;
    m_connection = xcb_connect(displayName.toLatin1().constData(), &screen);
    if (xcb_connection_has_error(m_connection))
        return;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    m_root = it.data->root;
}

OtherClient::~OtherClient()
{
    xcb_disconnect(m_connection);
}

bool OtherClient::grabKey(quint8 keycode, quint16 mask)
{
    xcb_generic_error_t *error = xcb_request_check(m_connection,
        xcb_grab_key_checked(m_connection, 1, m_root, mask, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    const bool ok = !error && !xcb_connection_has_error(m_connection);
    std::free(error);
    return ok;
}

void OtherClient::ungrabKey(quint8 keycode, quint16 mask)
{
    xcb_ungrab_key(m_connection, keycode, m_root, mask);
    sync();
}

std::optional<quint16> OtherClient::modifierOf(quint8 keycode)
{
    xcb_get_modifier_mapping_reply_t *map
        = xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr);
    if (!map)
        return std::nullopt;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(map);
    std::optional<quint16> mask;
    for (int i = 0; i < 8 * map->keycodes_per_modifier && !mask; ++i) {
        if (codes[i] == keycode)
            mask = static_cast<quint16>(1u << (i / map->keycodes_per_modifier));
    }
    std::free(map);
    return mask;
}

std::optional<quint32> OtherClient::serverTime()
{
    // A property change on a window of our own comes back stamped with the
    // server's time; nothing else on this connection selects events.
    if (!m_clockWindow) {
        m_clockWindow = xcb_generate_id(m_connection);
        const quint32 mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_clockWindow, m_root, 0, 0, 1, 1, 0,
            XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    }
    xcb_change_property(
        m_connection, XCB_PROP_MODE_REPLACE, m_clockWindow, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(m_connection);
    while (xcb_generic_event_t *event = xcb_wait_for_event(m_connection)) {
        const bool property = (event->response_type & ~0x80) == XCB_PROPERTY_NOTIFY;
        const quint32 time = reinterpret_cast<xcb_property_notify_event_t *>(event)->time;
        std::free(event);
        if (property)
            return time;
    }
    return std::nullopt;
}

std::optional<int> OtherClient::grabKeyboard()
{
    xcb_grab_keyboard_reply_t *reply = xcb_grab_keyboard_reply(m_connection,
        xcb_grab_keyboard(m_connection, 1, m_root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr);
    if (!reply)
        return std::nullopt;
    const int status = reply->status;
    std::free(reply);
    return status;
}

void OtherClient::ungrabKeyboard()
{
    xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
    sync();
}

void OtherClient::sync()
{
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

} // namespace Dartline
