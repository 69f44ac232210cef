// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsView.h"

#include "hotkeys/KeyLabels.h"
#include "model/AppModel.h"
#include "paint/DropShadow.h"
#include "platform/DesktopKeybindings.h"
#include "ui/AccessibleWidgets.h"
#include "ui/AppVersion.h"
#include "ui/DartlineTheme.h"
#include "ui/DisplayMap.h"
#include "ui/DisplayRow.h"
#include "ui/LinkButton.h"
#include "ui/OverlayScrollBar.h"
#include "ui/ProjectLinks.h"
#include "ui/SecondaryButton.h"
#include "ui/SettingsHeader.h"
#include "ui/ShortcutRecorderButton.h"
#include "ui/StandardButton.h"
#include "ui/Symbols.h"
#include "ui/ThemedLabel.h"
#include "ui/ToggleSwitch.h"
#include "ui/UiFonts.h"
#include "ui/UiText.h"

#include <QBoxLayout>
#include <QCoreApplication>
#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpacerItem>

namespace Dartline {

using namespace Qt::StringLiterals;

namespace {

constexpr int PageInset = 28; // header, map and list
constexpr int TextInset = 30; // section title, switch and footer

// The scrolling list's content. It paints the cards' shadows, which reach
// beyond the cards themselves.
class CardList : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        for (QObject *child : children()) {
            auto *row = qobject_cast<DisplayRow *>(child);
            if (!row || !row->isVisible())
                continue;
            DropShadow::paint(painter, row->cardShape().translated(row->pos()), QColor::fromRgbF(0, 0, 0, 0.035f), 5.0,
                QPointF(0, 2));
        }
    }
};

QHBoxLayout *insetRow(int left, int top, int right, int bottom, int spacing = 8)
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(left, top, right, bottom);
    row->setSpacing(spacing);
    return row;
}

} // namespace

SettingsView::SettingsView(AppModel &model, KeyboardPlatform &keyboard, std::function<void()> identify, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_keyboard(keyboard)
{
    AccessibleWidgets::install();
    setMinimumSize(MinimumWidth, MinimumHeight);
    m_rebuild.setSingleShot(true);
    m_rebuild.setInterval(0);
    connect(&m_rebuild, &QTimer::timeout, this, &SettingsView::rebuild);
    m_reveal.setSingleShot(true);
    m_reveal.setInterval(0);
    connect(&m_reveal, &QTimer::timeout, this, &SettingsView::revealMessages);

    auto *stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);

    // Header.
    m_header = new SettingsHeader(std::move(identify), this);
    auto *headerRow = insetRow(PageInset, 26, PageInset, 24);
    headerRow->addWidget(m_header);
    stack->addLayout(headerRow);

    // Said first, in so many words, where nothing below can work.
    if (m_model.reachesOnlyXWayland()) {
        m_sessionWarning = new ThemedLabel(
            tr("This Wayland desktop offers Dartline no way to move the pointer or to take shortcuts of its own: they "
               "work only while a Dartline window has the focus. Bind %1 to keys in the desktop's own settings "
               "instead, N being the display's number.")
                .arg(u"dartline --jump N"_s),
            UiFonts::Callout, QFont::Normal, ThemedLabel::Role::Red, this);
        m_sessionWarning->setSymbol(Symbols::Kind::ExclamationTriangle);
        m_sessionWarning->setWordWrap(true);
        auto *warningRow = insetRow(TextInset, 0, TextInset, 18);
        warningRow->addWidget(m_sessionWarning);
        stack->addLayout(warningRow);
    }

    // Where jumps go through a service of the desktop's: which, and whether
    // it can serve now, before a jump fails.
    if (m_model.jumpRoute() != CursorPlatform::Route::Direct) {
        m_jumpRoute = new ThemedLabel(QString(), UiFonts::Callout, QFont::Normal, ThemedLabel::Role::Secondary, this);
        m_jumpRoute->setWordWrap(true);
        auto *routeRow = insetRow(TextInset, 0, TextInset, 12);
        routeRow->addWidget(m_jumpRoute);
        stack->addLayout(routeRow);
        updateJumpRoute();
    }

    // Where the desktop runs the shortcuts itself: writing them there.
    if (m_model.desktopKeybindings()) {
        m_desktopKeys = new QWidget(this);
        auto *block = new QVBoxLayout(m_desktopKeys);
        block->setContentsMargins(TextInset, 0, TextInset, 18);
        block->setSpacing(8);
        auto *explanation = new ThemedLabel(
            tr("This desktop gives programs no global shortcuts. Dartline can put the shortcuts below into the "
               "desktop's own keyboard settings, where each runs %1.")
                .arg(u"dartline --jump-id"_s),
            UiFonts::Callout, QFont::Normal, ThemedLabel::Role::Secondary, m_desktopKeys);
        explanation->setWordWrap(true);
        block->addWidget(explanation);
        auto *buttons = insetRow(0, 0, 0, 0);
        m_desktopKeysWrite = new StandardButton(QString(), UiFonts::Caption, m_desktopKeys);
        m_desktopKeysRemove = new StandardButton(tr("Remove from Keyboard Settings"), UiFonts::Caption, m_desktopKeys);
        m_desktopKeysStatus
            = new ThemedLabel(QString(), 11, QFont::Normal, ThemedLabel::Role::Secondary, m_desktopKeys);
        for (const auto &choice : { std::pair { m_desktopKeysWrite, false }, { m_desktopKeysRemove, true } }) {
            buttons->addWidget(choice.first);
            connect(choice.first, &QAbstractButton::clicked, this, [this, remove = choice.second] {
                m_desktopKeysError = m_model.writeDesktopKeybindings(remove);
                m_desktopKeysCount = m_model.desktopKeybindings()->count();
                scheduleRebuild();
            });
        }
        buttons->addWidget(m_desktopKeysStatus, 1);
        block->addLayout(buttons);
        stack->addWidget(m_desktopKeys);
        // Asked once here and after each write: the desktop's settings are
        // read through a separate program.
        m_desktopKeysCount = m_model.desktopKeybindings()->count();
    }

    // Display map.
    m_map = new DisplayMap(this);
    auto *mapRow = insetRow(PageInset, 0, PageInset, 0);
    mapRow->addWidget(m_map);
    stack->addLayout(mapRow);

    // Section title.
    auto *titleRow = insetRow(TextInset, 24, TextInset, 12);
    titleRow->addWidget(
        new ThemedLabel(tr("Displays and Shortcuts"), 13, QFont::DemiBold, ThemedLabel::Role::Primary, this), 0,
        Qt::AlignVCenter);
    titleRow->addStretch(1);
    m_offerAgain = new LinkButton(tr("Change All Shortcuts…"), QUrl(), 11, this);
    connect(m_offerAgain, &QAbstractButton::clicked, this, [this] {
        m_offerReopened = true;
        rebuild();
    });
    titleRow->addWidget(m_offerAgain, 0, Qt::AlignVCenter);
    titleRow->addSpacing(8);
    m_count = new ThemedLabel(QString(), 11, QFont::Normal, ThemedLabel::Role::Secondary, this);
    titleRow->addWidget(m_count, 0, Qt::AlignVCenter);
    stack->addLayout(titleRow);

    // The offer of other default modifiers: on its own until the user has
    // chosen, then only when asked for again.
    m_offer = new QWidget(this);
    auto *offer = new QVBoxLayout(m_offer);
    offer->setContentsMargins(TextInset, 0, TextInset, 12);
    offer->setSpacing(8);
    m_offerText = new ThemedLabel(QString(), UiFonts::Callout, QFont::Normal, ThemedLabel::Role::Secondary, m_offer);
    m_offerText->setWordWrap(true);
    offer->addWidget(m_offerText);
    auto *choices = insetRow(0, 0, 0, 0);
    for (const quint32 modifiers : Shortcut::DefaultModifierChoices) {
        auto *choice = new StandardButton(QString(), UiFonts::Caption, m_offer);
        connect(choice, &QAbstractButton::clicked, this, [this, modifiers] {
            m_offerReopened = false;
            m_model.useDefaultModifiers(modifiers);
        });
        choices->addWidget(choice);
        m_offerChoices.append({ modifiers, choice });
    }
    choices->addStretch(1);
    offer->addLayout(choices);
    stack->addWidget(m_offer);

    // The list: the only part that gives up height when the window is short.
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The window's own bar would take width from the cards; an overlay bar in
    // the right margin scrolls instead.
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setMinimumSize(0, 0);
    m_scroll->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setAutoFillBackground(false);
    m_list = new CardList;
    m_scroll->setWidget(m_list);
    m_list->setAutoFillBackground(false);
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(PageInset, 2, PageInset, 12);
    m_listLayout->setSpacing(12);

    m_empty = new ThemedLabel(tr("No usable display found; please check the monitor connections."), UiFonts::Body,
        QFont::Normal, ThemedLabel::Role::Secondary, m_list);
    m_empty->setInsets(QMargins(16, 16, 16, 16));
    m_empty->setWordWrap(true);
    m_listLayout->addWidget(m_empty);

    m_status = new ThemedLabel(QString(), UiFonts::Callout, QFont::Normal, ThemedLabel::Role::Red, m_list);
    m_status->setObjectName(u"statusMessage"_s);
    m_status->setSymbol(Symbols::Kind::ExclamationCircle);
    m_status->setWordWrap(true);
    m_listLayout->addWidget(m_status);

    m_forgetLine = new QWidget(m_list);
    auto *forgetRow = insetRow(0, 0, 0, 0);
    m_forgetLine->setLayout(forgetRow);
    m_forgetText
        = new ThemedLabel(QString(), UiFonts::Caption, QFont::Normal, ThemedLabel::Role::Secondary, m_forgetLine);
    forgetRow->addWidget(m_forgetText, 0, Qt::AlignVCenter);
    forgetRow->addStretch(1);
    m_forgetButton = new StandardButton(tr("Clear Offline Settings"), UiFonts::Caption, m_forgetLine);
    forgetRow->addWidget(m_forgetButton, 0, Qt::AlignVCenter);
    connect(m_forgetButton, &QAbstractButton::clicked, this, [this] { m_model.forgetDisconnected(); });
    m_listLayout->addWidget(m_forgetLine);

    m_hint = new ThemedLabel(QString(), 11, QFont::Normal, ThemedLabel::Role::Secondary, m_list);
    m_hint->setWordWrap(true);
    m_hint->setInsets(QMargins(4, 2, 4, 0));
    m_listLayout->addWidget(m_hint);
    m_listLayout->addStretch(1);

    stack->addWidget(m_scroll, 1);

    m_scrollBar = new OverlayScrollBar(m_scroll->verticalScrollBar(), m_scroll);
    m_scroll->installEventFilter(this);

    // The switches: the pulse, and where a jump lands. The rebuild sets them
    // from the model; only a real flip writes.
    const auto addSwitch
        = [&](const QString &text, int top, int bottom, bool (AppModel::*read)() const, void (AppModel::*write)(bool)) {
              auto *toggle = new ToggleSwitch(text, 12, this);
              auto *row = insetRow(TextInset, top, TextInset, bottom);
              row->addWidget(toggle);
              stack->addLayout(row);
              connect(toggle, &QAbstractButton::toggled, this, [this, read, write](bool on) {
                  if (on != (m_model.*read)())
                      (m_model.*write)(on);
              });
              return toggle;
          };
    m_switch = addSwitch(
        tr("Enlarge the pointer after a jump"), 14, 10, &AppModel::animateCursor, &AppModel::setAnimateCursor);
    m_landSwitch = addSwitch(tr("Land where the pointer last was on each display"), 0, 18, &AppModel::landWhereLeftOff,
        &AppModel::setLandWhereLeftOff);

    // Divider, painted across the full width.
    m_divider = new QSpacerItem(0, 1, QSizePolicy::Expanding, QSizePolicy::Fixed);
    stack->addSpacerItem(m_divider);

    // Footer.
    auto *footer = insetRow(TextInset, 14, TextInset, 14);
    footer->addWidget(
        new ThemedLabel(ProjectLinks::footerMaker(), 11, QFont::Normal, ThemedLabel::Role::Secondary, this), 0,
        Qt::AlignVCenter);
    m_link = new LinkButton(ProjectLinks::footerLink(), ProjectLinks::homepage(), 11, this);
    footer->addWidget(m_link, 0, Qt::AlignVCenter);
    footer->addStretch(1);
    m_about = new LinkButton(UiText::aboutLabel(), QUrl(), 11, this);
    connect(m_about, &QAbstractButton::clicked, this, &SettingsView::aboutRequested);
    footer->addWidget(m_about, 0, Qt::AlignVCenter);
    footer->addSpacing(4);
    m_version = new ThemedLabel(
        AppVersion::footerText(AppVersion::shortVersion()), 11, QFont::Normal, ThemedLabel::Role::Tertiary, this);
    footer->addWidget(m_version, 0, Qt::AlignVCenter);
    stack->addLayout(footer);

    connect(&m_model, &AppModel::willChange, this, &SettingsView::scheduleRebuild);
    rebuild();
}

SettingsView::~SettingsView() = default;

QList<DisplayRow *> SettingsView::rows() const
{
    QList<DisplayRow *> result;
    for (const auto &[id, row] : m_rows) {
        if (id != AppModel::JumpBackId)
            result.append(row);
    }
    return result;
}

DisplayRow *SettingsView::jumpBackRow() const
{
    return m_rows.isEmpty() || m_rows.constLast().first != AppModel::JumpBackId ? nullptr : m_rows.constLast().second;
}

void SettingsView::scheduleRebuild()
{
    // Never read here: the model has not written yet.
    if (!m_rebuild.isActive())
        m_rebuild.start();
}

void SettingsView::rebuild()
{
    m_rebuild.stop();
    const QList<Display> &displays = m_model.displays();
    const bool recording = m_model.recordingID().has_value();

    m_header->setCanIdentify(!displays.isEmpty());
    m_map->setDisplays(displays);
    m_count->setText(tr("%1 connected").arg(displays.size()));

    rebuildRows();

    m_empty->setVisible(displays.isEmpty());
    const std::optional<Notice> &message = m_model.message();
    m_status->setText(message ? UiText::notice(*message, m_keyboard) : QString());
    m_status->setVisible(message.has_value());
    const int disconnected = m_model.disconnectedCount();
    m_forgetText->setText(tr("Disconnected displays with kept settings: %1").arg(disconnected));
    m_forgetLine->setVisible(disconnected >= 1);
    m_hint->setText(recording
            ? tr("Press the new combination; Esc cancels, Delete clears. Jumps pause while recording.")
            : tr("Click a key cap to set it again. Closed, Dartline stays in the system tray."));
    m_switch->setChecked(m_model.animateCursor());
    m_landSwitch->setChecked(m_model.landWhereLeftOff());
    updateOffer();
    updateDesktopKeys();
    updateJumpRoute();

    // The lines follow the recording card, and stay with it (or with the card
    // whose jump button failed) as long as a message about it stands.
    if (recording)
        m_messageCard = m_model.recordingID();
    else if (!message)
        m_messageCard.reset();
    placeMessages();

    updateTabOrder();
    m_list->update();
    revealMessages();
}

void SettingsView::placeMessages()
{
    m_listLayout->removeWidget(m_status);
    m_listLayout->removeWidget(m_hint);
    int at = -1;
    for (qsizetype p = 0; p < m_rows.size(); ++p) {
        if (m_rows.at(p).first == m_messageCard)
            at = static_cast<int>(p) + 1;
    }
    if (at < 0) {
        // At the end: status above the forget line, the hint below it.
        at = m_listLayout->indexOf(m_forgetLine);
        m_listLayout->insertWidget(at, m_status);
        m_listLayout->insertWidget(at + 2, m_hint);
    } else {
        m_listLayout->insertWidget(at, m_status);
        m_listLayout->insertWidget(at + 1, m_hint);
    }
}

void SettingsView::revealMessages()
{
    m_reveal.stop();
    DisplayRow *card = nullptr;
    for (const auto &[id, row] : m_rows) {
        if (id == m_messageCard)
            card = row;
    }
    // Scrolled only when what is said changes or the list's height does, so
    // the user may still scroll away from a standing message.
    const QString said = m_messageCard.value_or(QString()) + u'\n' + m_status->text() + u'\n'
        + (card ? m_hint->text() : QString()) + u'\n' + QString::number(m_scroll->viewport()->height());
    if (!isVisible() || said == std::exchange(m_revealed, said) || (!card && !m_status->isVisible()))
        return;

    // Lay the list out now, so the geometry below is the one about to show.
    m_listLayout->activate();
    QEvent layoutRequest(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(m_scroll, &layoutRequest);
    // Each call scrolls as little as it can: the card if there is room, the
    // hint under it, and whatever happens the status line.
    if (card) {
        m_scroll->ensureWidgetVisible(card, 0, 0);
        m_scroll->ensureWidgetVisible(m_hint, 0, 0);
    }
    if (m_status->isVisible())
        m_scroll->ensureWidgetVisible(m_status, 0, 0);
}

void SettingsView::rebuildRows()
{
    const QList<Display> &displays = m_model.displays();
    const std::optional<QString> &recordingID = m_model.recordingID();
    const auto &bindings = m_model.preferences().bindings;
    const auto &errors = m_model.registrationErrors();

    // Cards are kept per display id, so focus and hover survive a rebuild.
    QList<std::pair<QString, DisplayRow *>> previous = std::exchange(m_rows, {});
    for (const auto &[id, row] : previous)
        m_listLayout->removeWidget(row);

    // One card per display, then the jump back's (number 0) below them.
    const qsizetype cards = displays.isEmpty() ? 0 : displays.size() + 1;
    for (qsizetype p = 0; p < cards; ++p) {
        const bool jumpBack = p == displays.size();
        const Display display = jumpBack ? Display { AppModel::JumpBackId, 0, {}, {}, false } : displays.at(p);
        DisplayRow *row = nullptr;
        for (auto it = previous.begin(); it != previous.end(); ++it) {
            if (it->first == display.id) {
                row = it->second;
                previous.erase(it);
                break;
            }
        }
        if (!row)
            row = new DisplayRow(m_list);

        DisplayRow::Fields fields;
        fields.display = display;
        fields.number = jumpBack ? 0 : static_cast<int>(p) + 1;
        if (const auto binding = bindings.constFind(display.id); binding != bindings.cend())
            fields.shortcutLabels = keycapLabels(*binding, m_keyboard);
        fields.isRecording = recordingID && *recordingID == display.id;
        fields.canJump = !recordingID;
        if (const auto error = errors.constFind(display.id); error != errors.cend())
            fields.error = UiText::notice(*error, m_keyboard);
        row->setFields(fields);

        const QString id = display.id;
        row->setCallbacks(
            [this, id] {
                // Read at the click, not when the card was built.
                if (m_model.recordingID() == id)
                    m_model.cancelRecording(true);
                else
                    m_model.beginRecording(id);
            },
            [this, id] { m_model.clearShortcut(id); },
            [this, display, jumpBack] {
                // A failure is reported under the card whose button was pressed.
                m_messageCard = display.id;
                if (jumpBack)
                    m_model.jumpBack();
                else
                    m_model.jump(display);
            });

        m_listLayout->insertWidget(static_cast<int>(p), row);
        row->show();
        m_rows.append({ display.id, row });
    }

    for (const auto &[id, row] : previous) {
        row->hide();
        row->deleteLater();
    }
}

void SettingsView::updateDesktopKeys()
{
    if (!m_desktopKeys)
        return;
    const int written = m_desktopKeysCount;
    m_desktopKeysWrite->setText(written > 0 ? tr("Update Keyboard Settings") : tr("Add to Keyboard Settings"));
    m_desktopKeysRemove->setVisible(written > 0);
    m_desktopKeysStatus->setRole(m_desktopKeysError.isEmpty() ? ThemedLabel::Role::Secondary : ThemedLabel::Role::Red);
    m_desktopKeysStatus->setText(m_desktopKeysError.isEmpty()
            ? tr("Shortcuts in the keyboard settings: %1").arg(written)
            : tr("The keyboard settings could not be changed: %1").arg(m_desktopKeysError));
}

void SettingsView::updateJumpRoute()
{
    if (!m_jumpRoute)
        return;
    const CursorPlatform::Route route = m_model.jumpRoute();
    const bool ready
        = route == CursorPlatform::Route::ScreenSharingReady || route == CursorPlatform::Route::DesktopPortal;
    m_jumpRoute->setRole(ready ? ThemedLabel::Role::Secondary : ThemedLabel::Role::Red);
    m_jumpRoute->setSymbol(ready ? Symbols::Kind::None : Symbols::Kind::ExclamationTriangle);
    m_jumpRoute->setVisible(route != CursorPlatform::Route::Direct);
    switch (route) {
    case CursorPlatform::Route::Direct:
        break;
    case CursorPlatform::Route::ScreenSharingReady:
        m_jumpRoute->setText(
            tr("Jumps go through GNOME's screen sharing: its indicator shows for a few seconds after each jump."));
        break;
    case CursorPlatform::Route::ScreenSharingWithoutPipeWire:
        m_jumpRoute->setText(tr("Jumps need GNOME's screen sharing, which needs PipeWire, and PipeWire is not "
                                "running. Start it (%1), then jump.")
                                 .arg(u"systemctl --user start pipewire"_s));
        break;
    case CursorPlatform::Route::DesktopPortal:
        m_jumpRoute->setText(tr("Jumps go through the desktop's remote control: the first jump asks you to allow "
                                "it, and the desktop remembers your answer."));
        break;
    case CursorPlatform::Route::NeedsDesktopEntry:
        m_jumpRoute->setText(tr("KDE Plasma lets Dartline move the pointer only when Dartline is installed with its "
                                "desktop entry. Install it, then start Dartline again."));
        break;
    }
}

void SettingsView::updateOffer()
{
    const std::optional<quint32> chosen = m_model.defaultModifiers();
    const bool shown = !m_model.displays().isEmpty() && (!chosen || m_offerReopened);
    m_offer->setVisible(shown);
    m_offerAgain->setVisible(!shown && !m_model.displays().isEmpty());
    const auto first
        = [this](quint32 modifiers) { return shortcutText(*Shortcut::suggested(0, modifiers), m_keyboard); };
    m_offerText->setText(tr(
        "Browsers and terminals switch tabs with %1, %2 and so on. Give every display a combination they leave free?")
                             .arg(first(Shortcut::Alt), shortcutText(*Shortcut::suggested(1), m_keyboard)));
    for (const auto &[modifiers, button] : std::as_const(m_offerChoices)) {
        button->setText(modifiers == Shortcut::Alt && !chosen ? tr("Keep %1…").arg(first(modifiers))
                                                              : tr("Use %1…").arg(first(modifiers)));
        button->setEnabled(chosen != modifiers);
    }
}

void SettingsView::updateTabOrder()
{
    // Top to bottom, left to right: identify, each card's field and jump
    // button, the forget button, the switch, the link.
    QList<QWidget *> chain { m_header->identifyButton(), m_offerAgain };
    for (const auto &[modifiers, button] : std::as_const(m_offerChoices))
        chain.append(button);
    for (const auto &[id, row] : m_rows) {
        chain.append(row->recorder());
        chain.append(row->jumpButton());
    }
    chain.append(m_forgetButton);
    chain.append(m_switch);
    chain.append(m_landSwitch);
    chain.append(m_link);
    chain.append(m_about);
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i - 1), chain.at(i));
}

void SettingsView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QLinearGradient background(rect().topLeft(), rect().bottomRight());
    background.setColorAt(0, DartlineTheme::windowTop());
    background.setColorAt(1, DartlineTheme::windowBottom());
    painter.fillRect(rect(), background);
    const QRect line = m_divider->geometry();
    painter.fillRect(QRect(0, line.top(), width(), 1), DartlineTheme::label(0.06));
}

bool SettingsView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_scroll && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        placeScrollBar();
        // After the scroll area has laid itself out for the new size.
        m_reveal.start();
    }
    return QWidget::eventFilter(watched, event);
}

void SettingsView::placeScrollBar()
{
    // Centred in the list's right margin, clear of the cards.
    constexpr int Width = OverlayScrollBar::Thickness;
    const int x = m_scroll->width() - PageInset / 2 - Width / 2;
    m_scrollBar->setGeometry(x, 2, Width, std::max(0, m_scroll->height() - 4));
    m_scrollBar->raise();
}

} // namespace Dartline
