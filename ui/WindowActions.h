// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QKeySequence>
#include <QObject>

class QAction;
class QWidget;

namespace Dartline {

// The main-menu commands every Dartline window answers to: "About Dartline",
// "Settings…" (Ctrl+,), "Quit Dartline" (Ctrl+Q) and "Close Window" (Ctrl+W,
// closes the window). They are added to the window, so the keys work while it is
// active. When the window's host adds its own actions with the same keys, the
// host's win and these give their keys up (two actions on one key would make
// the key do nothing); they take them back when the host's go.
class WindowActions : public QObject
{
    Q_OBJECT
public:
    explicit WindowActions(QWidget *window);

    QAction *about() const { return m_about; }
    QAction *settings() const { return m_settings; }
    QAction *quit() const { return m_quit; }
    QList<QAction *> all() const { return { m_about, m_settings, m_quit, m_close }; }

Q_SIGNALS:
    void aboutRequested();
    void settingsRequested();
    void quitRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void resolveConflicts();

    QWidget *m_window;
    QAction *m_about;
    QAction *m_settings;
    QAction *m_quit;
    QAction *m_close;
    QHash<QAction *, QKeySequence> m_keys;
};

} // namespace Dartline
