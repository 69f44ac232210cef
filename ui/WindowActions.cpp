// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowActions.h"

#include "ui/UiText.h"

#include <QAction>
#include <QEvent>
#include <QWidget>

namespace Dartline {

WindowActions::WindowActions(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    m_about = new QAction(UiText::aboutLabel(), this);
    m_settings = new QAction(UiText::settingsLabel(), this);
    m_quit = new QAction(UiText::quitLabel(), this);
    m_close = new QAction(UiText::closeWindowLabel(), this);
    m_keys.insert(m_settings, QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_keys.insert(m_quit, QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_keys.insert(m_close, QKeySequence(Qt::CTRL | Qt::Key_W));
    for (auto it = m_keys.cbegin(); it != m_keys.cend(); ++it)
        it.key()->setShortcut(it.value());
    for (QAction *action : all()) {
        action->setShortcutContext(Qt::WindowShortcut);
        action->setMenuRole(QAction::NoRole);
    }

    connect(m_about, &QAction::triggered, this, &WindowActions::aboutRequested);
    connect(m_settings, &QAction::triggered, this, &WindowActions::settingsRequested);
    connect(m_quit, &QAction::triggered, this, &WindowActions::quitRequested);
    connect(m_close, &QAction::triggered, m_window, &QWidget::close);

    m_window->addActions(all());
    m_window->installEventFilter(this);
}

bool WindowActions::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window
        && (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved
            || event->type() == QEvent::ActionChanged)) {
        // After the change is in place.
        QMetaObject::invokeMethod(this, &WindowActions::resolveConflicts, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void WindowActions::resolveConflicts()
{
    const QList<QAction *> present = m_window->actions();
    for (auto it = m_keys.cbegin(); it != m_keys.cend(); ++it) {
        bool taken = false;
        for (QAction *other : present) {
            if (m_keys.contains(other))
                continue;
            if (other->shortcuts().contains(it.value())) {
                taken = true;
                break;
            }
        }
        const QKeySequence wanted = taken ? QKeySequence() : it.value();
        if (it.key()->shortcut() != wanted)
            it.key()->setShortcut(wanted);
    }
}

} // namespace Dartline
