// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Keymap.h"

#include "platform/x11/X11Logging.h"
#include "platform/x11/XcbXkb.h"
#include "platform/x11/XkbKeyNames.h"

#include <QCoreApplication>

#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

namespace Dartline {

namespace {

template<typename Reply> struct FreeReply
{
    void operator()(Reply *reply) const { std::free(reply); }
};
template<typename Reply> using ReplyPtr = std::unique_ptr<Reply, FreeReply<Reply>>;

bool keyHasSym(xkb_keymap *keymap, xkb_keycode_t keycode, std::initializer_list<xkb_keysym_t> wanted)
{
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, keycode);
    for (xkb_layout_index_t layout = 0; layout < layouts; ++layout) {
        const xkb_keysym_t *syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap, keycode, layout, 0, &syms);
        for (int i = 0; i < count; ++i) {
            for (xkb_keysym_t sym : wanted) {
                if (syms[i] == sym)
                    return true;
            }
        }
    }
    return false;
}

} // namespace

X11Keymap::X11Keymap(xcb_connection_t *connection)
    : m_queue(std::make_unique<QObject>())
{
    if (!connection)
        return;
    quint8 eventBase = 0;
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &eventBase, nullptr)) {
        qCWarning(lcKeys, "The X server has no usable XKB extension; keys cannot be resolved");
        return;
    }
    const qint32 device = xkb_x11_get_core_keyboard_device_id(connection);
    if (device < 0) {
        qCWarning(lcKeys, "The X server names no core keyboard");
        return;
    }
    // Keymaps come from the server, never from include paths or the environment.
    m_context = xkb_context_new(
        static_cast<xkb_context_flags>(XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (!m_context)
        return;
    m_connection = connection;
    m_deviceId = device;
    m_xkbEventBase = eventBase;

    // Qt's own keyboard code selects these as well, with the same details;
    // asking here keeps the keymap honest should that ever change.
    const quint16 events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
    const quint16 mapParts = 0xff;
    xcb_xkb_select_events(connection, XCB_XKB_ID_USE_CORE_KBD, events, 0, events, mapParts, mapParts, nullptr);
    xcb_flush(connection);

    if (QCoreApplication *app = QCoreApplication::instance())
        app->installNativeEventFilter(this);
}

X11Keymap::~X11Keymap()
{
    if (m_context)
        xkb_context_unref(m_context);
}

void X11Keymap::Unref::operator()(xkb_keymap *keymap) const
{
    xkb_keymap_unref(keymap);
}

X11Keymap::Keymap X11Keymap::compile()
{
    if (!isValid())
        return nullptr;
    Keymap keymap(xkb_x11_keymap_new_from_device(m_context, m_connection, m_deviceId, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) {
        qCWarning(lcKeys, "Could not read the keymap of the core keyboard");
        return nullptr;
    }
    return keymap;
}

X11Keymap::Keymap X11Keymap::current()
{
    drop();
    Keymap keymap = compile();
    if (keymap)
        learn(keymap.get());
    return keymap;
}

bool X11Keymap::ensureLearnt()
{
    if (m_learnt)
        return true;
    if (const Keymap keymap = compile())
        learn(keymap.get());
    return m_learnt;
}

void X11Keymap::learn(xkb_keymap *keymap)
{
    // The modifier map goes out first and is read after the keycodes are
    // sorted, so that learning costs the compile and nothing more.
    const xcb_get_modifier_mapping_cookie_t mappingCookie = xcb_get_modifier_mapping(m_connection);
    m_keycodes.clear();
    m_virtualKeys.clear();
    for (const XkbKeyNames::Entry &entry : XkbKeyNames::entries()) {
        const xkb_keycode_t keycode = xkb_keymap_key_by_name(keymap, entry.name);
        // X carries keycodes in one byte; anything else cannot be pressed here.
        if (keycode == XKB_KEYCODE_INVALID || keycode > 255)
            continue;
        const auto code = static_cast<xcb_keycode_t>(keycode);
        m_keycodes.insert(entry.virtualKey, code);
        if (!m_virtualKeys.contains(code))
            m_virtualKeys.insert(code, entry.virtualKey);
    }

    ModifierMasks masks;
    const ReplyPtr<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(m_connection, mappingCookie, nullptr));
    if (reply) {
        const xcb_keycode_t *keycodes = xcb_get_modifier_mapping_keycodes(reply.get());
        const int perModifier = reply->keycodes_per_modifier;
        // Shift, Lock and Control (rows 0 to 2) are what their names say;
        // Mod1 to Mod5 mean whatever keys the map puts on them.
        for (int row = 3; row < 8; ++row) {
            const auto bit = static_cast<quint16>(1u << row);
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t keycode = keycodes[row * perModifier + i];
                if (keycode == 0)
                    continue;
                if (!masks.alt && keyHasSym(keymap, keycode, { XKB_KEY_Alt_L, XKB_KEY_Alt_R }))
                    masks.alt = bit;
                if (!masks.super && keyHasSym(keymap, keycode, { XKB_KEY_Super_L, XKB_KEY_Super_R }))
                    masks.super = bit;
                if (!masks.numLock && keyHasSym(keymap, keycode, { XKB_KEY_Num_Lock }))
                    masks.numLock = bit;
                if (!masks.scrollLock && keyHasSym(keymap, keycode, { XKB_KEY_Scroll_Lock }))
                    masks.scrollLock = bit;
            }
        }
    }
    // A map without Alt or Super keys still has the conventional bits, which
    // is what every other client will assume for those keys.
    if (!masks.alt)
        masks.alt = XCB_MOD_MASK_1;
    if (!masks.super)
        masks.super = XCB_MOD_MASK_4;
    m_masks = masks;
    // Without the modifier map the masks are a guess: asked again next time.
    m_learnt = reply != nullptr;
}

std::optional<xcb_keycode_t> X11Keymap::keycode(quint32 virtualKey)
{
    ensureLearnt();
    const auto it = m_keycodes.constFind(virtualKey);
    if (it == m_keycodes.cend())
        return std::nullopt;
    return *it;
}

std::optional<quint32> X11Keymap::virtualKey(xcb_keycode_t keycode)
{
    ensureLearnt();
    const auto it = m_virtualKeys.constFind(keycode);
    if (it == m_virtualKeys.cend())
        return std::nullopt;
    return *it;
}

std::optional<quint32> X11Keymap::currentGroup()
{
    if (!isValid())
        return std::nullopt;
    const ReplyPtr<xcb_xkb_get_state_reply_t> state(xcb_xkb_get_state_reply(
        m_connection, xcb_xkb_get_state(m_connection, static_cast<xcb_xkb_device_spec_t>(m_deviceId)), nullptr));
    if (!state)
        return std::nullopt;
    return state->group;
}

X11Keymap::ModifierMasks X11Keymap::modifierMasks()
{
    ensureLearnt();
    if (m_masks)
        return *m_masks;
    ModifierMasks conventional;
    conventional.alt = XCB_MOD_MASK_1;
    conventional.super = XCB_MOD_MASK_4;
    return conventional;
}

bool X11Keymap::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (!isValid() || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const quint8 type = event->response_type & ~0x80;
    if (type == XCB_MAPPING_NOTIFY) {
        const auto *mapping = reinterpret_cast<const xcb_mapping_notify_event_t *>(event);
        if (mapping->request == XCB_MAPPING_KEYBOARD || mapping->request == XCB_MAPPING_MODIFIER)
            invalidate();
    } else if (type == m_xkbEventBase) {
        const quint8 xkbType = reinterpret_cast<const xcb_xkb_new_keyboard_notify_event_t *>(event)->xkbType;
        if (xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkbType == XCB_XKB_MAP_NOTIFY)
            invalidate();
    }
    // Qt keeps its own keymap from the same events: never swallow them.
    return false;
}

void X11Keymap::drop()
{
    m_learnt = false;
    m_keycodes.clear();
    m_virtualKeys.clear();
    m_masks.reset();
}

void X11Keymap::invalidate()
{
    drop();
    // One change of layout arrives as several events; act once they are all in.
    if (m_changeHandler && !m_changePending) {
        m_changePending = true;
        QMetaObject::invokeMethod(
            m_queue.get(),
            [this] {
                m_changePending = false;
                if (m_changeHandler)
                    m_changeHandler();
            },
            Qt::QueuedConnection);
    }
}

} // namespace Dartline
