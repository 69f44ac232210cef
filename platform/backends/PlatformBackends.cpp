// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/backends/PlatformBackends.h"

#include "platform/NullPlatform.h"
#include "platform/wayland/GnomeCursorPlatform.h"
#include "platform/wayland/GnomeCustomKeybindings.h"
#include "platform/wayland/GnomeDisplayPlatform.h"
#include "platform/wayland/GnomeHotKeyPlatform.h"
#include "platform/wayland/KwinHotKeyPlatform.h"
#include "platform/wayland/PortalHotKeyPlatform.h"
#include "platform/wayland/SwayHotKeyPlatform.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandCursorPlatform.h"
#include "platform/wayland/WaylandDisplayPlatform.h"
#include "platform/x11/X11Platform.h"

#include <QDBusConnectionInterface>
#include <QGuiApplication>

namespace Dartline {

namespace {

// A sway or KWin session: displays, the jump and shortcuts go through the
// compositor; the keyboard, the desktop's appearance and the cursor's looks
// through XWayland, where Dartline's windows live.
template<typename HotKeys> class WaylandPlatform : public Platform
{
public:
    template<typename... HotKeyArguments>
    explicit WaylandPlatform(std::unique_ptr<WaylandConnection> connection, const HotKeyArguments &...arguments)
        : m_connection(std::move(connection))
        , m_displays(*m_connection)
        , m_cursor(*m_connection, &m_x11Cursor)
        , m_hotKeys(arguments...)
    { }

    DisplayPlatform &displays() override { return m_displays; }
    CursorPlatform &cursor() override { return m_cursor; }
    HotKeyPlatform &hotKeys() override { return m_hotKeys; }
    KeyboardPlatform &keyboard() override { return m_keyboard; }
    AppearancePlatform &appearance() override { return m_appearance; }

private:
    std::unique_ptr<WaylandConnection> m_connection;
    X11CursorPlatform m_x11Cursor;
    WaylandDisplayPlatform m_displays;
    WaylandCursorPlatform m_cursor;
    HotKeys m_hotKeys;
    X11KeyboardPlatform m_keyboard;
    X11AppearancePlatform m_appearance;
};

std::unique_ptr<Platform> createSwayPlatform()
{
    const QString ipcSocket = qEnvironmentVariable("SWAYSOCK");
    if (ipcSocket.isEmpty() || qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return nullptr;
    std::unique_ptr<WaylandConnection> connection = WaylandConnection::open();
    if (!connection || !connection->virtualPointers() || !connection->seat() || !connection->hasOutputLayout())
        return nullptr;
    return std::make_unique<WaylandPlatform<SwayHotKeyPlatform>>(std::move(connection), ipcSocket);
}

// KWin shows itself by its output devices or fake input. Without fake input
// (no desktop file grants it) the platform still serves displays and
// shortcuts, and a jump reports why it cannot move the pointer.
std::unique_ptr<Platform> createKwinPlatform()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return nullptr;
    std::unique_ptr<WaylandConnection> connection = WaylandConnection::open();
    if (!connection || !connection->hasOutputLayout() || (!connection->offersKwinOutputs() && !connection->fakeInput()))
        return nullptr;
    return std::make_unique<WaylandPlatform<KwinHotKeyPlatform>>(std::move(connection));
}

// A GNOME session: displays and the jump through mutter's D-Bus services;
// shortcuts only as GNOME's own custom keybindings, which run Dartline.
class GnomePlatform : public Platform
{
public:
    explicit GnomePlatform(const QDBusConnection &bus)
        : m_displays(bus)
        , m_cursor(m_displays, bus, &m_x11Cursor)
    {
        // GNOME 48 on binds shortcuts for programs through the portal;
        // before, Dartline's go into GNOME's own custom keybindings.
        m_portalKeys = PortalHotKeyPlatform::isAvailable(bus);
        if (m_portalKeys)
            m_hotKeys = std::make_unique<PortalHotKeyPlatform>(bus);
        else
            m_hotKeys = std::make_unique<GnomeHotKeyPlatform>();
    }

    DisplayPlatform &displays() override { return m_displays; }
    CursorPlatform &cursor() override { return m_cursor; }
    HotKeyPlatform &hotKeys() override { return *m_hotKeys; }
    KeyboardPlatform &keyboard() override { return m_keyboard; }
    AppearancePlatform &appearance() override { return m_appearance; }
    DesktopKeybindings *desktopKeybindings() override { return m_portalKeys ? nullptr : &m_keybindings; }

private:
    X11CursorPlatform m_x11Cursor;
    GnomeDesktopKeybindings m_keybindings;
    GnomeDisplayPlatform m_displays;
    GnomeCursorPlatform m_cursor;
    std::unique_ptr<HotKeyPlatform> m_hotKeys;
    bool m_portalKeys = false;
    X11KeyboardPlatform m_keyboard;
    X11AppearancePlatform m_appearance;
};

std::unique_ptr<Platform> createGnomePlatform()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return nullptr;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(GnomeDisplayPlatform::Service))
        return nullptr;
    return std::make_unique<GnomePlatform>(bus);
}

} // namespace

std::unique_ptr<Platform> createPlatform()
{
    if (std::unique_ptr<Platform> sway = createSwayPlatform())
        return sway;
    if (std::unique_ptr<Platform> kwin = createKwinPlatform())
        return kwin;
    if (std::unique_ptr<Platform> gnome = createGnomePlatform())
        return gnome;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return std::make_unique<X11Platform>();
    return createNullPlatform();
}

} // namespace Dartline
