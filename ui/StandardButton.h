// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>

namespace Dartline {

// The platform's ordinary push button, small size: a raised surface-coloured
// pill with a hairline rim and primary text.
class StandardButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit StandardButton(const QString &text, int pixelSize, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_hovered = false;
};

} // namespace Dartline
