// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "paint/BrandColor.h"

#include <QColor>
#include <QtGlobal>

namespace Dartline {

// The seven colours that follow the desktop's light or dark appearance, and
// the label and system colours the views draw with. Each call answers for
// the appearance in force now (ThemeMonitor), so painting code reads them in
// paintEvent and a switch of appearance recolours everything at the next
// repaint.
namespace DartlineTheme {

// One colour as two 24-bit sRGB values.
struct Adaptive
{
    quint32 light = 0;
    quint32 dark = 0;
    QColor resolve(bool isDark) const;
};

QColor accent();
QColor windowTop();
QColor windowBottom();
QColor surface();
QColor keyFace();
QColor keyBottom();
QColor keyEdge();

// The platform label colours: black (light) or white (dark) at the alpha of
// the primary, secondary and tertiary label; `opacity` multiplies that alpha.
QColor label(qreal opacity = 1.0);
QColor secondaryLabel(qreal opacity = 1.0);
QColor tertiaryLabel(qreal opacity = 1.0);
QColor systemRed();
QColor systemGreen();

// `color` with its alpha multiplied by `opacity`.
QColor withOpacity(QColor color, qreal opacity);

bool isDark();

} // namespace DartlineTheme

} // namespace Dartline
