// SPDX-License-Identifier: GPL-3.0-or-later
// The dartline program on a private Xvfb, without a tray, then with openbox and a tint2 XEmbed tray.

#include "tests/app/DartlineProcess.h"
#include "tests/harness/X11TestMain.h"

#include <QScopeGuard>
#include <QSettings>

#include <csignal>

using namespace Dartline;
using namespace Qt::StringLiterals;

namespace {

const QString SettingsTitle = u"Dartline"_s;
enum class Shown { Settings, About, Pulse };
enum class Path { Signal, ControlQ, TrayMenu };
enum class Before { NoDisplay, Idle, Running }; // what the command line finds

// xdotool, quietly: failing is an answer too.
bool xdotool(const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess run;
    run.start(u"xdotool"_s, arguments);
    const bool ok = run.waitForFinished(5000) && run.exitCode() == 0;
    if (output)
        *output = run.readAllStandardOutput().trimmed();
    return ok;
}

// The program has a viewable window titled `title`, framed or not.
bool shown(const DartlineProcess &dartline, const QString &title)
{
    return xdotool({ u"search"_s, u"--all"_s, u"--onlyvisible"_s, u"--pid"_s,
        QString::number(dartline.process.processId()), u"--name"_s, u'^' + title + u'$' });
}

QStringList runtimeEntries(const DartlineProcess &dartline)
{
    return QDir(dartline.runtimeDirectory()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
}

} // namespace

class TestLaunch : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Companion m_windowManager;
    Companion m_panel;
    XTestClient m_input { server().displayName() };

    void startDesktop()
    {
        if (m_panel.state() != QProcess::NotRunning)
            return;
        m_windowManager.start(u"openbox"_s, { u"--sm-disable"_s });
        const QString config = m_dir.filePath(u"tint2rc"_s);
        QVERIFY(writeFile(config, "panel_items = S\npanel_size = 240 32\n"));
        m_panel.start(u"tint2"_s, { u"-c"_s, config });
        QVERIFY2(m_windowManager.waitForStarted(5000) && m_panel.waitForStarted(5000), "openbox and tint2 are needed");
    }

    bool openTrayMenu()
    {
        std::optional<QRect> icon;
        if (!QTest::qWaitFor([&] { return (icon = dockedIcon()).has_value(); }, 10000))
            return false;
        // Right after a window took the focus, Qt may let a click on the icon pass; a user clicks
        // again, and so does this. Open, the menu holds the keyboard for its arrow keys.
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (!m_input.movePointer(icon->center()) || !m_input.pressButton(3) || !m_input.releaseButton(3))
                return false;
            if (QTest::qWaitFor([&] { return m_input.grabKeyboard() == 1 || (m_input.ungrabKeyboard(), false); }, 1000))
                return true;
        }
        return false;
    }

private Q_SLOTS:
    void trayArrivesLater()
    {
        DartlineProcess dartline;
        QVERIFY(dartline.writeStore());
        dartline.start();
        QVERIFY(dartline.waitForLine());
        // Said once, in the session's language (English here), with the way to the settings.
        QCOMPARE(dartline.standardError().count("no system tray found; the shortcuts work. To open the settings run: "
                                                "dartline --settings"),
            1);
        startDesktop();
        QTRY_VERIFY_WITH_TIMEOUT(dockedIcon(), 20000);
        dartline.process.terminate();
        QVERIFY(dartline.ends());
    }

    void launch_data()
    {
        QTest::addColumn<QByteArray>("stored"); // hasLaunched
        QTest::addColumn<QString>("arguments"); // split at spaces
        QTest::addColumn<QString>("rules"); // QT_LOGGING_RULES beside the start-up milestones
        QTest::addColumn<bool>("logged"); // the jump
        QTest::addColumn<QString>("wayland"); // WAYLAND_DISPLAY, of a compositor with no route of its own
        QTest::newRow("first launch") << QByteArray() << QString() << QString() << false << QString();
        // XWayland of another compositor: the X11 route, with the user told what it cannot reach.
        QTest::newRow("unknown Wayland compositor")
            << QByteArray() << QString() << QString() << false << u"wayland-other"_s;
        QTest::newRow("--settings --verbose")
            << "true"_ba << u"--settings --verbose"_s << QString() << true << QString();
        QTest::newRow("nonsense stored, logging rules")
            << "yes"_ba << QString() << u";org.dartline.Dartline.cursor.info=true"_s << true << QString();
    }

    void launch()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, arguments);
        QFETCH(QString, rules);
        QFETCH(QString, wayland);
        DartlineProcess dartline;
        if (!wayland.isEmpty())
            dartline.environment.insert(u"WAYLAND_DISPLAY"_s, wayland);
        QVERIFY(dartline.writeStore(stored.isEmpty() ? "animateCursor=false\n" : "hasLaunched=" + stored + '\n'));
        dartline.environment.insert(u"QT_LOGGING_RULES"_s, dartline.environment.value(u"QT_LOGGING_RULES"_s) + rules);
        dartline.start(arguments.split(u' ', Qt::SkipEmptyParts));
        QVERIFY(dartline.waitForLine());
        QTRY_VERIFY(shown(dartline, SettingsTitle));
        // The first display's default shortcut takes the pointer to its centre.
        QVERIFY(m_input.movePointer(QPoint(3, 3)) && m_input.typeCombination(u"Alt_L+1"_s));
        QTRY_COMPARE(m_input.pointer(), std::optional<QPoint>(QPoint(512, 384)));
        dartline.process.terminate();
        QVERIFY(dartline.ends());
        QTEST(dartline.standardError().contains("org.dartline.Dartline.cursor: Cursor moved"), "logged");
        QCOMPARE(dartline.standardError().contains("offers no route"), !wayland.isEmpty());
        // Written when the window opened, and never taken back.
        const QSettings store(dartline.storePath(), QSettings::IniFormat);
        QCOMPARE(store.value(u"hasLaunched"_s).toByteArray(), QByteArray("true"));
    }

    void secondCopyHandsOver_data()
    {
        QTest::addColumn<bool>("settingsLock");
        QTest::newRow("nothing left") << false;
        // A copy killed during a save leaves the settings' lock file, empty.
        QTest::newRow("settings lock") << true;
    }

    void secondCopyHandsOver()
    {
        QFETCH(bool, settingsLock);
        DartlineProcess first;
        QVERIFY(first.writeStore());
        QFile lock(first.storePath() + u".lock"_s);
        QVERIFY(!settingsLock || lock.open(QIODevice::WriteOnly));
        first.start();
        QVERIFY(first.waitForLine());
        QVERIFY(!shown(first, SettingsTitle));
        QVERIFY(!runtimeEntries(first).isEmpty());
        DartlineProcess second(&first.environment);
        second.start();
        QVERIFY(second.ends(30000));
        // It ended before it made a model: no hot key was ever registered.
        QVERIFY(!second.standardError().contains("hot keys registered"));
        QTRY_VERIFY(shown(first, SettingsTitle));
        first.process.terminate();
        QVERIFY(first.ends());
        QCOMPARE(runtimeEntries(first), QStringList());
    }

    // The command line alone, or to a running copy on two monitors (the bus's Jump is tested in a GNOME session).
    void commandLine_data()
    {
        QTest::addColumn<Before>("before");
        QTest::addColumn<QString>("arguments"); // split at spaces
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output"); // in stdout or stderr
        QTest::addColumn<QPoint>("landed");
        const QByteArray version = "dartline " DARTLINE_VERSION "\n";
        const QPoint left(256, 384), right(768, 384), untouched(5, 5);
        QTest::newRow("--help, no display") << Before::NoDisplay << u"--help"_s << 0 << "--settings"_ba << untouched;
        QTest::newRow("no display") << Before::NoDisplay << QString() << 1 << "DISPLAY"_ba << untouched;
        // Qt's own single-dash options are not bundles of letters: -reverse is no -v.
        QTest::newRow("Qt option, --version")
            << Before::NoDisplay << u"-reverse --version"_s << 0 << version << untouched;
        QTest::newRow("unknown option") << Before::Idle << u"--bogus"_s << 2 << "bogus"_ba << untouched;
        QTest::newRow("stray argument") << Before::Idle << u"file.txt"_s << 2 << "file.txt"_ba << untouched;
        QTest::newRow("--jump 2") << Before::Running << u"--jump 2"_s << 0 << QByteArray() << right;
        QTest::newRow("--jump 1") << Before::Running << u"--jump 1"_s << 0 << QByteArray() << left;
        QTest::newRow("--jump 3") << Before::Running << u"--jump 3"_s << 1 << "numbered 1 to 2"_ba << untouched;
        QTest::newRow("--jump zero") << Before::Running << u"--jump 0"_s << 2 << "from 1 on"_ba << untouched;
        QTest::newRow("--jump-id unknown") << Before::Running << u"--jump-id nope"_s << 1 << "nope"_ba << untouched;
        QTest::newRow("nothing running") << Before::Idle << u"--jump 1"_s << 1 << "not running"_ba << untouched;
    }

    void commandLine()
    {
        QFETCH(Before, before);
        QFETCH(QString, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        QFETCH(QPoint, landed);
        QVERIFY(server().xrandr(u"--setmonitor LEFT 512/135x768/203+0+0 screen"_s.split(u' ')));
        QVERIFY(server().xrandr(u"--setmonitor RIGHT 512/135x768/203+512+0 none"_s.split(u' ')));
        const auto resetMonitors = qScopeGuard([] { server().resetOutputs(); });
        DartlineProcess running;
        QVERIFY(running.writeStore());
        if (before == Before::Running) {
            running.start();
            QVERIFY(running.waitForLine());
        }
        if (before == Before::NoDisplay)
            running.environment.remove(u"DISPLAY"_s);
        QVERIFY(m_input.movePointer(QPoint(5, 5)));
        DartlineProcess asking(&running.environment);
        asking.start(arguments.split(u' ', Qt::SkipEmptyParts));
        QVERIFY(asking.process.waitForFinished(5000));
        QCOMPARE(asking.process.exitCode(), exitCode);
        const QByteArray all = asking.process.readAllStandardOutput() + asking.standardError();
        QVERIFY2(all.contains(output), all.constData());
        QTRY_COMPARE(m_input.pointer(), std::optional(landed));
    }

    void quitEnds_data()
    {
        QTest::addColumn<Path>("path");
        QTest::addColumn<int>("signal");
        QTest::addColumn<Shown>("shown");
        QTest::newRow("SIGTERM, settings open") << Path::Signal << SIGTERM << Shown::Settings;
        QTest::newRow("SIGINT, About open") << Path::Signal << SIGINT << Shown::About;
        QTest::newRow("SIGHUP, pulse running") << Path::Signal << SIGHUP << Shown::Pulse;
        QTest::newRow("Ctrl+Q, settings open") << Path::ControlQ << 0 << Shown::Settings;
        QTest::newRow("Ctrl+Q, About open") << Path::ControlQ << 0 << Shown::About;
        QTest::newRow("tray menu, settings open") << Path::TrayMenu << 0 << Shown::Settings;
        QTest::newRow("tray menu, pulse running") << Path::TrayMenu << 0 << Shown::Pulse;
    }

    void quitEnds()
    {
        QFETCH(Path, path);
        QFETCH(int, signal);
        QFETCH(Shown, shown);
        startDesktop();
        // Which window Qt looks at first differs from run to run: a stress run repeats each row.
        for (int run = qMax(1, qEnvironmentVariableIntValue("DARTLINE_QUIT_REPEATS")); run > 0; --run) {
            DartlineProcess dartline;
            QVERIFY(shown == Shown::Pulse ? dartline.writeStore("hasLaunched=true\n") : dartline.writeStore());
            dartline.start(shown == Shown::Settings ? QStringList { u"--settings"_s } : QStringList());
            QVERIFY(dartline.waitForLine());
            QTRY_VERIFY_WITH_TIMEOUT(dockedIcon(), 10000);
            // The menu's last items: About, a separator, Quit.
            if (shown == Shown::About)
                QVERIFY(openTrayMenu() && m_input.tapKey(u"Up"_s) && m_input.tapKey(u"Up"_s)
                    && m_input.tapKey(u"Return"_s));
            if (shown == Shown::Pulse) {
                QVERIFY(m_input.typeCombination(u"Alt_L+1"_s));
            } else {
                QTRY_VERIFY_WITH_TIMEOUT(
                    ::shown(dartline, shown == Shown::About ? u"About Dartline"_s : SettingsTitle), 10000);
                // Settled: the window manager has given it the focus.
                QByteArray pid;
                QTRY_VERIFY_WITH_TIMEOUT(xdotool({ u"getwindowfocus"_s, u"getwindowpid"_s }, &pid)
                        && pid.toLongLong() == dartline.process.processId(),
                    10000);
            }
            if (path == Path::Signal)
                QCOMPARE(::kill(static_cast<pid_t>(dartline.process.processId()), signal), 0);
            else if (path == Path::ControlQ)
                QVERIFY(m_input.typeCombination(u"Control_L+q"_s));
            else
                QVERIFY(openTrayMenu() && m_input.tapKey(u"Up"_s) && m_input.tapKey(u"Return"_s));
            QVERIFY(dartline.ends());
            QCOMPARE(runtimeEntries(dartline), QStringList());
        }
    }
};

DARTLINE_X11_TEST_MAIN_WITH(TestLaunch, XServer::Kind::Xvfb)
#include "tst_launch.moc"
