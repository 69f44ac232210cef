// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayApplication.h"

#include "app/AppLogging.h"
#include "app/CommandLine.h"
#include "app/DBusService.h"
#include "app/MenuText.h"
#include "app/SingleInstance.h"
#include "app/TrayGlyph.h"
#include "displays/CursorAnimator.h"
#include "displays/DisplayOverlay.h"
#include "hotkeys/KeyLabels.h"
#include "model/AppModel.h"
#include "model/SettingsStore.h"
#include "platform/backends/PlatformBackends.h"
#include "platform/Platform.h"
#include "ui/AboutWindow.h"
#include "ui/SettingsWindow.h"
#include "ui/ThemeMonitor.h"
#include "ui/UiText.h"

#include <QAction>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>

#include <cstdio>

namespace Dartline {

TrayApplication::TrayApplication(Options options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
{ }

TrayApplication::~TrayApplication()
{
    // Windows and the tray first: they point at the model. The members
    // below then go in reverse order of declaration.
    m_settingsWindow.reset();
    m_aboutWindow.reset();
    delete m_trayIcon;
    m_trayIcon = nullptr;
}

SingleInstance *TrayApplication::makeInstance()
{
    const QString directory
        = m_options.instanceDirectory.isEmpty() ? SingleInstance::defaultDirectory() : m_options.instanceDirectory;
    const QString key = m_options.instanceKey.isEmpty() ? SingleInstance::defaultKey(qEnvironmentVariable("DISPLAY"))
                                                        : m_options.instanceKey;
    return new SingleInstance(directory, key, this);
}

TrayApplication::Launch TrayApplication::handOverOnly(InstanceMessage::Answer *answer)
{
    m_instance = makeInstance();
    if (!m_instance->isRunning())
        return Launch::NotRunning;
    if (m_instance->handOver(m_options.arguments, RequestTimeoutMs, answer))
        return Launch::HandedOver;
    m_error = m_instance->errorString();
    return Launch::HandOverFailed;
}

TrayApplication::Launch TrayApplication::launch()
{
    // One copy per user and X display. A second copy only hands its
    // arguments over: no platform, no model, no hot keys, no tray icon.
    m_instance = makeInstance();
    switch (m_instance->claim()) {
    case SingleInstance::Role::Secondary:
        if (m_instance->handOver(m_options.arguments, HandOverTimeoutMs))
            return Launch::HandedOver;
        m_error = m_instance->errorString();
        return Launch::HandOverFailed;
    case SingleInstance::Role::Unguarded:
        qCWarning(lcShell, "Running without the single-instance guard: %s", qUtf8Printable(m_instance->errorString()));
        break;
    case SingleInstance::Role::Primary:
        if (!m_instance->errorString().isEmpty())
            qCWarning(lcShell, "%s; a second copy will not reach this one", qUtf8Printable(m_instance->errorString()));
        m_instance->setHandler([this](const QStringList &arguments) { return answerRequest(arguments); });
        break;
    }

    // The model, over the window system's services. It lists the
    // displays and registers the hot keys before it returns. They come
    // first: nothing else here (the theme, the desktop portal, the menu, the
    // tray icon and its images, any window) is needed for a hot key to work.
    m_platform = m_options.makePlatform ? m_options.makePlatform() : createPlatform();
    m_overlay = std::make_unique<DisplayOverlay>(m_platform->displays(), m_platform->cursor());
    m_store = m_options.makeStore ? m_options.makeStore() : SettingsStore::standard();
    m_model = std::make_unique<AppModel>(*m_platform, *m_store);
    qCInfo(lcStartup, "hot keys registered");
    if (m_platform->reachesOnlyXWayland()) {
        qCWarning(lcShell,
            "This Wayland session (%s) offers no route for shortcuts and pointer moves: they reach only X11 windows. "
            "Bind 'dartline --jump N' to keys in the desktop's settings instead.",
            qUtf8Printable(qEnvironmentVariable("XDG_CURRENT_DESKTOP", QStringLiteral("unknown desktop"))));
    }
    ThemeMonitor::instance().setDesktop(&m_platform->appearance());
    connect(&m_platform->displays(), &DisplayPlatform::configurationChanged, this, &TrayApplication::displaysChanged);
    // Only the step out of the active state counts: hidden and inactive
    // follow each other without the user doing anything new.
    m_active = QGuiApplication::applicationState() == Qt::ApplicationActive;
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        const bool active = state == Qt::ApplicationActive;
        if (m_active && !active)
            resignedActive();
        m_active = active;
    });

    installStatusItem();
    (new DBusService(*this))->publish();

    // The settings window on the very first launch, or when asked for.
    const bool launched = SettingsStore::readFlag(*m_store, SettingsStore::HasLaunchedKey).value_or(false);
    if (!launched || m_options.arguments.contains(SettingsArgument)) {
        showSettings();
        SettingsStore::write(*m_store, SettingsStore::HasLaunchedKey, true);
    }
    return Launch::Running;
}

void TrayApplication::displaysChanged()
{
    if (m_model)
        m_model->refreshDisplays();
}

void TrayApplication::resignedActive()
{
    if (m_model)
        m_model->cancelRecording(true);
}

void TrayApplication::reopen()
{
    showSettings();
}

InstanceMessage::Answer TrayApplication::answerRequest(const QStringList &arguments)
{
    QCommandLineParser parser;
    CommandLine::configure(parser);
    QString error;
    const auto target = parser.parse(arguments) ? CommandLine::jumpTarget(parser, &error) : std::nullopt;
    if (!error.isEmpty())
        return { false, error };
    if (!target) {
        // The window is built after the answer: the other copy is waiting.
        QTimer::singleShot(0, this, &TrayApplication::reopen);
        return {};
    }
    QString id = target->id;
    if (target->number > 0) {
        const qsizetype count = m_model ? m_model->displays().size() : 0;
        if (target->number > count) {
            return { false,
                count == 0
                    ? tr("Dartline finds no display.")
                    : tr("There is no display %1: the displays are numbered 1 to %2.").arg(target->number).arg(count) };
        }
        id = m_model->displays().at(target->number - 1).id;
    }
    error = jumpTo(id);
    return { error.isEmpty(), error };
}

qsizetype TrayApplication::indexOf(const QString &id) const
{
    if (!m_model)
        return -1;
    const QList<Display> &displays = m_model->displays();
    const auto found
        = std::find_if(displays.cbegin(), displays.cend(), [&id](const Display &display) { return display.id == id; });
    return found == displays.cend() ? -1 : found - displays.cbegin();
}

QString TrayApplication::jumpTo(const QString &id)
{
    const qsizetype index = indexOf(id);
    if (index < 0)
        return tr("No display has the identifier %1.").arg(id);
    // A copy: the jump may end in a refresh that replaces the list.
    const Display target = m_model->displays().at(index);
    m_model->jump(target);
    const std::optional<Notice> &message = m_model->message();
    if (message && message->kind == Notice::Kind::JumpFailed)
        return UiText::notice(*message, m_platform->keyboard());
    return {};
}

QString TrayApplication::shortcutCaption(const QString &id) const
{
    if (!m_model)
        return {};
    const auto &bindings = m_model->preferences().bindings;
    const auto binding = bindings.constFind(id);
    return binding != bindings.cend() ? shortcutText(*binding, m_platform->keyboard()) : QString();
}

void TrayApplication::quit()
{
    // QCoreApplication::quit() would first ask every top-level window to
    // close and give up when one refuses; the settings and About windows
    // refuse (closing only hides them). So finish what must outlive the
    // process here and leave the event loop unconditionally.
    if (m_model) {
        m_model->cancelRecording(false);
        m_model->animator().cancel();
    }
    if (m_overlay)
        m_overlay->dismiss();
    // Hiding saves the settings window's frame; the windows go from the
    // screen now rather than when the process has torn everything down.
    for (QWidget *window : { settingsWindow(), aboutWindow() }) {
        if (window)
            window->hide();
    }
    if (m_trayIcon)
        m_trayIcon->hide();
    QCoreApplication::exit(0);
}

void TrayApplication::installStatusItem()
{
    // The menu is complete before the icon is shown and kept current from
    // then on: a StatusNotifierItem host reads the exported menu on the first
    // click, before (or without) announcing that it shows it.
    m_statusMenu = std::make_unique<QMenu>();
    rebuildStatusMenu(*m_statusMenu);
    connect(m_model.get(), &AppModel::willChange, this, &TrayApplication::scheduleMenuUpdate);
    connect(m_statusMenu.get(), &QMenu::aboutToShow, this, [this] {
        // A shortcut another program held may be free by now; key labels
        // follow the keyboard layout, which may have changed.
        m_model->retryFailedRegistrations();
        rebuildStatusMenu(*m_statusMenu);
    });

    m_trayIcon = new QSystemTrayIcon(this);
    // The glyph follows the desktop's light or dark appearance live.
    updateTrayIcon();
    connect(&ThemeMonitor::instance(), &ThemeMonitor::changed, this, &TrayApplication::updateTrayIcon);
    m_trayIcon->setToolTip(tr("Dartline · Every display, one key away"));
    m_trayIcon->setContextMenu(m_statusMenu.get());
    // A left click opens the same menu: it is the only thing the icon offers.
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && !m_statusMenu->isVisible())
            m_statusMenu->popup(QCursor::pos());
    });
    // Shown even without a tray: Qt embeds it as soon as a tray appears.
    m_trayIcon->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        std::fputs(qPrintable(QStringLiteral("dartline: ")
                       + tr("no system tray found; the shortcuts work. To open the settings run: %1\n")
                             .arg(QStringLiteral("dartline --settings"))),
            stderr);
    }
}

void TrayApplication::updateTrayIcon()
{
    if (m_trayIcon)
        m_trayIcon->setIcon(TrayGlyph::icon(ThemeMonitor::instance().isDark()));
}

void TrayApplication::scheduleMenuUpdate()
{
    // willChange() comes before the change and often several times in a row:
    // look once the model has settled.
    if (m_menuUpdatePending || !m_statusMenu)
        return;
    m_menuUpdatePending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_menuUpdatePending = false;
            if (m_statusMenu)
                rebuildStatusMenu(*m_statusMenu);
        },
        Qt::QueuedConnection);
}

void TrayApplication::rebuildStatusMenu(QMenu &menu)
{
    if (!m_model) {
        menu.clear();
        return;
    }
    // The display items as they should read now; the menu is rebuilt only
    // when they differ, so an exported menu does not churn on every look.
    QList<std::pair<QString, QString>> items; // text, display identifier
    const QList<Display> &displays = m_model->displays();
    for (qsizetype i = 0; i < displays.size(); ++i) {
        const Display &display = displays.at(i);
        const QString caption = shortcutCaption(display.id);
        const QString caps = caption.isEmpty() ? UiText::unset() : caption;
        items.append({ MenuText::displayItem(static_cast<int>(i) + 1, display.name, caps), display.id });
    }
    if (items == m_menuItems && !menu.isEmpty())
        return;
    m_menuItems = items;

    menu.clear();
    for (const auto &[text, id] : std::as_const(items)) {
        QAction *item = menu.addAction(text);
        // The identifier, not the position: the list may change before the click.
        item->setData(id);
        connect(item, &QAction::triggered, this, [this, item] { jumpFromMenu(item); });
    }
    menu.addSeparator();
    // No key hints here: Ctrl+, and Ctrl+Q work in Dartline's windows, not
    // from the tray.
    connect(menu.addAction(UiText::identifyLabel()), &QAction::triggered, this, &TrayApplication::identifyDisplays);
    connect(menu.addAction(UiText::settingsLabel()), &QAction::triggered, this, &TrayApplication::showSettings);
    connect(menu.addAction(UiText::aboutLabel()), &QAction::triggered, this, &TrayApplication::showAbout);
    menu.addSeparator();
    connect(menu.addAction(UiText::quitLabel()), &QAction::triggered, this, &TrayApplication::quit);
}

void TrayApplication::jumpFromMenu(const QAction *item)
{
    if (!m_model || !item || item->data().typeId() != QMetaType::QString)
        return;
    jumpTo(item->data().toString());
}

void TrayApplication::identifyDisplays()
{
    if (!m_model || !m_overlay)
        return;
    // Each tile names its display's shortcut, in the words the settings use.
    QStringList captions;
    for (const Display &display : m_model->displays())
        captions.append(shortcutCaption(display.id));
    m_overlay->show(m_model->displays(), captions);
}

QWidget *TrayApplication::settingsWindow() const
{
    return m_settingsWindow.get();
}

QWidget *TrayApplication::aboutWindow() const
{
    return m_aboutWindow.get();
}

void TrayApplication::showSettings()
{
    if (!m_model)
        return;
    m_model->retryFailedRegistrations();
    if (!m_settingsWindow) {
        const QPointer<TrayApplication> self(this);
        m_settingsWindow = std::make_unique<SettingsWindow>(*m_model, m_platform->keyboard(), *m_store, [self] {
            if (self)
                self->identifyDisplays();
        });
        adoptWindow(m_settingsWindow.get());
    }
    bringForward(m_settingsWindow.get());
}

void TrayApplication::showAbout()
{
    if (!m_aboutWindow) {
        m_aboutWindow = std::make_unique<AboutWindow>();
        adoptWindow(m_aboutWindow.get());
    }
    bringForward(m_aboutWindow.get());
}

template<typename Window> void TrayApplication::adoptWindow(Window *window)
{
    // This desktop has no application-wide menu bar: each window carries the
    // main-menu commands itself (WindowActions: Ctrl+, / Ctrl+Q / Ctrl+W) and
    // asks for them through its signals.
    connect(window, &Window::closed, this, &TrayApplication::windowWillClose);
    connect(window, &Window::settingsRequested, this, &TrayApplication::showSettings);
    connect(window, &Window::aboutRequested, this, &TrayApplication::showAbout);
    connect(window, &Window::quitRequested, this, &TrayApplication::quit);
}

void TrayApplication::bringForward(QWidget *window)
{
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void TrayApplication::windowWillClose()
{
    if (m_model)
        m_model->cancelRecording(true);
}

} // namespace Dartline
