// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstanceMessage.h"
#include "app/SingleInstance.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Dartline;
using namespace Qt::StringLiterals;

namespace {

const QString Key = u"org.dartline.Dartline-test-_0"_s;
const QStringList Arguments { u"--settings"_s, u"第二"_s };
const InstanceMessage::Answer Refusal { false, u"没有屏幕 9"_s };

// The running copy's socket, reached as any process on the machine would.
int connectTo(const SingleInstance &instance)
{
    sockaddr_un address { AF_UNIX, {} };
    const QByteArray name = QFile::encodeName(instance.socketPath());
    const size_t offset = instance.socketIsAbstract() ? 1 : 0; // an abstract name starts with a NUL byte
    memcpy(address.sun_path + offset, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const auto size = socklen_t(offsetof(sockaddr_un, sun_path) + offset + size_t(name.size()));
    return ::connect(fd, reinterpret_cast<const sockaddr *>(&address), size) == 0 ? fd : -1;
}

// Exits 0 with the running copy's answer, 1 when it hangs up, 2 when it cannot connect.
[[noreturn]] void sendAs(uid_t uid, const SingleInstance &running, const QByteArray &sent)
{
    alarm(SingleInstance::PeerTimeoutMs / 1000 + 2); // kept waiting, it ends on the signal
    const int fd = uid == getuid() || setuid(uid) == 0 ? connectTo(running) : -1;
    static_cast<void>(::send(fd, sent.constData(), static_cast<size_t>(sent.size()), MSG_NOSIGNAL));
    char answer[64];
    const ssize_t got = ::recv(fd, answer, sizeof(answer), MSG_WAITALL);
    _exit(fd < 0 ? 2 : got >= InstanceMessage::AnswerHeaderSize ? 0 : 1);
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void silentRunningCopy()
    {
        // The lock is held, not yet written, and nobody answers: the new copy gives up in time.
        const QTemporaryDir dir;
        SingleInstance second(dir.path(), Key);
        QLockFile holder(second.lockPath());
        QVERIFY(holder.tryLock(0) && QFile(second.lockPath()).resize(0));
        QCOMPARE(second.claim(), SingleInstance::Role::Secondary);
        QVERIFY(!second.handOver({ u"--settings"_s }, 300) && !second.errorString().isEmpty());
    }

    void handsOver_data()
    {
        QTest::addColumn<bool>("killed"); // a copy ran here and was killed, leaving its socket file and lock
        QTest::addColumn<QByteArray>("lock"); // then written over it, unless null
        QTest::addColumn<QByteArray>("sent"); // by a peer; null: a second copy
        QTest::addColumn<uid_t>("uid"); // of the peer
        QTest::addColumn<int>("idlePeers"); // connected before it, saying nothing
        const QByteArray valid = InstanceMessage::encode(Arguments);
        const uid_t self = getuid();
        const QString parent = QFile::symLinkTarget(u"/proc/%1/exe"_s.arg(getppid())).section(u'/', -1);
        const QByteArray live = QByteArray::number(getppid()) + '\n' + parent.toUtf8() + '\n', none;
        QTest::newRow("after a killed copy") << true << none << none << self << 0;
        QTest::newRow("killed while writing its lock") << true << ""_ba << none << self << 0;
        QTest::newRow("lock of another live program") << true << live << none << self << 0;
        // Too deep a directory for a socket file: an abstract name, which any process may reach.
        QTest::newRow("many idle peers") << false << none << none << self << 3 * SingleInstance::MaximumPeers;
        QTest::newRow("message") << false << none << valid << self << 0;
        QTest::newRow("stalls half-way") << false << none << valid.chopped(1) << self << 0;
        QTest::newRow("another user's message") << false << none << valid << uid_t(65534) << 0;
    }

    void handsOver()
    {
        QFETCH(bool, killed);
        QFETCH(QByteArray, lock);
        QFETCH(QByteArray, sent);
        QFETCH(uid_t, uid);
        QFETCH(int, idlePeers);
        if (uid != getuid() && geteuid() != 0)
            QSKIP("only root starts a process of another user");
        const QByteArray valid = InstanceMessage::encode(Arguments);
        const bool taken = uid == getuid() && (sent.isNull() || sent == valid);
        const QTemporaryDir dir(QDir::tempPath() + u'/' + QString(killed ? 0 : 120, u'd') + u"XXXXXX"_s);
        const QString directory = dir.path();
        auto running = std::make_unique<SingleInstance>(directory, Key);
        const pid_t copy = killed ? fork() : -1;
        if (copy == 0)
            _exit(SingleInstance(directory, Key).claim() == SingleInstance::Role::Primary ? pause() : 1);
        QTRY_VERIFY(copy < 0 || QFile::exists(running->socketPath()));
        QVERIFY(copy < 0 || (::kill(copy, SIGKILL) == 0 && waitpid(copy, nullptr, 0) == copy));
        QFile file(running->lockPath());
        QVERIFY(lock.isNull() || (file.open(QIODevice::WriteOnly) && file.write(lock) >= 0));
        file.close();
        QCOMPARE(running->claim(), SingleInstance::Role::Primary);
        QVERIFY2(running->errorString().isEmpty(), qPrintable(running->errorString()));
        QList<QStringList> reopened;
        running->setHandler([&reopened](const QStringList &arguments) {
            reopened.append(arguments);
            return Refusal;
        });
        std::vector<int> idle;
        for (int i = 0; i < idlePeers; ++i) {
            idle.push_back(connectTo(*running));
            QCoreApplication::processEvents(); // the running copy takes it in
        }
        // One that speaks once taken in is heard as well.
        QVERIFY(idle.empty() || ::send(idle.back(), valid.constData(), size_t(valid.size()), 0) == valid.size());
        const pid_t peer = fork();
        if (peer == 0 && sent.isNull()) {
            SingleInstance second(directory, Key);
            InstanceMessage::Answer answer;
            _exit(second.claim() == SingleInstance::Role::Secondary && second.isRunning()
                        && second.handOver(Arguments, 800, &answer) && answer == Refusal
                    ? 0
                    : 1);
        } else if (peer == 0) {
            sendAs(uid, *running, sent);
        }
        int status = 0, ended = 0;
        QTRY_VERIFY_WITH_TIMEOUT(ended || (ended = waitpid(peer, &status, WNOHANG) == peer), 10000);
        QCOMPARE(WIFEXITED(status) ? WEXITSTATUS(status) : -1, taken ? 0 : 1);
        QTRY_COMPARE(reopened.size(), int(taken) + int(!idle.empty()));
        QCOMPARE(reopened.value(0), taken ? Arguments : QStringList());
        // Beyond the cap, each newcomer took the place of the peer connected longest.
        char byte;
        QVERIFY(idle.empty() || ::recv(idle.front(), &byte, 1, MSG_DONTWAIT) == 0);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
