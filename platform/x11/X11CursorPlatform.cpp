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
    return reducesMotion(X11Connection::xsettings(
        m_connection, settingsOwner, settingsOwner ? atom("_XSETTINGS_SETTINGS") : xcb_atom_t(XCB_ATOM_NONE)));
}

bool X11CursorPlatform::reducesMotion(const std::optional<QByteArray> &settings)
{
    const std::optional<qint32> animations
        = settings ? XSettings::integer(*settings, "Gtk/EnableAnimations") : std::nullopt;
    return animations && *animations == 0;
}

bool X11CursorPlatform::hasCompositor()
{
    return selectionOwner("_NET_WM_CM_S" + QByteArray::number(m_screen)) != XCB_WINDOW_NONE;
}

X11CursorPlatform::FactsAsked X11CursorPlatform::askFacts()
{
    // All three questions go out before the first answer is awaited.
    const xcb_atom_t compositor = atom("_NET_WM_CM_S" + QByteArray::number(m_screen));
    const xcb_atom_t settings = atom("_XSETTINGS_S" + QByteArray::number(m_screen));
    FactsAsked asked;
    if (m_hasXFixes)
        asked.image = xcb_xfixes_get_cursor_image(m_connection);
    asked.compositorOwner = xcb_get_selection_owner(m_connection, compositor);
    asked.settingsOwner = xcb_get_selection_owner(m_connection, settings);
    asked.compositorAtom = compositor != XCB_ATOM_NONE;
    asked.settingsAtom = settings != XCB_ATOM_NONE;
    // The daemon's window rarely changes: its settings are asked for along
    // with the rest, and asked again only when another window owns them now.
    const xcb_atom_t published
        = m_settingsOwner != XCB_WINDOW_NONE ? atom("_XSETTINGS_SETTINGS") : xcb_atom_t(XCB_ATOM_NONE);
    if (published != XCB_ATOM_NONE) {
        asked.settingsGuess = m_settingsOwner;
        asked.settings = X11Connection::askXsettings(m_connection, m_settingsOwner, published);
    }
    return asked;
}

CursorPlatform::PulseFacts X11CursorPlatform::collect(const FactsAsked &asked)
{
    PulseFacts facts;
    if (asked.image)
        facts.cursor = cursorImage(*asked.image);
    const auto owner = [this](xcb_get_selection_owner_cookie_t cookie) {
        auto answer = reply(xcb_get_selection_owner_reply(m_connection, cookie, nullptr));
        return answer ? answer->owner : xcb_window_t(XCB_WINDOW_NONE);
    };
    const xcb_window_t compositorWindow = owner(asked.compositorOwner);
    const xcb_window_t settingsWindow = asked.settingsAtom ? owner(asked.settingsOwner) : xcb_window_t(XCB_WINDOW_NONE);
    facts.compositor = asked.compositorAtom && compositorWindow != XCB_WINDOW_NONE;
    std::optional<QByteArray> published;
    if (asked.settingsGuess != XCB_WINDOW_NONE) {
        published = X11Connection::xsettings(m_connection, asked.settings);
        if (asked.settingsGuess != settingsWindow)
            published.reset();
    }
    if (settingsWindow != XCB_WINDOW_NONE && asked.settingsGuess != settingsWindow)
        published = X11Connection::xsettings(m_connection, settingsWindow, atom("_XSETTINGS_SETTINGS"));
    m_settingsOwner = settingsWindow;
    facts.reduceMotion = reducesMotion(published);
    return facts;
}

CursorPlatform::PulseFacts X11CursorPlatform::pulseFacts()
{
    if (!m_connection)
        return {};
    return collect(askFacts());
}

int X11CursorPlatform::warpForPulse(const QPointF &point, PulseFacts &facts)
{
    if (!m_connection || xcb_connection_has_error(m_connection))
        return NoConnection;
    const std::optional<QPoint> target = X11Coordinates::toRoot(point);
    if (!target)
        return XCB_VALUE;
    // The server takes requests in order: the cursor image asked after the
    // warp is the one at the landing point, and the answers to the pulse's
    // questions also tell that the warp went through, so the whole jump
    // waits for the server once.
    const xcb_void_cookie_t cookie = xcb_warp_pointer_checked(m_connection, XCB_WINDOW_NONE, m_root, 0, 0, 0, 0,
        static_cast<qint16>(target->x()), static_cast<qint16>(target->y()));
    const FactsAsked asked = askFacts();
    auto error = reply(xcb_request_check(m_connection, cookie));
    PulseFacts answered = collect(asked);
    if (error)
        return error->error_code;
    facts = std::move(answered);
    return 0;
}

} // namespace Dartline
