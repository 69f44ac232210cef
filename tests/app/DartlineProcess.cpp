// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/app/DartlineProcess.h"

#include "tests/harness/XServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

namespace Dartline {

using namespace Qt::StringLiterals;

DartlineProcess::DartlineProcess()
    : m_environment(QProcessEnvironment::systemEnvironment())
{
    QDir dir(m_dir.path());
    dir.mkdir(u"config"_s);
    dir.mkdir(u"run"_s);
    QFile::setPermissions(dir.filePath(u"run"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_environment.insert(u"DISPLAY"_s, XServer::current()->displayName());
    m_environment.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
    m_environment.insert(u"XDG_RUNTIME_DIR"_s, runtimeDirectory());
    m_environment.insert(u"QT_LOGGING_RULES"_s, u"*.debug=false;org.dartline.Dartline.startup.info=true"_s);
    // No session bus unless the test gives one: the tray is the XEmbed one.
    m_environment.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
    m_environment.remove(u"QT_QPA_PLATFORM"_s);
}

DartlineProcess::~DartlineProcess()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

QString DartlineProcess::configPath(const QString &name) const
{
    return m_dir.filePath(u"config/"_s + name);
}

QString DartlineProcess::runtimeDirectory() const
{
    return m_dir.filePath(u"run"_s);
}

bool DartlineProcess::writeStore(const QByteArray &general)
{
    QFile ini(configPath(u"org.dartline.Dartline.ini"_s));
    return ini.open(QIODevice::WriteOnly) && ini.write("[General]\n" + general) > 0;
}

void DartlineProcess::start(const QStringList &arguments)
{
    m_seen.clear();
    m_process = std::make_unique<QProcess>();
    m_process->setProcessEnvironment(m_environment);
    m_process->setReadChannel(QProcess::StandardError);
    m_process->start(QStringLiteral(DARTLINE_BINARY), arguments);
}

bool DartlineProcess::waitForLaunched(int timeoutMs)
{
    return waitForLine("org.dartline.Dartline.startup: launched", timeoutMs);
}

bool DartlineProcess::waitForLine(const QByteArray &line, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        m_seen += m_process->readAllStandardError();
        if (m_seen.split('\n').contains(line))
            return true;
        if (deadline.hasExpired() || m_process->state() == QProcess::NotRunning)
            return false;
        // In short steps, serving the test's own events between them: the
        // program may be waiting for an answer from an object of the test.
        m_process->waitForReadyRead(static_cast<int>(qBound(qint64(1), deadline.remainingTime(), qint64(20))));
        QCoreApplication::processEvents();
    }
}

QByteArray DartlineProcess::standardError()
{
    m_seen += m_process->readAllStandardError();
    return m_seen;
}

} // namespace Dartline
