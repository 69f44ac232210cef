// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11HotKeyPlatform.h"

#include "core/Shortcut.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keymap.h"
#include "platform/x11/X11Logging.h"

#include <QCoreApplication>
#include <QObject>

#include <cstdlib>

namespace Dartline {

namespace {

// Without detectable auto-repeat (Qt does not ask for it, and it is a setting
// of the whole connection) a held key repeats as release/press pairs that
// carry one timestamp. Pairs come only after the repeat delay, so a release
// and a press in one millisecond soon after the key went down are two real
// presses (a script tapping fast), not a repeat.
constexpr xcb_timestamp_t MinimumRepeatDelayMs = 100;

} // namespace

X11HotKeyPlatform::X11HotKeyPlatform()
    : m_keymap(std::make_unique<X11Keymap>(X11Connection::application()))
    , m_queue(std::make_unique<QObject>())
{
    if (!m_keymap->isValid())
        return;
    m_connection = m_keymap->connection();
    m_root = X11Connection::root(m_connection);
    m_keymap->setChangeHandler([this] { regrabAll(); });
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeyPlatform::~X11HotKeyPlatform()
{
    for (Registration &registration : m_registrations)
        ungrab(registration);
}

bool X11HotKeyPlatform::installHandler(Handler handler)
{
    if (!m_connection || m_root == XCB_WINDOW_NONE)
        return false;
    m_handler = std::move(handler);
    return true;
}

void X11HotKeyPlatform::removeHandler()
{
    m_handler = nullptr;
}

HotKeyStatus X11HotKeyPlatform::registerHotKey(const Shortcut &shortcut, const HotKeyId &id, Ref *ref)
{
    if (!m_handler || !m_connection)
        return HotKeyStatus::NoHandler;

    Registration registration;
    registration.id = id;
    registration.virtualKey = shortcut.keyCode();
    registration.modifiers = shortcut.modifiers() & Shortcut::ModifierMask;
    const HotKeyStatus status = grab(registration);
    if (status != HotKeyStatus::NoError)
        return status;

    registration.ref = m_nextRef++;
    m_registrations.append(registration);
    if (ref)
        *ref = registration.ref;
    return HotKeyStatus::NoError;
}

void X11HotKeyPlatform::unregisterHotKey(Ref ref)
{
    for (qsizetype i = 0; i < m_registrations.size(); ++i) {
        if (m_registrations[i].ref == ref) {
            m_keys.remove(m_registrations[i].keycode);
            ungrab(m_registrations[i]);
            m_registrations.removeAt(i);
            return;
        }
    }
}

HotKeyStatus X11HotKeyPlatform::grab(Registration &registration)
{
    const std::optional<xcb_keycode_t> keycode = m_keymap->keycode(registration.virtualKey);
    if (!keycode)
        return HotKeyStatus::NoKeyCode;

    const X11Keymap::ModifierMasks masks = m_keymap->modifierMasks();
    quint16 mask = 0;
    if (registration.modifiers & Shortcut::Shift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (registration.modifiers & Shortcut::Control)
        mask |= XCB_MOD_MASK_CONTROL;
    if (registration.modifiers & Shortcut::Alt)
        mask |= masks.alt;
    if (registration.modifiers & Shortcut::Super)
        mask |= masks.super;

    // Grabs match the modifier state exactly, locks included: one grab per
    // combination of the locks that are on. A lock that shares its bit with
    // a modifier of the shortcut would make that modifier optional; leave it.
    QList<quint16> locks;
    for (quint16 lock : { quint16(XCB_MOD_MASK_LOCK), masks.numLock, masks.scrollLock }) {
        if (lock && !(lock & mask) && !locks.contains(lock))
            locks.append(lock);
    }
    QList<quint16> variants;
    for (quint32 subset = 0; subset < (1u << locks.size()); ++subset) {
        quint16 variant = 0;
        for (qsizetype i = 0; i < locks.size(); ++i) {
            if (subset & (1u << i))
                variant |= locks[i];
        }
        variants.append(variant);
    }

    if (registration.keycode == *keycode && registration.mask == mask && registration.lockVariants == variants)
        return HotKeyStatus::NoError;

    // Two registrations on one grab would share it, and removing either
    // would silently disable the other.
    for (const Registration &other : std::as_const(m_registrations)) {
        if (&other != &registration && other.keycode == *keycode && other.mask == mask)
            return HotKeyStatus::HotKeyExists;
    }

    ungrab(registration);
    QList<xcb_void_cookie_t> cookies;
    for (quint16 variant : std::as_const(variants)) {
        cookies.append(xcb_grab_key_checked(
            m_connection, 0, m_root, mask | variant, *keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    HotKeyStatus status = HotKeyStatus::NoError;
    QList<quint16> taken;
    for (qsizetype i = 0; i < cookies.size(); ++i) {
        xcb_generic_error_t *error = xcb_request_check(m_connection, cookies[i]);
        if (!error) {
            taken.append(variants[i]);
            continue;
        }
        if (status == HotKeyStatus::NoError) {
            // BadAccess is another client's grab; anything else is reported
            // as the negated X error code, which at least names the fault.
            status = error->error_code == XCB_ACCESS ? HotKeyStatus::HotKeyExists
                                                     : static_cast<HotKeyStatus>(-int(error->error_code));
        }
        std::free(error);
    }
    if (status != HotKeyStatus::NoError) {
        // Half a shortcut (working only with Num Lock off, say) is worse than none.
        for (quint16 variant : std::as_const(taken))
            xcb_ungrab_key(m_connection, *keycode, m_root, mask | variant);
        xcb_flush(m_connection);
        return status;
    }
    registration.keycode = *keycode;
    registration.mask = mask;
    registration.lockVariants = variants;
    return HotKeyStatus::NoError;
}

void X11HotKeyPlatform::ungrab(Registration &registration)
{
    if (registration.keycode == 0)
        return;
    for (quint16 variant : std::as_const(registration.lockVariants))
        xcb_ungrab_key(m_connection, registration.keycode, m_root, registration.mask | variant);
    xcb_flush(m_connection);
    registration.keycode = 0;
    registration.mask = 0;
    registration.lockVariants.clear();
}

void X11HotKeyPlatform::regrabAll()
{
    // Switching between two keyboards (or to XTEST input) announces a new
    // keyboard with the same map, so most of these change nothing; a key held
    // right now must keep its state then.
    for (Registration &registration : m_registrations) {
        const xcb_keycode_t before = registration.keycode;
        const HotKeyStatus status = grab(registration);
        if (status != HotKeyStatus::NoError) {
            // The registration stays: the next mapping change may bring its key back.
            ungrab(registration);
            if (before != 0) {
                qCWarning(lcKeys, "Hot key for key %u lost after a keyboard change (status %d)",
                    registration.virtualKey, static_cast<int>(status));
            }
        }
        if (registration.keycode != before)
            m_keys.remove(before);
    }
}

bool X11HotKeyPlatform::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    // Sent events (bit 0x80) count like the server's own, as every client treats them.
    const quint8 type = event->response_type & ~0x80;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto *key = reinterpret_cast<const xcb_key_press_event_t *>(event);
    if (key->event != m_root)
        return false;

    if (type == XCB_KEY_RELEASE) {
        const auto it = m_keys.find(key->detail);
        if (it != m_keys.end()) {
            it->down = false;
            it->releasedAt = key->time;
        }
        return false;
    }

    // Only the eight modifier bits matter, without the locks; the state also
    // carries pointer buttons and, for XKB clients, the group.
    const X11Keymap::ModifierMasks masks = m_keymap->modifierMasks();
    const quint16 state = key->state & 0xff & ~(XCB_MOD_MASK_LOCK | masks.numLock | masks.scrollLock);
    const Registration *match = nullptr;
    for (const Registration &registration : std::as_const(m_registrations)) {
        if (registration.keycode == key->detail && registration.mask == state) {
            match = &registration;
            break;
        }
    }
    if (!match)
        return false;

    KeyState &keyState = m_keys[key->detail];
    const bool repeat
        = keyState.down || (keyState.releasedAt == key->time && key->time - keyState.pressedAt >= MinimumRepeatDelayMs);
    keyState.down = true;
    if (repeat)
        return false;
    keyState.pressedAt = key->time;
    keyState.releasedAt.reset();

    // The handler runs after the event filter has returned, so that it may
    // register, unregister or open windows freely.
    const Ref ref = match->ref;
    QMetaObject::invokeMethod(
        m_queue.get(), [this, ref] { dispatch(ref); }, Qt::QueuedConnection);
    return false;
}

void X11HotKeyPlatform::dispatch(Ref ref)
{
    for (const Registration &registration : std::as_const(m_registrations)) {
        if (registration.ref == ref) {
            const HotKeyId id = registration.id;
            if (m_handler)
                m_handler(id);
            return;
        }
    }
}

} // namespace Dartline
