// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace Dartline {

// Reads the _XSETTINGS_SETTINGS property that the desktop's settings daemon
// publishes. The property belongs to another client, so its bytes are
// untrusted: a short or inconsistent buffer gives no value, never a read
// past its end.
namespace XSettings {

// The integer setting `name` (e.g. "Gtk/EnableAnimations"), if the buffer
// holds it as an integer.
std::optional<qint32> integer(QByteArrayView property, QByteArrayView name);

// The string setting `name` (e.g. "Net/ThemeName"), if the buffer holds it
// as a string; its bytes as published (UTF-8 by convention).
std::optional<QByteArray> string(QByteArrayView property, QByteArrayView name);

} // namespace XSettings

} // namespace Dartline
