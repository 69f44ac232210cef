// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/platform/wayland/PrivateCompositor.h"

#include "tests/harness/TestFiles.h"

#include <sys/prctl.h>
#include <xkbcommon/xkbcommon.h>

namespace Dartline::PrivateCompositor {

QProcessEnvironment environment(const QString &runtimeDir)
{
    QProcessEnvironment result = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "DISPLAY", "XAUTHORITY", "SWAYSOCK", "I3SOCK" })
        result.remove(QLatin1String(name));
    result.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    return result;
}

void prepare(QProcess &process, const QProcessEnvironment &environment, const QString &log, int deathSignal)
{
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardOutputFile(log, QIODevice::Append);
    process.setChildProcessModifier([deathSignal] { prctl(PR_SET_PDEATHSIG, deathSignal); });
}

Session::~Session()
{
    // On SIGTERM KWin 5.27 may wait for XWayland while XWayland waits for it; XWayland ends with its compositor.
    for (QProcess *process : { &compositor, &pipewire, &bus }) {
        process->kill();
        process->waitForFinished();
    }
}

QString Session::log() const
{
    return QString::fromLocal8Bit(readFile(path(QStringLiteral("log"))));
}

void Session::startBus(QProcessEnvironment environment)
{
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress());
    for (QProcess *process : { &bus, &pipewire, &compositor }) {
        prepare(*process, environment, path(QStringLiteral("log")));
        process->setWorkingDirectory(dir.path());
    }
    bus.start(QStringLiteral("dbus-daemon"),
        { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--address=") + busAddress() });
}

Key defaultLayoutKey(const QByteArray &name)
{
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap *keymap = xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
    const xkb_keycode_t keycode = xkb_keymap_key_by_name(keymap, name.constData());
    const xkb_keysym_t *symbols = nullptr;
    char symbol[64] = {};
    if (keycode != XKB_KEYCODE_INVALID && xkb_keymap_key_get_syms_by_level(keymap, keycode, 0, 0, &symbols) > 0)
        xkb_keysym_get_name(symbols[0], symbol, sizeof symbol);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    // evdev's codes are XKB's less 8.
    return keycode == XKB_KEYCODE_INVALID ? Key {} : Key { keycode - 8, QByteArray(symbol) };
}

} // namespace Dartline::PrivateCompositor
