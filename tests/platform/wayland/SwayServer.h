// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A private headless sway (pixman renderer, no input devices, HEADLESS-1 at 1920x1080, lazy XWayland).
// sway refuses root, so under root it runs as the system user "dartline-wl" (made on first use) in a
// runtime directory only that user may enter; root's clients reach its sockets anyway.

#include <QByteArray>
#include <QProcess>
#include <QRect>
#include <QString>

#include <memory>

class QTemporaryDir;

namespace Dartline {

class SwayIpc;

class SwayServer
{
public:
    SwayServer();
    ~SwayServer();
    Q_DISABLE_COPY_MOVE(SwayServer)

    // Starts sway with `config` added to the base configuration; false on
    // failure, and errorString() then says why, with sway's log.
    bool start(const QByteArray &config = {});
    QString errorString() const { return m_error; }

    QString waylandSocket() const; // absolute path
    QString ipcSocket() const { return m_ipcSocket; }
    QString runtimeDir() const;
    // XWayland's display (":1"); it starts on the first connection.
    QString xDisplay() const { return m_xDisplay; }

    // Runs one sway command through IPC; true when every part succeeded.
    bool command(const QString &text);
    // Adds a headless output showing `geometry` of the layout at `scale`;
    // returns its name, or empty when sway refused.
    QString createOutput(const QRect &geometry, int scale = 1);

private:
    QString log() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_process;
    QString m_ipcSocket;
    QString m_xDisplay;
    QString m_error;
    std::unique_ptr<SwayIpc> m_ipc;
    int m_outputs = 1;
};

} // namespace Dartline
