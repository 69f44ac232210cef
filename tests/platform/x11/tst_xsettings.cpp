// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/XSettings.h"
#include "tests/harness/TestXSettings.h"

#include <QTest>

using namespace Dartline;

namespace {

QByteArray typical(bool big, qint32 animations)
{
    return TestXSettings()
        .string("Net/ThemeName", "Adwaita")
        .color("Gtk/Colour")
        .integer("Gtk/EnableAnimations", animations)
        .integer("Xft/DPI", 98304)
        .bytes(big);
}

} // namespace

class TestXSettingsParsing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void integer_data();
    void integer();
    void string_data();
    void string();
    void truncatedNeverReadsPastTheEnd();
};

void TestXSettingsParsing::integer_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("value");

    QTest::newRow("little endian, off") << typical(false, 0) << true << 0;
    QTest::newRow("big endian, on") << typical(true, 1) << true << 1;
    QTest::newRow("empty") << QByteArray() << false << 0;
    QTest::newRow("same name, string type")
        << TestXSettings().string("Gtk/EnableAnimations", "0").bytes() << false << 0;
    QTest::newRow("longer name") << TestXSettings().integer("Gtk/EnableAnimationsX", 0).bytes() << false << 0;
    QByteArray badOrder = typical(false, 0);
    badOrder[0] = 2;
    QTest::newRow("unknown byte order") << badOrder << false << 0;
    QTest::newRow("unknown type before it")
        << TestXSettings().raw(9, "Odd", QByteArray(4, '\0')).integer("Gtk/EnableAnimations", 0).bytes() << false << 0;
    QTest::newRow("string longer than the buffer")
        << TestXSettings()
               .raw(TestXSettings::String, "Net/ThemeName", QByteArray("\xff\xff\xff\x7f", 4))
               .integer("Gtk/EnableAnimations", 0)
               .bytes()
        << false << 0;
    QTest::newRow("count beyond the settings")
        << TestXSettings().integer("Gtk/EnableAnimations", 0).claimCount(0xffffffff).bytes() << true << 0;
}

void TestXSettingsParsing::integer()
{
    QFETCH(QByteArray, property);
    QFETCH(bool, found);
    QFETCH(int, value);
    const std::optional<qint32> result = XSettings::integer(property, "Gtk/EnableAnimations");
    QCOMPARE(result.has_value(), found);
    if (found)
        QCOMPARE(*result, value);
}

void TestXSettingsParsing::string_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("little endian") << typical(false, 0) << true << QByteArray("Adwaita");
    QTest::newRow("big endian, after others") << TestXSettings()
                                                     .integer("Xft/DPI", 1)
                                                     .color("Gtk/Colour")
                                                     .string("Net/ThemeName", "Greybird-dark")
                                                     .bytes(true)
                                              << true << QByteArray("Greybird-dark");
    QTest::newRow("empty text") << TestXSettings().string("Net/ThemeName", "").bytes() << true << QByteArray("");
    QTest::newRow("same name, integer type")
        << TestXSettings().integer("Net/ThemeName", 1).bytes() << false << QByteArray();
}

void TestXSettingsParsing::string()
{
    QFETCH(QByteArray, property);
    QFETCH(bool, found);
    QFETCH(QByteArray, value);
    const std::optional<QByteArray> result = XSettings::string(property, "Net/ThemeName");
    QCOMPARE(result.has_value(), found);
    if (found)
        QCOMPARE(*result, value);
}

void TestXSettingsParsing::truncatedNeverReadsPastTheEnd()
{
    // Cut the buffer at every length, from a copy on the heap that ends
    // exactly there, so the sanitizer build catches a read beyond it. The
    // value is found once the buffer holds it; the 20 bytes of Xft/DPI after
    // it are not needed. The same for the string before it.
    const QByteArray full = typical(false, 0);
    for (qsizetype size = 0; size < full.size(); ++size) {
        const QByteArray cut(full.constData(), size);
        const std::optional<qint32> result = XSettings::integer(cut, "Gtk/EnableAnimations");
        QCOMPARE(result.has_value(), size >= full.size() - 20);
        // Header 12, then the theme: 4 + 16 (name) + 4 + 4 + 8 (text, padded).
        QCOMPARE(XSettings::string(cut, "Net/ThemeName").has_value(), size >= 48);
    }
}

QTEST_GUILESS_MAIN(TestXSettingsParsing)
#include "tst_xsettings.moc"
