// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

struct xcb_connection_t;

namespace Dartline {

// A connection of its own to a test server: the user, typing and pointing through XTEST, or another
// program that takes keys for itself. Every call returns after the server has processed it.
class XTestClient
{
public:
    enum class Lock { CapsLock, NumLock };

    explicit XTestClient(const QString &displayName);
    ~XTestClient();
    Q_DISABLE_COPY(XTestClient)

    bool pressKey(quint8 keycode) { return fake(2, keycode); }
    bool releaseKey(quint8 keycode) { return fake(3, keycode); }
    bool tapKey(quint8 keycode) { return pressKey(keycode) && releaseKey(keycode); }
    // The first keycode that gives the keysym ("F1", "q", "Num_Lock"), preferring one without Shift.
    std::optional<quint8> keycodeOf(const QString &keysymName);
    bool pressKey(const QString &keysymName) { return keycodeOf(keysymName) && pressKey(*keycodeOf(keysymName)); }
    bool releaseKey(const QString &keysymName) { return keycodeOf(keysymName) && releaseKey(*keycodeOf(keysymName)); }
    bool tapKey(const QString &keysymName) { return pressKey(keysymName) && releaseKey(keysymName); }
    // "Alt_L+2": the modifiers go down in order, the last key is tapped, the modifiers come up.
    bool typeCombination(const QString &combination);
    // By tapping its key, as a user would.
    bool setLock(Lock lock, bool on);

    bool movePointer(QPoint to) { return fake(6, 0, qint16(to.x()), qint16(to.y())); }
    bool pressButton(quint8 button) { return fake(4, button); } // 1 left, 2 middle, 3 right
    bool releaseButton(quint8 button) { return fake(5, button); }
    std::optional<QPoint> pointer();
    // Maps a black override-redirect window over the screen: XWayland follows the pointer only over its windows.
    bool coverScreen();

    // What the screen shows in part of the root window (32 bits a pixel); null when refused.
    static QImage rootImage(xcb_connection_t *connection, const QRect &area);

    // Another program's passive grab on the root: true when the server granted it.
    bool grabKey(quint8 keycode, quint16 mask);
    void ungrabKey(quint8 keycode, quint16 mask);
    // The modifier bit the modifier map gives the key ("Alt_L", "Num_Lock"), 0 if none.
    quint16 modifierOf(const QString &keysymName);
    // The GrabKeyboard status: 0 success, 1 already grabbed by another client.
    std::optional<int> grabKeyboard();
    void ungrabKeyboard();

private:
    bool fake(quint8 type /* X11 event code */, quint8 detail, qint16 x = 0, qint16 y = 0);
    bool sync();

    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
};

} // namespace Dartline
