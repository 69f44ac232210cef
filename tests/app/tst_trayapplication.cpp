// SPDX-License-Identifier: GPL-3.0-or-later
// The shell inside one process on a private Xorg with three monitors and an
// XEmbed tray (trayer): the tray icon, its menu, jumps and identify tiles
// from it, display changes and the commands of the two windows.

#include "app/TrayApplication.h"
#include "displays/DisplayOverlay.h"
#include "displays/IdentifyTile.h"
#include "model/AppModel.h"
#include "model/SettingsStore.h"
#include "platform/fake/FakePlatform.h"
#include "tests/app/XWindows.h"
#include "tests/harness/X11TestMain.h"
#include "ui/AboutWindow.h"
#include "ui/SettingsWindow.h"
#include "ui/WindowActions.h"

#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

XServer &server()
{
    return *XServer::current();
}

// The texts of a menu as a user reads them, separators as "-".
QStringList itemTexts(const QMenu &menu)
{
    QStringList texts;
    for (const QAction *action : menu.actions())
        texts << (action->isSeparator() ? u"-"_s : action->text());
    return texts;
}

QAction *itemNamed(const QMenu &menu, const QString &text)
{
    for (QAction *action : menu.actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

} // namespace

class TestTrayApplication : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void trayIconDocks();
    void menuListsDisplays();
    void choosingDisplayJumps_data();
    void choosingDisplayJumps();
    void itemOfVanishedDisplayDoesNothing();
    void identifyShowsTiles();
    void displayChangeRefreshes();
    void windowCommandsReachTheTray();
    void switchingAwayEndsRecording();
    void menuTitles_data();
    void menuTitles();

private:
    std::unique_ptr<TrayApplication> makeApplication(std::function<std::unique_ptr<Platform>()> makePlatform = {});
    QMenu &openMenu(TrayApplication &tray);

    QProcess m_tray;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<XTestClient> m_input;
};

void TestTrayApplication::initTestCase()
{
    m_tray.start(u"trayer"_s, { u"--edge"_s, u"top"_s, u"--align"_s, u"left"_s });
    QVERIFY2(m_tray.waitForStarted(5000), "trayer is needed for the tray tests");
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    m_input = std::make_unique<XTestClient>(server().displayName());
}

void TestTrayApplication::cleanupTestCase()
{
    m_tray.terminate();
    m_tray.waitForFinished(5000);
}

void TestTrayApplication::init()
{
    // 1024x768 | 1024x768 | 800x600, left to right: displays 1, 2 and 3.
    QVERIFY(server().resetOutputs());
    QVERIFY(server().setEdid(u"DUMMY0"_s, TestEdid { u"DLT"_s, 1, 11, u"Left Panel"_s, {} }.bytes()));
    QVERIFY(server().setEdid(u"DUMMY1"_s, TestEdid { u"DLT"_s, 2, 22, u"Middle & Co"_s, {} }.bytes()));
    QVERIFY(server().setEdid(u"DUMMY2"_s, TestEdid { u"DLT"_s, 3, 33, u"Right"_s, {} }.bytes()));
    QVERIFY(server().xrandr({ u"--output"_s, u"DUMMY1"_s, u"--mode"_s, u"1024x768"_s, u"--right-of"_s, u"DUMMY0"_s }));
    QVERIFY(server().xrandr({ u"--output"_s, u"DUMMY2"_s, u"--mode"_s, u"800x600"_s, u"--right-of"_s, u"DUMMY1"_s }));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkdir(u"run"_s));
    QSettings store(m_dir->filePath(u"store.ini"_s), QSettings::IniFormat);
    store.setValue(SettingsStore::HasLaunchedKey, true);
    store.setValue(SettingsStore::AnimateCursorKey, false);
    QVERIFY(m_input->movePointer(QPoint(5, 5)));
}

void TestTrayApplication::cleanup()
{
    m_dir.reset();
}

std::unique_ptr<TrayApplication> TestTrayApplication::makeApplication(
    std::function<std::unique_ptr<Platform>()> makePlatform)
{
    TrayApplication::Options options;
    options.arguments = QStringList { u"dartline"_s };
    options.instanceDirectory = m_dir->filePath(u"run"_s);
    options.instanceKey = u"org.dartline.Dartline-test"_s;
    options.makePlatform = std::move(makePlatform);
    const QString storePath = m_dir->filePath(u"store.ini"_s);
    options.makeStore = [storePath] { return std::make_unique<QSettings>(storePath, QSettings::IniFormat); };
    auto tray = std::make_unique<TrayApplication>(options);
    if (tray->launch() != TrayApplication::Launch::Running)
        return nullptr;
    return tray;
}

QMenu &TestTrayApplication::openMenu(TrayApplication &tray)
{
    // What the tray does before it shows the menu, without a pointer click.
    Q_EMIT tray.statusMenu()->aboutToShow();
    return *tray.statusMenu();
}

void TestTrayApplication::trayIconDocks()
{
    const auto tray = makeApplication();
    QVERIFY(tray);
    QTRY_VERIFY_WITH_TIMEOUT(XWindows::docked(server().displayName(), QCoreApplication::applicationName()), 5000);
    QCOMPARE(tray->trayIcon()->toolTip(), QString::fromUtf8("Dartline · 多屏之间，一键即达"));
}

void TestTrayApplication::menuListsDisplays()
{
    const auto tray = makeApplication();
    QVERIFY(tray);
    const QMenu &menu = openMenu(*tray);
    const QStringList expected { QString::fromUtf8("1. Left Panel   Alt+1"),
        QString::fromUtf8("2. Middle && Co   Alt+2"), QString::fromUtf8("3. Right   Alt+3"), u"-"_s,
        QString::fromUtf8("识别屏幕"), QString::fromUtf8("设置…"), QString::fromUtf8("关于 Dartline"), u"-"_s,
        QString::fromUtf8("退出 Dartline") };
    QCOMPARE(itemTexts(menu), expected);
    // Ctrl+, and Ctrl+Q belong to the windows; the tray menu shows no keys.
    for (const QAction *action : menu.actions())
        QVERIFY2(action->shortcut().isEmpty(), qPrintable(action->text()));

    // A changed binding shows without the menu being opened again.
    tray->model()->clearShortcut(tray->model()->displays().at(1).id);
    QTRY_COMPARE(itemTexts(menu).at(1), QString::fromUtf8("2. Middle && Co   未设置"));
}

void TestTrayApplication::choosingDisplayJumps_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QPoint>("centre");
    QTest::newRow("display 1") << 0 << QPoint(512, 384);
    QTest::newRow("display 2") << 1 << QPoint(1024 + 512, 384);
    QTest::newRow("display 3") << 2 << QPoint(2048 + 400, 300);
}

void TestTrayApplication::choosingDisplayJumps()
{
    QFETCH(int, item);
    QFETCH(QPoint, centre);
    const auto tray = makeApplication();
    QVERIFY(tray);
    openMenu(*tray).actions().at(item)->trigger();
    QTRY_COMPARE(m_input->pointer(), std::optional<QPoint>(centre));
}

void TestTrayApplication::itemOfVanishedDisplayDoesNothing()
{
    const auto tray = makeApplication();
    QVERIFY(tray);
    const QPointer<QAction> third = openMenu(*tray).actions().at(2);
    const QString vanished = third->data().toString();
    QVERIFY(server().xrandr({ u"--output"_s, u"DUMMY2"_s, u"--off"_s }));
    QTRY_COMPARE(tray->model()->displays().size(), 2);
    // The menu follows without being opened again: the item is gone.
    QTRY_VERIFY(!third);
    QCOMPARE(itemTexts(*tray->statusMenu()).mid(0, 3),
        (QStringList {
            QString::fromUtf8("1. Left Panel   Alt+1"), QString::fromUtf8("2. Middle && Co   Alt+2"), u"-"_s }));
    // A click that was on its way when the display went does nothing.
    QVERIFY(m_input->movePointer(QPoint(1500, 700)));
    QAction late;
    late.setData(vanished);
    tray->jumpFromMenu(&late);
    QCOMPARE(m_input->pointer(), std::optional<QPoint>(QPoint(1500, 700)));
}

void TestTrayApplication::identifyShowsTiles()
{
    const auto tray = makeApplication();
    QVERIFY(tray);
    itemNamed(openMenu(*tray), QString::fromUtf8("识别屏幕"))->trigger();
    QVERIFY(tray->overlay()->isShowing());
    const QList<IdentifyTile *> tiles = tray->overlay()->tiles();
    QCOMPARE(tiles.size(), 3);
    for (const IdentifyTile *tile : tiles)
        QTRY_VERIFY(tile->isVisible());
}

void TestTrayApplication::displayChangeRefreshes()
{
    const auto tray = makeApplication();
    QVERIFY(tray);
    QVERIFY(server().xrandr({ u"--output"_s, u"DUMMY3"_s, u"--mode"_s, u"800x600"_s, u"--right-of"_s, u"DUMMY2"_s }));
    QTRY_COMPARE(tray->model()->displays().size(), 4);
    QCOMPARE(itemTexts(openMenu(*tray)).size(), 4 + 6);
}

void TestTrayApplication::windowCommandsReachTheTray()
{
    const auto tray = makeApplication();
    QVERIFY(tray);
    tray->showSettings();
    auto *settings = static_cast<SettingsWindow *>(tray->settingsWindow());
    // The windows' own main-menu commands reach the tray.
    settings->windowActions()->about()->trigger();
    QVERIFY(tray->aboutWindow());
    settings->close();
    QTRY_VERIFY(!settings->isVisible());
    static_cast<AboutWindow *>(tray->aboutWindow())->windowActions()->settings()->trigger();
    QCOMPARE(tray->settingsWindow(), settings); // reused, not a second window
    QTRY_VERIFY(settings->isVisible() && tray->aboutWindow()->isVisible());
}

void TestTrayApplication::switchingAwayEndsRecording()
{
    const auto tray = makeApplication();
    QVERIFY(tray);
    tray->showSettings();
    QWidget *settings = tray->settingsWindow();
    QTRY_VERIFY(settings->isActiveWindow());
    // Let the display notifications of init()'s xrandr calls arrive first:
    // the refresh they cause would end the recording on its own.
    QGuiApplication::sync();
    QCoreApplication::sendPostedEvents();
    AppModel &model = *tray->model();
    model.beginRecording(model.displays().at(0).id);
    QVERIFY(model.recordingID());

    // Another program takes the focus, as clicking into it would.
    QByteArray found;
    QVERIFY(server().xdotool({ u"search"_s, u"--onlyvisible"_s, u"--class"_s, u"trayer"_s }, &found));
    const QByteArray other = found.trimmed().split('\n').constFirst();
    QVERIFY(server().xdotool({ u"windowfocus"_s, QString::fromLatin1(other) }));
    QTRY_VERIFY(!model.recordingID());
}

void TestTrayApplication::menuTitles_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("items");
    const QStringList fixed { u"-"_s, QString::fromUtf8("识别屏幕"), QString::fromUtf8("设置…"),
        QString::fromUtf8("关于 Dartline"), u"-"_s, QString::fromUtf8("退出 Dartline") };
    QTest::newRow("no displays: starts with the separator") << QStringList() << fixed;
    QTest::newRow("20 Chinese characters cut to 14")
        << QStringList { QString::fromUtf8("会议室左侧的戴尔二十七英寸超高清显示器甲") }
        << QStringList { QString::fromUtf8("1. 会议室左侧的戴尔二十七英寸超   Alt+1") } + fixed;
    QTest::newRow("same names stay apart")
        << QStringList { u"Dell"_s, u"Dell"_s }
        << QStringList { QString::fromUtf8("1. Dell   Alt+1"), QString::fromUtf8("2. Dell   Alt+2") } + fixed;
}

void TestTrayApplication::menuTitles()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, items);
    FakePlatform *fake = nullptr;
    const auto tray = makeApplication([&] {
        auto platform = std::make_unique<FakePlatform>();
        platform->keyboard().useUsLayout();
        QList<FakeScreen> screens;
        for (int i = 0; i < names.size(); ++i) {
            FakeScreen screen;
            screen.number = quint32(i + 1);
            screen.name = names.at(i);
            screen.bounds = QRectF(i * 1000, 0, 1000, 800);
            screen.uuid = u"00000000-0000-0000-0000-00000000000"_s + QString::number(i);
            screens.append(screen);
        }
        platform->displays().setScreens(screens);
        fake = platform.get();
        return platform;
    });
    QVERIFY(tray);
    QMenu &menu = openMenu(*tray);
    QCOMPARE(itemTexts(menu), items);
    // Two items with the same name still jump each to its own display.
    if (names.size() == 2) {
        menu.actions().at(1)->trigger();
        QCOMPARE(fake->cursor().warps().last(), QPointF(1500, 400));
    }
}

DARTLINE_X11_TEST_MAIN(TestTrayApplication)
#include "tst_trayapplication.moc"
