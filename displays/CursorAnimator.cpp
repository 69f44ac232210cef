// SPDX-License-Identifier: GPL-3.0-or-later
#include "displays/CursorAnimator.h"

#include "core/CursorPulse.h"
#include "displays/CursorPulseView.h"
#include "platform/DisplayPlatform.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace Dartline {

namespace {
constexpr qint64 nanosPerSecond = 1'000'000'000;
constexpr double endDistance = 3.0;
constexpr int minimumSide = 128;
constexpr int sideFactor = 6;
// The largest cursors of common themes; anything bigger is scaled down to it
// first, so a bogus cursor cannot make a screen-sized window redrawn 60 times
// a second.
constexpr int largestCursor = 256;

// Due time of frame `k` of a pulse; integer arithmetic keeps 60 Hz exact over
// any number of frames.
qint64 frameDue(qint64 k)
{
    return k * nanosPerSecond / CursorAnimator::FramesPerSecond;
}
} // namespace

CursorAnimator::CursorAnimator(CursorPlatform &cursor, QObject *parent)
    : CursorAnimator(cursor, nullptr, {}, parent)
{ }

CursorAnimator::CursorAnimator(CursorPlatform &cursor, DisplayPlatform *displays, Clock clock, QObject *parent)
    : QObject(parent)
    , m_cursor(cursor)
    , m_displays(displays)
    , m_clock(std::move(clock))
{
    if (!m_clock) {
        m_monotonic.start();
        m_clock = [this] { return m_monotonic.nsecsElapsed(); };
    }
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CursorAnimator::tick);
}

CursorAnimator::~CursorAnimator() = default;

void CursorAnimator::show(const QPointF &point, std::optional<CursorPlatform::PulseFacts> known)
{
    // The window stays up for the next pulse: moved, not hidden and shown again.
    end();
    if (m_displays && !m_displays->hasScreens()) {
        if (m_view)
            m_view->hide();
        return;
    }

    CursorPlatform::PulseFacts facts = known ? std::move(*known) : m_cursor.pulseFacts();
    std::optional<CursorImage> &cursor = facts.cursor;
    if (!cursor || cursor->image.isNull())
        cursor = builtInArrow();
    if (std::max(cursor->image.width(), cursor->image.height()) > largestCursor) {
        const QImage scaled
            = cursor->image.scaled(largestCursor, largestCursor, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        cursor->hotSpot *= static_cast<qreal>(scaled.width()) / cursor->image.width();
        cursor->image = scaled;
    }
    const QSize size = cursor->image.size();
    const int side = std::max(sideFactor * std::max(size.width(), size.height()), minimumSide);

    m_landing = point;
    m_ticks = 0;
    // Whether the window blends is fixed when it is made, so a compositing
    // manager that came or went since the last pulse needs a new one.
    const bool composited = facts.compositor;
    if (m_view && m_view->isComposited() == composited) {
        m_view->restart(*cursor, point, side);
    } else {
        m_view.reset();
        m_view = std::make_unique<CursorPulseView>(*cursor, point, side, composited);
    }
    m_view->show();
    m_pulsing = true;
    // Both stay fixed for the whole pulse, however the setting changes meanwhile.
    m_start = m_clock();
    m_reduceMotion = facts.reduceMotion;
    scheduleNextTick();
}

void CursorAnimator::cancel()
{
    if (!m_pulsing)
        return;
    m_view->hide();
    end();
}

void CursorAnimator::end()
{
    if (!m_pulsing)
        return;
    m_timer.stop();
    m_pulsing = false;
    Q_EMIT finished();
}

void CursorAnimator::tick()
{
    if (!m_pulsing)
        return;
    ++m_ticks;
    const double elapsed = static_cast<double>(m_clock() - m_start) / nanosPerSecond;
    Q_EMIT ticked(elapsed, static_cast<double>(m_due) / nanosPerSecond);
    if (!m_pulsing) // a receiver ended the pulse
        return;

    if (elapsed >= CursorPulse::duration) {
        cancel();
        return;
    }
    // One reading of the pointer per frame. An unreadable position counts as
    // resting on the landing point, so only time and the buttons can end the
    // pulse then.
    const PointerState pointer = m_cursor.pointerState();
    const QPointF moved = pointer.location.value_or(m_landing) - m_landing;
    if (std::hypot(moved.x(), moved.y()) > endDistance || pointer.leftButtonDown || pointer.rightButtonDown) {
        cancel();
        return;
    }
    const CursorPulse::Frame frame = CursorPulse::frame(elapsed, m_reduceMotion);
    m_view->setFrame(frame.scale, frame.opacity);
    scheduleNextTick();
}

void CursorAnimator::scheduleNextTick()
{
    // The next frame boundary strictly after now: a late tick skips the frames
    // it missed instead of catching up in a burst, and a clock that stands
    // still (or jumps) still gets a tick one frame later.
    const qint64 now = std::max<qint64>(m_clock() - m_start, 0);
    const qint64 k = now * FramesPerSecond / nanosPerSecond + 1;
    m_due = frameDue(k);
    const qint64 wait = m_due - now;
    // Round up: a precise timer fires to the millisecond, and a frame shown
    // early would be the previous frame's twin.
    m_timer.start(static_cast<int>((wait + 999'999) / 1'000'000));
}

CursorImage CursorAnimator::builtInArrow()
{
    // A 24 × 24 arrow in the usual black with a white rim, tip on the hot spot.
    QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainterPath arrow;
    arrow.moveTo(2, 2);
    arrow.lineTo(2, 19);
    arrow.lineTo(6, 15);
    arrow.lineTo(9, 22);
    arrow.lineTo(12, 21);
    arrow.lineTo(9, 14);
    arrow.lineTo(15, 14);
    arrow.closeSubpath();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::black);
    painter.drawPath(arrow);
    return { image, QPointF(2, 2) };
}

} // namespace Dartline
