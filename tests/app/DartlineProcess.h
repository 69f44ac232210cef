// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace Dartline {

// The dartline program as a user starts it, with config and runtime
// directories of its own, on the test's X server. Its milestones
// ("…startup: launched") are read from standard error.
class DartlineProcess
{
public:
    DartlineProcess();
    ~DartlineProcess();
    DartlineProcess(const DartlineProcess &) = delete;
    DartlineProcess &operator=(const DartlineProcess &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString configPath(const QString &name) const; // a file in the config directory
    QString runtimeDirectory() const;
    // Written before start: the INI file's [General] section.
    bool writeStore(const QByteArray &general);

    QProcessEnvironment &environment() { return m_environment; }
    void start(const QStringList &arguments = {});
    // Waits for the start-up to finish: hot keys registered, tray and windows
    // on the server.
    bool waitForLaunched(int timeoutMs = 20000);
    bool waitForLine(const QByteArray &line, int timeoutMs);
    QByteArray standardError();

    QProcess &process() { return *m_process; }
    qint64 pid() const { return m_process ? m_process->processId() : 0; }

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_environment;
    std::unique_ptr<QProcess> m_process;
    QByteArray m_seen;
};

} // namespace Dartline
