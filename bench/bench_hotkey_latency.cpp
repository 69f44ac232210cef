// SPDX-License-Identifier: GPL-3.0-or-later
// How fast a hot key moves the pointer, on a private Xorg with two monitors:
// the dartline program against a key-binding daemon (sxhkd) that runs
// `xdotool mousemove` for the same keys; then what an idle dartline costs.
//
//   bench_hotkey_latency [presses] [idle-seconds]     default 500 and 30
//
// Latency runs from the XTEST key press (Alt held, the digit pressed) to the
// moment the pointer reads back at the target monitor's centre; the presses
// alternate between Alt+1 and Alt+2, back to back, so that with the pulse on
// each press meets the previous jump's pulse; a short run with presses a
// second apart shows the single press. Also printed: what X11KeyboardPlatform's
// printedText() costs per call, which compiles the server's keymap each time.

#include "platform/x11/X11KeyboardPlatform.h"
#include "tests/harness/XServer.h"
#include "tests/harness/XTestClient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <unistd.h>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

QTextStream out(stdout);
constexpr int IsolatedPresses = 20;

struct Target
{
    QString key;
    QPoint centre;
};
const Target targets[] = { { u"1"_s, QPoint(512, 384) }, { u"2"_s, QPoint(1024 + 512, 384) } };

struct Latencies
{
    QList<double> millis; // sorted
    int timeouts = 0;
    double percentile(double p) const
    {
        if (millis.isEmpty())
            return std::nan("");
        const auto rank = static_cast<qsizetype>(std::ceil(p * static_cast<double>(millis.size()))) - 1;
        return millis[std::clamp<qsizetype>(rank, 0, millis.size() - 1)];
    }
};

bool pointerReaches(XTestClient &input, QPoint target, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (input.pointer() == std::optional<QPoint>(target))
            return true;
    }
    return false;
}

// Presses Alt+1 until the pointer jumps: the program has grabbed its keys.
bool waitUntilReady(XTestClient &input, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        input.movePointer(QPoint(5, 5));
        input.pressKey(u"Alt_L"_s);
        input.tapKey(targets[0].key);
        input.releaseKey(u"Alt_L"_s);
        if (pointerReaches(input, targets[0].centre, 100))
            return true;
    }
    return false;
}

Latencies measure(XTestClient &input, int presses, unsigned long gapMs = 0)
{
    Latencies result;
    const quint8 alt = input.keycodeOf(u"Alt_L"_s).value_or(0);
    const quint8 digits[]
        = { input.keycodeOf(targets[0].key).value_or(0), input.keycodeOf(targets[1].key).value_or(0) };
    input.movePointer(targets[1].centre);
    for (int i = 0; i < presses; ++i) {
        const int which = i % 2;
        if (gapMs)
            QThread::msleep(gapMs);
        input.pressKey(alt);
        QElapsedTimer timer;
        timer.start();
        input.pressKey(digits[which]);
        if (pointerReaches(input, targets[which].centre, 2000))
            result.millis.append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        else
            ++result.timeouts;
        input.releaseKey(digits[which]);
        input.releaseKey(alt);
        if (result.timeouts)
            input.movePointer(targets[1 - which].centre);
    }
    std::sort(result.millis.begin(), result.millis.end());
    return result;
}

// utime + stime of a process, in seconds.
double cpuSeconds(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nan("");
    const QByteArray text = stat.readAll();
    // The fields after the command name, which may itself hold spaces.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return std::nan("");
    const double ticks = fields[11].toDouble() + fields[12].toDouble();
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double residentMiB(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return std::nan("");
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return std::nan("");
}

void printLatencies(const char *who, const Latencies &l)
{
    out << Qt::left << qSetFieldWidth(31) << who << qSetFieldWidth(0) << Qt::fixed << qSetRealNumberPrecision(3)
        << "p50 " << l.percentile(0.5) << " ms   p99 " << l.percentile(0.99) << " ms   max "
        << (l.millis.isEmpty() ? std::nan("") : l.millis.last()) << " ms   (" << l.millis.size() << " presses";
    if (l.timeouts)
        out << ", " << l.timeouts << " without a jump";
    out << ")\n";
    out.flush();
}

bool stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        return process.waitForFinished(5000);
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    const int presses = argc > 1 ? std::max(2, QByteArray(argv[1]).toInt()) : 500;
    const int idleSeconds = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 30;

    XServer server(XServer::Kind::Xorg);
    if (const QString error = server.start(); !error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    qputenv("DISPLAY", server.displayName().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (!server.xrandr({ u"--output"_s, u"DUMMY1"_s, u"--mode"_s, u"1024x768"_s, u"--right-of"_s, u"DUMMY0"_s })) {
        std::fprintf(stderr, "cannot add the second monitor\n");
        return 1;
    }
    XTestClient input(server.displayName());

    out << "Private Xorg " << server.displayName() << ", two 1024x768 monitors, " << presses
        << " presses alternating Alt+1 / Alt+2\n\n";

    // A fresh user: empty settings (so Alt+1 and Alt+2 are suggested), past the
    // first launch, with a runtime directory of its own.
    QTemporaryDir home;
    const QString config = home.filePath(u"config"_s);
    const QString runtime = home.filePath(u"runtime"_s);
    QDir().mkpath(config);
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, server.displayName());
    env.insert(u"XDG_CONFIG_HOME"_s, config);
    env.insert(u"XDG_RUNTIME_DIR"_s, runtime);
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    env.insert(u"SHELL"_s, u"/bin/sh"_s);
    env.insert(u"QT_LOGGING_RULES"_s, u"*.info=false"_s);

    // Back-to-back presses land while the previous jump's pulse still runs;
    // without it, the figure is the hot-key path alone. The two alternate over
    // a few rounds, so that the machine's own drift falls on both alike.
    constexpr int Rounds = 3;
    Latencies ours;
    Latencies pulsing;
    double rss = 0;
    double idleCpu = 0;
    for (int round = 0; round < Rounds; ++round) {
        for (const bool pulse : { true, false }) {
            QSettings store(config + u"/org.dartline.Dartline.ini"_s, QSettings::IniFormat);
            store.clear();
            store.setValue(u"hasLaunched"_s, true);
            store.setValue(u"animateCursor"_s, pulse);
            store.sync();

            QProcess dartline;
            dartline.setProcessEnvironment(env);
            dartline.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            dartline.start(QStringLiteral(DARTLINE_BINARY), {});
            if (!dartline.waitForStarted() || !waitUntilReady(input, 20000)) {
                std::fprintf(stderr, "dartline did not start jumping\n");
                return 1;
            }
            if (pulse && round == 0) {
                rss = residentMiB(dartline.processId());
                QThread::sleep(1); // the pulse of the first jump ends
                const double cpuBefore = cpuSeconds(dartline.processId());
                QThread::sleep(static_cast<unsigned long>(idleSeconds)); // idle on purpose: nothing is pressed
                idleCpu = cpuSeconds(dartline.processId()) - cpuBefore;
            }
            Latencies &pooled = pulse ? pulsing : ours;
            const Latencies measured = measure(input, presses);
            pooled.millis.append(measured.millis);
            pooled.timeouts += measured.timeouts;
            if (pulse && round == 0) {
                // A single press, as a person makes it: no pulse running yet.
                printLatencies("dartline, pulse on, 1 s apart", measure(input, IsolatedPresses, 1000));
            }
            stop(dartline);
        }
    }
    std::sort(pulsing.millis.begin(), pulsing.millis.end());
    std::sort(ours.millis.begin(), ours.millis.end());
    printLatencies("dartline, pulse on", pulsing);
    printLatencies("dartline, pulse off", ours);

    Latencies daemon;
    const QString sxhkd = QStandardPaths::findExecutable(u"sxhkd"_s);
    if (sxhkd.isEmpty()) {
        out << "sxhkd                          not installed; skipped\n";
    } else {
        QFile bindings(home.filePath(u"sxhkdrc"_s));
        bindings.open(QIODevice::WriteOnly);
        for (const Target &target : targets) {
            bindings.write(u"alt + %1\n    xdotool mousemove %2 %3\n"_s.arg(target.key)
                               .arg(target.centre.x())
                               .arg(target.centre.y())
                               .toUtf8());
        }
        bindings.close();
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(sxhkd, { u"-c"_s, bindings.fileName() });
        if (process.waitForStarted() && waitUntilReady(input, 20000)) {
            daemon = measure(input, presses);
            printLatencies("sxhkd + xdotool mousemove", daemon);
        } else {
            out << "sxhkd                          did not start jumping; skipped\n";
        }
        stop(process);
    }
    // A press that meets the previous jump's pulse should cost little more
    // than one without any pulse.
    if (!pulsing.millis.isEmpty() && !ours.millis.isEmpty()) {
        const double ratio = pulsing.percentile(0.5) / ours.percentile(0.5);
        out << Qt::fixed << qSetRealNumberPrecision(2) << "\npulse on / pulse off           p50 " << ratio
            << "x   (target <= 1.20x: " << (ratio <= 1.2 ? "met" : "missed") << ")   p99 "
            << pulsing.percentile(0.99) / ours.percentile(0.99) << "x\n";
    }
    if (!daemon.millis.isEmpty() && !ours.millis.isEmpty()) {
        out << Qt::fixed << qSetRealNumberPrecision(1) << "\nsxhkd / dartline, pulse off    p50 "
            << daemon.percentile(0.5) / ours.percentile(0.5) << "x   p99 "
            << daemon.percentile(0.99) / ours.percentile(0.99) << "x\n";
    }

    out << Qt::fixed << qSetRealNumberPrecision(1) << "\ndartline resident memory after start: " << rss << " MiB\n"
        << qSetRealNumberPrecision(3) << "dartline idle CPU over " << idleSeconds << " s: " << idleCpu << " s ("
        << qSetRealNumberPrecision(3) << 100.0 * idleCpu / idleSeconds << " %)\n";

    // The label of a key compiles the keymap anew on every call.
    X11KeyboardPlatform keyboard;
    constexpr int Labels = 200;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Labels; ++i)
        keyboard.printedText(12);
    out << qSetRealNumberPrecision(3)
        << "printedText() per call: " << static_cast<double>(timer.nsecsElapsed()) / 1e6 / Labels << " ms\n";
    return 0;
}
