// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Preferences.h"
#include "displays/Display.h"
#include "hotkeys/HotKeyService.h"
#include "platform/CursorPlatform.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <memory>
#include <optional>

class QSettings;
class QVariant;

namespace Dartline {

class CursorAnimator;
class DesktopKeybindings;
class KeyCapture;
class Platform;

// Something the model has to tell the user, as a kind and, where there is
// one, a code; the windows put it into words.
struct Notice
{
    enum class Kind {
        InvalidShortcut, // a stored binding that is no shortcut
        ReservedShortcut, // a stored binding that is one of the windows' own keys (shortcut)
        RegistrationFailed, // the window system refused it; code is the HotKeyStatus
        JumpFailed, // code is the cursor platform's error, 1010 for a display that is gone
        NeedsModifier, // a recorded combination without Ctrl, Alt or Super, or a reserved one
        ShortcutTaken, // another display, connected or not, holds the recorded combination; code 1: the jump back
        ReturnPointGone, // the display a jump back would return to is gone
    };
    Notice(Kind kind_ = Kind::InvalidShortcut, int code_ = 0, Shortcut shortcut_ = {})
        : kind(kind_)
        , code(code_)
        , shortcut(shortcut_)
    { }

    Kind kind;
    int code;
    Shortcut shortcut;
    bool keptPrevious = false; // a refused recording: the old binding stays
    friend bool operator==(const Notice &, const Notice &) = default;
};

// The one observable object that holds Dartline's state and carries out every
// user-level operation. Views read its published state and call its
// operations; they never touch the services or the store.
//
// willChange() is emitted before every write of the published state, whether
// or not the value differs; observers re-read after it (deferred).
class AppModel : public QObject
{
    Q_OBJECT

public:
    // The jump back's binding lives among the displays' bindings under this
    // identifier, which no display has, so the rules for free and taken
    // combinations hold for it too. It is stored under a key of its own.
    static inline const QString JumpBackId = QStringLiteral("jump-back");

    // Loads the stored state, lists the displays, saves and registers. Without
    // an animator the model makes the standard one.
    AppModel(
        Platform &platform, QSettings &store, std::unique_ptr<CursorAnimator> animator = {}, QObject *parent = nullptr);
    ~AppModel() override;
    Q_DISABLE_COPY_MOVE(AppModel)

    // Published state.
    const QList<Display> &displays() const { return m_displays; }
    const Preferences &preferences() const { return m_preferences; }
    const QHash<QString, Notice> &registrationErrors() const { return m_registrationErrors; }
    const std::optional<QString> &recordingID() const { return m_recordingID; }
    const std::optional<Notice> &message() const { return m_message; }
    bool animateCursor() const { return m_animateCursor; }
    void setAnimateCursor(bool on);
    // A jump lands where the pointer last was on that display, while that
    // point is still on it.
    bool landWhereLeftOff() const { return m_landWhereLeftOff; }
    // The modifiers of the displays' default shortcuts once the user has
    // chosen them (Alt, Ctrl+Alt or Super+Alt); none before.
    std::optional<quint32> defaultModifiers() const { return m_defaultModifiers; }
    // Chooses them: every binding that is a default of some choice follows
    // where the result is free, and displays seen later get them.
    void useDefaultModifiers(quint32 modifiers);
    void setLandWhereLeftOff(bool on);

    // The window system reaches only XWayland: nothing Dartline does reaches
    // the rest of the session.
    bool reachesOnlyXWayland() const;
    // How this session lets the pointer be moved, asked anew each time.
    CursorPlatform::Route jumpRoute() const;

    // Where the desktop keeps and runs the shortcuts itself (GNOME), its
    // entries of Dartline's, written only when the user asks: null elsewhere.
    DesktopKeybindings *desktopKeybindings() const;
    // Makes them every connected display's valid shortcut, or with `remove`
    // none. Empty, or why the desktop's settings could not be written.
    QString writeDesktopKeybindings(bool remove);

    // Known displays that are not connected now.
    int disconnectedCount() const;

    // Lists the displays again, saves what changed and registers every
    // shortcut anew.
    void refreshDisplays();
    // Registers again the shortcuts the window system refused (another
    // client held them), and nothing else; cheap when none was refused.
    void retryFailedRegistrations();
    void forgetDisconnected();
    void jump(const Display &display);
    // Back to where the pointer was before the last jump; the next one goes
    // forward again.
    void jumpBack();

    void beginRecording(const QString &id);
    void cancelRecording(bool registerAgain);
    void clearShortcut(const QString &id);

    // The recording's key handler, given a press as a virtual key code and
    // shortcut modifier bits. Returns whether the press was consumed.
    bool handleRecordingKey(quint32 keyCode, quint32 modifiers);

    CursorAnimator &animator() const { return *m_animator; }

Q_SIGNALS:
    void willChange();

private:
    // Writes the preferences when they differ from the stored document.
    void save();
    void registerShortcuts();
    // Registers one valid shortcut; a refusal is published. Returns success.
    bool registerShortcut(const QString &id, const Shortcut &shortcut);
    // The identifiers that may hold a binding now: the displays', then the jump back.
    QStringList bindableIds() const;
    // Moves the pointer and pulses where it landed; 0 or the error code.
    int moveTo(const QPointF &point, quint32 number);
    void warpSettled(const QPointF &point, int code);
    void hotKeysRefused(HotKeyStatus status);
    // Before a jump: where the pointer is, noted for the jump back and for
    // landing there again later. None when nobody asks for it.
    std::optional<QPointF> noteDeparture();
    void saveLeftOff();
    void setMessage(std::optional<Notice> notice);
    void setRecordingID(std::optional<QString> id);

    // The stored preferences; an unreadable document is kept aside first.
    Preferences readPreferences();
    void keepUnreadable(const QVariant &value);
    void writeStore(const QString &key, const QVariant &value);
    // Ends the key capture and releases the keyboard; publishes nothing.
    void endKeyCapture();

    Platform &m_platform;
    QSettings &m_store;
    QList<Display> m_displays;
    Preferences m_preferences;
    QHash<QString, Notice> m_registrationErrors;
    QSet<QString> m_refused; // displays whose valid shortcut the window system refused
    std::optional<QString> m_recordingID;
    std::optional<Notice> m_message;
    bool m_animateCursor = true;
    bool m_landWhereLeftOff = false;
    std::optional<quint32> m_defaultModifiers;
    std::optional<QPointF> m_returnPoint; // where a jump back goes
    QHash<QString, QPointF> m_leftOff; // per display id, from its top-left corner
    bool m_leftOffSavePending = false;
    std::unique_ptr<HotKeyService> m_hotKeys;
    std::unique_ptr<CursorAnimator> m_animator;
    std::unique_ptr<KeyCapture> m_keyCapture; // takes the key presses of a running recording
    bool m_keyboardGrabbed = false;
    bool m_storeFailureReported = false;
};

} // namespace Dartline
