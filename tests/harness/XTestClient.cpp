// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/harness/XTestClient.h"

#include <QStringList>

#include <xcb/xcb.h>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

namespace Dartline {

XTestClient::XTestClient(const QString &displayName)
{
    const QByteArray name = displayName.toLatin1();
    int screen = 0;
    m_connection = xcb_connect(name.constData(), &screen);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    m_root = it.data->root;
}

XTestClient::~XTestClient()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool XTestClient::isConnected() const
{
    return m_connection && !xcb_connection_has_error(m_connection);
}

bool XTestClient::sync()
{
    // A round trip: the reply comes only after every earlier request ran.
    xcb_get_input_focus_reply_t *reply
        = xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr);
    const bool ok = reply != nullptr;
    free(reply);
    return ok;
}

bool XTestClient::fake(quint8 type, quint8 detail, qint16 x, qint16 y)
{
    if (!isConnected())
        return false;
    xcb_generic_error_t *error = xcb_request_check(
        m_connection, xcb_test_fake_input_checked(m_connection, type, detail, XCB_CURRENT_TIME, m_root, x, y, 0));
    const bool ok = !error;
    free(error);
    return ok && sync();
}

bool XTestClient::pressKey(quint8 keycode)
{
    return fake(XCB_KEY_PRESS, keycode);
}

bool XTestClient::releaseKey(quint8 keycode)
{
    return fake(XCB_KEY_RELEASE, keycode);
}

bool XTestClient::tapKey(quint8 keycode)
{
    return pressKey(keycode) && releaseKey(keycode);
}

std::optional<quint8> XTestClient::keycodeOf(const QString &keysymName)
{
    if (!isConnected())
        return std::nullopt;
    const xkb_keysym_t wanted = xkb_keysym_from_name(keysymName.toLatin1().constData(), XKB_KEYSYM_NO_FLAGS);
    if (wanted == XKB_KEY_NoSymbol)
        return std::nullopt;
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t *map = xcb_get_keyboard_mapping_reply(
        m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, static_cast<quint8>(count)), nullptr);
    if (!map)
        return std::nullopt;
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(map);
    const int perKey = map->keysyms_per_keycode;
    std::optional<quint8> found;
    // Prefer a key that gives the keysym without Shift.
    for (int column = 0; column < perKey && !found; ++column) {
        for (int key = 0; key < count; ++key) {
            if (syms[key * perKey + column] == wanted) {
                found = static_cast<quint8>(first + key);
                break;
            }
        }
    }
    free(map);
    return found;
}

bool XTestClient::pressKey(const QString &keysymName)
{
    const std::optional<quint8> code = keycodeOf(keysymName);
    return code && pressKey(*code);
}

bool XTestClient::releaseKey(const QString &keysymName)
{
    const std::optional<quint8> code = keycodeOf(keysymName);
    return code && releaseKey(*code);
}

bool XTestClient::tapKey(const QString &keysymName)
{
    const std::optional<quint8> code = keycodeOf(keysymName);
    return code && tapKey(*code);
}

bool XTestClient::typeCombination(const QString &combination)
{
    const QStringList keys = combination.split(u'+');
    bool ok = true;
    for (qsizetype i = 0; i + 1 < keys.size(); ++i)
        ok = pressKey(keys[i]) && ok;
    ok = tapKey(keys.last()) && ok;
    // Released whatever happened above, so no modifier stays down for the next case.
    for (qsizetype i = keys.size() - 2; i >= 0; --i)
        ok = releaseKey(keys[i]) && ok;
    return ok;
}

QImage XTestClient::rootImage(xcb_connection_t *connection, const QRect &area)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    auto *reply = xcb_get_image_reply(connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<qint16>(area.x()),
            static_cast<qint16>(area.y()), static_cast<quint16>(area.width()), static_cast<quint16>(area.height()),
            ~0u),
        nullptr);
    QImage image;
    if (reply && xcb_get_image_data_length(reply) >= area.width() * area.height() * 4)
        image = QImage(xcb_get_image_data(reply), area.width(), area.height(), QImage::Format_RGB32).copy();
    free(reply);
    return image;
}

bool XTestClient::movePointer(QPoint rootPosition)
{
    return fake(XCB_MOTION_NOTIFY, 0, static_cast<qint16>(rootPosition.x()), static_cast<qint16>(rootPosition.y()));
}

bool XTestClient::pressButton(quint8 button)
{
    return fake(XCB_BUTTON_PRESS, button);
}

bool XTestClient::releaseButton(quint8 button)
{
    return fake(XCB_BUTTON_RELEASE, button);
}

std::optional<QPoint> XTestClient::pointer()
{
    if (!isConnected())
        return std::nullopt;
    xcb_query_pointer_reply_t *reply
        = xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
    if (!reply)
        return std::nullopt;
    const QPoint p(reply->root_x, reply->root_y);
    free(reply);
    return p;
}

std::optional<quint16> XTestClient::state()
{
    if (!isConnected())
        return std::nullopt;
    xcb_query_pointer_reply_t *reply
        = xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr);
    if (!reply)
        return std::nullopt;
    const quint16 mask = reply->mask;
    free(reply);
    return mask;
}

std::optional<quint16> XTestClient::lockMask(Lock lock)
{
    if (lock == Lock::CapsLock)
        return static_cast<quint16>(XCB_MOD_MASK_LOCK);
    // Num Lock's modifier differs between keymaps; the modifier map knows.
    const std::optional<quint8> numLock = keycodeOf(QStringLiteral("Num_Lock"));
    if (!numLock)
        return std::nullopt;
    xcb_get_modifier_mapping_reply_t *map
        = xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr);
    if (!map)
        return std::nullopt;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(map);
    const int perModifier = map->keycodes_per_modifier;
    std::optional<quint16> mask;
    for (int modifier = 0; modifier < 8 && !mask; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            if (codes[modifier * perModifier + i] == *numLock) {
                mask = static_cast<quint16>(1u << modifier);
                break;
            }
        }
    }
    free(map);
    return mask;
}

std::optional<bool> XTestClient::isLocked(Lock lock)
{
    const std::optional<quint16> mask = lockMask(lock);
    const std::optional<quint16> now = state();
    if (!mask || !now)
        return std::nullopt;
    return (*now & *mask) != 0;
}

bool XTestClient::setLock(Lock lock, bool on)
{
    const std::optional<bool> locked = isLocked(lock);
    if (!locked)
        return false;
    if (*locked == on)
        return true;
    if (!tapKey(lock == Lock::CapsLock ? QStringLiteral("Caps_Lock") : QStringLiteral("Num_Lock")))
        return false;
    return isLocked(lock) == std::optional<bool>(on);
}

} // namespace Dartline
