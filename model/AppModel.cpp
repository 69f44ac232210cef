// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/AppModel.h"

#include "core/KeyCodes.h"

#include "core/DisplayGeometry.h"
#include "displays/CursorAnimator.h"
#include "displays/DisplayService.h"
#include "hotkeys/KeyCapture.h"
#include "model/ModelLogging.h"
#include "model/SettingsStore.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSet>
#include <QSettings>
#include <QTimer>

namespace Dartline {

namespace {

// How long after a jump its departure point is written.
constexpr int LeftOffSaveDelayMs = 2000;

// Code of a jump to a display that is gone, asleep or has no usable centre.
constexpr int displayUnavailable = 1010;

// QSettings guards every write with a lock file beside the store, and waits
// for one it cannot read until it is 30 s old: a kill in the middle of a
// save leaves such a file, empty. One that names its owner QSettings judges
// itself. removeStaleLockFile() refuses while any process holds the file's
// native lock, as a live writer does from before it fills the file in.
void releaseAbandonedStoreLock(const QSettings &store)
{
    const QString path = store.fileName() + QStringLiteral(".lock");
    if (!QFileInfo::exists(path))
        return;
    QLockFile lock(path);
    if (!lock.getLockInfo(nullptr, nullptr, nullptr) && lock.removeStaleLockFile())
        qCInfo(lcStore, "Removed the abandoned lock file %s", qUtf8Printable(path));
}

} // namespace

AppModel::AppModel(Platform &platform, QSettings &store, std::unique_ptr<CursorAnimator> animator, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
    , m_store(store)
    , m_hotKeys(std::make_unique<HotKeyService>(platform.hotKeys()))
    , m_animator(
          animator ? std::move(animator) : std::make_unique<CursorAnimator>(platform.cursor(), &platform.displays()))
{
    m_platform.cursor().onWarpSettled([this](const QPointF &point, int code) { warpSettled(point, code); });
    m_platform.hotKeys().onRefused([this](HotKeyStatus status) { hotKeysRefused(status); });
    releaseAbandonedStoreLock(m_store);
    m_animateCursor = SettingsStore::readFlag(m_store, SettingsStore::AnimateCursorKey).value_or(true);
    m_landWhereLeftOff = SettingsStore::readFlag(m_store, SettingsStore::LandWhereLeftOffKey).value_or(false);
    bool isNumber = false;
    const uint chosen = m_store.value(SettingsStore::DefaultModifiersKey).toUInt(&isNumber);
    if (isNumber
        && std::ranges::find(Shortcut::DefaultModifierChoices, chosen) != std::end(Shortcut::DefaultModifierChoices))
        m_defaultModifiers = chosen;
    m_preferences = readPreferences();
    // The jump back's binding, unless a display holds the combination by now.
    const QByteArray jumpBack = m_store.value(SettingsStore::JumpBackKey).toByteArray();
    if (const auto shortcut = Shortcut::fromJson(QJsonDocument::fromJson(jumpBack).object());
        shortcut && !m_preferences.conflictingDisplay(*shortcut, JumpBackId))
        m_preferences.bindings.insert(JumpBackId, *shortcut);
    const QJsonObject leftOff
        = QJsonDocument::fromJson(m_store.value(SettingsStore::LeftOffKey).toByteArray()).object();
    for (auto it = leftOff.begin(); it != leftOff.end(); ++it) {
        const QJsonArray point = it.value().toArray();
        if (point.size() == 2 && point.at(0).isDouble() && point.at(1).isDouble())
            m_leftOff.insert(it.key(), QPointF(point.at(0).toDouble(), point.at(1).toDouble()));
    }
    refreshDisplays();
}

AppModel::~AppModel()
{
    // No signal from a model that is going away; just let go of the keyboard
    // and the filter. The hot-key service unregisters what it holds itself.
    endKeyCapture();
    m_platform.cursor().onWarpSettled({});
    m_platform.hotKeys().onRefused({});
    if (m_leftOffSavePending)
        saveLeftOff();
}

Preferences AppModel::readPreferences()
{
    const QVariant value = m_store.value(SettingsStore::PreferencesKey);
    if (!value.isValid())
        return {};
    // A document written by hand lacks the byte-array wrapper and reads as
    // text; as long as it is a document, it is taken as one.
    if (value.typeId() == QMetaType::QByteArray || value.typeId() == QMetaType::QString) {
        const QByteArray document
            = value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
        if (const auto preferences = Preferences::fromJson(document))
            return *preferences;
        if (document.isEmpty())
            return {};
    }
    keepUnreadable(value);
    return {};
}

void AppModel::keepUnreadable(const QVariant &value)
{
    // The document is rejected whole and replaced by the defaults, but what
    // the user wrote is kept: the whole file as it is on disk, byte for byte
    // (QSettings has already taken the quotes out of a hand-written value),
    // or else the value as read, under a key of its own beside it. The copy
    // counts once it is seen to hold the document.
    m_store.sync();
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QString file = m_store.fileName();
    QString copy = file + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(copy); ++n)
        copy = file + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);
    if (QFile::copy(file, copy) && QSettings(copy, m_store.format()).value(SettingsStore::PreferencesKey) == value) {
        qCWarning(lcStore,
            "Cannot read the stored preferences, so they start from the defaults; the file that held them is kept as "
            "%s",
            qUtf8Printable(copy));
        return;
    }
    QFile::remove(copy);
    QString key = SettingsStore::PreferencesKey + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; m_store.contains(key); ++n)
        key = SettingsStore::PreferencesKey + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);
    writeStore(key, value);
    qCWarning(lcStore,
        "Cannot read the stored preferences, so they start from the defaults; the unreadable document is kept as %s in "
        "%s",
        qUtf8Printable(key), qUtf8Printable(file));
}

void AppModel::writeStore(const QString &key, const QVariant &value)
{
    // A store that becomes writable again loses nothing: QSettings keeps what
    // it could not write and writes it at the next sync.
    if (!SettingsStore::write(m_store, key, value) && !m_storeFailureReported) {
        m_storeFailureReported = true;
        qCWarning(lcStore, "Cannot write the settings file %s; the changes are kept and written again at the next save",
            qUtf8Printable(m_store.fileName()));
    }
}

void AppModel::save()
{
    // Only a change is written: a write rewrites the whole file, and most
    // refreshes change nothing. The jump back goes under its own key, so the
    // document means to older versions what it always meant.
    Preferences displays = m_preferences;
    const std::optional<Shortcut> jumpBack
        = displays.bindings.contains(JumpBackId) ? std::optional(displays.bindings.take(JumpBackId)) : std::nullopt;
    const auto writeChanged = [this](const QString &key, const QByteArray &value) {
        const QVariant stored = m_store.value(key);
        if (stored.typeId() == QMetaType::QByteArray && stored.toByteArray() == value)
            return;
        if (value.isEmpty() && !stored.isValid())
            return;
        if (value.isEmpty()) {
            m_store.remove(key);
            m_store.sync();
        } else {
            writeStore(key, value);
        }
    };
    writeChanged(SettingsStore::PreferencesKey, displays.toJson());
    writeChanged(SettingsStore::JumpBackKey,
        jumpBack ? QJsonDocument(jumpBack->toJson()).toJson(QJsonDocument::Compact) : QByteArray());
}

void AppModel::saveLeftOff()
{
    m_leftOffSavePending = false;
    QJsonObject points;
    for (auto it = m_leftOff.cbegin(); it != m_leftOff.cend(); ++it)
        points.insert(it.key(), QJsonArray { it.value().x(), it.value().y() });
    writeStore(SettingsStore::LeftOffKey, QJsonDocument(points).toJson(QJsonDocument::Compact));
}

void AppModel::useDefaultModifiers(quint32 modifiers)
{
    cancelRecording(false);
    Q_EMIT willChange();
    m_defaultModifiers = modifiers;
    writeStore(SettingsStore::DefaultModifiersKey, modifiers);
    Q_EMIT willChange();
    if (m_preferences.useDefaultModifiers(modifiers, JumpBackId))
        save();
    setMessage(std::nullopt);
    registerShortcuts();
}

void AppModel::setLandWhereLeftOff(bool on)
{
    Q_EMIT willChange();
    m_landWhereLeftOff = on;
    writeStore(SettingsStore::LandWhereLeftOffKey, on);
}

void AppModel::setAnimateCursor(bool on)
{
    Q_EMIT willChange();
    m_animateCursor = on;
    writeStore(SettingsStore::AnimateCursorKey, on);
    if (!on)
        m_animator->cancel();
}

bool AppModel::reachesOnlyXWayland() const
{
    return m_platform.reachesOnlyXWayland();
}

CursorPlatform::Route AppModel::jumpRoute() const
{
    return m_platform.cursor().route();
}

DesktopKeybindings *AppModel::desktopKeybindings() const
{
    return m_platform.desktopKeybindings();
}

QString AppModel::writeDesktopKeybindings(bool remove)
{
    DesktopKeybindings *keybindings = m_platform.desktopKeybindings();
    if (!keybindings)
        return {};
    QList<std::pair<QString, Shortcut>> bindings;
    for (const Display &display : std::as_const(m_displays)) {
        const auto binding = m_preferences.bindings.constFind(display.id);
        if (!remove && binding != m_preferences.bindings.cend() && binding->isValid())
            bindings.append({ display.id, *binding });
    }
    Q_EMIT willChange();
    QString error;
    if (!keybindings->write(bindings, QCoreApplication::applicationFilePath(), &error)) {
        qCWarning(lcStore, "Cannot write the desktop's keybindings: %s", qUtf8Printable(error));
        return error.isEmpty() ? QStringLiteral("unknown error") : error;
    }
    return {};
}

int AppModel::disconnectedCount() const
{
    QSet<QString> connectedIds;
    for (const Display &display : m_displays)
        connectedIds.insert(display.id);
    int count = 0;
    for (const QString &id : m_preferences.knownDisplays) {
        if (!connectedIds.contains(id))
            ++count;
    }
    return count;
}

void AppModel::refreshDisplays()
{
    cancelRecording(false);
    const QList<Display> displays = DisplayService::connected(m_platform.displays());
    Q_EMIT willChange();
    m_displays = displays;
    for (qsizetype i = 0; i < m_displays.size(); ++i) {
        Q_EMIT willChange();
        m_preferences.discover(m_displays.at(i).id, static_cast<int>(i), m_defaultModifiers.value_or(Shortcut::Alt));
    }
    save();
    registerShortcuts();
}

void AppModel::forgetDisconnected()
{
    // A recording ends first, as a refresh ends it: registering below would
    // otherwise switch the hot keys back on while the key filter still waits.
    cancelRecording(false);
    QSet<QString> connectedIds;
    for (const Display &display : std::as_const(m_displays))
        connectedIds.insert(display.id);
    Q_EMIT willChange();
    m_preferences.bindings.removeIf(
        [&](const auto &entry) { return entry.key() != JumpBackId && !connectedIds.contains(entry.key()); });
    Q_EMIT willChange();
    m_preferences.knownDisplays.intersect(connectedIds);
    save();
    registerShortcuts();
}

void AppModel::jump(const Display &display)
{
    // Only the number is taken from the record: the display may have moved or
    // gone to sleep since the list was made, so its state is taken from the
    // platform, which follows every change the server has reported.
    const quint32 number = display.number;
    DisplayPlatform &displays = m_platform.displays();

    std::optional<QPointF> target;
    if (displays.isActive(number)) {
        const QRectF bounds = displays.bounds(number);
        target = DisplayGeometry::center(bounds);
        const std::optional<QPointF> from = noteDeparture();
        const auto leftOff = m_leftOff.constFind(display.id);
        // Noted just now when the pointer is on that display already: it stays, and pulses.
        if (target && m_landWhereLeftOff && leftOff != m_leftOff.cend() && bounds.contains(bounds.topLeft() + *leftOff))
            target = bounds.topLeft() + *leftOff;
        if (target && from)
            m_returnPoint = from;
    }
    const int code = target ? moveTo(*target, number) : displayUnavailable;
    if (code != 0) {
        setMessage(Notice { Notice::Kind::JumpFailed, code });
        qCCritical(lcCursor, "Cursor jump failed: %d", code);
    }
}

void AppModel::jumpBack()
{
    if (!m_returnPoint)
        return;
    const QPointF point = *m_returnPoint;
    DisplayPlatform &displays = m_platform.displays();
    const auto on = std::find_if(m_displays.cbegin(), m_displays.cend(), [&](const Display &display) {
        return displays.isActive(display.number) && displays.bounds(display.number).contains(point);
    });
    if (on == m_displays.cend()) {
        setMessage(Notice { Notice::Kind::ReturnPointGone });
        qCWarning(lcCursor, "The display the pointer came from is gone; it stays where it is");
        return;
    }
    const std::optional<QPointF> from = noteDeparture();
    if (const int code = moveTo(point, on->number); code != 0) {
        setMessage(Notice { Notice::Kind::JumpFailed, code });
        qCCritical(lcCursor, "Cursor jump failed: %d", code);
        return;
    }
    // Pressed again, it goes forward again.
    m_returnPoint = from;
}

std::optional<QPointF> AppModel::noteDeparture()
{
    // One more question to the window system, asked only when an answer is
    // wanted: the pointer's place is what a jump back returns to.
    if (!m_landWhereLeftOff && !m_preferences.bindings.contains(JumpBackId))
        return std::nullopt;
    const std::optional<QPointF> from = m_platform.cursor().location();
    if (!from)
        return std::nullopt;
    DisplayPlatform &displays = m_platform.displays();
    for (const Display &display : std::as_const(m_displays)) {
        const QRectF bounds = displays.bounds(display.number);
        if (displays.isActive(display.number) && bounds.contains(*from)) {
            m_leftOff.insert(display.id, *from - bounds.topLeft());
            // Written a moment later, once for a run of jumps: a write
            // rewrites the whole file, and the next key press would wait
            // for it. The model writes what is pending when it goes.
            if (!std::exchange(m_leftOffSavePending, true))
                QTimer::singleShot(LeftOffSaveDelayMs, this, &AppModel::saveLeftOff);
            break;
        }
    }
    return from;
}

int AppModel::moveTo(const QPointF &point, quint32 number)
{
    CursorPlatform &cursor = m_platform.cursor();
    // What the pulse needs is asked along with the warp, so that the next key
    // press does not wait for a second answer.
    std::optional<CursorPlatform::PulseFacts> facts;
    if (m_animateCursor)
        facts.emplace();
    const int code = facts ? cursor.warpForPulse(point, *facts) : cursor.warp(point);
    if (code == CursorPlatform::WarpPending) {
        setMessage(std::nullopt); // the last jump's error is old news
        return 0; // the desktop asks its user first: warpSettled() follows
    }
    if (code != 0)
        return code;
    setMessage(std::nullopt);
    // Reading the pointer back is one more round trip, which the next hot key
    // would wait for: only the log asks where the pointer really is. The
    // pulse takes the point, which lies on an active display, so the window
    // system had no reason to move it elsewhere.
    if (!m_animateCursor && !lcCursor().isInfoEnabled())
        return 0;
    const QPointF landed = lcCursor().isInfoEnabled() ? cursor.location().value_or(point) : point;
    qCInfo(lcCursor, "Cursor moved to display %u, position %f, %f", number, landed.x(), landed.y());
    if (m_animateCursor)
        m_animator->show(landed, std::move(facts));
    return 0;
}

void AppModel::warpSettled(const QPointF &point, int code)
{
    if (code != 0) {
        setMessage(Notice { Notice::Kind::JumpFailed, code });
        qCCritical(lcCursor, "Cursor jump failed: %d", code);
        return;
    }
    setMessage(std::nullopt);
    qCInfo(lcCursor, "Cursor moved, once the desktop allowed it, to %f, %f", point.x(), point.y());
    if (m_animateCursor)
        m_animator->show(point, std::nullopt);
}

QStringList AppModel::bindableIds() const
{
    QStringList ids;
    for (const Display &display : m_displays)
        ids.append(display.id);
    ids.append(JumpBackId);
    return ids;
}

void AppModel::registerShortcuts()
{
    m_hotKeys->clear();
    Q_EMIT willChange();
    m_registrationErrors.clear();
    m_refused.clear();
    for (const QString &id : bindableIds()) {
        const auto binding = m_preferences.bindings.constFind(id);
        if (binding == m_preferences.bindings.cend())
            continue;
        const Shortcut shortcut = *binding;
        if (!shortcut.isValid()) {
            Q_EMIT willChange();
            m_registrationErrors.insert(id,
                shortcut.isReserved() ? Notice { Notice::Kind::ReservedShortcut, 0, shortcut }
                                      : Notice { Notice::Kind::InvalidShortcut });
            continue;
        }
        registerShortcut(id, shortcut);
    }
}

bool AppModel::registerShortcut(const QString &id, const Shortcut &shortcut)
{
    // A copy of the display: the list may change before the key is pressed.
    const auto display
        = std::find_if(m_displays.cbegin(), m_displays.cend(), [&id](const Display &entry) { return entry.id == id; });
    HotKeyService::Action action;
    if (display != m_displays.cend()) {
        action = [model = QPointer<AppModel>(this), target = *display] {
            if (model)
                model->jump(target);
        };
    } else {
        action = [model = QPointer<AppModel>(this)] {
            if (model)
                model->jumpBack();
        };
    }
    const HotKeyStatus status = m_hotKeys->registerHotKey(shortcut, std::move(action));
    if (status == HotKeyStatus::NoError)
        return true;
    const Notice refusal { Notice::Kind::RegistrationFailed, static_cast<int>(status) };
    if (m_registrationErrors.value(id) != refusal) {
        Q_EMIT willChange();
        m_registrationErrors.insert(id, refusal);
    }
    m_refused.insert(id);
    return false;
}

void AppModel::hotKeysRefused(HotKeyStatus status)
{
    // The desktop, asked after the keys were registered, bound none of them.
    const Notice refusal { Notice::Kind::RegistrationFailed, static_cast<int>(status) };
    for (const QString &id : bindableIds()) {
        const auto binding = m_preferences.bindings.constFind(id);
        if (binding == m_preferences.bindings.cend() || !binding->isValid() || m_refused.contains(id))
            continue;
        Q_EMIT willChange();
        m_registrationErrors.insert(id, refusal);
        m_refused.insert(id);
    }
}

void AppModel::retryFailedRegistrations()
{
    // A recording holds the keys itself; and with nothing refused there is
    // nothing to ask the window system.
    if (m_refused.isEmpty() || m_recordingID)
        return;
    for (const QString &id : bindableIds()) {
        const auto binding = m_preferences.bindings.constFind(id);
        if (!m_refused.contains(id) || binding == m_preferences.bindings.cend())
            continue;
        if (registerShortcut(id, *binding)) {
            Q_EMIT willChange();
            m_registrationErrors.remove(id);
            m_refused.remove(id);
        }
    }
}

void AppModel::beginRecording(const QString &id)
{
    cancelRecording(false);
    setMessage(std::nullopt);
    setRecordingID(id);
    m_hotKeys->clear();
    // Without an application object nothing is captured; the recording still
    // runs, and ends through cancelRecording() or a refresh.
    if (!m_keyCapture)
        m_keyCapture = KeyCapture::forApplication(m_platform.keyboard());
    m_keyCapture->begin(
        [this](const Shortcut &shortcut) { handleRecordingKey(shortcut.keyCode(), shortcut.modifiers()); });
    // Held for the whole recording, so that combinations the desktop keeps for
    // itself reach the recorder too.
    m_keyboardGrabbed = m_platform.keyboard().grabKeyboard();
}

void AppModel::cancelRecording(bool registerAgain)
{
    endKeyCapture();
    setRecordingID(std::nullopt);
    if (registerAgain)
        registerShortcuts();
}

void AppModel::endKeyCapture()
{
    if (m_keyCapture)
        m_keyCapture->end();
    if (m_keyboardGrabbed) {
        m_keyboardGrabbed = false;
        m_platform.keyboard().ungrabKeyboard();
    }
}

void AppModel::clearShortcut(const QString &id)
{
    cancelRecording(false);
    Q_EMIT willChange();
    m_preferences.bindings.remove(id);
    save();
    registerShortcuts();
}

bool AppModel::handleRecordingKey(quint32 keyCode, quint32 modifiers)
{
    if (!m_recordingID)
        return false;
    const QString id = *m_recordingID;

    // These act whatever modifiers are held, so none of them can be recorded.
    if (keyCode == KeyCode::Escape) {
        cancelRecording(true);
        return true;
    }
    if (keyCode == KeyCode::Backspace || keyCode == KeyCode::Delete) {
        Q_EMIT willChange();
        m_preferences.bindings.remove(id);
        save();
        cancelRecording(true);
        return true;
    }

    const Shortcut shortcut(keyCode, modifiers);
    if (!shortcut.isValid()) {
        setMessage(Notice { Notice::Kind::NeedsModifier });
        return true;
    }
    if (const auto holder = m_preferences.conflictingDisplay(shortcut, id)) {
        setMessage(Notice { Notice::Kind::ShortcutTaken, *holder == JumpBackId ? 1 : 0 });
        return true;
    }

    const auto previous = m_preferences.bindings.constFind(id);
    const std::optional<Shortcut> old
        = previous == m_preferences.bindings.cend() ? std::nullopt : std::optional<Shortcut>(*previous);
    Q_EMIT willChange();
    m_preferences.bindings.insert(id, shortcut);
    cancelRecording(true);

    const auto refusal = m_registrationErrors.constFind(id);
    if (refusal == m_registrationErrors.cend()) {
        save();
        return true;
    }
    // The system would not take it: the old binding comes back, and the store,
    // never written with the new one, still holds it.
    Notice reason = *refusal;
    reason.keptPrevious = true;
    Q_EMIT willChange();
    if (old)
        m_preferences.bindings.insert(id, *old);
    else
        m_preferences.bindings.remove(id);
    registerShortcuts();
    setMessage(reason);
    return true;
}

void AppModel::setMessage(std::optional<Notice> notice)
{
    // Every jump clears the message line; with nothing on it, nothing changes
    // and nobody needs to look again before the next key press.
    if (!notice && !m_message)
        return;
    Q_EMIT willChange();
    m_message = notice;
}

void AppModel::setRecordingID(std::optional<QString> id)
{
    Q_EMIT willChange();
    m_recordingID = std::move(id);
}

} // namespace Dartline
