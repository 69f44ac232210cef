// SPDX-License-Identifier: GPL-3.0-or-later
// The dartline program itself, started as a user would start it, on a
// private Xvfb: first launch and --settings, the second copy's hand-over,
// quitting and a crashed copy, the tray arriving late, and the command line
// without a display. Every process runs with its own config and runtime
// directories.

#include "tests/app/XWindows.h"
#include "tests/harness/X11TestMain.h"
#include "tests/harness/XTestClient.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

XServer &server()
{
    return *XServer::current();
}

const QString SettingsTitle = u"Dartline"_s;

} // namespace

class TestLaunch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void settingsAtLaunch_data();
    void settingsAtLaunch();
    void secondCopyHandsOver();
    void quitCleansUp();
    void startsOverLeftovers_data();
    void startsOverLeftovers();
    void trayArrivesLater();
    void commandLine_data();
    void commandLine();
    void jumpLogging_data();
    void jumpLogging();

private:
    std::unique_ptr<QProcess> start(const QStringList &arguments = {});
    // Reads the process's standard error until `line` appears.
    bool waitForLine(QProcess &process, const QByteArray &line, int timeoutMs = 10000);
    void writeHasLaunched(const QString &value);
    QProcessEnvironment environment() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_runtime; // $XDG_RUNTIME_DIR of every process
    QHash<QProcess *, QByteArray> m_errors;
};

void TestLaunch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkdir(u"config"_s));
    QVERIFY(QDir(m_dir->path()).mkdir(u"run"_s));
    QVERIFY(QFile::setPermissions(m_dir->filePath(u"run"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    m_runtime = m_dir->filePath(u"run"_s);
}

void TestLaunch::cleanup()
{
    m_errors.clear();
    m_dir.reset();
}

QProcessEnvironment TestLaunch::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, server().displayName());
    env.insert(u"XDG_CONFIG_HOME"_s, m_dir->filePath(u"config"_s));
    env.insert(u"XDG_RUNTIME_DIR"_s, m_runtime);
    env.insert(u"QT_LOGGING_RULES"_s, u"*.debug=false;org.dartline.Dartline.startup.info=true"_s);
    // No session bus: the tray is the XEmbed one of this server, if any.
    env.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
    env.remove(u"QT_QPA_PLATFORM"_s);
    return env;
}

std::unique_ptr<QProcess> TestLaunch::start(const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment());
    // waitForReadyRead() waits on this channel: the milestones are on stderr.
    process->setReadChannel(QProcess::StandardError);
    process->start(QStringLiteral(DARTLINE_BINARY), arguments);
    return process;
}

bool TestLaunch::waitForLine(QProcess &process, const QByteArray &line, int timeoutMs)
{
    QByteArray &seen = m_errors[&process];
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        seen += process.readAllStandardError();
        if (seen.split('\n').contains(line))
            return true;
        if (deadline.hasExpired() || process.state() == QProcess::NotRunning)
            return false;
        process.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
    }
}

void TestLaunch::writeHasLaunched(const QString &value)
{
    QFile ini(m_dir->filePath(u"config/org.dartline.Dartline.ini"_s));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[General]\nhasLaunched=" + value.toUtf8() + "\nanimateCursor=false\n");
}

static const QByteArray Launched = "org.dartline.Dartline.startup: launched";
static const QByteArray Registered = "org.dartline.Dartline.startup: hot keys registered";

void TestLaunch::settingsAtLaunch_data()
{
    QTest::addColumn<QString>("stored"); // "hasLaunched" before; empty: absent
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("opens");
    QTest::newRow("first launch") << QString() << QStringList() << true;
    QTest::newRow("later launch") << u"true"_s << QStringList() << false;
    QTest::newRow("later launch with --settings") << u"true"_s << QStringList { u"--settings"_s } << true;
    QTest::newRow("stored false") << u"false"_s << QStringList() << true;
    QTest::newRow("stored nonsense counts as absent") << u"yes"_s << QStringList() << true;
}

void TestLaunch::settingsAtLaunch()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, arguments);
    QFETCH(bool, opens);
    if (!stored.isEmpty())
        writeHasLaunched(stored);

    const auto dartline = start(arguments);
    QVERIFY(waitForLine(*dartline, Launched));
    QCOMPARE(XWindows::shown(server().displayName(), dartline->processId(), SettingsTitle), opens);

    dartline->terminate();
    QVERIFY(dartline->waitForFinished(5000));
    QCOMPARE(dartline->exitCode(), 0);
    const QSettings store(m_dir->filePath(u"config/org.dartline.Dartline.ini"_s), QSettings::IniFormat);
    // Written when the window was opened, and never taken back.
    QCOMPARE(store.value(u"hasLaunched"_s).toString(), opens ? u"true"_s : stored);
}

void TestLaunch::secondCopyHandsOver()
{
    writeHasLaunched(u"true"_s);
    const auto first = start();
    QVERIFY(waitForLine(*first, Launched));
    QVERIFY(!XWindows::shown(server().displayName(), first->processId(), SettingsTitle));

    const auto second = start();
    // A deadline for a hung copy only; how fast the hand-over is, is
    // measured by bench_startup, not here.
    QVERIFY(second->waitForFinished(30000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    // It ended before it made a model: no hot key was ever registered.
    QVERIFY(!second->readAllStandardError().contains(Registered));

    QTRY_VERIFY(XWindows::shown(server().displayName(), first->processId(), SettingsTitle));
    first->terminate();
    QVERIFY(first->waitForFinished(5000));
}

void TestLaunch::quitCleansUp()
{
    writeHasLaunched(u"true"_s);
    const auto dartline = start();
    QVERIFY(waitForLine(*dartline, Launched));
    const QDir run(m_dir->filePath(u"run"_s));
    QCOMPARE(run.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(), 2);

    dartline->terminate();
    QVERIFY(dartline->waitForFinished(5000));
    QCOMPARE(dartline->exitStatus(), QProcess::NormalExit);
    QCOMPARE(dartline->exitCode(), 0);
    QCOMPARE(run.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), QStringList());
}

void TestLaunch::startsOverLeftovers_data()
{
    QTest::addColumn<QString>("left");
    // A copy killed between creating its lock file and writing it.
    QTest::newRow("empty instance lock") << u"empty"_s;
    QTest::newRow("garbage instance lock") << u"garbage"_s;
    // A copy killed during a save leaves the settings' lock file, empty.
    QTest::newRow("settings lock") << u"settings"_s;
    QTest::newRow("runtime directory too deep for a socket path") << u"deep"_s;
}

void TestLaunch::startsOverLeftovers()
{
    QFETCH(QString, left);
    writeHasLaunched(u"true"_s);
    if (left == u"deep"_s) {
        while (m_runtime.size() < 120)
            m_runtime += u"/runtime"_s;
        QVERIFY(QDir().mkpath(m_runtime));
        QVERIFY(QFile::setPermissions(m_runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    } else if (left == u"settings"_s) {
        QFile lock(m_dir->filePath(u"config/org.dartline.Dartline.ini.lock"_s));
        QVERIFY(lock.open(QIODevice::WriteOnly));
    } else {
        const auto crashed = start();
        QVERIFY(waitForLine(*crashed, Launched));
        crashed->kill();
        QVERIFY(crashed->waitForFinished(5000));
        const QStringList locks = QDir(m_runtime).entryList({ u"*.lock"_s });
        QCOMPARE(locks.size(), 1);
        QFile lock(QDir(m_runtime).filePath(locks.constFirst()));
        QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (left == u"garbage"_s)
            lock.write("\x01\x02garbage");
    }

    // QSettings waits up to 30 s for a lock it cannot read.
    const auto first = start();
    QVERIFY(waitForLine(*first, Registered, 10000));
    QVERIFY(waitForLine(*first, Launched));
    const auto second = start({ u"--settings"_s });
    QVERIFY(second->waitForFinished(30000));
    QCOMPARE(second->exitCode(), 0);
    QTRY_VERIFY(XWindows::shown(server().displayName(), first->processId(), SettingsTitle));
    first->terminate();
    QVERIFY(first->waitForFinished(5000));
    QCOMPARE(first->exitCode(), 0);
}

void TestLaunch::trayArrivesLater()
{
    writeHasLaunched(u"true"_s);
    const auto dartline = start();
    QVERIFY(waitForLine(*dartline, Launched));
    // Said once, with the way to the settings.
    QCOMPARE(m_errors[dartline.get()].count("dartline --settings"), 2); // the Chinese and the English line
    QCOMPARE(m_errors[dartline.get()].count("no system tray found"), 1);

    QProcess tray;
    tray.setProcessEnvironment(environment());
    tray.start(u"trayer"_s, { u"--edge"_s, u"top"_s });
    QVERIFY(tray.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(XWindows::docked(server().displayName(), u"Dartline"_s), 10000);

    dartline->terminate();
    QVERIFY(dartline->waitForFinished(5000));
    tray.terminate();
    tray.waitForFinished(5000);
}

void TestLaunch::commandLine_data()
{
    QTest::addColumn<bool>("display");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output"); // expected in stdout and stderr together
    QTest::newRow("--version without display")
        << false << QStringList { u"--version"_s } << 0 << QByteArray("dartline " DARTLINE_VERSION "\n");
    QTest::newRow("--help without display") << false << QStringList { u"--help"_s } << 0 << QByteArray("--settings");
    QTest::newRow("no display") << false << QStringList() << 1 << QByteArray("DISPLAY");
    QTest::newRow("unknown option") << true << QStringList { u"--bogus"_s } << 2 << QByteArray("bogus");
    QTest::newRow("stray argument") << true << QStringList { u"file.txt"_s } << 2 << QByteArray("file.txt");
    // Qt's own single-dash options are not bundles of letters: -reverse is no -v.
    QTest::newRow("Qt option then version")
        << false << QStringList { u"-reverse"_s, u"--version"_s } << 0 << QByteArray("dartline " DARTLINE_VERSION "\n");
}

void TestLaunch::commandLine()
{
    QFETCH(bool, display);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QProcess dartline;
    QProcessEnvironment env = environment();
    if (!display)
        env.remove(u"DISPLAY"_s);
    dartline.setProcessEnvironment(env);
    dartline.start(QStringLiteral(DARTLINE_BINARY), arguments);
    QVERIFY(dartline.waitForFinished(5000));
    QCOMPARE(dartline.exitStatus(), QProcess::NormalExit);
    QCOMPARE(dartline.exitCode(), exitCode);
    const QByteArray all = dartline.readAllStandardOutput() + dartline.readAllStandardError();
    QVERIFY2(all.contains(output), all.constData());
}

void TestLaunch::jumpLogging_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("rules"); // QT_LOGGING_RULES; empty: unset
    QTest::addColumn<bool>("printed");
    QTest::newRow("quiet by default") << QStringList() << QString() << false;
    QTest::newRow("--verbose") << QStringList { u"--verbose"_s } << QString() << true;
    QTest::newRow("QT_LOGGING_RULES") << QStringList() << u"org.dartline.Dartline.cursor.info=true"_s << true;
}

void TestLaunch::jumpLogging()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, rules);
    QFETCH(bool, printed);
    writeHasLaunched(u"true"_s);
    QProcessEnvironment env = environment();
    env.remove(u"QT_LOGGING_RULES"_s);
    if (!rules.isEmpty())
        env.insert(u"QT_LOGGING_RULES"_s, rules);
    QProcess dartline;
    dartline.setProcessEnvironment(env);
    dartline.start(QStringLiteral(DARTLINE_BINARY), arguments);

    // The first display's default shortcut, pressed until the pointer jumps
    // (the hot key is live only once start-up is done).
    XTestClient input(server().displayName());
    QVERIFY(input.movePointer(QPoint(3, 3)));
    const QPoint centre(server().size().width() / 2, server().size().height() / 2);
    QTRY_VERIFY_WITH_TIMEOUT(input.typeCombination(u"Alt_L+1"_s) && input.pointer() == centre, 10000);

    dartline.terminate();
    QVERIFY(dartline.waitForFinished(5000));
    const QByteArray errors = dartline.readAllStandardError();
    QVERIFY2(errors.contains("org.dartline.Dartline.cursor: Cursor moved") == printed, errors.constData());
}

DARTLINE_X11_TEST_MAIN_WITH(TestLaunch, XServer::Kind::Xvfb)
#include "tst_launch.moc"
