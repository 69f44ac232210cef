// SPDX-License-Identifier: GPL-3.0-or-later
#include "ActivationWatcher.h"

#include <QGuiApplication>

ActivationWatcher::ActivationWatcher(QObject *parent)
    : QObject(parent)
    , m_active(QGuiApplication::applicationState() == Qt::ApplicationActive)
{
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        const bool active = state == Qt::ApplicationActive;
        // Only the step out of the active state counts; hidden and inactive
        // follow each other without the user doing anything new.
        if (m_active && !active)
            Q_EMIT resignedActive();
        m_active = active;
    });
}
