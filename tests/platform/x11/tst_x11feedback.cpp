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

    // A clock the test can hold still: a held pulse stays until the pointer or a button ends it.
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
        m_animator->cancel();
        m_overlay->dismiss();
        m_stopped.reset();
        QTRY_VERIFY(windows().isEmpty());
    }

    // A tile on every display, or one pulse window that follows the jumps. Without a compositor the windows are
    // shaped: what they draw shows, nothing else of them does, and clicks go through to the window below.
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
        const QList<Dartline::Display> d = m_model->displays();
        const QRectF main = d[0].bounds;
        Backdrop backdrop(main);
        QVERIFY(QTest::qWaitForWindowExposed(&backdrop));
        if (tiles) {
            m_overlay->show(d);
            QTRY_COMPARE(windows(), (QList<QRect> { tileOn(d[0].bounds), tileOn(d[1].bounds), tileOn(d[2].bounds) }));
        } else {
            // One window follows the jumps, back to where it was too; over the backdrop the pointer, and so the
            // pulse, is another size.
            for (int index : { 1, 2, 1 })
                QTRY_COMPARE(windows(), QList<QRect> { pulseOn(heldPulse(index)) });
            heldPulse(0);
            QTRY_COMPARE(windows().size(), 1);
        }
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
