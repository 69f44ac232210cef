// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>
#include <optional>

class QSettings;
class QVariant;

namespace Dartline {

// Dartline's per-user preference store: one INI file, org.dartline.Dartline
// under the XDG config directory, read and written only through the keys and
// rules here. The key names and the way values are written are the stored
// format: they never change.
namespace SettingsStore {

// The display preferences document (Preferences::toJson()), as a byte array.
inline const QString PreferencesKey = QStringLiteral("displayPreferences.v1");
// Whether a jump shows the pulse; a flag, absent: on.
inline const QString AnimateCursorKey = QStringLiteral("animateCursor");
// Whether a jump lands where the pointer last was on that display; a flag,
// absent: off.
inline const QString LandWhereLeftOffKey = QStringLiteral("landWhereLeftOff");
// Where the pointer last was on each display: a JSON object of display
// identifier to [x, y] from the display's top-left corner.
inline const QString LeftOffKey = QStringLiteral("leftOff.v1");
// The jump back's shortcut, as a JSON object like those of the preferences
// document; absent: none.
inline const QString JumpBackKey = QStringLiteral("jumpBackShortcut.v1");
// The modifiers the user chose for the default shortcuts, as Shortcut's
// modifier bits; absent: not chosen yet, and the choice is offered.
inline const QString DefaultModifiersKey = QStringLiteral("defaultModifiers");
// Set once the settings window has been opened; a flag, absent: not yet.
inline const QString HasLaunchedKey = QStringLiteral("hasLaunched");
// The settings window's frame, as QWidget::saveGeometry() gives it.
inline const QString SettingsFrameKey = QStringLiteral("DartlineSettings");

// The store of the current user.
std::unique_ptr<QSettings> standard();

// A flag as the store gives it back: a bool, or the text an INI file holds
// once the process restarts ("true" or "false"). Anything else is absent.
std::optional<bool> readFlag(const QSettings &store, const QString &key);

// Writes `value` and syncs at once, so that a change outlives a crash and a
// store that cannot be written is noticed. Returns false when the file could
// not be written; QSettings keeps the value and writes it at the next sync.
bool write(QSettings &store, const QString &key, const QVariant &value);

} // namespace SettingsStore

} // namespace Dartline
