// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Symbols.h"

#include <QLabel>

namespace Dartline {

// A plain-text label whose colour is one of the theme's roles, optionally led
// by a symbol (the way a platform "label with icon" reads). It recolours
// itself when the appearance changes.
class ThemedLabel : public QLabel
{
    Q_OBJECT
public:
    enum class Role { Primary, Secondary, Tertiary, Accent, Red };

    ThemedLabel(const QString &text, int pixelSize, QFont::Weight weight = QFont::Normal, Role role = Role::Primary,
        QWidget *parent = nullptr);

    void setRole(Role role);
    Role role() const { return m_role; }
    QColor color() const;

    // A symbol before the text, as tall as the font, `gap` points from it.
    void setSymbol(Symbols::Kind symbol, qreal gap = 5.0);
    // Empty space around the text (and symbol). Use this, not
    // setContentsMargins(): polishing may reset the contents margins.
    void setInsets(const QMargins &insets);
    QMargins insets() const { return m_insets; }
    // One line, cut with an ellipsis when narrower than the text.
    void setElideMode(Qt::TextElideMode mode);

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void applyColor();
    void applyMargins();
    qreal symbolSize() const;

    Role m_role;
    Symbols::Kind m_symbol = Symbols::Kind::None;
    qreal m_gap = 0;
    Qt::TextElideMode m_elide = Qt::ElideNone;
    QMargins m_insets;
};

} // namespace Dartline
