// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppModel.h"
#include "CursorAnimator.h"
#include "FakePlatform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QShortcut>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cmath>

Q_DECLARE_METATYPE(Shortcut)

using namespace Qt::StringLiterals;

namespace {

class CountingAnimator : public CursorAnimator
{
public:
    using CursorAnimator::CursorAnimator;
    void show(const QPointF &point) override { m_shows.append(point); }
    void cancel() override { ++m_cancels; }
    const QList<QPointF> &shows() const { return m_shows; }
    int cancels() const { return m_cancels; }

private:
    QList<QPointF> m_shows;
    int m_cancels = 0;
};

class KeySink : public QWidget
{
public:
    int presses() const { return m_presses; }

protected:
    void keyPressEvent(QKeyEvent *) override { ++m_presses; }

private:
    int m_presses = 0;
};

constexpr Shortcut opt1(18, Shortcut::Option), opt2(19, Shortcut::Option), opt3(20, Shortcut::Option),
    opt5(23, Shortcut::Option), opt6(22, Shortcut::Option), ctrlOpt9(25, Shortcut::Control | Shortcut::Option);
constexpr int taken = HotKeyStatus::HotKeyExists;

const QString invalidMessage = u"请包含 ⌃、⌥ 或 ⌘；⌘Q、⌘W 和 ⌘, 保留给应用菜单。"_s;
const QString conflictMessage = u"该快捷键已绑定另一块屏幕（包括暂未连接的屏幕）。"_s;
const QString invalidText = u"快捷键无效，请重新设置。"_s;

QString refused(int status)
{
    return u"快捷键注册失败，可能已被系统或其他应用占用。（"_s + QString::number(status) + u"）"_s;
}

FakeScreen screen(quint32 number, const QString &uuid, qreal x)
{
    FakeScreen s;
    s.number = number;
    s.uuid = uuid;
    s.bounds = QRectF(x, 0, 1920, 1080);
    return s;
}

} // namespace

// Two displays A (number 1, left) and B (number 2, right) are connected in every test.
class TestAppModel : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<AppModel> m_model;
    CountingAnimator *m_animator = nullptr;

    AppModel &start()
    {
        auto animator = std::make_unique<CountingAnimator>(m_platform->cursor());
        m_animator = animator.get();
        m_model = std::make_unique<AppModel>(*m_platform, *m_store, std::move(animator));
        return *m_model;
    }
    Preferences stored() const
    {
        return Preferences::fromJson(m_store->value(AppModel::PreferencesKey).toByteArray()).value_or(Preferences());
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_platform = std::make_unique<FakePlatform>();
        m_platform->displays().setScreens({ screen(1, u"A"_s, 0), screen(2, u"B"_s, 1920) });
        m_store = std::make_unique<QSettings>(m_dir->filePath(u"dartline.ini"_s), QSettings::IniFormat);
    }

    void cleanup()
    {
        m_model.reset();
        m_store.reset();
        m_platform.reset();
        m_dir.reset();
    }

    void firstLaunch()
    {
        AppModel &model = start();
        QCOMPARE(model.preferences().knownDisplays, (QSet<QString> { u"A"_s, u"B"_s }));
        QCOMPARE(model.preferences().bindings, (QHash<QString, Shortcut> { { u"A"_s, opt1 }, { u"B"_s, opt2 } }));
        QVERIFY(model.animateCursor());
        QVERIFY(QFile::exists(m_store->fileName()));
        QCOMPARE(stored(), model.preferences());
        QCOMPARE(m_platform->hotKeys().liveShortcuts(), (QList<Shortcut> { opt1, opt2 }));
        // The hot key of B jumps to B's centre, end to end.
        QTest::ignoreMessage(QtInfoMsg, "Cursor moved to display 2, position 2880.000000, 540.000000");
        QCOMPARE(m_platform->hotKeys().press(opt2), 0);
        QCOMPARE(m_platform->cursor().warps(), QList<QPointF> { QPointF(2880, 540) });
        QCOMPARE(m_animator->shows(), QList<QPointF> { QPointF(2880, 540) });
    }

    void storedEntries_data()
    {
        QTest::addColumn<QVariant>("document");
        QTest::addColumn<QVariant>("animate");
        QTest::addColumn<Shortcut>("bindingOfA");
        QTest::addColumn<bool>("animateCursor");
        const QByteArray json = R"({"bindings":{"A":{"keyCode":20,"modifiers":4096}},"knownDisplays":["A"]})";
        const Shortcut ctrl3(20, Shortcut::Control);
        QTest::newRow("document kept") << QVariant(json) << QVariant() << ctrl3 << true;
        QTest::newRow("invalid JSON replaced") << QVariant(QByteArray("{\"bindings\":")) << QVariant() << opt1 << true;
        QTest::newRow("document as text is absent") << QVariant(QString::fromUtf8(json)) << QVariant() << opt1 << true;
        QTest::newRow("flag off") << QVariant() << QVariant(false) << opt1 << false;
        QTest::newRow("flag off as text") << QVariant() << QVariant(u"false"_s) << opt1 << false;
        QTest::newRow("flag as other text") << QVariant() << QVariant(u"no"_s) << opt1 << true;
        QTest::newRow("flag as number") << QVariant() << QVariant(0) << opt1 << true;
    }

    void storedEntries()
    {
        QFETCH(QVariant, document);
        QFETCH(QVariant, animate);
        QFETCH(Shortcut, bindingOfA);
        QFETCH(bool, animateCursor);
        if (document.isValid())
            m_store->setValue(AppModel::PreferencesKey, document);
        if (animate.isValid())
            m_store->setValue(AppModel::AnimateCursorKey, animate);
        AppModel &model = start();
        QCOMPARE(model.preferences().bindings.value(u"A"_s), bindingOfA);
        QCOMPARE(model.preferences().bindings.value(u"B"_s), opt2);
        QCOMPARE(model.animateCursor(), animateCursor);
        QCOMPARE(m_store->value(AppModel::PreferencesKey).typeId(), QMetaType::QByteArray);
        QCOMPARE(stored(), model.preferences());
    }

    void unplugThenForget()
    {
        AppModel &model = start();
        m_platform->displays().removeScreen(2);
        model.refreshDisplays();
        QCOMPARE(model.disconnectedCount(), 1);
        QCOMPARE(model.preferences().bindings.value(u"B"_s), opt2);
        QCOMPARE(m_platform->hotKeys().liveShortcuts(), QList<Shortcut> { opt1 });
        QVERIFY(model.registrationErrors().isEmpty());

        model.forgetDisconnected();
        QCOMPARE(model.disconnectedCount(), 0);
        QVERIFY(!model.preferences().bindings.contains(u"B"_s));
        QVERIFY(!model.preferences().knownDisplays.contains(u"B"_s));
        QCOMPARE(stored(), model.preferences());

        // Back again, B is new and gets the suggestion of its position.
        m_platform->displays().addScreen(screen(2, u"B"_s, 1920));
        model.refreshDisplays();
        QCOMPARE(model.preferences().bindings.value(u"B"_s), opt2);
    }

    void jump_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<QRectF>("bounds"); // B's bounds now
        QTest::addColumn<int>("warpResult");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("logType");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QList<QPointF>>("warps");
        QTest::addColumn<QList<QPointF>>("shows");
        const QRectF right(1920, 0, 1920, 1080);
        const QList<QPointF> centre { QPointF(2880, 540) };
        const QString failed = u"无法移动到该屏幕，请检查显示器连接。（"_s;
        QTest::newRow("moved since the refresh")
            << true << QRectF(0, 0, 1920, 1080) << 0 << true << QString() << int(QtInfoMsg)
            << u"Cursor moved to display 2, position 960.000000, 540.000000"_s << QList<QPointF> { { 960, 540 } }
            << QList<QPointF> { { 960, 540 } };
        QTest::newRow("location unreadable")
            << true << right << 0 << false << QString() << int(QtInfoMsg)
            << u"Cursor moved to display 2, position 0.000000, 0.000000"_s << centre << QList<QPointF> { { 0, 0 } };
        QTest::newRow("asleep") << false << right << 0 << true << failed + u"1010）"_s << int(QtCriticalMsg)
                                << u"Cursor jump failed: 1010"_s << QList<QPointF>() << QList<QPointF>();
        QTest::newRow("empty bounds") << true << QRectF(1920, 0, 0, 1080) << 0 << true << failed + u"1010）"_s
                                      << int(QtCriticalMsg) << u"Cursor jump failed: 1010"_s << QList<QPointF>()
                                      << QList<QPointF>();
        QTest::newRow("infinite bounds") << true << QRectF(INFINITY, 0, 10, 10) << 0 << true << failed + u"1010）"_s
                                         << int(QtCriticalMsg) << u"Cursor jump failed: 1010"_s << QList<QPointF>()
                                         << QList<QPointF>();
        QTest::newRow("warp refused") << true << right << -5 << true << failed + u"-5）"_s << int(QtCriticalMsg)
                                      << u"Cursor jump failed: -5"_s << centre << QList<QPointF>();
    }

    void jump()
    {
        QFETCH(bool, active);
        QFETCH(QRectF, bounds);
        QFETCH(int, warpResult);
        QFETCH(bool, readable);
        QFETCH(QString, message);
        QFETCH(int, logType);
        QFETCH(QString, log);
        QFETCH(QList<QPointF>, warps);
        QFETCH(QList<QPointF>, shows);
        AppModel &model = start();
        const Display b = model.displays().at(1);
        // A stale record first, so that a success has a message to clear.
        QTest::ignoreMessage(QtCriticalMsg, "Cursor jump failed: 1010");
        model.jump(Display { u"GONE"_s, 99, {}, QRectF(0, 0, 10, 10), false });
        QVERIFY(model.message());

        FakeScreen &s = m_platform->displays().screen(2);
        s.active = active;
        s.bounds = bounds;
        m_platform->cursor().setWarpResult(warpResult);
        if (!readable) {
            m_platform->cursor().setFollowsWarp(false);
            m_platform->cursor().setLocation(std::nullopt);
        }
        QTest::ignoreMessage(QtMsgType(logType), log.toUtf8().constData());
        model.jump(b);
        QCOMPARE(model.messageText(), message);
        QCOMPARE(model.message().has_value(), !message.isEmpty());
        QCOMPARE(m_platform->cursor().warps(), warps);
        QCOMPARE(m_animator->shows(), shows);
    }

    void animateCursorOff()
    {
        AppModel &model = start();
        model.setAnimateCursor(false);
        QCOMPARE(m_animator->cancels(), 1);
        QCOMPARE(m_store->value(AppModel::AnimateCursorKey).toBool(), false);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^Cursor moved"_s));
        model.jump(model.displays().at(0));
        QVERIFY(m_animator->shows().isEmpty());
        model.setAnimateCursor(true);
        QVERIFY(m_animator->shows().isEmpty());
        QCOMPARE(m_animator->cancels(), 1);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^Cursor moved"_s));
        model.jump(model.displays().at(0));
        QCOMPARE(m_animator->shows().size(), 1);
    }

    void registration_data()
    {
        QTest::addColumn<bool>("handler");
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QStringList>("errors"); // of A and B
        QTest::addColumn<QList<Shortcut>>("live");
        QTest::newRow("refused") << true << QByteArray() << QStringList { QString(), refused(taken) }
                                 << QList<Shortcut> { opt1 };
        QTest::newRow("no handler") << false << QByteArray() << QStringList { refused(-9868), refused(-9868) }
                                    << QList<Shortcut>();
        QTest::newRow("invalid stored shortcut")
            << true
            << QByteArray(R"({"bindings":{"A":{"keyCode":18,"modifiers":2048},"B":{"keyCode":20,"modifiers":512}},)"
                          R"("knownDisplays":["A","B"]})")
            << QStringList { QString(), invalidText } << QList<Shortcut> { opt1 };
        QTest::newRow("disconnected display not registered")
            << true << QByteArray(R"({"bindings":{"C":{"keyCode":19,"modifiers":2048}},"knownDisplays":["C"]})")
            << QStringList { QString(), QString() } << QList<Shortcut> { opt1 };
    }

    void registration()
    {
        QFETCH(bool, handler);
        QFETCH(QByteArray, document);
        QFETCH(QStringList, errors);
        QFETCH(QList<Shortcut>, live);
        FakeHotKeyPlatform &hotKeys = m_platform->hotKeys();
        hotKeys.setInstallSucceeds(handler);
        hotKeys.setStatus(opt2, taken);
        if (!document.isEmpty())
            m_store->setValue(AppModel::PreferencesKey, document);
        AppModel &model = start();
        // Twice in a row gives the same as once.
        for (int pass = 0; pass < 2; ++pass) {
            const auto &actual = model.registrationErrors();
            QCOMPARE((QStringList { actual.value(u"A"_s), actual.value(u"B"_s) }), errors);
            QCOMPARE(actual.size(), errors.size() - errors.count(QString()));
            QCOMPARE(hotKeys.liveShortcuts(), live);
            model.refreshDisplays();
        }
        if (!handler)
            QVERIFY(hotKeys.registerCalls().isEmpty());
    }

    void recording_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("unboundBefore");
        QTest::addColumn<QList<Shortcut>>("presses");
        QTest::addColumn<Shortcut>("binding"); // afterwards; Shortcut() for none
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("recording"); // still recording afterwards
        const QString a = u"A"_s;
        const Shortcut none;
        QTest::newRow("escape with command")
            << a << false << QList { Shortcut(53, Shortcut::Command) } << opt1 << QString() << false;
        QTest::newRow("delete") << a << false << QList { Shortcut(51, 0) } << none << QString() << false;
        QTest::newRow("forward delete with shift")
            << a << false << QList { Shortcut(117, Shortcut::Shift) } << none << QString() << false;
        QTest::newRow("command Q is invalid")
            << a << false << QList { Shortcut(12, Shortcut::Command) } << opt1 << invalidMessage << true;
        QTest::newRow("held by a disconnected display")
            << a << false << QList { opt3 } << opt1 << conflictMessage << true;
        QTest::newRow("held by another display") << a << false << QList { opt2 } << opt1 << conflictMessage << true;
        QTest::newRow("accepted") << a << false << QList { opt5 } << opt5 << QString() << false;
        QTest::newRow("its own again") << a << false << QList { opt1 } << opt1 << QString() << false;
        QTest::newRow("invalid, then accepted")
            << a << false << QList { Shortcut(12, Shortcut::Command), opt5 } << opt5 << invalidMessage << false;
        QTest::newRow("refused keeps the old")
            << a << false << QList { ctrlOpt9 } << opt1 << refused(taken) + u" 已保留原设置。"_s << false;
        QTest::newRow("refused keeps none")
            << u"B"_s << true << QList { ctrlOpt9 } << none << refused(taken) + u" 已保留原设置。"_s << false;
        QTest::newRow("disconnected display") << u"C"_s << false << QList { opt6 } << opt6 << QString() << false;
    }

    void recording()
    {
        QFETCH(QString, id);
        QFETCH(bool, unboundBefore);
        QFETCH(QList<Shortcut>, presses);
        QFETCH(Shortcut, binding);
        QFETCH(QString, message);
        QFETCH(bool, recording);
        m_store->setValue(AppModel::PreferencesKey,
            QByteArray(R"({"bindings":{"C":{"keyCode":20,"modifiers":2048}},"knownDisplays":["C"]})"));
        m_platform->hotKeys().setStatus(ctrlOpt9, taken);
        AppModel &model = start();
        if (unboundBefore)
            model.clearShortcut(id);
        model.beginRecording(id);
        QVERIFY(m_platform->hotKeys().live().isEmpty());
        for (const Shortcut &press : presses)
            QVERIFY(model.handleRecordingKey(press.keyCode(), press.modifiers()));

        QCOMPARE(model.preferences().bindings.value(id), binding);
        QCOMPARE(model.preferences().bindings.contains(id), binding != Shortcut());
        QCOMPARE(stored().bindings, model.preferences().bindings);
        QCOMPARE(model.messageText(), message);
        QCOMPARE(model.recordingIDText(), recording ? id : QString());
        const FakeKeyboardPlatform &keyboard = m_platform->keyboard();
        QCOMPARE(keyboard.isGrabbed(), recording);
        QCOMPARE(keyboard.ungrabCount(), recording ? 0 : 1);
        QList<Shortcut> live;
        for (const QString &connected : { u"A"_s, u"B"_s }) {
            if (model.preferences().bindings.contains(connected) && !recording)
                live.append(model.preferences().bindings.value(connected));
        }
        QCOMPARE(m_platform->hotKeys().liveShortcuts(), live);
        QVERIFY(model.registrationErrors().isEmpty());
    }

    void recordingThroughKeyEvents()
    {
        FakeKeyboardPlatform &keyboard = m_platform->keyboard();
        keyboard.useUsLayout();
        keyboard.mapNative(0, 23); // QTest sends no native keycode: let it stand for the 5 key
        AppModel &model = start();
        KeySink window;
        auto *shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_5), &window);
        QSignalSpy fired(shortcut, &QShortcut::activated);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_5, Qt::AltModifier);
        QCOMPARE(fired.size(), 1);
        const int pressesBefore = window.presses(); // the Alt key

        model.beginRecording(u"B"_s);
        QTest::keyClick(&window, Qt::Key_Alt, Qt::AltModifier);
        QKeyEvent unknownKey(QEvent::KeyPress, Qt::Key_5, Qt::AltModifier, 999, 0, 0);
        QApplication::sendEvent(&window, &unknownKey);
        QCOMPARE(model.recordingIDText(), u"B"_s);
        QTest::keyClick(&window, Qt::Key_5, Qt::AltModifier);
        QCOMPARE(model.preferences().bindings.value(u"B"_s), opt5);
        QVERIFY(!model.recordingID());
        QCOMPARE(fired.size(), 1);
        QCOMPARE(window.presses(), pressesBefore);

        // The filter is gone with the recording.
        QTest::keyClick(&window, Qt::Key_5, Qt::AltModifier);
        QCOMPARE(fired.size(), 2);
        QTest::keyClick(&window, Qt::Key_X);
        QCOMPARE(window.presses(), pressesBefore + 2);
    }

    void recordingAnotherDisplay()
    {
        AppModel &model = start();
        model.beginRecording(u"A"_s);
        model.beginRecording(u"B"_s);
        QCOMPARE(model.recordingIDText(), u"B"_s);
        QVERIFY(m_platform->hotKeys().live().isEmpty());
        QCOMPARE(m_platform->keyboard().grabCount(), 2);
        QCOMPARE(m_platform->keyboard().ungrabCount(), 1);
        QVERIFY(model.handleRecordingKey(opt5.keyCode(), opt5.modifiers()));
        QCOMPARE(model.preferences().bindings.value(u"A"_s), opt1);
        QCOMPARE(model.preferences().bindings.value(u"B"_s), opt5);
    }

    void endingRecording_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QList<Shortcut>>("live");
        QTest::newRow("cancel") << u"cancel"_s << QList { opt1, opt2 };
        QTest::newRow("refresh") << u"refresh"_s << QList { opt1, opt2 };
        QTest::newRow("clear") << u"clear"_s << QList { opt1 };
        QTest::newRow("forget") << u"forget"_s << QList { opt1, opt2 };
        QTest::newRow("destruction") << u"destroy"_s << QList<Shortcut>();
    }

    void endingRecording()
    {
        QFETCH(QString, how);
        QFETCH(QList<Shortcut>, live);
        start().beginRecording(u"B"_s);
        if (how == u"cancel"_s)
            m_model->cancelRecording(true);
        else if (how == u"refresh"_s)
            m_model->refreshDisplays();
        else if (how == u"clear"_s)
            m_model->clearShortcut(u"B"_s);
        else if (how == u"forget"_s)
            m_model->forgetDisconnected();
        else
            m_model.reset();
        QVERIFY(!m_platform->keyboard().isGrabbed());
        QCOMPARE(m_platform->keyboard().ungrabCount(), 1);
        QCOMPARE(m_platform->hotKeys().liveShortcuts(), live);
        if (m_model)
            QVERIFY(!m_model->recordingID());
        KeySink sink;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_5, Qt::AltModifier, 31, 0, 0);
        QApplication::sendEvent(&sink, &press);
        QCOMPARE(sink.presses(), 1);
    }

    void unwritableStore()
    {
        // A regular file where the directory should be stops root as well.
        QFile blocker(m_dir->filePath(u"blocked"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString path = m_dir->filePath(u"blocked/dartline.ini"_s);
        m_store = std::make_unique<QSettings>(path, QSettings::IniFormat);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^Cannot write the settings file"_s));
        AppModel &model = start();
        QTest::failOnWarning(QRegularExpression(u"^Cannot write"_s));
        model.beginRecording(u"A"_s);
        model.handleRecordingKey(opt5.keyCode(), opt5.modifiers());
        model.setAnimateCursor(false);
        QCOMPARE(model.preferences().bindings.value(u"A"_s), opt5);
        QVERIFY(!model.animateCursor());
        QCOMPARE(m_store->status(), QSettings::AccessError);

        // Nothing is lost once the directory can be made: the next save writes it all.
        QVERIFY(blocker.remove());
        QVERIFY(QDir(m_dir->path()).mkdir(u"blocked"_s));
        model.clearShortcut(u"B"_s);
        const QString copy = m_dir->filePath(u"copy.ini"_s);
        QVERIFY(QFile::copy(path, copy));
        QSettings reread(copy, QSettings::IniFormat);
        QCOMPARE(reread.value(AppModel::AnimateCursorKey).toString(), u"false"_s);
        QCOMPARE(Preferences::fromJson(reread.value(AppModel::PreferencesKey).toByteArray()), model.preferences());
    }
};

QTEST_MAIN(TestAppModel)
#include "tst_appmodel.moc"
