// SPDX-License-Identifier: GPL-3.0-or-later
#include "ThemeMonitor.h"

#include "PortalColorScheme.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

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
    m_portal->start();
    resolve();
}

ThemeMonitor::~ThemeMonitor() = default;

void ThemeMonitor::resolve()
{
    bool dark = m_portal->preferDark();
    if (!dark) {
        const QColor window = QGuiApplication::palette().color(QPalette::Active, QPalette::Window);
        dark = window.lightnessF() < 0.5;
    }
    if (dark == m_dark)
        return;
    m_dark = dark;
    Q_EMIT changed(m_dark);
}

bool ThemeMonitor::eventFilter(QObject *watched, QEvent *event)
{
    // The application-wide palette and theme events reach the application
    // object itself once; the per-widget copies need no second look.
    if (watched == QCoreApplication::instance()) {
        switch (event->type()) {
        case QEvent::ApplicationPaletteChange:
        case QEvent::PaletteChange:
        case QEvent::ThemeChange:
            resolve();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
