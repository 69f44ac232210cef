// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform.h"
#include "Shortcut.h"

#include <QGuiApplication>
#include <QTest>

// Outside X11 the program must still start and then refuse every operation
// with a failure it can report, not crash.
class TestNullPlatform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusesEverything();
};

void TestNullPlatform::refusesEverything()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    const std::unique_ptr<Platform> platform = Platform::create();
    QVERIFY(platform->displays().screens().isEmpty());
    QVERIFY(!platform->displays().isActive(1));
    QVERIFY(platform->cursor().warp(QPointF(10, 10)) != 0);
    QVERIFY(!platform->cursor().location());
    QVERIFY(!platform->hotKeys().installHandler([](const HotKeyId &) { return 0; }));
    HotKeyPlatform::Ref ref = 7;
    QCOMPARE(platform->hotKeys().registerHotKey(Shortcut(18, Shortcut::Option), HotKeyId { 1, 1 }, &ref),
        HotKeyStatus::EventInternal);
    QCOMPARE(ref, HotKeyPlatform::Ref(0));
    QVERIFY(!platform->keyboard().virtualKeyForNative(24));
    QVERIFY(platform->keyboard().printedText(12).isEmpty());
    QVERIFY(!platform->keyboard().grabKeyboard());
}

QTEST_MAIN(TestNullPlatform)
#include "tst_nullplatform.moc"
