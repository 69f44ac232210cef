// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A private X server for the tests that need a real window system; X11TestMain.h starts it.
// Kind::Xorg runs the dummy video driver: RandR outputs DUMMY0…DUMMY15 with real CRTCs, all
// connected and carrying the modes 1024x768, 1280x1024, 1920x1080, 800x600, 1280x720, 1600x900 and
// 640x480; only DUMMY0 is on. `xrandr --output DUMMY1 --mode 800x600 --left-of DUMMY0` works
// directly, --same-as makes a mirror pair, --off switches a monitor off (it stays connected).
// Kind::Xvfb has one output, "screen"; `xrandr --setmonitor` adds virtual monitors without outputs.
// resetOutputs() goes back to the start and drops the EDIDs and the monitors a client set up.

#include <QByteArray>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QTemporaryDir;
struct xcb_connection_t;

namespace Dartline {

class XServer
{
public:
    enum class Kind { Xorg, Xvfb };

    // `screen` is Xvfb's size (Xorg's first monitor is 1024x768); tests get theirs from exec().
    explicit XServer(Kind kind, QSize screen = QSize(1024, 768));
    ~XServer();
    Q_DISABLE_COPY_MOVE(XServer)
    QString start(); // empty, or what went wrong with the server's log

    QString displayName() const { return QStringLiteral(":%1").arg(m_number); }

    // Runs a client against this server, bounded by a deadline.
    bool run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr) const;
    bool xrandr(const QStringList &arguments, QByteArray *output = nullptr) const
    {
        return run(QStringLiteral("xrandr"), arguments, output);
    }
    bool xdotool(const QStringList &arguments, QByteArray *output = nullptr) const
    {
        return run(QStringLiteral("xdotool"), arguments, output);
    }
    bool setxkbmap(const QStringList &arguments) const { return run(QStringLiteral("setxkbmap"), arguments); }

    bool resetOutputs();
    bool setEdid(const QString &output, const QByteArray &edid); // empty: removes it
    quint32 outputId(const QString &output) const; // RandR's, XCB_NONE if there is no such output

    // Starts a server, points DISPLAY at it and runs the test; the server outlives the application.
    static int exec(Kind kind, const std::function<int()> &test);
    // The server of the running test executable.
    static XServer *current() { return s_current; }

private:
    bool launch();

    Kind m_kind;
    QSize m_screen;
    int m_number = -1;
    std::unique_ptr<QProcess> m_process;
    std::unique_ptr<QTemporaryDir> m_dir;
    xcb_connection_t *m_connection = nullptr;
    static inline XServer *s_current = nullptr;
};

} // namespace Dartline
