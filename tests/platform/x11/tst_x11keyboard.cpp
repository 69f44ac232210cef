// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Shortcut.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11HotKeyPlatform.h"
#include "platform/x11/X11KeyboardPlatform.h"
#include "platform/x11/XcbXkb.h"
#include "platform/x11/XkbKeyNames.h"
#include "tests/harness/X11TestMain.h"

#include <QAbstractNativeEventFilter>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 KeyTwo = 19, KeyThree = 20, KeyHome = 115, KeyF12 = 111, Sentinel = 99;

} // namespace

class TestX11Keyboard : public QObject
{
    Q_OBJECT

    std::unique_ptr<X11HotKeyPlatform> m_hotKeys;
    XTestClient m_input { server().displayName() };
    QList<quint32> m_calls;

    HotKeyStatus registerKey(quint32 key, quint32 modifiers, quint32 id, HotKeyPlatform::Ref *ref = nullptr)
    {
        HotKeyPlatform::Ref unused = 0;
        return m_hotKeys->registerHotKey(Shortcut(key, modifiers), HotKeyId { id }, ref ? ref : &unused);
    }
    // Presses the sentinel Alt+F12 and waits for it: every earlier press has been dispatched too.
    int callsOf(quint32 id)
    {
        const auto before = m_calls.count(Sentinel);
        const bool typed = m_input.typeCombination(u"Alt_L+F12"_s);
        return typed && QTest::qWaitFor([&] { return m_calls.count(Sentinel) > before; }) ? int(m_calls.count(id)) : -1;
    }
    quint8 keycode(const QString &keysym) { return m_input.keycodeOf(keysym).value_or(0); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(server().setxkbmap(u"-keycodes evdev+aliases(qwerty) us"_s.split(u' ')));
        m_hotKeys = std::make_unique<X11HotKeyPlatform>();
        m_calls.clear();
        QVERIFY(m_hotKeys->installHandler([this](const HotKeyId &id) {
            m_calls.append(id.id);
            return HotKeyStatus::NoError;
        }));
        QCOMPARE(registerKey(KeyF12, Shortcut::Alt, Sentinel), HotKeyStatus::NoError);
    }

    void cleanup()
    {
        m_hotKeys.reset();
        m_input.setLock(XTestClient::Lock::NumLock, false);
        m_input.setLock(XTestClient::Lock::CapsLock, false);
    }

    // Every table entry is a distinct us key that reads back as itself; no key, modifier or wrong case.
    void keyPositions()
    {
        X11KeyboardPlatform keyboard;
        QSet<quint32> keys;
        for (const XkbKeyNames::Entry &entry : XkbKeyNames::entries()) {
            const std::optional<xcb_keycode_t> native = keyboard.nativeKeyForVirtual(entry.virtualKey);
            QVERIFY2(native && keyboard.virtualKeyForNative(*native) == entry.virtualKey, entry.name);
            QCOMPARE(XkbKeyNames::nameForVirtualKey(entry.virtualKey), QByteArrayView(entry.name));
            keys.insert(*native);
        }
        QCOMPARE(keys.size(), 101); // letters, digits, punctuation, F1–F20, keypad, editing keys
        for (quint32 code : { 52u, 55u, 0x10000u + 12u })
            QCOMPARE(std::pair(keyboard.nativeKeyForVirtual(code), keyboard.printedText(code)),
                std::pair(std::optional<xcb_keycode_t>(), QString()));
        for (const char *name : { "ad01", "LWIN", "" })
            QCOMPARE(XkbKeyNames::virtualKeyForName(name), std::nullopt);
        QCOMPARE(keyboard.virtualKeyForNative(keycode(u"Super_L"_s)), std::nullopt);
        QCOMPARE(keyboard.virtualKeyForNative(300), std::nullopt);
    }

    void printedText_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<int>("lockedGroup"); // -1: as setxkbmap leaves it
        QTest::addColumn<quint32>("virtualKey");
        QTest::addColumn<QString>("text");
        QTest::newRow("us keypad 1 prints its digit") << u"us"_s << -1 << 83u << u"1"_s;
        QTest::newRow("us Return prints no control character") << u"us"_s << -1 << 36u << QString();
        QTest::newRow("de dead circumflex shows its accent") << u"de"_s << -1 << 50u << u"^"_s;
        QTest::newRow("fr at Q prints a") << u"fr"_s << -1 << 12u << u"a"_s;
        QTest::newRow("ru,us takes Latin from us") << u"ru,us"_s << -1 << 0u << u"a"_s;
        QTest::newRow("ru alone prints Cyrillic") << u"ru"_s << -1 << 0u << QString::fromUtf8("ф");
        QTest::newRow("de,us in the us group") << u"de,us"_s << 1 << 6u << u"z"_s;
        QTest::newRow("us,de in the de group") << u"us,de"_s << 1 << 6u << u"y"_s;
    }

    void printedText()
    {
        QFETCH(QString, layout);
        QFETCH(int, lockedGroup);
        QFETCH(quint32, virtualKey);
        X11KeyboardPlatform keyboard;
        keyboard.printedText(virtualKey); // whatever the previous layout left compiled
        QVERIFY(server().setxkbmap({ layout }));
        xcb_connection_t *c = X11Connection::application();
        if (lockedGroup >= 0)
            xcb_xkb_latch_lock_state(c, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, quint8(lockedGroup), 0, 0, 0);
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        QTEST(keyboard.printedText(virtualKey), "text"); // before any notification was handled
    }

    void hotKeyFiresOnce_data()
    {
        QTest::addColumn<bool>("numLock");
        QTest::addColumn<bool>("capsLock");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<QString>("combination");
        QTest::newRow("Num Lock on") << true << false << Shortcut::Alt << u"Alt_L+2"_s;
        QTest::newRow("Caps Lock on") << false << true << Shortcut::Alt << u"Alt_L+2"_s;
        QTest::newRow("Super+Shift+2, both locks on")
            << true << true << (Shortcut::Super | Shortcut::Shift) << u"Super_L+Shift_L+2"_s;
    }

    void hotKeyFiresOnce()
    {
        QFETCH(bool, numLock);
        QFETCH(bool, capsLock);
        QFETCH(quint32, modifiers);
        QFETCH(QString, combination);
        HotKeyPlatform::Ref ref = 0;
        QCOMPARE(registerKey(KeyTwo, modifiers, 2, &ref), HotKeyStatus::NoError);
        QVERIFY(ref != 0);
        HotKeyPlatform::Ref refused = 0;
        QCOMPARE(registerKey(KeyTwo, modifiers, 3, &refused), HotKeyStatus::HotKeyExists); // ours already
        QCOMPARE(registerKey(52, modifiers, 3, &refused), HotKeyStatus::NoKeyCode); // no key there
        QCOMPARE(registerKey(0x10000 + KeyTwo, modifiers, 3, &refused), HotKeyStatus::NoKeyCode);
        QCOMPARE(refused, HotKeyPlatform::Ref(0));
        QVERIFY(m_input.setLock(XTestClient::Lock::NumLock, numLock));
        QVERIFY(m_input.setLock(XTestClient::Lock::CapsLock, capsLock));
        QVERIFY(m_input.typeCombination(combination));
        QVERIFY(m_input.typeCombination(combination.section(u'+', 1))); // one modifier fewer
        QCOMPARE(callsOf(2), 1);
        QCOMPARE(callsOf(2), 1);
        m_hotKeys->unregisterHotKey(ref);
        m_hotKeys->unregisterHotKey(ref); // twice is harmless
        QVERIFY(m_input.typeCombination(combination));
        QCOMPARE(callsOf(2), 1);
        m_hotKeys->removeHandler();
        QCOMPARE(registerKey(KeyTwo, modifiers, 2), HotKeyStatus::NoHandler);
    }

    // The server repeats a held key as release and press pairs: one jump all the same.
    void heldKeyFiresOnce()
    {
        struct Watch : QAbstractNativeEventFilter
        {
            quint8 key = 0;
            int presses = 0;
            bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
            {
                const auto *event = static_cast<const xcb_key_press_event_t *>(message);
                presses += event->detail == key && (event->response_type & ~0x80) == XCB_KEY_PRESS;
                return false;
            }
        } watch;
        watch.key = keycode(u"2"_s);
        QCOMPARE(registerKey(KeyTwo, Shortcut::Alt, 2), HotKeyStatus::NoError);
        QVERIFY(server().run(u"xset"_s, u"r rate 150 50"_s.split(u' ')));
        qApp->installNativeEventFilter(&watch);
        QVERIFY(m_input.pressKey(u"Alt_L"_s) && m_input.pressKey(u"2"_s));
        QTRY_VERIFY(watch.presses >= 4);
        QVERIFY(m_input.releaseKey(u"2"_s) && m_input.releaseKey(u"Alt_L"_s));
        qApp->removeNativeEventFilter(&watch);
        QCOMPARE(callsOf(2), 1);
        QVERIFY(server().run(u"xset"_s, u"r rate"_s.split(u' ')));
    }

    // Another client holds one lock variant of Alt+3: refused, rolled back, others unaffected.
    void refusedWhileAnotherClientHolds_data()
    {
        QTest::addColumn<int>("variant");
        QTest::newRow("plain") << 0;
        QTest::newRow("with Caps Lock") << 1;
        QTest::newRow("with Num Lock") << 2;
    }

    void refusedWhileAnotherClientHolds()
    {
        QFETCH(int, variant);
        XTestClient other(server().displayName());
        const quint16 alt = m_input.modifierOf(u"Alt_L"_s), numLock = m_input.modifierOf(u"Num_Lock"_s);
        const QList<quint16> masks { alt, quint16(alt | XCB_MOD_MASK_LOCK), quint16(alt | numLock),
            quint16(alt | XCB_MOD_MASK_LOCK | numLock) };
        QVERIFY(other.grabKey(keycode(u"3"_s), masks[variant]));
        QCOMPARE(registerKey(KeyThree, Shortcut::Alt, 3), HotKeyStatus::HotKeyExists);
        QCOMPARE(registerKey(KeyTwo, Shortcut::Alt, 2), HotKeyStatus::NoError);
        QVERIFY(m_input.typeCombination(u"Alt_L+2"_s));
        QCOMPARE(callsOf(2), 1);
        other.ungrabKey(keycode(u"3"_s), masks[variant]);
        for (quint16 mask : masks)
            QVERIFY2(other.grabKey(keycode(u"3"_s), mask), qPrintable(QString::number(mask)));
    }

    void hotKeysFollowKeyboardChanges_data()
    {
        QTest::addColumn<QStringList>("setxkbmap");
        QTest::newRow("layout de") << QStringList { u"de"_s };
        QTest::newRow("xfree86 keycodes move Home") << u"-keycodes xfree86 us"_s.split(u' ');
    }

    void hotKeysFollowKeyboardChanges()
    {
        QFETCH(QStringList, setxkbmap);
        QCOMPARE(registerKey(KeyTwo, Shortcut::Alt, 2), HotKeyStatus::NoError);
        QCOMPARE(registerKey(KeyHome, Shortcut::Alt, 3), HotKeyStatus::NoError);
        const quint8 oldHome = keycode(u"Home"_s);
        X11KeyboardPlatform keyboard; // compiles the keymap before the change
        QCOMPARE(keyboard.nativeKeyForVirtual(KeyHome), std::optional<xcb_keycode_t>(oldHome));
        QVERIFY(server().setxkbmap(setxkbmap));
        const quint8 home = keycode(u"Home"_s);
        // The regrab queued when this process saw the change runs in the next turn of the event loop.
        QTRY_COMPARE(keyboard.nativeKeyForVirtual(KeyHome), std::optional<xcb_keycode_t>(home));
        QCoreApplication::processEvents();
        QVERIFY(m_input.typeCombination(u"Alt_L+2"_s) && m_input.typeCombination(u"Alt_L+Home"_s));
        QCOMPARE(callsOf(2), 1);
        QCOMPARE(callsOf(3), 1);
        if (home != oldHome) // the old key was let go
            QVERIFY(XTestClient(server().displayName()).grabKey(oldHome, m_input.modifierOf(u"Alt_L"_s)));
    }
};

DARTLINE_X11_TEST_MAIN_WITH(TestX11Keyboard, XServer::Kind::Xvfb)
#include "tst_x11keyboard.moc"
