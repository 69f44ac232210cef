// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <utility>

namespace Dartline {

class Shortcut;

// Shortcuts the desktop itself keeps and runs, for sessions that give
// programs no global shortcuts of their own (GNOME's custom keybindings).
// Dartline writes them only when the user asks, and touches no other entry.
class DesktopKeybindings
{
public:
    DesktopKeybindings() = default;
    virtual ~DesktopKeybindings() = default;
    Q_DISABLE_COPY_MOVE(DesktopKeybindings)

    // Makes Dartline's entries exactly these: each a display's identifier and
    // its shortcut, running `program --jump-id <identifier>`. False, with
    // *error set, when the desktop's settings cannot be written.
    virtual bool write(const QList<std::pair<QString, Shortcut>> &bindings, const QString &program, QString *error) = 0;
    // How many of Dartline's entries the desktop holds.
    virtual int count() = 0;
};

} // namespace Dartline
