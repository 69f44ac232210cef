// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/harness/XTestClient.h"

#include <QStringList>

#include <xcb/xcb.h>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

namespace Dartline {

XTestClient::XTestClient(const QString &displayName)
    : m_connection(xcb_connect(displayName.toLatin1().constData(), nullptr))
{
    if (!xcb_connection_has_error(m_connection))
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
}

XTestClient::~XTestClient()
{
    xcb_disconnect(m_connection);
}

bool XTestClient::sync()
{
    // The reply comes only after every earlier request ran.
    auto *reply = xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr);
    free(reply);
    return reply != nullptr;
}

bool XTestClient::fake(quint8 type, quint8 detail, qint16 x, qint16 y)
{
    xcb_generic_error_t *error = xcb_request_check(
        m_connection, xcb_test_fake_input_checked(m_connection, type, detail, XCB_CURRENT_TIME, m_root, x, y, 0));
    free(error);
    return !error && sync();
}

std::optional<quint8> XTestClient::keycodeOf(const QString &keysymName)
{
    const xkb_keysym_t wanted = xkb_keysym_from_name(keysymName.toLatin1().constData(), XKB_KEYSYM_NO_FLAGS);
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto *map = xcb_get_keyboard_mapping_reply(
        m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, quint8(count)), nullptr);
    if (!map)
        return std::nullopt;
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(map);
    const int perKey = map->keysyms_per_keycode;
    std::optional<quint8> found;
    for (int i = 0; i < count * perKey && !found && wanted != XKB_KEY_NoSymbol; ++i) {
        const int key = i % count, column = i / count;
        if (syms[key * perKey + column] == wanted)
            found = quint8(setup->min_keycode + key);
    }
    free(map);
    return found;
}

bool XTestClient::typeCombination(const QString &combination)
{
    const QStringList keys = combination.split(u'+');
    bool ok = true;
    for (qsizetype i = 0; i + 1 < keys.size(); ++i)
        ok = pressKey(keys[i]) && ok;
    ok = tapKey(keys.last()) && ok;
    // Released whatever happened, so that no modifier stays down.
    for (qsizetype i = keys.size() - 2; i >= 0; --i)
        ok = releaseKey(keys[i]) && ok;
    return ok;
}

bool XTestClient::setLock(Lock lock, bool on)
{
    const quint16 mask = lock == Lock::CapsLock ? quint16(XCB_MOD_MASK_LOCK) : modifierOf(QStringLiteral("Num_Lock"));
    const auto locked = [&] {
        auto *reply = xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
        const bool set = reply && (reply->mask & mask);
        free(reply);
        return set;
    };
    if (mask && locked() != on)
        tapKey(lock == Lock::CapsLock ? QStringLiteral("Caps_Lock") : QStringLiteral("Num_Lock"));
    return mask && locked() == on;
}

std::optional<QPoint> XTestClient::pointer()
{
    auto *reply = xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
    const std::optional<QPoint> p = reply ? std::optional(QPoint(reply->root_x, reply->root_y)) : std::nullopt;
    free(reply);
    return p;
}

bool XTestClient::coverScreen()
{
    if (!m_root)
        return false;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    const quint32 values[] = { screen->black_pixel, 1 };
    const xcb_window_t window = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, 0, 0, 8000, 4000, 0,
        XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(m_connection, window);
    return sync();
}

QImage XTestClient::rootImage(xcb_connection_t *connection, const QRect &area)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    auto *reply = xcb_get_image_reply(connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, root, qint16(area.x()), qint16(area.y()),
            quint16(area.width()), quint16(area.height()), ~0u),
        nullptr);
    QImage image;
    if (reply && xcb_get_image_data_length(reply) >= area.width() * area.height() * 4)
        image = QImage(xcb_get_image_data(reply), area.width(), area.height(), QImage::Format_RGB32).copy();
    free(reply);
    return image;
}

bool XTestClient::grabKey(quint8 keycode, quint16 mask)
{
    xcb_generic_error_t *error = xcb_request_check(m_connection,
        xcb_grab_key_checked(m_connection, 1, m_root, mask, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    free(error);
    return !error;
}

void XTestClient::ungrabKey(quint8 keycode, quint16 mask)
{
    xcb_ungrab_key(m_connection, keycode, m_root, mask);
    sync();
}

quint16 XTestClient::modifierOf(const QString &keysymName)
{
    const std::optional<quint8> keycode = keycodeOf(keysymName);
    auto *map = xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr);
    quint16 mask = 0;
    for (int i = 0; map && keycode && i < 8 * map->keycodes_per_modifier && !mask; ++i) {
        if (xcb_get_modifier_mapping_keycodes(map)[i] == *keycode)
            mask = quint16(1u << (i / map->keycodes_per_modifier));
    }
    free(map);
    return mask;
}

std::optional<int> XTestClient::grabKeyboard()
{
    auto *reply = xcb_grab_keyboard_reply(m_connection,
        xcb_grab_keyboard(m_connection, 1, m_root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr);
    const std::optional<int> status = reply ? std::optional<int>(reply->status) : std::nullopt;
    free(reply);
    return status;
}

void XTestClient::ungrabKeyboard()
{
    xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
    sync();
}

} // namespace Dartline
