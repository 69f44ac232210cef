// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DisplayGeometry.h"
#include "displays/DisplayService.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11DisplayPlatform.h"
#include "tests/harness/X11TestMain.h"

#include <QAbstractNativeEventFilter>
#include <QRegularExpression>
#include <QSignalSpy>

#include <xcb/randr.h>

#include <memory>

using namespace Dartline;

namespace {

QString s(const char *text)
{
    return QString::fromLatin1(text);
}

XServer &server()
{
    return *XServer::current();
}

// The XID xrandr reports for an output, to check display numbers against.
quint32 outputId(const QString &output)
{
    QByteArray verbose;
    if (!server().xrandr({ s("--verbose") }, &verbose))
        return 0;
    const QRegularExpression re(
        QRegularExpression::escape(output) + s(R"( (?:dis)?connected.*?\n\s+Identifier: 0x([0-9a-f]+))"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(verbose));
    return m.hasMatch() ? m.captured(1).toUInt(nullptr, 16) : 0;
}

QByteArray edid(const QString &name, quint32 serial = 0, const QString &serialString = {})
{
    TestEdid e;
    e.vendor = s("DLT");
    e.product = 0x1234;
    e.serial = serial;
    e.name = name;
    e.serialString = serialString;
    return e.bytes();
}

// Sees a property change on a window of its own come back from the server.
// The server sends events in order, so once it is back, everything the
// server sent before it has been through every native event filter.
class Marker : public QAbstractNativeEventFilter
{
public:
    Marker()
        : m_connection(X11Connection::application())
        , m_window(xcb_generate_id(m_connection))
    {
        const quint32 mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, X11Connection::root(m_connection), 0, 0, 1, 1,
            0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
        xcb_change_property(
            m_connection, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
        xcb_flush(m_connection);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~Marker() override
    {
        QCoreApplication::instance()->removeNativeEventFilter(this);
        xcb_destroy_window(m_connection, m_window);
        xcb_flush(m_connection);
    }
    Q_DISABLE_COPY_MOVE(Marker)

    bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
    {
        const auto *event = static_cast<xcb_generic_event_t *>(message);
        if ((event->response_type & ~0x80) == XCB_PROPERTY_NOTIFY
            && reinterpret_cast<const xcb_property_notify_event_t *>(event)->window == m_window)
            back = true;
        return false;
    }

    bool back = false;

private:
    xcb_connection_t *m_connection;
    xcb_window_t m_window;
};

// Waits until every event the server sent so far has reached the platform
// and the change has been announced.
void settle(QSignalSpy &spy)
{
    Marker marker;
    QTRY_VERIFY(marker.back);
    QTRY_VERIFY(spy.count() > 0);
    spy.clear();
}

// Counts RandR events the way the platform sees them, and in how many turns
// of the event loop they arrived.
class RandrEvents : public QAbstractNativeEventFilter
{
public:
    explicit RandrEvents(quint8 base)
        : m_base(base)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~RandrEvents() override { QCoreApplication::instance()->removeNativeEventFilter(this); }
    Q_DISABLE_COPY_MOVE(RandrEvents)

    bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
    {
        const int type = static_cast<xcb_generic_event_t *>(message)->response_type & ~0x80;
        if (type != m_base + XCB_RANDR_SCREEN_CHANGE_NOTIFY && type != m_base + XCB_RANDR_NOTIFY)
            return false;
        ++events;
        if (!m_turnOpen) {
            m_turnOpen = true;
            ++turns;
            QMetaObject::invokeMethod(
                &m_context, [this] { m_turnOpen = false; }, Qt::QueuedConnection);
        }
        return false;
    }

    int events = 0;
    int turns = 0;

private:
    quint8 m_base;
    bool m_turnOpen = false;
    QObject m_context;
};

} // namespace

class TestX11Displays : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void threeMonitorsInSpatialOrder();
    void identicalPanelsStayDistinct();
    void identityOutlivesSwitchingOff();
    void mirroredPairIsOneDisplay_data();
    void mirroredPairIsOneDisplay();
    void changesCoalescePerTurn();

private:
    std::unique_ptr<X11DisplayPlatform> m_platform;
};

void TestX11Displays::init()
{
    QVERIFY(server().resetOutputs());
    m_platform = std::make_unique<X11DisplayPlatform>();
    // The reset's own events must not count for the test that follows.
    QCoreApplication::processEvents();
}

void TestX11Displays::cleanup()
{
    m_platform.reset();
}

void TestX11Displays::threeMonitorsInSpatialOrder()
{
    QSignalSpy spy(m_platform.get(), &DisplayPlatform::configurationChanged);
    QVERIFY(server().setEdid(s("DUMMY0"), edid(s("Main"), 1001)));
    QVERIFY(server().setEdid(s("DUMMY2"), edid(s("Top"), 1002)));
    QVERIFY(server().xrandr({ s("--output"), s("DUMMY1"), s("--mode"), s("800x600"), s("--left-of"), s("DUMMY0"),
        s("--output"), s("DUMMY2"), s("--mode"), s("1280x1024"), s("--above"), s("DUMMY0") }));
    settle(spy);

    const QList<Dartline::Display> displays = DisplayService::connected(*m_platform);
    QCOMPARE(displays.size(), 3);
    // DUMMY0 1024x768 is main; DUMMY1 800x600 left of it, DUMMY2 1280x1024
    // above it; xrandr shifts everything so that the root starts at 0,0.
    const quint32 left = outputId(s("DUMMY1"));
    const quint32 top = outputId(s("DUMMY2"));
    const quint32 main = outputId(s("DUMMY0"));
    QCOMPARE(displays[0].number, left);
    QCOMPARE(displays[1].number, top);
    QCOMPARE(displays[2].number, main);
    QCOMPARE(displays[0].name, s("DUMMY1"));
    QCOMPARE(displays[1].name, s("Top"));
    QCOMPARE(displays[2].name, s("Main"));
    QCOMPARE(displays[0].bounds, QRectF(0, 1024, 800, 600));
    QCOMPARE(displays[1].bounds, QRectF(800, 0, 1280, 1024));
    QCOMPARE(displays[2].bounds, QRectF(800, 1024, 1024, 768));
    QCOMPARE(DisplayGeometry::center(displays[0].bounds), std::optional<QPointF>(QPointF(400, 1324)));
    QCOMPARE(DisplayGeometry::center(displays[1].bounds), std::optional<QPointF>(QPointF(1440, 512)));
    QCOMPARE(DisplayGeometry::center(displays[2].bounds), std::optional<QPointF>(QPointF(1312, 1408)));

    // Without an EDID there is no UUID, so the layer above falls back.
    QCOMPARE(displays[0].id, s("fallback-0-0-0-%1").arg(left));
    const QRegularExpression uuid(s("^[0-9A-F]{8}-[0-9A-F]{4}-5[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$"));
    QVERIFY2(uuid.match(displays[1].id).hasMatch(), qPrintable(displays[1].id));
    QVERIFY(displays[1].id != displays[2].id);
    QCOMPARE(m_platform->vendorNumber(main), quint32(TestEdid().vendorId()));
    QCOMPARE(m_platform->modelNumber(main), 0x1234u);
    QCOMPARE(m_platform->serialNumber(main), 1001u);
    QCOMPARE(m_platform->vendorNumber(left), 0u);
    QVERIFY(!m_platform->isBuiltin(main));
}

void TestX11Displays::identicalPanelsStayDistinct()
{
    QSignalSpy spy(m_platform.get(), &DisplayPlatform::configurationChanged);
    const QByteArray panel = edid(s("Twin"));
    QVERIFY(server().setEdid(s("DUMMY1"), panel));
    QVERIFY(server().setEdid(s("DUMMY2"), panel));
    QVERIFY(server().xrandr({ s("--output"), s("DUMMY1"), s("--mode"), s("1024x768"), s("--right-of"), s("DUMMY0"),
        s("--output"), s("DUMMY2"), s("--mode"), s("1024x768"), s("--right-of"), s("DUMMY1") }));
    settle(spy);

    const QList<Dartline::Display> displays = DisplayService::connected(*m_platform);
    QCOMPARE(displays.size(), 3);
    QCOMPARE(displays[1].name, s("Twin"));
    QCOMPARE(displays[2].name, s("Twin"));
    QVERIFY(!displays[1].id.startsWith(s("fallback-")));
    QVERIFY(!displays[2].id.startsWith(s("fallback-")));
    QVERIFY(displays[1].id != displays[2].id);
}

void TestX11Displays::identityOutlivesSwitchingOff()
{
    QSignalSpy spy(m_platform.get(), &DisplayPlatform::configurationChanged);
    QVERIFY(server().setEdid(s("DUMMY1"), edid(s("Side"), 0, s("SN-77"))));
    const QStringList on { s("--output"), s("DUMMY1"), s("--mode"), s("1024x768"), s("--right-of"), s("DUMMY0") };
    QVERIFY(server().xrandr(on));
    settle(spy);
    const quint32 number = outputId(s("DUMMY1"));
    const std::optional<QString> before = m_platform->uuid(number);
    QVERIFY(before);
    QCOMPARE(DisplayService::connected(*m_platform).size(), 2);

    QVERIFY(server().xrandr({ s("--output"), s("DUMMY1"), s("--off") }));
    settle(spy);
    QCOMPARE(DisplayService::connected(*m_platform).size(), 1);
    QVERIFY(!m_platform->isActive(number));
    QCOMPARE(m_platform->bounds(number), QRectF());

    QVERIFY(server().xrandr(on));
    settle(spy);
    QVERIFY(m_platform->isActive(number));
    QCOMPARE(m_platform->uuid(number), before);
    QCOMPARE(m_platform->bounds(number), QRectF(1024, 0, 1024, 768));

    // Another panel on the same connector, the layout untouched: only the
    // EDID's property event tells.
    QVERIFY(server().setEdid(s("DUMMY1"), edid(s("Side"), 0, s("SN-78"))));
    QTRY_VERIFY(m_platform->uuid(number) != before);
}

void TestX11Displays::mirroredPairIsOneDisplay_data()
{
    QTest::addColumn<QStringList>("arrangement");
    QTest::addColumn<QString>("master");
    QTest::addColumn<QString>("copy");

    QTest::newRow("copy of the primary") << QStringList { s("--output"), s("DUMMY1"), s("--mode"), s("1024x768"),
        s("--same-as"), s("DUMMY0") } << s("DUMMY0")
                                         << s("DUMMY1");
    // The primary leads its set even when the server lists it later.
    QTest::newRow("primary listed second") << QStringList { s("--output"), s("DUMMY1"), s("--mode"), s("1024x768"),
        s("--same-as"), s("DUMMY0"), s("--primary") }
                                           << s("DUMMY1") << s("DUMMY0");
}

void TestX11Displays::mirroredPairIsOneDisplay()
{
    QFETCH(QStringList, arrangement);
    QFETCH(QString, master);
    QFETCH(QString, copy);
    QSignalSpy spy(m_platform.get(), &DisplayPlatform::configurationChanged);
    QVERIFY(server().xrandr(arrangement));
    settle(spy);

    const quint32 masterNumber = outputId(master);
    const quint32 copyNumber = outputId(copy);
    QVERIFY(m_platform->isInMirrorSet(masterNumber));
    QVERIFY(m_platform->isInMirrorSet(copyNumber));
    QCOMPARE(m_platform->mirrorsDisplay(masterNumber), 0u);
    QCOMPARE(m_platform->mirrorsDisplay(copyNumber), masterNumber);
    const QList<Dartline::Display> displays = DisplayService::connected(*m_platform);
    QCOMPARE(displays.size(), 1);
    QCOMPARE(displays[0].number, masterNumber);
    QCOMPARE(displays[0].name, master);

    // Moving the copy aside ends the set.
    QVERIFY(server().xrandr({ s("--output"), copy, s("--right-of"), master }));
    settle(spy);
    QVERIFY(!m_platform->isInMirrorSet(masterNumber));
    QCOMPARE(m_platform->mirrorsDisplay(copyNumber), 0u);
    QCOMPARE(DisplayService::connected(*m_platform).size(), 2);
}

void TestX11Displays::changesCoalescePerTurn()
{
    xcb_connection_t *c = X11Connection::application();
    // What earlier changes sent is handled first: by the end of a round trip
    // it is all in, and two passes deliver it and the change it schedules.
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const quint8 base = xcb_get_extension_data(c, &xcb_randr_id)->first_event;
    RandrEvents raw(base);
    QSignalSpy spy(m_platform.get(), &DisplayPlatform::configurationChanged);
    // One command, many raw events: two CRTCs, two outputs, the screen size.
    QVERIFY(server().xrandr({ s("--output"), s("DUMMY1"), s("--mode"), s("800x600"), s("--right-of"), s("DUMMY0"),
        s("--output"), s("DUMMY2"), s("--mode"), s("800x600"), s("--below"), s("DUMMY0") }));
    QTRY_VERIFY(spy.count() > 0);
    // Whatever the server sent is in by the end of a round trip; handle it all.
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    QTRY_COMPARE(spy.count(), raw.turns);
    QVERIFY2(raw.events > spy.count(), qPrintable(s("%1 events, %2 signals").arg(raw.events).arg(spy.count())));
    QCOMPARE(DisplayService::connected(*m_platform).size(), 3);
}

DARTLINE_X11_TEST_MAIN(TestX11Displays)
#include "tst_x11displays.moc"
