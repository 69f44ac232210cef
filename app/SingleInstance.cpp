// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include "app/InstanceMessage.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace Dartline {

namespace {

const QString KeyPrefix = QStringLiteral("org.dartline.Dartline-");

// Unix socket paths hold at most 107 bytes; stay well under that.
constexpr qsizetype MaximumSocketPath = 100;
// How long a copy that finds the lock taken waits for a connection to the
// copy that may hold it. A listening socket connects at once or refuses.
constexpr int ProbeTimeoutMs = 200;
// Between two tries of a hand-over that was refused or dropped.
constexpr int RetryPauseMs = 20;

QString hashed(const QString &text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex().left(20));
}

// The file name of the program a process runs, or empty when it is gone or
// not ours to look at.
QString programOf(const QString &process)
{
    QString target = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(process));
    // A program replaced on disk while it runs, as by an upgrade.
    const QLatin1String deleted(" (deleted)");
    if (target.endsWith(deleted))
        target.chop(deleted.size());
    return QFileInfo(target).fileName();
}

bool runsThisProgram(qint64 pid)
{
    if (pid <= 0)
        return false;
    const QString program = programOf(QString::number(pid));
    return !program.isEmpty() && program == programOf(QStringLiteral("self"));
}

int remainingMs(const QDeadlineTimer &deadline)
{
    return static_cast<int>(qMax<qint64>(0, deadline.remainingTime()));
}

// Waits for the socket to be ready for `events`, at the latest until the deadline.
bool waitFor(int socket, short events, const QDeadlineTimer &deadline)
{
    pollfd entry { socket, events, 0 };
    int ready = 0;
    do
        ready = ::poll(&entry, 1, remainingMs(deadline));
    while (ready < 0 && errno == EINTR);
    return ready > 0;
}

bool wouldBlock()
{
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

// Sends the message and waits for the running copy's answer, which ends
// when it hangs up.
std::optional<InstanceMessage::Answer> exchange(int socket, const QByteArray &message, const QDeadlineTimer &deadline)
{
    for (qsizetype sent = 0; sent < message.size();) {
        const ssize_t written
            = ::send(socket, message.constData() + sent, static_cast<size_t>(message.size() - sent), MSG_NOSIGNAL);
        if (written >= 0)
            sent += written;
        else if (errno != EINTR && !(wouldBlock() && waitFor(socket, POLLOUT, deadline)))
            return std::nullopt;
    }
    constexpr qsizetype limit = InstanceMessage::AnswerHeaderSize + 2 + InstanceMessage::MaximumAnswerText + 1;
    QByteArray answer;
    while (answer.size() < limit) {
        char buffer[512];
        const ssize_t read = ::recv(socket, buffer, sizeof(buffer), 0);
        if (read > 0)
            answer.append(buffer, read);
        else if (read == 0)
            return InstanceMessage::decodeAnswer(answer);
        else if (errno != EINTR && !(wouldBlock() && waitFor(socket, POLLIN, deadline)))
            break;
    }
    return std::nullopt;
}

// The address of a socket file, or of a name in the abstract namespace: a
// NUL byte, then exactly the name's bytes. Its length, or 0 if it does not fit.
socklen_t addressOf(const QString &name, bool abstract, sockaddr_un *address)
{
    *address = {};
    address->sun_family = AF_UNIX;
    const QByteArray native = abstract ? name.toUtf8() : QFile::encodeName(name);
    const qsizetype offset = abstract ? 1 : 0;
    if (native.isEmpty() || offset + native.size() >= static_cast<qsizetype>(sizeof(address->sun_path)))
        return 0;
    std::memcpy(address->sun_path + offset, native.constData(), static_cast<size_t>(native.size()));
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + static_cast<size_t>(offset + native.size()));
}

// Every socket the running copy and its peers use: the main thread never
// waits on one of its own.
int newSocket()
{
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

QString userName()
{
    if (const passwd *entry = getpwuid(getuid()); entry && entry->pw_name && *entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(getuid());
}

QString fileNameSafe(const QString &text)
{
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'.'
            || c == u'_';
        safe.append(plain ? c : u'_');
    }
    return safe;
}

} // namespace

SingleInstance::SingleInstance(const QString &directory, const QString &key, QObject *parent)
    : QObject(parent)
{
    const QDir dir(directory);
    QString base = key;
    if (QFile::encodeName(dir.filePath(base + QStringLiteral(".socket"))).size() > MaximumSocketPath)
        base = KeyPrefix + hashed(key);
    m_socketPath = dir.filePath(base + QStringLiteral(".socket"));
    m_lockPath = dir.filePath(base + QStringLiteral(".lock"));
    if (QFile::encodeName(m_socketPath).size() > MaximumSocketPath) {
        // Too deep for a socket file: a name in the abstract namespace, one
        // per user and lock.
        m_abstract = true;
        m_socketPath = KeyPrefix + QString::number(getuid()) + u'-' + hashed(m_lockPath);
    }
    m_peerTimeout.setSingleShot(true);
    connect(&m_peerTimeout, &QTimer::timeout, this, &SingleInstance::dropLatePeers);
}

SingleInstance::~SingleInstance()
{
    // Close the socket before the lock goes, so that a new copy that takes
    // the lock never finds our socket file still in place.
    stopListening();
}

QString SingleInstance::defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString SingleInstance::defaultKey(const QString &display)
{
    // ":0" and ":0.1" are the same server, so the same instance.
    QString server = display;
    const qsizetype colon = server.lastIndexOf(u':');
    if (colon >= 0) {
        const qsizetype dot = server.indexOf(u'.', colon);
        if (dot >= 0)
            server.truncate(dot);
    }
    if (server.isEmpty())
        server = QStringLiteral("none");
    return KeyPrefix + fileNameSafe(userName()) + u'-' + fileNameSafe(server);
}

SingleInstance::Role SingleInstance::claim()
{
    if (QFileInfo(m_lockPath).absolutePath().isEmpty() || !QDir(QFileInfo(m_lockPath).absolutePath()).exists()) {
        m_error = QStringLiteral("no runtime directory for %1").arg(m_lockPath);
        return Role::Unguarded;
    }
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // The lock lives as long as the process. Age says nothing about it, only
    // whether its owner still runs (QLockFile checks the process id and name).
    m_lock->setStaleLockTime(0);
    bool locked = m_lock->tryLock(0);
    // QLockFile takes over a lock that names a dead process itself. One that
    // a crash left empty or half-written, or that names a live process of
    // another program, it keeps; this copy takes it over when nothing answers
    // on the socket either. removeStaleLockFile() still refuses while a
    // process holds the file's native lock, as every live owner does from
    // before it writes the file. Of two copies started together, the second
    // looks again once the first has replaced the lock with its own.
    if (!locked && m_lock->error() == QLockFile::LockFailedError && lockIsAbandoned()) {
        QLockFile removal(m_lockPath + QStringLiteral(".rmlock"));
        if (removal.tryLock(0) && lockIsAbandoned() && m_lock->removeStaleLockFile())
            locked = m_lock->tryLock(0);
    }
    if (!locked) {
        const QLockFile::LockError error = m_lock->error();
        m_lock.reset();
        if (error == QLockFile::LockFailedError)
            return Role::Secondary;
        m_error = QStringLiteral("cannot create the lock file %1").arg(m_lockPath);
        return Role::Unguarded;
    }

    // Without a socket, keep the lock: later copies then report that this
    // one does not answer instead of starting a second set of hot keys.
    listen();
    return Role::Primary;
}

bool SingleInstance::listen()
{
    sockaddr_un address;
    const socklen_t size = addressOf(m_socketPath, m_abstract, &address);
    const QByteArray file = QFile::encodeName(m_socketPath);
    // Holding the lock, any socket file left there belongs to a dead copy.
    // An abstract name goes with the process that held it.
    if (!m_abstract)
        ::unlink(file.constData());
    const int socket = size > 0 ? newSocket() : -1;
    if (size == 0)
        errno = ENAMETOOLONG;
    // The file is the user's alone before anyone can connect to it.
    const bool bound = socket >= 0 && ::bind(socket, reinterpret_cast<const sockaddr *>(&address), size) == 0;
    if (!bound || (!m_abstract && ::chmod(file.constData(), S_IRUSR | S_IWUSR) != 0)
        || ::listen(socket, SOMAXCONN) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        m_error = QStringLiteral("cannot listen on %1: %2").arg(m_socketPath, reason);
        if (bound && !m_abstract)
            ::unlink(file.constData());
        if (socket >= 0)
            ::close(socket);
        return false;
    }
    m_listener = socket;
    m_listenerNotifier = new QSocketNotifier(socket, QSocketNotifier::Read, this);
    connect(m_listenerNotifier, &QSocketNotifier::activated, this, &SingleInstance::acceptPeers);
    return true;
}

void SingleInstance::stopListening()
{
    while (!m_peers.empty())
        dropPeer(m_peers.front().socket);
    if (m_listener < 0)
        return;
    delete m_listenerNotifier;
    m_listenerNotifier = nullptr;
    ::close(m_listener);
    m_listener = -1;
    if (!m_abstract)
        ::unlink(QFile::encodeName(m_socketPath).constData());
}

void SingleInstance::acceptPeers()
{
    for (;;) {
        const int peer = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (peer < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (!wouldBlock()) {
                // Out of descriptors, say: let the peers that hold them finish
                // or time out instead of spinning on the waiting connection.
                m_listenerNotifier->setEnabled(false);
                QTimer::singleShot(PeerTimeoutMs / 10, m_listenerNotifier,
                    [notifier = m_listenerNotifier] { notifier->setEnabled(true); });
            }
            return;
        }
        if (!peerIsThisUser(peer)) {
            ::close(peer);
            continue;
        }
        // Idle connections never keep a request out: the newcomer takes the
        // place of the peer that has had the longest to speak.
        if (m_peers.size() >= MaximumPeers)
            dropPeer(m_peers.front().socket);
        auto *notifier = new QSocketNotifier(peer, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, peer] { readPeer(peer); });
        m_peers.push_back(Peer { peer, notifier, QElapsedTimer(), QByteArray() });
        m_peers.back().connected.start();
        if (!m_peerTimeout.isActive())
            m_peerTimeout.start(PeerTimeoutMs);
        // Bytes may have arrived already.
        readPeer(peer);
    }
}

void SingleInstance::readPeer(int socket)
{
    const auto found
        = std::find_if(m_peers.begin(), m_peers.end(), [socket](const Peer &entry) { return entry.socket == socket; });
    if (found == m_peers.end())
        return;
    // Never hold more than one whole message plus the byte that proves a
    // peer sent too much.
    constexpr qsizetype limit = InstanceMessage::HeaderSize + InstanceMessage::MaximumPayload + 1;
    bool ended = false;
    while (found->received.size() < limit) {
        char buffer[1024];
        const auto wanted = std::min<qsizetype>(sizeof(buffer), limit - found->received.size());
        const ssize_t read = ::recv(socket, buffer, static_cast<size_t>(wanted), 0);
        if (read > 0) {
            found->received.append(buffer, read);
        } else if (read == 0 || (errno != EINTR && !wouldBlock())) {
            ended = true; // the peer hung up
            break;
        } else if (errno != EINTR) {
            break; // all read for now
        }
    }
    QStringList arguments;
    const InstanceMessage::Status status = InstanceMessage::decode(found->received, &arguments);
    if (status == InstanceMessage::Status::Incomplete && !ended)
        return;
    if (status == InstanceMessage::Status::Complete) {
        const QByteArray answer
            = InstanceMessage::encodeAnswer(m_handler ? m_handler(arguments) : InstanceMessage::Answer());
        // At most a kilobyte into a fresh connection's empty buffer: never blocks.
        static_cast<void>(
            ::send(socket, answer.constData(), static_cast<size_t>(answer.size()), MSG_NOSIGNAL | MSG_DONTWAIT));
    }
    dropPeer(socket);
}

void SingleInstance::dropPeer(int socket)
{
    const auto found
        = std::find_if(m_peers.begin(), m_peers.end(), [socket](const Peer &entry) { return entry.socket == socket; });
    if (found == m_peers.end())
        return;
    // The notifier may be the one whose signal runs now.
    found->notifier->setEnabled(false);
    found->notifier->disconnect(this);
    found->notifier->deleteLater();
    ::close(socket);
    m_peers.erase(found);
}

void SingleInstance::dropLatePeers()
{
    while (!m_peers.empty() && m_peers.front().connected.hasExpired(PeerTimeoutMs))
        dropPeer(m_peers.front().socket);
    if (!m_peers.empty())
        m_peerTimeout.start(static_cast<int>(qMax<qint64>(1, PeerTimeoutMs - m_peers.front().connected.elapsed())));
}

bool SingleInstance::peerIsThisUser(int socket)
{
    ucred credentials {};
    socklen_t size = sizeof(credentials);
    if (getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return false;
    return credentials.uid == getuid();
}

bool SingleInstance::lockIsAbandoned() const
{
    qint64 pid = 0;
    QString host;
    QString program;
    if (m_lock->getLockInfo(&pid, &host, &program) && runsThisProgram(pid))
        return false;
    // Unreadable, or naming a process that is not this program: a copy that
    // answers still counts, whatever its lock file says.
    return !instanceAnswers();
}

bool SingleInstance::instanceAnswers() const
{
    const int probe = connectToInstance(ProbeTimeoutMs);
    const bool answered = probe >= 0 && peerIsThisUser(probe);
    if (probe >= 0)
        ::close(probe);
    return answered;
}

int SingleInstance::connectToInstance(int timeoutMs) const
{
    sockaddr_un address;
    const socklen_t size = addressOf(m_socketPath, m_abstract, &address);
    const QDeadlineTimer deadline(timeoutMs);
    while (size > 0) {
        const int socket = newSocket();
        if (socket < 0)
            return -1;
        if (::connect(socket, reinterpret_cast<const sockaddr *>(&address), size) == 0)
            return socket;
        const int error = errno;
        ::close(socket);
        // A listening socket connects at once or refuses, unless its backlog
        // is full while the running copy takes peers in.
        if ((error != EAGAIN && error != EINTR) || deadline.hasExpired())
            break;
        QThread::msleep(static_cast<unsigned long>(qMin(RetryPauseMs, remainingMs(deadline))));
    }
    return -1;
}

bool SingleInstance::isRunning() const
{
    // Only read: taking the lock, even for a moment, would turn a copy that
    // starts at the same time into a secondary of this process.
    qint64 pid = 0;
    QString host;
    QString program;
    return QLockFile(m_lockPath).getLockInfo(&pid, &host, &program) && runsThisProgram(pid);
}

bool SingleInstance::handOver(const QStringList &arguments, int timeoutMs, InstanceMessage::Answer *answer)
{
    const QDeadlineTimer deadline(timeoutMs);
    const QByteArray message = InstanceMessage::encode(arguments);
    bool reached = false;
    // The running copy takes its lock a moment before it listens, and drops
    // a peer to make room for another: a request refused or dropped is made
    // again until the deadline.
    for (;;) {
        if (const int socket = connectToInstance(qMax(1, remainingMs(deadline))); socket >= 0) {
            // Any process may listen on an abstract name: only a copy of
            // this user is told anything.
            const bool thisUser = peerIsThisUser(socket);
            const auto taken = thisUser ? exchange(socket, message, deadline) : std::nullopt;
            ::close(socket);
            if (!thisUser) {
                m_error = QStringLiteral("%1 is held by another user").arg(m_socketPath);
                return false;
            }
            if (taken) {
                if (answer)
                    *answer = *taken;
                return true;
            }
            reached = true;
        }
        if (deadline.hasExpired())
            break;
        QThread::msleep(static_cast<unsigned long>(qMin(RetryPauseMs, remainingMs(deadline))));
    }
    m_error = reached ? QStringLiteral("the running copy did not take the request")
                      : QStringLiteral("the running copy does not answer on %1").arg(m_socketPath);
    return false;
}

} // namespace Dartline
