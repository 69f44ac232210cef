// SPDX-License-Identifier: GPL-3.0-or-later
#include "displays/DisplayOverlay.h"

#include "displays/IdentifyTile.h"
#include "platform/CursorPlatform.h"
#include "platform/DisplayPlatform.h"

#include <algorithm>

namespace Dartline {

DisplayOverlay::DisplayOverlay(DisplayPlatform &displays, CursorPlatform &cursor, QObject *parent)
    : QObject(parent)
    , m_displays(displays)
    , m_cursor(cursor)
{
    m_dismissal.setSingleShot(true);
    m_dismissal.setInterval(DismissAfterMs);
    // A coarse timer may fire up to 5 % early; the tiles stay their full time.
    m_dismissal.setTimerType(Qt::PreciseTimer);
    connect(&m_dismissal, &QTimer::timeout, this, [this] {
        dismiss();
        Q_EMIT dismissed();
    });
}

DisplayOverlay::~DisplayOverlay() = default;

void DisplayOverlay::show(const QList<Display> &displays, const QStringList &captions)
{
    // Stopping first means a dismissal due for the earlier tiles can never
    // take away the ones made now.
    m_dismissal.stop();
    dismiss();

    const QList<ScreenInfo> screens = m_displays.screens();
    const bool composited = m_cursor.hasCompositor();
    for (qsizetype i = 0; i < displays.size(); ++i) {
        const quint32 number = displays.at(i).number;
        const bool hasScreen = std::any_of(
            screens.cbegin(), screens.cend(), [number](const ScreenInfo &screen) { return screen.number == number; });
        if (!hasScreen)
            continue;
        // The bounds now, not the ones in the record: the list may be older
        // than the last rearrangement.
        const QRect bounds = m_displays.bounds(number).toAlignedRect();
        auto tile = std::make_unique<IdentifyTile>(static_cast<int>(i + 1), bounds, composited, captions.value(i));
        tile->show();
        m_tiles.push_back(std::move(tile));
    }
    // Nothing shown, nothing to wait for: an idle overlay keeps no timer.
    if (!m_tiles.empty())
        m_dismissal.start();
}

void DisplayOverlay::dismiss()
{
    m_tiles.clear();
}

QList<IdentifyTile *> DisplayOverlay::tiles() const
{
    QList<IdentifyTile *> result;
    for (const auto &tile : m_tiles)
        result.append(tile.get());
    return result;
}

} // namespace Dartline
