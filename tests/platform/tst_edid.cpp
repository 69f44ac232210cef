// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Edid.h"
#include "tests/harness/TestEdid.h"

#include <QTest>

using namespace Dartline;
using namespace Qt::StringLiterals;

namespace {

QByteArray monitor(const QString &name, quint32 serial = 0x12345678, const QString &serialString = {})
{
    return TestEdid { u"DEL"_s, 0xa0b1, serial, name, serialString }.bytes();
}

QByteArray withByte(QByteArray bytes, int index, char value)
{
    bytes[index] = value;
    return bytes;
}

} // namespace

class TestEdidParsing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("read"); // name|serial|serial string|checksum valid; empty: refused
        const QByteArray full = monitor(u"DELL U2720Q"_s, 0x12345678, u"CN0ABC123"_s);
        QTest::newRow("full") << full << u"DELL U2720Q|305419896|CN0ABC123|1"_s;
        QTest::newRow("thirteen characters, no line feed")
            << monitor(u"ABCDEFGHIJKLM"_s) << u"ABCDEFGHIJKLM|305419896||1"_s;
        QTest::newRow("no descriptors") << monitor({}, 7) << u"|7||1"_s;
        QTest::newRow("extension block") << full + QByteArray(128, '\x02') << u"DELL U2720Q|305419896|CN0ABC123|1"_s;
        // Panels with a wrong checksum exist; their identity still reads the same.
        QTest::newRow("bad checksum") << withByte(full, 127, '\x01') << u"DELL U2720Q|305419896|CN0ABC123|0"_s;
        QTest::newRow("NUL padding") << monitor(u"AB"_s, 0).replace(79, 11, QByteArray(11, '\0')) << u"AB|0||0"_s;
        QTest::newRow("control characters dropped, trailing spaces stripped")
            << monitor(u"A\tB   "_s, 0) << u"AB|0||1"_s;
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("cut short") << full.left(127) << QString();
        QTest::newRow("wrong header") << withByte(full, 0, '\x01') << QString();
    }

    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, read);
        const std::optional<Edid> edid = Edid::parse(bytes);
        QCOMPARE(edid ? u"%1|%2|%3|%4"_s.arg(edid->monitorName)
                            .arg(edid->serialNumber)
                            .arg(edid->serialString)
                            .arg(edid->checksumValid)
                      : QString(),
            read);
        if (edid)
            QCOMPARE(std::tuple(edid->vendorCode(), edid->vendorId, edid->productCode),
                std::tuple(u"DEL"_s, quint16(0x10ac), quint16(0xa0b1)));
    }

    void damagedNeverCrashes()
    {
        // Every byte after the header takes every value once: reads stay inside the block.
        const QByteArray bytes = monitor(u"X"_s, 1, u"Y"_s);
        for (int index = 8; index < 128; ++index) {
            for (int value = 0; value < 256; ++value) {
                const std::optional<Edid> edid = Edid::parse(withByte(bytes, index, char(value)));
                QVERIFY(edid && edid->monitorName.size() <= 13 && edid->serialString.size() <= 13);
            }
        }
    }

    void identity_data()
    {
        QTest::addColumn<quint32>("serial");
        QTest::addColumn<QString>("serialString");
        QTest::addColumn<bool>("followsPanel"); // the same on another connector
        QTest::newRow("serial number") << 42u << QString() << true;
        QTest::newRow("serial string") << 0u << u"SN-1"_s << true;
        QTest::newRow("no serial at all") << 0u << QString() << false;
    }

    void identity()
    {
        QFETCH(quint32, serial);
        QFETCH(QString, serialString);
        const Edid edid = *Edid::parse(monitor(u"Panel"_s, serial, serialString));
        const QUuid onDp1 = edid.identity(u"DP-1"_s);
        QCOMPARE(onDp1.version(), QUuid::Sha1);
        QCOMPARE(onDp1, edid.identity(u"DP-1"_s));
        QTEST(onDp1 == edid.identity(u"DP-2"_s), "followsPanel");
        for (auto change : { +[](Edid &e) { e.vendorId ^= 1; }, +[](Edid &e) { e.productCode ^= 1; },
                 +[](Edid &e) { e.serialNumber ^= 0x100; }, +[](Edid &e) { e.serialString += u'x'; },
                 +[](Edid &e) { e.monitorName = u"Renamed"_s; } }) {
            Edid other = edid;
            change(other);
            // Names are not identity: a firmware update may rename a monitor.
            QCOMPARE(other.identity(u"DP-1"_s) == onDp1, other.monitorName == u"Renamed"_s);
        }
    }
};

QTEST_GUILESS_MAIN(TestEdidParsing)
#include "tst_edid.moc"
