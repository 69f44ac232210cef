// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A private X server for tests that need a real window system.
//
//   #include "X11TestMain.h"
//   class TestFoo : public QObject { ... };
//   DARTLINE_X11_TEST_MAIN(TestFoo)                       // Xorg, dummy driver
//   DARTLINE_X11_TEST_MAIN_WITH(TestFoo, XServer::Kind::Xvfb)
//
// The main macro starts the server before the application object exists,
// points DISPLAY at it, forces QT_QPA_PLATFORM=xcb, then creates
// QApplication (QGuiApplication when the test does not link Qt Widgets) and
// runs QTest::qExec. Inside a test, XServer::current() is that server.
//
// XServer
//   XServer(kind, size)   not started yet; size is the first monitor's mode
//   start()               false on failure, errorString() says why (with the
//                         tail of the server's own log)
//   stop()                also done by the destructor; the server also dies
//                         with the test process
//   displayName()         ":N"
//   run(program, args)    runs a client against this server, bounded by a
//                         deadline; xrandr(), xdotool(), setxkbmap() wrap it
//   resetOutputs()        back to the starting layout: Xorg: DUMMY0 alone at
//                         +0+0 with the starting mode, primary, no EDIDs;
//                         Xvfb: only the automatic monitor
//   setEdid(output, bytes) sets (empty: removes) the output's "EDID"
//                         property, as a kernel driver would
//   outputNames()         the RandR outputs of the server
//
// Kind::Xorg runs the dummy video driver (0.4.x): sixteen RandR outputs
// DUMMY0…DUMMY15 with real CRTCs, all connected, only DUMMY0 switched on.
// All outputs carry the modes in standardModes(), so
//   xrandr({"--output", "DUMMY1", "--mode", "1024x768", "--left-of", "DUMMY0"})
// works directly; --same-as gives mirror pairs and --off turns a monitor off
// (the output stays connected, without a CRTC).
//
// Kind::Xvfb has a single output "screen"; `xrandr --setmonitor` adds virtual
// monitors without outputs.
//
// TestEdid (TestEdid.h) builds a valid 128-byte EDID block from vendor,
// product, serial, name and serial string. XTestClient (XTestClient.h) is a
// second connection that presses keys and buttons through XTEST (keys by
// keycode or keysym name), moves and reads the pointer and toggles Num Lock /
// Caps Lock.

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>
#include <sys/types.h>

class QTemporaryDir;
struct xcb_connection_t;

namespace Dartline {

class XServer
{
public:
    enum class Kind { Xorg, Xvfb };

    explicit XServer(Kind kind = Kind::Xorg, QSize size = QSize(1024, 768));
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    bool start();
    void stop();
    bool isRunning() const;

    Kind kind() const { return m_kind; }
    QSize size() const { return m_size; }
    int displayNumber() const { return m_number; }
    QString displayName() const;
    QString errorString() const { return m_error; }

    bool run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr,
        int timeoutMs = 10000) const;
    bool xrandr(const QStringList &arguments, QByteArray *output = nullptr) const;
    bool xdotool(const QStringList &arguments, QByteArray *output = nullptr) const;
    bool setxkbmap(const QStringList &arguments) const;

    bool resetOutputs();
    bool setEdid(const QString &output, const QByteArray &edid);
    QStringList outputNames() const;

    static QStringList standardModes();

    // The server of the running test executable, set by the main macro.
    static XServer *current();
    static void setCurrent(XServer *server);

private:
    bool writeXorgConfig();
    bool launch(int number);
    bool waitForConnection();
    bool connectOutputs();
    QString diagnostics() const;

    Kind m_kind;
    QSize m_size;
    int m_number = -1;
    pid_t m_pid = -1;
    QString m_error;
    std::unique_ptr<QTemporaryDir> m_dir;
    xcb_connection_t *m_connection = nullptr;
};

} // namespace Dartline
