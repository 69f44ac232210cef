// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeys/HotKeyService.h"
#include "hotkeys/KeyLabels.h"
#include "platform/fake/FakeHotKeyPlatform.h"
#include "platform/fake/FakeKeyboardPlatform.h"

#include <QTest>

using namespace Dartline;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Shortcut)

namespace {
constexpr Shortcut alt1(18, Shortcut::Alt), alt2(19, Shortcut::Alt), alt3(20, Shortcut::Alt);
} // namespace

class TestHotKeys : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void labels_data()
    {
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<QString>("printed"); // by the layout
        QTest::addColumn<QString>("text");
        QTest::newRow("all four in order") << 0x1B00u << 49u << u" "_s << u"Ctrl+Alt+Shift+Super+Space"_s;
        QTest::newRow("foreign bits ignored") << 0x10800u << 18u << u"1"_s << u"Alt+1"_s;
        QTest::newRow("named before the layout") << 0x100u << 53u << u"\x1b"_s << u"Super+Esc"_s;
        QTest::newRow("function key") << 0u << 90u << u"x"_s << u"F20"_s;
        QTest::newRow("upper-cased beyond ASCII") << 0u << 33u << u"ü"_s << u"Ü"_s;
        QTest::newRow("prints a control character") << 0u << 76u << u"\r"_s << u"Key 76"_s;
        QTest::newRow("beyond 16 bits") << 0u << 70000u << u"x"_s << u"Key 70000"_s;
    }
    void labels()
    {
        QFETCH(quint32, modifiers);
        QFETCH(quint32, keyCode);
        QFETCH(QString, printed);
        FakeKeyboardPlatform keyboard;
        keyboard.setPrintedText(keyCode, printed);
        QTEST(shortcutText(Shortcut::fromStored(keyCode, modifiers), keyboard), "text");
        if (keyCode == 18) { // a layout switch shows at once
            keyboard.setPrintedText(keyCode, u"&"_s);
            QCOMPARE(keyLabel(keyCode, keyboard), u"&"_s);
        }
    }

    // An action may empty and refill the service; each clear lets go of every grab.
    void registrations()
    {
        FakeHotKeyPlatform platform;
        std::optional<HotKeyService> service(std::in_place, platform);
        int presses = 0;
        platform.setStatus(alt2, HotKeyStatus::HotKeyExists);
        QCOMPARE(service->registerHotKey(alt2, [] {}), HotKeyStatus::HotKeyExists);
        service->registerHotKey(alt1, [&] {
            service->clear();
            service->registerHotKey(alt3, [&] { ++presses; });
        });
        QCOMPARE(platform.registerCalls().constLast().id.id, 1u); // the refusal left its id
        QCOMPARE(platform.press(alt1), HotKeyStatus::NoError);
        QCOMPARE(platform.liveShortcuts(), QList<Shortcut> { alt3 });
        QCOMPARE(platform.press(alt3), HotKeyStatus::NoError);
        QCOMPARE(presses, 1);
        service.reset();
        QVERIFY(platform.live().isEmpty() && !platform.handlerInstalled());
        platform.setInstallSucceeds(false);
        QCOMPARE(HotKeyService(platform).registerHotKey(alt1, [] {}), HotKeyStatus::NoHandler);
    }
};

QTEST_MAIN(TestHotKeys)
#include "tst_hotkeys.moc"
