// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/platform/wayland/KwinServer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

namespace Dartline {

QString KwinServer::start(const QStringList &trusted, int outputs)
{
    QDir().mkpath(applicationsDir());
    for (qsizetype i = 0; i < trusted.size(); ++i) {
        QFile desktop(applicationsDir() + QStringLiteral("/trusted-%1.desktop").arg(i));
        if (desktop.open(QIODevice::WriteOnly))
            desktop.write("[Desktop Entry]\nType=Application\nName=Trusted\nExec=" + QFile::encodeName(trusted.at(i))
                + "\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n");
    }
    QFile::copy(QStandardPaths::findExecutable(QStringLiteral("kwin_wayland")), path(QStringLiteral("kwin_wayland")));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "DISPLAY", "SWAYSOCK", "I3SOCK" })
        environment.remove(QLatin1String(name));
    // Fresh settings each time: KGlobalAccel remembers shortcuts.
    for (const QString &kind : { QStringLiteral("config"), QStringLiteral("data"), QStringLiteral("cache") })
        environment.insert(QStringLiteral("XDG_%1_HOME").arg(kind.toUpper()), path(kind));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress());
    for (QProcess *process : { &bus, &kwin }) {
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(dir.path());
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->setStandardOutputFile(path(QStringLiteral("log")), QIODevice::Append);
        process->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    }
    bus.start(QStringLiteral("dbus-daemon"),
        { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--address=") + busAddress() });
    // KWin starts its "application" once XWayland is up: it tells the display.
    kwin.start(path(QStringLiteral("kwin_wayland")),
        { QStringLiteral("--virtual"), QStringLiteral("--xwayland"), QStringLiteral("--no-lockscreen"),
            QStringLiteral("--socket=wayland"), QStringLiteral("--width=1280"), QStringLiteral("--height=720"),
            QStringLiteral("--output-count=%1").arg(outputs), QStringLiteral("sh -c 'echo $DISPLAY > display'") });
    QFile display(path(QStringLiteral("display"))), log(path(QStringLiteral("log")));
    const bool started
        = QTest::qWaitFor([&] { return display.size() > 0 || kwin.state() == QProcess::NotRunning; }, 15000);
    if (started && display.open(QIODevice::ReadOnly)
        && !(xDisplay = QString::fromLatin1(display.readAll().trimmed())).isEmpty())
        return {};
    return QStringLiteral("KWin did not start:\n")
        + (log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString());
}

KwinServer::~KwinServer()
{
    // On SIGTERM KWin 5.27 may wait for XWayland while XWayland waits for it; XWayland ends with KWin anyway.
    kwin.kill();
    kwin.waitForFinished();
    bus.kill();
    bus.waitForFinished();
}

} // namespace Dartline
