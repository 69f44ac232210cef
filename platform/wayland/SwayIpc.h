// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <optional>

namespace Dartline {

// One connection to sway's IPC socket (i3's protocol: the magic "i3-ipc",
// the payload's length and the message type, both 32-bit in host order,
// then a JSON payload).
class SwayIpc
{
public:
    enum Type : quint32 {
        RunCommands = 0,
        Subscribe = 2,
        GetConfig = 9,
        BindingEvent = 0x80000005,
    };
    struct Message
    {
        quint32 type = 0;
        QByteArray payload;
    };

    // Connects to the socket at `path`; isConnected() says whether it worked.
    explicit SwayIpc(const QString &path);
    ~SwayIpc();
    Q_DISABLE_COPY_MOVE(SwayIpc)

    bool isConnected() const { return m_fd >= 0; }
    int socket() const { return m_fd; }

    // Sends a request and waits for its reply, skipping any events before it.
    std::optional<QByteArray> request(
        Type type, const QByteArray &payload, QDeadlineTimer deadline = QDeadlineTimer(2000));
    // Reads what the socket has now and returns the messages completed by it;
    // an empty list and !isConnected() when sway closed the socket.
    QList<Message> readAvailable();

    static QByteArray encode(quint32 type, const QByteArray &payload);
    // Takes one whole message off the front of `buffer`, if there is one.
    static std::optional<Message> take(QByteArray &buffer);

private:
    bool readSome(QDeadlineTimer deadline);

    int m_fd = -1;
    QByteArray m_buffer;
};

} // namespace Dartline
