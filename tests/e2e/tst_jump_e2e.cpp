// SPDX-License-Identifier: GPL-3.0-or-later
// The whole path of a hot key on a real X server with three monitors: an
// XTEST key press, the grab on the root, the hot-key service, the model's
// jump and the pointer read back from the server.

#include "displays/CursorAnimator.h"
#include "model/AppModel.h"
#include "model/SettingsStore.h"
#include "platform/backends/PlatformBackends.h"
#include "tests/harness/X11TestMain.h"
#include "tests/harness/OtherClient.h"

#include <QSettings>
#include <QTemporaryDir>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

XServer &server()
{
    return *XServer::current();
}

const QString Refused = QString::fromUtf8("快捷键注册失败，可能已被系统或其他应用占用。（-9878）");

} // namespace

class TestJumpEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void hotKeyJumps_data();
    void hotKeyJumps();
    void combinationHeldElsewhere();
    void displayChangedSinceRegistration_data();
    void displayChangedSinceRegistration();
    void unreadableStoreStartsEmpty();

private:
    void pressAlt(const char *digit);
    std::unique_ptr<AppModel> makeModel();

    QTemporaryDir m_dir;
    std::unique_ptr<Platform> m_platform;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<XTestClient> m_input;
};

void TestJumpEndToEnd::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_platform = createPlatform();
    m_input = std::make_unique<XTestClient>(server().displayName());
}

void TestJumpEndToEnd::init()
{
    // 1024x768 | 1024x768 | 800x600, left to right: displays 1, 2 and 3.
    QVERIFY(server().resetOutputs());
    QVERIFY(server().xrandr({ u"--output"_s, u"DUMMY1"_s, u"--mode"_s, u"1024x768"_s, u"--right-of"_s, u"DUMMY0"_s }));
    QVERIFY(server().xrandr({ u"--output"_s, u"DUMMY2"_s, u"--mode"_s, u"800x600"_s, u"--right-of"_s, u"DUMMY1"_s }));
    m_store = std::make_unique<QSettings>(m_dir.filePath(u"store.ini"_s), QSettings::IniFormat);
    m_store->clear();
    QVERIFY(m_input->movePointer(QPoint(5, 5)));
}

void TestJumpEndToEnd::cleanup()
{
    m_input->setLock(XTestClient::Lock::NumLock, false);
    m_input->setLock(XTestClient::Lock::CapsLock, false);
    m_store.reset();
}

std::unique_ptr<AppModel> TestJumpEndToEnd::makeModel()
{
    auto model = std::make_unique<AppModel>(*m_platform, *m_store);
    model->setAnimateCursor(false);
    return model;
}

void TestJumpEndToEnd::pressAlt(const char *digit)
{
    QVERIFY(m_input->pressKey(u"Alt_L"_s));
    QVERIFY(m_input->tapKey(QLatin1String(digit)));
    QVERIFY(m_input->releaseKey(u"Alt_L"_s));
}

void TestJumpEndToEnd::hotKeyJumps_data()
{
    QTest::addColumn<bool>("numLock");
    QTest::addColumn<bool>("capsLock");
    QTest::newRow("Alt+2") << false << false;
    QTest::newRow("Alt+2, Num Lock on") << true << false;
    QTest::newRow("Alt+2, Caps Lock on") << false << true;
}

void TestJumpEndToEnd::hotKeyJumps()
{
    QFETCH(bool, numLock);
    QFETCH(bool, capsLock);

    const auto model = makeModel();
    QCOMPARE(model->displays().size(), 3);
    QVERIFY(model->registrationErrors().isEmpty());
    QVERIFY(m_input->setLock(XTestClient::Lock::NumLock, numLock));
    QVERIFY(m_input->setLock(XTestClient::Lock::CapsLock, capsLock));

    pressAlt("2");
    QTRY_COMPARE(m_input->pointer(), std::optional<QPoint>(QPoint(1024 + 512, 384)));
    pressAlt("3");
    QTRY_COMPARE(m_input->pointer(), std::optional<QPoint>(QPoint(2048 + 400, 300)));
    QVERIFY(!model->message());
}

void TestJumpEndToEnd::combinationHeldElsewhere()
{
    OtherClient other(server().displayName());
    const quint8 three = m_input->keycodeOf(u"3"_s).value_or(0);
    QVERIFY(other.grabKey(three, other.modifierOf(m_input->keycodeOf(u"Alt_L"_s).value_or(0)).value_or(0)));

    const auto model = makeModel();
    const QList<Dartline::Display> displays = model->displays();
    QCOMPARE(model->registrationErrors(), (QHash<QString, QString> { { displays[2].id, Refused } }));
    pressAlt("2");
    QTRY_COMPARE(m_input->pointer(), std::optional<QPoint>(QPoint(1024 + 512, 384)));
    pressAlt("1");
    QTRY_COMPARE(m_input->pointer(), std::optional<QPoint>(QPoint(512, 384)));
}

void TestJumpEndToEnd::displayChangedSinceRegistration_data()
{
    QTest::addColumn<QStringList>("change");
    QTest::addColumn<std::optional<QPoint>>("landing"); // none: the jump is refused

    QTest::newRow("switched off") << QStringList { u"--output"_s, u"DUMMY2"_s, u"--off"_s } << std::optional<QPoint>();
    QTest::newRow("moved") << QStringList { u"--output"_s, u"DUMMY2"_s, u"--below"_s, u"DUMMY0"_s }
                           << std::optional<QPoint>(QPoint(400, 768 + 300));
    QTest::newRow("new mode") << QStringList { u"--output"_s, u"DUMMY2"_s, u"--mode"_s, u"1024x768"_s }
                              << std::optional<QPoint>(QPoint(2048 + 512, 384));
}

void TestJumpEndToEnd::displayChangedSinceRegistration()
{
    QFETCH(QStringList, change);
    QFETCH(std::optional<QPoint>, landing);

    const auto model = makeModel();
    pressAlt("3");
    QTRY_COMPARE(m_input->pointer(), std::optional<QPoint>(QPoint(2048 + 400, 300)));
    QVERIFY(m_input->movePointer(QPoint(100, 100)));

    // The change and the press follow each other before this process reads
    // either: the press must act on the layout the server reported first.
    QVERIFY(server().xrandr(change));
    pressAlt("3");
    if (!landing) {
        QTRY_VERIFY(model->message().has_value());
        QCOMPARE(*model->message(), QString::fromUtf8("无法移动到该屏幕，请检查显示器连接。（1010）"));
        QCOMPARE(m_input->pointer(), std::optional<QPoint>(QPoint(100, 100)));
        return;
    }
    QTRY_VERIFY(m_input->pointer() != std::optional<QPoint>(QPoint(100, 100)));
    QCOMPARE(m_input->pointer(), landing);
    QVERIFY(!model->message());
}

void TestJumpEndToEnd::unreadableStoreStartsEmpty()
{
    m_store->setValue(SettingsStore::PreferencesKey, QByteArray("{\"bindings\": [oops"));
    m_store->sync();

    const auto model = makeModel();
    // Nothing was read; the connected displays were discovered anew.
    QCOMPARE(model->preferences().knownDisplays.size(), 3);
    QCOMPARE(model->preferences().bindings.size(), 3);
    QSettings reread(m_store->fileName(), QSettings::IniFormat);
    const auto stored = Preferences::fromJson(reread.value(SettingsStore::PreferencesKey).toByteArray());
    QVERIFY(stored.has_value());
    QCOMPARE(*stored, model->preferences());
}

DARTLINE_X11_TEST_MAIN(TestJumpEndToEnd)

#include "tst_jump_e2e.moc"
