// SPDX-License-Identifier: GPL-3.0-or-later
// The settings content bound to a real model over the fake platform: what it
// shows in each state of the model, that it follows the model only after the
// change is written, what its controls do to the model, and what assistive
// technologies and keyboard users meet.

#include "tests/ui/UiFixture.h"
#include "ui/AboutView.h"
#include "ui/AppVersion.h"
#include "ui/DisplayMap.h"
#include "ui/DisplayRow.h"
#include "ui/LinkButton.h"
#include "ui/SecondaryButton.h"
#include "ui/SettingsHeader.h"
#include "ui/SettingsView.h"
#include "ui/ShortcutRecorderButton.h"
#include "ui/StandardButton.h"
#include "ui/ThemedLabel.h"
#include "ui/ToggleSwitch.h"

#include <QAccessible>
#include <QApplication>
#include <QBoxLayout>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

const QString IdleHint = u"点击键帽可重新设置。关闭窗口后，Dartline 会留在系统托盘。"_s;
const QString RecordingHint = u"按下新组合键；Esc 取消，Delete 清除。录制时暂停屏幕跳转。"_s;
const QString Gone = u"fallback-1-2-3-4"_s;

enum class Scene { Idle, Recording, FailedJump, Disconnected };

struct Fixture
{
    explicit Fixture(int screens, Scene scene = Scene::Idle)
    {
        QList<FakeScreen> all = UiFixture::threeScreens();
        fake.platform.displays().setScreens(all.mid(0, screens));
        if (scene == Scene::Disconnected)
            fake.storeDisconnected(Gone, Shortcut(26, Shortcut::Alt));
        AppModel &model = fake.start();
        model.setAnimateCursor(false); // no pulse windows in these tests
        view = std::make_unique<SettingsView>(model, fake.platform.keyboard(), [this] { ++identified; });
        view->resize(680, 650);
        if (scene == Scene::Recording)
            model.beginRecording(model.displays().last().id);
        if (scene == Scene::FailedJump) {
            fake.platform.cursor().setWarpResult(-7);
            model.jump(Dartline::Display { u"stale"_s, 99, u"Stale"_s, QRectF(0, 0, 10, 10), false });
        }
        view->rebuild();
    }
    AppModel &model() { return *fake.model; }

    UiFixture fake;
    std::unique_ptr<SettingsView> view;
    int identified = 0;
};

// Depth-first over the accessibility tree.
void walk(QAccessibleInterface *node, const std::function<void(QAccessibleInterface *)> &visit)
{
    if (!node)
        return;
    visit(node);
    for (int i = 0; i < node->childCount(); ++i)
        walk(node->child(i), visit);
}

QAccessibleInterface *findAccessible(QWidget *root, const std::function<bool(QAccessibleInterface *)> &match)
{
    QAccessibleInterface *found = nullptr;
    walk(QAccessible::queryAccessibleInterface(root), [&](QAccessibleInterface *node) {
        if (!found && match(node))
            found = node;
    });
    return found;
}

// Chooses the first item of the context menu that opens next.
void chooseFirstMenuItem()
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            poll->stop();
            poll->deleteLater();
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    poll->start(5);
}

} // namespace

class TestSettingsView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void states_data();
    void states();
    void followsModelAfterTheWrite();
    void shortcutField_data();
    void shortcutField();
    void actions();
    void pulseSwitchBothWays();
    void accessibility();
    void keyboardOrder();
    void shortWindowShrinksOnlyTheList();
    void recordingMessagesInView_data();
    void recordingMessagesInView();
    void versions_data();
    void versions();
};

void TestSettingsView::initTestCase()
{
    UiFixture::isolateTheme();
    UiFixture::setDarkPalette(false);
}

void TestSettingsView::states_data()
{
    QTest::addColumn<int>("screens");
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<QString>("count");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<QString>("status"); // empty: hidden
    QTest::addColumn<QString>("forget"); // empty: hidden
    QTest::addColumn<QString>("hint");
    QTest::newRow("no displays") << 0 << Scene::Idle << u"0 块已连接"_s << true << QString() << QString() << IdleHint;
    QTest::newRow("three displays") << 3 << Scene::Idle << u"3 块已连接"_s << false << QString() << QString()
                                    << IdleHint;
    QTest::newRow("recording") << 2 << Scene::Recording << u"2 块已连接"_s << false << QString() << QString()
                               << RecordingHint;
    QTest::newRow("failed jump") << 1 << Scene::FailedJump << u"1 块已连接"_s << false
                                 << u"无法移动到该屏幕，请检查显示器连接。（1010）"_s << QString() << IdleHint;
    QTest::newRow("failed jump, no displays")
        << 0 << Scene::FailedJump << u"0 块已连接"_s << true << u"无法移动到该屏幕，请检查显示器连接。（1010）"_s
        << QString() << IdleHint;
    QTest::newRow("one disconnected") << 1 << Scene::Disconnected << u"1 块已连接"_s << false << QString()
                                      << u"已保留 1 块未连接屏幕的设置"_s << IdleHint;
}

void TestSettingsView::states()
{
    QFETCH(int, screens);
    QFETCH(Scene, scene);
    QFETCH(QString, count);
    QFETCH(bool, empty);
    QFETCH(QString, status);
    QFETCH(QString, forget);
    QFETCH(QString, hint);

    Fixture f(screens, scene);
    SettingsView &view = *f.view;
    view.show();

    QCOMPARE(view.countLabel()->text(), count);
    QCOMPARE(view.rows().size(), screens);
    QCOMPARE(view.header()->identifyButton()->isEnabled(), screens > 0);
    QCOMPARE(view.emptyLabel()->isVisible(), empty);
    QCOMPARE(view.emptyLabel()->contentsMargins(), QMargins(16, 16, 16, 16));
    QCOMPARE(view.hintLabel()->contentsMargins(), QMargins(4, 2, 4, 0));
    QCOMPARE(view.statusLabel()->isVisible(), !status.isEmpty());
    QCOMPARE(view.statusLabel()->text(), status);
    QCOMPARE(view.forgetLine()->isVisible(), !forget.isEmpty());
    if (!forget.isEmpty())
        QCOMPARE(view.forgetLabel()->text(), forget);
    QCOMPARE(view.hintLabel()->text(), hint);
    QVERIFY(view.pulseSwitch()->isVisible());
    QVERIFY(view.versionLabel()->isVisible());

    // Top to bottom: cards, empty text, status, forget line, hint.
    QList<QWidget *> order;
    for (DisplayRow *row : view.rows())
        order.append(row);
    order << view.emptyLabel() << view.statusLabel() << view.forgetLine() << view.hintLabel();
    int lastBottom = -1;
    for (QWidget *w : order) {
        if (!w->isVisible())
            continue;
        QVERIFY(w->y() > lastBottom);
        lastBottom = w->geometry().bottom();
    }

    const bool recording = scene == Scene::Recording;
    for (DisplayRow *row : view.rows()) {
        QCOMPARE(row->jumpButton()->isEnabled(), !recording);
        QCOMPARE(row->recorder()->isRecording(), recording && row == view.rows().last());
    }
}

void TestSettingsView::followsModelAfterTheWrite()
{
    Fixture f(2);
    SettingsView &view = *f.view;
    // The model signals before it writes: inside the signal the view still
    // shows what was there before the operation.
    QString before = IdleHint;
    bool early = false;
    connect(&f.model(), &AppModel::willChange, this, [&] { early = early || view.hintLabel()->text() != before; });

    f.model().beginRecording(f.model().displays().first().id);
    QVERIFY(view.isRebuildPending());
    QCOMPARE(view.hintLabel()->text(), IdleHint);
    QTRY_COMPARE(view.hintLabel()->text(), RecordingHint);
    QVERIFY(view.rows().first()->recorder()->isRecording());

    before = RecordingHint;
    f.model().cancelRecording(true);
    QTRY_COMPARE(view.hintLabel()->text(), IdleHint);
    QVERIFY(!early);

    // A display that goes away takes its card with it; the rest keep theirs.
    DisplayRow *kept = view.rows().last(); // screen 2, right of screen 1
    f.fake.platform.displays().removeScreen(1);
    f.model().refreshDisplays();
    QTRY_COMPARE(view.rows().size(), 1);
    QCOMPARE(view.rows().first(), kept);
    QCOMPARE(view.countLabel()->text(), u"1 块已连接"_s);
}

void TestSettingsView::shortcutField_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second"); // -1: none
    QTest::addColumn<int>("recorded"); // -1: no recording afterwards
    QTest::newRow("click starts") << 0 << -1 << 0;
    QTest::newRow("click on the recording field stops") << 0 << 0 << -1;
    QTest::newRow("click on another field moves the recording") << 0 << 1 << 1;
}

void TestSettingsView::shortcutField()
{
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(int, recorded);

    Fixture f(2);
    SettingsView &view = *f.view;
    view.show();
    const QList<Dartline::Display> displays = f.model().displays();
    QTest::mouseClick(view.rows().at(first)->recorder(), Qt::LeftButton);
    QTRY_VERIFY(!view.isRebuildPending());
    if (second >= 0)
        QTest::mouseClick(view.rows().at(second)->recorder(), Qt::LeftButton);
    QTRY_VERIFY(!view.isRebuildPending());

    if (recorded < 0) {
        QVERIFY(!f.model().recordingID());
        // Stopping registers every shortcut again.
        QCOMPARE(f.fake.platform.hotKeys().live().size(), 2);
    } else {
        QCOMPARE(f.model().recordingID(), std::optional<QString>(displays.at(recorded).id));
    }
    for (int i = 0; i < 2; ++i)
        QCOMPARE(view.rows().at(i)->recorder()->isRecording(), i == recorded);
}

void TestSettingsView::actions()
{
    Fixture f(2, Scene::Disconnected);
    SettingsView &view = *f.view;
    view.show();
    const QList<Dartline::Display> displays = f.model().displays();

    QTest::mouseClick(view.header()->identifyButton(), Qt::LeftButton);
    QCOMPARE(f.identified, 1);

    QTest::mouseClick(view.rows().at(1)->jumpButton(), Qt::LeftButton);
    QCOMPARE(f.fake.platform.cursor().warps().size(), 1);
    QCOMPARE(f.fake.platform.cursor().warps().first(), displays.at(1).bounds.center());

    // "清除快捷键" from the field's context menu.
    ShortcutRecorderButton *field = view.rows().at(0)->recorder();
    QVERIFY(f.model().preferences().bindings.contains(displays.at(0).id));
    chooseFirstMenuItem();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(field, &menuEvent);
    QVERIFY(!f.model().preferences().bindings.contains(displays.at(0).id));
    QTRY_VERIFY(!view.rows().at(0)->recorder()->shortcutLabels());

    QCOMPARE(f.model().disconnectedCount(), 1);
    QTest::mouseClick(view.forgetButton(), Qt::LeftButton);
    QCOMPARE(f.model().disconnectedCount(), 0);
    QTRY_VERIFY(!view.forgetLine()->isVisible());
}

void TestSettingsView::pulseSwitchBothWays()
{
    Fixture f(1);
    SettingsView &view = *f.view;
    view.show();
    f.model().setAnimateCursor(true);
    QTRY_VERIFY(view.pulseSwitch()->isChecked());

    QTest::mouseClick(view.pulseSwitch(), Qt::LeftButton);
    QVERIFY(!f.model().animateCursor());
    QCOMPARE(f.fake.store->value(SettingsStore::AnimateCursorKey).toBool(), false);

    f.model().setAnimateCursor(true);
    QTRY_VERIFY(view.pulseSwitch()->isChecked());
}

void TestSettingsView::accessibility()
{
    Fixture f(2);
    f.fake.platform.displays().screen(2).name = QString(); // a display without a name
    f.model().refreshDisplays();
    f.model().beginRecording(f.model().displays().at(1).id);
    f.model().jump(Dartline::Display { u"stale"_s, 99, u"Stale"_s, QRectF(0, 0, 10, 10), false });
    QVERIFY(f.model().message());
    SettingsView &view = *f.view;
    view.show();
    QTRY_VERIFY(!view.isRebuildPending());

    auto named = [&](const QString &name) {
        return findAccessible(&view, [&](QAccessibleInterface *n) { return n->text(QAccessible::Name) == name; });
    };

    QAccessibleInterface *map = named(u"屏幕布局示意图，编号与下方列表对应"_s);
    QVERIFY(map);
    QCOMPARE(map->role(), QAccessible::Graphic);
    QCOMPARE(map->childCount(), 0);

    QAccessibleInterface *field = named(u"屏幕 1 快捷键"_s);
    QVERIFY(field);
    QCOMPARE(field->role(), QAccessible::Button);
    QCOMPARE(field->text(QAccessible::Value), u"Alt+1"_s);
    QCOMPARE(named(u"屏幕 2 快捷键"_s)->text(QAccessible::Value), u"正在录制，请按快捷键"_s);
    QVERIFY(named(u"跳转到屏幕 2"_s));
    QVERIFY(named(u"Built-in Display，已连接"_s));
    QVERIFY(named(u"，已连接"_s));

    QAccessibleInterface *pulse = named(u"跳转时放大光标"_s);
    QCOMPARE(pulse->role(), QAccessible::CheckBox);
    QVERIFY(!pulse->state().checked); // switched off by the fixture

    QAccessibleInterface *status = findAccessible(
        &view, [](QAccessibleInterface *n) { return n->object() && n->object()->objectName() == u"statusMessage"_s; });
    QVERIFY(status);
    QCOMPARE(status->text(QAccessible::Name), f.model().message().value());

    // Clearing the field's shortcut: the value says so.
    f.model().cancelRecording(true);
    f.model().clearShortcut(f.model().displays().at(0).id);
    QTRY_COMPARE(field->text(QAccessible::Value), u"未设置"_s);
}

void TestSettingsView::keyboardOrder()
{
    Fixture f(2, Scene::Disconnected);
    SettingsView &view = *f.view;
    view.show();
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));

    const QList<QWidget *> expected { view.header()->identifyButton(), view.rows().at(0)->recorder(),
        view.rows().at(0)->jumpButton(), view.rows().at(1)->recorder(), view.rows().at(1)->jumpButton(),
        view.forgetButton(), view.pulseSwitch(), view.footerLink(), view.aboutLink() };
    expected.first()->setFocus(Qt::TabFocusReason);
    for (qsizetype i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected.at(i));
    }
    // Space on the focused field starts recording, as a click would.
    view.rows().at(1)->recorder()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(view.rows().at(1)->recorder(), Qt::Key_Space);
    QCOMPARE(f.model().recordingID(), std::optional<QString>(f.model().displays().at(1).id));
}

void TestSettingsView::shortWindowShrinksOnlyTheList()
{
    Fixture f(3, Scene::Disconnected);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    SettingsView *view = f.view.release();
    layout->addWidget(view);
    window.resize(680, 650);
    window.show();
    QTRY_VERIFY(view->isVisible());
    const QRect mapAtIdeal = view->displayMap()->geometry();
    const int listAtIdeal = view->scrollArea()->height();

    window.resize(300, 200); // asks for less than the content allows
    QTRY_COMPARE(view->size(), QSize(SettingsView::MinimumWidth, SettingsView::MinimumHeight));
    QCOMPARE(view->displayMap()->height(), mapAtIdeal.height());
    QCOMPARE(view->displayMap()->y(), mapAtIdeal.y());
    const int shrunk = listAtIdeal - view->scrollArea()->height();
    QCOMPARE(shrunk, SettingsView::IdealHeight - SettingsView::MinimumHeight);
    QVERIFY(view->scrollArea()->verticalScrollBar()->maximum() > 0); // the rest scrolls
}

void TestSettingsView::recordingMessagesInView_data()
{
    QTest::addColumn<int>("screens");
    QTest::newRow("1 display") << 1;
    QTest::newRow("3 displays") << 3;
    QTest::newRow("9 displays") << 9;
}

void TestSettingsView::recordingMessagesInView()
{
    // At the smallest size, whatever is said about a card must be on screen
    // without scrolling: the recording hint, a refused combination, a
    // registration the system would not take, and a failed jump from the
    // card's button, for the last card too.
    QFETCH(int, screens);
    UiFixture fake;
    QList<FakeScreen> all;
    for (int i = 0; i < screens; ++i)
        all.append(UiFixture::screen(quint32(i + 1), u"Display %1"_s.arg(i + 1), QRectF(i * 1920, 0, 1920, 1080)));
    fake.platform.displays().setScreens(all);
    const Shortcut taken(18, Shortcut::Alt | Shortcut::Shift); // refused by the system
    fake.platform.hotKeys().setStatus(taken, HotKeyStatus::HotKeyExists);
    AppModel &model = fake.start();
    model.setAnimateCursor(false);
    SettingsView view(model, fake.platform.keyboard(), [] {});
    view.resize(SettingsView::MinimumWidth, SettingsView::MinimumHeight);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    // Unclipped by every ancestor up to the view, and inside the view.
    auto inView = [&view](ThemedLabel *label) {
        if (!label->isVisible() || label->text().isEmpty())
            return false;
        QRect r = label->rect();
        for (QWidget *w = label; w != &view; w = w->parentWidget()) {
            r.translate(w->pos());
            if (!w->parentWidget() || !w->parentWidget()->rect().contains(r))
                return false;
        }
        return true;
    };
    auto shown = [&](const QString &text) -> ThemedLabel * {
        for (ThemedLabel *label : view.findChildren<ThemedLabel *>()) {
            if (label->isVisible() && label->text().contains(text))
                return label;
        }
        return nullptr;
    };

    const QString last = model.displays().last().id;
    for (int step = 0; step < 4; ++step) {
        QString text;
        if (step == 0) {
            QTest::mouseClick(view.rows().last()->recorder(), Qt::LeftButton);
            text = u"按下新组合键"_s;
        } else if (step == 1) {
            model.handleRecordingKey(18, 0); // no modifier
            text = model.message().value_or(u"?"_s);
        } else if (step == 2) {
            model.handleRecordingKey(taken.keyCode(), taken.modifiers());
            QVERIFY(!model.recordingID());
            text = u"已保留原设置"_s;
        } else {
            fake.platform.cursor().setWarpResult(-7);
            QTest::mouseClick(view.rows().last()->jumpButton(), Qt::LeftButton);
            text = u"无法移动到该屏幕"_s;
        }
        QTRY_VERIFY(!view.isRebuildPending());
        QTRY_VERIFY2(shown(text), qPrintable(text));
        QTRY_VERIFY2(inView(shown(text)), qPrintable(text));
        if (step < 2)
            QCOMPARE(model.recordingID(), std::optional<QString>(last));
    }
}

void TestSettingsView::versions_data()
{
    QTest::addColumn<QString>("shortVersion");
    QTest::addColumn<QString>("build");
    QTest::addColumn<QString>("about");
    QTest::addColumn<QString>("footer");
    QTest::newRow("both") << u"1.2"_s << u"7"_s << u"版本 1.2 (7)"_s << u"v1.2"_s;
    QTest::newRow("no short version") << QString() << u"7"_s << u"版本 0.1.0 (7)"_s << u"v0.1.0"_s;
    QTest::newRow("no build") << u"1.2"_s << u" "_s << u"版本 1.2"_s << u"v1.2"_s;
    QTest::newRow("neither") << QString() << QString() << u"版本 0.1.0"_s << u"v0.1.0"_s;
}

void TestSettingsView::versions()
{
    QFETCH(QString, shortVersion);
    QFETCH(QString, build);
    QFETCH(QString, about);
    QFETCH(QString, footer);
    AboutView view(shortVersion, build);
    QCOMPARE(view.versionText(), about);
    QCOMPARE(view.sizeHint().width(), AboutView::Width);
    QCOMPARE(AppVersion::footerText(shortVersion), footer);
}

QTEST_MAIN(TestSettingsView)
#include "tst_settingsview.moc"
