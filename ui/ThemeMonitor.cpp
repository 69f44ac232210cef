// SPDX-License-Identifier: GPL-3.0-or-later
#include "ThemeMonitor.h"

#include "PortalColorScheme.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

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
