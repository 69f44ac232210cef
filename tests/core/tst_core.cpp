// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Preferences.h"

#include <QJsonDocument>
#include <QTest>

#include <limits>

using namespace Dartline;
using namespace Qt::StringLiterals;
using Bindings = QHash<QString, Shortcut>;

Q_DECLARE_METATYPE(Shortcut)

namespace {
const QString A = u"A"_s, B = u"B"_s;
const Shortcut alt1(18, Shortcut::Alt), alt2(19, Shortcut::Alt), super0(0, Shortcut::Super);
} // namespace

class TestCore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void validity_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<bool>("valid");
        QTest::newRow("no modifier") << Shortcut(18, 0) << false;
        QTest::newRow("shift alone") << Shortcut(18, Shortcut::Shift) << false;
        QTest::newRow("super alone") << Shortcut(18, Shortcut::Super) << true;
        QTest::newRow("ctrl Q") << Shortcut(12, Shortcut::Control) << false;
        QTest::newRow("ctrl comma") << Shortcut(43, Shortcut::Control) << false;
        QTest::newRow("ctrl shift Q") << Shortcut(12, Shortcut::Control | Shortcut::Shift) << true;
        QTest::newRow("stored ctrl Q with a stray bit") << Shortcut::fromStored(12, 0x1400) << true;
    }
    void validity()
    {
        QFETCH(Shortcut, shortcut);
        QTEST(shortcut.isValid(), "valid");
    }

    void suggestions()
    {
        const quint32 digits[] = { 18, 19, 20, 21, 23, 22, 26, 28, 25 };
        for (int i = 0; i < 9; ++i)
            QCOMPARE(Shortcut::suggested(i), std::optional(Shortcut(digits[i], Shortcut::Alt)));
        for (int i : { -1, 9, std::numeric_limits<int>::min() })
            QVERIFY(!Shortcut::suggested(i));
    }

    void keyCodeFromStore_data()
    {
        QTest::addColumn<QByteArray>("keyCode");
        QTest::addColumn<bool>("ok");
        QTest::newRow("largest") << QByteArray("4294967295") << true;
        QTest::newRow("too large") << QByteArray("4294967296") << false;
        QTest::newRow("negative") << QByteArray("-1") << false;
        QTest::newRow("fraction") << QByteArray("18.5") << false;
    }
    void keyCodeFromStore()
    {
        QFETCH(QByteArray, keyCode);
        const QJsonObject json = QJsonDocument::fromJson(R"({"modifiers":67840,"keyCode":)" + keyCode + '}').object();
        const auto shortcut = Shortcut::fromJson(json);
        QTEST(shortcut.has_value(), "ok");
        if (shortcut) // the stored bits are kept as they are
            QCOMPARE(Shortcut::fromJson(shortcut->toJson()), std::optional(Shortcut::fromStored(4294967295u, 67840)));
    }

    void discover_data()
    {
        QTest::addColumn<Bindings>("bindings");
        QTest::addColumn<QStringList>("known");
        QTest::addColumn<int>("index"); // A's position
        QTest::addColumn<Bindings>("expected");
        QTest::newRow("first seen") << Bindings {} << QStringList {} << 0 << Bindings { { A, alt1 } };
        QTest::newRow("seen before, cleared") << Bindings {} << QStringList { A } << 1 << Bindings {};
        QTest::newRow("default held by another")
            << Bindings { { B, alt2 } } << QStringList { B } << 1 << Bindings { { B, alt2 } };
        QTest::newRow("unknown but bound")
            << Bindings { { A, super0 } } << QStringList {} << 1 << Bindings { { A, alt2 } };
    }
    void discover()
    {
        QFETCH(QStringList, known);
        QFETCH(Bindings, bindings);
        QFETCH(int, index);
        Preferences p { bindings, QSet<QString>(known.cbegin(), known.cend()) };
        QVERIFY(!p.conflictingDisplay(alt2, B)); // a display never conflicts with itself
        QCOMPARE(p.conflictingDisplay(alt2, A), bindings.contains(B) ? std::optional(B) : std::nullopt);
        p.discover(A, index);
        QTEST(p.bindings, "expected");
        QCOMPARE(p.knownDisplays, QSet<QString>(known.cbegin(), known.cend()) << A);
    }

    void preferencesJson()
    {
        const Preferences p { { { A, alt1 } }, { B } };
        const QByteArray json = R"({"bindings":{"A":{"keyCode":18,"modifiers":2048}},"knownDisplays":["B"]})";
        QCOMPARE(p.toJson(), json);
        QCOMPARE(Preferences::fromJson(json), std::optional(p));
        // Fails as a whole on one bad part, and unread when oversized.
        QVERIFY(!Preferences::fromJson(QByteArray(json).replace(R"(["B"])", R"(["B",1])")));
        QVERIFY(!Preferences::fromJson(QByteArray(json).replace("18", "1.5")));
        const QByteArray huge(Preferences::MaximumDocumentSize, ' ');
        QVERIFY(!Preferences::fromJson(huge + json));
    }
};

QTEST_APPLESS_MAIN(TestCore)
#include "tst_core.moc"
