// SPDX-License-Identifier: GPL-3.0-or-later
#include "displays/CursorAnimator.h"
#include "model/AppModel.h"
#include "model/SettingsStore.h"
#include "platform/fake/FakePlatform.h"

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSettings>
#include <QShortcut>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Dartline;

Q_DECLARE_METATYPE(Shortcut)

using namespace Qt::StringLiterals;
using Shortcuts = QList<Shortcut>;

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

constexpr Shortcut opt1(18, Shortcut::Alt), opt2(19, Shortcut::Alt), opt3(20, Shortcut::Alt), opt5(23, Shortcut::Alt),
    ctrlOpt9(25, Shortcut::Control | Shortcut::Alt);
constexpr HotKeyStatus taken = HotKeyStatus::HotKeyExists;
const QString A = u"A"_s, B = u"B"_s;

const QString refusedTaken = u"快捷键注册失败，可能已被系统或其他应用占用。（-9878）"_s;

// The line QSettings writes for `value` as the stored document.
QByteArray storedLine(const QVariant &value)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"line.ini"_s);
    QSettings(path, QSettings::IniFormat).setValue(SettingsStore::PreferencesKey, value);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().split('\n').value(1) : QByteArray();
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

// Displays A (number 1, left) and B (number 2, right) are connected in every test.
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
        return Preferences::fromJson(m_store->value(SettingsStore::PreferencesKey).toByteArray())
            .value_or(Preferences());
    }
    Shortcuts live() const { return m_platform->hotKeys().liveShortcuts(); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<FakePlatform>();
        m_platform->displays().setScreens({ screen(1, A, 0), screen(2, B, 1920) });
        m_store = std::make_unique<QSettings>(m_dir->filePath(u"dartline.ini"_s), QSettings::IniFormat);
    }

    void cleanup()
    {
        m_model.reset();
        m_store.reset();
        m_platform.reset();
    }

    void firstLaunch()
    {
        AppModel &model = start();
        QCOMPARE(model.preferences().knownDisplays, (QSet<QString> { A, B }));
        QCOMPARE(model.preferences().bindings, (QHash<QString, Shortcut> { { A, opt1 }, { B, opt2 } }));
        QVERIFY(model.animateCursor());
        QVERIFY(QFile::exists(m_store->fileName()));
        QCOMPARE(stored(), model.preferences());
        QCOMPARE(live(), (Shortcuts { opt1, opt2 }));
        // B's hot key jumps to B's centre, end to end.
        QTest::ignoreMessage(QtInfoMsg, "Cursor moved to display 2, position 2880.000000, 540.000000");
        QCOMPARE(m_platform->hotKeys().press(opt2), HotKeyStatus::NoError);
        QCOMPARE(m_animator->shows(), QList<QPointF> { QPointF(2880, 540) });
    }

    void storedEntries_data()
    {
        QTest::addColumn<QByteArray>("ini"); // the lines under [General]
        QTest::addColumn<Shortcut>("bindingOfA");
        QTest::addColumn<bool>("animateCursor");
        QTest::addColumn<bool>("unreadable"); // the file is kept aside before the defaults replace it
        const QByteArray json = R"({"bindings":{"A":{"keyCode":20,"modifiers":4096}},"knownDisplays":["A"]})";
        const Shortcut ctrl20(20, Shortcut::Control);
        QTest::newRow("document") << storedLine(json) << ctrl20 << true << false;
        QTest::newRow("document as text") << storedLine(QString::fromUtf8(json)) << ctrl20 << true << false;
        QTest::newRow("invalid JSON") << storedLine(json.left(30)) << opt1 << true << true;
        QTest::newRow("keyCode 1.5") << storedLine(QByteArray(json).replace("20", "1.5")) << opt1 << true << true;
        QTest::newRow("array for an object")
            << storedLine(QByteArray(R"({"bindings":[],"knownDisplays":[]})")) << opt1 << true << true;
        // The INI parser takes the quotes out and splits at the commas.
        QTest::newRow("written by hand") << "displayPreferences.v1=" + json << opt1 << true << true;
        QTest::newRow("flag off as text") << QByteArray("animateCursor=false") << opt1 << false << false;
        QTest::newRow("flag as other text") << QByteArray("animateCursor=no") << opt1 << true << false;
    }

    void storedEntries()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, unreadable);
        const QString path = m_store->fileName();
        m_store.reset();
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray written = "[General]\n" + ini + '\n';
        file.write(written);
        file.close();
        m_store = std::make_unique<QSettings>(path, QSettings::IniFormat);
        if (unreadable)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^Cannot read the stored preferences"_s));
        AppModel &model = start();
        QTEST(model.preferences().bindings.value(A), "bindingOfA");
        QCOMPARE(model.preferences().bindings.value(B), opt2);
        QTEST(model.animateCursor(), "animateCursor");
        QCOMPARE(m_store->value(SettingsStore::PreferencesKey).typeId(), QMetaType::QByteArray);
        QCOMPARE(stored(), model.preferences());
        // What could not be read is there byte for byte; nothing else is copied.
        const QStringList copies = QDir(m_dir->path()).entryList({ u"dartline.ini.unreadable-*"_s });
        QCOMPARE(copies.size(), unreadable ? 1 : 0);
        if (unreadable) {
            QFile copy(m_dir->filePath(copies.constFirst()));
            QVERIFY(copy.open(QIODevice::ReadOnly));
            QCOMPARE(copy.readAll(), written);
        }
    }

    void writesOnlyChanges()
    {
        start();
        m_model.reset();
        m_store.reset();
        // Lines as a person writes them, which a rewrite would not keep.
        const QString path = m_dir->filePath(u"dartline.ini"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("; written by hand\nother = kept\n");
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        m_store = std::make_unique<QSettings>(path, QSettings::IniFormat);
        AppModel &model = start();
        m_platform->displays().screen(2).bounds = QRectF(1920, 0, 2560, 1440);
        model.refreshDisplays();
        model.cancelRecording(true);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        file.close();

        model.clearShortcut(B);
        const QSettings reread(path, QSettings::IniFormat);
        QCOMPARE(reread.value(u"other"_s), QVariant(u"kept"_s));
        QCOMPARE(Preferences::fromJson(reread.value(SettingsStore::PreferencesKey).toByteArray()), model.preferences());
    }

    void unplugThenForget()
    {
        AppModel &model = start();
        m_platform->displays().removeScreen(2);
        model.refreshDisplays();
        QCOMPARE(model.disconnectedCount(), 1);
        QCOMPARE(model.preferences().bindings.value(B), opt2);
        QCOMPARE(live(), Shortcuts { opt1 });
        QVERIFY(model.registrationErrors().isEmpty());

        model.forgetDisconnected();
        QCOMPARE(model.disconnectedCount(), 0);
        QVERIFY(!model.preferences().bindings.contains(B));
        QVERIFY(!model.preferences().knownDisplays.contains(B));
        QCOMPARE(stored(), model.preferences());
        // Back again, B is new and is offered the suggestion of its position.
        m_platform->displays().addScreen(screen(2, B, 1920));
        model.refreshDisplays();
        QCOMPARE(model.preferences().bindings.value(B), opt2);
    }

    void jump_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<QRectF>("bounds"); // B's bounds now
        QTest::addColumn<int>("warpResult");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<int>("code"); // 0 for success
        const QRectF right(1920, 0, 1920, 1080);
        QTest::newRow("moved since the refresh") << true << QRectF(0, 0, 1920, 1080) << 0 << true << 0;
        QTest::newRow("location unreadable") << true << right << 0 << false << 0;
        QTest::newRow("asleep") << false << right << 0 << true << 1010;
        QTest::newRow("empty bounds") << true << QRectF(1920, 0, 0, 1080) << 0 << true << 1010;
        QTest::newRow("warp refused") << true << right << -5 << true << -5;
    }

    void jump()
    {
        QFETCH(bool, active);
        QFETCH(QRectF, bounds);
        QFETCH(int, warpResult);
        QFETCH(bool, readable);
        QFETCH(int, code);
        AppModel &model = start();
        const Dartline::Display b = model.displays().at(1);
        // A stale record first, so that a success has a message to clear.
        QTest::ignoreMessage(QtCriticalMsg, "Cursor jump failed: 1010");
        model.jump(Dartline::Display { u"GONE"_s, 99, {}, QRectF(0, 0, 10, 10), false });
        QVERIFY(model.message());

        m_platform->displays().screen(2).active = active;
        m_platform->displays().screen(2).bounds = bounds;
        m_platform->cursor().setWarpResult(warpResult);
        if (!readable) {
            m_platform->cursor().setFollowsWarp(false);
            m_platform->cursor().setLocation(std::nullopt);
        }
        const QPointF landing = readable ? bounds.center() : QPointF(0, 0);
        if (code == 0) {
            QTest::ignoreMessage(QtInfoMsg,
                qPrintable(QString::asprintf("Cursor moved to display 2, position %f, %f", landing.x(), landing.y())));
        } else {
            QTest::ignoreMessage(QtCriticalMsg, qPrintable(u"Cursor jump failed: %1"_s.arg(code)));
        }
        model.jump(b);
        QCOMPARE(model.message().has_value(), code != 0);
        if (code != 0)
            QCOMPARE(*model.message(), u"无法移动到该屏幕，请检查显示器连接。（%1）"_s.arg(code));
        QCOMPARE(m_platform->cursor().warps().size(), code == 1010 ? 0 : 1);
        QCOMPARE(m_animator->shows(), code == 0 ? QList<QPointF> { landing } : QList<QPointF>());
    }

    void animateCursorOff()
    {
        AppModel &model = start();
        model.setAnimateCursor(false);
        QCOMPARE(m_animator->cancels(), 1);
        QCOMPARE(m_store->value(SettingsStore::AnimateCursorKey), QVariant(false));
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^Cursor moved"_s));
        model.jump(model.displays().at(0));
        model.setAnimateCursor(true);
        QVERIFY(m_animator->shows().isEmpty());
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^Cursor moved"_s));
        model.jump(model.displays().at(0));
        QCOMPARE(m_animator->shows().size(), 1);
        QCOMPARE(m_animator->cancels(), 1);
    }

    void registration_data()
    {
        QTest::addColumn<bool>("handler");
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QStringList>("errors"); // of A and B
        QTest::addColumn<Shortcuts>("registered");
        QTest::newRow("refused") << true << QByteArray() << QStringList { {}, refusedTaken } << Shortcuts { opt1 };
        QTest::newRow("no handler") << false << QByteArray()
                                    << QStringList { u"快捷键注册失败。（-9868）"_s, u"快捷键注册失败。（-9868）"_s }
                                    << Shortcuts();
        QTest::newRow("key not in the layout")
            << true << QByteArray(R"({"bindings":{"B":{"keyCode":20,"modifiers":2048}},"knownDisplays":["B"]})")
            << QStringList { {}, u"当前键盘布局中没有这个键，快捷键无法注册。（-9879）"_s } << Shortcuts { opt1 };
        // Ctrl alone on Q is the windows' Quit; Super on Q is free.
        QTest::newRow("reserved stored shortcut")
            << true
            << QByteArray(R"({"bindings":{"A":{"keyCode":12,"modifiers":4096},"B":{"keyCode":12,"modifiers":256}},)"
                          R"("knownDisplays":["A","B"]})")
            << QStringList { u"Ctrl+Q 保留给 Dartline 自己的窗口，请重新设置。"_s, {} }
            << Shortcuts { { 12, Shortcut::Super } };
        QTest::newRow("invalid stored shortcut")
            << true
            << QByteArray(R"({"bindings":{"A":{"keyCode":18,"modifiers":2048},"B":{"keyCode":20,"modifiers":512}},)"
                          R"("knownDisplays":["A","B"]})")
            << QStringList { {}, u"快捷键无效，请重新设置。"_s } << Shortcuts { opt1 };
        QTest::newRow("disconnected display not registered")
            << true << QByteArray(R"({"bindings":{"C":{"keyCode":19,"modifiers":2048}},"knownDisplays":["C"]})")
            << QStringList { {}, {} } << Shortcuts { opt1 };
    }

    void registration()
    {
        QFETCH(bool, handler);
        QFETCH(QByteArray, document);
        QFETCH(QStringList, errors);
        m_platform->hotKeys().setInstallSucceeds(handler);
        m_platform->hotKeys().setStatus(opt2, taken);
        m_platform->hotKeys().setStatus(opt3, HotKeyStatus::NoKeyCode);
        m_platform->keyboard().useUsLayout();
        if (!document.isEmpty())
            m_store->setValue(SettingsStore::PreferencesKey, document);
        AppModel &model = start();
        for (int pass = 0; pass < 2; ++pass) { // twice in a row gives the same as once
            const auto &actual = model.registrationErrors();
            QCOMPARE((QStringList { actual.value(A), actual.value(B) }), errors);
            QCOMPARE(actual.size(), errors.size() - errors.count(QString()));
            QTEST(live(), "registered");
            model.refreshDisplays();
        }
        QCOMPARE(m_platform->hotKeys().registerCalls().isEmpty(), !handler);
    }

    void retryAfterRelease_data()
    {
        QTest::addColumn<bool>("refresh"); // a display change rather than an explicit retry
        QTest::newRow("retry") << false;
        QTest::newRow("display change") << true;
    }

    void retryAfterRelease()
    {
        QFETCH(bool, refresh);
        m_platform->hotKeys().setStatus(opt2, taken);
        AppModel &model = start();
        const auto &calls = m_platform->hotKeys().registerCalls();
        const qsizetype before = calls.size();
        model.retryFailedRegistrations(); // still held: B alone is asked for again
        QCOMPARE(calls.size(), before + 1);
        QCOMPARE(calls.constLast().shortcut, opt2);
        QCOMPARE(model.registrationErrors().value(B), refusedTaken);
        model.beginRecording(A); // a recording holds the keys itself
        model.retryFailedRegistrations();
        QVERIFY(live().isEmpty());
        model.cancelRecording(true);

        m_platform->hotKeys().clearStatuses(); // the other client lets go
        if (refresh)
            model.refreshDisplays();
        else
            model.retryFailedRegistrations();
        QCOMPARE(live(), (Shortcuts { opt1, opt2 }));
        QVERIFY(model.registrationErrors().isEmpty());
        QTest::ignoreMessage(QtInfoMsg, "Cursor moved to display 2, position 2880.000000, 540.000000");
        QCOMPARE(m_platform->hotKeys().press(opt2), HotKeyStatus::NoError);
        // With nothing refused, a retry asks the window system nothing.
        const qsizetype after = calls.size();
        model.retryFailedRegistrations();
        QCOMPARE(calls.size(), after);
    }

    void recording_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<Shortcuts>("presses");
        QTest::addColumn<Shortcut>("binding"); // afterwards; Shortcut() for none
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("recording"); // still recording afterwards
        const QString invalid = u"请包含 Ctrl、Alt 或 Super；Ctrl+Q、Ctrl+W 和 Ctrl+, 保留给 Dartline 自己的窗口。"_s;
        const QString conflict = u"该快捷键已绑定另一块屏幕（包括暂未连接的屏幕）。"_s;
        const QString kept = refusedTaken + u" 已保留原设置。"_s;
        const Shortcut ctrlQ(12, Shortcut::Control);
        QTest::newRow("escape with command")
            << A << Shortcuts { { 53, Shortcut::Super } } << opt1 << QString() << false;
        QTest::newRow("delete") << A << Shortcuts { { 51, 0 } } << Shortcut() << QString() << false;
        QTest::newRow("forward delete") << A << Shortcuts { { 117, Shortcut::Shift } } << Shortcut() << QString()
                                        << false;
        QTest::newRow("ctrl Q") << A << Shortcuts { ctrlQ } << opt1 << invalid << true;
        QTest::newRow("held by a disconnected display") << A << Shortcuts { opt3 } << opt1 << conflict << true;
        QTest::newRow("accepted") << A << Shortcuts { opt5 } << opt5 << QString() << false;
        QTest::newRow("its own again") << A << Shortcuts { opt1 } << opt1 << QString() << false;
        QTest::newRow("invalid, then accepted") << A << Shortcuts { ctrlQ, opt5 } << opt5 << invalid << false;
        QTest::newRow("refused keeps the old") << A << Shortcuts { ctrlOpt9 } << opt1 << kept << false;
        // D is connected without a shortcut: the suggestion of its position is C's.
        QTest::newRow("refused keeps none") << u"D"_s << Shortcuts { ctrlOpt9 } << Shortcut() << kept << false;
        QTest::newRow("disconnected display") << u"C"_s << Shortcuts { opt5 } << opt5 << QString() << false;
    }

    void recording()
    {
        QFETCH(QString, id);
        QFETCH(Shortcuts, presses);
        QFETCH(Shortcut, binding);
        QFETCH(bool, recording);
        // C is known, bound and not connected.
        m_store->setValue(SettingsStore::PreferencesKey,
            QByteArray(R"({"bindings":{"C":{"keyCode":20,"modifiers":2048}},"knownDisplays":["C"]})"));
        m_platform->hotKeys().setStatus(ctrlOpt9, taken);
        AppModel &model = start();
        if (id == u"D"_s) {
            m_platform->displays().addScreen(screen(4, id, 3840));
            model.refreshDisplays();
        }
        model.beginRecording(id);
        QVERIFY(live().isEmpty());
        for (const Shortcut &press : presses)
            QVERIFY(model.handleRecordingKey(press.keyCode(), press.modifiers()));

        QCOMPARE(model.preferences().bindings.value(id), binding);
        QCOMPARE(model.preferences().bindings.contains(id), binding != Shortcut());
        QCOMPARE(stored().bindings, model.preferences().bindings);
        QTEST(model.message().value_or(QString()), "message");
        QCOMPARE(model.recordingID(), recording ? std::optional<QString>(id) : std::nullopt);
        QCOMPARE(m_platform->keyboard().isGrabbed(), recording);
        QCOMPARE(m_platform->keyboard().ungrabCount(), recording ? 0 : 1);
        QVERIFY(model.registrationErrors().isEmpty());
        Shortcuts registered;
        for (const Dartline::Display &display : model.displays()) {
            if (!recording && model.preferences().bindings.contains(display.id))
                registered.append(model.preferences().bindings.value(display.id));
        }
        QCOMPARE(live(), registered);
    }

    void recordingThroughKeyEvents()
    {
        m_platform->keyboard().useUsLayout();
        m_platform->keyboard().mapNative(0, 23); // QTest sends no native keycode: let it stand for the 5 key
        AppModel &model = start();
        KeySink window;
        auto *shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_5), &window);
        QSignalSpy fired(shortcut, &QShortcut::activated);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_5, Qt::AltModifier);
        QCOMPARE(fired.size(), 1);
        const int presses = window.presses(); // the Alt key's

        model.beginRecording(B);
        QTest::keyClick(&window, Qt::Key_Alt, Qt::AltModifier); // alone: waits for the key
        QKeyEvent unknownKey(QEvent::KeyPress, Qt::Key_5, Qt::AltModifier, 999, 0, 0);
        QApplication::sendEvent(&window, &unknownKey);
        QCOMPARE(model.recordingID(), std::optional<QString>(B));
        QTest::keyClick(&window, Qt::Key_5, Qt::AltModifier);
        QCOMPARE(model.preferences().bindings.value(B), opt5);
        QVERIFY(!model.recordingID());
        QCOMPARE(fired.size(), 1);
        QCOMPARE(window.presses(), presses);
        // The filter went with the recording.
        QTest::keyClick(&window, Qt::Key_5, Qt::AltModifier);
        QCOMPARE(fired.size(), 2);
    }

    void endingRecording_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<Shortcuts>("registered");
        QTest::newRow("cancel") << u"cancel"_s << Shortcuts { opt1, opt2 };
        QTest::newRow("refresh") << u"refresh"_s << Shortcuts { opt1, opt2 };
        QTest::newRow("clear") << u"clear"_s << Shortcuts { opt1 };
        QTest::newRow("forget") << u"forget"_s << Shortcuts { opt1, opt2 };
        QTest::newRow("another display") << u"begin"_s << Shortcuts();
        QTest::newRow("destruction") << u"destroy"_s << Shortcuts();
    }

    void endingRecording()
    {
        QFETCH(QString, how);
        start().beginRecording(B);
        if (how == u"cancel"_s)
            m_model->cancelRecording(true);
        else if (how == u"refresh"_s)
            m_model->refreshDisplays();
        else if (how == u"clear"_s)
            m_model->clearShortcut(B);
        else if (how == u"forget"_s)
            m_model->forgetDisconnected();
        else if (how == u"begin"_s)
            m_model->beginRecording(A);
        else
            m_model.reset();
        QCOMPARE(m_platform->keyboard().ungrabCount(), 1);
        QCOMPARE(m_platform->keyboard().isGrabbed(), how == u"begin"_s);
        QTEST(live(), "registered");
        if (m_model)
            QCOMPARE(m_model->recordingID(), how == u"begin"_s ? std::optional<QString>(A) : std::nullopt);
        // One filter at most: a press reaches the widget, or is recorded once.
        KeySink sink;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_5, Qt::AltModifier, 31, 0, 0);
        m_platform->keyboard().useUsLayout();
        QApplication::sendEvent(&sink, &press);
        QCOMPARE(sink.presses(), how == u"begin"_s ? 0 : 1);
        if (how == u"begin"_s)
            QCOMPARE(m_model->preferences().bindings.value(A), opt5);
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
        QTest::failOnWarning(QRegularExpression(u"^Cannot write"_s)); // said once, not at every save
        model.beginRecording(A);
        model.handleRecordingKey(opt5.keyCode(), opt5.modifiers());
        model.setAnimateCursor(false);
        QCOMPARE(model.preferences().bindings.value(A), opt5);
        QCOMPARE(m_store->status(), QSettings::AccessError);

        // Nothing is lost once the directory can be made: the next save writes it all.
        QVERIFY(blocker.remove());
        QVERIFY(QDir(m_dir->path()).mkdir(u"blocked"_s));
        model.clearShortcut(B);
        const QString copy = m_dir->filePath(u"copy.ini"_s);
        QVERIFY(QFile::copy(path, copy));
        const QSettings reread(copy, QSettings::IniFormat);
        QCOMPARE(reread.value(SettingsStore::AnimateCursorKey).toString(), u"false"_s);
        QCOMPARE(Preferences::fromJson(reread.value(SettingsStore::PreferencesKey).toByteArray()), model.preferences());
    }
};

QTEST_MAIN(TestAppModel)
#include "tst_appmodel.moc"
