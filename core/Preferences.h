// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Shortcut.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

#include <optional>

namespace Dartline {

// What Dartline remembers between runs: one shortcut per display identifier,
// and every display identifier seen and not forgotten.
class Preferences
{
public:
    // Documents larger than this are refused unread; a real one is a few KiB.
    static constexpr qsizetype MaximumDocumentSize = 16 * 1024 * 1024;

    QHash<QString, Shortcut> bindings;
    QSet<QString> knownDisplays;

    // Another display bound to `shortcut`, or none. Disconnected displays count.
    std::optional<QString> conflictingDisplay(const Shortcut &shortcut, const QString &excluding) const;

    // Records a display seen at `index` of the ordered list; a display seen
    // for the first time gets the suggestion of its position when it is free.
    void discover(const QString &id, int index, quint32 defaultModifiers = Shortcut::Alt);
    // Gives every binding that is a default of some choice (a digit with
    // Alt, Ctrl+Alt or Super+Alt) `modifiers` instead, where the result is
    // free; `except` keeps its own. Returns whether anything changed.
    bool useDefaultModifiers(quint32 modifiers, const QString &except);

    // The stored document: compact, "bindings" then "knownDisplays".
    QByteArray toJson() const;
    // Fails as a whole on any malformed part; the caller then starts empty.
    static std::optional<Preferences> fromJson(const QByteArray &document);

    friend bool operator==(const Preferences &, const Preferences &) = default;
};

} // namespace Dartline
