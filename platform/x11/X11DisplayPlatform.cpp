// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11DisplayPlatform.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Coordinates.h"

#include <QCoreApplication>

#include <xcb/randr.h>

#include <cstdlib>
#include <memory>

namespace Dartline {

namespace {

template<typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

template<typename T> Reply<T> reply(T *raw)
{
    return Reply<T>(raw, &std::free);
}

// Outputs and CRTCs can vanish between two requests. Taking the error here
// keeps it out of the event queue, where Qt would log it as a fault.
template<typename T, typename Cookie>
Reply<T> quiet(T *(*get)(xcb_connection_t *, Cookie, xcb_generic_error_t **), xcb_connection_t *c, Cookie cookie)
{
    xcb_generic_error_t *error = nullptr;
    Reply<T> result(get(c, cookie, &error), &std::free);
    std::free(error);
    return result;
}

// The base block is all the identity needs; 32 units of four bytes.
constexpr quint32 EdidLongs = 32;

QString atomName(xcb_connection_t *c, xcb_atom_t atom)
{
    auto name = quiet(xcb_get_atom_name_reply, c, xcb_get_atom_name(c, atom));
    if (!name)
        return {};
    return QString::fromUtf8(xcb_get_atom_name_name(name.get()), xcb_get_atom_name_name_length(name.get()));
}

} // namespace

X11DisplayPlatform::X11DisplayPlatform(QObject *parent)
    : DisplayPlatform(parent)
    , m_connection(X11Connection::application())
    , m_root(X11Connection::root(m_connection))
{
    if (m_root == XCB_WINDOW_NONE) {
        m_connection = nullptr;
        return;
    }
    const xcb_query_extension_reply_t *randr = xcb_get_extension_data(m_connection, &xcb_randr_id);
    if (!randr || !randr->present)
        return;
    m_randrEventBase = randr->first_event;
    const xcb_randr_query_version_cookie_t versionCookie = xcb_randr_query_version(m_connection, 1, 5);
    const xcb_get_window_attributes_cookie_t rootCookie = xcb_get_window_attributes(m_connection, m_root);
    auto version = reply(xcb_randr_query_version_reply(m_connection, versionCookie, nullptr));
    auto rootAttributes = reply(xcb_get_window_attributes_reply(m_connection, rootCookie, nullptr));
    m_hasMonitors = version && (version->major_version > 1 || version->minor_version >= 5);
    m_edidAtom = X11Connection::atom(m_connection, "EDID");

    // Monitors a client defines (xrandr --setmonitor) come and go without a
    // RandR event; the server announces them with a ConfigureNotify on the
    // root. Qt selects that already; adding it to whatever this connection
    // selects there keeps it so without taking anything from Qt.
    if (rootAttributes && !(rootAttributes->your_event_mask & XCB_EVENT_MASK_STRUCTURE_NOTIFY)) {
        const quint32 mask = rootAttributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    }

    // The selection is per client and window, and Qt shares this connection:
    // it selects exactly these four for its own screen handling, so asking for
    // fewer would take its events away.
    xcb_randr_select_input(m_connection, m_root,
        XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE | XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE | XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE
            | XCB_RANDR_NOTIFY_MASK_OUTPUT_PROPERTY);
    xcb_flush(m_connection);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11DisplayPlatform::~X11DisplayPlatform()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11DisplayPlatform::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (!m_hasMonitors || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const int type = event->response_type & ~0x80;
    // The snapshot goes here and now, before Qt hands on the next event: a
    // key press behind these in the queue must see the new layout.
    if (type == m_randrEventBase + XCB_RANDR_SCREEN_CHANGE_NOTIFY) {
        scheduleChanged();
    } else if (type == m_randrEventBase + XCB_RANDR_NOTIFY) {
        const auto *notify = reinterpret_cast<const xcb_randr_notify_event_t *>(event);
        if (notify->subCode == XCB_RANDR_NOTIFY_CRTC_CHANGE || notify->subCode == XCB_RANDR_NOTIFY_OUTPUT_CHANGE)
            scheduleChanged();
        else if (notify->subCode == XCB_RANDR_NOTIFY_OUTPUT_PROPERTY && notify->u.op.atom == m_edidAtom)
            m_cache.reset(); // a new identity; the layout itself is unchanged
    } else if (type == XCB_CONFIGURE_NOTIFY) {
        if (reinterpret_cast<const xcb_configure_notify_event_t *>(event)->window == m_root)
            m_cache.reset();
    }
    return false; // Qt follows the same events for its own screens
}

void X11DisplayPlatform::scheduleChanged()
{
    m_cache.reset();
    if (m_changePending)
        return;
    // One change on the server arrives as a burst of screen, CRTC and output
    // events; the layers above want to enumerate once, after the burst.
    m_changePending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_changePending = false;
            Q_EMIT configurationChanged();
        },
        Qt::QueuedConnection);
}

const QList<X11DisplayPlatform::Monitor> &X11DisplayPlatform::monitors()
{
    if (m_cache)
        return *m_cache;
    // Without RandR 1.5 there is nothing to read and nothing will change.
    if (!m_connection || !m_hasMonitors) {
        m_cache.emplace();
        return *m_cache;
    }
    // Outputs and CRTCs that vanish while this reads were changed on the
    // server, and their events drop the snapshot again. A list the server
    // did not give at all is not kept: the next question asks again.
    m_cache = readMonitors();
    return m_cache ? *m_cache : m_unread;
}

std::optional<QList<X11DisplayPlatform::Monitor>> X11DisplayPlatform::readMonitors()
{
    if (xcb_connection_has_error(m_connection))
        return std::nullopt;
    xcb_connection_t *c = m_connection;
    auto list = reply(xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, m_root, 1), nullptr));
    if (!list)
        return std::nullopt;
    QList<Monitor> result;

    struct Pending
    {
        xcb_randr_output_t output = XCB_NONE;
        xcb_randr_get_output_info_cookie_t info {};
        xcb_randr_get_output_property_cookie_t edid {};
    };
    QList<Pending> pending;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(list.get()); it.rem; xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_monitor_info_t *info = it.data;
        Monitor monitor;
        monitor.nameAtom = info->name;
        monitor.geometry = QRect(info->x, info->y, info->width, info->height);
        monitor.primary = info->primary;
        Pending request;
        if (xcb_randr_monitor_info_outputs_length(info) > 0) {
            request.output = xcb_randr_monitor_info_outputs(info)[0];
            request.info = xcb_randr_get_output_info(c, request.output, XCB_CURRENT_TIME);
            if (m_edidAtom != XCB_ATOM_NONE)
                request.edid
                    = xcb_randr_get_output_property(c, request.output, m_edidAtom, XCB_ATOM_ANY, 0, EdidLongs, 0, 0);
            monitor.number = request.output;
            monitor.hasOutput = true;
        } else {
            monitor.number = info->name;
        }
        result.append(monitor);
        pending.append(request);
    }

    QList<xcb_randr_get_crtc_info_cookie_t> crtcs(result.size());
    QList<bool> hasCrtc(result.size(), false);
    for (qsizetype i = 0; i < result.size(); ++i) {
        if (pending[i].output == XCB_NONE)
            continue;
        auto output = quiet(xcb_randr_get_output_info_reply, c, pending[i].info);
        if (m_edidAtom != XCB_ATOM_NONE) {
            auto edid = quiet(xcb_randr_get_output_property_reply, c, pending[i].edid);
            if (edid && edid->format == 8) {
                result[i].edid = Edid::parse(QByteArrayView(xcb_randr_get_output_property_data(edid.get()),
                    xcb_randr_get_output_property_data_length(edid.get())));
            }
        }
        if (!output)
            continue;
        result[i].connector
            = QString::fromUtf8(reinterpret_cast<const char *>(xcb_randr_get_output_info_name(output.get())),
                xcb_randr_get_output_info_name_length(output.get()));
        if (output->connection == XCB_RANDR_CONNECTION_CONNECTED && output->crtc != XCB_NONE) {
            crtcs[i] = xcb_randr_get_crtc_info(c, output->crtc, XCB_CURRENT_TIME);
            hasCrtc[i] = true;
        }
    }
    for (qsizetype i = 0; i < result.size(); ++i) {
        if (hasCrtc[i]) {
            auto crtc = quiet(xcb_randr_get_crtc_info_reply, c, crtcs[i]);
            result[i].outputDriven = crtc && crtc->mode != XCB_NONE;
        }
        // Monitor names are only shown when nothing better exists.
        if (result[i].connector.isEmpty() && !(result[i].edid && !result[i].edid->monitorName.isEmpty()))
            result[i].monitorName = atomName(c, result[i].nameAtom);
    }
    return result;
}

const X11DisplayPlatform::Monitor *X11DisplayPlatform::find(quint32 display)
{
    for (const Monitor &monitor : monitors()) {
        if (monitor.number == display)
            return &monitor;
    }
    return nullptr;
}

bool X11DisplayPlatform::isActive(const Monitor &monitor) const
{
    if (monitor.geometry.width() <= 0 || monitor.geometry.height() <= 0)
        return false;
    return !monitor.hasOutput || monitor.outputDriven;
}

QList<ScreenInfo> X11DisplayPlatform::screens()
{
    // Every enumeration starts from the server, never from an older snapshot.
    m_cache.reset();
    QList<ScreenInfo> result;
    for (const Monitor &monitor : monitors()) {
        QString name;
        if (monitor.edid && !monitor.edid->monitorName.isEmpty())
            name = monitor.edid->monitorName;
        else if (!monitor.connector.isEmpty())
            name = monitor.connector;
        else
            name = monitor.monitorName;
        result.append(ScreenInfo { monitor.number, name });
    }
    return result;
}

bool X11DisplayPlatform::isActive(quint32 display)
{
    const Monitor *monitor = find(display);
    return monitor && isActive(*monitor);
}

bool X11DisplayPlatform::isInMirrorSet(quint32 display)
{
    const Monitor *monitor = find(display);
    if (!monitor || !isActive(*monitor))
        return false;
    for (const Monitor &other : monitors()) {
        if (&other != monitor && isActive(other) && other.geometry == monitor->geometry)
            return true;
    }
    return false;
}

quint32 X11DisplayPlatform::mirrorsDisplay(quint32 display)
{
    const Monitor *monitor = find(display);
    if (!monitor || !isActive(*monitor))
        return 0;
    const Monitor *master = nullptr;
    int members = 0;
    for (const Monitor &other : monitors()) {
        if (!isActive(other) || other.geometry != monitor->geometry)
            continue;
        ++members;
        if (!master || (other.primary && !master->primary))
            master = &other;
    }
    return members > 1 && master != monitor ? master->number : 0;
}

std::optional<QString> X11DisplayPlatform::uuid(quint32 display)
{
    const Monitor *monitor = find(display);
    if (!monitor || !monitor->edid)
        return std::nullopt;
    return monitor->edid->identity(monitor->connector).toString(QUuid::WithoutBraces).toUpper();
}

quint32 X11DisplayPlatform::vendorNumber(quint32 display)
{
    const Monitor *monitor = find(display);
    return monitor && monitor->edid ? monitor->edid->vendorId : 0;
}

quint32 X11DisplayPlatform::modelNumber(quint32 display)
{
    const Monitor *monitor = find(display);
    return monitor && monitor->edid ? monitor->edid->productCode : 0;
}

quint32 X11DisplayPlatform::serialNumber(quint32 display)
{
    const Monitor *monitor = find(display);
    return monitor && monitor->edid ? monitor->edid->serialNumber : 0;
}

QRectF X11DisplayPlatform::bounds(quint32 display)
{
    const Monitor *monitor = find(display);
    return monitor ? X11Coordinates::toGlobal(monitor->geometry) : QRectF();
}

bool X11DisplayPlatform::isBuiltin(quint32 display)
{
    const Monitor *monitor = find(display);
    if (!monitor)
        return false;
    for (const char *prefix : { "eDP", "LVDS", "DSI" }) {
        if (monitor->connector.startsWith(QLatin1String(prefix), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace Dartline
