// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Preferences.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Dartline;

namespace {
const QString A = QStringLiteral("AAAAAAAA-0000-0000-0000-000000000001");
const QString B = QStringLiteral("BBBBBBBB-0000-0000-0000-000000000002");
const QString C = QStringLiteral("fallback-1552-40960-0-1");
const Shortcut opt1(18, Shortcut::Alt);
const Shortcut opt2(19, Shortcut::Alt);
using Bindings = QHash<QString, Shortcut>;
} // namespace

Q_DECLARE_METATYPE(Shortcut)

class TestPreferences : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void conflicts();
    void discover_data();
    void discover();
    void equalityIgnoresOrder();
    void writesCompactDocument();
    void reads_data();
    void reads();
    void rejectsHostileInput_data();
    void rejectsHostileInput();
    void roundTrip();
};

void TestPreferences::conflicts()
{
    Preferences p;
    QVERIFY(!p.conflictingDisplay(opt1, A));
    p.bindings.insert(A, opt1);
    QVERIFY(!p.conflictingDisplay(opt1, A)); // a display never conflicts with itself
    QCOMPARE(p.conflictingDisplay(opt1, B), std::optional<QString>(A));
    QVERIFY(!p.conflictingDisplay(Shortcut(18, Shortcut::Control), B)); // same key, other modifiers
    QVERIFY(!p.conflictingDisplay(opt2, B));
}

void TestPreferences::discover_data()
{
    // Start state (bindings / known), then one discover, then the expectation.
    QTest::addColumn<Bindings>("bindings");
    QTest::addColumn<QStringList>("known");
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("index");
    QTest::addColumn<Bindings>("expected");

    using Map = Bindings;
    QTest::newRow("first display") << Map {} << QStringList {} << A << 0 << Map { { A, opt1 } };
    QTest::newRow("seen before, no second suggestion") << Map {} << QStringList { A } << A << 3 << Map {};
    QTest::newRow("tenth position") << Map {} << QStringList {} << A << 9 << Map {};
    QTest::newRow("negative position") << Map {} << QStringList {} << A << -1 << Map {};
    QTest::newRow("suggestion taken by a disconnected display")
        << Map { { B, opt2 } } << QStringList { B } << A << 1 << Map { { B, opt2 } };
    QTest::newRow("unknown but bound, suggestion free replaces")
        << Map { { A, Shortcut(0, Shortcut::Super) } } << QStringList {} << A << 1 << Map { { A, opt2 } };
    QTest::newRow("unknown but bound, suggestion taken keeps") << Map { { A, Shortcut(0, Shortcut::Super) },
        { B, opt2 } } << QStringList { B } << A << 1 << Map { { A, Shortcut(0, Shortcut::Super) }, { B, opt2 } };
    QTest::newRow("fifth is 23") << Map {} << QStringList {} << C << 4 << Map { { C, Shortcut(23, Shortcut::Alt) } };
}

void TestPreferences::discover()
{
    QFETCH(Bindings, bindings);
    QFETCH(QStringList, known);
    QFETCH(QString, id);
    QFETCH(int, index);
    QFETCH(Bindings, expected);
    Preferences p;
    p.bindings = bindings;
    p.knownDisplays = QSet<QString>(known.cbegin(), known.cend());
    p.discover(id, index);
    QCOMPARE(p.bindings, expected);
    QVERIFY(p.knownDisplays.contains(id));
    QCOMPARE(p.knownDisplays.size(), known.size() + (known.contains(id) ? 0 : 1));
}

void TestPreferences::equalityIgnoresOrder()
{
    Preferences a;
    Preferences b;
    for (int i = 0; i < 50; ++i) {
        a.knownDisplays.insert(QString::number(i));
        b.knownDisplays.insert(QString::number(49 - i));
        a.bindings.insert(QString::number(i), Shortcut(quint32(i), Shortcut::Control));
        b.bindings.insert(QString::number(49 - i), Shortcut(quint32(49 - i), Shortcut::Control));
    }
    QCOMPARE(a, b);
    b.bindings.insert(QStringLiteral("7"), Shortcut(7, Shortcut::Alt));
    QVERIFY(a != b);
    QCOMPARE(Preferences(), *Preferences::fromJson(R"({"bindings":{},"knownDisplays":[]})"));
}

void TestPreferences::writesCompactDocument()
{
    Preferences p;
    p.bindings.insert(A, opt1);
    p.knownDisplays = { A, B };
    const QByteArray json = p.toJson();
    QVERIFY(!json.contains('\n') && !json.contains(' '));
    QVERIFY(json.startsWith(R"({"bindings":{")"));
    QVERIFY(json.indexOf("\"bindings\"") < json.indexOf("\"knownDisplays\""));
    QVERIFY(json.contains(R"({"keyCode":18,"modifiers":2048})"));
    QCOMPARE(Preferences().toJson(), QByteArray(R"({"bindings":{},"knownDisplays":[]})"));
}

void TestPreferences::reads_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("bindings");
    QTest::addColumn<int>("known");
    QTest::newRow("empty") << QByteArray(R"({"bindings":{},"knownDisplays":[]})") << true << 0 << 0;
    QTest::newRow("members reversed, extra ignored")
        << QByteArray(R"({"v":2,"knownDisplays":["a","b"],"bindings":{"a":{"keyCode":18,"modifiers":2048}}})") << true
        << 1 << 2;
    QTest::newRow("duplicate identifiers counted once")
        << QByteArray(R"({"bindings":{},"knownDisplays":["a","a","b","a"]})") << true << 0 << 2;
    QTest::newRow("binding of an unknown display kept")
        << QByteArray(R"({"bindings":{"z":{"keyCode":12,"modifiers":256}},"knownDisplays":[]})") << true << 1 << 0;
    QTest::newRow("missing knownDisplays") << QByteArray(R"({"bindings":{}})") << false << 0 << 0;
    QTest::newRow("missing bindings") << QByteArray(R"({"knownDisplays":[]})") << false << 0 << 0;
    QTest::newRow("bindings is an array") << QByteArray(R"({"bindings":[],"knownDisplays":[]})") << false << 0 << 0;
    QTest::newRow("knownDisplays is an object")
        << QByteArray(R"({"bindings":{},"knownDisplays":{}})") << false << 0 << 0;
    QTest::newRow("known id not a string")
        << QByteArray(R"({"bindings":{},"knownDisplays":["a",1]})") << false << 0 << 0;
    QTest::newRow("one bad binding fails all") << QByteArray(
        R"({"bindings":{"a":{"keyCode":18,"modifiers":2048},"b":{"keyCode":18.5,"modifiers":0}},"knownDisplays":[]})")
                                               << false << 0 << 0;
    QTest::newRow("binding not an object")
        << QByteArray(R"({"bindings":{"a":18},"knownDisplays":[]})") << false << 0 << 0;
    QTest::newRow("top level array") << QByteArray(R"([{"bindings":{},"knownDisplays":[]}])") << false << 0 << 0;
    QTest::newRow("top level string") << QByteArray(R"("x")") << false << 0 << 0;
    QTest::newRow("not json") << QByteArray("displayPreferences") << false << 0 << 0;
    QTest::newRow("empty bytes") << QByteArray() << false << 0 << 0;
    QTest::newRow("trailing garbage") << QByteArray(R"({"bindings":{},"knownDisplays":[]}x)") << false << 0 << 0;
    QTest::newRow("invalid utf-8 in a name")
        << QByteArray("{\"bindings\":{},\"knownDisplays\":[\"a\xff\xfe\"]}") << false << 0 << 0;
    QTest::newRow("overlong utf-8") << QByteArray("{\"bindings\":{},\"knownDisplays\":[\"\xc0\xaf\"]}") << false << 0
                                    << 0;
}

void TestPreferences::reads()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, ok);
    QFETCH(int, bindings);
    QFETCH(int, known);
    const auto p = Preferences::fromJson(json);
    QCOMPARE(bool(p), ok);
    if (ok) {
        QCOMPARE(p->bindings.size(), bindings);
        QCOMPARE(p->knownDisplays.size(), known);
    }
}

void TestPreferences::rejectsHostileInput_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("deep nesting") << QByteArray(R"({"bindings":{},"knownDisplays":[],"x":)") + QByteArray(100000, '[')
            + QByteArray(100000, ']') + "}";
    QTest::newRow("deep objects") << QByteArray(100000, '{');
    // A valid document of 50 MB: refused by size before any parsing.
    QByteArray big = R"({"bindings":{},"knownDisplays":[)";
    const QByteArray id = R"("0123456789abcdef0123456789abcdef",)";
    big.reserve(50 * 1024 * 1024 + 64);
    while (big.size() < 50 * 1024 * 1024)
        big += id;
    big += R"("end"]})";
    QTest::newRow("50 MB") << big;
    QTest::newRow("nul bytes") << QByteArray(1024, '\0');
}

void TestPreferences::rejectsHostileInput()
{
    QFETCH(QByteArray, json);
    QVERIFY(!Preferences::fromJson(json));
}

void TestPreferences::roundTrip()
{
    Preferences p;
    for (quint32 i = 0; i < 20; ++i) {
        const QString id = QStringLiteral("id-%1-屏幕").arg(i);
        p.knownDisplays.insert(id);
        if (i % 3)
            p.bindings.insert(id, Shortcut::fromStored(i * 1000003u, 0xFFFFFFFFu - i));
    }
    p.bindings.insert(QStringLiteral("\"quoted\\name\""), Shortcut(0, 0));
    QCOMPARE(Preferences::fromJson(p.toJson()), std::optional<Preferences>(p));
}

QTEST_APPLESS_MAIN(TestPreferences)
#include "tst_preferences.moc"
