// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include "app/InstanceMessage.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>

#include <pwd.h>
#include <sys/socket.h>
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

// Sends the message and waits for the running copy's acknowledgement.
bool exchange(QLocalSocket &socket, const QByteArray &message, const QDeadlineTimer &deadline)
{
    const auto remaining = [&] { return static_cast<int>(qMax<qint64>(1, deadline.remainingTime())); };
    socket.write(message);
    QByteArray answer;
    while (answer.size() < InstanceMessage::AcknowledgementSize && !deadline.hasExpired()) {
        const bool waited = socket.bytesToWrite() > 0 ? socket.waitForBytesWritten(remaining())
                                                      : socket.waitForReadyRead(remaining());
        answer += socket.read(InstanceMessage::AcknowledgementSize - answer.size());
        if (!waited)
            break;
    }
    return answer == QByteArray(InstanceMessage::Acknowledgement, InstanceMessage::AcknowledgementSize);
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
}

SingleInstance::~SingleInstance()
{
    // Close the socket before the lock goes, so that a new copy that takes
    // the lock never finds our socket file still in place.
    delete m_server.data();
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

    // Holding the lock, any socket file left there belongs to a dead copy.
    // An abstract name goes with the process that held it.
    if (!m_abstract)
        QLocalServer::removeServer(m_socketPath);
    auto *server = new QLocalServer(this);
    server->setSocketOptions(m_abstract ? QLocalServer::AbstractNamespaceOption : QLocalServer::UserAccessOption);
    if (!server->listen(m_socketPath)) {
        m_error = QStringLiteral("cannot listen on %1: %2").arg(m_socketPath, server->errorString());
        delete server;
        // Keep the lock: later copies then report that this one does not
        // answer instead of starting a second set of hot keys.
        return Role::Primary;
    }
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::acceptPeers);
    m_server = server;
    return Role::Primary;
}

void SingleInstance::acceptPeers()
{
    while (QLocalSocket *peer = m_server ? m_server->nextPendingConnection() : nullptr) {
        if (!peerIsThisUser(*peer)) {
            peer->abort();
            peer->deleteLater();
            continue;
        }
        // Idle connections never keep a request out: the newcomer takes the
        // place of the peer that has had the longest to speak.
        if (m_peers.size() >= MaximumPeers)
            dropPeer(m_peers.constFirst().socket);
        m_peers.append(Peer { peer, QByteArray() });
        auto *timeout = new QTimer(peer);
        timeout->setSingleShot(true);
        connect(timeout, &QTimer::timeout, this, [this, peer] { dropPeer(peer); });
        timeout->start(PeerTimeoutMs);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] { readPeer(peer); });
        connect(peer, &QLocalSocket::disconnected, this, [this, peer] { dropPeer(peer); });
        // Bytes may have arrived before the connections above were made.
        readPeer(peer);
    }
}

void SingleInstance::readPeer(QLocalSocket *peer)
{
    const auto found
        = std::find_if(m_peers.begin(), m_peers.end(), [peer](const Peer &entry) { return entry.socket == peer; });
    if (found == m_peers.end())
        return;
    // Never hold more than one whole message plus the byte that proves a
    // peer sent too much.
    constexpr qsizetype limit = InstanceMessage::HeaderSize + InstanceMessage::MaximumPayload + 1;
    found->received.append(peer->read(limit - found->received.size()));
    QStringList arguments;
    switch (InstanceMessage::decode(found->received, &arguments)) {
    case InstanceMessage::Status::Incomplete:
        return;
    case InstanceMessage::Status::Invalid:
        dropPeer(peer);
        return;
    case InstanceMessage::Status::Complete:
        break;
    }
    m_peers.erase(found);
    peer->disconnect(this);
    peer->write(InstanceMessage::Acknowledgement, InstanceMessage::AcknowledgementSize);
    connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
    peer->disconnectFromServer();
    Q_EMIT reopened(arguments);
}

void SingleInstance::dropPeer(QLocalSocket *peer)
{
    if (m_peers.removeIf([peer](const Peer &entry) { return entry.socket == peer; }) == 0)
        return;
    peer->disconnect(this);
    peer->abort();
    peer->deleteLater();
}

bool SingleInstance::peerIsThisUser(const QLocalSocket &peer)
{
    ucred credentials {};
    socklen_t size = sizeof(credentials);
    if (getsockopt(static_cast<int>(peer.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
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
    QLocalSocket probe;
    if (m_abstract)
        probe.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    probe.connectToServer(m_socketPath);
    const bool answered = probe.waitForConnected(ProbeTimeoutMs) && peerIsThisUser(probe);
    probe.abort();
    return answered;
}

bool SingleInstance::handOver(const QStringList &arguments, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    const QByteArray message = InstanceMessage::encode(arguments);
    bool reached = false;
    // The running copy takes its lock a moment before it listens, and drops
    // a peer to make room for another: a request refused or dropped is made
    // again until the deadline.
    for (;;) {
        QLocalSocket socket;
        if (m_abstract)
            socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())))) {
            // Any process may listen on an abstract name: only a copy of
            // this user is told anything.
            if (!peerIsThisUser(socket)) {
                m_error = QStringLiteral("%1 is held by another user").arg(m_socketPath);
                return false;
            }
            reached = true;
            if (exchange(socket, message, deadline))
                return true;
        }
        if (deadline.hasExpired())
            break;
        QThread::msleep(static_cast<unsigned long>(qMin<qint64>(RetryPauseMs, deadline.remainingTime())));
    }
    m_error = reached ? QStringLiteral("the running copy did not take the request")
                      : QStringLiteral("the running copy does not answer on %1").arg(m_socketPath);
    return false;
}

} // namespace Dartline
