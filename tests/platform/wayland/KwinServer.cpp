// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/platform/wayland/KwinServer.h"
#include "tests/harness/TestFiles.h"

#include <QStandardPaths>
#include <QTest>

namespace Dartline {

QString KwinServer::start(const QStringList &trusted, int outputs)
{
    QDir().mkpath(applicationsDir());
    for (qsizetype i = 0; i < trusted.size(); ++i)
        writeFile(applicationsDir() + QStringLiteral("/trusted-%1.desktop").arg(i),
            "[Desktop Entry]\nType=Application\nName=Trusted\nExec=" + QFile::encodeName(trusted.at(i))
                + "\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n");
    QFile::copy(QStandardPaths::findExecutable(QStringLiteral("kwin_wayland")), path(QStringLiteral("kwin_wayland")));
    QProcessEnvironment environment = PrivateCompositor::environment(dir.path());
    // Fresh settings each time: KGlobalAccel remembers shortcuts.
    for (const QString &kind : { QStringLiteral("config"), QStringLiteral("data"), QStringLiteral("cache") })
        environment.insert(QStringLiteral("XDG_%1_HOME").arg(kind.toUpper()), path(kind));
    startBus(environment);
    // KWin starts its "application" once XWayland is up: it tells the display.
    compositor.start(path(QStringLiteral("kwin_wayland")),
        QStringLiteral("--virtual --xwayland --no-lockscreen --socket=wayland --width=1280 --height=720").split(u' ')
            << QStringLiteral("--output-count=%1").arg(outputs) << QStringLiteral("sh -c 'echo $DISPLAY > display'"));
    const bool started = QTest::qWaitFor(
        [&] {
            xDisplay = QString::fromLatin1(readFile(path(QStringLiteral("display"))).trimmed());
            return !xDisplay.isEmpty() || compositor.state() == QProcess::NotRunning;
        },
        15000);
    return started && !xDisplay.isEmpty() ? QString() : QStringLiteral("KWin did not start:\n") + log();
}

} // namespace Dartline
