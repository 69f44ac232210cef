// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/CursorPlatform.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointF>
#include <QTimer>

#include <functional>
#include <memory>

namespace Dartline {

class CursorPulseView;
class DisplayPlatform;

// Pulses an enlarged copy of the cursor at a landing point after a jump.
//
// One window serves every pulse: made at the first, moved to each landing
// point after that and hidden while idle, when no timer runs either. A jump
// that lands during a pulse only moves the window along. A pulse ends at the
// first tick at or after CursorPulse::duration, when the pointer moves more
// than 3 pixels from the landing point, when the left or right button is held,
// on cancel() and on the next show().
class CursorAnimator : public QObject
{
    Q_OBJECT
public:
    // Monotonic time in nanoseconds; only differences are used.
    using Clock = std::function<qint64()>;
    static constexpr int FramesPerSecond = 60;

    explicit CursorAnimator(CursorPlatform &cursor, QObject *parent = nullptr);
    // With `displays`, no pulse starts while the window system lists no
    // screen. An empty `clock` is a QElapsedTimer.
    CursorAnimator(CursorPlatform &cursor, DisplayPlatform *displays, Clock clock = {}, QObject *parent = nullptr);
    ~CursorAnimator() override;
    Q_DISABLE_COPY_MOVE(CursorAnimator)

    // Ends any pulse in progress and starts a new one centred on `point`,
    // with `facts` when the caller learned them along with the jump.
    virtual void show(const QPointF &point, std::optional<CursorPlatform::PulseFacts> facts = std::nullopt);
    // Ends the pulse in progress at once; does nothing when idle.
    virtual void cancel();

    bool isPulsing() const { return m_pulsing; }
    // The window of the pulse in progress, or null.
    CursorPulseView *view() const { return m_pulsing ? m_view.get() : nullptr; }
    // Ticks delivered to the pulse in progress (or to the last one).
    int tickCount() const { return m_ticks; }

    // One frame: the timer's action, public so that tests can step a pulse
    // with their own clock instead of waiting.
    void tick();

    // The image drawn when the window system cannot tell the current cursor.
    static CursorImage builtInArrow();

Q_SIGNALS:
    // At every tick of a pulse, before it is checked for its end: the time
    // since the pulse started and the time this tick was due, in seconds.
    void ticked(double elapsed, double due);
    // A pulse ended, whatever ended it.
    void finished();

protected:
    CursorPlatform &m_cursor;

private:
    void scheduleNextTick();
    // Stops the pulse in progress and tells so; the window stays as it is.
    void end();

    DisplayPlatform *m_displays = nullptr;
    Clock m_clock;
    QElapsedTimer m_monotonic;
    QTimer m_timer { this }; // a child, so tests can see that it stopped
    std::unique_ptr<CursorPulseView> m_view; // made at the first pulse, hidden while idle
    bool m_pulsing = false;
    qint64 m_start = 0;
    qint64 m_due = 0; // when the pending tick is due, nanoseconds after m_start
    QPointF m_landing;
    bool m_reduceMotion = false;
    int m_ticks = 0;
};

} // namespace Dartline
