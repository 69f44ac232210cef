// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/SwayIpc.h"

#include <QList>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Dartline {

namespace {

constexpr char Magic[] = "i3-ipc";
constexpr qsizetype MagicSize = sizeof(Magic) - 1;
constexpr qsizetype HeaderSize = MagicSize + 8;
// Far above any reply sway gives; a longer length means the stream is lost.
constexpr quint32 MaxPayload = 64 * 1024 * 1024;

} // namespace

SwayIpc::SwayIpc(const QString &path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = path.toLocal8Bit();
    if (encoded.isEmpty() || encoded.size() >= qsizetype(sizeof(address.sun_path)))
        return;
    std::memcpy(address.sun_path, encoded.constData(), encoded.size());
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd >= 0 && ::connect(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

SwayIpc::~SwayIpc()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QByteArray SwayIpc::encode(quint32 type, const QByteArray &payload)
{
    QByteArray message(Magic, MagicSize);
    const auto length = static_cast<quint32>(payload.size());
    message.append(reinterpret_cast<const char *>(&length), 4);
    message.append(reinterpret_cast<const char *>(&type), 4);
    return message + payload;
}

std::optional<SwayIpc::Message> SwayIpc::take(QByteArray &buffer)
{
    if (buffer.size() < HeaderSize)
        return std::nullopt;
    quint32 length = 0;
    Message message;
    std::memcpy(&length, buffer.constData() + MagicSize, 4);
    std::memcpy(&message.type, buffer.constData() + MagicSize + 4, 4);
    if (buffer.size() < HeaderSize + qsizetype(length))
        return std::nullopt;
    message.payload = buffer.mid(HeaderSize, length);
    buffer.remove(0, HeaderSize + length);
    return message;
}

std::optional<QByteArray> SwayIpc::request(Type type, const QByteArray &payload, QDeadlineTimer deadline)
{
    if (m_fd < 0)
        return std::nullopt;
    const QByteArray message = encode(type, payload);
    for (qsizetype sent = 0; sent < message.size();) {
        const ssize_t n = ::send(m_fd, message.constData() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        sent += n;
    }
    for (;;) {
        while (std::optional<Message> reply = take(m_buffer)) {
            if (reply->type == type)
                return reply->payload;
        }
        if (!readSome(deadline))
            return std::nullopt;
    }
}

QList<SwayIpc::Message> SwayIpc::readAvailable()
{
    QList<Message> result;
    if (m_fd < 0 || !readSome(QDeadlineTimer(0)))
        return result;
    while (std::optional<Message> message = take(m_buffer))
        result.append(std::move(*message));
    return result;
}

bool SwayIpc::readSome(QDeadlineTimer deadline)
{
    pollfd poller { m_fd, POLLIN, 0 };
    int ready = 0;
    do {
        ready = ::poll(&poller, 1, int(qMin<qint64>(deadline.remainingTime(), 60000)));
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return false;
    char chunk[4096];
    const ssize_t n = ::recv(m_fd, chunk, sizeof(chunk), 0);
    quint32 length = 0;
    if (m_buffer.size() >= HeaderSize)
        std::memcpy(&length, m_buffer.constData() + MagicSize, 4);
    if (n <= 0 || length > MaxPayload || (m_buffer.size() >= MagicSize && !m_buffer.startsWith(Magic))) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_buffer.append(chunk, n);
    return true;
}

} // namespace Dartline
