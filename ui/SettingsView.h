// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

class QScrollArea;
class QSpacerItem;
class QVBoxLayout;

namespace Dartline {

class AppModel;
class DisplayMap;
class DisplayRow;
class KeyboardPlatform;
class LinkButton;
class OverlayScrollBar;
class SettingsHeader;
class StandardButton;
class ThemedLabel;
class ToggleSwitch;

// The whole content of the settings window, top to bottom: header, display
// map, section title, the scrolling list of display cards with the status,
// forget and hint lines, the pulse switch, and the footer. Everything shown
// is read from the model; every action is a model operation, except the
// identify button, which calls the callback the window host supplies.
//
// The model announces each change before it writes, so the view never reads
// inside that signal: it schedules one rebuild for the next turn of the event
// loop, however many changes an operation makes.
//
// What the view says about a card goes where the user is looking: while a
// card records, and while a message about it (a refused combination, a failed
// jump from its button) stands, the status and hint lines sit right under
// that card, and the list scrolls so that they are in view at any height.
class SettingsView : public QWidget
{
    Q_OBJECT
public:
    // The settings window's smallest and first size too. At the minimum,
    // whatever is said about a card still shows without scrolling.
    static constexpr int MinimumWidth = 640;
    static constexpr int MinimumHeight = 590;
    static constexpr int IdealWidth = 680;
    static constexpr int IdealHeight = 650;

    SettingsView(
        AppModel &model, KeyboardPlatform &keyboard, std::function<void()> identify, QWidget *parent = nullptr);
    ~SettingsView() override;

    // Reads the model now. Runs by itself after every change of the model.
    void rebuild();
    bool isRebuildPending() const { return m_rebuild.isActive(); }

    SettingsHeader *header() const { return m_header; }
    DisplayMap *displayMap() const { return m_map; }
    QList<DisplayRow *> rows() const; // the displays' cards
    DisplayRow *jumpBackRow() const; // below them, or none
    ThemedLabel *countLabel() const { return m_count; }
    QScrollArea *scrollArea() const { return m_scroll; }
    ThemedLabel *emptyLabel() const { return m_empty; }
    ThemedLabel *statusLabel() const { return m_status; }
    QWidget *forgetLine() const { return m_forgetLine; }
    ThemedLabel *forgetLabel() const { return m_forgetText; }
    StandardButton *forgetButton() const { return m_forgetButton; }
    ThemedLabel *hintLabel() const { return m_hint; }
    ToggleSwitch *pulseSwitch() const { return m_switch; }
    ToggleSwitch *landSwitch() const { return m_landSwitch; }
    QWidget *modifierOffer() const { return m_offer; }
    ThemedLabel *sessionWarning() const { return m_sessionWarning; } // none where the session is reached
    ThemedLabel *jumpRouteLine() const { return m_jumpRoute; } // none where the pointer moves directly
    StandardButton *desktopKeysWrite() const { return m_desktopKeysWrite; } // none where Dartline holds the keys
    ThemedLabel *desktopKeysStatus() const { return m_desktopKeysStatus; }
    const QList<std::pair<quint32, StandardButton *>> &modifierChoices() const { return m_offerChoices; }
    LinkButton *footerLink() const { return m_link; }
    LinkButton *aboutLink() const { return m_about; }
    ThemedLabel *versionLabel() const { return m_version; }

    QSize sizeHint() const override { return QSize(IdealWidth, IdealHeight); }

Q_SIGNALS:
    void aboutRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void scheduleRebuild();
    void rebuildRows();
    void updateTabOrder();
    void updateOffer();
    void updateDesktopKeys();
    void updateJumpRoute();
    void placeScrollBar();
    void placeMessages();
    void revealMessages();

    AppModel &m_model;
    KeyboardPlatform &m_keyboard;
    QTimer m_rebuild;

    SettingsHeader *m_header;
    DisplayMap *m_map;
    ThemedLabel *m_count;
    QScrollArea *m_scroll;
    OverlayScrollBar *m_scrollBar;
    QWidget *m_list;
    QVBoxLayout *m_listLayout;
    QList<std::pair<QString, DisplayRow *>> m_rows; // by display id, in list order
    // The card the status and hint lines follow; none: at the list's end.
    std::optional<QString> m_messageCard;
    QString m_revealed; // what was last scrolled into view
    QTimer m_reveal;
    ThemedLabel *m_empty;
    ThemedLabel *m_status;
    QWidget *m_forgetLine;
    ThemedLabel *m_forgetText;
    StandardButton *m_forgetButton;
    ThemedLabel *m_hint;
    ToggleSwitch *m_switch;
    ToggleSwitch *m_landSwitch = nullptr;
    ThemedLabel *m_sessionWarning = nullptr;
    ThemedLabel *m_jumpRoute = nullptr;
    QWidget *m_desktopKeys = nullptr; // where the desktop keeps the shortcuts
    StandardButton *m_desktopKeysWrite = nullptr;
    StandardButton *m_desktopKeysRemove = nullptr;
    ThemedLabel *m_desktopKeysStatus = nullptr;
    QString m_desktopKeysError;
    int m_desktopKeysCount = 0;
    QWidget *m_offer = nullptr;
    ThemedLabel *m_offerText = nullptr;
    QList<std::pair<quint32, StandardButton *>> m_offerChoices; // by the modifiers they choose
    LinkButton *m_offerAgain = nullptr;
    bool m_offerReopened = false;
    QSpacerItem *m_divider;
    LinkButton *m_link;
    LinkButton *m_about;
    ThemedLabel *m_version;
};

} // namespace Dartline
