// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MenuText.h"

#include <QTest>

using namespace Dartline;

class TestMenuText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void displayItem_data();
    void displayItem();
};

void TestMenuText::displayItem_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caps");
    QTest::addColumn<QString>("title");

    const QString unset = QString::fromUtf8("未设置");
    QTest::newRow("example: second, cut to 14")
        << 2 << QStringLiteral("Office Monitor Left") << unset << QStringLiteral("2. Office Monitor   ") + unset;
    QTest::newRow("short name whole") << 1 << QStringLiteral("DP-1") << QStringLiteral("Alt+1")
                                      << QStringLiteral("1. DP-1   Alt+1");
    QTest::newRow("exactly 14") << 3 << QStringLiteral("ABCDEFGHIJKLMN") << QStringLiteral("Ctrl+Alt+Shift+Super+F12")
                                << QStringLiteral("3. ABCDEFGHIJKLMN   Ctrl+Alt+Shift+Super+F12");
    QTest::newRow("empty name") << 4 << QString() << unset << QStringLiteral("4.    ") + unset;
    QTest::newRow("20 ideographs") << 1 << QString::fromUtf8("会议室左侧的戴尔二十七英寸超高清显示器甲") << unset
                                   << QString::fromUtf8("1. 会议室左侧的戴尔二十七英寸超   ") + unset;
    // Combining marks, emoji sequences and supplementary-plane letters are
    // one character each, and a cut never splits one.
    QTest::newRow("combining marks") << 1 << QString::fromUtf8("e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301X")
                                     << QString()
                                     << QString::fromUtf8("1. e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301X   ");
    QTest::newRow("emoji family") << 1 << QString::fromUtf8("👨‍👩‍👧‍👦123456789012345") << QString()
                                  << QString::fromUtf8("1. 👨‍👩‍👧‍👦1234567890123   ");
    QTest::newRow("astral letters") << 1 << QString::fromUtf8("𠀀𠀁𠀂𠀃𠀄𠀅𠀆𠀇𠀈𠀉𠀊𠀋𠀌𠀍𠀎") << QString()
                                    << QString::fromUtf8("1. 𠀀𠀁𠀂𠀃𠀄𠀅𠀆𠀇𠀈𠀉𠀊𠀋𠀌𠀍   ");
    // An '&' would become a mnemonic and a tab a shortcut column in QAction.
    QTest::newRow("ampersand kept") << 1 << QStringLiteral("Dell & HP") << QStringLiteral("&")
                                    << QStringLiteral("1. Dell && HP   &&");
    QTest::newRow("control characters") << 1 << QStringLiteral("A\tB\nC") << QString() << QStringLiteral("1. A B C   ");
    QTest::newRow("two digits") << 12 << QStringLiteral("X") << unset << QStringLiteral("12. X   ") + unset;
}

void TestMenuText::displayItem()
{
    QFETCH(int, number);
    QFETCH(QString, name);
    QFETCH(QString, caps);
    QFETCH(QString, title);
    QCOMPARE(MenuText::displayItem(number, name, caps), title);
}

QTEST_GUILESS_MAIN(TestMenuText)
#include "tst_menutext.moc"
