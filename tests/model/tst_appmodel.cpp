// SPDX-License-Identifier: GPL-3.0-or-later
#include "displays/CursorAnimator.h"
#include "model/AppModel.h"
#include "model/SettingsStore.h"
#include "platform/fake/FakePlatform.h"
#include "tests/harness/TestFiles.h"

#include <QDir>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Dartline;
using namespace Qt::StringLiterals;
using Shortcuts = QList<Shortcut>;

using Message = std::optional<Notice>;
Q_DECLARE_METATYPE(Shortcut)
Q_DECLARE_METATYPE(Message)

namespace {
constexpr Shortcut alt1(18, Shortcut::Alt), alt2(19, Shortcut::Alt), alt3(20, Shortcut::Alt), alt5(23, Shortcut::Alt),
    ctrlAlt9(25, Shortcut::Control | Shortcut::Alt);
const QString A = u"A"_s, B = u"B"_s;

FakeScreen screen(quint32 number, const QString &uuid, qreal x)
{
    return FakeScreen { .number = number, .name = uuid, .bounds = QRectF(x, 0, 1920, 1080), .uuid = uuid };
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

    AppModel &start() { return *(m_model = std::make_unique<AppModel>(*m_platform, *m_store)); }
    QString path() const { return m_dir->filePath(u"dartline.ini"_s); }
    // What a fresh read of the store holds.
    std::optional<Preferences> stored() const
    {
        return Preferences::fromJson(
            QSettings(path(), QSettings::IniFormat).value(SettingsStore::PreferencesKey).toByteArray());
    }
    Shortcuts live() const { return m_platform->hotKeys().liveShortcuts(); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<FakePlatform>();
        m_platform->displays().setScreens({ screen(1, A, 0), screen(2, B, 1920) });
        m_store = std::make_unique<QSettings>(path(), QSettings::IniFormat);
    }
    void cleanup()
    {
        m_model.reset();
        m_store.reset();
    }

    void firstLaunch()
    {
        AppModel &model = start();
        QCOMPARE(model.preferences().knownDisplays, (QSet<QString> { A, B }));
        QCOMPARE(model.preferences().bindings, (QHash<QString, Shortcut> { { A, alt1 }, { B, alt2 } }));
        QCOMPARE(stored(), model.preferences());
        QCOMPARE(live(), (Shortcuts { alt1, alt2 }));
        QTest::ignoreMessage(QtInfoMsg, "Cursor moved to display 2, position 2880.000000, 540.000000");
        QCOMPARE(m_platform->hotKeys().press(alt2), HotKeyStatus::NoError);
        QCOMPARE(m_platform->cursor().warps(), QList<QPointF> { QPointF(2880, 540) });
        QVERIFY(model.animator().isPulsing());
        model.setAnimateCursor(false);
        QVERIFY(!model.animator().isPulsing());
        QCOMPARE(QSettings(path(), QSettings::IniFormat).value(SettingsStore::AnimateCursorKey), u"false"_s);
        m_platform->hotKeys().press(alt1);
        QVERIFY(!model.animator().isPulsing());
    }

    void storedEntries_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("unreadable"); // the file is kept aside before the defaults replace it
        const QString json = uR"({"bindings":{"A":{"keyCode":20,"modifiers":4096}},"knownDisplays":["A"]})"_s;
        QTest::newRow("document as text") << QVariant(json) << false;
        QTest::newRow("invalid") << QVariant(json.left(30).toUtf8()) << true;
        QTest::newRow("split at its commas") << QVariant(json.split(u',')) << true;
    }
    void storedEntries()
    {
        QFETCH(QVariant, value);
        QFETCH(bool, unreadable);
        m_store->setValue(SettingsStore::PreferencesKey, value);
        m_store->sync();
        const QByteArray written = readFile(path());
        if (unreadable)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^Cannot read the stored preferences"_s));
        AppModel &model = start();
        QCOMPARE(model.preferences().bindings.value(A), unreadable ? alt1 : Shortcut(20, Shortcut::Control));
        QCOMPARE(model.preferences().bindings.value(B), alt2);
        QCOMPARE(stored(), model.preferences());
        const QStringList copies = QDir(m_dir->path()).entryList({ u"dartline.ini.unreadable-*"_s });
        QCOMPARE(copies.size(), unreadable ? 1 : 0);
        if (unreadable)
            QCOMPARE(readFile(m_dir->filePath(copies.constFirst())), written);
    }

    void unplugAndForget()
    {
        start().setAnimateCursor(false);
        m_model.reset();
        QVERIFY(writeFile(path(), readFile(path()) + "; written by hand\nother = kept\n")); // lost by any rewrite
        const QByteArray before = readFile(path());
        m_store = std::make_unique<QSettings>(path(), QSettings::IniFormat);
        AppModel &model = start();
        QVERIFY(!model.animateCursor());
        m_platform->displays().removeScreen(2);
        model.refreshDisplays();
        QCOMPARE(model.disconnectedCount(), 1);
        QCOMPARE(model.preferences().bindings.value(B), alt2);
        QCOMPARE(live(), Shortcuts { alt1 });
        QCOMPARE(readFile(path()), before); // nothing changed, nothing written
        model.forgetDisconnected();
        QCOMPARE(model.preferences().knownDisplays, QSet<QString> { A });
        QCOMPARE(stored(), model.preferences());
        QCOMPARE(QSettings(path(), QSettings::IniFormat).value(u"other"_s), u"kept"_s);
    }

    void jump_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<QRectF>("bounds"); // B's now
        QTest::addColumn<int>("warpResult");
        QTest::addColumn<int>("code"); // 0 for success
        const QRectF right(1920, 0, 1920, 1080);
        QTest::newRow("moved since the refresh") << true << QRectF(-2560, 0, 2561, 1441) << 0 << 0;
        QTest::newRow("asleep") << false << right << 0 << 1010;
        QTest::newRow("empty") << true << QRectF(1920, 0, 0, 1080) << 0 << 1010;
        QTest::newRow("warp refused") << true << right << -5 << -5;
        // The desktop asks its user first, and answers later.
        QTest::newRow("allowed once asked") << true << right << CursorPlatform::WarpPending << 0;
        QTest::newRow("refused once asked") << true << right << CursorPlatform::WarpPending << -4;
    }
    void jump()
    {
        QFETCH(bool, active);
        QFETCH(QRectF, bounds);
        QFETCH(int, warpResult);
        QFETCH(int, code);
        AppModel &model = start();
        const Dartline::Display b = model.displays().at(1);
        QTest::ignoreMessage(QtCriticalMsg, "Cursor jump failed: 1010"); // a message for a success to clear
        model.jump(Dartline::Display { u"GONE"_s, 99, {}, QRectF(0, 0, 10, 10), false });
        m_platform->displays().screen(2).active = active;
        m_platform->displays().screen(2).bounds = bounds;
        m_platform->cursor().setWarpResult(warpResult);
        if (code != 0)
            QTest::ignoreMessage(QtCriticalMsg, qPrintable(u"Cursor jump failed: %1"_s.arg(code)));
        model.jump(b);
        if (warpResult == CursorPlatform::WarpPending) {
            QVERIFY(!model.animator().isPulsing() && !model.message());
            m_platform->cursor().settle(code);
        }
        QCOMPARE(model.message(), code ? Message(Notice(Notice::Kind::JumpFailed, code)) : std::nullopt);
        QCOMPARE(m_platform->cursor().warps(), code == 1010 ? QList<QPointF>() : QList<QPointF> { bounds.center() });
        QCOMPARE(model.animator().isPulsing(), code == 0);
    }

    // A desktop that binds the keys later may decline them: both cards say so, and the next look asks again.
    void refusedLater()
    {
        AppModel &model = start();
        m_platform->hotKeys().refuseLater(HotKeyStatus::DesktopRefused);
        const Notice refusal(Notice::Kind::RegistrationFailed, static_cast<int>(HotKeyStatus::DesktopRefused));
        QCOMPARE(model.registrationErrors(), (QHash<QString, Notice> { { A, refusal }, { B, refusal } }));
        model.retryFailedRegistrations();
        QVERIFY(model.registrationErrors().isEmpty());
    }

    void recording_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<Shortcuts>("presses");
        QTest::addColumn<Shortcut>("binding"); // afterwards; Shortcut() for none
        QTest::addColumn<Message>("message");
        QTest::addColumn<bool>("recording"); // still recording afterwards
        const Message invalid = Notice::Kind::NeedsModifier, conflict = Notice::Kind::ShortcutTaken;
        Message kept = Notice(Notice::Kind::RegistrationFailed, static_cast<int>(HotKeyStatus::HotKeyExists));
        kept->keptPrevious = true;
        const Shortcut ctrlQ(12, Shortcut::Control);
        QTest::newRow("escape with super") << A << Shortcuts { { 53, Shortcut::Super } } << alt1 << Message() << false;
        QTest::newRow("backspace") << A << Shortcuts { { 51, 0 } } << Shortcut() << Message() << false;
        QTest::newRow("delete") << A << Shortcuts { { 117, Shortcut::Shift } } << Shortcut() << Message() << false;
        QTest::newRow("ctrl Q") << A << Shortcuts { ctrlQ } << alt1 << invalid << true;
        QTest::newRow("held by a disconnected display") << A << Shortcuts { alt3 } << alt1 << conflict << true;
        QTest::newRow("its own again") << A << Shortcuts { alt1 } << alt1 << Message() << false;
        QTest::newRow("refused keeps the old") << A << Shortcuts { ctrlAlt9 } << alt1 << kept << false;
        // D is connected without a shortcut: the default of its position is C's.
        QTest::newRow("refused keeps none") << u"D"_s << Shortcuts { ctrlAlt9 } << Shortcut() << kept << false;
        QTest::newRow("disconnected display") << u"C"_s << Shortcuts { alt5 } << alt5 << Message() << false;
    }
    void recording()
    {
        QFETCH(QString, id);
        QFETCH(Shortcuts, presses);
        QFETCH(bool, recording);
        // C is known, bound and not connected.
        m_store->setValue(SettingsStore::PreferencesKey,
            QByteArray(R"({"bindings":{"C":{"keyCode":20,"modifiers":2048}},"knownDisplays":["C"]})"));
        m_platform->hotKeys().setStatus(ctrlAlt9, HotKeyStatus::HotKeyExists);
        m_platform->displays().addScreen(screen(4, u"D"_s, 3840));
        AppModel &model = start();
        model.beginRecording(id);
        QVERIFY(live().isEmpty());
        for (const Shortcut &press : presses)
            QVERIFY(model.handleRecordingKey(press.keyCode(), press.modifiers()));
        QTEST(model.preferences().bindings.value(id), "binding");
        QCOMPARE(stored()->bindings, model.preferences().bindings);
        QTEST(model.message(), "message");
        QCOMPARE(model.recordingID(), recording ? std::optional(id) : std::nullopt);
        QCOMPARE(m_platform->keyboard().isGrabbed(), recording);
        Shortcuts registered;
        for (const Dartline::Display &display : model.displays()) {
            if (!recording && model.preferences().bindings.contains(display.id))
                registered.append(model.preferences().bindings.value(display.id));
        }
        QCOMPARE(live(), registered);
        m_model.reset(); // a recording still running ends with the model
        QVERIFY(!m_platform->keyboard().isGrabbed());
    }

    // Ctrl+Alt for every default where it is free; the user's own combinations and the jump back's stay.
    void defaultModifiers()
    {
        const Shortcut ctrlAlt1(18, Shortcut::Control | Shortcut::Alt), ctrlAlt2(19, ctrlAlt1.modifiers());
        m_store->setValue(SettingsStore::PreferencesKey,
            QByteArray(R"({"bindings":{"C":{"keyCode":19,"modifiers":6144},"E":{"keyCode":20,"modifiers":2560}},)"
                       R"("knownDisplays":["C","E"]})"));
        AppModel &model = start();
        QCOMPARE(model.defaultModifiers(), std::nullopt);
        model.beginRecording(AppModel::JumpBackId);
        model.handleRecordingKey(alt5.keyCode(), alt5.modifiers());
        model.useDefaultModifiers(ctrlAlt1.modifiers());
        const QHash<QString, Shortcut> expected { { A, ctrlAlt1 }, { B, alt2 }, { u"C"_s, ctrlAlt2 },
            { u"E"_s, Shortcut(20, Shortcut::Shift | Shortcut::Alt) }, { AppModel::JumpBackId, alt5 } };
        QCOMPARE(model.preferences().bindings, expected);
        QCOMPARE(live(), (Shortcuts { ctrlAlt1, alt2, alt5 }));
        m_model.reset();
        m_platform->displays().addScreen(screen(4, u"D"_s, 3840));
        QCOMPARE(start().preferences().bindings.value(u"D"_s), Shortcut(20, ctrlAlt1.modifiers()));
        QCOMPARE(m_model->defaultModifiers(), std::optional(ctrlAlt1.modifiers()));
    }

    // A jump back returns and goes forward again; landing where left off reads the pointer's last place per display.
    void jumpBackAndLeftOff_data()
    {
        QTest::addColumn<bool>("landWhereLeftOff");
        QTest::addColumn<QRectF>("bounds"); // B's after a restart
        QTest::addColumn<QPointF>("landing"); // on B, after the restart
        const QRectF right(1920, 0, 1920, 1080);
        QTest::newRow("centre") << false << right << QPointF(2880, 540);
        QTest::newRow("where left off") << true << right << QPointF(3000, 100);
        QTest::newRow("where left off, moved") << true << QRectF(0, 1080, 1920, 1080) << QPointF(1080, 1180);
        QTest::newRow("left-off point no longer on it") << true << QRectF(1920, 0, 1024, 768) << QPointF(2432, 384);
    }
    void jumpBackAndLeftOff()
    {
        QFETCH(bool, landWhereLeftOff);
        QFETCH(QRectF, bounds);
        QFETCH(QPointF, landing);
        FakeCursorPlatform &cursor = m_platform->cursor();
        AppModel &model = start();
        model.setAnimateCursor(false);
        model.setLandWhereLeftOff(landWhereLeftOff);
        model.beginRecording(AppModel::JumpBackId);
        model.handleRecordingKey(ctrlAlt9.keyCode(), ctrlAlt9.modifiers());
        QCOMPARE(live(), (Shortcuts { alt1, alt2, ctrlAlt9 }));
        cursor.setLocation(QPointF(100, 200));
        m_platform->hotKeys().press(alt2);
        cursor.setLocation(QPointF(3000, 100));
        m_platform->hotKeys().press(alt1);
        QCOMPARE(cursor.location(), landWhereLeftOff ? QPointF(100, 200) : QPointF(960, 540));
        m_platform->hotKeys().press(ctrlAlt9);
        QCOMPARE(cursor.location(), QPointF(3000, 100));
        m_platform->hotKeys().press(ctrlAlt9); // forward again
        QCOMPARE(cursor.location(), landWhereLeftOff ? QPointF(100, 200) : QPointF(960, 540));
        QVERIFY(!stored()->bindings.contains(AppModel::JumpBackId)); // older versions read the document as before

        m_model.reset();
        m_platform->displays().screen(2).bounds = bounds;
        AppModel &again = start();
        QCOMPARE(again.preferences().bindings.value(AppModel::JumpBackId), ctrlAlt9);
        m_platform->hotKeys().press(alt2);
        QCOMPARE(cursor.location(), landing);
        // Back to A, then A goes: the pointer stays, and the user is told.
        m_platform->displays().removeScreen(1);
        again.refreshDisplays();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"came from is gone"_s));
        m_platform->hotKeys().press(ctrlAlt9);
        QCOMPARE(cursor.location(), landing);
        QCOMPARE(again.message(), Message(Notice::Kind::ReturnPointGone));
    }
};

QTEST_MAIN(TestAppModel)
#include "tst_appmodel.moc"
