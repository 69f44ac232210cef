// SPDX-License-Identifier: GPL-3.0-or-later
// The settings and About windows on a real X server: one window reused
// however often it is shown, the minimum size the window manager is told,
// the frame kept for the next run, closing ends a recording, and the window
// keys pressed as real key presses.

#include "tests/ui/UiFixture.h"

#include "tests/harness/X11TestMain.h"
#include "ui/AboutWindow.h"
#include "ui/LinkButton.h"
#include "ui/SettingsView.h"
#include "ui/SettingsWindow.h"
#include "ui/ThemedLabel.h"
#include "ui/WindowActions.h"

#include <QAction>
#include <QApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>

#include <xcb/xcb.h>

#include <memory>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

XServer &server()
{
    return *XServer::current();
}

// Run in a second process by frameRestoredInNextRun().
const char *const FrameStoreVariable = "DARTLINE_UI_FRAME_STORE";
const char *const FrameExpectVariable = "DARTLINE_UI_FRAME_EXPECT";

// The minimum size in the window's WM_NORMAL_HINTS, as a window manager reads it.
QSize hintedMinimum(quint32 window)
{
    xcb_connection_t *c = xcb_connect(server().displayName().toLatin1().constData(), nullptr);
    QSize size;
    if (!xcb_connection_has_error(c)) {
        const xcb_get_property_cookie_t cookie
            = xcb_get_property(c, 0, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 0, 18);
        if (xcb_get_property_reply_t *reply = xcb_get_property_reply(c, cookie, nullptr)) {
            const auto *values = static_cast<const quint32 *>(xcb_get_property_value(reply));
            constexpr quint32 MinimumSizeFlag = 1 << 4;
            if (xcb_get_property_value_length(reply) >= 7 * 4 && (values[0] & MinimumSizeFlag))
                size = QSize(static_cast<int>(values[5]), static_cast<int>(values[6]));
            free(reply);
        }
    }
    xcb_disconnect(c);
    return size;
}

} // namespace

class TestUiWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void oneWindowReused();
    void minimumSize();
    void frameRestoredInNextRun();
    void restoreFrameChild();
    void closingEndsRecording();
    void aboutWindow();
    void shownOnAConnectedMonitor_data();
    void shownOnAConnectedMonitor();
    void windowKeys_data();
    void windowKeys();
    void hostActionsTakeTheKeys();
    void quitWithWindowsOpenAndClosed();

private:
    SettingsWindow &makeWindow();
    void press(const QString &key);

    std::unique_ptr<UiFixture> m_fixture;
    std::unique_ptr<SettingsWindow> m_window;
    std::unique_ptr<XTestClient> m_input;
};

void TestUiWindows::initTestCase()
{
    UiFixture::isolateTheme();
}

void TestUiWindows::init()
{
    m_fixture = std::make_unique<UiFixture>();
    m_fixture->platform.displays().setScreens(UiFixture::threeScreens().mid(0, 2));
    m_fixture->start();
    m_input = std::make_unique<XTestClient>(server().displayName());
}

void TestUiWindows::cleanup()
{
    m_window.reset();
    m_fixture.reset();
    m_input.reset();
    if (QGuiApplication::screens().size() != 1) {
        QVERIFY(server().resetOutputs());
        QTRY_COMPARE(QGuiApplication::screens().size(), 1);
    }
}

SettingsWindow &TestUiWindows::makeWindow()
{
    m_window
        = std::make_unique<SettingsWindow>(*m_fixture->model, m_fixture->platform.keyboard(), *m_fixture->store, [] {});
    return *m_window;
}

void TestUiWindows::press(const QString &key)
{
    QVERIFY(m_input->pressKey(u"Control_L"_s));
    QVERIFY(m_input->tapKey(key));
    QVERIFY(m_input->releaseKey(u"Control_L"_s));
}

void TestUiWindows::oneWindowReused()
{
    SettingsWindow &window = makeWindow();
    QSignalSpy closed(&window, &SettingsWindow::closed);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.size(), QSize(680, 650));
    const WId id = window.winId();
    window.move(40, 30);
    QTRY_COMPARE(window.pos(), QPoint(40, 30));

    for (int round = 0; round < 3; ++round) {
        window.close();
        QVERIFY(!window.isVisible());
        QCOMPARE(closed.size(), round + 1);
        window.show();
        window.show(); // asked for twice
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.winId(), id);
        QCOMPARE(window.pos(), QPoint(40, 30));
    }
    // The server sees one mapped window with that title.
    QByteArray found;
    QVERIFY(server().xdotool({ u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^Dartline$"_s }, &found));
    QCOMPARE(found.trimmed().split('\n').size(), 1);

    // Without a tray, About is a click away: the footer's link, clicked with
    // the real pointer.
    QSignalSpy about(&window, &SettingsWindow::aboutRequested);
    LinkButton *link = window.view()->aboutLink();
    QVERIFY(m_input->movePointer(link->mapToGlobal(link->rect().center())));
    QVERIFY(m_input->pressButton(1));
    QVERIFY(m_input->releaseButton(1));
    QTRY_COMPARE(about.size(), 1);
}

void TestUiWindows::minimumSize()
{
    SettingsWindow &window = makeWindow();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(hintedMinimum(static_cast<quint32>(window.winId())), QSize(640, 590));
    // The smallest window is the smallest view: nothing cut off, nothing spare.
    QCOMPARE(window.view()->minimumSize(), window.minimumSize());
    window.resize(300, 200);
    QTRY_COMPARE(window.size(), QSize(640, 590));
    QCOMPARE(window.view()->size(), QSize(640, 590));
}

void TestUiWindows::frameRestoredInNextRun()
{
    const QRect frame(150, 120, 720, 640);
    {
        SettingsWindow &window = makeWindow();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.setGeometry(frame);
        QTRY_COMPARE(window.geometry(), frame);
        window.close();
        m_window.reset();
        m_fixture->store->sync();
    }

    // A second run of this program, on a server of its own of the same size.
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(FrameStoreVariable), m_fixture->store->fileName());
    env.insert(QString::fromLatin1(FrameExpectVariable),
        u"%1,%2,%3,%4"_s.arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height()));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), { u"restoreFrameChild"_s });
    QVERIFY(child.waitForFinished(120000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
    QVERIFY2(output.contains("PASS   : TestUiWindows::restoreFrameChild()"), output.constData());
}

void TestUiWindows::restoreFrameChild()
{
    const QString storePath = qEnvironmentVariable(FrameStoreVariable);
    if (storePath.isEmpty())
        QSKIP("runs as the second process of frameRestoredInNextRun()");
    const QStringList parts = qEnvironmentVariable(FrameExpectVariable).split(u',');
    QCOMPARE(parts.size(), 4);
    const QRect expected(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());

    QSettings frames(storePath, QSettings::IniFormat);
    SettingsWindow window(*m_fixture->model, m_fixture->platform.keyboard(), frames, [] {});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.geometry(), expected);
}

void TestUiWindows::closingEndsRecording()
{
    SettingsWindow &window = makeWindow();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    AppModel &model = *m_fixture->model;
    model.beginRecording(model.displays().first().id);
    QVERIFY(m_fixture->platform.hotKeys().live().isEmpty()); // recording pauses them

    QSignalSpy closed(&window, &SettingsWindow::closed);
    window.close();
    QCOMPARE(closed.size(), 1);
    QVERIFY(!model.recordingID());
    QCOMPARE(m_fixture->platform.hotKeys().live().size(), 2);
    QTRY_COMPARE(window.view()->hintLabel()->text(), u"点击键帽可重新设置。关闭窗口后，Dartline 会留在系统托盘。"_s);
}

void TestUiWindows::aboutWindow()
{
    AboutWindow about;
    QSignalSpy closed(&about, &AboutWindow::closed);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.windowTitle(), u"关于 Dartline"_s);
    QCOMPARE(about.width(), 300);
    QCOMPARE(about.minimumSize(), about.maximumSize()); // not resizable
    QCOMPARE(hintedMinimum(static_cast<quint32>(about.winId())), about.size());
    QVERIFY(!(about.windowFlags() & Qt::WindowMinimizeButtonHint));
    about.close();
    QVERIFY(!about.isVisible());
    QCOMPARE(closed.size(), 1);

    // Esc, pressed on the keyboard, closes it as well.
    about.show();
    about.activateWindow();
    QTRY_VERIFY(about.isActiveWindow());
    QVERIFY(m_input->tapKey(u"Escape"_s));
    QTRY_COMPARE(closed.size(), 2);
    QVERIFY(!about.isVisible());
}

void TestUiWindows::shownOnAConnectedMonitor_data()
{
    QTest::addColumn<bool>("about");
    QTest::addColumn<bool>("switchOff"); // false: left hanging off the right edge
    QTest::newRow("settings, monitor switched off") << false << true;
    QTest::newRow("About, monitor switched off") << true << true;
    QTest::newRow("settings, partly off the screen") << false << false;
}

void TestUiWindows::shownOnAConnectedMonitor()
{
    QFETCH(bool, about);
    QFETCH(bool, switchOff);

    // The window is put on DUMMY1, right of DUMMY0, or across DUMMY0's right
    // edge with nothing beyond it, and closed.
    if (switchOff) {
        QVERIFY(
            server().xrandr({ u"--output"_s, u"DUMMY1"_s, u"--mode"_s, u"1024x768"_s, u"--right-of"_s, u"DUMMY0"_s }));
        QTRY_COMPARE(QGuiApplication::screens().size(), 2);
    }
    std::unique_ptr<AboutWindow> aboutWindow;
    QWidget *window = &makeWindow();
    if (about) {
        aboutWindow = std::make_unique<AboutWindow>();
        window = aboutWindow.get();
    }
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QPoint away = switchOff ? QPoint(1024 + 200, 60) : QPoint(1024 - window->width() / 2, 60);
    window->move(away);
    QTRY_COMPARE(window->pos(), away);
    window->close();
    QTRY_VERIFY(!window->isVisible());
    if (switchOff) {
        QVERIFY(server().xrandr({ u"--output"_s, u"DUMMY1"_s, u"--off"_s }));
        QTRY_COMPARE(QGuiApplication::screens().size(), 1);
    }

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QRect dummy0(0, 0, 1024, 768);
    QTRY_VERIFY2(dummy0.contains(window->frameGeometry()),
        qPrintable(u"%1,%2 %3x%4"_s.arg(window->x()).arg(window->y()).arg(window->width()).arg(window->height())));
}

void TestUiWindows::windowKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("signal"); // "closed", "settings", "quit"
    QTest::newRow("Ctrl+W closes") << u"w"_s << u"closed"_s;
    QTest::newRow("Ctrl+, asks for settings") << u"comma"_s << u"settings"_s;
    QTest::newRow("Ctrl+Q asks to quit") << u"q"_s << u"quit"_s;
}

void TestUiWindows::windowKeys()
{
    QFETCH(QString, key);
    QFETCH(QString, signal);

    SettingsWindow &window = makeWindow();
    QSignalSpy closed(&window, &SettingsWindow::closed);
    QSignalSpy settings(&window, &SettingsWindow::settingsRequested);
    QSignalSpy quit(&window, &SettingsWindow::quitRequested);
    window.show();
    window.activateWindow();
    QTRY_VERIFY(window.isActiveWindow());

    press(key);
    QSignalSpy &wanted = signal == u"closed"_s ? closed : signal == u"settings"_s ? settings : quit;
    QTRY_COMPARE(wanted.size(), 1);
    QCOMPARE(closed.size() + settings.size() + quit.size(), 1);
    QCOMPARE(window.isVisible(), signal != u"closed"_s);
}

void TestUiWindows::hostActionsTakeTheKeys()
{
    // The program adds its own menu actions with the same keys; then those
    // act, once, and the window's own stay quiet.
    SettingsWindow &window = makeWindow();
    QSignalSpy ownQuit(&window, &SettingsWindow::quitRequested);
    QAction hostQuit(u"退出 Dartline"_s);
    hostQuit.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QSignalSpy hostTriggered(&hostQuit, &QAction::triggered);
    window.addAction(&hostQuit);
    window.show();
    window.activateWindow();
    QTRY_VERIFY(window.isActiveWindow());
    QTRY_VERIFY(window.windowActions()->quit()->shortcut().isEmpty());

    press(u"q"_s);
    QTRY_COMPARE(hostTriggered.size(), 1);
    QCOMPARE(ownQuit.size(), 0);

    window.removeAction(&hostQuit);
    QTRY_COMPARE(window.windowActions()->quit()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    press(u"q"_s);
    QTRY_COMPARE(ownQuit.size(), 1);
}

void TestUiWindows::quitWithWindowsOpenAndClosed()
{
    // Closing only hides the windows, but it must never stop the program
    // from quitting: the settings window open, the About window closed.
    SettingsWindow &window = makeWindow();
    window.show();
    AboutWindow about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    about.close();
    QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); }); // a deadline, not a wait
    QCOMPARE(QCoreApplication::exec(), 0);
}

DARTLINE_X11_TEST_MAIN(TestUiWindows)
#include "tst_uiwindows.moc"
