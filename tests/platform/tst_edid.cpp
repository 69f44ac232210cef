// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Edid.h"
#include "tests/harness/TestEdid.h"

#include <QTest>

using namespace Dartline;

class TestEdidParsing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void damagedNeverCrashes();
    void identity_data();
    void identity();
};

namespace {

QByteArray monitor(const QString &name, quint32 serial, const QString &serialString)
{
    TestEdid edid;
    edid.vendor = QStringLiteral("DEL");
    edid.product = 0xa0b1;
    edid.serial = serial;
    edid.name = name;
    edid.serialString = serialString;
    return edid.bytes();
}

QByteArray withByte(QByteArray bytes, int index, char value)
{
    bytes[index] = value;
    return bytes;
}

} // namespace

void TestEdidParsing::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint32>("serial");
    QTest::addColumn<QString>("serialString");
    QTest::addColumn<bool>("checksum");

    const QByteArray full = monitor(QStringLiteral("DELL U2720Q"), 0x12345678, QStringLiteral("CN0ABC123"));
    QTest::newRow("full") << full << true << QStringLiteral("DELL U2720Q") << 0x12345678u << QStringLiteral("CN0ABC123")
                          << true;
    QTest::newRow("thirteen characters, no line feed") << monitor(QStringLiteral("ABCDEFGHIJKLM"), 0, {}) << true
                                                       << QStringLiteral("ABCDEFGHIJKLM") << 0u << QString() << true;
    QTest::newRow("no descriptors") << monitor({}, 7, {}) << true << QString() << 7u << QString() << true;
    QTest::newRow("extension block after the base block")
        << full + QByteArray(128, '\x02') << true << QStringLiteral("DELL U2720Q") << 0x12345678u
        << QStringLiteral("CN0ABC123") << true;
    // Panels with a wrong checksum exist; their identity still reads the same.
    QTest::newRow("bad checksum tolerated") << withByte(full, 127, '\x01') << true << QStringLiteral("DELL U2720Q")
                                            << 0x12345678u << QStringLiteral("CN0ABC123") << false;
    QByteArray nulPadded = monitor(QStringLiteral("AB"), 0, {});
    nulPadded.replace(72 + 5 + 2, 11, QByteArray(11, '\0'));
    QTest::newRow("NUL padding") << nulPadded << true << QStringLiteral("AB") << 0u << QString() << false;
    QByteArray control = monitor(QStringLiteral("A\tB   "), 0, {});
    QTest::newRow("control characters dropped, trailing spaces stripped")
        << control << true << QStringLiteral("AB") << 0u << QString() << true;
    QTest::newRow("empty") << QByteArray() << false << QString() << 0u << QString() << false;
    QTest::newRow("cut short") << full.left(127) << false << QString() << 0u << QString() << false;
    QTest::newRow("wrong header") << withByte(full, 0, '\x01') << false << QString() << 0u << QString() << false;
}

void TestEdidParsing::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    const std::optional<Edid> edid = Edid::parse(bytes);
    QCOMPARE(edid.has_value(), valid);
    if (!valid)
        return;
    QFETCH(QString, name);
    QFETCH(quint32, serial);
    QFETCH(QString, serialString);
    QFETCH(bool, checksum);
    QCOMPARE(edid->monitorName, name);
    QCOMPARE(edid->serialNumber, serial);
    QCOMPARE(edid->serialString, serialString);
    QCOMPARE(edid->checksumValid, checksum);
    QCOMPARE(edid->vendorCode(), QStringLiteral("DEL"));
    QCOMPARE(edid->vendorId, quint16(0x10ac));
    QCOMPARE(edid->productCode, quint16(0xa0b1));
}

void TestEdidParsing::damagedNeverCrashes()
{
    // Every descriptor slot claims to be text, and every byte after the
    // header takes every value once: reads must stay inside the block.
    QByteArray bytes = monitor(QStringLiteral("X"), 1, QStringLiteral("Y"));
    for (int index = 8; index < 128; ++index) {
        for (int value = 0; value < 256; ++value) {
            const std::optional<Edid> edid = Edid::parse(withByte(bytes, index, static_cast<char>(value)));
            QVERIFY(edid.has_value());
            QVERIFY(edid->monitorName.size() <= 13);
            QVERIFY(edid->serialString.size() <= 13);
        }
    }
    for (int size = 0; size < 128; ++size)
        QVERIFY(!Edid::parse(QByteArrayView(bytes.constData(), size)).has_value());
}

void TestEdidParsing::identity_data()
{
    QTest::addColumn<quint32>("serial");
    QTest::addColumn<QString>("serialString");
    QTest::addColumn<bool>("followsPanel"); // the same on another connector

    QTest::newRow("serial number") << 42u << QString() << true;
    QTest::newRow("serial string") << 0u << QStringLiteral("SN-1") << true;
    QTest::newRow("no serial at all") << 0u << QString() << false;
}

void TestEdidParsing::identity()
{
    QFETCH(quint32, serial);
    QFETCH(QString, serialString);
    QFETCH(bool, followsPanel);
    const Edid edid = *Edid::parse(monitor(QStringLiteral("Panel"), serial, serialString));
    const QUuid onDp1 = edid.identity(QStringLiteral("DP-1"));
    QCOMPARE(onDp1.version(), QUuid::Sha1);
    QCOMPARE(onDp1, edid.identity(QStringLiteral("DP-1")));
    QCOMPARE(onDp1 == edid.identity(QStringLiteral("DP-2")), followsPanel);

    // Each identity field counts.
    for (auto change : { +[](Edid &e) { e.vendorId ^= 1; }, +[](Edid &e) { e.productCode ^= 1; },
             +[](Edid &e) { e.serialNumber ^= 0x100; }, +[](Edid &e) { e.serialString += QLatin1Char('x'); } }) {
        Edid other = edid;
        change(other);
        QVERIFY(other.identity(QStringLiteral("DP-1")) != onDp1);
    }
    // Names are not identity: a firmware update may rename a monitor.
    Edid renamed = edid;
    renamed.monitorName = QStringLiteral("Other");
    QCOMPARE(renamed.identity(QStringLiteral("DP-1")), onDp1);
}

QTEST_GUILESS_MAIN(TestEdidParsing)
#include "tst_edid.moc"
