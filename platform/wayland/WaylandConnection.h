// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>

#include <memory>
#include <vector>

struct wl_display;
struct wl_proxy;
struct wl_registry;
struct wl_seat;
struct wl_output;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct zwlr_output_manager_v1;
struct zwlr_output_head_v1;
struct zwlr_output_mode_v1;
struct zwlr_virtual_pointer_manager_v1;
struct kde_output_device_v2;
struct org_kde_kwin_fake_input;

class QSocketNotifier;

namespace Dartline {

// A plain client connection to the compositor, apart from Qt's (which speaks
// X11 through XWayland), served by the Qt event loop: a socket notifier reads
// and dispatches, and whatever is queued is flushed before the loop sleeps.
// It keeps the outputs as the compositor describes them: wl_output for the
// name, xdg-output for the place in the layout, wlr-output-management or
// KWin's output devices for make, model, serial and (KWin) the EDID.
class WaylandConnection : public QObject
{
    Q_OBJECT
public:
    struct Output
    {
        WaylandConnection *owner = nullptr;
        quint32 globalName = 0; // the registry name, unique for the session
        wl_output *output = nullptr;
        zxdg_output_v1 *xdgOutput = nullptr;
        QString name; // the connector ("DP-1", "HEADLESS-1")
        QString make;
        QString model;
        QRect logical; // layout coordinates, as XWayland's root has them
    };
    // One of the two, a wlroots head or a KWin output device (its own global).
    struct Head
    {
        zwlr_output_head_v1 *head = nullptr;
        kde_output_device_v2 *device = nullptr;
        WaylandConnection *owner = nullptr;
        quint32 globalName = 0;
        QString name;
        QString make;
        QString model;
        QString serial;
        QByteArray edid; // the whole block, when the compositor passes it on
    };

    // Connects to `socket` (WAYLAND_DISPLAY when null) and waits for the
    // first description of every output. Null without a compositor.
    static std::unique_ptr<WaylandConnection> open(const char *socket = nullptr);
    ~WaylandConnection() override;
    Q_DISABLE_COPY_MOVE(WaylandConnection)

    wl_display *display() const { return m_display; }
    wl_seat *seat() const { return m_seat; }
    zwlr_virtual_pointer_manager_v1 *virtualPointers() const { return m_virtualPointers; }
    // KWin's input injection, offered only to programs it trusts; already
    // authenticated.
    org_kde_kwin_fake_input *fakeInput() const { return m_fakeInput; }
    bool offersKwinOutputs() const { return m_kwinOutputs; }
    bool hasOutputLayout() const { return m_xdgOutputs != nullptr; }

    // Outputs the compositor shows now, in the order it announced them.
    const std::vector<std::unique_ptr<Output>> &outputs() const { return m_outputs; }
    const Output *output(quint32 globalName) const;
    // The output-management head of a connector, or null.
    const Head *head(const QString &name) const;

    // Sends what is queued and waits until the compositor answered it all.
    bool roundtrip();
    void flush();

Q_SIGNALS:
    // Outputs came, went or changed; at most once per turn of the event loop.
    void outputsChanged();
    // Emitted at once, before the output's objects go.
    void outputRemoved(quint32 globalName);

private:
    WaylandConnection(wl_display *display);
    void bind(quint32 name, const char *interface, quint32 version);
    void addOutput(quint32 name, quint32 version);
    void removeGlobal(quint32 name);
    void watchOutput(Output &output);
    void scheduleChanged();
    void dispatch();

    static void onGlobal(void *data, wl_registry *, quint32 name, const char *interface, quint32 version);
    static void onGlobalRemove(void *data, wl_registry *, quint32 name);
    static void onHead(void *data, zwlr_output_manager_v1 *, zwlr_output_head_v1 *head);
    static void onHeadsDone(void *data, zwlr_output_manager_v1 *, quint32 serial);
    void addDevice(quint32 name);

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    zxdg_output_manager_v1 *m_xdgOutputs = nullptr;
    zwlr_output_manager_v1 *m_heads = nullptr;
    zwlr_virtual_pointer_manager_v1 *m_virtualPointers = nullptr;
    org_kde_kwin_fake_input *m_fakeInput = nullptr;
    std::vector<std::unique_ptr<Output>> m_outputs;
    std::vector<std::unique_ptr<Head>> m_headList;
    QList<wl_proxy *> m_modes;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_opened = false;
    bool m_changePending = false;
    bool m_kwinOutputs = false;
};

} // namespace Dartline
