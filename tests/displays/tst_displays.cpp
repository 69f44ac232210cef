// SPDX-License-Identifier: GPL-3.0-or-later
#include "displays/CursorAnimator.h"
#include "displays/CursorPulseView.h"
#include "displays/DisplayOverlay.h"
#include "displays/DisplayService.h"
#include "displays/IdentifyTile.h"
#include "platform/fake/FakeCursorPlatform.h"
#include "platform/fake/FakeDisplayPlatform.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using namespace Dartline;
using namespace Qt::StringLiterals;
using Screens = QList<FakeScreen>;

namespace {
const QRectF hd(0, 0, 1920, 1080);

FakeScreen screen(quint32 number, const QString &uuid, const QRectF &bounds = hd)
{
    return FakeScreen { .number = number, .name = uuid, .bounds = bounds, .uuid = uuid };
}
} // namespace

class TestDisplays : public QObject
{
    Q_OBJECT

    FakeDisplayPlatform m_displays;
    FakeCursorPlatform m_cursor;

private Q_SLOTS:
    void connected_data()
    {
        QTest::addColumn<Screens>("screens");
        QTest::addColumn<QStringList>("ids");
        const QRectF right = hd.translated(1920, 0);
        QTest::newRow("left out and identified") << Screens {
            { .number = 1, .name = {}, .bounds = hd, .active = false, .uuid = u"ASLEEP"_s },
            { .number = {}, .name = {}, .bounds = hd, .uuid = u"UNNUMBERED"_s },
            { .number = 3, .name = {}, .bounds = hd, .inMirrorSet = true, .mirrors = 4, .uuid = u"COPY"_s },
            { .number = 4, .name = {}, .bounds = hd.translated(-1920, 0), .inMirrorSet = true, .uuid = u"MASTER"_s },
            { .number = 7, .name = {}, .bounds = right, .uuid = {}, .vendor = 1552, .model = 40960 },
            { .number = 9, .name = {}, .bounds = right.translated(1920, 0), .uuid = u""_s, .serial = 4294967295u },
        } << QStringList { u"MASTER"_s, u"fallback-1552-40960-0-7"_s, u"fallback-0-0-4294967295-9"_s };
        // By the left edge, not the centre; then the higher; then the identifier, also for other sizes.
        QTest::newRow("ordered") << Screens { screen(1, u"Z"_s), screen(2, u"Y"_s, right),
            screen(3, u"X"_s, QRectF(-1440, 200, 5000, 1080)), screen(4, u"W"_s, hd.translated(0, -1080)),
            screen(5, u"V"_s, QRectF(0, 0, 2560, 1440)), screen(6, u"Z"_s) }
                                 << QStringList { u"X"_s, u"W"_s, u"V"_s, u"Z"_s, u"Z"_s, u"Y"_s };
    }
    void connected()
    {
        QFETCH(Screens, screens);
        for (int pass = 0; pass < 2; ++pass) { // whatever order the platform lists them in
            m_displays.setScreens(screens);
            QStringList ids;
            for (const Dartline::Display &display : DisplayService::connected(m_displays))
                ids.append(display.id);
            QTEST(ids, "ids");
            std::reverse(screens.begin(), screens.end());
        }
    }

    void pulseEnds_data()
    {
        QTest::addColumn<double>("elapsed");
        QTest::addColumn<std::optional<QPointF>>("moved"); // none: the pointer cannot be read
        QTest::addColumn<int>("buttons"); // 1 left, 2 right
        QTest::addColumn<bool>("ends");
        const std::optional<QPointF> still = QPointF(0, 0);
        QTest::newRow("at the end") << 0.48 << still << 0 << true;
        QTest::newRow("3 px up") << 0.1 << std::optional(QPointF(0, -3)) << 0 << false;
        QTest::newRow("2 and 3 px: 3.6 straight") << 0.1 << std::optional(QPointF(2, 3)) << 0 << true;
        QTest::newRow("left button") << 0.1 << still << 1 << true;
        QTest::newRow("right button") << 0.1 << still << 2 << true;
        QTest::newRow("pointer unreadable") << 0.2 << std::optional<QPointF>() << 0 << false;
    }
    void pulseEnds()
    {
        QFETCH(double, elapsed);
        QFETCH(std::optional<QPointF>, moved);
        QFETCH(int, buttons);
        QFETCH(bool, ends);
        const QPointF landing(400, 300);
        qint64 now = 5'000'000'000; // the clock's origin is not zero
        CursorAnimator animator(m_cursor, &m_displays, [&] { return now; });
        QSignalSpy finished(&animator, &CursorAnimator::finished);
        m_displays.setScreens({ screen(1, u"A"_s) });
        m_cursor.setLocation(landing);
        animator.show(landing);
        QPointer<CursorPulseView> view = animator.view();
        QCOMPARE(QRectF(view->geometry()).center(), landing);
        now += static_cast<qint64>(elapsed * 1e9);
        m_cursor.setLocation(moved ? std::optional(landing + *moved) : std::nullopt);
        m_cursor.setLeftButtonDown(buttons & 1);
        m_cursor.setRightButtonDown(buttons & 2);
        animator.tick();
        QVERIFY(view); // kept, hidden, for the next pulse
        QCOMPARE(view->isVisible(), !ends);
        QCOMPARE(animator.isPulsing(), !ends);
        QCOMPARE(finished.size(), int(ends));
    }

    void identifyTiles_data()
    {
        QTest::addColumn<QList<quint32>>("listed");
        QTest::addColumn<QList<int>>("numbers");
        QTest::newRow("second gone: numbers not closed up") << QList<quint32> { 3, 7, 1 } << QList<int> { 1, 3 };
        QTest::newRow("none found") << QList<quint32> { 8, 9 } << QList<int> {};
    }
    void identifyTiles()
    {
        QFETCH(QList<quint32>, listed);
        QFETCH(QList<int>, numbers);
        m_displays.setScreens({ screen(1, u"A"_s), screen(2, u"B"_s, QRectF(320, -1024, 1280, 1024)),
            screen(3, u"C"_s, QRectF(1920, 100, 1024, 768)) });
        QList<Dartline::Display> list;
        for (quint32 number : listed)
            list.append(Dartline::Display { u"id"_s, number, {}, {}, false });
        DisplayOverlay overlay(m_displays, m_cursor);
        QSignalSpy dismissed(&overlay, &DisplayOverlay::dismissed);
        overlay.show(DisplayService::connected(m_displays));
        QPointer<IdentifyTile> earlier = overlay.tiles().value(0);
        const QStringList captions { u"Ctrl+Alt+Shift+Super+Backspace"_s, u"Alt+2"_s, QString() };
        overlay.show(list, captions);
        QVERIFY(earlier.isNull());
        QList<int> shown;
        for (IdentifyTile *tile : overlay.tiles()) {
            shown.append(tile->number());
            QCOMPARE(tile->accessibleName(), u"Display %1"_s.arg(tile->number()));
            QCOMPARE(tile->caption(), captions.at(tile->number() - 1));
            const int margin = tile->isComposited() ? IdentifyTile::ShadowMargin : 0;
            const QRect box = IdentifyTile::CaptionBox.translated(margin, margin);
            const QImage image = tile->grab().toImage();
            QRect ink; // the shortcut's white text, under the number and inside the tile
            for (int y = box.top() + 4; y < box.bottom(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    ink |= qGray(image.pixel(x, y)) > 200 ? QRect(x, y, 1, 1) : QRect();
            QCOMPARE(ink.isEmpty(), tile->caption().isEmpty());
            QVERIFY(ink.isEmpty() || box.contains(ink));
            QCOMPARE(QRectF(tile->tileGeometry()).center(), m_displays.bounds(listed.at(tile->number() - 1)).center());
        }
        QCOMPARE(shown, numbers);
        QCOMPARE(dismissed.wait(numbers.isEmpty() ? 1 : DisplayOverlay::DismissAfterMs + 5000), !numbers.isEmpty());
        QVERIFY(overlay.tiles().isEmpty());
    }
};

QTEST_MAIN(TestDisplays)
#include "tst_displays.moc"
