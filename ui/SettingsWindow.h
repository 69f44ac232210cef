// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>

class QSettings;

namespace Dartline {

class AppModel;
class KeyboardPlatform;
class SettingsView;
class WindowActions;

// The settings window: the SettingsView in a resizable window titled
// "Dartline", at the view's ideal size at first and never smaller than the
// view's minimum (680 x 650 and 640 x 590). It is made once and reused:
// closing only hides it (and ends any shortcut recording, registering the
// shortcuts again); the host learns of it through closed().
// The close event is refused and the window hidden instead, so close()
// returns false while the window does go away; quitting is not held up.
//
// Its frame is kept in the preference store (SettingsStore), written
// whenever it moves or resizes and restored when the window is made again in
// a later run; the first time, the window is centred on the primary screen.
// Every time it is shown, it is first moved wholly onto a connected monitor
// (see WindowPlacement). Ctrl+, / Ctrl+Q / Ctrl+W work while it is active
// (see WindowActions); the view's "About Dartline" link asks for About.
class SettingsWindow : public QWidget
{
    Q_OBJECT
public:
    // Keeps the frame in `frameStore` (the application's preference store),
    // which must outlive the window.
    SettingsWindow(AppModel &model, KeyboardPlatform &keyboard, QSettings &frameStore, std::function<void()> identify,
        QWidget *parent = nullptr);
    ~SettingsWindow() override;

    SettingsView *view() const { return m_view; }
    WindowActions *windowActions() const { return m_actions; }

Q_SIGNALS:
    void closed();
    void settingsRequested();
    void aboutRequested();
    void quitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void restoreFrame();
    void saveFrame();

    AppModel &m_model;
    QSettings &m_frameStore;
    SettingsView *m_view;
    WindowActions *m_actions;
    QTimer m_saveFrame;
};

} // namespace Dartline
