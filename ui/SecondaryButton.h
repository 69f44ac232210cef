// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/SecondaryButtonStyle.h"

#include <QAbstractButton>

namespace Dartline {

// A text button drawn with SecondaryButtonStyle. The whole pill reacts to the
// pointer, not only the text.
class SecondaryButton : public QAbstractButton
{
    Q_OBJECT
public:
    SecondaryButton(const QString &text, SecondaryButtonStyle::Appearance appearance, QWidget *parent = nullptr);

    const SecondaryButtonStyle &buttonStyle() const { return m_style; }
    bool isHovered() const { return m_hovered; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    SecondaryButtonStyle m_style;
    bool m_hovered = false;
};

} // namespace Dartline
