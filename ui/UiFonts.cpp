// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/UiFonts.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace Dartline {

namespace UiFonts {

namespace {

// Chinese text falls back to whatever CJK font fontconfig names first, which
// is often one with a single weight, so semibold labels come out regular.
// Noto Sans CJK has real weights: used for Chinese whenever it is installed.
const QStringList &cjkFamilies()
{
    static const QStringList families = [] {
        QStringList found;
        for (const QString &family : { QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC") }) {
            if (QFontDatabase::hasFamily(family)) {
                found << family;
                break;
            }
        }
        return found;
    }();
    return families;
}

} // namespace

QFont system(int pixelSize, QFont::Weight weight)
{
    QFont font = QGuiApplication::font();
    // The desktop's font for Latin text, then the CJK family for the rest.
    if (!cjkFamilies().isEmpty())
        font.setFamilies(QStringList { font.family() } + cjkFamilies());
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

} // namespace Dartline
