// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

struct xcb_connection_t;

namespace Dartline {

// A connection of its own to a test server that plays the user: keys and
// pointer through XTEST, as real input, never as synthetic events. Every call
// returns only after the server has processed it.
class XTestClient
{
public:
    enum class Lock { CapsLock, NumLock };

    explicit XTestClient(const QString &displayName);
    ~XTestClient();
    XTestClient(const XTestClient &) = delete;
    XTestClient &operator=(const XTestClient &) = delete;

    bool isConnected() const;

    bool pressKey(quint8 keycode);
    bool releaseKey(quint8 keycode);
    bool tapKey(quint8 keycode);
    // The first keycode that produces the keysym (e.g. "F1", "q", "Num_Lock")
    // in the current keyboard mapping, or none.
    std::optional<quint8> keycodeOf(const QString &keysymName);
    bool pressKey(const QString &keysymName);
    bool releaseKey(const QString &keysymName);
    bool tapKey(const QString &keysymName);
    // Types a "+"-joined combination of keysym names such as "Alt_L+2": the
    // modifiers go down in order, the last key is tapped, then the modifiers
    // come up in reverse order.
    bool typeCombination(const QString &combination);

    // What the screen shows in part of the root window of `connection`
    // (depth 24, 32 bits a pixel); null when the server would not give it.
    static QImage rootImage(xcb_connection_t *connection, const QRect &area);

    bool movePointer(QPoint rootPosition);
    bool pressButton(quint8 button); // 1 left, 2 middle, 3 right
    bool releaseButton(quint8 button);
    std::optional<QPoint> pointer();
    // The modifier and button state of the pointer (X11 KeyButMask).
    std::optional<quint16> state();

    // Switches the lock on or off by tapping its key, as a user would.
    bool setLock(Lock lock, bool on);
    std::optional<bool> isLocked(Lock lock);

private:
    bool fake(quint8 type, quint8 detail, qint16 x = 0, qint16 y = 0);
    bool sync();
    std::optional<quint16> lockMask(Lock lock);

    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
};

} // namespace Dartline
