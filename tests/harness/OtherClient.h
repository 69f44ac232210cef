// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

struct xcb_connection_t;

namespace Dartline {

// Another program on the same X server that takes keys for itself: passive
// key grabs on its root window and the whole keyboard. Every call returns
// after the server has answered.
class OtherClient
{
public:
    explicit OtherClient(const QString &displayName);
    ~OtherClient();
    OtherClient(const OtherClient &) = delete;
    OtherClient &operator=(const OtherClient &) = delete;

    // True when the server granted the grab of keycode with exactly `mask`.
    bool grabKey(quint8 keycode, quint16 mask);
    void ungrabKey(quint8 keycode, quint16 mask);
    // The modifier bit the modifier map gives the key, if any.
    std::optional<quint16> modifierOf(quint8 keycode);
    // The server's clock now, in milliseconds, as events are stamped.
    std::optional<quint32> serverTime();
    // The GrabKeyboard status: 0 success, 1 already grabbed by another client.
    std::optional<int> grabKeyboard();
    void ungrabKeyboard();

private:
    void sync();

    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
    quint32 m_clockWindow = 0;
};

} // namespace Dartline
