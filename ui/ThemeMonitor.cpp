// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThemeMonitor.h"

#include "platform/AppearancePlatform.h"
#include "ui/PortalColorScheme.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

namespace Dartline {

ThemeMonitor &ThemeMonitor::instance()
{
    // Parented to the application so it goes before the application does.
    static ThemeMonitor *monitor = new ThemeMonitor;
    return *monitor;
}

ThemeMonitor::ThemeMonitor()
    : QObject(QCoreApplication::instance())
    , m_portal(std::make_unique<PortalColorScheme>())
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
    connect(m_portal.get(), &PortalColorScheme::changed, this, &ThemeMonitor::resolve);
    // The portal is asked once the event loop runs: its answer comes later
    // anyway, and connecting to the session bus then holds up nothing that
    // start-up shows.
    QMetaObject::invokeMethod(m_portal.get(), &PortalColorScheme::start, Qt::QueuedConnection);
    resolve();
}

ThemeMonitor::~ThemeMonitor() = default;

void ThemeMonitor::setDesktop(AppearancePlatform *desktop)
{
    if (m_desktop)
        m_desktop->disconnect(this);
    m_desktop = desktop;
    m_desktopDark.reset();
    if (desktop) {
        // The answer is kept here, not asked for in resolve(): the platform
        // may be half destroyed by the time a repaint would ask.
        const auto read = [this] {
            m_desktopDark.reset();
            if (m_desktop) {
                if (const std::optional<QString> name = m_desktop->themeName())
                    m_desktopDark = isDarkThemeName(*name);
            }
            resolve();
        };
        connect(desktop, &AppearancePlatform::changed, this, read);
        connect(desktop, &QObject::destroyed, this, [this] {
            m_desktopDark.reset();
            resolve();
        });
        read();
        return;
    }
    resolve();
}

bool ThemeMonitor::isDarkThemeName(const QString &name)
{
    return name.contains(QLatin1String("dark"), Qt::CaseInsensitive);
}

void ThemeMonitor::resolve()
{
    std::optional<bool> preference = m_portal->preferDark();
    if (!preference)
        preference = m_desktopDark;
    if (!preference) {
        const QColor window = QGuiApplication::palette().color(QPalette::Active, QPalette::Window);
        preference = window.lightnessF() < 0.5;
    }
    const bool dark = *preference;
    if (dark == m_dark)
        return;
    m_dark = dark;
    Q_EMIT changed(m_dark);
    // The custom-painted views read the theme while painting: repaint them
    // all now, so the whole interface switches at once.
    for (QWidget *widget : QApplication::allWidgets())
        widget->update();
}

bool ThemeMonitor::eventFilter(QObject *watched, QEvent *event)
{
    // A new application palette reaches the application object once (the
    // per-widget copies need no second look); a desktop theme change reaches
    // each top-level window, and any of them will do.
    switch (event->type()) {
    case QEvent::ApplicationPaletteChange:
    case QEvent::PaletteChange:
        if (watched == QCoreApplication::instance())
            resolve();
        break;
    case QEvent::ThemeChange:
        if (watched->isWindowType() || watched == QCoreApplication::instance())
            resolve();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace Dartline
