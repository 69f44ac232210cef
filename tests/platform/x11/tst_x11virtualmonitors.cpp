// SPDX-License-Identifier: GPL-3.0-or-later
#include "displays/DisplayService.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11DisplayPlatform.h"
#include "tests/harness/X11TestMain.h"

#include <xcb/xcb.h>

using namespace Dartline;

// Monitors that a client set up with `xrandr --setmonitor` (a split wide
// screen, a VNC server's layout) have no output, and so no EDID either.
class TestX11VirtualMonitors : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void splitScreen();
};

namespace {

QString s(const char *text)
{
    return QString::fromLatin1(text);
}

quint32 atom(const char *name)
{
    xcb_connection_t *c = X11Connection::application();
    xcb_intern_atom_reply_t *r
        = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, static_cast<quint16>(strlen(name)), name), nullptr);
    const quint32 a = r ? r->atom : 0;
    free(r);
    return a;
}

} // namespace

void TestX11VirtualMonitors::init()
{
    QVERIFY(XServer::current()->resetOutputs());
}

void TestX11VirtualMonitors::splitScreen()
{
    XServer &server = *XServer::current();
    X11DisplayPlatform platform;
    // The left half takes over the output (and hides its automatic monitor);
    // the right half has none. The server announces no RandR event for
    // either; the next enumeration sees them all the same.
    QVERIFY(server.xrandr({ s("--setmonitor"), s("LEFT"), s("512/135x768/203+0+0"), s("screen") }));
    QVERIFY(server.xrandr({ s("--setmonitor"), s("RIGHT"), s("512/135x768/203+512+0"), s("none") }));

    const QList<Dartline::Display> displays = DisplayService::connected(platform);
    QCOMPARE(displays.size(), 2);
    QCOMPARE(displays[0].name, s("screen"));
    QCOMPARE(displays[0].bounds, QRectF(0, 0, 512, 768));
    QCOMPARE(displays[1].number, atom("RIGHT"));
    QCOMPARE(displays[1].name, s("RIGHT"));
    QCOMPARE(displays[1].bounds, QRectF(512, 0, 512, 768));
    QCOMPARE(displays[1].id, s("fallback-0-0-0-%1").arg(atom("RIGHT")));
    QVERIFY(platform.isActive(displays[1].number));
    QVERIFY(!platform.uuid(displays[1].number));
    QVERIFY(displays[0].number != displays[1].number);

    QVERIFY(server.xrandr({ s("--delmonitor"), s("RIGHT") }));
    // The ConfigureNotify the server sends on the root instead retires what
    // the platform knew.
    QTRY_VERIFY(!platform.isActive(atom("RIGHT")));
    QCOMPARE(platform.screens().size(), 1);
}

DARTLINE_X11_TEST_MAIN_WITH(TestX11VirtualMonitors, XServer::Kind::Xvfb)
#include "tst_x11virtualmonitors.moc"
