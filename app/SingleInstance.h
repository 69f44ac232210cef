// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/InstanceMessage.h"

#include <QElapsedTimer>
#include <QLockFile>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace Dartline {

// One Dartline per user and X display. The first process takes a lock file
// and listens on a Unix-domain socket beside it, both in the user's private
// runtime directory; a later process finds the lock taken, hands its arguments over
// the socket and ends. A copy that crashed leaves a lock naming a dead
// process (or, killed while writing it, an empty one) and a socket nobody
// listens on: the next start takes both over. A runtime directory too deep
// for a socket path gets a socket in the abstract namespace instead, whose
// peers both sides check for the user.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Role {
        Primary, // this process holds the lock and listens
        Secondary, // another live process holds the lock
        Unguarded, // no lock could be taken for another reason; run anyway
    };

    // Most simultaneous peers the running copy reads from; a newcomer beyond
    // them replaces the one that has been connected longest.
    static constexpr int MaximumPeers = 8;
    // A peer that has not sent its whole message by then is dropped.
    static constexpr int PeerTimeoutMs = 1000;

    SingleInstance(const QString &directory, const QString &key, QObject *parent = nullptr);
    ~SingleInstance() override;
    Q_DISABLE_COPY_MOVE(SingleInstance)

    // The user's runtime directory ($XDG_RUNTIME_DIR, owner-only), or empty.
    static QString defaultDirectory();
    // "org.dartline.Dartline-<user>-<display>", reduced to file-name-safe
    // characters; `display` as in $DISPLAY (the screen suffix is ignored).
    static QString defaultKey(const QString &display);

    // Answers what a later copy hands over. It runs while the peer waits,
    // so it answers at once and leaves any longer work for later.
    using Handler = std::function<InstanceMessage::Answer(const QStringList &arguments)>;

    Role claim();
    // Primary only. Without a handler every request is simply taken.
    void setHandler(Handler handler) { m_handler = std::move(handler); }
    // Secondary only: delivers the arguments and waits for the running copy
    // to take them, within `timeoutMs`; its answer in *answer.
    bool handOver(const QStringList &arguments, int timeoutMs, InstanceMessage::Answer *answer = nullptr);
    // A live copy of this program holds the lock, without taking it here.
    bool isRunning() const;

    // A file path, or with socketIsAbstract() a name in the abstract namespace.
    QString socketPath() const { return m_socketPath; }
    bool socketIsAbstract() const { return m_abstract; }
    QString lockPath() const { return m_lockPath; }
    QString errorString() const { return m_error; }

private:
    struct Peer
    {
        int socket;
        QSocketNotifier *notifier;
        QElapsedTimer connected;
        QByteArray received;
    };

    bool listen();
    void stopListening();
    void acceptPeers();
    void readPeer(int socket);
    void dropPeer(int socket);
    void dropLatePeers();
    static bool peerIsThisUser(int socket);
    // The lock is taken, but by nothing that runs this program and answers.
    bool lockIsAbandoned() const;
    bool instanceAnswers() const;
    // A connected, non-blocking socket to the running copy, or -1.
    int connectToInstance(int timeoutMs) const;

    QString m_socketPath;
    bool m_abstract = false;
    QString m_lockPath;
    QString m_error;
    std::unique_ptr<QLockFile> m_lock;
    int m_listener = -1;
    QSocketNotifier *m_listenerNotifier = nullptr;
    std::vector<Peer> m_peers; // still sending, oldest first, with what they sent so far
    QTimer m_peerTimeout; // due when the oldest peer's time is up
    Handler m_handler;
};

} // namespace Dartline
