// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/platform/wayland/SwayServer.h"
#include "tests/harness/TestFiles.h"
#include "tests/platform/wayland/PrivateCompositor.h"

#include "platform/wayland/SwayIpc.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

namespace Dartline {

namespace {

const char User[] = "dartline-wl";

const QByteArray BaseConfig = QByteArrayLiteral("xwayland enable\n"
                                                "output HEADLESS-1 mode 1920x1080 position 0 0\n");

} // namespace

SwayServer::SwayServer() = default;

SwayServer::~SwayServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    command(QStringLiteral("exit"));
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString SwayServer::runtimeDir() const
{
    return m_dir ? m_dir->path() : QString();
}

QString SwayServer::waylandSocket() const
{
    const QStringList sockets = QDir(runtimeDir()).entryList({ QStringLiteral("wayland-?") }, QDir::System);
    return sockets.isEmpty() ? QString() : runtimeDir() + QLatin1Char('/') + sockets.constFirst();
}

QString SwayServer::log() const
{
    return QString::fromLocal8Bit(readFile(runtimeDir() + QStringLiteral("/sway.log")).right(4000));
}

bool SwayServer::start(const QByteArray &config)
{
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/dartline-sway-XXXXXX"));
    const QString configPath = runtimeDir() + QStringLiteral("/config");
    if (!m_dir->isValid() || !writeFile(configPath, BaseConfig + config)) {
        m_error = QStringLiteral("cannot write %1").arg(configPath);
        return false;
    }

    QProcessEnvironment environment = PrivateCompositor::environment(runtimeDir());
    environment.insert(QStringLiteral("HOME"), runtimeDir());
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    // SIGTERM: runuser passes it on to sway.
    PrivateCompositor::prepare(m_process, environment, runtimeDir() + QStringLiteral("/sway.log"), SIGTERM);
    const QStringList swayArguments = { QStringLiteral("sway"), QStringLiteral("-c"), configPath };

    if (geteuid() == 0) {
        if (!getpwnam(User)) {
            QProcess::execute(QStringLiteral("useradd"),
                { QStringLiteral("--system"), QStringLiteral("--no-create-home"), QStringLiteral("--shell"),
                    QStringLiteral("/usr/sbin/nologin"), QLatin1String(User) });
        }
        const passwd *user = getpwnam(User);
        if (!user || chown(QFile::encodeName(runtimeDir()).constData(), user->pw_uid, user->pw_gid) != 0
            || chown(QFile::encodeName(configPath).constData(), user->pw_uid, user->pw_gid) != 0) {
            m_error = QStringLiteral("no user %1 to run sway as (sway refuses root)").arg(QLatin1String(User));
            return false;
        }
        // runuser keeps the environment; HOME must be set again after it.
        m_process.start(QStringLiteral("runuser"),
            QStringList { QStringLiteral("-u"), QLatin1String(User), QStringLiteral("--"), QStringLiteral("env"),
                QStringLiteral("HOME=") + runtimeDir() }
                + swayArguments);
    } else {
        m_process.start(swayArguments.constFirst(), swayArguments.mid(1));
    }

    const bool ready = QTest::qWaitFor(
        [this] {
            if (m_process.state() == QProcess::NotRunning)
                return true;
            const QStringList sockets
                = QDir(runtimeDir()).entryList({ QStringLiteral("sway-ipc.*.sock") }, QDir::System);
            if (sockets.isEmpty() || waylandSocket().isEmpty())
                return false;
            m_ipcSocket = runtimeDir() + QLatin1Char('/') + sockets.constFirst();
            m_ipc = std::make_unique<SwayIpc>(m_ipcSocket);
            return m_ipc->isConnected();
        },
        5000);
    if (!ready || m_process.state() == QProcess::NotRunning) {
        m_error = QStringLiteral("sway did not start:\n") + log();
        return false;
    }
    // sway hands its children the display its lazy XWayland listens on. That
    // XWayland admits only sway's user: a test running as root is let in too.
    const QString displayFile = runtimeDir() + QStringLiteral("/display");
    const QString script = runtimeDir() + QStringLiteral("/announce-display");
    if (!writeFile(script,
            (geteuid() == 0 ? "xhost +si:localuser:root >/dev/null\n" : "") + QByteArrayLiteral("echo \"$DISPLAY\" > ")
                + QFile::encodeName(displayFile) + '\n')) {
        m_error = QStringLiteral("cannot write %1").arg(script);
        return false;
    }
    command(QStringLiteral("exec sh ") + script);
    const bool announced = QTest::qWaitFor(
        [&] { return !(m_xDisplay = QString::fromLatin1(readFile(displayFile).trimmed())).isEmpty(); }, 5000);
    m_error = announced ? QString() : QStringLiteral("sway started no XWayland:\n") + log();
    return announced;
}

bool SwayServer::command(const QString &text)
{
    const std::optional<QByteArray> reply = m_ipc ? m_ipc->request(SwayIpc::RunCommands, text.toUtf8()) : std::nullopt;
    if (!reply)
        return false;
    const QJsonArray results = QJsonDocument::fromJson(*reply).array();
    for (const QJsonValue &result : results) {
        if (!result[QLatin1String("success")].toBool())
            return false;
    }
    return !results.isEmpty();
}

QString SwayServer::createOutput(const QRect &geometry, int scale)
{
    const QString name = QStringLiteral("HEADLESS-%1").arg(++m_outputs);
    if (!command(QStringLiteral("create_output"))
        || !command(QStringLiteral("output %1 mode %2x%3 scale %6 position %4 %5")
                        .arg(name)
                        .arg(geometry.width() * scale)
                        .arg(geometry.height() * scale)
                        .arg(geometry.x())
                        .arg(geometry.y())
                        .arg(scale)))
        return {};
    return name;
}

} // namespace Dartline
