// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A private headless KWin 5.27 (Virtual-0, Virtual-1, ... at 1280x720 side by side) with XWayland, with settings
// of its own in fresh XDG directories. The installed binary carries a file capability a container may forbid, so a
// copy runs: KWin's platform plugin loads only under the name kwin_wayland.

#include "tests/platform/wayland/PrivateCompositor.h"

#include <QStringList>

namespace Dartline {

struct KwinServer : PrivateCompositor::Session
{
    KwinServer()
        : Session(QStringLiteral("kwin"))
    { }

    QString waylandSocket() const { return path(QStringLiteral("wayland")); }
    // Where KWin looks for desktop entries: $XDG_DATA_HOME/applications.
    QString applicationsDir() const { return path(QStringLiteral("data/applications")); }

    // Starts KWin with `outputs` outputs. `trusted`: programs, by absolute path, that a desktop entry each grants
    // fake input. Empty on success, else KWin's log.
    QString start(const QStringList &trusted = {}, int outputs = 3);
};

} // namespace Dartline
