// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayApplication.h"
#include "tests/ui/UiFixture.h"
#include "ui/Translations.h"

#include <QAccessible>
#include <QDir>
#include <QMenu>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTest>

using namespace Dartline;
using namespace Qt::StringLiterals;

// Run under LANG=en_US.UTF-8 and under LANG=zh_CN.UTF-8 with EXPECTED_TRANSLATION=zh_CN.
class TestTranslations : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // No entry unfinished, vanished or empty (lupdate marks them with a type).
    void everyEntryTranslated()
    {
        const QDir dir(QStringLiteral(DARTLINE_TRANSLATIONS_DIR));
        for (const QString &name : dir.entryList({ u"*.ts"_s })) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray ts = file.readAll();
            QVERIFY2(ts.count("<translation>") > 40 && ts.count("<translation>") == ts.count("<source>")
                    && !ts.contains("<translation></translation>"),
                qPrintable(name));
        }
    }

    void chooses_data()
    {
        QTest::addColumn<QStringList>("languages"); // as QLocale::uiLanguages() lists them
        QTest::addColumn<QString>("chosen");
        for (const char *zh : { "zh-CN", "zh-SG", "zh", "zh-TW", "zh-HK", "fr-FR zh" })
            QTest::newRow(zh) << QString::fromLatin1(zh).split(u' ') << u"zh_CN"_s;
        for (const char *other : { "en-US zh-CN", "fr-FR", "C" })
            QTest::newRow(other) << QString::fromLatin1(other).split(u' ') << QString();
    }
    void chooses()
    {
        QFETCH(QStringList, languages);
        QTEST(Translations::choose(languages), "chosen");
    }

    // The session's locale picks the translation; the tray and the settings window speak it.
    void sessionLanguage()
    {
        UiFixture::isolateTheme();
        QCOMPARE(Translations::install(), qEnvironmentVariable("EXPECTED_TRANSLATION"));
        QTemporaryDir dir;
        TrayApplication tray(
            { { u"--settings"_s }, dir.path(), u"translations"_s, [] { return std::make_unique<FakePlatform>(); },
                [&] { return std::make_unique<QSettings>(dir.filePath(u"s.ini"_s), QSettings::IniFormat); } });
        QCOMPARE(tray.launch(), TrayApplication::Launch::Running);
        tray.showAbout();
        // Everything a person or a screen reader meets: a literal that skipped
        // tr() shows up as English under Chinese, or the other way round.
        QStringList said { tray.trayIcon()->toolTip() };
        for (const QAction *action : tray.statusMenu()->actions())
            said << action->text();
        for (const QWidget *window : { tray.settingsWindow(), tray.aboutWindow() }) {
            QList<QWidget *> widgets = window->findChildren<QWidget *>();
            widgets << const_cast<QWidget *>(window);
            for (QWidget *widget : std::as_const(widgets)) {
                if (QAccessibleInterface *node = QAccessible::queryAccessibleInterface(widget))
                    said << node->text(QAccessible::Name) << node->text(QAccessible::Description);
                said << widget->toolTip() << widget->property("text").toString();
            }
        }
        const bool chinese = !qEnvironmentVariableIsEmpty("EXPECTED_TRANSLATION");
        static const QRegularExpression foreign(chinese
                ? u"\\b(?!Dartline\\b|GitHub\\b|Alt\\b|Ctrl\\b|Shift\\b|Super\\b|Esc\\b|Delete\\b|GPL)[A-Za-z]{3,}"_s
                : u"\\p{Han}"_s);
        for (const QString &text : std::as_const(said))
            QVERIFY2(text.startsWith(u"http"_s) || !foreign.match(text).hasMatch(), qPrintable(text));
        const QStringList expected = qEnvironmentVariableIsEmpty("EXPECTED_TRANSLATION")
            ? QStringList { u"Dartline · Every display, one key away"_s, u"Identify Displays"_s,
                  u"No usable display found; please check the monitor connections."_s }
            : QStringList { u"Dartline · 多屏之间，一键即达"_s, u"识别屏幕"_s,
                  u"暂未检测到可用屏幕，请检查显示器连接。"_s };
        for (const QString &text : expected)
            QVERIFY2(said.contains(text), qPrintable(said.join(u'|')));
    }
};

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
