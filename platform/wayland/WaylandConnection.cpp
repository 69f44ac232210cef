// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandConnection.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <fake-input-client.h>
#include <kde-output-device-v2-client.h>
#include <wayland-client.h>
#include <wlr-output-management-unstable-v1-client.h>
#include <wlr-virtual-pointer-unstable-v1-client.h>
#include <xdg-output-unstable-v1-client.h>

#include <algorithm>
#include <cstring>

namespace Dartline {

namespace {

QString text(const char *value)
{
    return QString::fromUtf8(value);
}

// Modes say nothing the jump needs; they are only released when they go,
// or with the connection.
template<typename Mode> void dropMode(void *modes, Mode *mode)
{
    auto *proxy = reinterpret_cast<wl_proxy *>(mode);
    static_cast<QList<wl_proxy *> *>(modes)->removeOne(proxy);
    wl_proxy_destroy(proxy);
}

const zwlr_output_mode_v1_listener modeListener = {
    [](void *, zwlr_output_mode_v1 *, qint32, qint32) {},
    [](void *, zwlr_output_mode_v1 *, qint32) {},
    [](void *, zwlr_output_mode_v1 *) {},
    &dropMode<zwlr_output_mode_v1>,
};

const kde_output_device_mode_v2_listener kwinModeListener = {
    [](void *, kde_output_device_mode_v2 *, qint32, qint32) {},
    [](void *, kde_output_device_mode_v2 *, qint32) {},
    [](void *, kde_output_device_mode_v2 *) {},
    &dropMode<kde_output_device_mode_v2>,
};

} // namespace

std::unique_ptr<WaylandConnection> WaylandConnection::open(const char *socket)
{
    wl_display *display = wl_display_connect(socket);
    if (!display)
        return nullptr;
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display));
    // The first round announces the globals, the second what the bound
    // objects describe, the third the xdg-outputs asked for in the second.
    for (int round = 0; round < 3; ++round) {
        if (!connection->roundtrip())
            return nullptr;
    }
    // What open() read is the starting state, not a change.
    connection->m_opened = true;
    return connection;
}

WaylandConnection::WaylandConnection(wl_display *display)
    : m_display(display)
{
    static const wl_registry_listener registryListener = { &onGlobal, &onGlobalRemove };
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);

    m_notifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(m_display), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &WaylandConnection::dispatch);
    // Requests made anywhere in a turn of the loop go out before it sleeps.
    if (auto *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &WaylandConnection::flush);
}

WaylandConnection::~WaylandConnection()
{
    m_notifier.reset();
    for (const auto &output : m_outputs) {
        if (output->xdgOutput)
            zxdg_output_v1_destroy(output->xdgOutput);
        wl_output_destroy(output->output);
    }
    for (wl_proxy *mode : std::as_const(m_modes))
        wl_proxy_destroy(mode);
    for (const auto &head : m_headList) {
        if (head->head)
            zwlr_output_head_v1_destroy(head->head);
        else
            kde_output_device_v2_destroy(head->device);
    }
    if (m_fakeInput)
        org_kde_kwin_fake_input_destroy(m_fakeInput);
    if (m_heads)
        zwlr_output_manager_v1_destroy(m_heads);
    if (m_xdgOutputs)
        zxdg_output_manager_v1_destroy(m_xdgOutputs);
    if (m_virtualPointers)
        zwlr_virtual_pointer_manager_v1_destroy(m_virtualPointers);
    if (m_seat)
        wl_seat_destroy(m_seat);
    wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
}

const WaylandConnection::Output *WaylandConnection::output(quint32 globalName) const
{
    for (const auto &output : m_outputs) {
        if (output->globalName == globalName)
            return output.get();
    }
    return nullptr;
}

const WaylandConnection::Head *WaylandConnection::head(const QString &name) const
{
    for (const auto &head : m_headList) {
        if (head->name == name)
            return head.get();
    }
    return nullptr;
}

bool WaylandConnection::roundtrip()
{
    return wl_display_roundtrip(m_display) >= 0;
}

void WaylandConnection::flush()
{
    wl_display_flush(m_display);
}

void WaylandConnection::dispatch()
{
    // The notifier saw data, so this read does not block.
    if (wl_display_dispatch(m_display) < 0) {
        qWarning("The connection to the Wayland compositor failed: %s", std::strerror(wl_display_get_error(m_display)));
        m_notifier->setEnabled(false);
    }
    // What the callbacks asked (an xdg-output for a new output) goes out now.
    flush();
}

void WaylandConnection::scheduleChanged()
{
    if (m_changePending || !m_opened)
        return;
    m_changePending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_changePending = false;
            Q_EMIT outputsChanged();
        },
        Qt::QueuedConnection);
}

void WaylandConnection::onGlobal(void *data, wl_registry *, quint32 name, const char *interface, quint32 version)
{
    static_cast<WaylandConnection *>(data)->bind(name, interface, version);
}

void WaylandConnection::onGlobalRemove(void *data, wl_registry *, quint32 name)
{
    static_cast<WaylandConnection *>(data)->removeGlobal(name);
}

void WaylandConnection::bind(quint32 name, const char *interface, quint32 version)
{
    const auto is = [interface](const wl_interface &candidate) { return std::strcmp(interface, candidate.name) == 0; };
    const auto get = [&](const wl_interface &type, quint32 highest) {
        return wl_registry_bind(m_registry, name, &type, std::min(version, highest));
    };
    if (is(wl_output_interface)) {
        addOutput(name, version);
    } else if (is(wl_seat_interface) && !m_seat) {
        m_seat = static_cast<wl_seat *>(get(wl_seat_interface, 1));
    } else if (is(zxdg_output_manager_v1_interface)) {
        m_xdgOutputs = static_cast<zxdg_output_manager_v1 *>(get(zxdg_output_manager_v1_interface, 3));
        for (const auto &output : m_outputs)
            watchOutput(*output);
    } else if (is(zwlr_virtual_pointer_manager_v1_interface) && version >= 2) {
        // Version 2 brings the pointer tied to one output, which is what
        // places it exactly.
        m_virtualPointers
            = static_cast<zwlr_virtual_pointer_manager_v1 *>(get(zwlr_virtual_pointer_manager_v1_interface, 2));
    } else if (is(zwlr_output_manager_v1_interface) && version >= 2) {
        static const zwlr_output_manager_v1_listener listener = {
            &onHead,
            &onHeadsDone,
            [](void *, zwlr_output_manager_v1 *) {},
        };
        m_heads = static_cast<zwlr_output_manager_v1 *>(get(zwlr_output_manager_v1_interface, 2));
        zwlr_output_manager_v1_add_listener(m_heads, &listener, this);
    } else if (is(kde_output_device_v2_interface)) {
        addDevice(name);
    } else if (is(org_kde_kwin_fake_input_interface) && version >= 3 && !m_fakeInput) {
        // Version 3 brings absolute motion. KWin ignores what an
        // unauthenticated client sends; the text may be shown to the user.
        m_fakeInput = static_cast<org_kde_kwin_fake_input *>(get(org_kde_kwin_fake_input_interface, 4));
        org_kde_kwin_fake_input_authenticate(m_fakeInput,
            QGuiApplication::applicationDisplayName().toUtf8().constData(),
            "Move the pointer to the monitor whose shortcut was pressed");
    }
}

void WaylandConnection::addDevice(quint32 name)
{
    m_kwinOutputs = true;
    auto head = std::make_unique<Head>();
    head->globalName = name;
    head->owner = this;
    head->device
        = static_cast<kde_output_device_v2 *>(wl_registry_bind(m_registry, name, &kde_output_device_v2_interface, 2));
    static const kde_output_device_v2_listener listener = {
        [](void *p, kde_output_device_v2 *, qint32, qint32, qint32, qint32, qint32, const char *make, const char *model,
            qint32) {
            static_cast<Head *>(p)->make = text(make);
            static_cast<Head *>(p)->model = text(model);
        },
        [](void *, kde_output_device_v2 *, kde_output_device_mode_v2 *) {},
        [](void *p, kde_output_device_v2 *, kde_output_device_mode_v2 *mode) {
            QList<wl_proxy *> &modes = static_cast<Head *>(p)->owner->m_modes;
            modes.append(reinterpret_cast<wl_proxy *>(mode));
            kde_output_device_mode_v2_add_listener(mode, &kwinModeListener, &modes);
        },
        [](void *p, kde_output_device_v2 *) { static_cast<Head *>(p)->owner->scheduleChanged(); },
        [](void *, kde_output_device_v2 *, wl_fixed_t) {},
        [](void *p, kde_output_device_v2 *, const char *edid) {
            static_cast<Head *>(p)->edid = QByteArray::fromBase64(edid);
        },
        [](void *, kde_output_device_v2 *, qint32) {},
        [](void *, kde_output_device_v2 *, const char *) {},
        [](void *p, kde_output_device_v2 *, const char *serial) { static_cast<Head *>(p)->serial = text(serial); },
        [](void *, kde_output_device_v2 *, const char *) {},
        [](void *, kde_output_device_v2 *, quint32) {},
        [](void *, kde_output_device_v2 *, quint32) {},
        [](void *, kde_output_device_v2 *, quint32) {},
        [](void *, kde_output_device_v2 *, quint32) {},
        [](void *p, kde_output_device_v2 *, const char *connector) { static_cast<Head *>(p)->name = text(connector); },
    };
    kde_output_device_v2_add_listener(head->device, &listener, head.get());
    m_headList.push_back(std::move(head));
    scheduleChanged();
}

void WaylandConnection::addOutput(quint32 name, quint32 version)
{
    // Version 4 names the connector; xdg-output names it for older ones.
    auto output = std::make_unique<Output>();
    output->owner = this;
    output->globalName = name;
    output->output
        = static_cast<wl_output *>(wl_registry_bind(m_registry, name, &wl_output_interface, std::min(version, 4u)));
    static const wl_output_listener listener = {
        [](void *p, wl_output *, qint32, qint32, qint32, qint32, qint32, const char *make, const char *model, qint32) {
            static_cast<Output *>(p)->make = text(make);
            static_cast<Output *>(p)->model = text(model);
        },
        [](void *, wl_output *, quint32, qint32, qint32, qint32) {},
        [](void *p, wl_output *) { static_cast<Output *>(p)->owner->scheduleChanged(); },
        [](void *, wl_output *, qint32) {},
        [](void *p, wl_output *, const char *connector) { static_cast<Output *>(p)->name = text(connector); },
        [](void *, wl_output *, const char *) {},
    };
    wl_output_add_listener(output->output, &listener, output.get());
    watchOutput(*output);
    m_outputs.push_back(std::move(output));
    scheduleChanged();
}

void WaylandConnection::watchOutput(Output &output)
{
    if (!m_xdgOutputs || output.xdgOutput)
        return;
    static const zxdg_output_v1_listener listener = {
        [](void *p, zxdg_output_v1 *, qint32 x, qint32 y) {
            static_cast<Output *>(p)->logical.moveTopLeft(QPoint(x, y));
        },
        [](void *p, zxdg_output_v1 *, qint32 width, qint32 height) {
            static_cast<Output *>(p)->logical.setSize(QSize(width, height));
        },
        [](void *p, zxdg_output_v1 *) { static_cast<Output *>(p)->owner->scheduleChanged(); },
        [](void *p, zxdg_output_v1 *, const char *connector) {
            auto *described = static_cast<Output *>(p);
            if (described->name.isEmpty())
                described->name = text(connector);
        },
        [](void *, zxdg_output_v1 *, const char *) {},
    };
    output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(m_xdgOutputs, output.output);
    // A description ends with wl_output.done (xdg-output 3) or xdg_output.done.
    zxdg_output_v1_add_listener(output.xdgOutput, &listener, &output);
}

void WaylandConnection::removeGlobal(quint32 name)
{
    std::erase_if(m_headList, [name](const auto &head) {
        if (!head->device || head->globalName != name)
            return false;
        kde_output_device_v2_destroy(head->device);
        return true;
    });
    const auto it = std::find_if(
        m_outputs.begin(), m_outputs.end(), [name](const auto &output) { return output->globalName == name; });
    if (it == m_outputs.end())
        return;
    Q_EMIT outputRemoved(name);
    if ((*it)->xdgOutput)
        zxdg_output_v1_destroy((*it)->xdgOutput);
    wl_output_destroy((*it)->output);
    m_outputs.erase(it);
    scheduleChanged();
}

void WaylandConnection::onHead(void *data, zwlr_output_manager_v1 *, zwlr_output_head_v1 *proxy)
{
    auto *self = static_cast<WaylandConnection *>(data);
    auto head = std::make_unique<Head>();
    head->head = proxy;
    head->owner = self;
    static const zwlr_output_head_v1_listener listener = {
        [](void *p, zwlr_output_head_v1 *, const char *connector) { static_cast<Head *>(p)->name = text(connector); },
        [](void *, zwlr_output_head_v1 *, const char *) {},
        [](void *, zwlr_output_head_v1 *, qint32, qint32) {},
        [](void *p, zwlr_output_head_v1 *, zwlr_output_mode_v1 *mode) {
            QList<wl_proxy *> &modes = static_cast<Head *>(p)->owner->m_modes;
            modes.append(reinterpret_cast<wl_proxy *>(mode));
            zwlr_output_mode_v1_add_listener(mode, &modeListener, &modes);
        },
        [](void *, zwlr_output_head_v1 *, qint32) {},
        [](void *, zwlr_output_head_v1 *, zwlr_output_mode_v1 *) {},
        [](void *, zwlr_output_head_v1 *, qint32, qint32) {},
        [](void *, zwlr_output_head_v1 *, qint32) {},
        [](void *, zwlr_output_head_v1 *, wl_fixed_t) {},
        [](void *p, zwlr_output_head_v1 *) {
            // The head is gone: marking it lets the next "done" drop it.
            static_cast<Head *>(p)->name.clear();
        },
        [](void *p, zwlr_output_head_v1 *, const char *make) { static_cast<Head *>(p)->make = text(make); },
        [](void *p, zwlr_output_head_v1 *, const char *model) { static_cast<Head *>(p)->model = text(model); },
        [](void *p, zwlr_output_head_v1 *, const char *serial) { static_cast<Head *>(p)->serial = text(serial); },
    };
    zwlr_output_head_v1_add_listener(proxy, &listener, head.get());
    self->m_headList.push_back(std::move(head));
}

void WaylandConnection::onHeadsDone(void *data, zwlr_output_manager_v1 *, quint32)
{
    auto *self = static_cast<WaylandConnection *>(data);
    std::erase_if(self->m_headList, [](const auto &head) {
        if (!head->head || !head->name.isEmpty())
            return false;
        zwlr_output_head_v1_destroy(head->head);
        return true;
    });
    self->scheduleChanged();
}

} // namespace Dartline
