// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace Dartline {

class AboutView;
class WindowActions;

// The About window, titled "About Dartline": exactly the size of its content,
// neither resizable nor minimisable. Made once and reused: closing only hides
// it; the host learns of it through closed(), and Esc closes it too. Every
// time it is shown it is first moved wholly onto a connected monitor. Ctrl+, /
// Ctrl+Q / Ctrl+W work while it is active (see WindowActions).
class AboutWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *parent = nullptr);
    ~AboutWindow() override;

    AboutView *view() const { return m_view; }
    WindowActions *windowActions() const { return m_actions; }

Q_SIGNALS:
    void closed();
    void settingsRequested();
    void aboutRequested();
    void quitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    AboutView *m_view;
    WindowActions *m_actions;
};

} // namespace Dartline
