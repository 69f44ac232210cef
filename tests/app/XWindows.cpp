// SPDX-License-Identifier: GPL-3.0-or-later
#include "XWindows.h"

#include <QByteArray>
#include <QList>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

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

    xcb_connection_t *c;
};

} // namespace

bool XWindows::docked(const QString &displayName, const QString &wmClass)
{
    const Connection x(displayName);
    if (!x.ok())
        return false;
    const QByteArray wanted = wmClass.toUtf8();
    QList<xcb_window_t> pending = x.children(x.root());
    while (!pending.isEmpty()) {
        for (const xcb_window_t child : x.children(pending.takeFirst())) {
            if (x.property(child, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING).split('\0').contains(wanted))
                return true;
            pending.append(child);
        }
    }
    return false;
}

bool XWindows::shown(const QString &displayName, qint64 pid, const QString &title)
{
    const Connection x(displayName);
    if (!x.ok())
        return false;
    const xcb_atom_t netWmPid = x.atom("_NET_WM_PID");
    const xcb_atom_t netWmName = x.atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = x.atom("UTF8_STRING");
    for (const xcb_window_t window : x.children(x.root())) {
        const QByteArray pidBytes = x.property(window, netWmPid, XCB_ATOM_CARDINAL);
        if (pidBytes.size() != 4 || *reinterpret_cast<const quint32 *>(pidBytes.constData()) != pid)
            continue;
        if (x.property(window, netWmName, utf8) != title.toUtf8())
            continue;
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
            xcb_get_window_attributes_reply(x.c, xcb_get_window_attributes(x.c, window), nullptr), &std::free);
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            return true;
    }
    return false;
}
