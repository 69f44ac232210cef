// SPDX-License-Identifier: GPL-3.0-or-later
// How fast a hot key moves the pointer in a Wayland session, on private
// headless compositors with two outputs side by side. On sway: the dartline
// program against sway's own way of doing it, a `bindsym` that runs
// `swaymsg seat - cursor set`. On KWin, which has no such way of its own: the
// dartline program alone.
//
//   bench_wayland_latency [presses]     default 200
//
// The keys go in through the compositor's own input path, so its shortcuts
// meet them as a real keyboard's: on sway this process is a virtual keyboard
// (zwp_virtual_keyboard_v1) with a us keymap; on KWin, which offers no virtual
// keyboards, it types through KWin's fake input, which a desktop entry naming
// this program grants. The landing is read back as any client learns of the
// pointer: a transparent overlay surface (wlr layer shell) on each output
// takes the pointer's motion. Latency runs from the digit's press, flushed to
// the compositor with Alt already down, to the motion event at the target
// output's centre; the presses alternate between Alt+1 and Alt+2, back to
// back.

#include "tests/platform/wayland/KwinServer.h"
#include "tests/platform/wayland/SwayServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <fake-input-client.h>
#include <virtual-keyboard-unstable-v1-client.h>
#include <wayland-client.h>
// The header names an argument after a C++ keyword.
#define namespace layer_namespace
#include <wlr-layer-shell-unstable-v1-client.h>
#undef namespace
#include <wlr-virtual-pointer-unstable-v1-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <linux/input-event-codes.h>
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
// Where Alt+1 and Alt+2 put the pointer.
using Centres = std::array<QPoint, 2>;
const Centres SwayCentres = { QPoint(960, 540), SecondOutput.topLeft() + QPoint(640, 512) };
// Virtual-0 and Virtual-1 as KwinServer makes them, 1280x720 side by side.
const QRect KwinOutputs[] = { QRect(0, 0, 1280, 720), QRect(1280, 0, 1280, 720) };
const Centres KwinCentres
    = { KwinOutputs[0].topLeft() + QPoint(640, 360), KwinOutputs[1].topLeft() + QPoint(640, 360) };
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

// Types Alt+digit into the compositor. Alt goes down first, flushed on its
// own, so that the digit's press is the only request in flight when the
// clock starts.
class Keyboard
{
public:
    virtual ~Keyboard() = default;
    QString errorString() const { return m_error; }
    virtual void pressAlt() = 0;
    virtual void pressDigit(int which) = 0;
    virtual void releaseAll(int which) = 0;

protected:
    QString m_error;
};

// A keyboard of this process's own, on a plain Wayland connection: what it
// presses reaches sway's bindings as a real keyboard's presses do.
class VirtualKeyboard : public Keyboard
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
    ~VirtualKeyboard() override
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

    void pressAlt() override
    {
        key(m_alt, WL_KEYBOARD_KEY_STATE_PRESSED);
        zwp_virtual_keyboard_v1_modifiers(m_keyboard, m_altMask, 0, 0, 0);
        wl_display_flush(m_display);
    }
    void pressDigit(int which) override
    {
        key(m_digits[which], WL_KEYBOARD_KEY_STATE_PRESSED);
        wl_display_flush(m_display);
    }
    void releaseAll(int which) override
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
};

// KWin's fake input on a plain Wayland connection of this process's own:
// its keys reach KWin's shortcuts as a real keyboard's do, in evdev's codes,
// and its absolute motion puts the pointer anywhere in the layout. KWin
// offers it only to a program a desktop entry names; the pointer it adds to
// the seat is what gives clients pointer events at all.
class FakeInput : public Keyboard
{
public:
    explicit FakeInput(const QString &socket)
    {
        m_display = wl_display_connect(QFile::encodeName(socket).constData());
        if (!m_display) {
            m_error = u"cannot connect to %1"_s.arg(socket);
            return;
        }
        wl_registry *registry = wl_display_get_registry(m_display);
        static const wl_registry_listener listener = {
            [](void *data, wl_registry *announcer, uint32_t name, const char *interface, uint32_t version) {
                auto *self = static_cast<FakeInput *>(data);
                // Keys came with version 4.
                if (!self->m_fakeInput && std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0
                    && version >= 4) {
                    self->m_fakeInput = static_cast<org_kde_kwin_fake_input *>(
                        wl_registry_bind(announcer, name, &org_kde_kwin_fake_input_interface, 4));
                }
            },
            [](void *, wl_registry *, uint32_t) {},
        };
        wl_registry_add_listener(registry, &listener, this);
        wl_display_roundtrip(m_display);
        wl_registry_destroy(registry);
        if (!m_fakeInput) {
            m_error = u"KWin offers this program no fake input (version 4): no desktop entry names %1"_s.arg(
                QCoreApplication::applicationFilePath());
            return;
        }
        org_kde_kwin_fake_input_authenticate(
            m_fakeInput, "bench_wayland_latency", "types hot keys and places the pointer");
        if (wl_display_roundtrip(m_display) < 0)
            m_error = u"KWin refused the fake input (error %1)"_s.arg(wl_display_get_error(m_display));
    }
    ~FakeInput() override
    {
        if (m_fakeInput)
            org_kde_kwin_fake_input_destroy(m_fakeInput);
        if (m_display)
            wl_display_disconnect(m_display);
    }
    Q_DISABLE_COPY_MOVE(FakeInput)

    void pressAlt() override
    {
        org_kde_kwin_fake_input_keyboard_key(m_fakeInput, KEY_LEFTALT, WL_KEYBOARD_KEY_STATE_PRESSED);
        wl_display_flush(m_display);
    }
    void pressDigit(int which) override
    {
        org_kde_kwin_fake_input_keyboard_key(m_fakeInput, Digits[which], WL_KEYBOARD_KEY_STATE_PRESSED);
        wl_display_flush(m_display);
    }
    void releaseAll(int which) override
    {
        org_kde_kwin_fake_input_keyboard_key(m_fakeInput, Digits[which], WL_KEYBOARD_KEY_STATE_RELEASED);
        org_kde_kwin_fake_input_keyboard_key(m_fakeInput, KEY_LEFTALT, WL_KEYBOARD_KEY_STATE_RELEASED);
        wl_display_flush(m_display);
        wl_display_dispatch_pending(m_display);
    }

    // Puts the pointer at `point` of the layout.
    void move(QPoint point)
    {
        org_kde_kwin_fake_input_pointer_motion_absolute(
            m_fakeInput, wl_fixed_from_int(point.x()), wl_fixed_from_int(point.y()));
        wl_display_flush(m_display);
    }

private:
    static constexpr uint32_t Digits[2] = { KEY_1, KEY_2 };

    wl_display *m_display = nullptr;
    org_kde_kwin_fake_input *m_fakeInput = nullptr;
};

// Where the pointer is, as the compositor tells its clients: a transparent
// overlay surface on each output takes the pointer's enter and motion events,
// each read as it comes. A seat without a pointer sends clients no pointer
// events at all: with `ownMouse` a virtual pointer of the watch's own gives
// sway's seat one, as a mouse would; KWin's gets one from fake input.
class PointerWatch
{
public:
    PointerWatch(const QString &socket, bool ownMouse)
    {
        m_display = wl_display_connect(QFile::encodeName(socket).constData());
        if (!m_display) {
            m_error = u"cannot connect to %1"_s.arg(socket);
            return;
        }
        m_registry = wl_display_get_registry(m_display);
        wl_registry_add_listener(m_registry, &registryListener, this);
        wl_display_roundtrip(m_display);
        if (!m_compositor || !m_shm || !m_seat || !m_layerShell || (ownMouse && !m_pointers) || m_outputs.empty()) {
            m_error = u"the compositor lacks a global the watch needs (layer shell, virtual pointers, ...)"_s;
            return;
        }
        wl_seat_add_listener(m_seat, &seatListener, this);
        if (ownMouse)
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
            m_error = u"the compositor showed no overlay, or gave the seat no pointer"_s;
    }
    ~PointerWatch()
    {
        if (m_mouse)
            zwlr_virtual_pointer_v1_destroy(m_mouse);
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

    // Puts the pointer at `point` with the mouse of the watch's own (sway).
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

    // A transparent buffer of the size the compositor gave the overlay.
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
int nextTarget(const PointerWatch &watch, const Centres &centres, int fallback)
{
    if (watch.position() == centres[0])
        return 1;
    if (watch.position() == centres[1])
        return 0;
    return fallback;
}

bool press(
    Keyboard &keyboard, PointerWatch &watch, const Centres &centres, int which, int timeoutMs, double *millis = nullptr)
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

// Presses the keys until a jump lands: the shortcuts exist and the pointer
// is at a known centre. It starts away from both, so a landing is a press's.
bool waitUntilReady(Keyboard &keyboard, PointerWatch &watch, const Centres &centres, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (int attempt = 0; !deadline.hasExpired(); ++attempt) {
        watch.readQueued();
        if (press(keyboard, watch, centres, nextTarget(watch, centres, attempt % 2), 250))
            return true;
        QCoreApplication::processEvents();
    }
    return false;
}

Latencies measure(Keyboard &keyboard, PointerWatch &watch, const Centres &centres, int presses)
{
    Latencies result;
    for (int i = 0; i < presses; ++i) {
        watch.readQueued();
        double millis = 0;
        if (press(keyboard, watch, centres, nextTarget(watch, centres, i % 2), PressTimeoutMs, &millis)) {
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

// Starts the dartline program as a fresh user past the first launch, without
// the pulse, with XDG directories of its own under `home`, in the session
// that `session` (WAYLAND_DISPLAY, DISPLAY, ...) names; true once it says it
// launched, else false and `error` says why.
bool launchDartline(
    QProcess &dartline, const QTemporaryDir &home, const QHash<QString, QString> &session, QString *error)
{
    const QString configDir = home.filePath(u"config"_s);
    const QString runtime = home.filePath(u"runtime"_s);
    for (const QString &dir : { configDir, runtime, home.filePath(u"data"_s), home.filePath(u"cache"_s) })
        QDir().mkpath(dir);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile store(configDir + u"/org.dartline.Dartline.ini"_s);
    if (!store.open(QIODevice::WriteOnly) || store.write("[General]\nhasLaunched=true\nanimateCursor=false\n") < 0) {
        *error = u"cannot write %1"_s.arg(store.fileName());
        return false;
    }
    store.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "QT_QPA_PLATFORM", "WAYLAND_SOCKET", "I3SOCK", "SWAYSOCK" })
        env.remove(QLatin1String(name));
    env.insert(u"XDG_RUNTIME_DIR"_s, runtime);
    env.insert(u"XDG_CONFIG_HOME"_s, configDir);
    env.insert(u"XDG_DATA_HOME"_s, home.filePath(u"data"_s));
    env.insert(u"XDG_CACHE_HOME"_s, home.filePath(u"cache"_s));
    env.insert(u"QT_LOGGING_RULES"_s, u"org.dartline.Dartline.startup.info=true"_s);
    for (auto it = session.cbegin(); it != session.cend(); ++it)
        env.insert(it.key(), it.value());
    dartline.setProcessEnvironment(env);
    dartline.setReadChannel(QProcess::StandardError); // where the waits below look
    dartline.start(QStringLiteral(DARTLINE_BINARY), {});
    QByteArray said;
    const QDeadlineTimer deadline(20000);
    while (!said.contains("org.dartline.Dartline.startup: launched")) {
        if (deadline.hasExpired() || dartline.state() == QProcess::NotRunning) {
            *error = u"dartline did not launch; it said:\n"_s + QString::fromLocal8Bit(said);
            stop(dartline);
            return false;
        }
        dartline.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        said += dartline.readAllStandardError();
    }
    return true;
}

// What one row's run shares once the compositor, the watch and the jumper
// are up: the first jump, then the presses.
struct Session
{
    const char *row;
    const char *compositor;
    Keyboard &keyboard;
    PointerWatch &watch;
    const Centres &centres;
    QString log; // the compositor's, for when no key lands
    QProcess *dartline = nullptr; // running, when the row is dartline's
};

std::optional<Latencies> pressAway(const Session &session, const QElapsedTimer &started, int presses, QString *error)
{
    const qint64 launchedMs = started.elapsed();
    if (!waitUntilReady(session.keyboard, session.watch, session.centres, 20000)) {
        QFile log(session.log);
        *error = u"no key press moved the pointer; %1 said:\n"_s.arg(QLatin1String(session.compositor))
            + (log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll().right(3000)) : QString());
        if (session.dartline) {
            *error += u"; dartline said:\n"_s + QString::fromLocal8Bit(session.dartline->readAllStandardError());
            stop(*session.dartline);
        }
        return std::nullopt;
    }
    const qint64 readyMs = started.elapsed();
    QElapsedTimer pressing;
    pressing.start();
    const Latencies result = measure(session.keyboard, session.watch, session.centres, presses);
    out << "  (" << session.row << ": ";
    if (session.dartline)
        out << "launched " << launchedMs << " ms after " << session.compositor << " started, ";
    out << "first jump at " << readyMs << " ms; " << presses << " presses took " << pressing.elapsed() << " ms)\n";
    out.flush();
    if (session.dartline)
        stop(*session.dartline);
    return result;
}

enum class Jumper { Dartline, SwayBindsym };

// One private sway with two outputs, the jumper, and the presses; empty
// when nothing could be measured, and then `error` says why.
std::optional<Latencies> runSway(Jumper jumper, int presses, QString *error)
{
    QElapsedTimer started;
    started.start();
    QByteArray config;
    if (jumper == Jumper::SwayBindsym) {
        for (int i = 0; i < 2; ++i) {
            config += u"bindsym Mod1+%1 exec swaymsg seat - cursor set %2 %3\n"_s.arg(i + 1)
                          .arg(SwayCentres[i].x())
                          .arg(SwayCentres[i].y())
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
    PointerWatch watch(server.waylandSocket(), true);
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

    QTemporaryDir home;
    QProcess dartline;
    if (jumper == Jumper::Dartline
        && !launchDartline(dartline, home,
            { { u"WAYLAND_DISPLAY"_s, server.waylandSocket() }, { u"SWAYSOCK"_s, server.ipcSocket() },
                { u"DISPLAY"_s, server.xDisplay() } },
            error))
        return std::nullopt;
    const Session session { jumper == Jumper::Dartline ? "dartline on sway" : "sway bindsym + swaymsg", "sway",
        keyboard, watch, SwayCentres, server.runtimeDir() + u"/sway.log"_s,
        jumper == Jumper::Dartline ? &dartline : nullptr };
    return pressAway(session, started, presses, error);
}

// One private KWin with two outputs, the dartline program granted fake input
// by a desktop entry, and the presses typed through this program's own fake
// input (another desktop entry); `version` is KWin's.
std::optional<Latencies> runKwin(int presses, QString *version, QString *error)
{
    QElapsedTimer started;
    started.start();
    if (QStandardPaths::findExecutable(u"kwin_wayland"_s).isEmpty()) {
        *error = u"kwin_wayland is not installed"_s;
        return std::nullopt;
    }
    // KWin knows a client by its executable's real path.
    const QString dartlineBinary = QFileInfo(QStringLiteral(DARTLINE_BINARY)).canonicalFilePath();
    KwinServer server;
    const QString failure = server.start({ dartlineBinary, QCoreApplication::applicationFilePath() }, 2);
    if (!failure.isEmpty()) {
        *error = failure.right(3000);
        return std::nullopt;
    }
    QProcess kwinVersion;
    kwinVersion.start(server.path(u"kwin_wayland"_s), { u"--version"_s });
    kwinVersion.waitForFinished(5000);
    *version = QString::fromLocal8Bit(kwinVersion.readAllStandardOutput().trimmed());

    // The fake input first: its pointer is the seat's.
    FakeInput keyboard(server.waylandSocket());
    if (!keyboard.errorString().isEmpty()) {
        *error = keyboard.errorString();
        return std::nullopt;
    }
    PointerWatch watch(server.waylandSocket(), false);
    if (!watch.errorString().isEmpty()) {
        *error = watch.errorString();
        return std::nullopt;
    }
    watch.setOrigins({ { u"Virtual-0"_s, KwinOutputs[0].topLeft() }, { u"Virtual-1"_s, KwinOutputs[1].topLeft() } });
    // Away from both centres, where the first press starts. KWin may map the
    // overlays after the first motion: the pointer moves to and fro until
    // they see it.
    const QDeadlineTimer deadline(5000);
    bool seen = false;
    for (int attempt = 0; !seen && !deadline.hasExpired(); ++attempt) {
        const QPoint start(100 + attempt % 2, 100);
        keyboard.move(start);
        seen = watch.waitFor(start, QDeadlineTimer(std::min<qint64>(200, deadline.remainingTime())));
    }
    if (!seen) {
        *error = u"the overlays never saw the pointer"_s;
        return std::nullopt;
    }

    QTemporaryDir home;
    QProcess dartline;
    if (!launchDartline(dartline, home,
            { { u"WAYLAND_DISPLAY"_s, server.waylandSocket() }, { u"DISPLAY"_s, server.xDisplay },
                { u"DBUS_SESSION_BUS_ADDRESS"_s, server.busAddress() } },
            error))
        return std::nullopt;
    const Session session { "dartline on KWin", "KWin", keyboard, watch, KwinCentres, server.path(u"log"_s),
        &dartline };
    return pressAway(session, started, presses, error);
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
    const QString swayVersion = QString::fromLocal8Bit(version.readAllStandardOutput().trimmed());
    out << "Key press to pointer landed on private headless compositors with two outputs side by side, " << presses
        << " presses per row alternating Alt+1 / Alt+2\n\n";
    out.flush();

    QString error;
    const std::optional<Latencies> ours = runSway(Jumper::Dartline, presses, &error);
    if (!ours)
        out << "dartline on sway: " << error << "\n";
    const std::optional<Latencies> sway = runSway(Jumper::SwayBindsym, presses, &error);
    if (!sway)
        out << "sway bindsym + swaymsg: " << error << "\n";
    QString kwinVersion = u"KWin"_s;
    const std::optional<Latencies> kwin = runKwin(presses, &kwinVersion, &error);
    if (!kwin)
        out << "dartline on KWin: " << error << "\n";

    out << "\nEach row: milliseconds from the digit's press, flushed to the compositor with Alt already down, to the\n"
           "pointer's motion event at the target output's centre, as a transparent overlay (wlr layer shell) on each\n"
           "output sees it.\n"
        << "  dartline on sway         " << swayVersion << ", 1920x1080 + " << SecondOutput.width() << 'x'
        << SecondOutput.height()
        << "; keys from a virtual keyboard; sway reports the\n"
           "                           binding over IPC, dartline moves the pointer (virtual pointer)\n"
        << "  sway bindsym + swaymsg   the same sway and keys; a bindsym runs `swaymsg seat - cursor set`, a process\n"
           "                           per press (sway's own way)\n"
        << "  dartline on KWin         " << kwinVersion
        << ", 1280x720 + 1280x720; keys through KWin's fake input; KGlobalAccel\n"
           "                           tells dartline over D-Bus, dartline moves the pointer (fake input); KWin has "
           "no\n"
           "                           way of its own to compare with\n\n"
        << Qt::left << qSetFieldWidth(26) << "" << Qt::right << qSetFieldWidth(8) << "presses" << qSetFieldWidth(10)
        << "p50 ms"
        << "p90 ms"
        << "p99 ms"
        << "timeouts" << qSetFieldWidth(0) << "\n";
    if (ours)
        printRow("dartline on sway", *ours);
    if (sway)
        printRow("sway bindsym + swaymsg", *sway);
    if (kwin)
        printRow("dartline on KWin", *kwin);
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
    const auto clean = [](const std::optional<Latencies> &row) { return row && row->timeouts == 0; };
    return clean(ours) && clean(sway) && clean(kwin) ? 0 : 1;
}
