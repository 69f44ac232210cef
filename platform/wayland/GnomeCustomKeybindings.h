// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DesktopKeybindings.h"

#include <QList>
#include <QString>

namespace Dartline {

class Shortcut;

// Dartline's entries among GNOME's custom keybindings: the media-keys key
// custom-keybindings lists the paths of entries, each of which has a name,
// a command and a binding. Dartline's paths end in dartline-<n>/, and each
// runs `<program> --jump-id <id>`; the user's other entries stay untouched.
class GnomeCustomKeybindings
{
public:
    struct Entry
    {
        QString id; // the display's identifier
        QString binding; // GTK accelerator text, "<Control><Alt>1"
        friend bool operator==(const Entry &, const Entry &) = default;
    };

    // Makes Dartline's entries exactly `entries`, in order; false with
    // *error set when the settings cannot be written.
    static bool write(const QList<Entry> &entries, const QString &program, QString *error);
    // Dartline's entries, in order.
    static QList<Entry> read();
    static bool removeAll(QString *error) { return write({}, {}, error); }

    // The binding of a shortcut: its modifiers and the symbol the default
    // keyboard layout puts on its key; empty when the key has no symbol.
    static QString accelerator(const Shortcut &shortcut);
    // The symbol GNOME reads for a key: its name in the default layout's
    // first group ("q", "F1"), or empty when the key has none.
    static QString keySymbol(quint32 keyCode);
};

// The same, as the settings window asks for it.
class GnomeDesktopKeybindings : public DesktopKeybindings
{
public:
    bool write(const QList<std::pair<QString, Shortcut>> &bindings, const QString &program, QString *error) override;
    int count() override { return static_cast<int>(GnomeCustomKeybindings::read().size()); }
};

} // namespace Dartline
