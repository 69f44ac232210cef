// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKeyPlatform.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QList>

#include <xcb/xcb.h>

#include <memory>
#include <optional>

class QObject;

namespace Dartline {

class X11Keymap;

// System-wide hot keys as passive key grabs on the root window. One shortcut
// is grabbed once per combination of the lock modifiers, so Caps Lock or
// Num Lock being on does not disable it; the grabs follow keyboard mapping
// changes, so a key keeps working when its keycode moves.
class X11HotKeyPlatform : public HotKeyPlatform, public QAbstractNativeEventFilter
{
public:
    // Uses the application's X connection; without one it installs no handler.
    X11HotKeyPlatform();
    ~X11HotKeyPlatform() override;
    Q_DISABLE_COPY_MOVE(X11HotKeyPlatform)

    bool installHandler(Handler handler) override;
    HotKeyStatus registerHotKey(const Shortcut &shortcut, const HotKeyId &id, Ref *ref) override;
    void unregisterHotKey(Ref ref) override;
    void removeHandler() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct Registration
    {
        Ref ref = 0;
        HotKeyId id;
        quint32 virtualKey = 0;
        quint32 modifiers = 0; // Shortcut bits
        // What is grabbed now; keycode 0 while the key is missing from the keyboard.
        xcb_keycode_t keycode = 0;
        quint16 mask = 0;
        QList<quint16> lockVariants;
    };

    // A status; on success fills the registration's grab fields.
    HotKeyStatus grab(Registration &registration);
    void ungrab(Registration &registration);
    void regrabAll();
    void dispatch(Ref ref);

    std::unique_ptr<X11Keymap> m_keymap;
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    Handler m_handler;
    QList<Registration> m_registrations;
    Ref m_nextRef = 1;
    // A held key repeats, and one physical press must fire only once.
    struct KeyState
    {
        bool down = false;
        xcb_timestamp_t pressedAt = 0;
        std::optional<xcb_timestamp_t> releasedAt;
    };
    QHash<xcb_keycode_t, KeyState> m_keys;
    std::unique_ptr<QObject> m_queue;
};

} // namespace Dartline
