// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstanceMessage.h"
#include "app/SingleInstance.h"

#include <QDateTime>
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

using namespace Dartline;

using namespace Qt::StringLiterals;

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void takesOverWhatACrashLeft_data();
    void takesOverWhatACrashLeft();
    void secondCopyHandsOver_data();
    void secondCopyHandsOver();
    void silentRunningCopy();
    void dropsStrangers_data();
    void dropsStrangers();
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
    QTest::addColumn<QString>("left"); // what the lock file holds; empty: there is none
    QTest::addColumn<bool>("deadSocket");
    QTest::newRow("nothing left") << QString() << false;
    QTest::newRow("lock of a dead process") << u"dead"_s << false;
    QTest::newRow("socket file") << QString() << true;
    QTest::newRow("both") << u"dead"_s << true;
    // Killed between creating the lock and writing it.
    QTest::newRow("empty lock") << u"empty"_s << true;
    QTest::newRow("garbage lock") << u"garbage"_s << false;
    QTest::newRow("lock of another program") << u"other"_s << true;
}

void TestSingleInstance::takesOverWhatACrashLeft()
{
    QFETCH(QString, left);
    QFETCH(bool, deadSocket);
    SingleInstance first(m_dir->path(), Key);
    QProcess other;
    if (!left.isEmpty()) {
        QByteArray content;
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        if (left == u"dead"_s) {
            content = QByteArray::number(deadProcessId()) + "\ndartline\n" + host + '\n';
        } else if (left == u"garbage"_s) {
            content = "\x7f\x01 not a lock\n";
        } else if (left == u"other"_s) {
            // Alive, and the program the file names: only not this program.
            other.start(u"sleep"_s, { u"60"_s });
            QVERIFY(other.waitForStarted());
            content = QByteArray::number(other.processId()) + "\nsleep\n" + host + '\n';
        }
        QFile file(first.lockPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
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
    other.kill();
    other.waitForFinished();
}

void TestSingleInstance::secondCopyHandsOver_data()
{
    QTest::addColumn<int>("depth"); // bytes of the directory path below the temporary one
    QTest::addColumn<int>("idlePeers"); // connected to the running copy before, saying nothing
    QTest::newRow("plain") << 0 << 0;
    QTest::newRow("directory too deep for a socket path") << 120 << 0;
    QTest::newRow("idle peers up to the cap") << 0 << SingleInstance::MaximumPeers;
    QTest::newRow("both") << 120 << SingleInstance::MaximumPeers;
}

void TestSingleInstance::secondCopyHandsOver()
{
    QFETCH(int, depth);
    QFETCH(int, idlePeers);
    QString directory = m_dir->path();
    while (directory.size() < m_dir->path().size() + depth)
        directory += u'/' + QString(20, u'd');
    QVERIFY(QDir().mkpath(directory));
    SingleInstance running(directory, Key);
    QCOMPARE(running.claim(), SingleInstance::Role::Primary);
    QVERIFY2(running.errorString().isEmpty(), qPrintable(running.errorString()));
    QCOMPARE(running.socketIsAbstract(), depth > 0);
    QSignalSpy reopened(&running, &SingleInstance::reopened);

    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < idlePeers; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        if (running.socketIsAbstract())
            idle.back()->setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        idle.back()->connectToServer(running.socketPath());
        QVERIFY(idle.back()->waitForConnected(1000));
    }
    QCoreApplication::processEvents(); // the running copy takes them all in

    QProcess second;
    const QStringList arguments { QStringLiteral("--settings"), QString::fromUtf8("第二") };
    second.start(QStringLiteral(INSTANCE_CLIENT), QStringList { directory, Key } + arguments);
    QVERIFY(reopened.wait(20000));
    QCOMPARE(reopened.first().first().toStringList(), arguments);
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    // The newcomer took the place of the peer connected longest.
    if (idlePeers > 0)
        QTRY_COMPARE(idle.front()->state(), QLocalSocket::UnconnectedState);
}

void TestSingleInstance::silentRunningCopy()
{
    // The lock is held but nobody answers: the new copy gives up in time
    // and says so instead of starting a second set of hot keys. That holds
    // while the holder has not written the file yet, too.
    QLockFile holder(QDir(m_dir->path()).filePath(Key + QStringLiteral(".lock")));
    QVERIFY(holder.tryLock(0));
    QVERIFY(QFile(QDir(m_dir->path()).filePath(Key + QStringLiteral(".lock"))).resize(0));
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
    QTest::newRow("oversized") << QByteArray("DLIN\x01\x00\x00\x10\x01", 9) + QByteArray(4097, 'a');
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

void TestSingleInstance::keyFollowsServerNotScreen()
{
    QCOMPARE(SingleInstance::defaultKey(QStringLiteral(":0")), SingleInstance::defaultKey(QStringLiteral(":0.1")));
    QVERIFY(SingleInstance::defaultKey(QStringLiteral(":0")) != SingleInstance::defaultKey(QStringLiteral(":1")));
    QVERIFY(!SingleInstance::defaultKey(QStringLiteral("host/../x:0")).contains(u'/'));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
