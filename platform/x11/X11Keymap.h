// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QObject>

#include <xcb/xcb.h>

#include <functional>
#include <memory>
#include <optional>

struct xkb_context;
struct xkb_keymap;

namespace Dartline {

// The core keyboard's keymap as the server holds it now, with the virtual key
// code of each keycode. It follows the server: any keyboard mapping change
// drops what was learnt, and the next question compiles the new map. Only the
// answers are kept; a compiled map (some 70 KiB) lives as long as its caller
// holds it.
class X11Keymap : public QAbstractNativeEventFilter
{
public:
    // Without a connection (or without XKB on the server) every lookup fails.
    explicit X11Keymap(xcb_connection_t *connection);
    ~X11Keymap() override;
    Q_DISABLE_COPY_MOVE(X11Keymap)

    bool isValid() const { return m_deviceId >= 0; }
    xcb_connection_t *connection() const { return m_connection; }

    struct Unref
    {
        void operator()(xkb_keymap *keymap) const;
    };
    using Keymap = std::unique_ptr<xkb_keymap, Unref>;
    // Compiles the server's keymap now, and learns the answers below anew
    // from it, for questions that come from outside the event stream (drawing
    // a label) and must not lag behind it. Null when the server cannot
    // describe its keymap.
    Keymap current();
    // Questions asked while handling an X event may rely on these: a mapping
    // change reaches the filter before any event that follows it.
    std::optional<xcb_keycode_t> keycode(quint32 virtualKey);
    std::optional<quint32> virtualKey(xcb_keycode_t keycode);
    // The effective group of the core keyboard, read from the server.
    std::optional<quint32> currentGroup();

    // Which core modifier bits the modifier keys set now. Shift, Lock and
    // Control are fixed by the protocol; the others follow the modifier map.
    struct ModifierMasks
    {
        quint16 alt = 0;
        quint16 super = 0;
        quint16 numLock = 0;
        quint16 scrollLock = 0;
    };
    ModifierMasks modifierMasks();

    // Called once per turn of the event loop after the mapping changed, when
    // the new one is already in force.
    void setChangeHandler(std::function<void()> handler) { m_changeHandler = std::move(handler); }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    // Compiles the server's keymap; the answers are learnt from it unless
    // they are known already.
    Keymap compile();
    void learn(xkb_keymap *keymap);
    bool ensureLearnt();
    void drop();
    void invalidate();

    xcb_connection_t *m_connection = nullptr;
    qint32 m_deviceId = -1;
    quint8 m_xkbEventBase = 0;
    xkb_context *m_context = nullptr;
    bool m_learnt = false;
    QHash<quint32, xcb_keycode_t> m_keycodes;
    QHash<xcb_keycode_t, quint32> m_virtualKeys;
    std::optional<ModifierMasks> m_masks;
    std::function<void()> m_changeHandler;
    bool m_changePending = false;
    std::unique_ptr<QObject> m_queue; // owns deferred calls, so none outlives this
};

} // namespace Dartline
