// SPDX-License-Identifier: GPL-3.0-or-later
#include "OtherClient.h"
#include "Shortcut.h"
#include "X11HotKeyPlatform.h"
#include "X11KeyboardPlatform.h"
#include "X11TestMain.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

constexpr quint32 KeyTwo = 19;
constexpr quint32 KeyThree = 20;
constexpr quint32 KeyFour = 21;
constexpr quint32 KeyHome = 115;
constexpr quint32 KeyF12 = 111;
constexpr quint32 SentinelId = 99;

void syncQt()
{
    xcb_connection_t *c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

// Counts the key presses the server delivers to this process, repeats included.
class PressCounter : public QAbstractNativeEventFilter
{
public:
    explicit PressCounter(quint8 keycode)
        : m_keycode(keycode)
    {
        qApp->installNativeEventFilter(this);
    }
    int count = 0;
    quint32 releasedAt = 0;
    bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
    {
        const auto *event = static_cast<const xcb_key_press_event_t *>(message);
        const int type = event->response_type & ~0x80;
        if (type == XCB_KEY_PRESS && event->detail == m_keycode)
            ++count;
        if (type == XCB_KEY_RELEASE && event->detail == m_keycode)
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
    // Presses the combination as a user would: modifiers down, key, modifiers up.
    void press(const QStringList &modifiers, quint8 keycode);
    // Presses the sentinel shortcut and waits for it: every earlier press has
    // then been dispatched as well.
    void flushPresses();
    quint8 keycode(const char *keysym) { return m_input->keycodeOf(QLatin1String(keysym)).value_or(0); }
    int callsOf(quint32 id) const { return int(m_calls.count(id)); }

    std::unique_ptr<X11HotKeyPlatform> m_hotKeys;
    std::unique_ptr<XTestClient> m_input;
    QList<quint32> m_calls;
};

void TestX11HotKeys::init()
{
    m_input = std::make_unique<XTestClient>(XServer::current()->displayName());
    QVERIFY(m_input->isConnected());
    m_hotKeys = std::make_unique<X11HotKeyPlatform>();
    m_calls.clear();
    QVERIFY(m_hotKeys->installHandler([this](const HotKeyId &id) {
        m_calls.append(id.id);
        return 0;
    }));
    HotKeyPlatform::Ref ref = 0;
    QCOMPARE(m_hotKeys->registerHotKey(Shortcut(KeyF12, Shortcut::Option), { 1, SentinelId }, &ref), 0);
}

void TestX11HotKeys::cleanup()
{
    m_hotKeys.reset();
    m_input->setLock(XTestClient::Lock::NumLock, false);
    m_input->setLock(XTestClient::Lock::CapsLock, false);
    m_input.reset();
}

void TestX11HotKeys::press(const QStringList &modifiers, quint8 key)
{
    for (const QString &modifier : modifiers)
        QVERIFY(m_input->pressKey(modifier));
    QVERIFY(m_input->tapKey(key));
    for (const QString &modifier : modifiers)
        QVERIFY(m_input->releaseKey(modifier));
}

void TestX11HotKeys::flushPresses()
{
    const int before = callsOf(SentinelId);
    press({ QStringLiteral("Alt_L") }, keycode("F12"));
    QTRY_COMPARE(callsOf(SentinelId), before + 1);
}

void TestX11HotKeys::pressFiresOnce_data()
{
    QTest::addColumn<bool>("numLock");
    QTest::addColumn<bool>("capsLock");
    QTest::addColumn<QStringList>("modifiers");
    QTest::addColumn<quint32>("shortcutModifiers");
    const QStringList alt { QStringLiteral("Alt_L") };
    QTest::newRow("Alt+2") << false << false << alt << Shortcut::Option;
    QTest::newRow("Alt+2, Num Lock on") << true << false << alt << Shortcut::Option;
    QTest::newRow("Alt+2, Caps Lock on") << false << true << alt << Shortcut::Option;
    QTest::newRow("Alt+2, both locks on") << true << true << alt << Shortcut::Option;
    QTest::newRow("Super+Shift+2") << false << false
                                   << QStringList { QStringLiteral("Super_L"), QStringLiteral("Shift_L") }
                                   << (Shortcut::Command | Shortcut::Shift);
    QTest::newRow("Ctrl+Alt+2 with Num Lock")
        << true << false << QStringList { QStringLiteral("Control_L"), QStringLiteral("Alt_L") }
        << (Shortcut::Control | Shortcut::Option);
}

void TestX11HotKeys::pressFiresOnce()
{
    QFETCH(bool, numLock);
    QFETCH(bool, capsLock);
    QFETCH(QStringList, modifiers);
    QFETCH(quint32, shortcutModifiers);

    HotKeyPlatform::Ref ref = 0;
    QCOMPARE(m_hotKeys->registerHotKey(Shortcut(KeyTwo, shortcutModifiers), { 1, 2 }, &ref), 0);
    QVERIFY(ref != 0);
    QVERIFY(m_input->setLock(XTestClient::Lock::NumLock, numLock));
    QVERIFY(m_input->setLock(XTestClient::Lock::CapsLock, capsLock));

    press(modifiers, keycode("2"));
    flushPresses();
    QCOMPARE(callsOf(2), 1);

    // Only the exact combination: one modifier fewer is another shortcut.
    press(modifiers.mid(1), keycode("2"));
    flushPresses();
    QCOMPARE(callsOf(2), 1);
}

void TestX11HotKeys::heldKeyFiresOnce()
{
    HotKeyPlatform::Ref ref = 0;
    QCOMPARE(m_hotKeys->registerHotKey(Shortcut(KeyTwo, Shortcut::Option), { 1, 2 }, &ref), 0);
    QVERIFY(XServer::current()->run(QStringLiteral("xset"),
        { QStringLiteral("r"), QStringLiteral("rate"), QStringLiteral("150"), QStringLiteral("50") }));

    const quint8 two = keycode("2");
    PressCounter presses(two);
    QVERIFY(m_input->pressKey(QStringLiteral("Alt_L")));
    QVERIFY(m_input->pressKey(two));
    QTRY_VERIFY2(presses.count >= 4, "the server does not repeat a held key");
    QVERIFY(m_input->releaseKey(two));
    QVERIFY(m_input->releaseKey(QStringLiteral("Alt_L")));
    flushPresses();
    QCOMPARE(callsOf(2), 1);

    // The next physical press counts again. A human needs milliseconds for it;
    // XTEST must be kept from pressing within the release's millisecond,
    // which is what a repeat looks like.
    OtherClient clock(XServer::current()->displayName());
    QTRY_VERIFY(clock.serverTime().value_or(0) > presses.releasedAt);
    press({ QStringLiteral("Alt_L") }, two);
    flushPresses();
    QCOMPARE(callsOf(2), 2);
    XServer::current()->run(QStringLiteral("xset"), { QStringLiteral("r"), QStringLiteral("rate") });
}

void TestX11HotKeys::refusedWhileAnotherClientHolds_data()
{
    QTest::addColumn<QString>("heldLock"); // the one variant the other client holds
    QTest::newRow("plain") << QString();
    QTest::newRow("with Num Lock") << QStringLiteral("Num_Lock");
    QTest::newRow("with Caps Lock") << QStringLiteral("Caps_Lock");
}

void TestX11HotKeys::refusedWhileAnotherClientHolds()
{
    QFETCH(QString, heldLock);

    OtherClient other(XServer::current()->displayName());
    const quint8 three = keycode("3");
    const quint16 alt = other.modifierOf(keycode("Alt_L")).value_or(0);
    const quint16 numLock = other.modifierOf(keycode("Num_Lock")).value_or(0);
    QVERIFY(alt && numLock);
    quint16 held = 0;
    if (heldLock == QLatin1String("Num_Lock"))
        held = numLock;
    else if (heldLock == QLatin1String("Caps_Lock"))
        held = XCB_MOD_MASK_LOCK;
    QVERIFY(other.grabKey(three, alt | held));

    HotKeyPlatform::Ref ref = 0;
    QCOMPARE(
        m_hotKeys->registerHotKey(Shortcut(KeyThree, Shortcut::Option), { 1, 3 }, &ref), HotKeyStatus::HotKeyExists);
    QCOMPARE(m_hotKeys->registerHotKey(Shortcut(KeyTwo, Shortcut::Option), { 1, 2 }, &ref), 0);
    press({ QStringLiteral("Alt_L") }, keycode("2"));
    flushPresses();
    QCOMPARE(callsOf(2), 1);

    // The refused registration kept none of its variants.
    other.ungrabKey(three, alt | held);
    for (quint16 locks : { 0, int(XCB_MOD_MASK_LOCK), int(numLock), int(XCB_MOD_MASK_LOCK | numLock) })
        QVERIFY2(other.grabKey(three, alt | locks), qPrintable(QString::number(locks)));
}

void TestX11HotKeys::unregisterReleasesCombination()
{
    HotKeyPlatform::Ref ref = 0;
    QCOMPARE(m_hotKeys->registerHotKey(Shortcut(KeyFour, Shortcut::Option), { 1, 4 }, &ref), 0);
    m_hotKeys->unregisterHotKey(ref);
    m_hotKeys->unregisterHotKey(ref); // twice is harmless
    syncQt();

    OtherClient other(XServer::current()->displayName());
    const quint8 four = keycode("4");
    const quint16 alt = other.modifierOf(keycode("Alt_L")).value_or(0);
    const quint16 numLock = other.modifierOf(keycode("Num_Lock")).value_or(0);
    for (quint16 locks : { 0, int(XCB_MOD_MASK_LOCK), int(numLock), int(XCB_MOD_MASK_LOCK | numLock) })
        QVERIFY(other.grabKey(four, alt | locks));
    press({ QStringLiteral("Alt_L") }, four);
    flushPresses();
    QCOMPARE(callsOf(4), 0);
}

void TestX11HotKeys::statuses_data()
{
    QTest::addColumn<bool>("withHandler");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<int>("status");
    QTest::newRow("no handler") << false << KeyTwo << HotKeyStatus::EventInternal;
    QTest::newRow("key without a position") << true << 52u << HotKeyStatus::NoKeyCode;
    QTest::newRow("code beyond the keyboard") << true << 0x10000u + KeyTwo << HotKeyStatus::NoKeyCode;
    QTest::newRow("own combination again") << true << KeyF12 << HotKeyStatus::HotKeyExists;
}

void TestX11HotKeys::statuses()
{
    QFETCH(bool, withHandler);
    QFETCH(quint32, keyCode);
    QFETCH(int, status);

    if (!withHandler)
        m_hotKeys->removeHandler();
    HotKeyPlatform::Ref ref = 0;
    QCOMPARE(m_hotKeys->registerHotKey(Shortcut(keyCode, Shortcut::Option), { 1, 5 }, &ref), status);
    QCOMPARE(ref, HotKeyPlatform::Ref(0));
}

void TestX11HotKeys::followsKeyboardChanges_data()
{
    QTest::addColumn<QStringList>("setxkbmap");
    QTest::newRow("layout de") << QStringList { QStringLiteral("de") };
    QTest::newRow("xfree86 keycodes move Home")
        << QStringList { QStringLiteral("-keycodes"), QStringLiteral("xfree86"), QStringLiteral("us") };
}

void TestX11HotKeys::followsKeyboardChanges()
{
    QFETCH(QStringList, setxkbmap);

    HotKeyPlatform::Ref ref = 0;
    QCOMPARE(m_hotKeys->registerHotKey(Shortcut(KeyTwo, Shortcut::Option), { 1, 2 }, &ref), 0);
    QCOMPARE(m_hotKeys->registerHotKey(Shortcut(KeyHome, Shortcut::Option), { 1, 3 }, &ref), 0);
    const quint8 oldHome = keycode("Home");
    X11KeyboardPlatform keyboard;
    QCOMPARE(keyboard.nativeKeyForVirtual(KeyHome), std::optional<xcb_keycode_t>(oldHome));

    QVERIFY(XServer::current()->setxkbmap(setxkbmap));
    const quint8 home = keycode("Home");
    // Wait until this process has seen the change, then let the regrab run.
    QTRY_COMPARE(keyboard.nativeKeyForVirtual(KeyHome), std::optional<xcb_keycode_t>(home));
    QCoreApplication::processEvents();

    press({ QStringLiteral("Alt_L") }, keycode("2"));
    press({ QStringLiteral("Alt_L") }, home);
    flushPresses();
    QCOMPARE(callsOf(2), 1);
    QCOMPARE(callsOf(3), 1);

    if (home != oldHome) {
        // The grab of the old keycode went with it.
        syncQt();
        OtherClient other(XServer::current()->displayName());
        QVERIFY(other.grabKey(oldHome, other.modifierOf(keycode("Alt_L")).value_or(0)));
    }
    QVERIFY(XServer::current()->setxkbmap(
        { QStringLiteral("-keycodes"), QStringLiteral("evdev+aliases(qwerty)"), QStringLiteral("us") }));
}

DARTLINE_X11_TEST_MAIN_WITH(TestX11HotKeys, XServer::Kind::Xvfb)

#include "tst_x11hotkeys.moc"
