// SPDX-License-Identifier: GPL-3.0-or-later
// The pulse and the identify tiles as real windows on a real X server with
// three monitors: found through the server, poked through XTEST and read back
// from the screen.

#include "displays/CursorAnimator.h"
#include "displays/CursorPulseView.h"
#include "displays/DisplayOverlay.h"
#include "displays/DisplayService.h"
#include "displays/IdentifyTile.h"
#include "model/AppModel.h"
#include "platform/backends/PlatformBackends.h"
#include "tests/harness/X11TestMain.h"
#include "tests/harness/XTestClient.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QIconEngine>
#include <QPainter>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>

#include <xcb/xcb.h>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

// A monotonic clock the test can hold still, so that only the pointer and
// the buttons can end a pulse while it looks.
class TestClock
{
public:
    TestClock() { m_running.start(); }
    qint64 now() const { return m_paused ? m_base : m_base + m_running.nsecsElapsed(); }
    void pause()
    {
        m_base = now();
        m_paused = true;
    }
    void resume()
    {
        m_base = now();
        m_running.restart();
        m_paused = false;
    }

private:
    QElapsedTimer m_running;
    qint64 m_base = 0;
    bool m_paused = false;
};

// The viewable override-redirect children of the root: the windows no window
// manager placed, which is what the pulse and the tiles are.
QList<QRect> floatingWindows(xcb_connection_t *c)
{
    QList<QRect> result;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto *tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (!tree)
        return result;
    const xcb_window_t *children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        auto *attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr);
        auto *geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, children[i]), nullptr);
        if (attributes && geometry && attributes->override_redirect && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            result.append(QRect(geometry->x, geometry->y, geometry->width, geometry->height));
        free(attributes);
        free(geometry);
    }
    free(tree);
    return result;
}

// An application icon that counts how often it is drawn: every size drawn
// goes to the X server as the window's _NET_WM_ICON.
class CountingIconEngine : public QIconEngine
{
public:
    explicit CountingIconEngine(int &draws)
        : m_draws(draws)
    { }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        ++m_draws;
        painter->fillRect(rect, Qt::red);
    }
    QIconEngine *clone() const override { return new CountingIconEngine(m_draws); }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return { { 64, 64 }, { 512, 512 } }; }

private:
    int &m_draws;
};

QColor screenPixel(xcb_connection_t *c, QPoint at)
{
    const QImage image = XTestClient::rootImage(c, QRect(at, QSize(1, 1)));
    return image.isNull() ? QColor() : image.pixelColor(0, 0);
}

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) <= 3 && qAbs(a.green() - b.green()) <= 3 && qAbs(a.blue() - b.blue()) <= 3;
}

QRect centredSquare(QPointF centre, int side)
{
    return QRect(qRound(centre.x()) - side / 2, qRound(centre.y()) - side / 2, side, side);
}

// A plain window in one colour that counts the clicks it receives.
class Backdrop : public QWidget
{
public:
    explicit Backdrop(const QRect &area)
    {
        setWindowFlags(Qt::FramelessWindowHint);
        setPalette(QPalette(backdropColor()));
        setAutoFillBackground(true);
        setGeometry(area);
    }
    static QColor backdropColor() { return QColor(200, 100, 50); }
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

} // namespace

class TestX11Feedback : public QObject
{
    Q_OBJECT

    XServer &server() { return *XServer::current(); }
    QList<QRect> windows() { return floatingWindows(m_x); }

    TestClock m_clock;
    std::unique_ptr<Platform> m_platform;
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<AppModel> m_model;
    CursorAnimator *m_animator = nullptr;
    std::unique_ptr<DisplayOverlay> m_overlay;
    xcb_connection_t *m_x = nullptr;
    int m_side = 0;

    // Sorted by left edge, then top: the main monitor (x 0, below), the one
    // above it (x 112), the one to the right (x 1024).
    void arrange()
    {
        QVERIFY(server().xrandr({ u"--output"_s, u"DUMMY1"_s, u"--mode"_s, u"800x600"_s, u"--pos"_s, u"112x0"_s,
            u"--output"_s, u"DUMMY0"_s, u"--pos"_s, u"0x600"_s, u"--output"_s, u"DUMMY2"_s, u"--mode"_s, u"1024x768"_s,
            u"--pos"_s, u"1024x600"_s }));
        // RandR lists a monitor a moment before its output reads as connected.
        QTRY_COMPARE(DisplayService::connected(m_platform->displays()).size(), 3);
        QCOMPARE(DisplayService::connected(m_platform->displays()).at(0).bounds, QRectF(0, 600, 1024, 768));
    }

    static QRect tileOn(const QRectF &bounds)
    {
        return QRect(bounds.center().toPoint() - QPoint(90, 70), IdentifyTile::TileSize);
    }

    // The pulse in progress at the main display's centre, held still.
    QPointF heldPulse()
    {
        m_clock.pause();
        const Dartline::Display &main = m_model->displays().at(0);
        m_model->jump(main);
        return main.bounds.center();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_platform = createPlatform();
        arrange();
        if (QTest::currentTestFailed())
            return;
        m_store = std::make_unique<QSettings>(m_dir.filePath(u"store.ini"_s), QSettings::IniFormat);
        auto animator = std::make_unique<CursorAnimator>(
            m_platform->cursor(), &m_platform->displays(), [this] { return m_clock.now(); });
        m_animator = animator.get();
        m_model = std::make_unique<AppModel>(*m_platform, *m_store, std::move(animator));
        QCOMPARE(m_model->displays().size(), 3);
        QCOMPARE(m_model->displays().at(0).bounds, QRectF(0, 600, 1024, 768));
        m_overlay = std::make_unique<DisplayOverlay>(m_platform->displays(), m_platform->cursor());
        m_x = xcb_connect(qPrintable(server().displayName()), nullptr);
        QVERIFY(!xcb_connection_has_error(m_x));
        const auto cursor = m_platform->cursor().currentCursor();
        QVERIFY(cursor);
        m_side = std::max(6 * std::max(cursor->image.width(), cursor->image.height()), 128);
    }

    void cleanupTestCase() { xcb_disconnect(m_x); }

    void init()
    {
        m_clock.resume();
        m_model->setAnimateCursor(true);
    }

    void cleanup()
    {
        for (const char *button : { "1", "2", "3" })
            server().xdotool({ u"mouseup"_s, QString::fromLatin1(button) });
        m_animator->cancel();
        m_overlay->dismiss();
        QTRY_VERIFY(windows().isEmpty());
    }

    void pulseOnEveryDisplay_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("main") << 0;
        QTest::newRow("above") << 1;
        QTest::newRow("right") << 2;
    }

    void pulseOnEveryDisplay()
    {
        QFETCH(int, index);
        m_clock.pause();
        const Dartline::Display display = m_model->displays().at(index);
        m_model->jump(display);
        QTRY_COMPARE(windows(), QList<QRect> { centredSquare(display.bounds.center(), m_side) });
        m_clock.resume();
        QTRY_VERIFY_WITH_TIMEOUT(windows().isEmpty(), 3000);
        QVERIFY(!m_animator->isPulsing());
        const auto timers = m_animator->findChildren<QTimer *>();
        QVERIFY(std::none_of(timers.cbegin(), timers.cend(), [](QTimer *t) { return t->isActive(); }));
    }

    // What the user does during a held pulse, as xdotool arguments (the
    // pointer rests on the landing point, 512 984, before).
    void inputEndsPulse_data()
    {
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<bool>("ends");
        QTest::newRow("3 px right") << QStringList { u"mousemove"_s, u"515"_s, u"984"_s } << false;
        QTest::newRow("3 px up") << QStringList { u"mousemove"_s, u"512"_s, u"981"_s } << false;
        QTest::newRow("4 px right") << QStringList { u"mousemove"_s, u"516"_s, u"984"_s } << true;
        QTest::newRow("4 px down") << QStringList { u"mousemove"_s, u"512"_s, u"988"_s } << true;
        QTest::newRow("left button") << QStringList { u"mousedown"_s, u"1"_s } << true;
        QTest::newRow("middle button") << QStringList { u"mousedown"_s, u"2"_s } << false;
        QTest::newRow("right button") << QStringList { u"mousedown"_s, u"3"_s } << true;
    }

    void inputEndsPulse()
    {
        QFETCH(QStringList, input);
        QFETCH(bool, ends);
        QCOMPARE(heldPulse(), QPointF(512, 984));
        QTRY_COMPARE(windows().size(), 1);
        QVERIFY(server().xdotool(input));
        // Two whole ticks after the input have seen the pointer as it is now.
        const int ticks = m_animator->tickCount();
        QTRY_VERIFY(!m_animator->isPulsing() || m_animator->tickCount() >= ticks + 3);
        QCOMPARE(m_animator->isPulsing(), !ends);
        QTRY_COMPARE(windows().size(), ends ? 0 : 1);
    }

    void secondJumpRestarts()
    {
        const QPointF first = heldPulse();
        QTRY_COMPARE(windows(), QList<QRect> { centredSquare(first, m_side) });
        QSignalSpy finished(m_animator, &CursorAnimator::finished);
        const Dartline::Display right = m_model->displays().at(2);
        m_model->jump(right);
        QCOMPARE(finished.size(), 1);
        QTRY_COMPARE(windows(), QList<QRect> { centredSquare(right.bounds.center(), m_side) });
        QVERIFY(m_animator->isPulsing());
    }

    void turningTheFlagOffRemovesPulse()
    {
        heldPulse();
        QTRY_COMPARE(windows().size(), 1);
        m_model->setAnimateCursor(false);
        QVERIFY(!m_animator->isPulsing());
        QTRY_VERIFY(windows().isEmpty());
        heldPulse();
        QVERIFY(!m_animator->isPulsing());
    }

    void tilesOnEveryDisplay()
    {
        const QList<Dartline::Display> displays = m_model->displays();
        m_overlay->show(displays);
        QTRY_COMPARE(windows(),
            (QList<QRect> { tileOn(displays[0].bounds), tileOn(displays[1].bounds), tileOn(displays[2].bounds) }));

        // The monitor above goes away after the list was made: no tile for it,
        // and the right-hand one keeps its number 3.
        QVERIFY(server().xrandr({ u"--output"_s, u"DUMMY1"_s, u"--off"_s }));
        QTRY_COMPARE(m_platform->displays().screens().size(), 2);
        m_overlay->show(displays);
        // xrandr moved the others up to the top edge: the tiles follow the screens, not the old list.
        DisplayPlatform &now = m_platform->displays();
        QTRY_COMPARE(windows(),
            (QList<QRect> { tileOn(now.bounds(displays[0].number)), tileOn(now.bounds(displays[2].number)) }));
        QCOMPARE(m_overlay->tiles().at(1)->number(), 3);
        m_overlay->dismiss();
        arrange();
    }

    void tilesLetClicksThrough()
    {
        const Dartline::Display main = m_model->displays().at(0);
        Backdrop backdrop(main.bounds.toRect());
        backdrop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&backdrop));
        m_overlay->show(m_model->displays());
        QTRY_COMPARE(windows().size(), 3);
        const QPoint centre = main.bounds.center().toPoint();
        QVERIFY(server().xdotool(
            { u"mousemove"_s, QString::number(centre.x()), QString::number(centre.y()), u"click"_s, u"1"_s }));
        QTRY_COMPARE(backdrop.presses, 1);
    }

    // The tiles stay 1.8 s after the latest show, however many came before.
    void tilesLastFromTheLatestShow()
    {
        const QList<Dartline::Display> displays = m_model->displays();
        m_overlay->show(displays);
        QElapsedTimer sinceFirst;
        sinceFirst.start();
        while (sinceFirst.elapsed() < 1000) {
            QVERIFY(m_overlay->isShowing());
            QTest::qWait(20);
        }
        m_overlay->show(displays);
        QElapsedTimer sinceSecond;
        sinceSecond.start();
        QSignalSpy dismissed(m_overlay.get(), &DisplayOverlay::dismissed);
        while (sinceSecond.elapsed() < 1500) {
            QVERIFY2(m_overlay->isShowing(), "the first show's removal took the second show's tiles");
            QTest::qWait(20);
        }
        QCOMPARE(windows().size(), 3);
        QVERIFY(dismissed.wait(2000));
        QVERIFY(sinceSecond.elapsed() >= DisplayOverlay::DismissAfterMs - 10);
        QTRY_VERIFY(windows().isEmpty());
    }

    // Without a compositor nothing may turn the desktop black around the shapes.
    void shapedWithoutCompositor()
    {
        QVERIFY(!m_platform->cursor().hasCompositor());
        const Dartline::Display main = m_model->displays().at(0);
        Backdrop backdrop(main.bounds.toRect());
        backdrop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&backdrop));
        const QColor backdropColor = Backdrop::backdropColor();

        heldPulse();
        QTRY_COMPARE(windows().size(), 1);
        const QRect pulse = windows().at(0);
        // The cursor shows, and nothing else of the window does.
        const auto drawn = [&] {
            const QImage shot = XTestClient::rootImage(m_x, pulse);
            int differing = 0;
            for (int y = 0; y < shot.height(); ++y) {
                for (int x = 0; x < shot.width(); ++x)
                    differing += shot.pixelColor(x, y) != backdropColor;
            }
            return differing;
        };
        QTRY_VERIFY(drawn() > 20);
        QVERIFY(drawn() < m_side * m_side / 10);
        m_animator->cancel();

        m_overlay->show(m_model->displays());
        const QRect tile = m_overlay->tiles().at(0)->tileGeometry();
        QTRY_COMPARE(screenPixel(m_x, tile.topLeft() + QPoint(20, 120)), QColor(0x00, 0x2f, 0xb8));
        QCOMPARE(screenPixel(m_x, tile.topLeft() + QPoint(1, 1)), backdropColor);
        QCOMPARE(screenPixel(m_x, tile.bottomRight() - QPoint(1, 1)), backdropColor);
    }

    // Every size of the application's icon went to the server with each new
    // pulse and tile, twice, tens of milliseconds while the next hot key waited.
    void feedbackWindowsNeverDrawTheAppIcon_data()
    {
        QTest::addColumn<bool>("tiles");
        QTest::newRow("pulse") << false;
        QTest::newRow("tiles") << true;
    }

    void feedbackWindowsNeverDrawTheAppIcon()
    {
        QFETCH(bool, tiles);
        int draws = 0;
        QGuiApplication::setWindowIcon(QIcon(new CountingIconEngine(draws)));
        const auto restore = qScopeGuard([] { QGuiApplication::setWindowIcon(QIcon()); });
        if (tiles)
            m_overlay->show(m_model->displays());
        else
            heldPulse();
        QTRY_COMPARE(windows().size(), tiles ? 3 : 1);
        QCOMPARE(draws, 0);
    }

    // A frame repaints only where it or the one before drew: the cursor that
    // shrinks back leaves nothing of its larger self behind.
    void pulseLeavesNoTrail_data()
    {
        QTest::addColumn<bool>("composited");
        QTest::newRow("shaped") << false;
        QTest::newRow("blended") << true;
    }

    void pulseLeavesNoTrail()
    {
        QFETCH(bool, composited);
        const Dartline::Display main = m_model->displays().at(0);
        Backdrop backdrop(main.bounds.toRect());
        backdrop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&backdrop));
        QProcess compositor;
        const auto stopCompositor = qScopeGuard([&] {
            compositor.terminate();
            compositor.waitForFinished();
        });
        if (composited) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"DISPLAY"_s, server().displayName());
            compositor.setProcessEnvironment(environment);
            compositor.start(u"xcompmgr"_s, {});
            QVERIFY(compositor.waitForStarted());
            QTRY_VERIFY(m_platform->cursor().hasCompositor());
        }

        QImage square(16, 16, QImage::Format_ARGB32_Premultiplied);
        square.fill(Qt::black);
        CursorPulseView view({ square, QPointF(8, 8) }, main.bounds.center(), 128, composited);
        view.show();
        const auto drawn = [&] {
            const QImage shot = XTestClient::rootImage(m_x, view.geometry());
            int differing = 0;
            for (int y = 0; y < shot.height(); ++y) {
                for (int x = 0; x < shot.width(); ++x)
                    differing += shot.pixelColor(x, y) != Backdrop::backdropColor();
            }
            return differing;
        };
        QTRY_COMPARE(drawn(), 16 * 16);
        view.setFrame(2.4, 1.0);
        QTRY_VERIFY(drawn() > 4 * 16 * 16);
        view.setFrame(1.0, 1.0);
        QTRY_COMPARE(drawn(), 16 * 16);

        // The window is kept for the next pulse: shown again, it starts from
        // the new pulse's first frame, whole and at full strength, not from
        // where the last one stopped.
        view.setFrame(2.4, 0.4);
        QTRY_VERIFY(drawn() > 4 * 16 * 16);
        view.hide();
        const QPointF next = main.bounds.center() + QPointF(40, 30);
        view.restart({ square, QPointF(8, 8) }, next, 128);
        view.show();
        QTRY_COMPARE(view.geometry(), centredSquare(next, 128));
        QTRY_COMPARE(drawn(), 16 * 16);
        QTRY_COMPARE(screenPixel(m_x, next.toPoint()), QColor(Qt::black));
    }

    void tileBlendsWithCompositor()
    {
        const Dartline::Display main = m_model->displays().at(0);
        Backdrop backdrop(main.bounds.toRect());
        backdrop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&backdrop));
        QProcess compositor;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DISPLAY"_s, server().displayName());
        compositor.setProcessEnvironment(environment);
        compositor.start(u"xcompmgr"_s, {});
        QVERIFY(compositor.waitForStarted());
        QTRY_VERIFY(m_platform->cursor().hasCompositor());

        m_overlay->show(m_model->displays());
        const QRect tile = m_overlay->tiles().at(0)->tileGeometry();
        // #002FB8 at 0.95 over the backdrop.
        const qreal a = 242.0 / 255;
        const QColor b = Backdrop::backdropColor();
        const QColor blended(
            qRound(b.red() * (1 - a)), qRound(47 * a + b.green() * (1 - a)), qRound(184 * a + b.blue() * (1 - a)));
        QTRY_VERIFY2(near(screenPixel(m_x, tile.topLeft() + QPoint(20, 120)), blended),
            qPrintable(screenPixel(m_x, tile.topLeft() + QPoint(20, 120)).name()));
        // The shadow darkens the backdrop just below the tile.
        const QColor shadow = screenPixel(m_x, QPoint(tile.center().x(), tile.bottom() + 8));
        QVERIFY2(shadow.red() < b.red() - 10, qPrintable(shadow.name()));

        compositor.terminate();
        QVERIFY(compositor.waitForFinished());
        QTRY_VERIFY(!m_platform->cursor().hasCompositor());
    }
};

DARTLINE_X11_TEST_MAIN(TestX11Feedback)
#include "tst_x11feedback.moc"
