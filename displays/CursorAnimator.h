// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointF>

class CursorPlatform;

// Pulses an enlarged copy of the cursor at a landing point after a jump.
class CursorAnimator : public QObject
{
    Q_OBJECT
public:
    explicit CursorAnimator(CursorPlatform &cursor, QObject *parent = nullptr);
    ~CursorAnimator() override;
    Q_DISABLE_COPY_MOVE(CursorAnimator)

    // Ends any pulse in progress and starts a new one centred on `point`.
    virtual void show(const QPointF &point);
    // Ends the pulse in progress at once; does nothing when idle.
    virtual void cancel();

protected:
    CursorPlatform &m_cursor;
};
