// SPDX-License-Identifier: GPL-3.0-or-later
// How fast a hot key moves the pointer in a sway session, on a private
// headless sway with two outputs side by side: the dartline program against
// sway's own way of doing it, a `bindsym` that runs `swaymsg seat - cursor set`.
//
//   bench_wayland_latency [presses]     default 200
//
// The keys go in through the compositor's own input path: this process is a
// virtual keyboard (zwp_virtual_keyboard_v1) with a us keymap, so sway's
// bindings meet them as a real keyboard's. The landing is read back as any
// client learns of the pointer: a transparent overlay surface (wlr layer
// shell) on each output takes the pointer's motion. Latency runs from the
// digit's press, flushed to the compositor with Alt already down, to the
// motion event at the target output's centre; the presses alternate between
// Alt+1 and Alt+2, back to back.

#include "tests/platform/wayland/SwayServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QTextStream>

#include <virtual-keyboard-unstable-v1-client.h>
#include <wayland-client.h>
// The header names an argument after a C++ keyword.
#define namespace layer_namespace
#include <wlr-layer-shell-unstable-v1-client.h>
#undef namespace
#include <wlr-virtual-pointer-unstable-v1-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <optional>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace Dartline;
using namespace Qt::StringLiterals;

namespace {

QTextStream out(stdout);

// HEADLESS-1 as SwayServer makes it, and a second output to its right.
const QRect SecondOutput(1920, 0, 1280, 1024);
const QSize Layout(SecondOutput.right() + 1, 1080);
const QPoint centres[] = { QPoint(960, 540), SecondOutput.topLeft() + QPoint(640, 512) };
constexpr int PressTimeoutMs = 2000;

struct Latencies
{
    QList<double> millis; // sorted
    int timeouts = 0;
    std::optional<QPoint> elsewhere; // where the pointer was after the last timeout
    double percentile(double p) const
    {
        if (millis.isEmpty())
            return std::nan("");
        const auto rank = static_cast<qsizetype>(std::ceil(p * static_cast<double>(millis.size()))) - 1;
        return millis[std::clamp<qsizetype>(rank, 0, millis.size() - 1)];
    }
};

// A keyboard of this process's own, on a plain Wayland connection: what it
// presses reaches sway's bindings as a real keyboard's presses do.
class VirtualKeyboard
{
public:
    explicit VirtualKeyboard(const QString &socket)
    {
        m_display = wl_display_connect(QFile::encodeName(socket).constData());
        if (!m_display) {
            m_error = u"cannot connect to %1"_s.arg(socket);
            return;
        }
        wl_registry *registry = wl_display_get_registry(m_display);
        static const wl_registry_listener listener = {
            [](void *data, wl_registry *announcer, uint32_t name, const char *interface, uint32_t) {
                auto *self = static_cast<VirtualKeyboard *>(data);
                if (!self->m_seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
                    self->m_seat = static_cast<wl_seat *>(wl_registry_bind(announcer, name, &wl_seat_interface, 1));
                } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
                    self->m_manager = static_cast<zwp_virtual_keyboard_manager_v1 *>(
                        wl_registry_bind(announcer, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
                }
            },
            [](void *, wl_registry *, uint32_t) {},
        };
        wl_registry_add_listener(registry, &listener, this);
        wl_display_roundtrip(m_display);
        wl_registry_destroy(registry);
        if (!m_seat || !m_manager) {
            m_error = u"sway offers no seat or no virtual keyboards"_s;
            return;
        }
        m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(m_manager, m_seat);

        xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        const xkb_rule_names us = { "evdev", "pc105", "us", "", "" };
        xkb_keymap *keymap = xkb_keymap_new_from_names(context, &us, XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (!keymap) {
            xkb_context_unref(context);
            m_error = u"no us keymap from xkbcommon"_s;
            return;
        }
        // Wayland counts keys as evdev does, 8 below X and xkb.
        m_alt = xkb_keymap_key_by_name(keymap, "LALT") - 8;
        m_digits[0] = xkb_keymap_key_by_name(keymap, "AE01") - 8;
        m_digits[1] = xkb_keymap_key_by_name(keymap, "AE02") - 8;
        m_altMask = 1U << xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_ALT);
        char *text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);

        // The keymap travels as a file, its terminating NUL included.
        const size_t size = std::strlen(text) + 1;
        const int fd = memfd_create("dartline-keymap", MFD_CLOEXEC);
        const bool written = fd >= 0 && write(fd, text, size) == static_cast<ssize_t>(size);
        std::free(text);
        if (!written) {
            m_error = u"cannot write the keymap"_s;
            if (fd >= 0)
                close(fd);
            return;
        }
        zwp_virtual_keyboard_v1_keymap(m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, static_cast<uint32_t>(size));
        close(fd); // the request carries a copy
        if (wl_display_roundtrip(m_display) < 0)
            m_error = u"sway refused the virtual keyboard (error %1)"_s.arg(wl_display_get_error(m_display));
    }
    ~VirtualKeyboard()
    {
        if (m_keyboard)
            zwp_virtual_keyboard_v1_destroy(m_keyboard);
        if (m_manager)
            zwp_virtual_keyboard_manager_v1_destroy(m_manager);
        if (m_seat)
            wl_seat_destroy(m_seat);
        if (m_display)
            wl_display_disconnect(m_display);
    }
    Q_DISABLE_COPY_MOVE(VirtualKeyboard)

    QString errorString() const { return m_error; }

    // Alt goes down first, flushed on its own, so that the digit's press is
    // the only request in flight when the clock starts.
    void pressAlt()
    {
        key(m_alt, WL_KEYBOARD_KEY_STATE_PRESSED);
        zwp_virtual_keyboard_v1_modifiers(m_keyboard, m_altMask, 0, 0, 0);
        wl_display_flush(m_display);
    }
    void pressDigit(int which)
    {
        key(m_digits[which], WL_KEYBOARD_KEY_STATE_PRESSED);
        wl_display_flush(m_display);
    }
    void releaseAll(int which)
    {
        key(m_digits[which], WL_KEYBOARD_KEY_STATE_RELEASED);
        zwp_virtual_keyboard_v1_modifiers(m_keyboard, 0, 0, 0, 0);
        key(m_alt, WL_KEYBOARD_KEY_STATE_RELEASED);
        wl_display_flush(m_display);
        // Nothing comes back but the odd delete_id; read it so it never piles up.
        wl_display_dispatch_pending(m_display);
    }

private:
    void key(uint32_t code, uint32_t state)
    {
        timespec now {};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const auto millis = static_cast<uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
        zwp_virtual_keyboard_v1_key(m_keyboard, millis, code, state);
    }

    wl_display *m_display = nullptr;
    wl_seat *m_seat = nullptr;
    zwp_virtual_keyboard_manager_v1 *m_manager = nullptr;
    zwp_virtual_keyboard_v1 *m_keyboard = nullptr;
    uint32_t m_alt = 0;
    uint32_t m_digits[2] = {};
    uint32_t m_altMask = 0;
    QString m_error;
};

// Where the pointer is, as sway tells its clients: a transparent overlay
// surface on each output takes the pointer's enter and motion events, each
// read as it comes. A virtual pointer of the watch's own gives the seat a
// pointer, as a mouse would; a seat without one sends clients no pointer
// events at all.
class PointerWatch
{
public:
    explicit PointerWatch(const QString &socket)
    {
        m_display = wl_display_connect(QFile::encodeName(socket).constData());
        if (!m_display) {
            m_error = u"cannot connect to %1"_s.arg(socket);
            return;
        }
        m_registry = wl_display_get_registry(m_display);
        wl_registry_add_listener(m_registry, &registryListener, this);
        wl_display_roundtrip(m_display);
        if (!m_compositor || !m_shm || !m_seat || !m_layerShell || !m_pointers || m_outputs.empty()) {
            m_error = u"sway lacks a global the watch needs (layer shell, virtual pointers, ...)"_s;
            return;
        }
        wl_seat_add_listener(m_seat, &seatListener, this);
        m_mouse = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(m_pointers, m_seat);
        wl_display_roundtrip(m_display); // output names, the seat's pointer

        for (Output &output : m_outputs) {
            output.surface = wl_compositor_create_surface(m_compositor);
            wl_surface_set_user_data(output.surface, &output);
            output.layer = zwlr_layer_shell_v1_get_layer_surface(
                m_layerShell, output.surface, output.output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "dartline-bench");
            zwlr_layer_surface_v1_add_listener(output.layer, &layerListener, &output);
            zwlr_layer_surface_v1_set_anchor(output.layer,
                ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM
                    | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
            zwlr_layer_surface_v1_set_exclusive_zone(output.layer, -1);
            wl_surface_commit(output.surface);
        }
        const QDeadlineTimer deadline(5000);
        while (!std::all_of(m_outputs.begin(), m_outputs.end(), [](const Output &o) { return o.buffer; })
            && !deadline.hasExpired() && wl_display_roundtrip(m_display) >= 0) { }
        if (!m_pointer || !std::all_of(m_outputs.begin(), m_outputs.end(), [](const Output &o) { return o.buffer; }))
            m_error = u"sway showed no overlay, or gave the seat no pointer"_s;
    }
    ~PointerWatch()
    {
        for (Output &output : m_outputs) {
            if (output.layer)
                zwlr_layer_surface_v1_destroy(output.layer);
            if (output.surface)
                wl_surface_destroy(output.surface);
            if (output.buffer)
                wl_buffer_destroy(output.buffer);
            wl_output_destroy(output.output);
        }
        if (m_display)
            wl_display_disconnect(m_display);
    }
    Q_DISABLE_COPY_MOVE(PointerWatch)

    QString errorString() const { return m_error; }
    std::optional<QPoint> position() const { return m_position; }

    // Puts the pointer at `point` with the mouse of the watch's own.
    void move(QPoint point, QSize layout)
    {
        zwlr_virtual_pointer_v1_motion_absolute(m_mouse, 0, static_cast<uint32_t>(point.x()),
            static_cast<uint32_t>(point.y()), static_cast<uint32_t>(layout.width()),
            static_cast<uint32_t>(layout.height()));
        zwlr_virtual_pointer_v1_frame(m_mouse);
        wl_display_flush(m_display);
    }

    // Reads what has come; true once the pointer is at `target`, false when
    // `deadline` passes first.
    bool waitFor(QPoint target, QDeadlineTimer deadline)
    {
        for (;;) {
            readQueued();
            if (m_position == target)
                return true;
            const qint64 left = deadline.remainingTime();
            if (left == 0)
                return false;
            while (wl_display_prepare_read(m_display) != 0)
                wl_display_dispatch_pending(m_display);
            wl_display_flush(m_display);
            pollfd fd { wl_display_get_fd(m_display), POLLIN, 0 };
            if (poll(&fd, 1, static_cast<int>(left)) > 0) {
                if (wl_display_read_events(m_display) < 0)
                    return false;
            } else {
                wl_display_cancel_read(m_display);
            }
        }
    }

    void readQueued()
    {
        wl_display_dispatch_pending(m_display);
        if (wl_display_prepare_read(m_display) != 0)
            return;
        pollfd fd { wl_display_get_fd(m_display), POLLIN, 0 };
        if (poll(&fd, 1, 0) > 0)
            wl_display_read_events(m_display);
        else
            wl_display_cancel_read(m_display);
        wl_display_dispatch_pending(m_display);
    }

    // Where each output's top left corner is in the layout, by its name.
    void setOrigins(const QHash<QString, QPoint> &origins) { m_origins = origins; }

private:
    struct Output
    {
        PointerWatch *owner = nullptr;
        wl_output *output = nullptr;
        QString name;
        wl_surface *surface = nullptr;
        zwlr_layer_surface_v1 *layer = nullptr;
        wl_buffer *buffer = nullptr;
    };

    void place(wl_surface *surface, wl_fixed_t x, wl_fixed_t y)
    {
        if (!surface)
            return;
        const auto *output = static_cast<const Output *>(wl_surface_get_user_data(surface));
        m_position
            = m_origins.value(output->name) + QPoint(qRound(wl_fixed_to_double(x)), qRound(wl_fixed_to_double(y)));
    }

    // A transparent buffer of the size sway gave the overlay.
    void configure(Output &output, uint32_t serial, uint32_t width, uint32_t height)
    {
        zwlr_layer_surface_v1_ack_configure(output.layer, serial);
        if (!output.buffer && width && height) {
            const size_t size = static_cast<size_t>(width) * height * 4;
            const int fd = memfd_create("dartline-bench-overlay", MFD_CLOEXEC);
            if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
                if (fd >= 0)
                    close(fd);
                return;
            }
            wl_shm_pool *pool = wl_shm_create_pool(m_shm, fd, static_cast<int32_t>(size));
            output.buffer = wl_shm_pool_create_buffer(pool, 0, static_cast<int32_t>(width),
                static_cast<int32_t>(height), static_cast<int32_t>(width * 4), WL_SHM_FORMAT_ARGB8888);
            wl_shm_pool_destroy(pool);
            close(fd);
            wl_surface_attach(output.surface, output.buffer, 0, 0);
        }
        wl_surface_commit(output.surface);
    }

    static const wl_registry_listener registryListener;
    static const wl_output_listener outputListener;
    static const wl_seat_listener seatListener;
    static const wl_pointer_listener pointerListener;
    static const zwlr_layer_surface_v1_listener layerListener;

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_compositor *m_compositor = nullptr;
    wl_shm *m_shm = nullptr;
    wl_seat *m_seat = nullptr;
    wl_pointer *m_pointer = nullptr;
    zwlr_layer_shell_v1 *m_layerShell = nullptr;
    zwlr_virtual_pointer_manager_v1 *m_pointers = nullptr;
    zwlr_virtual_pointer_v1 *m_mouse = nullptr;
    std::deque<Output> m_outputs; // stable addresses: the listeners hold them
    wl_surface *m_over = nullptr;
    QHash<QString, QPoint> m_origins;
    std::optional<QPoint> m_position;
    QString m_error;
};

const wl_registry_listener PointerWatch::registryListener = {
    [](void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version) {
        auto *self = static_cast<PointerWatch *>(data);
        const auto bind = [&](const wl_interface *type, uint32_t highest) {
            return wl_registry_bind(registry, name, type, std::min(version, highest));
        };
        if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
            self->m_compositor = static_cast<wl_compositor *>(bind(&wl_compositor_interface, 4));
        } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
            self->m_shm = static_cast<wl_shm *>(bind(&wl_shm_interface, 1));
        } else if (!self->m_seat && std::strcmp(interface, wl_seat_interface.name) == 0) {
            // Before version 5 a motion stands alone: no frame to wait for.
            self->m_seat = static_cast<wl_seat *>(bind(&wl_seat_interface, 4));
        } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
            self->m_layerShell = static_cast<zwlr_layer_shell_v1 *>(bind(&zwlr_layer_shell_v1_interface, 1));
        } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
            self->m_pointers
                = static_cast<zwlr_virtual_pointer_manager_v1 *>(bind(&zwlr_virtual_pointer_manager_v1_interface, 1));
        } else if (std::strcmp(interface, wl_output_interface.name) == 0 && version >= 4) {
            Output &output = self->m_outputs.emplace_back();
            output.owner = self;
            output.output = static_cast<wl_output *>(bind(&wl_output_interface, 4));
            wl_output_add_listener(output.output, &outputListener, &output);
        }
    },
    [](void *, wl_registry *, uint32_t) {},
};

const wl_output_listener PointerWatch::outputListener = {
    [](void *, wl_output *, int32_t, int32_t, int32_t, int32_t, int32_t, const char *, const char *, int32_t) {},
    [](void *, wl_output *, uint32_t, int32_t, int32_t, int32_t) {},
    [](void *, wl_output *) {},
    [](void *, wl_output *, int32_t) {},
    [](void *data, wl_output *, const char *name) { static_cast<Output *>(data)->name = QString::fromUtf8(name); },
    [](void *, wl_output *, const char *) {},
};

const wl_seat_listener PointerWatch::seatListener = {
    [](void *data, wl_seat *seat, uint32_t capabilities) {
        auto *self = static_cast<PointerWatch *>(data);
        if ((capabilities & WL_SEAT_CAPABILITY_POINTER) && !self->m_pointer) {
            self->m_pointer = wl_seat_get_pointer(seat);
            wl_pointer_add_listener(self->m_pointer, &pointerListener, self);
        }
    },
    [](void *, wl_seat *, const char *) {},
};

const wl_pointer_listener PointerWatch::pointerListener = {
    [](void *data, wl_pointer *, uint32_t, wl_surface *surface, wl_fixed_t x, wl_fixed_t y) {
        auto *self = static_cast<PointerWatch *>(data);
        self->m_over = surface;
        self->place(surface, x, y);
    },
    [](void *data, wl_pointer *, uint32_t, wl_surface *) { static_cast<PointerWatch *>(data)->m_over = nullptr; },
    [](void *data, wl_pointer *, uint32_t, wl_fixed_t x, wl_fixed_t y) {
        auto *self = static_cast<PointerWatch *>(data);
        self->place(self->m_over, x, y);
    },
    [](void *, wl_pointer *, uint32_t, uint32_t, uint32_t, uint32_t) {},
    [](void *, wl_pointer *, uint32_t, uint32_t, wl_fixed_t) {},
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

const zwlr_layer_surface_v1_listener PointerWatch::layerListener = {
    [](void *data, zwlr_layer_surface_v1 *, uint32_t serial, uint32_t width, uint32_t height) {
        auto *output = static_cast<Output *>(data);
        output->owner->configure(*output, serial, width, height);
    },
    [](void *, zwlr_layer_surface_v1 *) {},
};

// The target that is not where the pointer is.
int nextTarget(const PointerWatch &watch, int fallback)
{
    if (watch.position() == centres[0])
        return 1;
    if (watch.position() == centres[1])
        return 0;
    return fallback;
}

bool press(VirtualKeyboard &keyboard, PointerWatch &watch, int which, int timeoutMs, double *millis = nullptr)
{
    keyboard.pressAlt();
    keyboard.pressDigit(which);
    QElapsedTimer timer;
    timer.start();
    const bool landed = watch.waitFor(centres[which], QDeadlineTimer(timeoutMs));
    if (landed && millis)
        *millis = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    keyboard.releaseAll(which);
    return landed;
}

// Presses the keys until a jump lands: the bindings exist and the pointer is
// at a known centre. It starts away from both, so a landing is a press's.
bool waitUntilReady(VirtualKeyboard &keyboard, PointerWatch &watch, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (int attempt = 0; !deadline.hasExpired(); ++attempt) {
        watch.readQueued();
        if (press(keyboard, watch, nextTarget(watch, attempt % 2), 250))
            return true;
        QCoreApplication::processEvents();
    }
    return false;
}

Latencies measure(VirtualKeyboard &keyboard, PointerWatch &watch, int presses)
{
    Latencies result;
    for (int i = 0; i < presses; ++i) {
        watch.readQueued();
        double millis = 0;
        if (press(keyboard, watch, nextTarget(watch, i % 2), PressTimeoutMs, &millis)) {
            result.millis.append(millis);
        } else {
            ++result.timeouts;
            result.elsewhere = watch.position();
        }
        // Whatever dartline said meanwhile, so that its pipe never fills.
        QCoreApplication::processEvents();
    }
    std::sort(result.millis.begin(), result.millis.end());
    return result;
}

bool stop(QProcess &process)
{
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        return process.waitForFinished(5000);
    }
    return true;
}

enum class Jumper { Dartline, SwayBindsym };

// One private sway with two outputs, the jumper, and the presses; empty
// when nothing could be measured, and then `error` says why.
std::optional<Latencies> run(Jumper jumper, int presses, QString *error)
{
    QElapsedTimer session;
    session.start();
    QByteArray config;
    if (jumper == Jumper::SwayBindsym) {
        for (int i = 0; i < 2; ++i) {
            config += u"bindsym Mod1+%1 exec swaymsg seat - cursor set %2 %3\n"_s.arg(i + 1)
                          .arg(centres[i].x())
                          .arg(centres[i].y())
                          .toUtf8();
        }
    }
    SwayServer server;
    if (!server.start(config)) {
        *error = server.errorString();
        return std::nullopt;
    }
    const QString outputName = server.createOutput(SecondOutput);
    if (outputName.isEmpty()) {
        *error = u"sway made no second output"_s;
        return std::nullopt;
    }
    PointerWatch watch(server.waylandSocket());
    if (!watch.errorString().isEmpty()) {
        *error = watch.errorString();
        return std::nullopt;
    }
    watch.setOrigins({ { u"HEADLESS-1"_s, QPoint(0, 0) }, { outputName, SecondOutput.topLeft() } });
    // Away from both centres, where the first press starts.
    const QPoint start(100, 100);
    watch.move(start, Layout);
    if (!watch.waitFor(start, QDeadlineTimer(5000))) {
        *error = u"the overlays never saw the pointer"_s;
        return std::nullopt;
    }
    VirtualKeyboard keyboard(server.waylandSocket());
    if (!keyboard.errorString().isEmpty()) {
        *error = keyboard.errorString();
        return std::nullopt;
    }

    // A fresh user past the first launch, without the pulse, with a runtime
    // directory of its own.
    QTemporaryDir home;
    QProcess dartline;
    if (jumper == Jumper::Dartline) {
        const QString configDir = home.filePath(u"config"_s);
        const QString runtime = home.filePath(u"runtime"_s);
        QDir().mkpath(configDir);
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile store(configDir + u"/org.dartline.Dartline.ini"_s);
        if (!store.open(QIODevice::WriteOnly)
            || store.write("[General]\nhasLaunched=true\nanimateCursor=false\n") < 0) {
            *error = u"cannot write %1"_s.arg(store.fileName());
            return std::nullopt;
        }
        store.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : { "QT_QPA_PLATFORM", "WAYLAND_SOCKET", "I3SOCK" })
            env.remove(QLatin1String(name));
        env.insert(u"WAYLAND_DISPLAY"_s, server.waylandSocket());
        env.insert(u"SWAYSOCK"_s, server.ipcSocket());
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime);
        env.insert(u"DISPLAY"_s, server.xDisplay());
        env.insert(u"XDG_CONFIG_HOME"_s, configDir);
        env.insert(u"QT_LOGGING_RULES"_s, u"org.dartline.Dartline.startup.info=true"_s);
        dartline.setProcessEnvironment(env);
        dartline.setReadChannel(QProcess::StandardError); // where the waits below look
        dartline.start(QStringLiteral(DARTLINE_BINARY), {});
        QByteArray said;
        const QDeadlineTimer deadline(20000);
        while (!said.contains("org.dartline.Dartline.startup: launched")) {
            if (deadline.hasExpired() || dartline.state() == QProcess::NotRunning) {
                *error = u"dartline did not launch; it said:\n"_s + QString::fromLocal8Bit(said);
                stop(dartline);
                return std::nullopt;
            }
            dartline.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
            said += dartline.readAllStandardError();
        }
    }

    const qint64 launchedMs = session.elapsed();
    if (!waitUntilReady(keyboard, watch, 20000)) {
        QFile log(server.runtimeDir() + u"/sway.log"_s);
        *error = u"no key press moved the pointer; sway said:\n"_s
            + (log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll().right(3000)) : QString());
        if (jumper == Jumper::Dartline) {
            *error += u"; dartline said:\n"_s + QString::fromLocal8Bit(dartline.readAllStandardError());
            stop(dartline);
        }
        return std::nullopt;
    }
    const qint64 readyMs = session.elapsed();
    QElapsedTimer pressing;
    pressing.start();
    const Latencies result = measure(keyboard, watch, presses);
    out << "  (" << (jumper == Jumper::Dartline ? "dartline on sway" : "sway bindsym + swaymsg") << ": ";
    if (jumper == Jumper::Dartline)
        out << "launched " << launchedMs << " ms after sway started, ";
    out << "first jump at " << readyMs << " ms; " << presses << " presses took " << pressing.elapsed() << " ms)\n";
    out.flush();
    if (jumper == Jumper::Dartline)
        stop(dartline);
    return result;
}

void printRow(const char *who, const Latencies &l)
{
    out << Qt::left << qSetFieldWidth(26) << who << Qt::right << qSetFieldWidth(8) << l.millis.size()
        << qSetFieldWidth(0) << Qt::fixed << qSetRealNumberPrecision(3);
    for (const double p : { 0.5, 0.9, 0.99 })
        out << qSetFieldWidth(10) << l.percentile(p);
    out << qSetFieldWidth(10) << l.timeouts << qSetFieldWidth(0);
    if (l.elsewhere)
        out << "   (the last one left the pointer at " << l.elsewhere->x() << ',' << l.elsewhere->y() << ')';
    out << "\n";
    out.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    const int presses = argc > 1 ? std::max(2, QByteArray(argv[1]).toInt()) : 200;
    QCoreApplication app(argc, argv);
    QElapsedTimer total;
    total.start();

    QProcess version;
    version.start(u"sway"_s, { u"--version"_s });
    version.waitForFinished(5000);
    out << "Private headless " << version.readAllStandardOutput().trimmed() << ", outputs 1920x1080 and "
        << SecondOutput.width() << 'x' << SecondOutput.height() << " side by side, " << presses
        << " presses alternating Alt+1 / Alt+2 through a virtual keyboard\n\n";
    out.flush();

    QString error;
    const std::optional<Latencies> ours = run(Jumper::Dartline, presses, &error);
    if (!ours)
        out << "dartline on sway: " << error << "\n";
    const std::optional<Latencies> sway = run(Jumper::SwayBindsym, presses, &error);
    if (!sway)
        out << "sway bindsym + swaymsg: " << error << "\n";

    out << "\n"
        << Qt::left << qSetFieldWidth(26) << "" << Qt::right << qSetFieldWidth(8) << "presses" << qSetFieldWidth(10)
        << "p50 ms"
        << "p90 ms"
        << "p99 ms"
        << "timeouts" << qSetFieldWidth(0) << "\n";
    if (ours)
        printRow("dartline on sway", *ours);
    if (sway)
        printRow("sway bindsym + swaymsg", *sway);
    // A tray program that listens for sway's binding events and then moves
    // the pointer itself should beat a process started for every press.
    if (ours && sway && !ours->millis.isEmpty() && !sway->millis.isEmpty()) {
        const double p50 = sway->percentile(0.5) / ours->percentile(0.5);
        out << Qt::fixed << qSetRealNumberPrecision(1) << "\nswaymsg / dartline   p50 " << p50
            << "x   (target > 1.0x: " << (p50 > 1.0 ? "met" : "missed") << ")   p99 "
            << sway->percentile(0.99) / ours->percentile(0.99) << "x\n";
    }
    out << Qt::fixed << qSetRealNumberPrecision(1) << "\nwhole run: " << static_cast<double>(total.elapsed()) / 1000.0
        << " s\n";
    out.flush();
    return ours && sway && ours->timeouts == 0 && sway->timeouts == 0 ? 0 : 1;
}
