// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/app/XWindows.h"

#include <QByteArray>
#include <QList>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace Dartline {

namespace {

struct Connection
{
    explicit Connection(const QString &displayName)
        : c(xcb_connect(displayName.toLatin1().constData(), nullptr))
    { }
    ~Connection() { xcb_disconnect(c); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool ok() const { return !xcb_connection_has_error(c); }
    xcb_window_t root() const { return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root; }

    xcb_atom_t atom(const char *name) const
    {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<quint16>(qstrlen(name)), name), nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    QByteArray property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) const
    {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 256), nullptr), &std::free);
        if (!reply)
            return {};
        return QByteArray(
            static_cast<const char *>(xcb_get_property_value(reply.get())), xcb_get_property_value_length(reply.get()));
    }

    QList<xcb_window_t> children(xcb_window_t window) const
    {
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr), &std::free);
        if (!tree)
            return {};
        const xcb_window_t *first = xcb_query_tree_children(tree.get());
        return QList<xcb_window_t>(first, first + xcb_query_tree_children_length(tree.get()));
    }

    quint32 cardinal(xcb_window_t window, xcb_atom_t property) const
    {
        const QByteArray bytes = this->property(window, property, XCB_ATOM_CARDINAL);
        return bytes.size() == 4 ? *reinterpret_cast<const quint32 *>(bytes.constData()) : 0;
    }

    bool viewable(xcb_window_t window) const
    {
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr), &std::free);
        return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    // Every window below the root, parents before children.
    QList<xcb_window_t> all() const
    {
        QList<xcb_window_t> windows = children(root());
        for (qsizetype i = 0; i < windows.size(); ++i)
            windows.append(children(windows.at(i)));
        return windows;
    }

    // A window of `wmClass` inside another client's window. A window
    // manager's frames hold windows of the class too, but those carry the
    // WM_STATE the manager gives the windows it manages.
    std::optional<xcb_window_t> findDocked(const QByteArray &wmClass) const
    {
        const xcb_atom_t wmState = atom("WM_STATE");
        QList<xcb_window_t> pending = children(root());
        while (!pending.isEmpty()) {
            for (const xcb_window_t child : children(pending.takeFirst())) {
                if (property(child, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING).split('\0').contains(wmClass)
                    && property(child, wmState, wmState).isEmpty())
                    return child;
                pending.append(child);
            }
        }
        return std::nullopt;
    }

    xcb_connection_t *c;
};

} // namespace

bool XWindows::docked(const QString &displayName, const QString &wmClass)
{
    const Connection x(displayName);
    // Not a top-level window: inside another client's (the tray's) window.
    return x.ok() && x.findDocked(wmClass.toUtf8()).has_value();
}

std::optional<QRect> XWindows::dockedGeometry(const QString &displayName, const QString &wmClass)
{
    const Connection x(displayName);
    if (!x.ok())
        return std::nullopt;
    const std::optional<xcb_window_t> window = x.findDocked(wmClass.toUtf8());
    if (!window)
        return std::nullopt;
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(x.c, xcb_get_geometry(x.c, *window), nullptr), &std::free);
    std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> origin(
        xcb_translate_coordinates_reply(x.c, xcb_translate_coordinates(x.c, *window, x.root(), 0, 0), nullptr),
        &std::free);
    if (!geometry || !origin)
        return std::nullopt;
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

bool XWindows::shown(const QString &displayName, qint64 pid, const QString &title)
{
    const Connection x(displayName);
    if (!x.ok())
        return false;
    const xcb_atom_t netWmPid = x.atom("_NET_WM_PID");
    const xcb_atom_t netWmName = x.atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = x.atom("UTF8_STRING");
    for (const xcb_window_t window : x.all()) {
        if (x.cardinal(window, netWmPid) == pid && x.property(window, netWmName, utf8) == title.toUtf8()
            && x.viewable(window))
            return true;
    }
    return false;
}

bool XWindows::overlayShown(const QString &displayName, qint64 pid, const QByteArray &type)
{
    const Connection x(displayName);
    if (!x.ok())
        return false;
    const xcb_atom_t netWmPid = x.atom("_NET_WM_PID");
    const xcb_atom_t windowType = x.atom("_NET_WM_WINDOW_TYPE");
    const xcb_atom_t wanted = x.atom(type.constData());
    for (const xcb_window_t window : x.children(x.root())) {
        if (x.cardinal(window, netWmPid) != pid)
            continue;
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
            xcb_get_window_attributes_reply(x.c, xcb_get_window_attributes(x.c, window), nullptr), &std::free);
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE || !attributes->override_redirect)
            continue;
        const QByteArray types = x.property(window, windowType, XCB_ATOM_ATOM);
        if (types.size() >= 4 && *reinterpret_cast<const xcb_atom_t *>(types.constData()) == wanted)
            return true;
    }
    return false;
}

qint64 XWindows::focusedProcess(const QString &displayName)
{
    const Connection x(displayName);
    if (!x.ok())
        return 0;
    std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&std::free)> focus(
        xcb_get_input_focus_reply(x.c, xcb_get_input_focus(x.c), nullptr), &std::free);
    if (!focus || focus->focus == XCB_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT)
        return 0;
    const xcb_atom_t netWmPid = x.atom("_NET_WM_PID");
    // The focus may sit on a child of the client's top-level window.
    for (xcb_window_t window = focus->focus; window != XCB_NONE && window != x.root();) {
        if (const quint32 pid = x.cardinal(window, netWmPid))
            return pid;
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
            xcb_query_tree_reply(x.c, xcb_query_tree(x.c, window), nullptr), &std::free);
        window = tree ? tree->parent : xcb_window_t(XCB_NONE);
    }
    return 0;
}

bool XWindows::keyboardGrabbed(const QString &displayName)
{
    const Connection x(displayName);
    if (!x.ok())
        return false;
    std::unique_ptr<xcb_grab_keyboard_reply_t, decltype(&std::free)> grab(
        xcb_grab_keyboard_reply(x.c,
            xcb_grab_keyboard(x.c, 0, x.root(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr),
        &std::free);
    if (grab && grab->status == XCB_GRAB_STATUS_SUCCESS) {
        xcb_ungrab_keyboard(x.c, XCB_CURRENT_TIME);
        xcb_flush(x.c);
        return false;
    }
    return grab && grab->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
}

bool XWindows::selectionOwned(const QString &displayName, const QByteArray &name)
{
    const Connection x(displayName);
    if (!x.ok())
        return false;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(x.c, xcb_get_selection_owner(x.c, x.atom(name.constData())), nullptr),
        &std::free);
    return owner && owner->owner != XCB_NONE;
}

} // namespace Dartline
