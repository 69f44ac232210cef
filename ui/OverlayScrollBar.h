// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QScrollBar>

namespace Dartline {

// A slim vertical scroll bar that floats in a margin over its scroll area
// instead of taking width from the content: no arrows, no track, a capsule
// handle that darkens under the pointer. It mirrors the scroll area's own
// (hidden) bar in both directions.
class OverlayScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    static constexpr int Thickness = 8;

    // Follows `source`, the scroll area's own vertical bar.
    OverlayScrollBar(QScrollBar *source, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace Dartline
