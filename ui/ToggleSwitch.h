// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/PaintedButton.h"

class QVariantAnimation;

namespace Dartline {

// A labelled on/off switch: the label at the leading edge, a small switch at
// the trailing edge, the whole row clickable. On, the track takes the brand
// tint.
class ToggleSwitch : public PaintedButton
{
    Q_OBJECT
public:
    static constexpr qreal TrackWidth = 32.0;
    static constexpr qreal TrackHeight = 18.0;

    explicit ToggleSwitch(const QString &text, int pixelSize, QWidget *parent = nullptr);
    ~ToggleSwitch() override;

    // Where the track is drawn, in widget coordinates.
    QRectF trackRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintButton(QPainter &painter) override;
    QPainterPath outline() const override;
    void nextCheckState() override;

private:
    QVariantAnimation *m_animation;
    qreal m_position = 0; // 0 off, 1 on; follows the check state
};

} // namespace Dartline
