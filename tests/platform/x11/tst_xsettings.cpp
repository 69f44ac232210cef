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
        .raw(TestXSettings::Color, "Gtk/Colour", QByteArray(8, '\x7f'))
        .integer("Gtk/EnableAnimations", animations)
        .integer("Xft/DPI", 98304)
        .bytes(big);
}

} // namespace

class TestXSettingsParsing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A QByteArray value is Net/ThemeName read as a string; anything else Gtk/EnableAnimations as an
    // integer; an invalid value: not found.
    void lookup_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("big endian") << typical(true, 1) << QVariant(1);
        QTest::newRow("string, big endian, after others")
            << TestXSettings().integer("Xft/DPI", 1).string("Net/ThemeName", "Greybird-dark").bytes(true)
            << QVariant(QByteArray("Greybird-dark"));
        QTest::newRow("empty text") << TestXSettings().string("Net/ThemeName", "").bytes() << QVariant(QByteArray(""));
        QTest::newRow("empty") << QByteArray() << QVariant();
        QTest::newRow("same name, string type")
            << TestXSettings().string("Gtk/EnableAnimations", "0").bytes() << QVariant();
        QTest::newRow("longer name") << TestXSettings().integer("Gtk/EnableAnimationsX", 0).bytes() << QVariant();
        QTest::newRow("unknown byte order") << QByteArray(typical(false, 0)).replace(0, 1, "\2") << QVariant();
        QTest::newRow("unknown type before it")
            << TestXSettings().raw(9, "Odd", QByteArray(4, '\0')).integer("Gtk/EnableAnimations", 0).bytes()
            << QVariant();
        QTest::newRow("string longer than the buffer")
            << TestXSettings()
                   .raw(TestXSettings::String, "Net/ThemeName", QByteArray("\xff\xff\xff\x7f", 4))
                   .integer("Gtk/EnableAnimations", 0)
                   .bytes()
            << QVariant();
        QTest::newRow("count beyond the settings")
            << TestXSettings().integer("Gtk/EnableAnimations", 0).bytes().replace(8, 4, "\xff\xff\xff\xff")
            << QVariant(0);
    }

    void lookup()
    {
        QFETCH(QByteArray, property);
        QFETCH(QVariant, value);
        if (value.typeId() == QMetaType::QByteArray) {
            QCOMPARE(XSettings::string(property, "Net/ThemeName"), std::optional(value.toByteArray()));
        } else {
            const std::optional<qint32> integer = XSettings::integer(property, "Gtk/EnableAnimations");
            QCOMPARE(integer ? QVariant(*integer) : QVariant(), value);
        }
    }

    void truncatedNeverReadsPastTheEnd()
    {
        // On heap copies cut at every length, for the sanitizer build; Xft/DPI's 20 bytes are not needed.
        const QByteArray full = typical(false, 0);
        for (qsizetype size = 0; size < full.size(); ++size) {
            const QByteArray cut(full.constData(), size);
            QCOMPARE(XSettings::integer(cut, "Gtk/EnableAnimations").has_value(), size >= full.size() - 20);
            QCOMPARE(XSettings::string(cut, "Net/ThemeName").has_value(), size >= 48);
        }
        QVERIFY(!XSettings::string(TestXSettings().integer("Net/ThemeName", 1).bytes(), "Net/ThemeName"));
    }
};

QTEST_GUILESS_MAIN(TestXSettingsParsing)
#include "tst_xsettings.moc"
