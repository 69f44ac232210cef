// SPDX-License-Identifier: GPL-3.0-or-later
// Hot keys and recording end to end: XTEST key presses, the grabs, the model, the pointer as the server has it.
#include "displays/CursorAnimator.h"
#include "model/AppModel.h"
#include "model/SettingsStore.h"
#include "platform/backends/PlatformBackends.h"
#include "tests/harness/X11TestMain.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

using namespace Qt::StringLiterals;
using Message = std::optional<Dartline::Notice>;
Q_DECLARE_METATYPE(Message)
Q_DECLARE_METATYPE(Dartline::Shortcut)

class TestJumpEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QSettings m_store { m_dir.filePath(u"store.ini"_s), QSettings::IniFormat };
    std::unique_ptr<Platform> m_platform;
    std::unique_ptr<XTestClient> m_input;
    std::unique_ptr<QWidget> m_window;

    // The connected displays get Alt+1, 2 and 3. A focused window takes the keys a recording reads.
    std::unique_ptr<AppModel> makeModel()
    {
        m_store.remove(SettingsStore::PreferencesKey);
        auto model = std::make_unique<AppModel>(*m_platform, m_store);
        model->setAnimateCursor(false);
        m_window = std::make_unique<QWidget>();
        m_window->setGeometry(100, 100, 300, 200);
        m_window->show();
        m_window->activateWindow();
        return QTest::qWaitFor([&] { return m_window->isActiveWindow(); }) ? std::move(model) : nullptr;
    }
private Q_SLOTS:
    void initTestCase()
    {
        m_platform = createPlatform();
        m_input = std::make_unique<XTestClient>(server().displayName());
    }

    void init()
    {
        // 1024x768 | 1024x768 | 800x600, left to right: displays 1, 2 and 3.
        QVERIFY(server().resetOutputs());
        QVERIFY(server().xrandr(
            u"--output DUMMY1 --mode 1024x768 --right-of DUMMY0 --output DUMMY2 --mode 800x600 --right-of DUMMY1"_s
                .split(u' ')));
        QVERIFY(m_input->movePointer(QPoint(5, 5)));
    }

    void cleanup() { m_window.reset(); }

    void displayChangedSinceRegistration_data()
    {
        QTest::addColumn<QStringList>("change");
        QTest::addColumn<std::optional<QPoint>>("landing"); // none: the jump is refused
        QTest::newRow("switched off") << u"--output DUMMY2 --off"_s.split(u' ') << std::optional<QPoint>();
        QTest::newRow("moved") << u"--output DUMMY2 --below DUMMY0"_s.split(u' ')
                               << std::optional<QPoint>(QPoint(400, 768 + 300));
    }

    void displayChangedSinceRegistration()
    {
        QFETCH(QStringList, change);
        QFETCH(std::optional<QPoint>, landing);
        const auto model = makeModel();
        QVERIFY(m_input->typeCombination(u"Alt_L+3"_s));
        QTRY_COMPARE(m_input->pointer(), std::optional<QPoint>(QPoint(2048 + 400, 300)));
        QVERIFY(m_input->movePointer(QPoint(100, 100)));
        // The change and the press come before this process reads either: the press must act on the
        // layout the server reported first.
        QVERIFY(server().xrandr(change));
        QVERIFY(m_input->typeCombination(u"Alt_L+3"_s));
        if (!landing) {
            QTRY_COMPARE(model->message(), Message(Dartline::Notice(Dartline::Notice::Kind::JumpFailed, 1010)));
            QCOMPARE(m_input->pointer(), std::optional<QPoint>(QPoint(100, 100)));
            return;
        }
        QTRY_VERIFY(m_input->pointer() != std::optional<QPoint>(QPoint(100, 100)));
        QCOMPARE(m_input->pointer(), landing);
        QVERIFY(!model->message());
    }

    // What only the server shows: real key events and modifiers read while the keyboard is grabbed, another
    // client's grab refusing the new binding, and the binding working as a hot key afterwards. What the model
    // makes of each key is tested on the model.
    void record_data()
    {
        QTest::addColumn<QStringList>("presses");
        QTest::addColumn<Shortcut>("binding"); // of the first display afterwards
        QTest::addColumn<Message>("message");
        QTest::addColumn<QString>("globalKey"); // then jumps to the first display
        Message refused = Dartline::Notice(Dartline::Notice::Kind::RegistrationFailed, -9878);
        refused->keptPrevious = true;
        QTest::newRow("accepted") << QStringList { u"Super_L+Shift_L+k"_s }
                                  << Shortcut(40, Shortcut::Super | Shortcut::Shift) << Message()
                                  << u"Super_L+Shift_L+k"_s;
        QTest::newRow("held by another client")
            << QStringList { u"Control_L+Alt_L+j"_s } << Shortcut(18, Shortcut::Alt) << refused << u"Alt_L+1"_s;
        QTest::newRow("Alt alone, then Alt+5")
            << QStringList { u"Alt_L"_s, u"Alt_L+5"_s } << Shortcut(23, Shortcut::Alt) << Message() << u"Alt_L+5"_s;
    }

    void record()
    {
        QFETCH(QStringList, presses);
        QFETCH(Shortcut, binding);
        QFETCH(Message, message);
        QFETCH(QString, globalKey);
        const auto model = makeModel();
        XTestClient other(server().displayName());
        const quint8 j = m_input->keycodeOf(u"j"_s).value_or(0);
        const quint16 controlAlt = other.modifierOf(u"Control_L"_s) | other.modifierOf(u"Alt_L"_s);
        QVERIFY(other.grabKey(j, controlAlt));
        const QString first = model->displays().first().id;
        model->beginRecording(first);
        const auto keyboardFree = [&] {
            const bool free = other.grabKeyboard() == std::optional<int>(0);
            other.ungrabKeyboard();
            return free;
        };
        QVERIFY(!keyboardFree());
        for (const QString &press : std::as_const(presses))
            QVERIFY(m_input->typeCombination(press));
        QTRY_VERIFY(!model->recordingID());
        QCOMPARE(model->message(), message);
        QCOMPARE(model->preferences().bindings.value(first), binding);
        // The store holds what the model holds: saved when accepted, never with a rolled-back binding.
        const auto stored = Preferences::fromJson(
            QSettings(m_store.fileName(), QSettings::IniFormat).value(SettingsStore::PreferencesKey).toByteArray());
        QVERIFY(stored);
        QCOMPARE(stored->bindings, model->preferences().bindings);
        QVERIFY(keyboardFree());
        other.ungrabKey(j, controlAlt);
        QVERIFY(m_input->movePointer(QPoint(1500, 500)));
        QVERIFY(m_input->typeCombination(globalKey));
        QTRY_COMPARE(m_input->pointer(), std::optional<QPoint>(QPoint(512, 384)));
    }
};

DARTLINE_X11_TEST_MAIN(TestJumpEndToEnd)
#include "tst_jump_e2e.moc"
