// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace Dartline {

namespace {

// Where qt_add_translations puts the compiled files.
QString resourceFile(const QString &name)
{
    return QStringLiteral(":/i18n/dartline_%1.qm").arg(name);
}

std::unique_ptr<QTranslator> &ownTranslator()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

std::unique_ptr<QTranslator> &qtTranslator()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

QString Translations::choose(const QStringList &languages)
{
    for (const QString &language : languages) {
        const QLocale locale(language);
        if (locale.language() == QLocale::English)
            return QString();
        if (locale.language() != QLocale::Chinese) {
            // Any other language that has a file, by region first: "de_AT", then "de".
            for (const QString &name : { locale.name(), QLocale::languageToCode(locale.language()) }) {
                if (QFileInfo::exists(resourceFile(name)))
                    return name;
            }
            continue;
        }
        // QLocale fills in the script: Traditional for zh_TW, zh_HK and zh_MO.
        const bool traditional = locale.script() == QLocale::TraditionalChineseScript;
        return traditional && QFileInfo::exists(resourceFile(QStringLiteral("zh_TW"))) ? QStringLiteral("zh_TW")
                                                                                       : QStringLiteral("zh_CN");
    }
    return QString();
}

QString Translations::install(const QStringList &languages)
{
    for (auto *slot : { &ownTranslator(), &qtTranslator() }) {
        if (*slot)
            QCoreApplication::removeTranslator(slot->get());
        slot->reset();
    }
    const QString name = choose(languages);
    if (name.isEmpty())
        return name;
    auto own = std::make_unique<QTranslator>();
    if (own->load(resourceFile(name)) && QCoreApplication::installTranslator(own.get()))
        ownTranslator() = std::move(own);
    // Qt's own texts (standard buttons, the command line's help) where the
    // system has them; without them those stay English.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(QStringLiteral("qtbase_") + name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(qt.get()))
        qtTranslator() = std::move(qt);
    return name;
}

} // namespace Dartline
