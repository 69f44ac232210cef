// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/harness/XServer.h"
#include "tests/harness/TestFiles.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <unistd.h>

namespace Dartline {

using namespace Qt::StringLiterals;

namespace {

const QList<QSize> modes { { 1024, 768 }, { 1280, 1024 }, { 1920, 1080 }, { 800, 600 }, { 1280, 720 }, { 1600, 900 },
    { 640, 480 } };

QString name(QSize mode)
{
    return QString::asprintf("%dx%d", mode.width(), mode.height());
}

// 60 Hz with small fixed blanking (the dummy driver takes any clock); no input devices but XTEST.
QByteArray xorgConfig()
{
    QString lines, names;
    for (const auto [w, h] : modes) {
        lines += QString::asprintf("  Modeline \"%dx%d\" %.3f %d %d %d %d %d %d %d %d\n", w, h,
            (w + 160) * (h + 30) * 60.0 / 1e6, w, w + 48, w + 80, w + 160, h, h + 3, h + 8, h + 30);
        names += u" \""_s + name(QSize(w, h)) + u'"';
    }
    return u"Section \"ServerFlags\"\n  Option \"AutoAddDevices\" \"false\"\n"
           "  Option \"AutoAddGPU\" \"false\"\n  Option \"DontVTSwitch\" \"true\"\n"
           "  Option \"BlankTime\" \"0\"\nEndSection\n"
           "Section \"Device\"\n  Identifier \"card\"\n  Driver \"dummy\"\n  VideoRam 131072\nEndSection\n"
           "Section \"Monitor\"\n  Identifier \"monitor\"\n  HorizSync 5.0 - 1000.0\n"
           "  VertRefresh 5.0 - 200.0\n  Option \"ReducedBlanking\"\n%1EndSection\n"
           "Section \"Screen\"\n  Identifier \"screen\"\n  Device \"card\"\n  Monitor \"monitor\"\n"
           "  DefaultDepth 24\n  SubSection \"Display\"\n    Depth 24\n    Modes%2\n  EndSubSection\n"
           "EndSection\n"_s.arg(lines, names)
               .toUtf8();
}

// The outputs of the server by name.
QMap<QString, xcb_randr_output_t> outputs(xcb_connection_t *c)
{
    QMap<QString, xcb_randr_output_t> result;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto *res
        = xcb_randr_get_screen_resources_current_reply(c, xcb_randr_get_screen_resources_current(c, root), nullptr);
    const xcb_randr_output_t *ids = res ? xcb_randr_get_screen_resources_current_outputs(res) : nullptr;
    for (int i = 0; res && i < xcb_randr_get_screen_resources_current_outputs_length(res); ++i) {
        auto *info
            = xcb_randr_get_output_info_reply(c, xcb_randr_get_output_info(c, ids[i], res->config_timestamp), nullptr);
        if (info)
            result.insert(QString::fromUtf8(reinterpret_cast<const char *>(xcb_randr_get_output_info_name(info)),
                              xcb_randr_get_output_info_name_length(info)),
                ids[i]);
        free(info);
    }
    free(res);
    return result;
}

} // namespace

int XServer::exec(Kind kind, const std::function<int()> &test)
{
    XServer server(kind);
    if (const QString error = server.start(); !error.isEmpty()) {
        qCritical().noquote() << error;
        return 1;
    }
    s_current = &server;
    qputenv("DISPLAY", server.displayName().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    return test();
}

XServer::XServer(Kind kind, QSize screen)
    : m_kind(kind)
    , m_screen(screen)
{ }

XServer::~XServer()
{
    xcb_disconnect(m_connection);
    if (m_process) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000))
            m_process->kill();
        m_process->waitForFinished();
    }
}

QString XServer::start()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const bool ready
        = writeFile(m_dir->filePath(u"xorg.conf"_s), xorgConfig()) && QDir(m_dir->path()).mkdir(u"d"_s) && launch();
    if (!ready || m_kind == Kind::Xvfb)
        return ready
            ? QString()
            : u"the X server did not start:\n"_s + QString::fromLocal8Bit(readFile(m_dir->filePath(u"server.out"_s)));
    // The dummy driver calls an output connected once a mode was set on it: connect them all once.
    QStringList addModes, connect;
    QString previous = u"DUMMY0"_s;
    for (const QString &output : outputs(m_connection).keys()) {
        if (output == previous)
            continue;
        for (const QSize mode : modes)
            addModes << u"--addmode"_s << output << name(mode);
        connect << u"--output"_s << output << u"--mode"_s << u"640x480"_s << u"--right-of"_s << previous;
        previous = output;
    }
    if (xrandr(addModes) && xrandr(connect) && xrandr({ u"--query"_s }) && resetOutputs())
        return QString();
    return u"cannot give the outputs their modes"_s;
}

bool XServer::launch()
{
    // With -displayfd the server takes the first free display and writes it once it accepts clients.
    const QString dir = m_dir->path();
    QStringList args = u"-displayfd 1 -noreset -nolisten tcp"_s.split(u' ');
    if (m_kind == Kind::Xorg) {
        args << u"-config"_s << dir + u"/xorg.conf"_s << u"-configdir"_s << dir + u"/d"_s << u"-logfile"_s
             << dir + u"/Xorg.log"_s << u"-novtswitch"_s << u"-sharevts"_s << u"-keeptty"_s;
    } else {
        args << u"-screen"_s << u"0"_s << u"%1x%2x24"_s.arg(m_screen.width()).arg(m_screen.height());
    }
    m_process = std::make_unique<QProcess>();
    m_process->setStandardErrorFile(m_dir->filePath(u"server.out"_s));
    m_process->setChildProcessModifier([] {
        prctl(PR_SET_PDEATHSIG, SIGTERM); // the server dies with the test
        setsid();
    });
    // The wrapper in /usr/bin refuses non-console users.
    const QString xorg = QFile::exists(u"/usr/lib/xorg/Xorg"_s) ? u"/usr/lib/xorg/Xorg"_s : u"Xorg"_s;
    m_process->start(m_kind == Kind::Xvfb ? u"Xvfb"_s : xorg, args);
    while (!m_process->canReadLine() && m_process->waitForReadyRead(30000)) { }
    m_number = m_process->canReadLine() ? m_process->readLine().trimmed().toInt() : -1;
    m_connection = xcb_connect(displayName().toLatin1().constData(), nullptr);
    return m_number >= 0 && !xcb_connection_has_error(m_connection);
}

bool XServer::run(const QString &program, const QStringList &arguments, QByteArray *output) const
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, displayName());
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(10000);
    if (output)
        *output = process.readAllStandardOutput();
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    qWarning().noquote() << program << arguments.join(u' ') << "failed:" << process.readAllStandardError()
                         << process.errorString();
    process.kill();
    process.waitForFinished();
    return false;
}

bool XServer::resetOutputs()
{
    QByteArray listing;
    if (!xrandr({ u"--listmonitors"_s }, &listing))
        return false;
    // " 0: *+LEFT 640/1x1024/1+0+0 ": RandR's own monitors carry a '+', those a client set up do not.
    for (const QByteArray &line : listing.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        const QByteArray name = fields.size() >= 3 && fields[0].endsWith(':') ? fields[1] : "+";
        const QString bare = QString::fromLatin1(name.startsWith('*') ? name.mid(1) : name);
        if (!bare.startsWith(u'+') && !xrandr({ u"--delmonitor"_s, bare }))
            return false;
    }
    if (m_kind == Kind::Xvfb)
        return true;
    QStringList args = u"--output DUMMY0 --mode 1024x768 --pos 0x0 --primary --rotate normal"_s.split(u' ');
    for (const QString &output : outputs(m_connection).keys()) {
        setEdid(output, {});
        if (output != u"DUMMY0"_s)
            args << u"--output"_s << output << u"--off"_s;
    }
    return xrandr(args);
}

quint32 XServer::outputId(const QString &output) const
{
    return outputs(m_connection).value(output, XCB_NONE);
}

bool XServer::setEdid(const QString &output, const QByteArray &edid)
{
    xcb_connection_t *c = m_connection;
    auto *reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 4, "EDID"), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    // An output or atom that is not there makes the server answer with an error.
    const xcb_randr_output_t id = outputId(output);
    const xcb_void_cookie_t cookie = edid.isEmpty()
        ? xcb_randr_delete_output_property_checked(c, id, atom)
        : xcb_randr_change_output_property_checked(c, id, atom, XCB_ATOM_INTEGER, 8, XCB_PROP_MODE_REPLACE,
            static_cast<uint32_t>(edid.size()), edid.constData());
    xcb_generic_error_t *error = xcb_request_check(c, cookie);
    free(error);
    return !error;
}

} // namespace Dartline
