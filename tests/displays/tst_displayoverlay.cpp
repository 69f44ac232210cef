// SPDX-License-Identifier: GPL-3.0-or-later
// Which tiles the overlay makes, where, with which numbers, and how one
// looks, against the fake platform and offscreen rendering.

#include "displays/DisplayOverlay.h"
#include "displays/IdentifyTile.h"
#include "paint/BrandColor.h"
#include "platform/fake/FakeCursorPlatform.h"
#include "platform/fake/FakeDisplayPlatform.h"

#include <QPainter>
#include <QPointer>
#include <QTest>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

Dartline::Display display(quint32 number)
{
    return Dartline::Display { u"id-%1"_s.arg(number), number, u"Screen"_s, QRectF(), false };
}

FakeScreen screen(std::optional<quint32> number, const QRectF &bounds)
{
    FakeScreen result;
    result.number = number;
    result.bounds = bounds;
    return result;
}

QImage renderTile(IdentifyTile &tile)
{
    QImage image(tile.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    tile.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool isWhite(QRgb pixel)
{
    return qRed(pixel) > 240 && qGreen(pixel) > 240 && qBlue(pixel) > 240;
}

} // namespace

class TestDisplayOverlay : public QObject
{
    Q_OBJECT

    FakeDisplayPlatform m_displays;
    FakeCursorPlatform m_cursor;

private Q_SLOTS:
    void init()
    {
        m_displays.setScreens({
            screen(1, QRectF(0, 0, 1920, 1080)), screen(2, QRectF(320, -1024, 1280, 1024)),
            screen(3, QRectF(1920, 100, 1024, 768)), screen(std::nullopt, QRectF(4000, 0, 800, 600)), // never matches
        });
        m_cursor.setCompositor(true);
    }

    void tiles_data()
    {
        QTest::addColumn<QList<quint32>>("listed");
        QTest::addColumn<QList<int>>("numbers");

        QTest::newRow("second gone: numbers not closed up") << QList<quint32> { 1, 7, 3 } << QList<int> { 1, 3 };
        QTest::newRow("list order, not screen order") << QList<quint32> { 3, 1 } << QList<int> { 1, 2 };
        QTest::newRow("none found") << QList<quint32> { 8, 9 } << QList<int> {};
        QTest::newRow("empty list") << QList<quint32> {} << QList<int> {};
    }

    void tiles()
    {
        QFETCH(QList<quint32>, listed);
        QFETCH(QList<int>, numbers);

        QList<Dartline::Display> list;
        for (quint32 number : listed)
            list.append(display(number));
        DisplayOverlay overlay(m_displays, m_cursor);
        overlay.show({ display(1), display(2) });
        QPointer<IdentifyTile> earlier = overlay.tiles().value(0);
        overlay.show(list);
        QVERIFY(earlier.isNull());

        QList<int> shown;
        for (const IdentifyTile *tile : overlay.tiles()) {
            shown.append(tile->number());
            const QPointF centre = m_displays.bounds(listed.at(tile->number() - 1)).center();
            QCOMPARE(QRectF(tile->tileGeometry()).center(), centre);
        }
        QCOMPARE(shown, numbers);
        // An overlay with nothing on screen keeps no timer running.
        const auto timers = overlay.findChildren<QTimer *>();
        QCOMPARE(
            std::any_of(timers.cbegin(), timers.cend(), [](QTimer *t) { return t->isActive(); }), !numbers.isEmpty());
    }

    void look_data()
    {
        QTest::addColumn<bool>("composited");
        QTest::newRow("compositor") << true;
        QTest::newRow("no compositor") << false;
    }

    void look()
    {
        QFETCH(bool, composited);
        IdentifyTile tile(7, QRect(0, 0, 1000, 800), composited);
        const int m = composited ? IdentifyTile::ShadowMargin : 0;
        QCOMPARE(tile.size(), IdentifyTile::TileSize + QSize(2 * m, 2 * m));
        const QImage image = renderTile(tile);
        const QPoint origin(m, m);

        // Inside, clear of the number: the brand blue, translucent only when it can blend.
        const QColor fill = image.pixelColor(origin + QPoint(20, 120));
        const QColor brand = brandColor();
        QVERIFY(qAbs(fill.red() - brand.red()) + qAbs(fill.green() - brand.green()) + qAbs(fill.blue() - brand.blue())
            <= 2);
        QCOMPARE(fill.alpha(), composited ? 242 : 255);

        // The corner itself lies outside the rounded outline; with a compositor it
        // is transparent (only a trace of shadow), without one the mask cuts it away.
        const QPoint corner = origin + QPoint(1, 1);
        if (composited) {
            QVERIFY(qAlpha(image.pixel(corner)) < 40);
            QVERIFY(tile.mask().isEmpty());
            // The shadow falls below the tile.
            QVERIFY(qAlpha(image.pixel(origin + QPoint(90, 140 + 6))) > 20);
        } else {
            QVERIFY(!tile.mask().contains(corner));
            QVERIFY(tile.mask().contains(QPoint(90, 0)));
            QVERIFY(tile.mask().contains(QPoint(0, 70)));
            QVERIFY(!tile.mask().contains(QPoint(5, 5)));
        }

        // The number: white, centred across, inside its box, about 76 px type
        // (cap height well under the box, well over a small label's).
        QRect white;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (isWhite(image.pixel(x, y)))
                    white |= QRect(x, y, 1, 1);
            }
        }
        white.translate(-origin);
        QVERIFY(!white.isEmpty());
        QVERIFY(IdentifyTile::NumberBox.contains(white));
        QVERIFY2(qAbs(white.center().x() - 90) <= 3, qPrintable(QString::number(white.center().x())));
        QVERIFY2(white.height() >= 45 && white.height() <= 64, qPrintable(QString::number(white.height())));
    }
};

QTEST_MAIN(TestDisplayOverlay)
#include "tst_displayoverlay.moc"
