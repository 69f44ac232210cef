// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include "InstanceMessage.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString KeyPrefix = QStringLiteral("org.dartline.Dartline-");

// Unix socket paths hold at most 107 bytes; stay well under that.
constexpr qsizetype MaximumSocketPath = 100;

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
    if (dir.filePath(base + QStringLiteral(".socket")).toLocal8Bit().size() > MaximumSocketPath) {
        const QByteArray digest = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
        base = KeyPrefix + QString::fromLatin1(digest);
    }
    m_socketPath = dir.filePath(base + QStringLiteral(".socket"));
    m_lockPath = dir.filePath(base + QStringLiteral(".lock"));
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
    if (!m_lock->tryLock(0)) {
        const QLockFile::LockError error = m_lock->error();
        m_lock.reset();
        if (error == QLockFile::LockFailedError)
            return Role::Secondary;
        m_error = QStringLiteral("cannot create the lock file %1").arg(m_lockPath);
        return Role::Unguarded;
    }

    // Holding the lock, any socket file left there belongs to a dead copy.
    QLocalServer::removeServer(m_socketPath);
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
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
        if (m_received.size() >= MaximumPeers || !peerIsThisUser(peer)) {
            peer->abort();
            peer->deleteLater();
            continue;
        }
        m_received.insert(peer, QByteArray());
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
    const auto found = m_received.find(peer);
    if (found == m_received.end())
        return;
    // Never hold more than one whole message plus the byte that proves a
    // peer sent too much.
    constexpr qsizetype limit = InstanceMessage::HeaderSize + InstanceMessage::MaximumPayload + 1;
    found->append(peer->read(limit - found->size()));
    QStringList arguments;
    switch (InstanceMessage::decode(*found, &arguments)) {
    case InstanceMessage::Status::Incomplete:
        return;
    case InstanceMessage::Status::Invalid:
        dropPeer(peer);
        return;
    case InstanceMessage::Status::Complete:
        break;
    }
    m_received.erase(found);
    peer->disconnect(this);
    peer->write(InstanceMessage::Acknowledgement, InstanceMessage::AcknowledgementSize);
    connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
    peer->disconnectFromServer();
    Q_EMIT reopened(arguments);
}

void SingleInstance::dropPeer(QLocalSocket *peer)
{
    if (!m_received.remove(peer))
        return;
    peer->disconnect(this);
    peer->abort();
    peer->deleteLater();
}

bool SingleInstance::peerIsThisUser(QLocalSocket *peer)
{
    ucred credentials {};
    socklen_t size = sizeof(credentials);
    if (getsockopt(static_cast<int>(peer->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return false;
    return credentials.uid == getuid();
}

bool SingleInstance::handOver(const QStringList &arguments, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    const QByteArray message = InstanceMessage::encode(arguments);
    QLocalSocket socket;
    // The running copy takes its lock a moment before it listens; a copy
    // started in that moment finds no socket yet and tries again.
    for (;;) {
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(static_cast<int>(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        if (deadline.hasExpired()) {
            m_error = QStringLiteral("the running copy does not answer on %1").arg(m_socketPath);
            return false;
        }
        QThread::msleep(20);
    }
    socket.write(message);
    QByteArray answer;
    while (answer.size() < InstanceMessage::AcknowledgementSize) {
        if (socket.bytesToWrite() > 0)
            socket.waitForBytesWritten(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        else if (!socket.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        answer += socket.read(InstanceMessage::AcknowledgementSize - answer.size());
        if (deadline.hasExpired())
            break;
    }
    if (answer != QByteArray(InstanceMessage::Acknowledgement, InstanceMessage::AcknowledgementSize)) {
        m_error = QStringLiteral("the running copy did not take the request");
        return false;
    }
    return true;
}
