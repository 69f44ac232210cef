// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Shortcut.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11HotKeyPlatform.h"
#include "platform/x11/X11KeyboardPlatform.h"
#include "tests/harness/X11TestMain.h"
#include "tests/harness/OtherClient.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#include <cstdlib>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 KeyTwo = 19, KeyThree = 20, KeyHome = 115, KeyF12 = 111;
constexpr quint32 SentinelId = 99;

// The presses and the last release of one key that reach this process,
// repeats included.
class KeyWatch : public QAbstractNativeEventFilter
{
public:
    explicit KeyWatch(quint8 keycode)
        : m_keycode(keycode)
    {
        qApp->installNativeEventFilter(this);
    }
    int presses = 0;
    quint32 releasedAt = 0;
    bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
    {
        const auto *event = static_cast<const xcb_key_press_event_t *>(message);
        if (event->detail == m_keycode && (event->response_type & ~0x80) == XCB_KEY_PRESS)
            ++presses;
        if (event->detail == m_keycode && (event->response_type & ~0x80) == XCB_KEY_RELEASE)
            releasedAt = event->time;
        return false;
    }

private:
    quint8 m_keycode;
};

} // namespace

class TestX11HotKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void pressFiresOnce_data();
    void pressFiresOnce();
    void heldKeyFiresOnce();
    void refusedWhileAnotherClientHolds_data();
    void refusedWhileAnotherClientHolds();
    void unregisterReleasesCombination();
    void statuses_data();
    void statuses();
    void followsKeyboardChanges_data();
    void followsKeyboardChanges();

private:
    // "Super_L+Shift_L+2": modifiers held in order, the last key tapped.
    // Presses the sentinel (Alt+F12) and waits for it: every earlier press has
    // then been dispatched too, so a count taken now is final.
    void flushPresses();
    quint8 keycode(const QString &keysym) { return m_input->keycodeOf(keysym).value_or(0); }
    int callsOf(quint32 id) const { return int(m_calls.count(id)); }
    HotKeyStatus registerKey(quint32 key, quint32 modifiers, quint32 id, HotKeyPlatform::Ref *ref = nullptr);
    QList<quint16> lockVariants(OtherClient &other, quint16 mask);

    std::unique_ptr<X11HotKeyPlatform> m_hotKeys;
    std::unique_ptr<XTestClient> m_input;
    QList<quint32> m_calls;
};

void TestX11HotKeys::init()
{
    m_input = std::make_unique<XTestClient>(XServer::current()->displayName());
    m_hotKeys = std::make_unique<X11HotKeyPlatform>();
    m_calls.clear();
    QVERIFY(m_hotKeys->installHandler([this](const HotKeyId &id) {
        m_calls.append(id.id);
        return HotKeyStatus::NoError;
    }));
    QCOMPARE(registerKey(KeyF12, Shortcut::Alt, SentinelId), HotKeyStatus::NoError);
}

void TestX11HotKeys::cleanup()
{
    m_hotKeys.reset();
    m_input->setLock(XTestClient::Lock::NumLock, false);
    m_input->setLock(XTestClient::Lock::CapsLock, false);
}

HotKeyStatus TestX11HotKeys::registerKey(quint32 key, quint32 modifiers, quint32 id, HotKeyPlatform::Ref *ref)
{
    HotKeyPlatform::Ref unused = 0;
    return m_hotKeys->registerHotKey(Shortcut(key, modifiers), HotKeyId { id }, ref ? ref : &unused);
}

void TestX11HotKeys::flushPresses()
{
    const int before = callsOf(SentinelId);
    QVERIFY(m_input->typeCombination(u"Alt_L+F12"_s));
    QTRY_COMPARE(callsOf(SentinelId), before + 1);
}

QList<quint16> TestX11HotKeys::lockVariants(OtherClient &other, quint16 mask)
{
    const quint16 numLock = other.modifierOf(keycode(u"Num_Lock"_s)).value_or(0);
    return { mask, quint16(mask | XCB_MOD_MASK_LOCK), quint16(mask | numLock),
        quint16(mask | XCB_MOD_MASK_LOCK | numLock) };
}

void TestX11HotKeys::pressFiresOnce_data()
{
    QTest::addColumn<bool>("numLock");
    QTest::addColumn<bool>("capsLock");
    QTest::addColumn<quint32>("modifiers");
    QTest::addColumn<QString>("combination");
    QTest::newRow("Alt+2") << false << false << Shortcut::Alt << u"Alt_L+2"_s;
    QTest::newRow("Alt+2, Num Lock on") << true << false << Shortcut::Alt << u"Alt_L+2"_s;
    QTest::newRow("Alt+2, Caps Lock on") << false << true << Shortcut::Alt << u"Alt_L+2"_s;
    QTest::newRow("Super+Shift+2, both locks on")
        << true << true << (Shortcut::Super | Shortcut::Shift) << u"Super_L+Shift_L+2"_s;
}

void TestX11HotKeys::pressFiresOnce()
{
    QFETCH(bool, numLock);
    QFETCH(bool, capsLock);
    QFETCH(quint32, modifiers);
    QFETCH(QString, combination);

    HotKeyPlatform::Ref ref = 0;
    QCOMPARE(registerKey(KeyTwo, modifiers, 2, &ref), HotKeyStatus::NoError);
    QVERIFY(ref != 0);
    QVERIFY(m_input->setLock(XTestClient::Lock::NumLock, numLock));
    QVERIFY(m_input->setLock(XTestClient::Lock::CapsLock, capsLock));
    QVERIFY(m_input->typeCombination(combination));
    // One modifier fewer is another shortcut.
    QVERIFY(m_input->typeCombination(combination.section(u'+', 1)));
    flushPresses();
    QCOMPARE(callsOf(2), 1);
}

void TestX11HotKeys::heldKeyFiresOnce()
{
    QCOMPARE(registerKey(KeyTwo, Shortcut::Alt, 2), HotKeyStatus::NoError);
    QVERIFY(XServer::current()->run(u"xset"_s, { u"r"_s, u"rate"_s, u"150"_s, u"50"_s }));
    const quint8 two = keycode(u"2"_s);
    KeyWatch watch(two);
    QVERIFY(m_input->pressKey(u"Alt_L"_s));
    QVERIFY(m_input->pressKey(two));
    QTRY_VERIFY2(watch.presses >= 4, "the server does not repeat a held key");
    QVERIFY(m_input->releaseKey(two));
    QVERIFY(m_input->releaseKey(u"Alt_L"_s));
    flushPresses();
    QCOMPARE(callsOf(2), 1);

    // The next press counts again. XTEST must not press within the release's
    // millisecond, which is what a repeat looks like and no hand can do.
    OtherClient clock(XServer::current()->displayName());
    QTRY_VERIFY(clock.serverTime().value_or(0) > watch.releasedAt);
    QVERIFY(m_input->typeCombination(u"Alt_L+2"_s));
    flushPresses();
    QCOMPARE(callsOf(2), 2);
    XServer::current()->run(u"xset"_s, { u"r"_s, u"rate"_s });
}

void TestX11HotKeys::refusedWhileAnotherClientHolds_data()
{
    QTest::addColumn<int>("variant"); // which lock variant the other client holds
    QTest::newRow("plain") << 0;
    QTest::newRow("with Caps Lock") << 1;
    QTest::newRow("with Num Lock") << 2;
}

void TestX11HotKeys::refusedWhileAnotherClientHolds()
{
    QFETCH(int, variant);

    OtherClient other(XServer::current()->displayName());
    const quint8 three = keycode(u"3"_s);
    const QList<quint16> variants = lockVariants(other, other.modifierOf(keycode(u"Alt_L"_s)).value_or(0));
    QVERIFY(other.grabKey(three, variants[variant]));

    QCOMPARE(registerKey(KeyThree, Shortcut::Alt, 3), HotKeyStatus::HotKeyExists);
    QCOMPARE(registerKey(KeyTwo, Shortcut::Alt, 2), HotKeyStatus::NoError);
    QVERIFY(m_input->typeCombination(u"Alt_L+2"_s));
    flushPresses();
    QCOMPARE(callsOf(2), 1);

    // The refused registration kept none of the variants it had taken.
    other.ungrabKey(three, variants[variant]);
    for (quint16 mask : variants)
        QVERIFY2(other.grabKey(three, mask), qPrintable(QString::number(mask)));
}

void TestX11HotKeys::unregisterReleasesCombination()
{
    HotKeyPlatform::Ref ref = 0;
    QCOMPARE(registerKey(KeyThree, Shortcut::Alt, 3, &ref), HotKeyStatus::NoError);
    m_hotKeys->unregisterHotKey(ref);
    m_hotKeys->unregisterHotKey(ref); // twice is harmless
    xcb_connection_t *c = X11Connection::application();
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    OtherClient other(XServer::current()->displayName());
    for (quint16 mask : lockVariants(other, other.modifierOf(keycode(u"Alt_L"_s)).value_or(0)))
        QVERIFY(other.grabKey(keycode(u"3"_s), mask));
    QVERIFY(m_input->typeCombination(u"Alt_L+3"_s));
    flushPresses();
    QCOMPARE(callsOf(3), 0);
}

void TestX11HotKeys::statuses_data()
{
    QTest::addColumn<bool>("withHandler");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<HotKeyStatus>("status");
    QTest::newRow("no handler") << false << KeyTwo << HotKeyStatus::NoHandler;
    QTest::newRow("key without a position") << true << 52u << HotKeyStatus::NoKeyCode;
    QTest::newRow("code beyond any keyboard") << true << 0x10000u + KeyTwo << HotKeyStatus::NoKeyCode;
    QTest::newRow("own combination again") << true << KeyF12 << HotKeyStatus::HotKeyExists;
}

void TestX11HotKeys::statuses()
{
    QFETCH(bool, withHandler);
    QFETCH(quint32, keyCode);
    QFETCH(HotKeyStatus, status);

    if (!withHandler)
        m_hotKeys->removeHandler();
    HotKeyPlatform::Ref ref = 0;
    QCOMPARE(registerKey(keyCode, Shortcut::Alt, 5, &ref), status);
    QCOMPARE(ref, HotKeyPlatform::Ref(0));
}

void TestX11HotKeys::followsKeyboardChanges_data()
{
    QTest::addColumn<QStringList>("setxkbmap");
    QTest::newRow("layout de") << QStringList { u"de"_s };
    QTest::newRow("xfree86 keycodes move Home") << QStringList { u"-keycodes"_s, u"xfree86"_s, u"us"_s };
}

void TestX11HotKeys::followsKeyboardChanges()
{
    QFETCH(QStringList, setxkbmap);

    QCOMPARE(registerKey(KeyTwo, Shortcut::Alt, 2), HotKeyStatus::NoError);
    QCOMPARE(registerKey(KeyHome, Shortcut::Alt, 3), HotKeyStatus::NoError);
    const quint8 oldHome = keycode(u"Home"_s);
    X11KeyboardPlatform keyboard; // compiles the keymap before the change
    QCOMPARE(keyboard.nativeKeyForVirtual(KeyHome), std::optional<xcb_keycode_t>(oldHome));

    QVERIFY(XServer::current()->setxkbmap(setxkbmap));
    const quint8 home = keycode(u"Home"_s);
    // This process has seen the change once the keyboard platform has; the
    // regrab it queued then runs in the next turn of the event loop.
    QTRY_COMPARE(keyboard.nativeKeyForVirtual(KeyHome), std::optional<xcb_keycode_t>(home));
    QCoreApplication::processEvents();

    QVERIFY(m_input->typeCombination(u"Alt_L+2"_s));
    QVERIFY(m_input->typeCombination(u"Alt_L+Home"_s));
    flushPresses();
    QCOMPARE(callsOf(2), 1);
    QCOMPARE(callsOf(3), 1);
    if (home != oldHome) {
        OtherClient other(XServer::current()->displayName());
        QVERIFY(other.grabKey(oldHome, other.modifierOf(keycode(u"Alt_L"_s)).value_or(0)));
    }
    QVERIFY(XServer::current()->setxkbmap({ u"-keycodes"_s, u"evdev+aliases(qwerty)"_s, u"us"_s }));
}

DARTLINE_X11_TEST_MAIN_WITH(TestX11HotKeys, XServer::Kind::Xvfb)

#include "tst_x11hotkeys.moc"
