// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the private compositors of the Wayland tests (sway, KWin, mutter) and their clients share.

#include <QByteArray>
#include <QDir>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <csignal>

namespace Dartline::PrivateCompositor {

// The test's environment without the session's displays and sockets, with `runtimeDir` as XDG_RUNTIME_DIR.
QProcessEnvironment environment(const QString &runtimeDir);
// `process` runs in `environment`, appends its output to `log` and gets `deathSignal` when the test ends.
void prepare(QProcess &process, const QProcessEnvironment &environment, const QString &log, int deathSignal = SIGKILL);

// A key by XKB's name ("AD01", "LCTL") in the default layout: its evdev code and its unshifted keysym ("q");
// zero and empty when the layout has no such key.
struct Key
{
    quint32 evdev = 0;
    QByteArray keysym;
};
Key defaultLayoutKey(const QByteArray &name);

// A compositor run as the test's user in a runtime directory of its own, with a session bus of its own and
// maybe PipeWire; all log to path("log"), and are killed at the end.
struct Session
{
    explicit Session(const QString &name)
        : dir(QDir::tempPath() + QStringLiteral("/dartline-%1-XXXXXX").arg(name))
    { }
    ~Session();
    Q_DISABLE_COPY_MOVE(Session)

    QTemporaryDir dir;
    QProcess bus, pipewire, compositor;
    QString xDisplay; // XWayland's, once started

    QString path(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }
    QString busAddress() const { return QStringLiteral("unix:path=") + path(QStringLiteral("bus")); }
    QString log() const;
    // Readies the processes in `environment` with the bus's address, and starts the bus.
    void startBus(QProcessEnvironment environment);
};

} // namespace Dartline::PrivateCompositor
