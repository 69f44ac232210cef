// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/harness/X11TestMain.h"
#include "tests/ui/UiFixture.h"
#include "ui/AboutWindow.h"
#include "ui/DisplayRow.h"
#include "ui/LinkButton.h"
#include "ui/SecondaryButton.h"
#include "ui/SettingsHeader.h"
#include "ui/SettingsView.h"
#include "ui/SettingsWindow.h"
#include "ui/ShortcutRecorderButton.h"
#include "ui/StandardButton.h"
#include "ui/ToggleSwitch.h"

#include <QAction>
#include <QApplication>
#include <QSignalSpy>

using namespace Dartline;
using namespace Qt::StringLiterals;

class TestUiWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<UiFixture> m_fixture;
    std::unique_ptr<SettingsWindow> m_window;
    std::unique_ptr<XTestClient> m_input;

    SettingsWindow &makeWindow(bool activate = false)
    {
        m_window = std::make_unique<SettingsWindow>(
            *m_fixture->model, m_fixture->platform.keyboard(), *m_fixture->store, [] {});
        m_window->show();
        if (activate)
            m_window->activateWindow();
        [&] { QTRY_VERIFY(m_window->isActiveWindow() || !activate); }();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(m_window.get())); }();
        return *m_window;
    }

private Q_SLOTS:
    void initTestCase() { UiFixture::isolateTheme(); }
    void init()
    {
        m_fixture = std::make_unique<UiFixture>();
        m_fixture->platform.displays().setScreens(UiFixture::screens(2));
        m_fixture->start();
        m_input = std::make_unique<XTestClient>(server().displayName());
    }
    void cleanup()
    {
        m_window.reset();
        if (QGuiApplication::screens().size() != 1) {
            QVERIFY(server().resetOutputs());
            QTRY_COMPARE(QGuiApplication::screens().size(), 1);
        }
    }

    void oneWindowShownAndHidden()
    {
        SettingsWindow &window = makeWindow();
        AppModel &model = *m_fixture->model;
        QSignalSpy closed(&window, &SettingsWindow::closed);
        const WId id = window.winId();
        for (int round = 1; round <= 2; ++round) {
            // Closing ends a recording and takes the hot keys again.
            model.beginRecording(model.displays().first().id);
            QVERIFY(m_fixture->platform.hotKeys().live().isEmpty());
            window.close();
            QVERIFY(!window.isVisible());
            QCOMPARE(closed.size(), round);
            QVERIFY(!model.recordingID());
            QCOMPARE(m_fixture->platform.hotKeys().live().size(), 2);
            window.show();
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QCOMPARE(window.winId(), id);
            QTRY_VERIFY(!window.view()->rows().first()->recorder()->isRecording());
        }
        QByteArray found;
        QVERIFY(server().xdotool({ u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^Dartline$"_s }, &found));
        QCOMPARE(found.trimmed().split('\n').size(), 1);
    }

    void smallestSizeAndFrameKept()
    {
        SettingsWindow &window = makeWindow();
        const QSize smallest(SettingsView::MinimumWidth, SettingsView::MinimumHeight);
        window.resize(300, 200);
        QTRY_COMPARE(window.size(), smallest);
        QCOMPARE(window.view()->size(), smallest);

        const QRect frame(150, 120, 720, 640);
        window.setGeometry(frame);
        QTRY_COMPARE(window.geometry(), frame);
        window.close();
        m_window.reset();
        m_fixture->store->sync();
        QSettings store(m_fixture->store->fileName(), QSettings::IniFormat);
        SettingsWindow next(*m_fixture->model, m_fixture->platform.keyboard(), store, [] {});
        next.show();
        QVERIFY(QTest::qWaitForWindowExposed(&next));
        QTRY_COMPARE(next.geometry(), frame);
    }

    void tabOrderAndSpace()
    {
        m_fixture->storeDisconnected(u"fallback-1-2-3-4"_s, Shortcut(26, Shortcut::Alt));
        m_fixture->start();
        SettingsView &view = *makeWindow(true).view();
        QTRY_VERIFY(!view.isRebuildPending());
        QList<QWidget *> expected { view.header()->identifyButton() };
        for (const auto &[modifiers, button] : view.modifierChoices())
            expected.append(button);
        expected += { view.rows().at(0)->recorder(), view.rows().at(0)->jumpButton(), view.rows().at(1)->recorder(),
            view.rows().at(1)->jumpButton(), view.jumpBackRow()->recorder(), view.jumpBackRow()->jumpButton(),
            view.forgetButton(), view.pulseSwitch(), view.landSwitch(), view.footerLink(), view.aboutLink() };
        expected.first()->setFocus(Qt::TabFocusReason);
        for (qsizetype i = 1; i < expected.size(); ++i) {
            QVERIFY(m_input->tapKey(u"Tab"_s));
            QTRY_COMPARE(QApplication::focusWidget(), expected.at(i));
        }
        view.rows().at(1)->recorder()->setFocus(Qt::TabFocusReason);
        QVERIFY(m_input->tapKey(u"space"_s));
        QTRY_COMPARE(m_fixture->model->recordingID(), std::optional<QString>(m_fixture->model->displays().at(1).id));
    }

    void windowKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("signal"); // empty: the program's own menu holds Ctrl+Q and acts
        QTest::newRow("Ctrl+W closes") << u"w"_s << QByteArray(SIGNAL(closed()));
        QTest::newRow("Ctrl+, asks for settings") << u"comma"_s << QByteArray(SIGNAL(settingsRequested()));
        QTest::newRow("Ctrl+Q left to the host") << u"q"_s << QByteArray();
    }
    void windowKeys()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, signal);
        SettingsWindow &window = makeWindow(true);
        QAction host(u"Quit"_s);
        host.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
        if (signal.isEmpty())
            window.addAction(&host);
        QSignalSpy spy(signal.isEmpty() ? static_cast<QObject *>(&host) : &window,
            signal.isEmpty() ? SIGNAL(triggered(bool)) : signal.constData());
        QSignalSpy quit(&window, &SettingsWindow::quitRequested);
        QVERIFY(m_input->typeCombination(u"Control_L+"_s + key));
        QTRY_COMPARE(spy.size(), 1);
        QCOMPARE(quit.size(), 0);
        QCOMPARE(window.isVisible(), key != u"w"_s);
    }

    void shownOnAConnectedMonitor_data()
    {
        QTest::addColumn<bool>("about");
        QTest::addColumn<bool>("switchOff"); // false: left hanging off the right edge
        QTest::newRow("settings, monitor switched off") << false << true;
        QTest::newRow("About, monitor switched off") << true << true;
        QTest::newRow("settings, partly off the screen") << false << false;
    }
    void shownOnAConnectedMonitor()
    {
        QFETCH(bool, about);
        QFETCH(bool, switchOff);
        const auto right = { u"--output"_s, u"DUMMY1"_s, u"--mode"_s, u"1024x768"_s, u"--right-of"_s, u"DUMMY0"_s };
        QVERIFY(!switchOff || server().xrandr(right));
        QTRY_COMPARE(QGuiApplication::screens().size(), switchOff ? 2 : 1);
        AboutWindow aboutWindow;
        QWidget *window = about ? static_cast<QWidget *>(&aboutWindow) : &makeWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QPoint away = switchOff ? QPoint(1024 + 200, 60) : QPoint(1024 - window->width() / 2, 60);
        window->move(away);
        QTRY_COMPARE(window->pos(), away);
        window->close();
        QTRY_VERIFY(!window->isVisible());
        QVERIFY(!switchOff || server().xrandr({ u"--output"_s, u"DUMMY1"_s, u"--off"_s }));
        QTRY_COMPARE(QGuiApplication::screens().size(), 1);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_VERIFY(QRect(0, 0, 1024, 768).contains(window->frameGeometry()));
    }
};

DARTLINE_X11_TEST_MAIN(TestUiWindows)
#include "tst_uiwindows.moc"
