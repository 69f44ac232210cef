// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeys/KeyLabels.h"
#include "platform/fake/FakeKeyboardPlatform.h"

#include <QKeyEvent>
#include <QTest>

using namespace Dartline;

Q_DECLARE_METATYPE(Shortcut)

using namespace Qt::StringLiterals;

class TestKeyLabels : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void labels_data()
    {
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<QString>("printed"); // what the layout prints on the key
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("return alone") << 0u << 36u << u"\r"_s << QStringList { u"Enter"_s };
        QTest::newRow("all four in order")
            << 0x1B00u << 49u << u" "_s << QStringList { u"Ctrl"_s, u"Alt"_s, u"Shift"_s, u"Super"_s, u"空格"_s };
        QTest::newRow("foreign bits ignored") << 0x10800u << 18u << u"1"_s << QStringList { u"Alt"_s, u"1"_s };
        QTest::newRow("escape named") << 0x100u << 53u << u"\x1b"_s << QStringList { u"Super"_s, u"Esc"_s };
        QTest::newRow("backspace named") << 0x1000u << 51u << u"\b"_s << QStringList { u"Ctrl"_s, u"Backspace"_s };
        QTest::newRow("page down named") << 0u << 121u << QString() << QStringList { u"PgDn"_s };
        QTest::newRow("F1 before the layout") << 0u << 122u << u"x"_s << QStringList { u"F1"_s };
        QTest::newRow("F20") << 0u << 90u << QString() << QStringList { u"F20"_s };
        QTest::newRow("upper-cased") << 0x800u << 12u << u"q"_s << QStringList { u"Alt"_s, u"Q"_s };
        QTest::newRow("upper-cased beyond ASCII") << 0u << 33u << u"ü"_s << QStringList { u"Ü"_s };
        QTest::newRow("prints nothing") << 0u << 10u << QString() << QStringList { u"键 10"_s };
        QTest::newRow("prints a control character") << 0u << 76u << u"\r"_s << QStringList { u"键 76"_s };
        QTest::newRow("beyond 16 bits") << 0u << 70000u << u"x"_s << QStringList { u"键 70000"_s };
    }

    void labels()
    {
        QFETCH(quint32, modifiers);
        QFETCH(quint32, keyCode);
        QFETCH(QString, printed);
        QFETCH(QStringList, labels);
        FakeKeyboardPlatform keyboard;
        keyboard.setPrintedText(keyCode, printed);
        QCOMPARE(keycapLabels(Shortcut::fromStored(keyCode, modifiers), keyboard), labels);
    }

    void joinedText_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<QString>("text");
        QTest::newRow("alt 1") << Shortcut(18, Shortcut::Alt) << u"Alt+1"_s;
        QTest::newRow("ctrl alt 1") << Shortcut(18, Shortcut::Alt | Shortcut::Control) << u"Ctrl+Alt+1"_s;
        QTest::newRow("shift super comma") << Shortcut(43, Shortcut::Super | Shortcut::Shift) << u"Shift+Super+,"_s;
    }

    // The menu's and the messages' text: the same caps, joined with "+".
    void joinedText()
    {
        QFETCH(Shortcut, shortcut);
        QFETCH(QString, text);
        FakeKeyboardPlatform keyboard;
        keyboard.useUsLayout();
        QCOMPARE(shortcutText(shortcut, keyboard), text);
    }

    void layoutChangeShowsAtOnce()
    {
        FakeKeyboardPlatform keyboard;
        keyboard.setPrintedText(12, u"q"_s);
        QCOMPARE(keyLabel(12, keyboard), u"Q"_s);
        keyboard.setPrintedText(12, u"a"_s); // AZERTY
        QCOMPARE(keyLabel(12, keyboard), u"A"_s);
    }

    void fromKeyEvent_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<quint32>("native");
        QTest::addColumn<bool>("made");
        QTest::addColumn<Shortcut>("shortcut");
        const int cmd = Qt::MetaModifier;
        QTest::newRow("command, keypad bit ignored")
            << int(Qt::Key_Q) << int(Qt::MetaModifier | Qt::KeypadModifier) << 20u << true << Shortcut(12, 0x100);
        QTest::newRow("control shift") << int(Qt::Key_A) << int(Qt::ControlModifier | Qt::ShiftModifier) << 8u << true
                                       << Shortcut(0, 0x1200);
        QTest::newRow("option") << int(Qt::Key_5) << int(Qt::AltModifier) << 31u << true << Shortcut(23, 0x800);
        QTest::newRow("no modifier") << int(Qt::Key_F1) << 0 << 130u << true << Shortcut(122, 0);
        QTest::newRow("shift alone") << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << 64u << false << Shortcut();
        QTest::newRow("super alone") << int(Qt::Key_Super_L) << cmd << 63u << false << Shortcut();
        // Native 66 is Alt's own key position (58).
        QTest::newRow("modifier position, unknown Qt key")
            << int(Qt::Key_unknown) << int(Qt::AltModifier) << 66u << false << Shortcut();
        QTest::newRow("no virtual key code") << int(Qt::Key_5) << int(Qt::AltModifier) << 999u << false << Shortcut();
    }

    void fromKeyEvent()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(quint32, native);
        QFETCH(bool, made);
        QFETCH(Shortcut, shortcut);
        FakeKeyboardPlatform keyboard;
        keyboard.useUsLayout();
        const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), native, 0, 0);
        const auto result = shortcutFromKeyEvent(event, keyboard);
        QCOMPARE(result.has_value(), made);
        if (made)
            QCOMPARE(*result, shortcut);
    }
};

QTEST_MAIN(TestKeyLabels)
#include "tst_keylabels.moc"
