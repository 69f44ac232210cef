// SPDX-License-Identifier: GPL-3.0-or-later
#include "UiFonts.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace UiFonts {

QFont system(int pixelSize, QFont::Weight weight)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

QFont monospaced(int pixelSize, QFont::Weight weight)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

QFont headline()
{
    return system(Headline, QFont::DemiBold);
}

} // namespace UiFonts
