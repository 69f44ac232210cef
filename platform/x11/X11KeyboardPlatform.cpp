// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11KeyboardPlatform.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11Logging.h"
#include "platform/x11/XkbKeyNames.h"

#include <QGuiApplication>
#include <QWindow>

#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

namespace Dartline {

namespace {

constexpr quint32 KeypadFirst = XKB_KEY_KP_Space;
constexpr quint32 KeypadLast = XKB_KEY_KP_Equal;

// A dead key prints nothing by itself; show the accent it puts on the next
// letter, as its key cap does.
char32_t deadKeyText(xkb_keysym_t sym)
{
    switch (sym) {
    case XKB_KEY_dead_grave:
        return U'`';
    case XKB_KEY_dead_acute:
        return U'\u00B4';
    case XKB_KEY_dead_circumflex:
        return U'^';
    case XKB_KEY_dead_tilde:
        return U'~';
    case XKB_KEY_dead_macron:
        return U'\u00AF';
    case XKB_KEY_dead_breve:
        return U'\u02D8';
    case XKB_KEY_dead_abovedot:
        return U'\u02D9';
    case XKB_KEY_dead_diaeresis:
        return U'\u00A8';
    case XKB_KEY_dead_abovering:
        return U'\u02DA';
    case XKB_KEY_dead_doubleacute:
        return U'\u02DD';
    case XKB_KEY_dead_caron:
        return U'\u02C7';
    case XKB_KEY_dead_cedilla:
        return U'\u00B8';
    case XKB_KEY_dead_ogonek:
        return U'\u02DB';
    default:
        return 0;
    }
}

xkb_keysym_t symAt(xkb_keymap *keymap, xkb_keycode_t keycode, xkb_layout_index_t layout, xkb_level_index_t level)
{
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, keycode);
    if (layouts == 0)
        return XKB_KEY_NoSymbol;
    // Keys with fewer groups than the keymap wrap around, as the server does.
    const xkb_keysym_t *syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap, keycode, layout % layouts, level, &syms) < 1)
        return XKB_KEY_NoSymbol;
    return syms[0];
}

// A group "prints ASCII letters" when most of the letter block gives them;
// Latin layouts with a few national letters pass, Cyrillic or Greek do not.
bool printsAsciiLetters(xkb_keymap *keymap, xkb_layout_index_t layout)
{
    static constexpr const char *letterKeys[]
        = { "AD01", "AD02", "AD03", "AD04", "AD05", "AD06", "AD07", "AD08", "AD09", "AD10", "AC01", "AC02", "AC03",
              "AC04", "AC05", "AC06", "AC07", "AC08", "AC09", "AB01", "AB02", "AB03", "AB04", "AB05", "AB06", "AB07" };
    int letters = 0;
    for (const char *name : letterKeys) {
        const xkb_keycode_t keycode = xkb_keymap_key_by_name(keymap, name);
        if (keycode == XKB_KEYCODE_INVALID)
            continue;
        const xkb_keysym_t sym = symAt(keymap, keycode, layout, 0);
        if ((sym >= XKB_KEY_a && sym <= XKB_KEY_z) || (sym >= XKB_KEY_A && sym <= XKB_KEY_Z))
            ++letters;
    }
    return letters * 2 > static_cast<int>(std::size(letterKeys));
}

} // namespace

X11KeyboardPlatform::X11KeyboardPlatform()
    : m_keymap(std::make_unique<X11Keymap>(X11Connection::application()))
    , m_connection(m_keymap->connection())
{ }

X11KeyboardPlatform::~X11KeyboardPlatform()
{
    // A grab that outlived its recorder would leave the desktop without a keyboard.
    if (m_grabbed)
        ungrabKeyboard();
}

std::optional<quint32> X11KeyboardPlatform::virtualKeyForNative(quint32 nativeKeyCode)
{
    if (nativeKeyCode > 255)
        return std::nullopt;
    return m_keymap->virtualKey(static_cast<xcb_keycode_t>(nativeKeyCode));
}

std::optional<xcb_keycode_t> X11KeyboardPlatform::nativeKeyForVirtual(quint32 virtualKeyCode)
{
    return m_keymap->keycode(virtualKeyCode);
}

QString X11KeyboardPlatform::printedText(quint32 virtualKeyCode)
{
    if (virtualKeyCode > 0xffff)
        return {};
    // Compiling costs about 0.3 ms against a local server (see the hot-key
    // latency benchmark): cheap enough for a label, and a label drawn right
    // after a layout switch is then right.
    const X11Keymap::Keymap current = m_keymap->current();
    xkb_keymap *keymap = current.get();
    const std::optional<xcb_keycode_t> keycode = m_keymap->keycode(virtualKeyCode);
    if (!keycode || !keymap)
        return {};
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts(keymap);
    if (layouts == 0)
        return {};

    // Shortcuts are told apart by Latin letters: a Russian group shows what
    // the US group beside it prints, much as the user would type it.
    xkb_layout_index_t layout = m_keymap->currentGroup().value_or(0) % layouts;
    if (!printsAsciiLetters(keymap, layout)) {
        for (xkb_layout_index_t other = 0; other < layouts; ++other) {
            if (printsAsciiLetters(keymap, other)) {
                layout = other;
                break;
            }
        }
    }

    xkb_keysym_t sym = symAt(keymap, *keycode, layout, 0);
    // Keypad keys print their digit only at the Num Lock level; the first
    // level is a cursor movement, which prints nothing.
    if (sym >= KeypadFirst && sym <= KeypadLast && xkb_keysym_to_utf32(sym) == 0) {
        const xkb_keysym_t numeric = symAt(keymap, *keycode, layout, 1);
        if (numeric != XKB_KEY_NoSymbol)
            sym = numeric;
    }

    char32_t text = deadKeyText(sym);
    if (!text)
        text = xkb_keysym_to_utf32(sym);
    // Control characters (Return, Tab, Escape…) print nothing on screen.
    if (text < 0x20 || (text >= 0x7f && text < 0xa0))
        return {};
    return QString::fromUcs4(&text, 1);
}

bool X11KeyboardPlatform::grabKeyboard()
{
    const QWindow *window = QGuiApplication::focusWindow();
    if (!m_connection || !window)
        return false;
    const auto target = static_cast<xcb_window_t>(window->winId());
    // Events still go to Dartline's own windows as usual (owner events);
    // only the window manager's and other clients' key grabs are bypassed.
    const xcb_grab_keyboard_cookie_t cookie
        = xcb_grab_keyboard(m_connection, 1, target, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_grab_keyboard_reply_t *reply = xcb_grab_keyboard_reply(m_connection, cookie, nullptr);
    const bool ok = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    if (!ok) {
        qCWarning(lcKeys, "Could not grab the keyboard for recording (status %d)", reply ? reply->status : -1);
    }
    std::free(reply);
    m_grabbed = m_grabbed || ok;
    return ok;
}

void X11KeyboardPlatform::ungrabKeyboard()
{
    if (!m_connection)
        return;
    // Sent even when no grab is known: releasing a grab this client does not
    // hold is harmless, and a stuck keyboard is not.
    xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
    // Wait until the server has done it: whoever acts next, here or in
    // another client, finds the keyboard free.
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    m_grabbed = false;
}

} // namespace Dartline
