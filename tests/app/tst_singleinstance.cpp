// SPDX-License-Identifier: GPL-3.0-or-later
#include "InstanceMessage.h"
#include "SingleInstance.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void takesOverWhatACrashLeft_data();
    void takesOverWhatACrashLeft();
    void secondCopyHandsOver();
    void silentRunningCopy();
    void dropsStrangers_data();
    void dropsStrangers();
    void refusesPeersBeyondTheCap();
    void keyFollowsServerNotScreen();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

const QString Key = QStringLiteral("org.dartline.Dartline-test-_0");

qint64 deadProcessId()
{
    QProcess process;
    process.start(QStringLiteral("true"), {});
    process.waitForStarted();
    const qint64 pid = process.processId();
    process.waitForFinished();
    return pid;
}

// What a killed copy leaves: a socket file nobody listens on.
bool leaveDeadSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    qstrncpy(address.sun_path, native.constData(), sizeof(address.sun_path));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

} // namespace

void TestSingleInstance::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSingleInstance::takesOverWhatACrashLeft_data()
{
    QTest::addColumn<bool>("deadLock");
    QTest::addColumn<bool>("deadSocket");
    QTest::newRow("nothing left") << false << false;
    QTest::newRow("lock of a dead process") << true << false;
    QTest::newRow("socket file") << false << true;
    QTest::newRow("both") << true << true;
}

void TestSingleInstance::takesOverWhatACrashLeft()
{
    QFETCH(bool, deadLock);
    QFETCH(bool, deadSocket);
    SingleInstance first(m_dir->path(), Key);
    if (deadLock) {
        QFile lock(first.lockPath());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(deadProcessId()) + "\ndartline\n" + QSysInfo::machineHostName().toUtf8() + '\n');
    }
    if (deadSocket)
        QVERIFY(leaveDeadSocket(first.socketPath()));

    QCOMPARE(first.claim(), SingleInstance::Role::Primary);
    QVERIFY2(first.errorString().isEmpty(), qPrintable(first.errorString()));
    QLocalSocket probe;
    probe.connectToServer(first.socketPath());
    QVERIFY(probe.waitForConnected(1000));

    // While it runs, the next claim is refused however old the lock gets.
    QFile lock(first.lockPath());
    QVERIFY(lock.open(QIODevice::ReadWrite));
    QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
    lock.close();
    SingleInstance second(m_dir->path(), Key);
    QCOMPARE(second.claim(), SingleInstance::Role::Secondary);
}

void TestSingleInstance::secondCopyHandsOver()
{
    SingleInstance running(m_dir->path(), Key);
    QCOMPARE(running.claim(), SingleInstance::Role::Primary);
    QSignalSpy reopened(&running, &SingleInstance::reopened);

    QProcess second;
    const QStringList arguments { QStringLiteral("--settings"), QString::fromUtf8("第二") };
    second.start(QStringLiteral(INSTANCE_CLIENT), QStringList { m_dir->path(), Key } + arguments);
    QVERIFY(reopened.wait(20000));
    QCOMPARE(reopened.first().first().toStringList(), arguments);
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
}

void TestSingleInstance::silentRunningCopy()
{
    // The lock is held but nobody answers: the new copy gives up in time
    // and says so instead of starting a second set of hot keys.
    QLockFile holder(QDir(m_dir->path()).filePath(Key + QStringLiteral(".lock")));
    QVERIFY(holder.tryLock(0));
    SingleInstance second(m_dir->path(), Key);
    QCOMPARE(second.claim(), SingleInstance::Role::Secondary);
    QVERIFY(!second.handOver({ QStringLiteral("--settings") }, 300));
    QVERIFY(!second.errorString().isEmpty());
}

void TestSingleInstance::dropsStrangers_data()
{
    QTest::addColumn<QByteArray>("sent");
    const QByteArray valid = InstanceMessage::encode({ QStringLiteral("--settings") });
    QTest::newRow("garbage") << QByteArray("hello, anyone there?");
    QTest::newRow("oversized") << QByteArray("DRTL\x01\x00\x00\x10\x01", 9) + QByteArray(4097, 'a');
    QTest::newRow("trailing bytes") << valid + "more";
    QTest::newRow("stalls half-way") << valid.left(valid.size() - 1);
    QTest::newRow("says nothing") << QByteArray();
}

void TestSingleInstance::dropsStrangers()
{
    QFETCH(QByteArray, sent);
    SingleInstance running(m_dir->path(), Key);
    QCOMPARE(running.claim(), SingleInstance::Role::Primary);
    QSignalSpy reopened(&running, &SingleInstance::reopened);

    QLocalSocket peer;
    QSignalSpy closed(&peer, &QLocalSocket::disconnected);
    peer.connectToServer(running.socketPath());
    QVERIFY(peer.waitForConnected(1000));
    peer.write(sent);
    QVERIFY(closed.wait(SingleInstance::PeerTimeoutMs + 2000));
    QCOMPARE(peer.readAll(), QByteArray());
    QCOMPARE(reopened.size(), 0);
}

void TestSingleInstance::refusesPeersBeyondTheCap()
{
    SingleInstance running(m_dir->path(), Key);
    QCOMPARE(running.claim(), SingleInstance::Role::Primary);
    QSignalSpy reopened(&running, &SingleInstance::reopened);

    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < SingleInstance::MaximumPeers; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(running.socketPath());
        QVERIFY(idle.back()->waitForConnected(1000));
    }
    QLocalSocket extra;
    QSignalSpy extraClosed(&extra, &QLocalSocket::disconnected);
    extra.connectToServer(running.socketPath());
    QVERIFY(extra.waitForConnected(1000));
    QVERIFY(extraClosed.wait(2000));

    // Once the idle peers have gone, a real request gets through again.
    idle.clear();
    const auto askOnce = [&] {
        QLocalSocket late;
        late.connectToServer(running.socketPath());
        if (!late.waitForConnected(500))
            return false;
        late.write(InstanceMessage::encode({}));
        QDeadlineTimer deadline(1000);
        while (!deadline.hasExpired() && late.state() == QLocalSocket::ConnectedState && reopened.isEmpty())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return !reopened.isEmpty();
    };
    QTRY_VERIFY_WITH_TIMEOUT(askOnce(), 3000);
    QCOMPARE(reopened.size(), 1);
}

void TestSingleInstance::keyFollowsServerNotScreen()
{
    QCOMPARE(SingleInstance::defaultKey(QStringLiteral(":0")), SingleInstance::defaultKey(QStringLiteral(":0.1")));
    QVERIFY(SingleInstance::defaultKey(QStringLiteral(":0")) != SingleInstance::defaultKey(QStringLiteral(":1")));
    QVERIFY(!SingleInstance::defaultKey(QStringLiteral("host/../x:0")).contains(u'/'));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
