// SPDX-License-Identifier: GPL-3.0-or-later
// The pulse and the identify tiles on a private X server with three monitors.
//
//   bench_feedback                     frame pacing of 20 pulses, with and
//                                      without a compositing manager, beside
//                                      the targets: every frame of every pulse
//                                      (29 at 60 Hz over 0.48 s), none of them
//                                      4 ms late or more; beside them a bare
//                                      60 Hz timer shows the machine's own
//   bench_feedback --screenshots DIR   PNGs of a pulse frame and of the tiles,
//                                      with and without a compositing manager

#include "core/CursorPulse.h"
#include "displays/CursorAnimator.h"
#include "displays/DisplayOverlay.h"
#include "displays/DisplayService.h"
#include "platform/backends/PlatformBackends.h"
#include "platform/CursorPlatform.h"
#include "tests/harness/XServer.h"
#include "tests/harness/XTestClient.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include <QApplication>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

constexpr int Pulses = 20;
// Frame k is due at k / 60 s and the pulse ends at the first frame at or after
// its duration: 29 frames, the last of which ends it.
const int FramesPerPulse = static_cast<int>(std::ceil(CursorPulse::duration * CursorAnimator::FramesPerSecond));
constexpr double LatenessTargetMs = 4.0;

QTextStream out(stdout);

double cpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Runs the event loop until `done` holds or the time is up.
template<typename Condition> bool waitFor(Condition done, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Lets whatever was just shown reach the screen.
void settle(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

class Compositor
{
public:
    Compositor(const QString &display, CursorPlatform &cursor)
        : m_cursor(cursor)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DISPLAY"_s, display);
        m_process.setProcessEnvironment(environment);
    }
    ~Compositor() { stop(); }
    bool start()
    {
        m_process.start(u"xcompmgr"_s, {});
        return m_process.waitForStarted() && waitFor([this] { return m_cursor.hasCompositor(); });
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished();
        waitFor([this] { return !m_cursor.hasCompositor(); });
    }

private:
    QProcess m_process;
    CursorPlatform &m_cursor;
};

// A soft gradient with a grid under each monitor, so that translucency,
// shadows and cut-out corners show in the pictures.
class Backdrop : public QWidget
{
public:
    Backdrop(const QRect &area, const QString &label)
        : m_label(label)
    {
        setWindowFlags(Qt::FramelessWindowHint);
        setGeometry(area);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, width(), height());
        gradient.setColorAt(0, QColor(0xf3, 0xe9, 0xd2));
        gradient.setColorAt(1, QColor(0xc6, 0xde, 0xf1));
        painter.fillRect(rect(), gradient);
        painter.setPen(QColor(0, 0, 0, 40));
        for (int x = 0; x < width(); x += 32)
            painter.drawLine(x, 0, x, height());
        for (int y = 0; y < height(); y += 32)
            painter.drawLine(0, y, width(), y);
        painter.setPen(QColor(0x33, 0x33, 0x33));
        painter.drawText(rect().adjusted(16, 16, -16, -16), Qt::AlignLeft | Qt::AlignTop, m_label);
    }

private:
    QString m_label;
};

QImage grabRoot(const QString &display, const QRect &area)
{
    xcb_connection_t *c = xcb_connect(qPrintable(display), nullptr);
    const QImage image = XTestClient::rootImage(c, area);
    xcb_disconnect(c);
    return image;
}

struct PacingFigures
{
    int minTicks = 1 << 30;
    int maxTicks = 0;
    int totalTicks = 0;
    double worstLateness = 0;
    double totalLateness = 0;
    int lateFrames = 0; // LatenessTargetMs late or more
    double totalCpu = 0;
    double worstCpu = 0;
    // The show() call itself, which the next hot key waits for: the first makes
    // the window, the others reuse it.
    double firstShow = 0;
    double totalLaterShow = 0;
    double worstLaterShow = 0;
};

PacingFigures measurePacing(Platform &platform, const QPointF &landing)
{
    PacingFigures figures;
    CursorAnimator animator(platform.cursor(), &platform.displays());
    int ticks = 0;
    QObject::connect(&animator, &CursorAnimator::ticked, [&](double elapsed, double due) {
        ++ticks;
        const double lateness = elapsed - due;
        figures.worstLateness = std::max(figures.worstLateness, lateness);
        figures.totalLateness += lateness;
        figures.lateFrames += lateness * 1e3 >= LatenessTargetMs;
    });
    for (int i = 0; i < Pulses; ++i) {
        platform.cursor().warp(landing);
        ticks = 0;
        const double cpu = cpuSeconds();
        // Blocks in the event loop like the application does, so the CPU time
        // is the pulse's own.
        QEventLoop loop;
        QObject::connect(&animator, &CursorAnimator::finished, &loop, &QEventLoop::quit);
        QElapsedTimer showing;
        showing.start();
        animator.show(landing);
        const double shown = static_cast<double>(showing.nsecsElapsed()) / 1e9;
        if (i == 0) {
            figures.firstShow = shown;
        } else {
            figures.totalLaterShow += shown;
            figures.worstLaterShow = std::max(figures.worstLaterShow, shown);
        }
        if (animator.isPulsing())
            loop.exec();
        const double used = cpuSeconds() - cpu;
        figures.totalCpu += used;
        figures.worstCpu = std::max(figures.worstCpu, used);
        figures.totalTicks += ticks;
        figures.minTicks = std::min(figures.minTicks, ticks);
        figures.maxTicks = std::max(figures.maxTicks, ticks);
        settle(50);
    }
    return figures;
}

// The machine's own share: a precise timer that does nothing, due on the same
// 60 Hz boundaries for as many frames as the pulses have. Lateness it shows
// too is the scheduler's, not the pulse's.
PacingFigures measureBareTimer()
{
    PacingFigures figures;
    QElapsedTimer clock;
    clock.start();
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QEventLoop loop;
    qint64 frame = 0;
    const auto schedule = [&] {
        const qint64 due = (frame + 1) * 1'000'000'000 / 60;
        timer.start(static_cast<int>((due - clock.nsecsElapsed() + 999'999) / 1'000'000));
    };
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const double lateness = static_cast<double>(clock.nsecsElapsed() - (frame + 1) * 1'000'000'000 / 60) / 1e9;
        figures.worstLateness = std::max(figures.worstLateness, lateness);
        figures.totalLateness += lateness;
        figures.lateFrames += lateness * 1e3 >= LatenessTargetMs;
        ++figures.totalTicks;
        frame = clock.nsecsElapsed() * 60 / 1'000'000'000;
        if (figures.totalTicks == Pulses * FramesPerPulse)
            loop.quit();
        else
            schedule();
    });
    schedule();
    loop.exec();
    return figures;
}

int pacing(Platform &platform, const QString &display, const QPointF &landing)
{
    Compositor compositor(display, platform.cursor());
    out << "Cursor pulse frame pacing, " << Pulses << " pulses each, 60 Hz frames (due every 16.67 ms)\n";
    out << u"%1 %2 %3 %4 %5 %6 %7 %8\n"_s.arg(u"mode"_s, -16)
               .arg(u"ticks min"_s, 9)
               .arg(u"mean"_s, 6)
               .arg(u"max"_s, 4)
               .arg(u"late mean/worst ms"_s, 19)
               .arg(u"cpu/pulse mean ms"_s, 18)
               .arg(u"worst ms"_s, 9)
               .arg(u"show() first, then mean/worst ms"_s, 33);
    QList<std::pair<QString, PacingFigures>> results;
    for (const bool composited : { false, true }) {
        if (composited && !compositor.start()) {
            out << "xcompmgr did not start\n";
            return 1;
        }
        const PacingFigures f = measurePacing(platform, landing);
        const QString mode = composited ? u"xcompmgr"_s : u"no compositor"_s;
        results.append({ mode, f });
        out << u"%1 %2 %3 %4 %5 %6 %7 %8\n"_s.arg(mode, -16)
                   .arg(f.minTicks, 9)
                   .arg(static_cast<double>(f.totalTicks) / Pulses, 6, 'f', 1)
                   .arg(f.maxTicks, 4)
                   .arg(u"%1 / %2"_s.arg(f.totalLateness / std::max(f.totalTicks, 1) * 1e3, 0, 'f', 2)
                            .arg(f.worstLateness * 1e3, 0, 'f', 2),
                       19)
                   .arg(f.totalCpu / Pulses * 1e3, 18, 'f', 2)
                   .arg(f.worstCpu * 1e3, 9, 'f', 2)
                   .arg(u"%1, then %2 / %3"_s.arg(f.firstShow * 1e3, 0, 'f', 2)
                            .arg(f.totalLaterShow / (Pulses - 1) * 1e3, 0, 'f', 2)
                            .arg(f.worstLaterShow * 1e3, 0, 'f', 2),
                       33);
        out.flush();
    }
    const PacingFigures bare = measureBareTimer();
    out << "\nTargets on an otherwise idle machine\n";
    out << u"%1 %2 %3 %4 %5 %6\n"_s.arg(u"mode"_s, -16)
               .arg(u"frames per pulse"_s, 17)
               .arg(u"target"_s, 9)
               .arg(u"worst late ms"_s, 14)
               .arg(u"target"_s, 9)
               .arg(u"frames late"_s, 12);
    for (const auto &[mode, f] : std::as_const(results)) {
        const bool framesMet = f.minTicks >= FramesPerPulse && f.maxTicks <= FramesPerPulse;
        const bool latenessMet = f.worstLateness * 1e3 < LatenessTargetMs;
        out << u"%1 %2 %3 %4 %5 %6\n"_s.arg(mode, -16)
                   .arg(u"%1-%2 of %3 %4"_s.arg(f.minTicks)
                            .arg(f.maxTicks)
                            .arg(FramesPerPulse)
                            .arg(framesMet ? u"ok"_s : u"MISSED"_s),
                       17)
                   .arg(u"%1 of %1"_s.arg(FramesPerPulse), 9)
                   .arg(u"%1 %2"_s.arg(f.worstLateness * 1e3, 0, 'f', 2).arg(latenessMet ? u"ok"_s : u"MISSED"_s), 14)
                   .arg(u"< %1"_s.arg(LatenessTargetMs, 0, 'f', 0), 9)
                   .arg(u"%1 of %2"_s.arg(f.lateFrames).arg(f.totalTicks), 12);
    }
    out << u"%1 %2 %3 %4 %5 %6\n"_s.arg(u"bare timer"_s, -16)
               .arg(u"-"_s, 17)
               .arg(QString(), 9)
               .arg(u"%1"_s.arg(bare.worstLateness * 1e3, 0, 'f', 2), 14)
               .arg(QString(), 9)
               .arg(u"%1 of %2"_s.arg(bare.lateFrames).arg(bare.totalTicks), 12);
    out << "(bare timer: a 60 Hz timer doing nothing, as many frames; what it shows late is the machine's)\n";
    out.flush();
    return 0;
}

int screenshots(Platform &platform, const QString &display, const QPointF &landing, const QString &directory)
{
    if (!QDir().mkpath(directory)) {
        out << "cannot create " << directory << "\n";
        return 1;
    }
    const QList<Dartline::Display> displays = DisplayService::connected(platform.displays());
    std::vector<std::unique_ptr<Backdrop>> backdrops;
    QRect all;
    for (qsizetype i = 0; i < displays.size(); ++i) {
        const QRect area = displays[i].bounds.toRect();
        all |= area;
        backdrops.push_back(std::make_unique<Backdrop>(area, u"%1 (%2)"_s.arg(i + 1).arg(displays[i].name)));
        backdrops.back()->show();
    }
    settle(300);

    qint64 now = 0;
    CursorAnimator animator(platform.cursor(), &platform.displays(), [&now] { return now; });
    DisplayOverlay overlay(platform.displays(), platform.cursor());
    Compositor compositor(display, platform.cursor());
    for (const bool composited : { false, true }) {
        if (composited && !compositor.start()) {
            out << "xcompmgr did not start\n";
            return 1;
        }
        const QString suffix = composited ? u"compositor"_s : u"no-compositor"_s;

        // Each tile names its display's default shortcut, as the tray's do.
        QStringList captions;
        for (qsizetype i = 0; i < displays.size(); ++i)
            captions.append(u"Alt+%1"_s.arg(i + 1));
        overlay.show(displays, captions);
        settle(400);
        const QString tiles = QDir(directory).filePath(u"tiles-%1.png"_s.arg(suffix));
        grabRoot(display, all).save(tiles);
        overlay.dismiss();

        // The frame at the peak of the growth, held there by the clock.
        platform.cursor().warp(landing);
        now = 0;
        animator.show(landing);
        now = 120'000'000;
        animator.tick();
        settle(300);
        const QRect around(landing.toPoint() - QPoint(160, 120), QSize(320, 240));
        const QString pulse = QDir(directory).filePath(u"pulse-%1.png"_s.arg(suffix));
        grabRoot(display, around).save(pulse);
        animator.cancel();
        settle(100);
        out << tiles << "\n" << pulse << "\n";
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QString directory;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--screenshots") == 0 && i + 1 < argc)
            directory = QString::fromLocal8Bit(argv[++i]);
    }
    XServer server(XServer::Kind::Xorg);
    if (const QString error = server.start(); !error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    // Main monitor below, one above it, one to its right.
    if (!server.xrandr({ u"--output"_s, u"DUMMY1"_s, u"--mode"_s, u"800x600"_s, u"--pos"_s, u"112x0"_s, u"--output"_s,
            u"DUMMY0"_s, u"--pos"_s, u"0x600"_s, u"--output"_s, u"DUMMY2"_s, u"--mode"_s, u"1024x768"_s, u"--pos"_s,
            u"1024x600"_s })
        || !server.run(u"xsetroot"_s, { u"-cursor_name"_s, u"left_ptr"_s })) {
        std::fprintf(stderr, "cannot arrange the monitors\n");
        return 1;
    }
    qputenv("DISPLAY", server.displayName().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    int status = 0;
    {
        QApplication app(argc, argv);
        std::unique_ptr<Platform> platform = createPlatform();
        if (!waitFor([&] { return DisplayService::connected(platform->displays()).size() == 3; })) {
            std::fprintf(stderr, "the three monitors did not appear\n");
            return 1;
        }
        const QPointF landing = DisplayService::connected(platform->displays()).at(0).bounds.center();
        status = directory.isEmpty() ? pacing(*platform, server.displayName(), landing)
                                     : screenshots(*platform, server.displayName(), landing, directory);
    }
    return status;
}
