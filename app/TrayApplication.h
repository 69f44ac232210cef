// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/InstanceMessage.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

class QAction;
class QMenu;
class QSettings;
class QSystemTrayIcon;
class QWidget;

namespace Dartline {

class AboutWindow;
class AppModel;
class DisplayOverlay;
class Platform;
class SettingsWindow;
class SingleInstance;

// The application shell: runs the launch sequence, keeps the one model for
// the life of the process, owns the tray icon and its menu, the identify
// overlay and the two windows, and forwards the desktop's events to the model.
class TrayApplication : public QObject
{
    Q_OBJECT
public:
    // Where the launch sequence ended.
    enum class Launch {
        Running, // this is the running copy; run the event loop
        HandedOver, // another copy runs and took the arguments; exit 0
        HandOverFailed, // another copy holds the lock but did not answer
        NotRunning, // only handing over, and no copy runs
    };

    struct Options
    {
        QStringList arguments; // the command line, Qt's own options removed
        QString instanceDirectory; // empty: the user's runtime directory
        QString instanceKey; // empty: derived from the user and $DISPLAY
        std::function<std::unique_ptr<Platform>()> makePlatform; // empty: createPlatform
        std::function<std::unique_ptr<QSettings>()> makeStore; // empty: SettingsStore::standard
    };

    static inline const QString SettingsArgument = QStringLiteral("--settings");
    // A second copy gives up on the running one after this long.
    static constexpr int HandOverTimeoutMs = 800;
    // A request waits for its answer longer: the running copy answers once it
    // has carried it out (a jump, with the first pulse's window to make).
    static constexpr int RequestTimeoutMs = 5000;

    explicit TrayApplication(Options options, QObject *parent = nullptr);
    ~TrayApplication() override;
    Q_DISABLE_COPY_MOVE(TrayApplication)

    // The launch sequence. Called once, with the application object in place.
    Launch launch();
    // For a copy started only to ask the running one (a jump): it hands the
    // arguments over and never becomes the running copy. HandedOver means
    // the request was taken; the running copy's answer is in *answer.
    Launch handOverOnly(InstanceMessage::Answer *answer);
    QString errorString() const { return m_error; }

    // What a later copy handed over (its command line): a jump is done and
    // answered; anything else opens the settings window.
    InstanceMessage::Answer answerRequest(const QStringList &arguments);
    // Moves the pointer to the display with this identifier. Empty, or why
    // it did not, in a sentence for the user.
    QString jumpTo(const QString &id);
    // The display's place in the list (the number shown, less one), or -1.
    qsizetype indexOf(const QString &id) const;
    // The display's shortcut as the settings window names it; empty when unset.
    QString shortcutCaption(const QString &id) const;

    // Desktop events, forwarded to the model once it exists.
    void displaysChanged();
    void resignedActive();
    void reopen();
    void quit();

    // Brings the tray menu up to date; does nothing when it already is.
    void rebuildStatusMenu(QMenu &menu);
    void jumpFromMenu(const QAction *item);
    void identifyDisplays();

    // Windows.
    void showSettings();
    void showAbout();
    void windowWillClose();

    AppModel *model() const { return m_model.get(); }
    DisplayOverlay *overlay() const { return m_overlay.get(); }
    QSystemTrayIcon *trayIcon() const { return m_trayIcon; }
    QMenu *statusMenu() const { return m_statusMenu.get(); }
    QWidget *settingsWindow() const;
    QWidget *aboutWindow() const;

private:
    SingleInstance *makeInstance();
    void installStatusItem();
    void scheduleMenuUpdate();
    void updateTrayIcon();
    void bringForward(QWidget *window);
    template<typename Window> void adoptWindow(Window *window);

    Options m_options;
    QString m_error;
    SingleInstance *m_instance = nullptr;
    // Declared in the order of construction: each member may use the ones
    // above it, and they go in reverse, so the model (and its grabs) goes
    // before the platform and its X connection.
    std::unique_ptr<Platform> m_platform;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<DisplayOverlay> m_overlay;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<QMenu> m_statusMenu;
    QSystemTrayIcon *m_trayIcon = nullptr;
    std::unique_ptr<SettingsWindow> m_settingsWindow;
    std::unique_ptr<AboutWindow> m_aboutWindow;
    bool m_menuUpdatePending = false;
    bool m_active = false; // the application was the active one
    QList<std::pair<QString, QString>> m_menuItems; // what the tray menu's display items say
};

} // namespace Dartline
