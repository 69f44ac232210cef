// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tests/harness/TestFiles.h"
#include "tests/harness/XServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

namespace Dartline {

using namespace Qt::StringLiterals;

// The dartline program on the test's X server, with config and runtime directories of its own or of
// another copy (the same user); its milestones ("…startup: launched") are read from standard error.
class DartlineProcess
{
public:
    explicit DartlineProcess(const QProcessEnvironment *sameUser = nullptr)
        : environment(sameUser ? *sameUser : QProcessEnvironment::systemEnvironment())
    {
        const QString run = m_dir.filePath(u"run"_s);
        if (sameUser)
            return;
        QDir().mkdir(run);
        QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment.insert(u"XDG_CONFIG_HOME"_s, m_dir.path());
        environment.insert(u"XDG_RUNTIME_DIR"_s, run);
        environment.insert(u"QT_LOGGING_RULES"_s, u"org.dartline.Dartline.startup.info=true"_s);
        // No session bus unless the test gives one: the tray is the XEmbed one.
        environment.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
        environment.remove(u"QT_QPA_PLATFORM"_s);
    }
    ~DartlineProcess()
    {
        process.kill();
        process.waitForFinished(5000);
    }

    // In a Wayland session: the compositor's socket, XWayland's display and the session's bus.
    void joinSession(const QString &wayland, const QString &display, const QString &busAddress)
    {
        environment.insert(u"WAYLAND_DISPLAY"_s, wayland);
        environment.insert(u"DISPLAY"_s, display);
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, busAddress);
    }

    QString storePath() const { return environment.value(u"XDG_CONFIG_HOME"_s) + u"/org.dartline.Dartline.ini"_s; }
    QString runtimeDirectory() const { return environment.value(u"XDG_RUNTIME_DIR"_s); }
    // Written before start: the INI file's [General] section; by default, launched before and without the pulse.
    bool writeStore(const QByteArray &general = "hasLaunched=true\nanimateCursor=false\n")
    {
        return writeFile(storePath(), "[General]\n" + general);
    }
    void start(const QStringList &arguments = {})
    {
        process.setProcessEnvironment(environment);
        process.setReadChannel(QProcess::StandardError);
        process.start(QStringLiteral(DARTLINE_BINARY), arguments);
    }
    QByteArray standardError() { return m_seen += process.readAllStandardError(); }
    bool waitForLine(const QByteArray &line = "org.dartline.Dartline.startup: launched")
    {
        for (const QDeadlineTimer deadline(20000); !standardError().split('\n').contains(line);) {
            if (deadline.hasExpired() || process.state() == QProcess::NotRunning)
                return false;
            // Serving the test's events: the program may be waiting for an object of the test.
            process.waitForReadyRead(20);
            QCoreApplication::processEvents();
        }
        return true;
    }
    // Ends, normally and with status 0, within the time given.
    bool ends(int timeoutMs = 5000)
    {
        return process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    }

    QProcessEnvironment environment;
    QProcess process;

private:
    QTemporaryDir m_dir;
    QByteArray m_seen;
};

// A program the test runs beside dartline (window manager, panel, bus), ended with the test.
struct Companion : QProcess
{
    ~Companion() override
    {
        terminate();
        waitForFinished(5000);
    }
};

// A session bus of the test's own; its address is empty when dbus-daemon did not start.
struct SessionBus : Companion
{
    SessionBus()
    {
        start(u"dbus-daemon"_s, { u"--session"_s, u"--nofork"_s, u"--print-address"_s });
        while (!canReadLine() && waitForReadyRead(5000)) { }
        address = QString::fromLatin1(readLine().trimmed());
    }
    QString address;
};

// Where a window of WM_CLASS `wmClass` sits inside another client's window (an XEmbed tray docked it).
inline std::optional<QRect> dockedIcon(const QString &wmClass = u"Dartline"_s)
{
    xcb_connection_t *c = xcb_connect(XServer::current()->displayName().toLatin1().constData(), nullptr);
    const auto reply = [](auto *p) {
        return std::unique_ptr<std::remove_pointer_t<decltype(p)>, decltype(&std::free)>(p, &std::free);
    };
    const auto property = [&](xcb_window_t window, xcb_atom_t name) {
        const auto value
            = reply(xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, XCB_ATOM_ANY, 0, 256), nullptr));
        return value ? QByteArray(static_cast<const char *>(xcb_get_property_value(value.get())),
                   xcb_get_property_value_length(value.get()))
                     : QByteArray();
    };
    const auto children = [&](xcb_window_t window) {
        const auto tree = reply(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        const xcb_window_t *first = tree ? xcb_query_tree_children(tree.get()) : nullptr;
        return tree ? QList<xcb_window_t>(first, first + xcb_query_tree_children_length(tree.get()))
                    : QList<xcb_window_t>();
    };
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const auto wmState = reply(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 8, "WM_STATE"), nullptr));
    std::optional<QRect> found;
    // Below the top level; managed windows in a window manager's frames carry WM_STATE.
    for (QList<xcb_window_t> pending = children(root); !found && wmState && !pending.isEmpty();) {
        for (const xcb_window_t window : children(pending.takeFirst())) {
            pending.append(window);
            if (!property(window, XCB_ATOM_WM_CLASS).split('\0').contains(wmClass.toUtf8())
                || !property(window, wmState->atom).isEmpty())
                continue;
            const auto geometry = reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
            const auto origin
                = reply(xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr));
            if (geometry && origin)
                found = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
        }
    }
    xcb_disconnect(c);
    return found;
}

} // namespace Dartline
