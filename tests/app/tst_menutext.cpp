// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MenuText.h"

#include <QTest>

using namespace Dartline;
using namespace Qt::StringLiterals;

class TestMenuText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void displayItem_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caps");
        QTest::addColumn<QString>("title");
        QTest::newRow("cut to 14") << 2 << u"Office Monitor Left"_s << u"Alt+2"_s << u"2. Office Monitor   Alt+2"_s;
        QTest::newRow("exactly 14") << 12 << u"ABCDEFGHIJKLMN"_s << u"Ctrl+Alt+Shift+Super+F12"_s
                                    << u"12. ABCDEFGHIJKLMN   Ctrl+Alt+Shift+Super+F12"_s;
        QTest::newRow("empty name") << 4 << QString() << u"未设置"_s << u"4.    未设置"_s;
        QTest::newRow("20 ideographs") << 1 << u"会议室左侧的戴尔二十七英寸超高清显示器甲"_s << QString()
                                       << u"1. 会议室左侧的戴尔二十七英寸超   "_s;
        // A cut never splits a combining sequence, an emoji sequence or an astral letter.
        QTest::newRow("combining marks") << 1 << u"e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301X"_s << QString()
                                         << u"1. e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301X   "_s;
        QTest::newRow("emoji family") << 1 << u"👨‍👩‍👧‍👦123456789012345"_s << QString()
                                      << u"1. 👨‍👩‍👧‍👦1234567890123   "_s;
        QTest::newRow("astral letters") << 1 << u"𠀀𠀁𠀂𠀃𠀄𠀅𠀆𠀇𠀈𠀉𠀊𠀋𠀌𠀍𠀎"_s << QString()
                                        << u"1. 𠀀𠀁𠀂𠀃𠀄𠀅𠀆𠀇𠀈𠀉𠀊𠀋𠀌𠀍   "_s;
        // An '&' would become a mnemonic and a tab a shortcut column in QAction.
        QTest::newRow("ampersand") << 1 << u"Dell & HP"_s << u"&"_s << u"1. Dell && HP   &&"_s;
        QTest::newRow("control characters") << 1 << u"A\tB\nC"_s << QString() << u"1. A B C   "_s;
    }
    void displayItem()
    {
        QFETCH(int, number);
        QFETCH(QString, name);
        QFETCH(QString, caps);
        QTEST(MenuText::displayItem(number, name, caps), "title");
    }
};

QTEST_GUILESS_MAIN(TestMenuText)
#include "tst_menutext.moc"
