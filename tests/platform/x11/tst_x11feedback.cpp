// SPDX-License-Identifier: GPL-3.0-or-later
#include "displays/CursorAnimator.h"
#include "displays/DisplayOverlay.h"
#include "displays/IdentifyTile.h"
#include "model/AppModel.h"
#include "platform/backends/PlatformBackends.h"
#include "platform/x11/X11Connection.h"
#include "tests/harness/X11TestMain.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {

class Backdrop : public QWidget
{
public:
    explicit Backdrop(const QRectF &area)
    {
        setWindowFlags(Qt::FramelessWindowHint);
        setPalette(QPalette(QColor(200, 100, 50)));
        setAutoFillBackground(true);
        setGeometry(area.toRect());
        show();
    }
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

} // namespace

class TestX11Feedback : public QObject
{
    Q_OBJECT

    // A clock the test can hold still, so that only the pointer and the buttons end a pulse.
    QElapsedTimer m_running;
    std::optional<qint64> m_stopped;
    std::unique_ptr<Platform> m_platform;
    QTemporaryDir m_dir;
    QSettings m_store { m_dir.filePath(u"store.ini"_s), QSettings::IniFormat };
    std::unique_ptr<AppModel> m_model;
    CursorAnimator *m_animator = nullptr;
    std::unique_ptr<DisplayOverlay> m_overlay;
    int m_side = 0;

    QList<QRect> windows()
    {
        xcb_connection_t *c = X11Connection::application();
        QList<QRect> result;
        auto *tree = xcb_query_tree_reply(c, xcb_query_tree(c, X11Connection::root(c)), nullptr);
        for (int i = 0; tree && i < xcb_query_tree_children_length(tree); ++i) {
            const xcb_window_t child = xcb_query_tree_children(tree)[i];
            auto *attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, child), nullptr);
            auto *geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, child), nullptr);
            if (attributes && attributes->override_redirect && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
                result.append(QRect(geometry->x, geometry->y, geometry->width, geometry->height));
            free(attributes);
            free(geometry);
        }
        free(tree);
        return result;
    }
    static QRect tileOn(const QRectF &bounds)
    {
        return QRect(bounds.center().toPoint() - QPoint(90, 70), IdentifyTile::TileSize);
    }
    QRect pulseOn(const QRectF &bounds)
    {
        return QRect(bounds.center().toPoint() - QPoint(m_side / 2, m_side / 2), QSize(m_side, m_side));
    }
    QRectF heldPulse(int index)
    {
        m_stopped = m_running.nsecsElapsed();
        m_model->jump(m_model->displays().at(index));
        return m_model->displays().at(index).bounds;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Sorted by left edge, then top: the main monitor (x 0, below), the one above it (x 112), the one right.
        QVERIFY(server().xrandr(
            u"--output DUMMY1 --mode 800x600 --pos 112x0 --output DUMMY0 --pos 0x600 --output DUMMY2 --mode 1024x768 --pos 1024x600"_s
                .split(u' ')));
        m_running.start();
        m_platform = createPlatform();
        QTRY_COMPARE(m_platform->displays().screens().size(), 3);
        auto animator = std::make_unique<CursorAnimator>(m_platform->cursor(), &m_platform->displays(),
            [this] { return m_stopped.value_or(m_running.nsecsElapsed()); });
        m_animator = animator.get();
        m_model = std::make_unique<AppModel>(*m_platform, m_store, std::move(animator));
        QCOMPARE(m_model->displays().at(0).bounds, QRectF(0, 600, 1024, 768));
        m_overlay = std::make_unique<DisplayOverlay>(m_platform->displays(), m_platform->cursor());
        const auto cursor = m_platform->cursor().currentCursor();
        QVERIFY(cursor);
        m_side = std::max(6 * std::max(cursor->image.width(), cursor->image.height()), 128);
    }

    void cleanup()
    {
        for (const char *button : { "1", "2", "3" })
            server().xdotool({ u"mouseup"_s, QLatin1String(button) });
        m_animator->cancel();
        m_overlay->dismiss();
        m_stopped.reset();
        QTRY_VERIFY(windows().isEmpty());
    }

    void windowsOnEveryDisplay()
    {
        const QList<Dartline::Display> d = m_model->displays();
        // One window follows the jumps, back to where it was too.
        for (int index : { 0, 1, 2, 0 })
            QTRY_COMPARE(windows(), QList<QRect> { pulseOn(heldPulse(index)) });
        m_animator->cancel();
        m_overlay->show(d);
        QTRY_COMPARE(windows(), (QList<QRect> { tileOn(d[0].bounds), tileOn(d[1].bounds), tileOn(d[2].bounds) }));
        QCOMPARE(m_overlay->tiles().at(2)->number(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(windows().isEmpty(), DisplayOverlay::DismissAfterMs + 2000); // on their own
    }

    // What the user does during a held pulse, as xdotool arguments; the pointer rests on 512 984 before.
    void inputEndsPulse_data()
    {
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<bool>("ends");
        QTest::newRow("3 px right") << u"mousemove 515 984"_s.split(u' ') << false;
        QTest::newRow("4 px right") << u"mousemove 516 984"_s.split(u' ') << true;
        QTest::newRow("left button") << QStringList { u"mousedown"_s, u"1"_s } << true;
        QTest::newRow("middle button") << QStringList { u"mousedown"_s, u"2"_s } << false;
        QTest::newRow("right button") << QStringList { u"mousedown"_s, u"3"_s } << true;
    }

    void inputEndsPulse()
    {
        QFETCH(QStringList, input);
        QFETCH(bool, ends);
        QCOMPARE(heldPulse(0).center(), QPointF(512, 984));
        QTRY_COMPARE(windows().size(), 1);
        QVERIFY(server().xdotool(input));
        // Two whole ticks after the input have seen the pointer as it is now.
        const int ticks = m_animator->tickCount();
        QTRY_VERIFY(!m_animator->isPulsing() || m_animator->tickCount() >= ticks + 3);
        QCOMPARE(m_animator->isPulsing(), !ends);
        QTRY_COMPARE(windows().size(), ends ? 0 : 1);
    }

    // Without a compositor the windows are shaped: what they draw shows, nothing else of them does, and
    // clicks go through to the window below.
    void shapedAndClickThrough_data()
    {
        QTest::addColumn<bool>("tiles");
        QTest::newRow("pulse") << false;
        QTest::newRow("tiles") << true;
    }

    void shapedAndClickThrough()
    {
        QFETCH(bool, tiles);
        QVERIFY(!m_platform->cursor().hasCompositor());
        const QRectF main = m_model->displays().at(0).bounds;
        Backdrop backdrop(main);
        QVERIFY(QTest::qWaitForWindowExposed(&backdrop));
        tiles ? m_overlay->show(m_model->displays()) : void(heldPulse(0));
        QTRY_COMPARE(windows().size(), tiles ? 3 : 1);
        // What the window draws shows, and only that: the corner of its square is the backdrop still.
        const QRect area = tiles ? tileOn(main) : pulseOn(main);
        QImage plain(area.size(), QImage::Format_RGB32);
        plain.fill(backdrop.palette().window().color());
        QTRY_VERIFY(XTestClient::rootImage(X11Connection::application(), area) != plain);
        QCOMPARE(XTestClient::rootImage(X11Connection::application(), area).pixelColor(1, 1), plain.pixelColor(1, 1));
        const QPoint centre = main.center().toPoint();
        QVERIFY(server().xdotool(
            { u"mousemove"_s, QString::number(centre.x()), QString::number(centre.y()), u"click"_s, u"1"_s }));
        QTRY_COMPARE(backdrop.presses, 1);
    }
};

DARTLINE_X11_TEST_MAIN(TestX11Feedback)
#include "tst_x11feedback.moc"
