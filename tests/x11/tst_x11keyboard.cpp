// SPDX-License-Identifier: GPL-3.0-or-later
#include "OtherClient.h"
#include "X11KeyboardPlatform.h"
#include "X11TestMain.h"
#include "XcbXkb.h"
#include "XkbKeyNames.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QSet>
#include <QtGui/qguiapplication_platform.h>
#include <QWindow>

#include <cstdlib>

namespace {

// The positions as the stored documents name them, written out here once
// more so that a slip in the table shows up as a difference.
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

xcb_connection_t *qtConnection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// The server's keymap as xkbcomp prints it: key name to keycode, aliases
// resolved. Independent of the xkbcommon lookups under test.
QHash<QByteArray, quint32> serverKeycodes()
{
    QByteArray dump;
    if (!XServer::current()->run(QStringLiteral("xkbcomp"),
            { QStringLiteral("-xkb"), XServer::current()->displayName(), QStringLiteral("-") }, &dump))
        return {};
    QHash<QByteArray, quint32> codes;
    static const QRegularExpression keyLine(QStringLiteral(R"(^\s*<(\w+)>\s*=\s*(\d+);)"));
    static const QRegularExpression aliasLine(QStringLiteral(R"(^\s*alias\s*<(\w+)>\s*=\s*<(\w+)>;)"));
    QList<std::pair<QByteArray, QByteArray>> aliases;
    for (const QByteArray &line : dump.split('\n')) {
        const QString text = QString::fromLatin1(line);
        if (const auto m = keyLine.match(text); m.hasMatch())
            codes.insert(m.captured(1).toLatin1(), m.captured(2).toUInt());
        else if (const auto a = aliasLine.match(text); a.hasMatch())
            aliases.append({ a.captured(1).toLatin1(), a.captured(2).toLatin1() });
    }
    for (const auto &[alias, target] : aliases)
        codes.insert(alias, codes.value(target));
    return codes;
}

class KeyWindow : public QWindow
{
public:
    QList<quint32> pressedScanCodes;

protected:
    void keyPressEvent(QKeyEvent *event) override { pressedScanCodes.append(event->nativeScanCode()); }
};

} // namespace

class TestX11Keyboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void keyNames_data();
    void keyNames();
    void tableHoldsNothingElse();
    void keysWithoutPosition_data();
    void keysWithoutPosition();
    void printedText_data();
    void printedText();
    void grabBypassesOtherGrabs_data();
    void grabBypassesOtherGrabs();
    void grabNeedsFocusedWindow();

private:
    QHash<QByteArray, quint32> m_server;
};

void TestX11Keyboard::initTestCase()
{
    QVERIFY(XServer::current()->setxkbmap({ QStringLiteral("us") }));
    m_server = serverKeycodes();
    QVERIFY2(m_server.size() > 100, "xkbcomp could not dump the server's keymap");
}

void TestX11Keyboard::cleanupTestCase()
{
    XServer::current()->setxkbmap({ QStringLiteral("us") });
}

void TestX11Keyboard::keyNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<quint32>("virtualKey");
    for (const Row &row : numberedRows) {
        for (qsizetype i = 0; i < row.codes.size(); ++i) {
            const QByteArray name = row.prefix == QByteArrayView("KP")
                ? QByteArray(row.prefix) + QByteArray::number(row.first + i)
                : QByteArray(row.prefix) + QByteArray::number(row.first + i).rightJustified(2, '0');
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
    QSet<QByteArray> names;
    for (const XkbKeyNames::Entry &entry : XkbKeyNames::entries()) {
        QVERIFY2(!codes.contains(entry.virtualKey), entry.name);
        QVERIFY2(!names.contains(QByteArray(entry.name)), entry.name);
        codes.insert(entry.virtualKey);
        names.insert(QByteArray(entry.name));
    }
    QCOMPARE(qsizetype(XkbKeyNames::entries().size()), expected);
}

void TestX11Keyboard::keysWithoutPosition_data()
{
    QTest::addColumn<quint32>("virtualKey");
    QTest::addColumn<QByteArray>("name"); // a name that must not map back
    QTest::addColumn<QByteArray>("nativeOf"); // a server key with no virtual code
    QTest::newRow("unused code 52") << 52u << QByteArray("ad01") << QByteArray("LWIN");
    QTest::newRow("Command key") << 55u << QByteArray("LWIN") << QByteArray("LALT");
    QTest::newRow("Shift key") << 56u << QByteArray("LFSH") << QByteArray("LFSH");
    QTest::newRow("beyond 16 bits") << 65536u + 12u << QByteArray("AC12") << QByteArray("PRSC");
    QTest::newRow("empty name") << 127u << QByteArray() << QByteArray("CAPS");
}

void TestX11Keyboard::keysWithoutPosition()
{
    QFETCH(quint32, virtualKey);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, nativeOf);

    X11KeyboardPlatform keyboard;
    QVERIFY(XkbKeyNames::nameForVirtualKey(virtualKey).isEmpty());
    QCOMPARE(keyboard.nativeKeyForVirtual(virtualKey), std::nullopt);
    QCOMPARE(keyboard.printedText(virtualKey), QString());
    QCOMPARE(XkbKeyNames::virtualKeyForName(name), std::nullopt);
    QVERIFY(m_server.contains(nativeOf));
    QCOMPARE(keyboard.virtualKeyForNative(m_server.value(nativeOf)), std::nullopt);
    // An alias of a known key is that key.
    QCOMPARE(keyboard.virtualKeyForNative(m_server.value("AC12")), std::optional<quint32>(42));
}

void TestX11Keyboard::printedText_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("lockedGroup"); // -1: as setxkbmap leaves it
    QTest::addColumn<quint32>("virtualKey");
    QTest::addColumn<QString>("text");

    const QString us = QStringLiteral("us");
    const QString de = QStringLiteral("de");
    const QString fr = QStringLiteral("fr");
    QTest::newRow("us Z") << us << -1 << 6u << QStringLiteral("z");
    QTest::newRow("us digit 1") << us << -1 << 18u << QStringLiteral("1");
    QTest::newRow("us backslash") << us << -1 << 42u << QStringLiteral("\\");
    QTest::newRow("us keypad 1 prints its digit") << us << -1 << 83u << QStringLiteral("1");
    QTest::newRow("us keypad *") << us << -1 << 67u << QStringLiteral("*");
    QTest::newRow("us Return prints no control character") << us << -1 << 36u << QString();
    QTest::newRow("de at Z prints y") << de << -1 << 6u << QStringLiteral("y");
    QTest::newRow("de at Y prints z") << de << -1 << 16u << QStringLiteral("z");
    QTest::newRow("de minus prints sharp s") << de << -1 << 27u << QString::fromUtf8("ß");
    QTest::newRow("de dead circumflex shows its accent") << de << -1 << 50u << QStringLiteral("^");
    QTest::newRow("fr at Q prints a") << fr << -1 << 12u << QStringLiteral("a");
    QTest::newRow("fr at A prints q") << fr << -1 << 0u << QStringLiteral("q");
    QTest::newRow("fr digit row") << fr << -1 << 18u << QStringLiteral("&");
    QTest::newRow("ru,us takes Latin from us") << QStringLiteral("ru,us") << -1 << 0u << QStringLiteral("a");
    QTest::newRow("ru,us Q") << QStringLiteral("ru,us") << -1 << 12u << QStringLiteral("q");
    QTest::newRow("ru alone prints Cyrillic") << QStringLiteral("ru") << -1 << 0u << QString::fromUtf8("ф");
    QTest::newRow("de,us in the us group") << QStringLiteral("de,us") << 1 << 6u << QStringLiteral("z");
    QTest::newRow("us,de in the de group") << QStringLiteral("us,de") << 1 << 6u << QStringLiteral("y");
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
    if (lockedGroup >= 0) {
        xcb_connection_t *c = qtConnection();
        xcb_xkb_latch_lock_state(c, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, quint8(lockedGroup), 0, 0, 0);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
    // Asked at once, before any notification of the change has been handled.
    QCOMPARE(keyboard.printedText(virtualKey), text);
}

void TestX11Keyboard::grabBypassesOtherGrabs_data()
{
    QTest::addColumn<bool>("releaseByDestruction");
    QTest::newRow("ungrab") << false;
    QTest::newRow("destruction") << true;
}

void TestX11Keyboard::grabBypassesOtherGrabs()
{
    QFETCH(bool, releaseByDestruction);

    KeyWindow window;
    window.setGeometry(100, 100, 200, 100);
    window.show();
    window.requestActivate();
    QTRY_COMPARE(QGuiApplication::focusWindow(), &window);

    XTestClient input(XServer::current()->displayName());
    OtherClient other(XServer::current()->displayName());
    const quint8 three = quint8(m_server.value("AE03"));
    const quint8 alt = quint8(m_server.value("LALT"));
    QVERIFY(other.grabKey(three, XCB_MOD_MASK_1));

    auto keyboard = std::make_unique<X11KeyboardPlatform>();
    QVERIFY(keyboard->grabKeyboard());
    QCOMPARE(other.grabKeyboard(), std::optional<int>(XCB_GRAB_STATUS_ALREADY_GRABBED));

    // The other client's Alt+3 reaches the recording window instead.
    QVERIFY(input.pressKey(alt));
    QVERIFY(input.tapKey(three));
    QVERIFY(input.releaseKey(alt));
    QTRY_VERIFY(window.pressedScanCodes.contains(three));

    if (releaseByDestruction)
        keyboard.reset();
    else
        keyboard->ungrabKeyboard();
    QCOMPARE(other.grabKeyboard(), std::optional<int>(XCB_GRAB_STATUS_SUCCESS));
    other.ungrabKeyboard();
    if (keyboard)
        keyboard->ungrabKeyboard(); // a second release is harmless
    other.ungrabKey(three, XCB_MOD_MASK_1);
}

void TestX11Keyboard::grabNeedsFocusedWindow()
{
    QTRY_COMPARE(QGuiApplication::focusWindow(), nullptr);
    X11KeyboardPlatform keyboard;
    QVERIFY(!keyboard.grabKeyboard());
    OtherClient other(XServer::current()->displayName());
    QCOMPARE(other.grabKeyboard(), std::optional<int>(XCB_GRAB_STATUS_SUCCESS));
    other.ungrabKeyboard();
}

DARTLINE_X11_TEST_MAIN_WITH(TestX11Keyboard, XServer::Kind::Xvfb)

#include "tst_x11keyboard.moc"
