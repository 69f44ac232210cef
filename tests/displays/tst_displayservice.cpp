// SPDX-License-Identifier: GPL-3.0-or-later
#include "displays/DisplayService.h"
#include "platform/fake/FakeDisplayPlatform.h"

#include <QTest>

using namespace Dartline;

Q_DECLARE_METATYPE(FakeScreen)

using namespace Qt::StringLiterals;

namespace {
FakeScreen screen(quint32 number, const QRectF &bounds, const QString &uuid)
{
    FakeScreen s;
    s.number = number;
    s.name = QStringLiteral("Screen %1").arg(number);
    s.bounds = bounds;
    if (!uuid.isEmpty())
        s.uuid = uuid;
    return s;
}
} // namespace

class TestDisplayService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void connected_data()
    {
        QTest::addColumn<QList<FakeScreen>>("screens");
        QTest::addColumn<QStringList>("ids");
        const QRectF hd(0, 0, 1920, 1080);

        QTest::newRow("no screens") << QList<FakeScreen>() << QStringList();
        FakeScreen asleep = screen(1, hd, QStringLiteral("A"));
        asleep.active = false;
        FakeScreen unnumbered = screen(2, hd, QStringLiteral("B"));
        unnumbered.number.reset();
        QTest::newRow("inactive and unnumbered left out") << QList<FakeScreen> { asleep, unnumbered } << QStringList();

        FakeScreen copy = screen(2, hd, QStringLiteral("COPY"));
        copy.inMirrorSet = true;
        copy.mirrors = 1;
        FakeScreen master = screen(1, hd, QStringLiteral("MASTER"));
        master.inMirrorSet = true;
        QTest::newRow("mirror set gives its master")
            << QList<FakeScreen> { copy, master } << QStringList { u"MASTER"_s };

        FakeScreen noUuid = screen(7, hd, {});
        noUuid.vendor = 1552;
        noUuid.model = 40960;
        FakeScreen emptyUuid = screen(4294967295u, hd.translated(1920, 0), {});
        emptyUuid.uuid = QString();
        emptyUuid.serial = 4294967295u;
        QTest::newRow("fallback identifiers") << QList<FakeScreen> { emptyUuid,
            noUuid } << QStringList { u"fallback-1552-40960-0-7"_s, u"fallback-0-0-4294967295-4294967295"_s };

        QTest::newRow("left to right") << QList<FakeScreen> { screen(1, hd, u"Z"_s),
            screen(2, hd.translated(1920, 0), u"Y"_s), screen(3, hd.translated(-1440, 200), u"X"_s) }
                                       << QStringList { u"X"_s, u"Z"_s, u"Y"_s };
        QTest::newRow("same left edge, higher first") << QList<FakeScreen> { screen(1, hd.translated(0, 1080), u"A"_s),
            screen(2, hd, u"B"_s) } << QStringList { u"B"_s, u"A"_s };
        QTest::newRow("same bounds by identifier, duplicates kept") << QList<FakeScreen> { screen(1, hd, u"B"_s),
            screen(2, hd, u"A"_s), screen(3, hd, u"B"_s) } << QStringList { u"A"_s, u"B"_s, u"B"_s };
        // Overlapping outputs at one corner: the order must not depend on RandR's.
        QTest::newRow("same corner, other size") << QList<FakeScreen> { screen(1, QRectF(0, 0, 2560, 1440), u"B"_s),
            screen(2, hd, u"A"_s) } << QStringList { u"A"_s, u"B"_s };
    }

    void connected()
    {
        QFETCH(QList<FakeScreen>, screens);
        QFETCH(QStringList, ids);
        FakeDisplayPlatform platform;
        for (int pass = 0; pass < 2; ++pass) { // whatever order the platform lists them in
            platform.setScreens(screens);
            QStringList actual;
            for (const Dartline::Display &display : DisplayService::connected(platform))
                actual.append(display.id);
            QCOMPARE(actual, ids);
            std::reverse(screens.begin(), screens.end());
        }
    }

    void recordFields()
    {
        FakeDisplayPlatform platform;
        FakeScreen s = screen(5, QRectF(-1280.5, 0, 1280, 800), u"A"_s);
        s.builtIn = true;
        platform.setScreens({ s });
        const Dartline::Display expected { u"A"_s, 5, u"Screen 5"_s, QRectF(-1280.5, 0, 1280, 800), true };
        QCOMPARE(DisplayService::connected(platform), QList<Dartline::Display> { expected });
    }
};

QTEST_GUILESS_MAIN(TestDisplayService)
#include "tst_displayservice.moc"
