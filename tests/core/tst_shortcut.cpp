// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Shortcut.h"

#include <QJsonDocument>
#include <QTest>

#include <limits>

using namespace Dartline;

class TestShortcut : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void masksModifiers_data();
    void masksModifiers();
    void validity_data();
    void validity();
    void suggestions_data();
    void suggestions();
    void hashFollowsEquality();
    void decoding_data();
    void decoding();
    void roundTrip();
};

void TestShortcut::masksModifiers_data()
{
    QTest::addColumn<quint32>("given");
    QTest::addColumn<quint32>("stored");
    QTest::newRow("option and caps lock") << 0xC00u << 0x800u;
    QTest::newRow("all four") << 0x1B00u << 0x1B00u;
    QTest::newRow("high bits") << 0xFFFF0000u << 0u;
    QTest::newRow("every bit") << 0xFFFFFFFFu << 0x1B00u;
}

void TestShortcut::masksModifiers()
{
    QFETCH(quint32, given);
    QFETCH(quint32, stored);
    const Shortcut s(7, given);
    QCOMPARE(s.modifiers(), stored);
    QCOMPARE(s.keyCode(), 7u);
}

void TestShortcut::validity_data()
{
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifiers");
    QTest::addColumn<bool>("stored"); // built as read from a document, unmasked
    QTest::addColumn<bool>("valid");
    QTest::newRow("no modifier") << 0u << 0u << false << false;
    QTest::newRow("shift alone") << 0u << 0x200u << false << false;
    QTest::newRow("command alone") << 0u << 0x100u << false << true;
    // Ctrl alone on Q, W and comma are the windows' own keys.
    QTest::newRow("ctrl Q") << 12u << 0x1000u << false << false;
    QTest::newRow("ctrl W") << 13u << 0x1000u << false << false;
    QTest::newRow("ctrl comma") << 43u << 0x1000u << false << false;
    QTest::newRow("ctrl shift Q") << 12u << 0x1200u << false << true;
    QTest::newRow("super Q") << 12u << 0x100u << false << true;
    QTest::newRow("alt W") << 13u << 0x800u << false << true;
    QTest::newRow("ctrl alt comma") << 43u << 0x1800u << false << true;
    QTest::newRow("caps lock only") << 18u << 0x400u << true << false;
    // The reserved keys compare against the whole word: a stray bit frees them.
    QTest::newRow("stored ctrl Q with caps bit") << 12u << 0x1400u << true << true;
    QTest::newRow("stored option with high bit") << 18u << 0x10800u << true << true;
}

void TestShortcut::validity()
{
    QFETCH(quint32, keyCode);
    QFETCH(quint32, modifiers);
    QFETCH(bool, stored);
    QFETCH(bool, valid);
    const Shortcut s = stored ? Shortcut::fromStored(keyCode, modifiers) : Shortcut(keyCode, modifiers);
    QCOMPARE(s.isValid(), valid);
}

void TestShortcut::suggestions_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("keyCode"); // -1: no suggestion
    QTest::newRow("-1") << -1 << -1;
    const int expected[] = { 18, 19, 20, 21, 23, 22, 26, 28, 25 };
    for (int i = 0; i < 9; ++i)
        QTest::addRow("%d", i) << i << expected[i];
    QTest::newRow("9") << 9 << -1;
    QTest::newRow("min int") << std::numeric_limits<int>::min() << -1;
    QTest::newRow("max int") << std::numeric_limits<int>::max() << -1;
}

void TestShortcut::suggestions()
{
    QFETCH(int, index);
    QFETCH(int, keyCode);
    const auto s = Shortcut::suggested(index);
    if (keyCode < 0) {
        QVERIFY(!s);
        return;
    }
    QVERIFY(s);
    QCOMPARE(s->keyCode(), quint32(keyCode));
    QCOMPARE(s->modifiers(), Shortcut::Alt);
    QVERIFY(s->isValid());
}

void TestShortcut::hashFollowsEquality()
{
    QCOMPARE(qHash(Shortcut(18, 0x800)), qHash(Shortcut(18, 0xC00)));
    QVERIFY(Shortcut(18, 0x800) == Shortcut(18, 0xC00));
    QVERIFY(Shortcut(18, 0x800) != Shortcut(18, 0x1000));
    QVERIFY(Shortcut(18, 0x800) != Shortcut(19, 0x800));
    QVERIFY(Shortcut::fromStored(18, 0x10800) != Shortcut(18, 0x800));
}

void TestShortcut::decoding_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifiers");
    QTest::newRow("plain") << QByteArray(R"({"keyCode":18,"modifiers":2048})") << true << 18u << 2048u;
    QTest::newRow("reversed order") << QByteArray(R"({"modifiers":2048,"keyCode":18})") << true << 18u << 2048u;
    QTest::newRow("extra member") << QByteArray(R"({"keyCode":1,"modifiers":256,"x":[1]})") << true << 1u << 256u;
    QTest::newRow("unmasked bits kept") << QByteArray(R"({"keyCode":1,"modifiers":67840})") << true << 1u << 67840u;
    QTest::newRow("largest") << QByteArray(R"({"keyCode":4294967295,"modifiers":0})") << true << 4294967295u << 0u;
    QTest::newRow("missing modifiers") << QByteArray(R"({"keyCode":18})") << false << 0u << 0u;
    QTest::newRow("missing keyCode") << QByteArray(R"({"modifiers":18})") << false << 0u << 0u;
    QTest::newRow("string") << QByteArray(R"({"keyCode":"18","modifiers":0})") << false << 0u << 0u;
    QTest::newRow("bool") << QByteArray(R"({"keyCode":true,"modifiers":0})") << false << 0u << 0u;
    QTest::newRow("null") << QByteArray(R"({"keyCode":null,"modifiers":0})") << false << 0u << 0u;
    QTest::newRow("negative") << QByteArray(R"({"keyCode":-1,"modifiers":0})") << false << 0u << 0u;
    QTest::newRow("fraction") << QByteArray(R"({"keyCode":18.5,"modifiers":0})") << false << 0u << 0u;
    QTest::newRow("too large") << QByteArray(R"({"keyCode":4294967296,"modifiers":0})") << false << 0u << 0u;
    QTest::newRow("huge") << QByteArray(R"({"keyCode":1e300,"modifiers":0})") << false << 0u << 0u;
}

void TestShortcut::decoding()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, ok);
    const auto s = Shortcut::fromJson(QJsonDocument::fromJson(json).object());
    QCOMPARE(bool(s), ok);
    if (ok) {
        QFETCH(quint32, keyCode);
        QFETCH(quint32, modifiers);
        QCOMPARE(s->keyCode(), keyCode);
        QCOMPARE(s->modifiers(), modifiers);
    }
}

void TestShortcut::roundTrip()
{
    const Shortcut samples[] = { Shortcut(18, 0x800), Shortcut(0, 0), Shortcut::fromStored(4294967295u, 4294967295u),
        Shortcut(126, 0x1B00) };
    for (const Shortcut &s : samples) {
        const QJsonObject json = s.toJson();
        QCOMPARE(json.keys(), (QStringList { QStringLiteral("keyCode"), QStringLiteral("modifiers") }));
        QCOMPARE(Shortcut::fromJson(json), std::optional<Shortcut>(s));
    }
}

QTEST_APPLESS_MAIN(TestShortcut)
#include "tst_shortcut.moc"
