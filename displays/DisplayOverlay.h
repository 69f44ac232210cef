// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "displays/Display.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

namespace Dartline {

class CursorPlatform;
class DisplayPlatform;
class IdentifyTile;

// Flashes a numbered tile on every listed display so the user can tell which
// physical screen carries which number. The number is the display's position
// in the list, counted from 1.
class DisplayOverlay : public QObject
{
    Q_OBJECT
public:
    static constexpr int DismissAfterMs = 1800;

    // `cursor` answers whether a compositor runs, which decides how tiles are drawn.
    DisplayOverlay(DisplayPlatform &displays, CursorPlatform &cursor, QObject *parent = nullptr);
    ~DisplayOverlay() override;
    Q_DISABLE_COPY_MOVE(DisplayOverlay)

    // Replaces any tiles on screen with one per display that still has a
    // screen, and removes them DismissAfterMs after this call. A display
    // without a screen gets no tile; the others keep their list positions.
    // `captions` (the displays' shortcuts, in list order) go under the numbers.
    virtual void show(const QList<Display> &displays, const QStringList &captions = {});
    // Removes every tile now.
    void dismiss();

    bool isShowing() const { return !m_tiles.empty(); }
    // The tiles on screen, in list order.
    QList<IdentifyTile *> tiles() const;

Q_SIGNALS:
    // The tiles went away on their own, after DismissAfterMs.
    void dismissed();

private:
    DisplayPlatform &m_displays;
    CursorPlatform &m_cursor;
    std::vector<std::unique_ptr<IdentifyTile>> m_tiles;
    QTimer m_dismissal { this };
};

} // namespace Dartline
