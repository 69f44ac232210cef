// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsWindow.h"

#include "model/AppModel.h"
#include "model/SettingsStore.h"
#include "ui/AppIcon.h"
#include "ui/DartlineTheme.h"
#include "ui/SettingsView.h"
#include "ui/ThemeMonitor.h"
#include "ui/WindowActions.h"
#include "ui/WindowPlacement.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

namespace Dartline {

SettingsWindow::SettingsWindow(
    AppModel &model, KeyboardPlatform &keyboard, QSettings &frameStore, std::function<void()> identify, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_model(model)
    , m_frameStore(frameStore)
{
    setWindowTitle(QStringLiteral("Dartline"));
    if (QGuiApplication::windowIcon().isNull())
        setWindowIcon(AppIcon::icon());
    auto applyBackground = [this] {
        QPalette p = palette();
        p.setColor(QPalette::Window, DartlineTheme::windowTop());
        setPalette(p);
    };
    setAutoFillBackground(true);
    applyBackground();
    connect(&ThemeMonitor::instance(), &ThemeMonitor::changed, this, applyBackground);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new SettingsView(model, keyboard, std::move(identify), this);
    layout->addWidget(m_view);

    m_actions = new WindowActions(this);
    connect(m_actions, &WindowActions::settingsRequested, this, &SettingsWindow::settingsRequested);
    connect(m_actions, &WindowActions::aboutRequested, this, &SettingsWindow::aboutRequested);
    connect(m_actions, &WindowActions::quitRequested, this, &SettingsWindow::quitRequested);
    connect(m_view, &SettingsView::aboutRequested, this, &SettingsWindow::aboutRequested);

    setMinimumSize(SettingsView::MinimumWidth, SettingsView::MinimumHeight);
    resize(SettingsView::IdealWidth, SettingsView::IdealHeight);
    restoreFrame();

    // Moves and resizes come in bursts while the user drags; write once.
    m_saveFrame.setSingleShot(true);
    m_saveFrame.setInterval(200);
    connect(&m_saveFrame, &QTimer::timeout, this, &SettingsWindow::saveFrame);
}

SettingsWindow::~SettingsWindow()
{
    if (m_saveFrame.isActive())
        saveFrame();
}

void SettingsWindow::restoreFrame()
{
    const QByteArray frame = m_frameStore.value(SettingsStore::SettingsFrameKey).toByteArray();
    if (!frame.isEmpty() && restoreGeometry(frame)) {
        // A frame from a larger screen layout or an older, smaller minimum.
        resize(size().expandedTo(minimumSize()));
        return;
    }
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(width() / 2, height() / 2));
    }
}

void SettingsWindow::saveFrame()
{
    m_saveFrame.stop();
    m_frameStore.setValue(SettingsStore::SettingsFrameKey, saveGeometry());
}

void SettingsWindow::closeEvent(QCloseEvent *event)
{
    // Closing only hides: the window, its native window, its place and its
    // views stay for the next time. An accepted close would have Qt release
    // the native window and count the close towards quitting on the last one.
    event->ignore();
    m_model.cancelRecording(true);
    saveFrame();
    hide();
    Q_EMIT closed();
}

void SettingsWindow::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (isVisible())
        m_saveFrame.start();
}

void SettingsWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (isVisible())
        m_saveFrame.start();
}

void SettingsWindow::showEvent(QShowEvent *event)
{
    // Sent before the window is mapped: it appears where it is moved to.
    if (!event->spontaneous())
        WindowPlacement::moveOntoScreen(this);
    QWidget::showEvent(event);
}

void SettingsWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (m_saveFrame.isActive())
        saveFrame();
}

} // namespace Dartline
