// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11CursorPlatform.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Coordinates.h"
#include "platform/x11/XSettings.h"

#include <xcb/xfixes.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace Dartline {

namespace {

template<typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

template<typename T> Reply<T> reply(T *raw)
{
    return Reply<T>(raw, &std::free);
}

} // namespace

X11CursorPlatform::X11CursorPlatform()
    : m_connection(X11Connection::application())
    , m_root(X11Connection::root(m_connection))
    , m_screen(X11Connection::screenNumber())
{
    if (m_root == XCB_WINDOW_NONE) {
        m_connection = nullptr;
        return;
    }
    const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(m_connection, &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        // XFixes answers nothing until the client has announced its version.
        auto version = reply(xcb_xfixes_query_version_reply(m_connection,
            xcb_xfixes_query_version(m_connection, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION), nullptr));
        m_hasXFixes = version && version->major_version >= 1;
    }
}

X11CursorPlatform::~X11CursorPlatform() = default;

int X11CursorPlatform::warp(const QPointF &point)
{
    if (!m_connection || xcb_connection_has_error(m_connection))
        return NoConnection;
    const std::optional<QPoint> target = X11Coordinates::toRoot(point);
    if (!target)
        return XCB_VALUE; // what the server answers for a coordinate it cannot take
    const xcb_void_cookie_t cookie = xcb_warp_pointer_checked(m_connection, XCB_WINDOW_NONE, m_root, 0, 0, 0, 0,
        static_cast<qint16>(target->x()), static_cast<qint16>(target->y()));
    auto error = reply(xcb_request_check(m_connection, cookie));
    return error ? error->error_code : 0;
}

std::optional<QPointF> X11CursorPlatform::location()
{
    return pointerState().location;
}

bool X11CursorPlatform::leftButtonDown()
{
    return pointerState().leftButtonDown;
}

bool X11CursorPlatform::rightButtonDown()
{
    return pointerState().rightButtonDown;
}

PointerState X11CursorPlatform::pointerState()
{
    if (!m_connection)
        return {};
    auto pointer = reply(xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr));
    if (!pointer)
        return {};
    PointerState state;
    // On another screen of a multi-screen server the coordinates mean nothing
    // here; the buttons still do.
    if (pointer->same_screen)
        state.location = X11Coordinates::toGlobal(QPoint(pointer->root_x, pointer->root_y));
    state.leftButtonDown = (pointer->mask & XCB_BUTTON_MASK_1) != 0;
    state.rightButtonDown = (pointer->mask & XCB_BUTTON_MASK_3) != 0;
    return state;
}

std::optional<CursorImage> X11CursorPlatform::currentCursor()
{
    if (!m_connection || !m_hasXFixes)
        return std::nullopt;
    return cursorImage(xcb_xfixes_get_cursor_image(m_connection));
}

std::optional<CursorImage> X11CursorPlatform::cursorImage(xcb_xfixes_get_cursor_image_cookie_t cookie)
{
    auto cursor = reply(xcb_xfixes_get_cursor_image_reply(m_connection, cookie, nullptr));
    if (!cursor || cursor->width == 0 || cursor->height == 0)
        return std::nullopt;
    const int width = cursor->width;
    const int height = cursor->height;
    if (xcb_xfixes_get_cursor_image_cursor_image_length(cursor.get()) < width * height)
        return std::nullopt;
    // Cursor pixels are 32-bit premultiplied ARGB in host order, like the format.
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return std::nullopt;
    const quint32 *pixels = xcb_xfixes_get_cursor_image_cursor_image(cursor.get());
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), pixels + static_cast<qsizetype>(y) * width, static_cast<size_t>(width) * 4);
    return CursorImage { image, QPointF(cursor->xhot, cursor->yhot) };
}

xcb_atom_t X11CursorPlatform::atom(const QByteArray &name)
{
    // Atoms live as long as the server; one round trip per name is enough.
    auto it = m_atoms.constFind(name);
    if (it != m_atoms.constEnd())
        return *it;
    const xcb_atom_t value = X11Connection::atom(m_connection, name);
    if (value != XCB_ATOM_NONE)
        m_atoms.insert(name, value);
    return value;
}

xcb_window_t X11CursorPlatform::selectionOwner(const QByteArray &selection)
{
    if (!m_connection)
        return XCB_WINDOW_NONE;
    const xcb_atom_t name = atom(selection);
    if (name == XCB_ATOM_NONE)
        return XCB_WINDOW_NONE;
    auto owner
        = reply(xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, name), nullptr));
    if (!owner)
        return XCB_WINDOW_NONE;
    return owner->owner;
}

bool X11CursorPlatform::reduceMotion()
{
    // Read on every call: the user may flip the switch while Dartline runs,
    // and a pulse asks only once.
    return reduceMotionOf(selectionOwner("_XSETTINGS_S" + QByteArray::number(m_screen)));
}

bool X11CursorPlatform::reduceMotionOf(xcb_window_t settingsOwner)
{
    const std::optional<QByteArray> data = X11Connection::xsettings(
        m_connection, settingsOwner, settingsOwner ? atom("_XSETTINGS_SETTINGS") : xcb_atom_t(XCB_ATOM_NONE));
    const std::optional<qint32> animations = data ? XSettings::integer(*data, "Gtk/EnableAnimations") : std::nullopt;
    return animations && *animations == 0;
}

bool X11CursorPlatform::hasCompositor()
{
    return selectionOwner("_NET_WM_CM_S" + QByteArray::number(m_screen)) != XCB_WINDOW_NONE;
}

CursorPlatform::PulseFacts X11CursorPlatform::pulseFacts()
{
    if (!m_connection)
        return {};
    // All three questions go out before the first answer is awaited.
    const xcb_atom_t compositor = atom("_NET_WM_CM_S" + QByteArray::number(m_screen));
    const xcb_atom_t settings = atom("_XSETTINGS_S" + QByteArray::number(m_screen));
    const std::optional<xcb_xfixes_get_cursor_image_cookie_t> image
        = m_hasXFixes ? std::optional(xcb_xfixes_get_cursor_image(m_connection)) : std::nullopt;
    const xcb_get_selection_owner_cookie_t compositorOwner = xcb_get_selection_owner(m_connection, compositor);
    const xcb_get_selection_owner_cookie_t settingsOwner = xcb_get_selection_owner(m_connection, settings);
    PulseFacts facts;
    if (image)
        facts.cursor = cursorImage(*image);
    const auto owner = [this](xcb_get_selection_owner_cookie_t cookie) {
        auto answer = reply(xcb_get_selection_owner_reply(m_connection, cookie, nullptr));
        return answer ? answer->owner : xcb_window_t(XCB_WINDOW_NONE);
    };
    facts.compositor = compositor != XCB_ATOM_NONE && owner(compositorOwner) != XCB_WINDOW_NONE;
    const xcb_window_t settingsWindow = owner(settingsOwner);
    facts.reduceMotion = settings != XCB_ATOM_NONE && reduceMotionOf(settingsWindow);
    return facts;
}

} // namespace Dartline
