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

#include <algorithm>
#include <pwd.h>
#include <unistd.h>

namespace Dartline {

using namespace Qt::StringLiterals;

SwayServer::SwayServer() = default;

SwayServer::~SwayServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    command(u"exit"_s);
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
    const QStringList sockets = QDir(runtimeDir()).entryList({ u"wayland-?"_s }, QDir::System);
    return sockets.isEmpty() ? QString() : runtimeDir() + u'/' + sockets.constFirst();
}

QString SwayServer::log() const
{
    return QString::fromLocal8Bit(readFile(runtimeDir() + u"/sway.log"_s).right(4000));
}

bool SwayServer::start(const QByteArray &config)
{
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + u"/dartline-sway-XXXXXX"_s);
    const QString configPath = runtimeDir() + u"/config"_s;
    if (!m_dir->isValid()
        || !writeFile(configPath, "xwayland enable\noutput HEADLESS-1 mode 1920x1080 position 0 0\n" + config)) {
        m_error = u"cannot write "_s + configPath;
        return false;
    }
    QProcessEnvironment environment = PrivateCompositor::environment(runtimeDir());
    environment.insert(u"HOME"_s, runtimeDir());
    environment.insert(u"WLR_BACKENDS"_s, u"headless"_s);
    environment.insert(u"WLR_RENDERER"_s, u"pixman"_s);
    environment.insert(u"WLR_LIBINPUT_NO_DEVICES"_s, u"1"_s);
    // SIGTERM: runuser passes it on to sway.
    PrivateCompositor::prepare(m_process, environment, runtimeDir() + u"/sway.log"_s, SIGTERM);
    const QStringList sway { u"sway"_s, u"-c"_s, configPath };
    if (geteuid() == 0) {
        const char user[] = "dartline-wl";
        if (!getpwnam(user))
            QProcess::execute(
                u"useradd"_s, u"--system --no-create-home --shell /usr/sbin/nologin dartline-wl"_s.split(u' '));
        const passwd *owner = getpwnam(user);
        if (!owner || chown(QFile::encodeName(runtimeDir()).constData(), owner->pw_uid, owner->pw_gid) != 0
            || chown(QFile::encodeName(configPath).constData(), owner->pw_uid, owner->pw_gid) != 0) {
            m_error = u"no user dartline-wl to run sway as (sway refuses root)"_s;
            return false;
        }
        // runuser keeps the environment; HOME must be set again after it.
        m_process.start(u"runuser"_s,
            QStringList { u"-u"_s, u"dartline-wl"_s, u"--"_s, u"env"_s, u"HOME="_s + runtimeDir() } + sway);
    } else {
        m_process.start(sway.constFirst(), sway.mid(1));
    }

    const bool ready = QTest::qWaitFor(
        [this] {
            if (m_process.state() == QProcess::NotRunning)
                return true;
            const QStringList sockets = QDir(runtimeDir()).entryList({ u"sway-ipc.*.sock"_s }, QDir::System);
            if (sockets.isEmpty() || waylandSocket().isEmpty())
                return false;
            m_ipcSocket = runtimeDir() + u'/' + sockets.constFirst();
            m_ipc = std::make_unique<SwayIpc>(m_ipcSocket);
            return m_ipc->isConnected();
        },
        5000);
    if (!ready || m_process.state() == QProcess::NotRunning) {
        m_error = u"sway did not start:\n"_s + log();
        return false;
    }
    // sway hands its children the display its lazy XWayland listens on. That
    // XWayland admits only sway's user: a test running as root is let in too.
    const QString displayFile = runtimeDir() + u"/display"_s, script = runtimeDir() + u"/announce-display"_s;
    if (!writeFile(script,
            (geteuid() == 0 ? "xhost +si:localuser:root >/dev/null\n" : "") + "echo \"$DISPLAY\" > "_ba
                + QFile::encodeName(displayFile) + '\n')) {
        m_error = u"cannot write "_s + script;
        return false;
    }
    command(u"exec sh "_s + script);
    const bool announced = QTest::qWaitFor(
        [&] { return !(m_xDisplay = QString::fromLatin1(readFile(displayFile).trimmed())).isEmpty(); }, 5000);
    m_error = announced ? QString() : u"sway started no XWayland:\n"_s + log();
    return announced;
}

bool SwayServer::command(const QString &text)
{
    const std::optional<QByteArray> reply = m_ipc ? m_ipc->request(SwayIpc::RunCommands, text.toUtf8()) : std::nullopt;
    const QJsonArray results = reply ? QJsonDocument::fromJson(*reply).array() : QJsonArray();
    return !results.isEmpty()
        && std::all_of(results.begin(), results.end(), [](const QJsonValue &r) { return r[u"success"_s].toBool(); });
}

QString SwayServer::createOutput(const QRect &geometry, int scale)
{
    const QString name = u"HEADLESS-%1"_s.arg(++m_outputs);
    return command(u"create_output"_s)
            && command(QString::asprintf("output %s mode %dx%d scale %d position %d %d", qPrintable(name),
                geometry.width() * scale, geometry.height() * scale, scale, geometry.x(), geometry.y()))
        ? name
        : QString();
}

} // namespace Dartline
