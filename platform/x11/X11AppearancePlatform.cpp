// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11AppearancePlatform.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/XSettings.h"

#include <QCoreApplication>

#include <xcb/xfixes.h>

#include <cstdlib>
#include <memory>

namespace Dartline {

namespace {

template<typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

// The owner is another client and may go between two requests: its errors
// are expected, and taking them here keeps them out of Qt's event queue.
template<typename T, typename Cookie>
Reply<T> quiet(T *(*get)(xcb_connection_t *, Cookie, xcb_generic_error_t **), xcb_connection_t *c, Cookie cookie)
{
    xcb_generic_error_t *error = nullptr;
    Reply<T> result(get(c, cookie, &error), &std::free);
    std::free(error);
    return result;
}

} // namespace

X11AppearancePlatform::X11AppearancePlatform(QObject *parent)
    : AppearancePlatform(parent)
    , m_connection(X11Connection::application())
    , m_root(X11Connection::root(m_connection))
{
    if (m_root == XCB_WINDOW_NONE) {
        m_connection = nullptr;
        return;
    }
    m_selection = X11Connection::atom(m_connection, "_XSETTINGS_S" + QByteArray::number(X11Connection::screenNumber()));
    m_property = X11Connection::atom(m_connection, "_XSETTINGS_SETTINGS");
    if (m_selection == XCB_ATOM_NONE || m_property == XCB_ATOM_NONE) {
        m_connection = nullptr;
        return;
    }

    const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(m_connection, &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        // XFixes answers nothing until the client has announced its version.
        auto version = quiet(xcb_xfixes_query_version_reply, m_connection,
            xcb_xfixes_query_version(m_connection, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION));
        if (version && version->major_version >= 1) {
            m_xfixesEventBase = xfixes->first_event;
            // Per client, window and selection: Qt's own selections of this
            // connection (clipboard, tray) are untouched.
            xcb_xfixes_select_selection_input(m_connection, m_root, m_selection,
                XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                    | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                    | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        }
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
    followOwner();
}

X11AppearancePlatform::~X11AppearancePlatform()
{
    if (m_connection && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void X11AppearancePlatform::followOwner()
{
    auto owner = quiet(xcb_get_selection_owner_reply, m_connection, xcb_get_selection_owner(m_connection, m_selection));
    m_owner = owner ? owner->owner : xcb_window_t(XCB_WINDOW_NONE);
    if (m_owner != XCB_WINDOW_NONE) {
        // Event masks are per client and window, and Qt shares this
        // connection and watches the same window for its own settings: add
        // to its mask, never replace it. Selected before the read below, so
        // no change can fall between the two.
        auto attributes
            = quiet(xcb_get_window_attributes_reply, m_connection, xcb_get_window_attributes(m_connection, m_owner));
        if (attributes) {
            const quint32 mask = attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(m_connection, m_owner, XCB_CW_EVENT_MASK, &mask);
        }
    }
    readTheme();
}

void X11AppearancePlatform::readTheme()
{
    std::optional<QString> name;
    if (const std::optional<QByteArray> data = X11Connection::xsettings(m_connection, m_owner, m_property)) {
        if (const std::optional<QByteArray> value = XSettings::string(*data, "Net/ThemeName"))
            name = QString::fromUtf8(*value);
    }
    if (name == m_themeName)
        return;
    m_themeName = name;
    // Told after the event that caused it has been handled, outside Qt's
    // native event dispatch.
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT changed(); }, Qt::QueuedConnection);
}

bool X11AppearancePlatform::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const int type = event->response_type & ~0x80;
    if (type == XCB_PROPERTY_NOTIFY) {
        const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event);
        if (notify->window == m_owner && notify->atom == m_property)
            readTheme();
    } else if (m_xfixesEventBase >= 0 && type == m_xfixesEventBase + XCB_XFIXES_SELECTION_NOTIFY) {
        const auto *notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(event);
        if (notify->selection == m_selection)
            followOwner();
    }
    return false; // Qt may follow the same events
}

} // namespace Dartline
