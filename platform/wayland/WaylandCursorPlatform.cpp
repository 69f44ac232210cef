// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandCursorPlatform.h"

#include "platform/wayland/WaylandConnection.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStandardPaths>

#include <fake-input-client.h>
#include <wayland-client.h>
#include <wlr-virtual-pointer-unstable-v1-client.h>

#include <cmath>

namespace Dartline {

namespace {

// Positions go out in 1/16 pixels, so fractional centres land exactly too.
constexpr double SubPixels = 16;

} // namespace

WaylandCursorPlatform::WaylandCursorPlatform(WaylandConnection &connection, CursorPlatform *fallback)
    : CompositorCursorPlatform(fallback)
    , m_connection(connection)
{
    QObject::connect(&m_connection, &WaylandConnection::outputRemoved, &m_connection, [this](quint32 output) {
        if (zwlr_virtual_pointer_v1 *pointer = m_pointers.take(output))
            zwlr_virtual_pointer_v1_destroy(pointer);
    });
}

WaylandCursorPlatform::~WaylandCursorPlatform()
{
    QObject::disconnect(&m_connection, &WaylandConnection::outputRemoved, &m_connection, nullptr);
    for (zwlr_virtual_pointer_v1 *pointer : std::as_const(m_pointers))
        zwlr_virtual_pointer_v1_destroy(pointer);
    m_connection.flush();
}

int WaylandCursorPlatform::warp(const QPointF &point)
{
    for (const auto &output : m_connection.outputs()) {
        const QRectF box(output->logical);
        if (box.isEmpty() || point.x() < box.left() || point.y() < box.top() || point.x() >= box.right()
            || point.y() >= box.bottom())
            continue;
        if (m_connection.virtualPointers() && m_connection.seat()) {
            zwlr_virtual_pointer_v1 *&pointer = m_pointers[output->globalName];
            if (!pointer) {
                pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer_with_output(
                    m_connection.virtualPointers(), m_connection.seat(), output->output);
            }
            const auto time = static_cast<quint32>(QDeadlineTimer::current().deadline());
            zwlr_virtual_pointer_v1_motion_absolute(pointer, time,
                static_cast<quint32>(std::lround((point.x() - box.left()) * SubPixels)),
                static_cast<quint32>(std::lround((point.y() - box.top()) * SubPixels)),
                static_cast<quint32>(box.width() * SubPixels), static_cast<quint32>(box.height() * SubPixels));
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (m_connection.fakeInput()) {
            // KWin takes layout coordinates, in 1/256 pixels.
            org_kde_kwin_fake_input_pointer_motion_absolute(
                m_connection.fakeInput(), wl_fixed_from_double(point.x()), wl_fixed_from_double(point.y()));
        } else {
            return refuse();
        }
        m_connection.flush();
        moved(point);
        return 0;
    }
    return NoOutput;
}

CursorPlatform::Route WaylandCursorPlatform::route()
{
    // KWin offers its fake input only to programs it allows, from the start.
    return m_connection.virtualPointers() || m_connection.fakeInput() ? Route::Direct : Route::NeedsDesktopEntry;
}

int WaylandCursorPlatform::refuse()
{
    if (!m_refusalLogged) {
        m_refusalLogged = true;
        qWarning("The compositor does not let Dartline move the pointer. KWin allows it to programs named by a desktop "
                 "entry: install Dartline (its org.dartline.Dartline.desktop does), or put one in "
                 "%s/applications with the lines [Desktop Entry], Type=Application, Name=Dartline, Exec=%s and "
                 "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input, then start Dartline again.",
            qUtf8Printable(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)),
            qUtf8Printable(QCoreApplication::applicationFilePath()));
    }
    return NotAllowed;
}

} // namespace Dartline
