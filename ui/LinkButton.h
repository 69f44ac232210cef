// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/PaintedButton.h"

#include <QUrl>

namespace Dartline {

// A text link in the brand colour that opens its address in the default
// browser; underlined while the pointer is on it. Without an address it only
// reports clicked(), for a command that reads as a link.
class LinkButton : public PaintedButton
{
    Q_OBJECT
public:
    LinkButton(const QString &text, QUrl url, int pixelSize, QWidget *parent = nullptr);

    const QUrl &url() const { return m_url; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintButton(QPainter &painter) override;
    QPainterPath outline() const override;

private:
    QUrl m_url;
};

} // namespace Dartline
