// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MenuText.h"

#include <QTextBoundaryFinder>

namespace Dartline {

namespace {

QString actionSafe(const QString &text)
{
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&')
            safe.append(QStringLiteral("&&"));
        else if (c.category() == QChar::Other_Control)
            safe.append(u' ');
        else
            safe.append(c);
    }
    return safe;
}

} // namespace

QString MenuText::leadingGraphemes(const QString &text, int count)
{
    if (count <= 0)
        return QString();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int seen = 0;
    while (finder.toNextBoundary() >= 0) {
        if (++seen == count)
            return text.left(finder.position());
    }
    return text;
}

QString MenuText::displayItem(int number, const QString &name, const QString &caps)
{
    return QString::number(number) + QStringLiteral(". ") + actionSafe(leadingGraphemes(name, NameLength))
        + QStringLiteral("   ") + actionSafe(caps);
}

} // namespace Dartline
