// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeys/HotKeyService.h"
#include "platform/fake/FakeHotKeyPlatform.h"

#include <QTest>

using namespace Dartline;

namespace {
Shortcut option(quint32 keyCode)
{
    return Shortcut(keyCode, Shortcut::Alt);
}
} // namespace

class TestHotKeyService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void ids_data()
    {
        QTest::addColumn<QList<HotKeyStatus>>("statuses"); // one registration per entry
        QTest::addColumn<QList<quint32>>("ids"); // the ids the platform was asked for
        QTest::newRow("two accepted") << QList<HotKeyStatus> { HotKeyStatus::NoError, HotKeyStatus::NoError }
                                      << QList<quint32> { 1, 2 };
        QTest::newRow("a refusal reuses its id")
            << QList<HotKeyStatus> { HotKeyStatus::NoError, HotKeyStatus::HotKeyExists, HotKeyStatus::NoError }
            << QList<quint32> { 1, 2, 2 };
        QTest::newRow("first refused") << QList<HotKeyStatus> { HotKeyStatus::NoKeyCode, HotKeyStatus::NoError }
                                       << QList<quint32> { 1, 1 };
    }

    void ids()
    {
        QFETCH(QList<HotKeyStatus>, statuses);
        QFETCH(QList<quint32>, ids);
        FakeHotKeyPlatform platform;
        HotKeyService service(platform);
        for (int i = 0; i < statuses.size(); ++i) {
            platform.setStatus(option(quint32(i)), statuses[i]);
            QCOMPARE(service.registerHotKey(option(quint32(i)), [] {}), statuses[i]);
        }
        QList<quint32> asked;
        for (const auto &call : platform.registerCalls())
            asked.append(call.id.id);
        QCOMPARE(asked, ids);

        service.clear();
        QVERIFY(platform.live().isEmpty());
        QCOMPARE(service.registerHotKey(option(50), [] {}), HotKeyStatus::NoError);
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
        QCOMPARE(platform.press(option(1)), HotKeyStatus::NoError);
        QCOMPARE(first, 1);
        QCOMPARE(platform.press(option(2)), HotKeyStatus::NoError);
        QCOMPARE(second, 1);
        QCOMPARE(platform.liveShortcuts(), QList<Shortcut> { option(3) });
        QCOMPARE(platform.press(option(3)), HotKeyStatus::NoError);
        QCOMPARE(first, 2);

        // An id that is no longer live is not this service's.
        QCOMPARE(service.handle(HotKeyId { 9 }), HotKeyStatus::EventNotHandled);
        QCOMPARE(first, 2);
        QCOMPARE(second, 1);
    }

    void withoutHandler()
    {
        FakeHotKeyPlatform platform;
        platform.setInstallSucceeds(false);
        {
            HotKeyService service(platform);
            QCOMPARE(service.registerHotKey(option(1), [] {}), HotKeyStatus::NoHandler);
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
