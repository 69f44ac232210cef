// SPDX-License-Identifier: GPL-3.0-or-later
// The pulse's timing and its window, against the fake platform and a clock
// the test moves by hand: no waiting, except in the one test that lets the
// real timer run a pulse to its end.

#include "CursorAnimator.h"
#include "CursorPulse.h"
#include "CursorPulseView.h"
#include "FakeCursorPlatform.h"
#include "FakeDisplayPlatform.h"

#include <QApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A 16 × 16 blue square with one red pixel on the hot spot at (5, 7).
CursorImage markedCursor()
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::blue);
    image.setPixelColor(5, 7, Qt::red);
    return { image, QPointF(5, 7) };
}

QImage solidCursor(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    return image;
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

    std::unique_ptr<FakeCursorPlatform> m_cursorOwner;
    FakeDisplayPlatform m_displays;
    qint64 m_now = 0;
    std::unique_ptr<CursorAnimator> m_animator;
    const QPointF m_landing { 400, 300 };

    FakeCursorPlatform &cursor() { return *m_cursorOwner; }
    void setElapsed(double seconds) { m_now = static_cast<qint64>(seconds * 1e9) + 5'000'000'000; }

private Q_SLOTS:
    void init()
    {
        m_animator.reset();
        m_cursorOwner = std::make_unique<FakeCursorPlatform>();
        cursor().setLocation(m_landing);
        FakeScreen main;
        main.number = 1;
        main.bounds = QRectF(0, 0, 800, 600);
        m_displays.setScreens({ main });
        setElapsed(0);
        m_animator = std::make_unique<CursorAnimator>(cursor(), &m_displays, [this] { return m_now; });
    }

    void endConditions_data()
    {
        QTest::addColumn<double>("elapsed");
        QTest::addColumn<QPointF>("moved");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("right");
        QTest::addColumn<bool>("ends");

        const QPointF still(0, 0);
        QTest::newRow("just before the end") << 0.479 << still << true << false << false << false;
        QTest::newRow("at the end") << 0.48 << still << true << false << false << true;
        QTest::newRow("after the end") << 0.7 << still << true << false << false << true;
        QTest::newRow("3 px right") << 0.1 << QPointF(3, 0) << true << false << false << false;
        QTest::newRow("3 px up") << 0.1 << QPointF(0, -3) << true << false << false << false;
        QTest::newRow("3.01 px") << 0.1 << QPointF(3.01, 0) << true << false << false << true;
        QTest::newRow("4 px left") << 0.1 << QPointF(-4, 0) << true << false << false << true;
        QTest::newRow("2 and 3 px: 3.6 straight") << 0.1 << QPointF(2, 3) << true << false << false << true;
        QTest::newRow("left button") << 0.1 << still << true << true << false << true;
        QTest::newRow("right button") << 0.1 << still << true << false << true << true;
        QTest::newRow("pointer unreadable") << 0.2 << still << false << false << false << false;
        QTest::newRow("pointer unreadable, time up") << 0.48 << still << false << false << false << true;
    }

    void endConditions()
    {
        QFETCH(double, elapsed);
        QFETCH(QPointF, moved);
        QFETCH(bool, readable);
        QFETCH(bool, left);
        QFETCH(bool, right);
        QFETCH(bool, ends);

        QSignalSpy finished(m_animator.get(), &CursorAnimator::finished);
        m_animator->show(m_landing);
        QPointer<CursorPulseView> view = m_animator->view();
        QVERIFY(view && view->isVisible());

        setElapsed(elapsed);
        cursor().setLocation(readable ? std::optional(m_landing + moved) : std::nullopt);
        cursor().setLeftButtonDown(left);
        cursor().setRightButtonDown(right);
        m_animator->tick();

        QCOMPARE(m_animator->isPulsing(), !ends);
        QCOMPARE(view.isNull(), ends);
        QCOMPARE(finished.size(), ends ? 1 : 0);
        if (!ends) {
            const CursorPulse::Frame expected = CursorPulse::frame(elapsed, false);
            QCOMPARE(view->scale(), expected.scale);
            QCOMPARE(view->opacity(), expected.opacity);
        }
    }

    // A new jump during a pulse: the old window goes, the new one counts from 0.
    void restart()
    {
        QSignalSpy finished(m_animator.get(), &CursorAnimator::finished);
        m_animator->show(m_landing);
        QPointer<CursorPulseView> first = m_animator->view();
        setElapsed(0.4);
        m_animator->tick();
        QVERIFY(m_animator->isPulsing());

        const QPointF second(100, 50);
        cursor().setLocation(second);
        m_animator->show(second);
        QVERIFY(first.isNull());
        QCOMPARE(finished.size(), 1);
        QCOMPARE(QRectF(m_animator->view()->geometry()).center(), second);

        // 0.3 s after the second start is not the end even though 0.7 s passed since the first.
        setElapsed(0.7);
        m_animator->tick();
        QVERIFY(m_animator->isPulsing());
        QCOMPARE(m_animator->view()->scale(), CursorPulse::frame(0.3, false).scale);
        // The old landing point no longer counts: the pointer rests on the new one.
        QCOMPARE(finished.size(), 1);
    }

    void reduceMotionIsReadOncePerPulse()
    {
        cursor().setReduceMotion(true);
        m_animator->show(m_landing);
        cursor().setReduceMotion(false);
        setElapsed(0.12);
        m_animator->tick();
        QCOMPARE(m_animator->view()->scale(), CursorPulse::frame(0.12, true).scale);

        // The next pulse reads the setting again.
        m_animator->show(m_landing);
        cursor().setReduceMotion(true);
        setElapsed(0.24);
        m_animator->tick();
        QCOMPARE(m_animator->view()->scale(), CursorPulse::frame(0.12, false).scale);
    }

    void windowSize_data()
    {
        QTest::addColumn<std::optional<CursorImage>>("image");
        QTest::addColumn<int>("side");

        QTest::newRow("32 x 32") << std::optional(CursorImage { solidCursor(32, 32), QPointF(4, 4) }) << 192;
        QTest::newRow("16 x 16: the minimum") << std::optional(CursorImage { solidCursor(16, 16), QPointF() }) << 128;
        QTest::newRow("wide 48 x 20") << std::optional(CursorImage { solidCursor(48, 20), QPointF() }) << 288;
        QTest::newRow("tall 20 x 40") << std::optional(CursorImage { solidCursor(20, 40), QPointF() }) << 240;
        QTest::newRow("unknown: built-in arrow") << std::optional<CursorImage>() << 144;
        QTest::newRow("empty image: built-in arrow") << std::optional(CursorImage { QImage(), QPointF() }) << 144;
    }

    void windowSize()
    {
        QFETCH(std::optional<CursorImage>, image);
        QFETCH(int, side);
        cursor().setCurrentCursor(image);
        m_animator->show(m_landing);
        const CursorPulseView *view = m_animator->view();
        QVERIFY(view);
        QCOMPARE(view->geometry(), QRect(400 - side / 2, 300 - side / 2, side, side));
        QVERIFY(view->windowFlags().testFlag(Qt::WindowTransparentForInput));
        QVERIFY(view->windowFlags().testFlag(Qt::BypassWindowManagerHint));
        QVERIFY(view->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(!opaqueBounds(view->frame()).isEmpty());
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
        const QImage frame = view.frame();
        const QPoint centre = (landing - QPointF(view.geometry().topLeft())).toPoint();
        const QColor atCentre = frame.pixelColor(centre);
        QVERIFY2(atCentre.red() >= 100, qPrintable(atCentre.name(QColor::HexArgb)));
        const QRectF expected(centre.x() - 5 * scale, centre.y() - 7 * scale, 16 * scale, 16 * scale);
        const QRect drawn = opaqueBounds(frame);
        QVERIFY2(qAbs(drawn.left() - expected.left()) <= 1 && qAbs(drawn.top() - expected.top()) <= 1
                && qAbs(drawn.width() - expected.width()) <= 1 && qAbs(drawn.height() - expected.height()) <= 1,
            qPrintable(u"drawn %1,%2 %3x%4"_s.arg(drawn.x()).arg(drawn.y()).arg(drawn.width()).arg(drawn.height())));
    }

    // Without a compositor the window is cut to the cursor, frame by frame.
    void shapedWithoutCompositor_data()
    {
        QTest::addColumn<bool>("composited");
        QTest::newRow("compositor") << true;
        QTest::newRow("no compositor") << false;
    }

    void shapedWithoutCompositor()
    {
        QFETCH(bool, composited);
        cursor().setCompositor(composited);
        cursor().setCurrentCursor(markedCursor());
        m_animator->show(m_landing);
        CursorPulseView *view = m_animator->view();
        QCOMPARE(view->testAttribute(Qt::WA_TranslucentBackground), composited);
        if (composited) {
            QVERIFY(view->mask().isEmpty());
            return;
        }
        const QPoint centre(view->width() / 2, view->height() / 2);
        const QRegion atRest = view->mask();
        QVERIFY(atRest.contains(centre));
        QVERIFY(!atRest.contains(QPoint(0, 0)));
        QCOMPARE(atRest.boundingRect(), opaqueBounds(view->frame()));

        setElapsed(0.12);
        m_animator->tick();
        const QRegion grown = view->mask();
        QCOMPARE(grown.boundingRect(), opaqueBounds(view->frame()));
        QVERIFY(grown.boundingRect().width() > 2 * atRest.boundingRect().width());
    }

    // Nothing to draw on: no window, and an earlier pulse still ends.
    void noScreenNoPulse()
    {
        m_animator->show(m_landing);
        m_displays.setScreens({});
        m_animator->show(m_landing);
        QVERIFY(!m_animator->isPulsing());
    }

    // Left to the real timer, a pulse ends by itself and leaves nothing behind.
    void idleAfterRealPulse()
    {
        CursorAnimator animator(cursor(), &m_displays);
        QSignalSpy finished(&animator, &CursorAnimator::finished);
        animator.show(m_landing);
        QVERIFY(finished.wait(5000));
        QVERIFY(animator.tickCount() >= 2);
        QVERIFY(!animator.isPulsing());
        const auto timers = animator.findChildren<QTimer *>();
        QVERIFY(std::none_of(timers.cbegin(), timers.cend(), [](const QTimer *t) { return t->isActive(); }));
        const auto windows = QApplication::topLevelWidgets();
        QVERIFY(std::none_of(
            windows.cbegin(), windows.cend(), [](QWidget *w) { return qobject_cast<CursorPulseView *>(w); }));
    }
};

QTEST_MAIN(TestCursorAnimator)
#include "tst_cursoranimator.moc"
