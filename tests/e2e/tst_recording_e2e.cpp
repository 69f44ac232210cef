// SPDX-License-Identifier: GPL-3.0-or-later
// Recording a shortcut with real key presses: XTEST input into a focused
// window, the model's key filter, the keyboard grab and the real hot keys.

#include "displays/CursorAnimator.h"
#include "hotkeys/KeyLabels.h"
#include "model/AppModel.h"
#include "model/SettingsStore.h"
#include "platform/backends/PlatformBackends.h"
#include "tests/harness/X11TestMain.h"
#include "tests/harness/OtherClient.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include <xcb/xcb.h>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

XServer &server()
{
    return *XServer::current();
}

const QString Invalid
    = QString::fromUtf8("请包含 Ctrl、Alt 或 Super；Ctrl+Q、Ctrl+W 和 Ctrl+, 保留给 Dartline 自己的窗口。");
const QString Conflict = QString::fromUtf8("该快捷键已绑定另一块屏幕（包括暂未连接的屏幕）。");
const QString Refused = QString::fromUtf8("快捷键注册失败，可能已被系统或其他应用占用。（-9878） 已保留原设置。");
const QString GoneDisplay = u"fallback-gone"_s;
constexpr QPoint FirstCentre(512, 384);

} // namespace

class TestRecordingEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void record_data();
    void record();
    void recordAnotherDisplayMeanwhile();
    void keycapLabelsFollowLayout_data();
    void keycapLabelsFollowLayout();

private:
    // "Control_L+Alt_L+k": modifiers held in order, the last key tapped.
    bool keyboardFree();

    QTemporaryDir m_dir;
    std::unique_ptr<Platform> m_platform;
    std::unique_ptr<XTestClient> m_input;
    std::unique_ptr<OtherClient> m_other;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<QWidget> m_window;
};

void TestRecordingEndToEnd::initTestCase()
{
    QVERIFY(server().resetOutputs());
    QVERIFY(server().xrandr({ u"--output"_s, u"DUMMY1"_s, u"--mode"_s, u"800x600"_s, u"--right-of"_s, u"DUMMY0"_s }));
    m_platform = createPlatform();
    m_input = std::make_unique<XTestClient>(server().displayName());
    m_other = std::make_unique<OtherClient>(server().displayName());
}

void TestRecordingEndToEnd::init()
{
    // The connected displays get Alt+1 and Alt+2; one that is not connected has Alt+7.
    m_store = std::make_unique<QSettings>(m_dir.filePath(u"store.ini"_s), QSettings::IniFormat);
    Preferences stored;
    stored.bindings.insert(GoneDisplay, Shortcut(26, Shortcut::Alt));
    stored.knownDisplays.insert(GoneDisplay);
    m_store->setValue(SettingsStore::PreferencesKey, stored.toJson());
    m_model = std::make_unique<AppModel>(*m_platform, *m_store);
    m_model->setAnimateCursor(false);

    m_window = std::make_unique<QWidget>();
    m_window->setGeometry(100, 100, 300, 200);
    m_window->show();
    m_window->activateWindow();
    QTRY_VERIFY(m_window->isActiveWindow());
}

void TestRecordingEndToEnd::cleanup()
{
    m_window.reset();
    m_model.reset();
    m_store->clear();
    m_store.reset();
}

bool TestRecordingEndToEnd::keyboardFree()
{
    const bool free = m_other->grabKeyboard() == std::optional<int>(0);
    m_other->ungrabKeyboard();
    return free;
}

void TestRecordingEndToEnd::record_data()
{
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<bool>("stillRecording");
    QTest::addColumn<int>("keyCode"); // of the first display's binding afterwards; -1: none
    QTest::addColumn<quint32>("modifiers");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("globalKey"); // then jumps to the first display; empty: nothing bound

    const quint32 alt = Shortcut::Alt;
    const QString altOne = u"Alt_L+1"_s;
    QTest::newRow("Escape with Super held")
        << QStringList { u"Super_L+Escape"_s } << false << 18 << alt << QString() << altOne;
    QTest::newRow("Delete") << QStringList { u"BackSpace"_s } << false << -1 << 0u << QString() << QString();
    QTest::newRow("Forward Delete") << QStringList { u"Delete"_s } << false << -1 << 0u << QString() << QString();
    QTest::newRow("Ctrl+Q") << QStringList { u"Control_L+q"_s } << true << 18 << alt << Invalid << altOne;
    QTest::newRow("bound to a disconnected display")
        << QStringList { u"Alt_L+7"_s } << true << 18 << alt << Conflict << altOne;
    QTest::newRow("accepted") << QStringList { u"Control_L+Alt_L+k"_s } << false << 40 << (Shortcut::Control | alt)
                              << QString() << u"Control_L+Alt_L+k"_s;
    QTest::newRow("held by another client")
        << QStringList { u"Control_L+Alt_L+j"_s } << false << 18 << alt << Refused << altOne;
    QTest::newRow("Alt alone, then Alt+5")
        << QStringList { u"Alt_L"_s, u"Alt_L+5"_s } << false << 23 << alt << QString() << u"Alt_L+5"_s;
}

void TestRecordingEndToEnd::record()
{
    QFETCH(QStringList, presses);
    QFETCH(bool, stillRecording);
    QFETCH(int, keyCode);
    QFETCH(quint32, modifiers);
    QFETCH(QString, message);
    QFETCH(QString, globalKey);

    const quint8 j = m_input->keycodeOf(u"j"_s).value_or(0);
    const quint16 controlAlt
        = XCB_MOD_MASK_CONTROL | m_other->modifierOf(m_input->keycodeOf(u"Alt_L"_s).value_or(0)).value_or(0);
    QVERIFY(m_other->grabKey(j, controlAlt));
    const QString first = m_model->displays().first().id;

    m_model->beginRecording(first);
    QVERIFY(!keyboardFree());
    for (const QString &press : std::as_const(presses))
        QVERIFY(m_input->typeCombination(press));
    QTRY_VERIFY(!m_model->recordingID() || m_model->message());

    QCOMPARE(m_model->recordingID().has_value(), stillRecording);
    QCOMPARE(m_model->message().value_or(QString()), message);
    const auto binding = m_model->preferences().bindings.constFind(first);
    QCOMPARE(binding != m_model->preferences().bindings.cend(), keyCode >= 0);
    if (keyCode >= 0)
        QCOMPARE(*binding, Shortcut(quint32(keyCode), modifiers));
    // What the store holds is what the model holds: saved when accepted, and
    // never written with a binding that was rolled back.
    const auto stored = Preferences::fromJson(
        QSettings(m_store->fileName(), QSettings::IniFormat).value(SettingsStore::PreferencesKey).toByteArray());
    QVERIFY(stored);
    QCOMPARE(stored->bindings, m_model->preferences().bindings);

    if (stillRecording)
        m_model->cancelRecording(true);
    QVERIFY(keyboardFree());
    m_other->ungrabKey(j, controlAlt);
    if (!globalKey.isEmpty()) {
        QVERIFY(m_input->movePointer(QPoint(1500, 500)));
        QVERIFY(m_input->typeCombination(globalKey));
        QTRY_COMPARE(m_input->pointer(), std::optional<QPoint>(FirstCentre));
    }
}

void TestRecordingEndToEnd::recordAnotherDisplayMeanwhile()
{
    const QList<Dartline::Display> displays = m_model->displays();
    const quint8 one = m_input->keycodeOf(u"1"_s).value_or(0);
    const quint16 altMask = m_other->modifierOf(m_input->keycodeOf(u"Alt_L"_s).value_or(0)).value_or(0);

    m_model->beginRecording(displays[0].id);
    m_model->beginRecording(displays[1].id);
    QCOMPARE(m_model->recordingID(), std::optional<QString>(displays[1].id));
    QVERIFY(!keyboardFree());
    // The hot keys stay off: the first display's Alt+1 is free for anyone.
    QVERIFY(m_other->grabKey(one, altMask));
    m_other->ungrabKey(one, altMask);

    QVERIFY(m_input->typeCombination(u"Escape"_s));
    QTRY_VERIFY(!m_model->recordingID());
    QVERIFY(keyboardFree());
    QVERIFY(!m_other->grabKey(one, altMask));
}

void TestRecordingEndToEnd::keycapLabelsFollowLayout_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<QString>("label");
    QTest::newRow("us") << u"us"_s << 6u << u"Z"_s;
    QTest::newRow("de") << u"de"_s << 6u << u"Y"_s;
    QTest::newRow("fr") << u"fr"_s << 12u << u"A"_s;
    QTest::newRow("ru,us") << u"ru,us"_s << 12u << u"Q"_s;
}

void TestRecordingEndToEnd::keycapLabelsFollowLayout()
{
    QFETCH(QString, layout);
    QFETCH(quint32, keyCode);
    QFETCH(QString, label);

    QVERIFY(server().setxkbmap({ layout }));
    const QStringList labels
        = keycapLabels(Shortcut(keyCode, Shortcut::Control | Shortcut::Alt), m_platform->keyboard());
    QCOMPARE(labels, (QStringList { u"Ctrl"_s, u"Alt"_s, label }));
    QVERIFY(server().setxkbmap({ u"us"_s }));
}

DARTLINE_X11_TEST_MAIN(TestRecordingEndToEnd)

#include "tst_recording_e2e.moc"
