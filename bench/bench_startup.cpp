// SPDX-License-Identifier: GPL-3.0-or-later
// What starting Dartline costs, side by side with a minimal Qt tray program
// (minimal-tray) in the same run, on a private Xvfb with an XEmbed tray:
//
//   bench_startup [runs] [idle-seconds]     default 20 and 2
//
// Time is measured from the moment the process is started to the line the
// program prints on stderr: dartline's "hot keys registered" (the model has
// listed the displays and grabbed its shortcuts) and, for both programs,
// "launched" (the first turn of the event loop is done and the server has
// the tray icon). Memory is read from /proc after the program has idled for
// the given seconds: resident set (VmRSS) and proportional set (Pss, which
// shares the Qt libraries fairly between processes). The two programs take
// turns, so that caches and the machine's load treat them alike.
//
// The targets close the table: dartline's hot keys registered no later than
// the minimal program's icon is on the server, and dartline's resident memory
// within 1.05 times the minimal program's.

#include "tests/harness/XServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cmath>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

QTextStream out(stdout);

struct Series
{
    QList<double> values;
    double at(double p) const
    {
        if (values.isEmpty())
            return std::nan("");
        QList<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const auto rank = static_cast<qsizetype>(std::ceil(p * static_cast<double>(sorted.size()))) - 1;
        return sorted[std::clamp<qsizetype>(rank, 0, sorted.size() - 1)];
    }
};

struct Program
{
    QString name;
    QString binary;
    Series registered; // dartline only
    Series launched;
    Series rss;
    Series pss;
};

// A field of /proc/<pid>/<file> in kB, as MiB.
double procMiB(qint64 pid, const char *file, const QByteArray &field)
{
    QFile f(u"/proc/%1/%2"_s.arg(pid).arg(QLatin1String(file)));
    if (!f.open(QIODevice::ReadOnly))
        return std::nan("");
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return std::nan("");
}

bool runOnce(Program &program, const QString &display, int idleSeconds)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(u"config"_s);
    QDir(dir.path()).mkdir(u"run"_s);
    QFile::setPermissions(dir.filePath(u"run"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile ini(dir.filePath(u"config/org.dartline.Dartline.ini"_s));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write("[General]\nhasLaunched=true\n");
    ini.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, display);
    env.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
    env.insert(u"XDG_RUNTIME_DIR"_s, dir.filePath(u"run"_s));
    env.insert(u"QT_LOGGING_RULES"_s, u"*.debug=false;org.dartline.Dartline.startup.info=true"_s);
    env.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
    env.remove(u"QT_QPA_PLATFORM"_s);
    env.insert(u"QT_XCB_GL_INTEGRATION"_s, u"none"_s);

    QProcess process;
    process.setProcessEnvironment(env);
    process.setReadChannel(QProcess::StandardError);
    QElapsedTimer clock;
    clock.start();
    process.start(program.binary, {});
    QByteArray seen;
    bool registered = false;
    const QDeadlineTimer deadline(20000);
    for (;;) {
        process.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        const double now = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        seen += process.readAllStandardError();
        if (!registered && seen.contains("hot keys registered")) {
            program.registered.values.append(now);
            registered = true;
        }
        if (seen.contains(": launched")) {
            program.launched.values.append(now);
            break;
        }
        if (deadline.hasExpired() || process.state() == QProcess::NotRunning) {
            out << program.name << ": no start-up line; stderr:\n" << seen << Qt::endl;
            return false;
        }
    }

    // Idle: nothing happens on the server, the program only waits.
    QThread::sleep(static_cast<unsigned long>(idleSeconds));
    program.rss.values.append(procMiB(process.processId(), "status", "VmRSS:"));
    program.pss.values.append(procMiB(process.processId(), "smaps_rollup", "Pss:"));
    process.terminate();
    return process.waitForFinished(10000);
}

void row(const QString &label, const Series &a, const Series &b, int precision)
{
    const auto cell = [precision](const Series &s) {
        if (s.values.isEmpty())
            return u"—"_s.rightJustified(23);
        return u"%1 %2 %3"_s.arg(s.at(0.5), 7, 'f', precision)
            .arg(s.at(0.0), 7, 'f', precision)
            .arg(s.at(0.9), 7, 'f', precision);
    };
    out << label.leftJustified(34) << cell(a) << "   " << cell(b) << '\n';
}

// The median over runs of a[i] / b[i]: each run of one program is paired with
// the other's run that follows it, so a load that comes and goes during the
// benchmark weighs on both sides of a ratio alike.
Series ratios(const Series &a, const Series &b)
{
    Series r;
    for (qsizetype i = 0; i < qMin(a.values.size(), b.values.size()); ++i)
        r.values.append(a.values.at(i) / b.values.at(i));
    return r;
}

void target(const QString &label, const Series &ratio, double limit)
{
    const double median = ratio.at(0.5);
    out << label.leftJustified(48)
        << u"%1 %2 %3"_s.arg(median, 7, 'f', 2).arg(ratio.at(0.0), 7, 'f', 2).arg(ratio.at(0.9), 7, 'f', 2)
        << u"   ≤ %1  %2"_s.arg(limit, 0, 'f', 2).arg(median <= limit ? u"met"_s : u"NOT MET"_s) << '\n';
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.size() > 1 ? args.at(1).toInt() : 20;
    const int idle = args.size() > 2 ? args.at(2).toInt() : 2;

    XServer server(XServer::Kind::Xvfb, QSize(1920, 1080));
    if (const QString error = server.start(); !error.isEmpty()) {
        out << error << Qt::endl;
        return 1;
    }
    QProcess tray;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, server.displayName());
    tray.setProcessEnvironment(env);
    tray.start(u"trayer"_s, { u"--edge"_s, u"top"_s });
    if (!tray.waitForStarted(5000)) {
        out << "bench_startup: trayer is needed" << Qt::endl;
        return 1;
    }
    QThread::sleep(1); // the tray takes its selection

    Program dartline { u"dartline"_s, QStringLiteral(DARTLINE_BINARY), {}, {}, {}, {} };
    Program minimal { u"minimal-tray"_s, QStringLiteral(MINIMAL_TRAY_BINARY), {}, {}, {}, {} };
    for (int i = 0; i < runs; ++i) {
        if (!runOnce(dartline, server.displayName(), idle) || !runOnce(minimal, server.displayName(), idle))
            return 1;
    }
    tray.terminate();
    tray.waitForFinished(5000);

    out << "Start-up and idle memory, " << runs << " runs each on Xvfb 1920x1080 with trayer, idle " << idle
        << " s before reading memory\n";
    const QString columns = u"median     min     p90"_s;
    out << columns.rightJustified(34 + 23) << columns.rightJustified(3 + 23) << '\n';
    out << u"dartline"_s.rightJustified(34 + 23) << u"minimal-tray"_s.rightJustified(3 + 23) << '\n';
    row(u"to hot keys registered (ms)"_s, dartline.registered, minimal.registered, 1);
    row(u"to launched, icon on server (ms)"_s, dartline.launched, minimal.launched, 1);
    row(u"resident, VmRSS (MiB)"_s, dartline.rss, minimal.rss, 1);
    row(u"proportional, Pss (MiB)"_s, dartline.pss, minimal.pss, 1);
    out << "\nTargets: dartline over minimal-tray, run by run"
        << u"median     min     p90"_s.rightJustified(48 + 23 - 47) << "   target\n";
    target(u"hot keys registered / minimal's icon on server"_s, ratios(dartline.registered, minimal.launched), 1.0);
    target(u"resident VmRSS / minimal's"_s, ratios(dartline.rss, minimal.rss), 1.05);
    out.flush();
    return 0;
}
