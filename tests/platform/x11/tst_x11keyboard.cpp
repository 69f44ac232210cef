// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeyboardPlatform.h"
#include "platform/x11/XcbXkb.h"
#include "platform/x11/XkbKeyNames.h"
#include "tests/harness/X11TestMain.h"
#include "tests/harness/OtherClient.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QSet>
#include <QWindow>

#include <cstdlib>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

// The key positions once more, written out independently of the table.
struct Row
{
    const char *prefix;
    int first;
    QList<quint32> codes;
};
const Row numberedRows[] = {
    { "AD", 1, { 12, 13, 14, 15, 17, 16, 32, 34, 31, 35, 33, 30 } },
    { "AC", 1, { 0, 1, 2, 3, 5, 4, 38, 40, 37, 41, 39 } },
    { "AB", 1, { 6, 7, 8, 9, 11, 45, 46, 43, 47, 44 } },
    { "AE", 1, { 18, 19, 20, 21, 23, 22, 26, 28, 25, 29, 27, 24 } },
    { "FK", 1, { 122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113, 106, 64, 79, 80, 90 } },
    { "KP", 0, { 82, 83, 84, 85, 86, 87, 88, 89, 91, 92 } },
};
const std::pair<const char *, quint32> namedKeys[] = { { "BKSL", 42 }, { "LSGT", 10 }, { "TLDE", 50 }, { "RTRN", 36 },
    { "TAB", 48 }, { "SPCE", 49 }, { "BKSP", 51 }, { "ESC", 53 }, { "INS", 114 }, { "HOME", 115 }, { "PGUP", 116 },
    { "DELE", 117 }, { "END", 119 }, { "PGDN", 121 }, { "LEFT", 123 }, { "RGHT", 124 }, { "DOWN", 125 }, { "UP", 126 },
    { "KPDL", 65 }, { "KPMU", 67 }, { "KPAD", 69 }, { "NMLK", 71 }, { "KPDV", 75 }, { "KPEN", 76 }, { "KPSU", 78 },
    { "KPEQ", 81 } };

// The server's keymap as xkbcomp prints it, aliases resolved: an account of
// the keycodes that owes nothing to the xkbcommon lookups under test.
QHash<QByteArray, quint32> serverKeycodes()
{
    QByteArray dump;
    if (!XServer::current()->run(u"xkbcomp"_s, { u"-xkb"_s, XServer::current()->displayName(), u"-"_s }, &dump))
        return {};
    static const QRegularExpression key(uR"(^\s*(alias\s*)?<(\w+)>\s*=\s*(<(\w+)>|(\d+));)"_s);
    QHash<QByteArray, quint32> codes;
    for (const QByteArray &line : dump.split('\n')) {
        const auto m = key.match(QString::fromLatin1(line));
        if (m.hasMatch())
            codes.insert(m.captured(2).toLatin1(),
                m.captured(4).isEmpty() ? m.captured(5).toUInt() : codes.value(m.captured(4).toLatin1()));
    }
    return codes;
}

class KeyWindow : public QWindow
{
public:
    QList<quint32> pressed;

protected:
    void keyPressEvent(QKeyEvent *event) override { pressed.append(event->nativeScanCode()); }
};

} // namespace

class TestX11Keyboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { XServer::current()->setxkbmap({ u"us"_s }); }
    void keyNames_data();
    void keyNames();
    void tableHoldsNothingElse();
    void keysWithoutPosition();
    void printedText_data();
    void printedText();
    void grabNeedsFocusAndEndsWithTheBackend();

private:
    QHash<QByteArray, quint32> m_server;
};

void TestX11Keyboard::initTestCase()
{
    QVERIFY(XServer::current()->setxkbmap({ u"us"_s }));
    m_server = serverKeycodes();
    QVERIFY2(m_server.size() > 100, "xkbcomp could not dump the server's keymap");
}

void TestX11Keyboard::keyNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<quint32>("virtualKey");
    for (const Row &row : numberedRows) {
        for (qsizetype i = 0; i < row.codes.size(); ++i) {
            const QByteArray number = QByteArray::number(row.first + i);
            const QByteArray name = row.prefix + (row.first ? number.rightJustified(2, '0') : number);
            QTest::newRow(name.constData()) << name << row.codes[i];
        }
    }
    for (const auto &[name, code] : namedKeys)
        QTest::newRow(name) << QByteArray(name) << code;
}

void TestX11Keyboard::keyNames()
{
    QFETCH(QByteArray, name);
    QFETCH(quint32, virtualKey);

    QCOMPARE(XkbKeyNames::nameForVirtualKey(virtualKey).toByteArray(), name);
    QCOMPARE(XkbKeyNames::virtualKeyForName(name), std::optional<quint32>(virtualKey));
    const quint32 keycode = m_server.value(name);
    QVERIFY2(keycode >= 8 && keycode <= 255, "the name does not resolve in the server's keymap");
    X11KeyboardPlatform keyboard;
    QCOMPARE(keyboard.nativeKeyForVirtual(virtualKey), std::optional<xcb_keycode_t>(keycode));
    QCOMPARE(keyboard.virtualKeyForNative(keycode), std::optional<quint32>(virtualKey));
}

void TestX11Keyboard::tableHoldsNothingElse()
{
    qsizetype expected = std::size(namedKeys);
    for (const Row &row : numberedRows)
        expected += row.codes.size();
    QSet<quint32> codes;
    QSet<QByteArrayView> names;
    for (const XkbKeyNames::Entry &entry : XkbKeyNames::entries()) {
        codes.insert(entry.virtualKey);
        names.insert(QByteArrayView(entry.name));
    }
    QCOMPARE(codes.size(), expected);
    QCOMPARE(names.size(), expected);
    QCOMPARE(qsizetype(XkbKeyNames::entries().size()), expected);
}

void TestX11Keyboard::keysWithoutPosition()
{
    X11KeyboardPlatform keyboard;
    // 52 is unused, 55 is Super (a modifier), the last is beyond 16 bits.
    for (quint32 code : { 52u, 55u, 0x10000u + 12u }) {
        QVERIFY(XkbKeyNames::nameForVirtualKey(code).isEmpty());
        QCOMPARE(keyboard.nativeKeyForVirtual(code), std::nullopt);
        QCOMPARE(keyboard.printedText(code), QString());
    }
    for (const char *name : { "ad01", "AC12", "LWIN", "" })
        QCOMPARE(XkbKeyNames::virtualKeyForName(name), std::nullopt);
    QCOMPARE(keyboard.virtualKeyForNative(m_server.value("LWIN")), std::nullopt);
    QCOMPARE(keyboard.virtualKeyForNative(300), std::nullopt);
    // A key known by an alias is the key itself.
    QCOMPARE(keyboard.virtualKeyForNative(m_server.value("AC12")), std::optional<quint32>(42));
}

void TestX11Keyboard::printedText_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("lockedGroup"); // -1: as setxkbmap leaves it
    QTest::addColumn<quint32>("virtualKey");
    QTest::addColumn<QString>("text");
    QTest::newRow("us Z") << u"us"_s << -1 << 6u << u"z"_s;
    QTest::newRow("us keypad 1 prints its digit") << u"us"_s << -1 << 83u << u"1"_s;
    QTest::newRow("us Return prints no control character") << u"us"_s << -1 << 36u << QString();
    QTest::newRow("de at Z prints y") << u"de"_s << -1 << 6u << u"y"_s;
    QTest::newRow("de dead circumflex shows its accent") << u"de"_s << -1 << 50u << u"^"_s;
    QTest::newRow("fr at Q prints a") << u"fr"_s << -1 << 12u << u"a"_s;
    QTest::newRow("ru,us takes Latin from us") << u"ru,us"_s << -1 << 0u << u"a"_s;
    QTest::newRow("ru alone prints Cyrillic") << u"ru"_s << -1 << 0u << QString::fromUtf8("ф");
    QTest::newRow("de,us in the us group") << u"de,us"_s << 1 << 6u << u"z"_s;
    QTest::newRow("us,de in the de group") << u"us,de"_s << 1 << 6u << u"y"_s;
}

void TestX11Keyboard::printedText()
{
    QFETCH(QString, layout);
    QFETCH(int, lockedGroup);
    QFETCH(quint32, virtualKey);
    QFETCH(QString, text);

    X11KeyboardPlatform keyboard;
    keyboard.printedText(virtualKey); // whatever the previous layout left compiled
    QVERIFY(XServer::current()->setxkbmap({ layout }));
    xcb_connection_t *c = X11Connection::application();
    if (lockedGroup >= 0)
        xcb_xkb_latch_lock_state(c, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, quint8(lockedGroup), 0, 0, 0);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    // Asked at once, before any notification of the change has been handled.
    QCOMPARE(keyboard.printedText(virtualKey), text);
}

// Recording end to end covers the grab and its release through the model;
// here, what the backend must do alone.
void TestX11Keyboard::grabNeedsFocusAndEndsWithTheBackend()
{
    auto keyboard = std::make_unique<X11KeyboardPlatform>();
    QVERIFY(!keyboard->grabKeyboard()); // no window of ours has the focus
    KeyWindow window;
    window.setGeometry(100, 100, 200, 100);
    window.show();
    window.requestActivate();
    QTRY_COMPARE(QGuiApplication::focusWindow(), &window);

    XTestClient input(XServer::current()->displayName());
    OtherClient other(XServer::current()->displayName());
    const auto three = quint8(m_server.value("AE03"));
    QVERIFY(other.grabKey(three, XCB_MOD_MASK_1));
    QVERIFY(keyboard->grabKeyboard());
    QCOMPARE(other.grabKeyboard(), std::optional<int>(XCB_GRAB_STATUS_ALREADY_GRABBED));
    // Another client's Alt+3 reaches the focused window instead.
    QVERIFY(input.pressKey(u"Alt_L"_s));
    QVERIFY(input.tapKey(three));
    QVERIFY(input.releaseKey(u"Alt_L"_s));
    QTRY_VERIFY(window.pressed.contains(three));

    keyboard.reset(); // a recorder that goes away must not leave the keyboard taken
    QCOMPARE(other.grabKeyboard(), std::optional<int>(XCB_GRAB_STATUS_SUCCESS));
}

DARTLINE_X11_TEST_MAIN_WITH(TestX11Keyboard, XServer::Kind::Xvfb)

#include "tst_x11keyboard.moc"
