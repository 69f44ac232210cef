// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QPainterPath>

namespace Dartline {

// The base of the custom-painted controls: it follows the pointer, takes
// Return and Enter like Space, fades the whole control while disabled and
// draws the keyboard focus ring along the control's outline over whatever
// paintButton() drew.
class PaintedButton : public QAbstractButton
{
    Q_OBJECT
public:
    static constexpr qreal DisabledOpacity = 0.45;

    bool isHovered() const { return m_hovered; }

protected:
    explicit PaintedButton(QWidget *parent = nullptr);

    // Paints the control; the painter's opacity already answers isEnabled().
    virtual void paintButton(QPainter &painter) = 0;
    // Where the focus ring runs, just inside this outline.
    virtual QPainterPath outline() const = 0;

    void paintEvent(QPaintEvent *event) final;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_hovered = false;
};

} // namespace Dartline
