// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AboutWindow.h"

#include "ui/AboutView.h"
#include "ui/AppIcon.h"
#include "ui/UiText.h"
#include "ui/WindowActions.h"
#include "ui/WindowPlacement.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace Dartline {

using namespace Qt::StringLiterals;

AboutWindow::AboutWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(UiText::aboutLabel());
    if (QGuiApplication::windowIcon().isNull())
        setWindowIcon(AppIcon::icon());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_view = new AboutView(this);
    layout->addWidget(m_view);

    m_actions = new WindowActions(this);
    connect(m_actions, &WindowActions::settingsRequested, this, &AboutWindow::settingsRequested);
    connect(m_actions, &WindowActions::aboutRequested, this, &AboutWindow::aboutRequested);
    connect(m_actions, &WindowActions::quitRequested, this, &AboutWindow::quitRequested);

    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

AboutWindow::~AboutWindow() = default;

void AboutWindow::closeEvent(QCloseEvent *event)
{
    // Closing only hides; the window is reused next time (see SettingsWindow).
    event->ignore();
    hide();
    Q_EMIT closed();
}

void AboutWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AboutWindow::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        WindowPlacement::moveOntoScreen(this);
    QWidget::showEvent(event);
}

} // namespace Dartline
