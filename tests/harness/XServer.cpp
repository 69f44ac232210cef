// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/harness/XServer.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace Dartline {

namespace {

XServer *s_current = nullptr;

constexpr int StartTimeoutMs = 30000;
constexpr int StopTimeoutMs = 5000;

// Every CRTC scans out at 60 Hz with small fixed blanking; the dummy driver
// accepts any clock below 300 MHz, which covers every mode up to 2560x1600.
QString modeline(QSize size)
{
    const int hTotal = size.width() + 160;
    const int vTotal = size.height() + 30;
    const double clockMHz = hTotal * vTotal * 60.0 / 1e6;
    return QStringLiteral("  Modeline \"%1x%2\" %3 %1 %4 %5 %6 %2 %7 %8 %9\n")
        .arg(size.width())
        .arg(size.height())
        .arg(clockMHz, 0, 'f', 3)
        .arg(size.width() + 48)
        .arg(size.width() + 80)
        .arg(hTotal)
        .arg(size.height() + 3)
        .arg(size.height() + 8)
        .arg(vTotal);
}

QSize sizeOfMode(const QString &name)
{
    const QStringList parts = name.split(QLatin1Char('x'));
    return parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
}

bool displayLooksTaken(int n)
{
    return QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))
        || QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n));
}

// Several test executables start servers at the same time; spreading their
// first guesses keeps them from racing for the same number.
int firstCandidate()
{
    return 100 + static_cast<int>(getpid() % 400);
}

QString tail(const QString &path, int lines)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList all = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
    return all.mid(qMax(0, all.size() - lines)).join(QLatin1Char('\n'));
}

xcb_randr_output_t findOutput(xcb_connection_t *c, xcb_window_t root, const QString &name)
{
    xcb_randr_get_screen_resources_current_reply_t *res
        = xcb_randr_get_screen_resources_current_reply(c, xcb_randr_get_screen_resources_current(c, root), nullptr);
    if (!res)
        return XCB_NONE;
    xcb_randr_output_t found = XCB_NONE;
    const xcb_randr_output_t *outputs = xcb_randr_get_screen_resources_current_outputs(res);
    const int count = xcb_randr_get_screen_resources_current_outputs_length(res);
    for (int i = 0; i < count && found == XCB_NONE; ++i) {
        xcb_randr_get_output_info_reply_t *info = xcb_randr_get_output_info_reply(
            c, xcb_randr_get_output_info(c, outputs[i], res->config_timestamp), nullptr);
        if (!info)
            continue;
        const QString outputName
            = QString::fromUtf8(reinterpret_cast<const char *>(xcb_randr_get_output_info_name(info)),
                xcb_randr_get_output_info_name_length(info));
        if (outputName == name)
            found = outputs[i];
        free(info);
    }
    free(res);
    return found;
}

} // namespace

XServer::XServer(Kind kind, QSize size)
    : m_kind(kind)
    , m_size(size)
{ }

XServer::~XServer()
{
    stop();
    if (s_current == this)
        s_current = nullptr;
}

XServer *XServer::current()
{
    return s_current;
}

void XServer::setCurrent(XServer *server)
{
    s_current = server;
}

QStringList XServer::standardModes()
{
    return { QStringLiteral("1024x768"), QStringLiteral("1280x1024"), QStringLiteral("1920x1080"),
        QStringLiteral("800x600"), QStringLiteral("1280x720"), QStringLiteral("1600x900"), QStringLiteral("640x480") };
}

QString XServer::displayName() const
{
    return QStringLiteral(":%1").arg(m_number);
}

bool XServer::isRunning() const
{
    return m_pid > 0;
}

bool XServer::writeXorgConfig()
{
    QStringList modes { QStringLiteral("%1x%2").arg(m_size.width()).arg(m_size.height()) };
    for (const QString &mode : standardModes()) {
        if (!modes.contains(mode))
            modes << mode;
    }
    QString lines;
    QString names;
    for (const QString &mode : std::as_const(modes)) {
        lines += modeline(sizeOfMode(mode));
        names += QStringLiteral(" \"%1\"").arg(mode);
    }
    // No input devices: tests type through XTEST, which every server has.
    const QString config = QStringLiteral("Section \"ServerFlags\"\n"
                                          "  Option \"AutoAddDevices\" \"false\"\n"
                                          "  Option \"AutoAddGPU\" \"false\"\n"
                                          "  Option \"DontVTSwitch\" \"true\"\n"
                                          "  Option \"BlankTime\" \"0\"\n"
                                          "  Option \"StandbyTime\" \"0\"\n"
                                          "  Option \"SuspendTime\" \"0\"\n"
                                          "  Option \"OffTime\" \"0\"\n"
                                          "EndSection\n"
                                          "Section \"Device\"\n"
                                          "  Identifier \"card\"\n"
                                          "  Driver \"dummy\"\n"
                                          "  VideoRam 131072\n"
                                          "EndSection\n"
                                          "Section \"Monitor\"\n"
                                          "  Identifier \"monitor\"\n"
                                          "  HorizSync 5.0 - 1000.0\n"
                                          "  VertRefresh 5.0 - 200.0\n"
                                          "  Option \"ReducedBlanking\"\n"
                                          "%1"
                                          "EndSection\n"
                                          "Section \"Screen\"\n"
                                          "  Identifier \"screen\"\n"
                                          "  Device \"card\"\n"
                                          "  Monitor \"monitor\"\n"
                                          "  DefaultDepth 24\n"
                                          "  SubSection \"Display\"\n"
                                          "    Depth 24\n"
                                          "    Modes%2\n"
                                          "  EndSubSection\n"
                                          "EndSection\n")
                               .arg(lines, names);
    QDir(m_dir->path()).mkdir(QStringLiteral("xorg.conf.d"));
    QFile file(m_dir->filePath(QStringLiteral("xorg.conf")));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(config.toUtf8()) > 0;
}

bool XServer::start()
{
    if (isRunning())
        return true;
    m_error.clear();
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/dartline-xserver-XXXXXX"));
    if (!m_dir->isValid()) {
        m_error = QStringLiteral("cannot create a temporary directory");
        return false;
    }
    if (m_kind == Kind::Xorg && !writeXorgConfig()) {
        m_error = QStringLiteral("cannot write xorg.conf");
        return false;
    }

    int candidate = firstCandidate();
    for (int attempt = 0; attempt < 20; ++attempt, ++candidate) {
        while (displayLooksTaken(candidate))
            ++candidate;
        if (!launch(candidate)) {
            // Another server may have taken the number between the probe and
            // our start; anything else shows in the log and ends the attempts.
            if (tail(m_dir->filePath(QStringLiteral("server.out")), 40).contains(QLatin1String("already active")))
                continue;
            m_error = QStringLiteral("the X server did not start:\n") + diagnostics();
            return false;
        }
        if (!waitForConnection()) {
            m_error = QStringLiteral("the X server does not accept connections:\n") + diagnostics();
            stop();
            return false;
        }
        if (m_kind == Kind::Xorg && !(resetOutputs() && connectOutputs() && resetOutputs())) {
            m_error = QStringLiteral("cannot give the outputs their modes:\n") + diagnostics();
            stop();
            return false;
        }
        return true;
    }
    m_error = QStringLiteral("no free display number");
    return false;
}

bool XServer::launch(int number)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;

    const QByteArray display = ':' + QByteArray::number(number);
    const QByteArray readyFd = QByteArray::number(fds[1]);
    const QByteArray out = QFile::encodeName(m_dir->filePath(QStringLiteral("server.out")));
    std::vector<QByteArray> args;
    if (m_kind == Kind::Xorg) {
        // The wrapper in /usr/bin refuses non-console users; the server
        // binary itself only needs to be run as root.
        const QByteArray binary
            = QFileInfo::exists(QStringLiteral("/usr/lib/xorg/Xorg")) ? "/usr/lib/xorg/Xorg" : "Xorg";
        args = { binary, display, "-displayfd", readyFd, "-config",
            QFile::encodeName(m_dir->filePath(QStringLiteral("xorg.conf"))), "-configdir",
            QFile::encodeName(m_dir->filePath(QStringLiteral("xorg.conf.d"))), "-logfile",
            QFile::encodeName(m_dir->filePath(QStringLiteral("Xorg.log"))), "-noreset", "-nolisten", "tcp",
            "-novtswitch", "-sharevts", "-keeptty" };
    } else {
        const QByteArray geometry
            = QByteArray::number(m_size.width()) + 'x' + QByteArray::number(m_size.height()) + "x24";
        args = { "Xvfb", display, "-displayfd", readyFd, "-screen", "0", geometry, "-noreset", "-nolisten", "tcp" };
    }
    std::vector<char *> argv;
    for (QByteArray &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        fcntl(fds[1], F_SETFD, 0);
        const int devNull = open("/dev/null", O_RDONLY);
        const int log = open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (devNull >= 0)
            dup2(devNull, STDIN_FILENO);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        setsid();
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    m_pid = pid;
    m_number = number;

    // The server writes its display number once it is ready for clients.
    QByteArray answer;
    const QDeadlineTimer deadline(StartTimeoutMs);
    bool ready = false;
    while (!deadline.hasExpired()) {
        pollfd p { fds[0], POLLIN, 0 };
        const int r = poll(&p, 1, static_cast<int>(qMin<qint64>(deadline.remainingTime(), 200)));
        if (r < 0 && errno != EINTR)
            break;
        if (r <= 0)
            continue;
        char buffer[32];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break; // the server exited before it was ready
        answer.append(buffer, n);
        if (answer.contains('\n')) {
            ready = answer.trimmed().toInt() == number;
            break;
        }
    }
    close(fds[0]);
    if (!ready) {
        stop();
        m_number = number;
        return false;
    }
    return true;
}

bool XServer::waitForConnection()
{
    const QDeadlineTimer deadline(StartTimeoutMs);
    const QByteArray name = displayName().toLatin1();
    while (!deadline.hasExpired()) {
        xcb_connection_t *c = xcb_connect(name.constData(), nullptr);
        if (!xcb_connection_has_error(c)) {
            m_connection = c;
            return true;
        }
        xcb_disconnect(c);
        pollfd none {};
        poll(&none, 0, 20);
    }
    return false;
}

void XServer::stop()
{
    if (m_connection) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
    }
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    const QDeadlineTimer deadline(StopTimeoutMs);
    bool reaped = false;
    while (!deadline.hasExpired()) {
        const pid_t r = waitpid(m_pid, nullptr, WNOHANG);
        if (r == m_pid || (r < 0 && errno == ECHILD)) {
            reaped = true;
            break;
        }
        pollfd none {};
        poll(&none, 0, 10);
    }
    if (!reaped) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    m_pid = -1;
}

QString XServer::diagnostics() const
{
    if (!m_dir)
        return {};
    QString text = tail(m_dir->filePath(QStringLiteral("server.out")), 20);
    if (m_kind == Kind::Xorg)
        text += QLatin1Char('\n') + tail(m_dir->filePath(QStringLiteral("Xorg.log")), 20);
    return text;
}

bool XServer::run(const QString &program, const QStringList &arguments, QByteArray *output, int timeoutMs) const
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), displayName());
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs)) {
        qWarning().noquote() << program << "did not start:" << process.errorString();
        return false;
    }
    if (!process.waitForFinished(timeoutMs)) {
        qWarning().noquote() << program << arguments.join(QLatin1Char(' ')) << "did not finish in" << timeoutMs << "ms";
        process.kill();
        process.waitForFinished(StopTimeoutMs);
        return false;
    }
    const QByteArray out = process.readAllStandardOutput();
    if (output)
        *output = out;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning().noquote() << program << arguments.join(QLatin1Char(' '))
                             << "failed:" << QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        return false;
    }
    return true;
}

bool XServer::xrandr(const QStringList &arguments, QByteArray *output) const
{
    return run(QStringLiteral("xrandr"), arguments, output);
}

bool XServer::xdotool(const QStringList &arguments, QByteArray *output) const
{
    return run(QStringLiteral("xdotool"), arguments, output);
}

bool XServer::setxkbmap(const QStringList &arguments) const
{
    return run(QStringLiteral("setxkbmap"), arguments);
}

QStringList XServer::outputNames() const
{
    QStringList names;
    if (!m_connection)
        return names;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    xcb_randr_get_screen_resources_current_reply_t *res = xcb_randr_get_screen_resources_current_reply(
        m_connection, xcb_randr_get_screen_resources_current(m_connection, root), nullptr);
    if (!res)
        return names;
    const xcb_randr_output_t *outputs = xcb_randr_get_screen_resources_current_outputs(res);
    const int count = xcb_randr_get_screen_resources_current_outputs_length(res);
    for (int i = 0; i < count; ++i) {
        xcb_randr_get_output_info_reply_t *info = xcb_randr_get_output_info_reply(
            m_connection, xcb_randr_get_output_info(m_connection, outputs[i], res->config_timestamp), nullptr);
        if (!info)
            continue;
        names << QString::fromUtf8(reinterpret_cast<const char *>(xcb_randr_get_output_info_name(info)),
            xcb_randr_get_output_info_name_length(info));
        free(info);
    }
    free(res);
    return names;
}

bool XServer::resetOutputs()
{
    if (!isRunning())
        return false;
    QByteArray listing;
    if (!xrandr({ QStringLiteral("--listmonitors") }, &listing))
        return false;
    // " 0: *LEFT 640/1x1024/1+0+0 ": monitors that RandR made for an output
    // carry a '+' before the name, the ones a client set up do not.
    for (const QByteArray &line : listing.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3 || !fields[0].endsWith(':'))
            continue;
        QByteArray name = fields[1];
        if (name.startsWith('*'))
            name.remove(0, 1);
        if (!name.startsWith('+') && !xrandr({ QStringLiteral("--delmonitor"), QString::fromLatin1(name) }))
            return false;
    }
    if (m_kind == Kind::Xvfb)
        return true;

    const QStringList outputs = outputNames();
    const QString first = QStringLiteral("%1x%2").arg(m_size.width()).arg(m_size.height());
    QStringList args;
    for (const QString &output : outputs) {
        if (output == QLatin1String("DUMMY0"))
            continue;
        // Modes stay on an output once added, and --addmode of a mode it has
        // already fails; so only outputs without modes get them.
        setEdid(output, {});
        args << QStringLiteral("--output") << output << QStringLiteral("--off");
    }
    args << QStringLiteral("--output") << QStringLiteral("DUMMY0") << QStringLiteral("--mode") << first
         << QStringLiteral("--pos") << QStringLiteral("0x0") << QStringLiteral("--primary")
         << QStringLiteral("--rotate") << QStringLiteral("normal");
    setEdid(QStringLiteral("DUMMY0"), {});
    if (!xrandr(args))
        return false;

    QByteArray state;
    if (!xrandr({ QStringLiteral("--query") }, &state))
        return false;
    QStringList addModes;
    QString currentOutput;
    QStringList withModes;
    for (const QByteArray &line : state.split('\n')) {
        if (line.startsWith("DUMMY"))
            currentOutput = QString::fromLatin1(line.left(line.indexOf(' ')));
        else if (line.startsWith("   ") && !currentOutput.isEmpty() && !withModes.contains(currentOutput))
            withModes << currentOutput;
    }
    QStringList modes { first };
    for (const QString &mode : standardModes()) {
        if (!modes.contains(mode))
            modes << mode;
    }
    for (const QString &output : outputs) {
        if (withModes.contains(output))
            continue;
        for (const QString &mode : std::as_const(modes))
            addModes << QStringLiteral("--addmode") << output << mode;
    }
    return addModes.isEmpty() || xrandr(addModes);
}

bool XServer::connectOutputs()
{
    // The dummy driver calls an output connected once a mode was set on it,
    // and RandR reports that from the next probe (xrandr --query) on. A real
    // monitor is connected before it is switched on; so are these.
    QStringList args;
    QString previous = QStringLiteral("DUMMY0");
    for (const QString &output : outputNames()) {
        if (output == previous)
            continue;
        args << QStringLiteral("--output") << output << QStringLiteral("--mode") << QStringLiteral("640x480")
             << QStringLiteral("--right-of") << previous;
        previous = output;
    }
    return xrandr(args) && xrandr({ QStringLiteral("--query") });
}

bool XServer::setEdid(const QString &output, const QByteArray &edid)
{
    if (!m_connection)
        return false;
    xcb_connection_t *c = m_connection;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_randr_output_t id = findOutput(c, root, output);
    if (id == XCB_NONE)
        return false;
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 4, "EDID"), nullptr);
    if (!atom)
        return false;
    const xcb_atom_t property = atom->atom;
    free(atom);
    xcb_void_cookie_t cookie;
    if (edid.isEmpty()) {
        cookie = xcb_randr_delete_output_property_checked(c, id, property);
    } else {
        cookie = xcb_randr_change_output_property_checked(c, id, property, XCB_ATOM_INTEGER, 8, XCB_PROP_MODE_REPLACE,
            static_cast<uint32_t>(edid.size()), edid.constData());
    }
    xcb_generic_error_t *error = xcb_request_check(c, cookie);
    const bool ok = !error;
    free(error);
    return ok;
}

} // namespace Dartline
