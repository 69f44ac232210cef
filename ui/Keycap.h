// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

namespace Dartline {

// One key cap: a label on a softly graded face over a darker lower edge. A
// painted element, laid out and drawn by the control that shows the caps.
class Keycap
{
public:
    static constexpr qreal MinimumWidth = 26.0;
    static constexpr qreal MinimumHeight = 25.0;
    static constexpr qreal HorizontalInset = 7.0;
    static constexpr qreal CornerRadius = 5.0;
    static constexpr qreal EdgeDrop = 2.0; // how far the lower edge shows below the face

    explicit Keycap(QString label);

    const QString &label() const { return m_label; }
    static QFont font();
    // The face's size; the edge and the shadow reach below it.
    QSizeF size() const;
    void paint(QPainter &painter, const QRectF &face) const;

private:
    QString m_label;
};

} // namespace Dartline
