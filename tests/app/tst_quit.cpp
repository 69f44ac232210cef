// SPDX-License-Identifier: GPL-3.0-or-later
// Every way of quitting ends the dartline program, whatever it shows at the
// time, on a desktop of openbox with a tint2 panel whose tray docks the icon
// over XEmbed. Each case runs many times: which window Qt looks at first
// differs from run to run.

#include "tests/app/DartlineProcess.h"
#include "tests/app/XWindows.h"
#include "tests/harness/X11TestMain.h"

#include <QElapsedTimer>

#include <algorithm>
#include <csignal>

using namespace Dartline;

using namespace Qt::StringLiterals;

#ifndef QUIT_REPEATS
#define QUIT_REPEATS 10
#endif

namespace {

XServer &server()
{
    return *XServer::current();
}

// A black panel along the top with only a tray in it.
constexpr char Tint2Config[] = R"(rounded = 0
border_width = 0
background_color = #000000 100
border_color = #000000 0
panel_items = S
panel_position = top left horizontal
panel_size = 240 32
panel_margin = 0 0
panel_padding = 2 2 2
panel_background_id = 1
panel_layer = top
wm_menu = 0
systray_padding = 2 2 2
systray_icon_size = 24
)";

enum class Shown { Nothing, Settings, About, Pulse };
enum class Path { Terminate, Interrupt, HangUp, ControlQ, TrayMenu };

} // namespace

class TestQuit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void quitEnds_data();
    void quitEnds();

private:
    bool openTrayMenu(DartlineProcess &dartline);

    QTemporaryDir m_dir;
    QProcess m_windowManager;
    QProcess m_panel;
    std::unique_ptr<XTestClient> m_input;
    QList<qint64> m_quitTimes;
};

void TestQuit::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, m_dir.path());
    env.insert(u"XDG_CONFIG_HOME"_s, m_dir.path());
    env.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
    m_windowManager.setProcessEnvironment(env);
    m_windowManager.start(u"openbox"_s, { u"--sm-disable"_s });
    QVERIFY2(m_windowManager.waitForStarted(5000), "openbox is needed for the quit tests");
    QTRY_VERIFY_WITH_TIMEOUT(XWindows::selectionOwned(server().displayName(), "WM_S0"), 10000);

    QFile config(m_dir.filePath(u"tint2rc"_s));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(Tint2Config);
    config.close();
    m_panel.setProcessEnvironment(env);
    m_panel.start(u"tint2"_s, { u"-c"_s, config.fileName() });
    QVERIFY2(m_panel.waitForStarted(5000), "tint2 is needed for the quit tests");
    QTRY_VERIFY_WITH_TIMEOUT(XWindows::selectionOwned(server().displayName(), "_NET_SYSTEM_TRAY_S0"), 10000);
    m_input = std::make_unique<XTestClient>(server().displayName());
}

void TestQuit::cleanupTestCase()
{
    if (!m_quitTimes.isEmpty()) {
        std::sort(m_quitTimes.begin(), m_quitTimes.end());
        qInfo("quit request to process end over %lld runs: median %lld ms, slowest %lld ms",
            static_cast<long long>(m_quitTimes.size()), static_cast<long long>(m_quitTimes.at(m_quitTimes.size() / 2)),
            static_cast<long long>(m_quitTimes.constLast()));
    }
    m_panel.terminate();
    m_panel.waitForFinished(5000);
    m_windowManager.terminate();
    m_windowManager.waitForFinished(5000);
}

bool TestQuit::openTrayMenu(DartlineProcess &dartline)
{
    const QString display = server().displayName();
    std::optional<QRect> icon;
    if (!QTest::qWaitFor([&] { return (icon = XWindows::dockedGeometry(display, u"Dartline"_s)).has_value(); }, 10000))
        return false;
    // Right after a window of the program took the focus, Qt may let a click
    // on the icon pass; a user clicks again, and so does this.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!m_input->movePointer(icon->center()) || !m_input->pressButton(3) || !m_input->releaseButton(3))
            return false;
        if (QTest::qWaitFor(
                [&] {
                    // Open, and holding the keyboard for its arrow keys.
                    return XWindows::overlayShown(display, dartline.pid(), "_NET_WM_WINDOW_TYPE_NORMAL")
                        && XWindows::keyboardGrabbed(display);
                },
                1000))
            return true;
    }
    return false;
}

void TestQuit::quitEnds_data()
{
    QTest::addColumn<Path>("path");
    QTest::addColumn<Shown>("shown");
    const std::pair<const char *, Shown> states[] = { { "nothing open", Shown::Nothing },
        { "settings open", Shown::Settings }, { "About open", Shown::About }, { "pulse running", Shown::Pulse } };
    const std::pair<const char *, Path> paths[] = { { "SIGTERM", Path::Terminate }, { "SIGINT", Path::Interrupt },
        { "SIGHUP", Path::HangUp }, { "Ctrl+Q", Path::ControlQ }, { "tray menu", Path::TrayMenu } };
    for (const auto &[pathName, path] : paths) {
        for (const auto &[stateName, state] : states) {
            // Ctrl+Q belongs to the windows.
            if (path == Path::ControlQ && state != Shown::Settings && state != Shown::About)
                continue;
            QTest::addRow("%s, %s", pathName, stateName) << path << state;
        }
    }
}

void TestQuit::quitEnds()
{
    QFETCH(Path, path);
    QFETCH(Shown, shown);
    const QString display = server().displayName();

    for (int run = 0; run < QUIT_REPEATS; ++run) {
        DartlineProcess dartline;
        QVERIFY(dartline.isValid());
        QVERIFY(dartline.writeStore(shown == Shown::Pulse ? "hasLaunched=true\nanimateCursor=true\n"
                                                          : "hasLaunched=true\nanimateCursor=false\n"));
        dartline.start(shown == Shown::Settings ? QStringList { u"--settings"_s } : QStringList());
        QVERIFY2(dartline.waitForLaunched(), dartline.standardError().constData());
        QTRY_VERIFY_WITH_TIMEOUT(XWindows::docked(display, u"dartline"_s), 10000);

        switch (shown) {
        case Shown::Nothing:
            break;
        case Shown::Settings:
            QTRY_VERIFY_WITH_TIMEOUT(XWindows::shown(display, dartline.pid(), u"Dartline"_s), 10000);
            QTRY_COMPARE_WITH_TIMEOUT(XWindows::focusedProcess(display), dartline.pid(), 10000);
            break;
        case Shown::About:
            // The menu's last items: About, a separator, Quit.
            QVERIFY(openTrayMenu(dartline));
            QVERIFY(m_input->tapKey(u"Up"_s) && m_input->tapKey(u"Up"_s) && m_input->tapKey(u"Return"_s));
            QTRY_VERIFY_WITH_TIMEOUT(XWindows::shown(display, dartline.pid(), u"关于 Dartline"_s), 10000);
            // Settled: the window manager has given it the focus.
            QTRY_COMPARE_WITH_TIMEOUT(XWindows::focusedProcess(display), dartline.pid(), 10000);
            break;
        case Shown::Pulse:
            QVERIFY(m_input->typeCombination(u"Alt_L+1"_s));
            QTRY_VERIFY_WITH_TIMEOUT(
                XWindows::overlayShown(display, dartline.pid(), "_NET_WM_WINDOW_TYPE_UTILITY"), 10000);
            break;
        }

        QElapsedTimer sinceRequest;
        switch (path) {
        case Path::Terminate:
        case Path::Interrupt:
        case Path::HangUp: {
            const int signalNumber = path == Path::Terminate ? SIGTERM : (path == Path::Interrupt ? SIGINT : SIGHUP);
            sinceRequest.start();
            QCOMPARE(::kill(static_cast<pid_t>(dartline.pid()), signalNumber), 0);
            break;
        }
        case Path::ControlQ:
            QTRY_COMPARE_WITH_TIMEOUT(XWindows::focusedProcess(display), dartline.pid(), 10000);
            sinceRequest.start();
            QVERIFY(m_input->typeCombination(u"Control_L+q"_s));
            break;
        case Path::TrayMenu:
            QVERIFY(openTrayMenu(dartline));
            QVERIFY(m_input->tapKey(u"Up"_s));
            sinceRequest.start();
            QVERIFY(m_input->tapKey(u"Return"_s));
            break;
        }
        // A deadline for a process that stays; the time it took is reported.
        QVERIFY2(dartline.process().waitForFinished(5000), qPrintable(u"run %1 did not end"_s.arg(run + 1)));
        m_quitTimes.append(sinceRequest.elapsed());
        QCOMPARE(dartline.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(dartline.process().exitCode(), 0);
    }
}

DARTLINE_X11_TEST_MAIN_WITH(TestQuit, XServer::Kind::Xvfb)
#include "tst_quit.moc"
