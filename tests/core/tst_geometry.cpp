// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/CursorPulse.h"
#include "core/DisplayGeometry.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace Dartline;

class TestGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void orderedBefore_data();
    void orderedBefore();
    void center_data();
    void center();
    void pulseFrame_data();
    void pulseFrame();
    void pulseStaysInRange();
};

void TestGeometry::orderedBefore_data()
{
    QTest::addColumn<QRectF>("a");
    QTest::addColumn<QRectF>("b");
    QTest::addColumn<bool>("aFirst");
    QTest::addColumn<bool>("bFirst");
    QTest::newRow("side by side") << QRectF(0, 0, 1920, 1080) << QRectF(1920, 0, 1920, 1080) << true << false;
    QTest::newRow("same left edge, b higher")
        << QRectF(0, 0, 100, 100) << QRectF(0, -1080, 1920, 1080) << false << true;
    QTest::newRow("half a point left, far below")
        << QRectF(-0.5, 5000, 10, 10) << QRectF(0, 0, 10, 10) << true << false;
    QTest::newRow("same origin, other sizes") << QRectF(0, 0, 10, 10) << QRectF(0, 0, 3000, 20) << false << false;
    QTest::newRow("itself") << QRectF(5, 5, 10, 10) << QRectF(5, 5, 10, 10) << false << false;
    // A wide display whose centre lies right of b still comes first by its edge.
    QTest::newRow("edge, not centre") << QRectF(-100, 0, 5000, 10) << QRectF(0, 0, 10, 10) << true << false;
    QTest::newRow("negative width standardised") << QRectF(100, 0, -150, 10) << QRectF(0, 0, 10, 10) << true << false;
}

void TestGeometry::orderedBefore()
{
    QFETCH(QRectF, a);
    QFETCH(QRectF, b);
    QFETCH(bool, aFirst);
    QFETCH(bool, bFirst);
    QCOMPARE(DisplayGeometry::orderedBefore(a, b), aFirst);
    QCOMPARE(DisplayGeometry::orderedBefore(b, a), bFirst);
}

void TestGeometry::center_data()
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::addColumn<QRectF>("rect");
    QTest::addColumn<bool>("has");
    QTest::addColumn<QPointF>("point");
    QTest::newRow("full hd") << QRectF(0, 0, 1920, 1080) << true << QPointF(960, 540);
    QTest::newRow("left and above") << QRectF(-1280, -200, 1280, 1024) << true << QPointF(-640, 312);
    QTest::newRow("odd size") << QRectF(0, 0, 1511, 982) << true << QPointF(755.5, 491);
    QTest::newRow("negative width") << QRectF(100, 100, -50, 20) << true << QPointF(75, 110);
    QTest::newRow("zero width") << QRectF(0, 0, 0, 10) << false << QPointF();
    QTest::newRow("zero height") << QRectF(0, 0, 10, 0) << false << QPointF();
    QTest::newRow("nan width") << QRectF(0, 0, nan, 10) << false << QPointF();
    QTest::newRow("nan height") << QRectF(0, 0, 10, nan) << false << QPointF();
    QTest::newRow("infinite x") << QRectF(inf, 0, 10, 10) << false << QPointF();
    QTest::newRow("nan y") << QRectF(0, nan, 10, 10) << false << QPointF();
    QTest::newRow("infinite width") << QRectF(0, 0, inf, 10) << false << QPointF();
    QTest::newRow("infinite height") << QRectF(0, 0, 10, inf) << false << QPointF();
}

void TestGeometry::center()
{
    QFETCH(QRectF, rect);
    QFETCH(bool, has);
    QFETCH(QPointF, point);
    const auto c = DisplayGeometry::center(rect);
    QCOMPARE(bool(c), has);
    if (has) {
        // Exact: the jump lands on this point, no rounding allowed.
        QCOMPARE(c->x(), point.x());
        QCOMPARE(c->y(), point.y());
    }
}

void TestGeometry::pulseFrame_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<bool>("reduce");
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("opacity");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("start") << 0.0 << false << 1.0 << 1.0;
    QTest::newRow("mid rise") << 0.06 << false << 2.225 << 1.0;
    QTest::newRow("rise boundary") << 0.12 << false << 2.4 << 1.0;
    QTest::newRow("settle") << 0.30 << false << 1.7 << 1.0;
    QTest::newRow("fade start") << 0.42 << false << 1.104 << 1.0;
    QTest::newRow("mid fade") << 0.45 << false << 1.028 << 0.5;
    QTest::newRow("end") << 0.48 << false << 1.0 << 0.0;
    QTest::newRow("after end") << 7.0 << false << 1.0 << 0.0;
    QTest::newRow("infinite") << inf << false << 1.0 << 0.0;
    QTest::newRow("negative") << -1.0 << false << 1.0 << 1.0;
    QTest::newRow("nan") << nan << false << 1.0 << 1.0;
    QTest::newRow("reduced start") << 0.0 << true << 1.5 << 1.0;
    QTest::newRow("reduced middle") << 0.24 << true << 1.5 << 0.5;
    QTest::newRow("reduced end") << 0.48 << true << 1.5 << 0.0;
    QTest::newRow("reduced nan") << nan << true << 1.5 << 1.0;
    QTest::newRow("reduced late") << 3.0 << true << 1.5 << 0.0;
}

void TestGeometry::pulseFrame()
{
    QFETCH(double, t);
    QFETCH(bool, reduce);
    QFETCH(double, scale);
    QFETCH(double, opacity);
    const CursorPulse::Frame f = CursorPulse::frame(t, reduce);
    QVERIFY2(std::abs(f.scale - scale) < 5e-4, qPrintable(QString::number(f.scale, 'g', 17)));
    QVERIFY2(std::abs(f.opacity - opacity) < 1e-9, qPrintable(QString::number(f.opacity, 'g', 17)));
}

void TestGeometry::pulseStaysInRange()
{
    QCOMPARE(CursorPulse::duration, 0.48);
    // The boundary belongs to the rise (exactly the peak); just after it the
    // settle has started and is just below.
    QCOMPARE(CursorPulse::frame(0.12, false).scale, 2.4);
    const double after = CursorPulse::frame(0.1201, false).scale;
    QVERIFY(after < 2.4 && after > 2.39);
    QCOMPARE(CursorPulse::frame(0.42, false).opacity, 1.0);
    for (int i = -10; i <= 600; ++i) {
        const double t = i / 1000.0;
        const CursorPulse::Frame f = CursorPulse::frame(t, false);
        QVERIFY(f.scale >= 1.0 && f.scale <= 2.4);
        QVERIFY(f.opacity >= 0.0 && f.opacity <= 1.0);
        if (t <= 0.42)
            QCOMPARE(f.opacity, 1.0);
    }
}

QTEST_APPLESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
