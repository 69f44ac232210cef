// SPDX-License-Identifier: GPL-3.0-or-later
// What one frame of the cursor pulse costs the main thread, on a private
// Xvfb: setFrame(), the repaint and upload it causes, and a round trip, so
// that the server has taken the pixels and the shape when the clock stops.
// Cursors from 16 to 256 pixels (themes for large or high-resolution
// screens), shaped as without a compositor and translucent as with one.
//
//   bench_pulse_frames [pulses]     default 10, each the whole 0.48 s curve

#include "core/CursorPulse.h"
#include "displays/CursorPulseView.h"
#include "tests/harness/XServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTest>
#include <QTextStream>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

QTextStream out(stdout);

// A round cursor with a soft rim, as drawn cursors have.
CursorImage discCursor(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, std::max(1.0, side / 16.0)));
    painter.setBrush(Qt::black);
    painter.drawEllipse(QRectF(1, 1, side - 2, side - 2));
    return { image, QPointF(side / 2.0, side / 2.0) };
}

} // namespace

int main(int argc, char *argv[])
{
    const int pulses = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 10;

    XServer server(XServer::Kind::Xvfb, QSize(2560, 1600));
    if (const QString error = server.start(); !error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    qputenv("DISPLAY", server.displayName().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    // Qt's own connection: the server answers a request only after all that
    // came before it on the same connection.
    auto *native = app.nativeInterface<QNativeInterface::QX11Application>();
    if (!native) {
        std::fprintf(stderr, "not on X11\n");
        return 1;
    }
    xcb_connection_t *x = native->connection();
    const auto roundTrip = [x] { std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr)); };

    const int framesPerPulse = static_cast<int>(CursorPulse::duration * 60);
    out << "Pulse frames on a private Xvfb, " << pulses << " pulses of " << framesPerPulse
        << " frames each; per frame: setFrame, repaint, upload, round trip\n\n";
    out << u"%1 %2 %3 %4 %5\n"_s.arg(u"cursor"_s, -8)
               .arg(u"window"_s, -8)
               .arg(u"mode"_s, -12)
               .arg(u"mean ms"_s, 9)
               .arg(u"p99 ms"_s, 9);
    for (const int side : { 16, 32, 64, 128, 256 }) {
        for (const bool composited : { false, true }) {
            const int window = std::max(6 * side, 128);
            QList<double> millis;
            for (int p = 0; p < pulses; ++p) {
                CursorPulseView view(discCursor(side), QPointF(1280, 800), window, composited);
                view.show();
                if (!QTest::qWaitForWindowExposed(&view)) {
                    std::fprintf(stderr, "the pulse window was not shown\n");
                    return 1;
                }
                for (int f = 1; f <= framesPerPulse; ++f) {
                    const CursorPulse::Frame frame = CursorPulse::frame(f / 60.0, false);
                    QElapsedTimer timer;
                    timer.start();
                    view.setFrame(frame.scale, frame.opacity);
                    QCoreApplication::sendPostedEvents();
                    roundTrip();
                    millis.append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
                }
            }
            std::sort(millis.begin(), millis.end());
            double sum = 0;
            for (double m : std::as_const(millis))
                sum += m;
            const double p99 = millis.at(std::min<qsizetype>(millis.size() - 1, millis.size() * 99 / 100));
            out << u"%1 %2 %3 %4 %5\n"_s.arg(u"%1 px"_s.arg(side), -8)
                       .arg(u"%1 px"_s.arg(window), -8)
                       .arg(composited ? u"translucent"_s : u"shaped"_s, -12)
                       .arg(sum / static_cast<double>(millis.size()), 9, 'f', 3)
                       .arg(p99, 9, 'f', 3);
            out.flush();
        }
    }
    return 0;
}
