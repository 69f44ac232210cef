// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/PaintedButton.h"

namespace Dartline {

// The platform's ordinary push button, small size: a raised surface-coloured
// pill with a hairline rim and primary text.
class StandardButton : public PaintedButton
{
    Q_OBJECT
public:
    explicit StandardButton(const QString &text, int pixelSize, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintButton(QPainter &painter) override;
    QPainterPath outline() const override;
};

} // namespace Dartline
