// SPDX-License-Identifier: GPL-3.0-or-later
// What a display enumeration and a jump's display queries cost on a private
// Xorg (dummy driver) with 1, 4 and 8 monitors, half of them with an EDID.
// A jump's queries are answered from what the change events left behind, so
// they should send the server nothing: the target is 0 requests, and their
// time is set beside one round trip to the server, which they must not need.
//
//   bench_x11displays [rounds]        default 200 rounds per layout

#include "displays/DisplayService.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11DisplayPlatform.h"
#include "tests/harness/TestEdid.h"
#include "tests/harness/XServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <cstdlib>

#include <QGuiApplication>

using namespace Dartline;

namespace {

QTextStream out(stdout);

struct Figures
{
    double median = 0;
    double worst = 0;
};

template<typename Work> Figures measure(int rounds, Work work)
{
    QList<double> micros;
    for (int i = 0; i < rounds; ++i) {
        // A new turn of the event loop, as for every refresh or hot key.
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        work();
        micros.append(static_cast<double>(timer.nsecsElapsed()) / 1000.0);
    }
    std::sort(micros.begin(), micros.end());
    return { micros[micros.size() / 2], micros.last() };
}

// Requests `work` sends, from the sequence numbers of two no-ops around it.
template<typename Work> unsigned requests(xcb_connection_t *c, Work work)
{
    const unsigned before = xcb_no_operation(c).sequence;
    work();
    const unsigned after = xcb_no_operation(c).sequence;
    xcb_flush(c);
    return after - before - 1;
}

bool arrange(XServer &server, int monitors)
{
    if (!server.resetOutputs())
        return false;
    QStringList args;
    for (int i = 1; i < monitors; ++i) {
        const QString output = QStringLiteral("DUMMY%1").arg(i);
        args << QStringLiteral("--output") << output << QStringLiteral("--mode") << QStringLiteral("640x480")
             << QStringLiteral("--right-of") << QStringLiteral("DUMMY%1").arg(i - 1);
    }
    for (int i = 0; i < monitors; i += 2) {
        TestEdid edid;
        edid.name = QStringLiteral("Bench %1").arg(i);
        edid.serial = static_cast<quint32>(1000 + i);
        if (!server.setEdid(QStringLiteral("DUMMY%1").arg(i), edid.bytes()))
            return false;
    }
    return args.isEmpty() || server.xrandr(args);
}

} // namespace

int main(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 200;
    XServer server(XServer::Kind::Xorg);
    if (const QString error = server.start(); !error.isEmpty()) {
        out << error << Qt::endl;
        return 1;
    }
    qputenv("DISPLAY", server.displayName().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    X11DisplayPlatform platform;

    xcb_connection_t *c = X11Connection::application();
    out << "per call, microseconds: median (worst) of " << rounds << " rounds\n";
    for (int monitors : { 1, 4, 8 }) {
        if (!arrange(server, monitors)) {
            out << "cannot arrange " << monitors << " monitors" << Qt::endl;
            return 1;
        }
        QList<Dartline::Display> displays;
        const Figures list = measure(rounds, [&] { displays = DisplayService::connected(platform); });
        if (displays.size() != monitors) {
            out << "expected " << monitors << " displays, got " << displays.size() << Qt::endl;
            return 1;
        }
        // What a jump asks before it warps: is the display there, where is it.
        const quint32 last = displays.last().number;
        const auto queries = [&] {
            if (platform.isActive(last))
                platform.bounds(last);
        };
        const Figures jump = measure(rounds, queries);
        QCoreApplication::processEvents();
        const unsigned sent = requests(c, queries);
        const Figures trip
            = measure(rounds, [c] { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); });
        out << QStringLiteral("%1 monitors: enumeration %2 (%3), jump queries %4 (%5) against one round trip %6 (%7); "
                              "requests per jump: %8 (target 0)\n")
                   .arg(monitors)
                   .arg(list.median, 0, 'f', 0)
                   .arg(list.worst, 0, 'f', 0)
                   .arg(jump.median, 0, 'f', 2)
                   .arg(jump.worst, 0, 'f', 2)
                   .arg(trip.median, 0, 'f', 0)
                   .arg(trip.worst, 0, 'f', 0)
                   .arg(sent);
    }
    out.flush();
    return 0;
}
