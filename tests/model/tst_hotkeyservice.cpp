// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeys/HotKeyService.h"
#include "platform/fake/FakeHotKeyPlatform.h"

#include <QTest>

using namespace Dartline;

namespace {
Shortcut option(quint32 keyCode)
{
    return Shortcut(keyCode, Shortcut::Option);
}
} // namespace

class TestHotKeyService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void ids_data()
    {
        QTest::addColumn<QList<int>>("statuses"); // one registration per entry
        QTest::addColumn<QList<quint32>>("ids"); // the ids the platform was asked for
        QTest::newRow("two accepted") << QList<int> { 0, 0 } << QList<quint32> { 1, 2 };
        QTest::newRow("a refusal reuses its id")
            << QList<int> { 0, HotKeyStatus::HotKeyExists, 0 } << QList<quint32> { 1, 2, 2 };
        QTest::newRow("first refused") << QList<int> { HotKeyStatus::NoKeyCode, 0 } << QList<quint32> { 1, 1 };
    }

    void ids()
    {
        QFETCH(QList<int>, statuses);
        QFETCH(QList<quint32>, ids);
        FakeHotKeyPlatform platform;
        HotKeyService service(platform);
        for (int i = 0; i < statuses.size(); ++i) {
            platform.setStatus(option(quint32(i)), statuses[i]);
            QCOMPARE(service.registerHotKey(option(quint32(i)), [] {}), statuses[i]);
        }
        QList<quint32> asked;
        for (const auto &call : platform.registerCalls()) {
            QCOMPARE(call.id.signature, 0x4452544Cu);
            asked.append(call.id.id);
        }
        QCOMPARE(asked, ids);

        service.clear();
        QVERIFY(platform.live().isEmpty());
        QCOMPARE(service.registerHotKey(option(50), [] {}), 0);
        QCOMPARE(platform.live().constFirst().id.id, 1u);
    }

    void dispatch()
    {
        FakeHotKeyPlatform platform;
        HotKeyService service(platform);
        int first = 0;
        int second = 0;
        service.registerHotKey(option(1), [&] { ++first; });
        // An action that empties and refills the service while it runs.
        service.registerHotKey(option(2), [&] {
            ++second;
            service.clear();
            service.registerHotKey(option(3), [&] { ++first; });
        });
        QCOMPARE(platform.press(option(1)), 0);
        QCOMPARE(first, 1);
        QCOMPARE(platform.press(option(2)), 0);
        QCOMPARE(second, 1);
        QCOMPARE(platform.liveShortcuts(), QList<Shortcut> { option(3) });
        QCOMPARE(platform.press(option(3)), 0);
        QCOMPARE(first, 2);

        QCOMPARE(service.handle(HotKeyId { HotKeyService::Signature, 9 }), HotKeyStatus::NoError);
        QCOMPARE(service.handle(HotKeyId { 0x41424344, 1 }), HotKeyStatus::EventNotHandled);
        QCOMPARE(first, 2);
        QCOMPARE(second, 1);
    }

    void withoutHandler()
    {
        FakeHotKeyPlatform platform;
        platform.setInstallSucceeds(false);
        {
            HotKeyService service(platform);
            QCOMPARE(service.registerHotKey(option(1), [] {}), HotKeyStatus::EventInternal);
        }
        QVERIFY(platform.registerCalls().isEmpty());
        QCOMPARE(platform.removeHandlerCalls(), 0);
    }

    void destructionUnregisters()
    {
        FakeHotKeyPlatform platform;
        {
            HotKeyService service(platform);
            service.registerHotKey(option(1), [] {});
            service.registerHotKey(option(2), [] {});
        }
        QCOMPARE(platform.unregisterCalls().size(), 2);
        QVERIFY(platform.live().isEmpty());
        QVERIFY(!platform.handlerInstalled());
        QCOMPARE(platform.press(option(1)), HotKeyStatus::EventNotHandled);
    }
};

QTEST_GUILESS_MAIN(TestHotKeyService)
#include "tst_hotkeyservice.moc"
