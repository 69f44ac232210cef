// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/PaintedButton.h"

namespace Dartline {

// The secondary buttons ("Identify Displays", "Jump"): accent text on an accent pill
// whose opacity answers hover and press. Tinted buttons show the pill at rest,
// ghost buttons only while the pointer is on them. The whole pill reacts to
// the pointer, not only the text.
class SecondaryButton : public PaintedButton
{
    Q_OBJECT
public:
    enum class Appearance { Tinted, Ghost };

    SecondaryButton(const QString &text, Appearance appearance, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintButton(QPainter &painter) override;
    QPainterPath outline() const override;
    bool hitButton(const QPoint &pos) const override;

private:
    Appearance m_appearance;
};

} // namespace Dartline
