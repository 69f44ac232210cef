// SPDX-License-Identifier: GPL-3.0-or-later
// The pulse's timing and drawing against the fake platform, stepped with a
// clock the test sets: no waiting. tests/x11 runs it on a real server.

#include "core/CursorPulse.h"
#include "displays/CursorAnimator.h"
#include "displays/CursorPulseView.h"
#include "platform/fake/FakeCursorPlatform.h"
#include "platform/fake/FakeDisplayPlatform.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using namespace Dartline;

namespace {

// A 16 × 16 blue square with one red pixel on the hot spot at (5, 7).
CursorImage markedCursor()
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::blue);
    image.setPixelColor(5, 7, Qt::red);
    return { image, QPointF(5, 7) };
}

std::optional<CursorImage> solidCursor(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    return CursorImage { image, QPointF() };
}

// The smallest rectangle holding every pixel that is at least half opaque.
QRect opaqueBounds(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) >= 128)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

} // namespace

class TestCursorAnimator : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeCursorPlatform> m_cursor;
    FakeDisplayPlatform m_displays;
    qint64 m_now = 0;
    std::unique_ptr<CursorAnimator> m_animator;
    const QPointF m_landing { 400, 300 };

    // Seconds since the pulse started; the clock's own origin is not zero.
    void setElapsed(double seconds) { m_now = 5'000'000'000 + static_cast<qint64>(seconds * 1e9); }

private Q_SLOTS:
    void init()
    {
        m_animator.reset();
        m_cursor = std::make_unique<FakeCursorPlatform>();
        m_cursor->setLocation(m_landing);
        FakeScreen main;
        main.number = 1;
        main.bounds = QRectF(0, 0, 800, 600);
        m_displays.setScreens({ main });
        setElapsed(0);
        m_animator = std::make_unique<CursorAnimator>(*m_cursor, &m_displays, [this] { return m_now; });
    }

    void endConditions_data()
    {
        QTest::addColumn<double>("elapsed");
        QTest::addColumn<std::optional<QPointF>>("moved"); // none: the pointer cannot be read
        QTest::addColumn<int>("buttons"); // 1 left, 2 right
        QTest::addColumn<bool>("ends");

        const std::optional<QPointF> still = QPointF(0, 0);
        QTest::newRow("just before the end") << 0.479 << still << 0 << false;
        QTest::newRow("at the end") << 0.48 << still << 0 << true;
        QTest::newRow("after the end") << 0.7 << still << 0 << true;
        QTest::newRow("3 px right") << 0.1 << std::optional(QPointF(3, 0)) << 0 << false;
        QTest::newRow("3 px up") << 0.1 << std::optional(QPointF(0, -3)) << 0 << false;
        QTest::newRow("3.01 px") << 0.1 << std::optional(QPointF(3.01, 0)) << 0 << true;
        QTest::newRow("2 and 3 px: 3.6 straight") << 0.1 << std::optional(QPointF(2, 3)) << 0 << true;
        QTest::newRow("left button") << 0.1 << still << 1 << true;
        QTest::newRow("right button") << 0.1 << still << 2 << true;
        QTest::newRow("pointer unreadable") << 0.2 << std::optional<QPointF>() << 0 << false;
        QTest::newRow("pointer unreadable, time up") << 0.48 << std::optional<QPointF>() << 0 << true;
    }

    void endConditions()
    {
        QFETCH(double, elapsed);
        QFETCH(std::optional<QPointF>, moved);
        QFETCH(int, buttons);
        QFETCH(bool, ends);

        QSignalSpy finished(m_animator.get(), &CursorAnimator::finished);
        m_animator->show(m_landing);
        QPointer<CursorPulseView> view = m_animator->view();
        QVERIFY(view && view->isVisible());

        setElapsed(elapsed);
        m_cursor->setLocation(moved ? std::optional(m_landing + *moved) : std::nullopt);
        m_cursor->setLeftButtonDown(buttons & 1);
        m_cursor->setRightButtonDown(buttons & 2);
        m_animator->tick();

        // The window outlives the pulse, hidden, for the next one.
        QVERIFY(view);
        QCOMPARE(view->isVisible(), !ends);
        QCOMPARE(m_animator->isPulsing(), !ends);
        QCOMPARE(finished.size(), ends ? 1 : 0);
        if (!ends)
            QCOMPARE(view->opacity(), CursorPulse::frame(elapsed, false).opacity);
    }

    // A new jump counts from its own start, at its own landing point, with
    // the cursor shown then, in the same window.
    void restart()
    {
        m_animator->show(m_landing);
        const CursorPulseView *first = m_animator->view();
        setElapsed(0.4);
        m_animator->tick();
        const QPointF second(100, 50);
        m_cursor->setLocation(second);
        m_cursor->setCurrentCursor(solidCursor(32, 32));
        m_animator->show(second);
        QCOMPARE(m_animator->view(), first);
        QCOMPARE(m_animator->view()->geometry(), QRect(100 - 96, 50 - 96, 192, 192));
        QCOMPARE(opaqueBounds(m_animator->view()->frame()), QRect(96, 96, 32, 32));
        setElapsed(0.7);
        m_animator->tick();
        QVERIFY(m_animator->isPulsing());
        QCOMPARE(m_animator->view()->scale(), CursorPulse::frame(0.3, false).scale);

        // A compositing manager that went away since: a window that is cut to shape.
        m_animator->cancel();
        m_cursor->setCompositor(false);
        m_animator->show(m_landing);
        QVERIFY(!m_animator->view()->isComposited());
        QVERIFY(!m_animator->view()->mask().isEmpty());
    }

    void reduceMotionIsReadOncePerPulse()
    {
        m_cursor->setReduceMotion(true);
        m_animator->show(m_landing);
        m_cursor->setReduceMotion(false);
        setElapsed(0.12);
        m_animator->tick();
        QCOMPARE(m_animator->view()->scale(), CursorPulse::frame(0.12, true).scale);

        m_animator->show(m_landing);
        m_cursor->setReduceMotion(true);
        setElapsed(0.24);
        m_animator->tick();
        QCOMPARE(m_animator->view()->scale(), CursorPulse::frame(0.12, false).scale);
    }

    void noScreenNoPulse()
    {
        m_animator->show(m_landing);
        m_displays.setScreens({});
        m_animator->show(m_landing);
        QVERIFY(!m_animator->isPulsing());
    }

    void windowSize_data()
    {
        QTest::addColumn<std::optional<CursorImage>>("image");
        QTest::addColumn<int>("side");
        QTest::newRow("32 x 32") << solidCursor(32, 32) << 192;
        QTest::newRow("16 x 16: the minimum") << solidCursor(16, 16) << 128;
        QTest::newRow("wide 48 x 20") << solidCursor(48, 20) << 288;
        QTest::newRow("bogus 4000 x 2000: as 256 x 128") << solidCursor(4000, 2000) << 1536;
        QTest::newRow("unknown: built-in arrow") << std::optional<CursorImage>() << 144;
        QTest::newRow("empty image: built-in arrow") << std::optional(CursorImage()) << 144;
    }

    void windowSize()
    {
        QFETCH(std::optional<CursorImage>, image);
        QFETCH(int, side);
        m_cursor->setCurrentCursor(image);
        m_animator->show(m_landing);
        QCOMPARE(m_animator->view()->geometry(), QRect(400 - side / 2, 300 - side / 2, side, side));
        QVERIFY(!opaqueBounds(m_animator->view()->frame()).isEmpty());
    }

    // The enlarged copy grows about the hot spot, which sits on the landing point.
    void hotSpotOnLandingPoint_data()
    {
        QTest::addColumn<double>("scale");
        QTest::newRow("at rest") << 1.0;
        QTest::newRow("reduced motion") << 1.5;
        QTest::newRow("peak") << 2.4;
    }

    void hotSpotOnLandingPoint()
    {
        QFETCH(double, scale);
        const QPointF landing(321, 123);
        CursorPulseView view(markedCursor(), landing, 128, true);
        view.setFrame(scale, 1.0);
        const QPoint centre = (landing - QPointF(view.geometry().topLeft())).toPoint();
        QVERIFY(view.frame().pixelColor(centre).red() >= 100);
        const QRectF expected(centre.x() - 5 * scale, centre.y() - 7 * scale, 16 * scale, 16 * scale);
        const QRect drawn = opaqueBounds(view.frame());
        QVERIFY(qAbs(drawn.left() - expected.left()) <= 1 && qAbs(drawn.top() - expected.top()) <= 1);
        QVERIFY(qAbs(drawn.width() - expected.width()) <= 1 && qAbs(drawn.height() - expected.height()) <= 1);
    }

    // Each frame clears only what the one before drew: whatever came before,
    // a frame is the one drawn afresh, in its pixels and in its shape.
    void frameIndependentOfThoseBefore_data()
    {
        QTest::addColumn<QList<double>>("scales");
        QTest::addColumn<bool>("composited");
        QTest::newRow("growing") << QList<double> { 1.0, 1.7, 2.4 } << true;
        QTest::newRow("shrinking, shaped") << QList<double> { 2.4, 1.9, 1.0 } << false;
        QTest::newRow("shrinking, blended") << QList<double> { 2.4, 1.0 } << true;
        QTest::newRow("up and down, shaped") << QList<double> { 1.3, 2.4, 1.2 } << false;
    }

    void frameIndependentOfThoseBefore()
    {
        QFETCH(QList<double>, scales);
        QFETCH(bool, composited);
        // Off the pixel grid, so that the smoothing spills into the neighbours.
        const QPointF landing = m_landing + QPointF(0.3, 0.6);
        CursorPulseView view(markedCursor(), landing, 128, composited);
        for (double scale : scales)
            view.setFrame(scale, 1.0);
        CursorPulseView fresh(markedCursor(), landing, 128, composited);
        fresh.setFrame(scales.last(), 1.0);
        QCOMPARE(view.frame(), fresh.frame());
        QCOMPARE(view.mask(), fresh.mask());
    }

    // Without a compositor the window is cut to the cursor, frame by frame.
    void shapeFollowsFrames()
    {
        m_cursor->setCompositor(false);
        m_cursor->setCurrentCursor(markedCursor());
        m_animator->show(m_landing);
        CursorPulseView *view = m_animator->view();
        QVERIFY(!view->testAttribute(Qt::WA_TranslucentBackground));
        const QRect atRest = view->mask().boundingRect();
        QCOMPARE(atRest, opaqueBounds(view->frame()));
        setElapsed(0.12);
        m_animator->tick();
        QCOMPARE(view->mask().boundingRect(), opaqueBounds(view->frame()));
        QVERIFY(view->mask().boundingRect().width() > 2 * atRest.width());
    }
};

QTEST_MAIN(TestCursorAnimator)
#include "tst_cursoranimator.moc"
