// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstanceMessage.h"

#include <QTest>

using namespace Dartline;

class TestInstanceMessage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void staysWithinLimits();
    void judgesWhatArrived_data();
    void judgesWhatArrived();
};

namespace {

QByteArray header(quint32 length, char version = 1)
{
    QByteArray out("DLIN");
    out.append(version);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(static_cast<char>((length >> shift) & 0xFF));
    return out;
}

QByteArray u16(quint16 value)
{
    QByteArray out;
    out.append(static_cast<char>(value >> 8));
    out.append(static_cast<char>(value & 0xFF));
    return out;
}

} // namespace

void TestInstanceMessage::roundTrip_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("none") << QStringList();
    QTest::newRow("settings") << QStringList { QStringLiteral("--settings") };
    QTest::newRow("empty and chinese") << QStringList { QString(), QString::fromUtf8("设置 屏幕") };
}

void TestInstanceMessage::roundTrip()
{
    QFETCH(QStringList, arguments);
    const QByteArray message = InstanceMessage::encode(arguments);
    QStringList decoded { QStringLiteral("stale") };
    QCOMPARE(InstanceMessage::decode(message, &decoded), InstanceMessage::Status::Complete);
    QCOMPARE(decoded, arguments);
    // Every proper prefix is worth waiting for, never a whole message.
    for (qsizetype n = 0; n < message.size(); ++n)
        QCOMPARE(InstanceMessage::decode(message.left(n), nullptr), InstanceMessage::Status::Incomplete);
}

void TestInstanceMessage::staysWithinLimits()
{
    // A command line beyond the limits loses its tail, never the message.
    QStringList many;
    for (int i = 0; i < 100; ++i)
        many << QStringLiteral("--settings");
    QStringList decoded;
    QCOMPARE(InstanceMessage::decode(InstanceMessage::encode(many), &decoded), InstanceMessage::Status::Complete);
    QCOMPARE(decoded.size(), InstanceMessage::MaximumArguments);

    const QStringList huge { QStringLiteral("--settings"), QString(5000, u'x'), QStringLiteral("tail") };
    const QByteArray message = InstanceMessage::encode(huge);
    QVERIFY(message.size() <= InstanceMessage::HeaderSize + InstanceMessage::MaximumPayload);
    QCOMPARE(InstanceMessage::decode(message, &decoded), InstanceMessage::Status::Complete);
    QCOMPARE(decoded, QStringList { QStringLiteral("--settings") });
}

void TestInstanceMessage::judgesWhatArrived_data()
{
    using Status = InstanceMessage::Status;
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<Status>("status");

    const QByteArray valid = InstanceMessage::encode({ QStringLiteral("--settings") });
    QTest::newRow("http request") << QByteArray("GET / HTTP/1.1\r\n") << Status::Invalid;
    QTest::newRow("wrong first byte") << QByteArray("X") << Status::Invalid;
    QTest::newRow("magic prefix") << QByteArray("DL") << Status::Incomplete;
    QTest::newRow("future version") << header(2, 2) + u16(0) << Status::Invalid;
    QTest::newRow("length over cap") << header(InstanceMessage::MaximumPayload + 1) << Status::Invalid;
    QTest::newRow("length 4 GiB") << header(0xFFFFFFFF) << Status::Invalid;
    QTest::newRow("length too short for a count") << header(1) + QByteArray(1, '\0') << Status::Invalid;
    QTest::newRow("bytes after the message") << valid + 'x' << Status::Invalid;
    QTest::newRow("argument beyond payload") << header(4) + u16(1) + u16(9) << Status::Invalid;
    QTest::newRow("count beyond payload") << header(2) + u16(3) << Status::Invalid;
    QTest::newRow("count over cap") << header(2) + u16(InstanceMessage::MaximumArguments + 1) << Status::Invalid;
    QTest::newRow("payload left over") << header(5) + u16(0) + "abc" << Status::Invalid;
    QTest::newRow("broken utf-8") << header(6) + u16(1) + u16(2) + "\xC3\x28" << Status::Invalid;
    QTest::newRow("cut utf-8") << header(5) + u16(1) + u16(1) + "\xE8" << Status::Invalid;
    QTest::newRow("nul inside") << header(7) + u16(1) + u16(3) + QByteArray("a\0b", 3) << Status::Invalid;
    QTest::newRow("valid") << valid << Status::Complete;
}

void TestInstanceMessage::judgesWhatArrived()
{
    QFETCH(QByteArray, received);
    QFETCH(InstanceMessage::Status, status);
    QStringList arguments { QStringLiteral("untouched") };
    QCOMPARE(InstanceMessage::decode(received, &arguments), status);
    if (status != InstanceMessage::Status::Complete)
        QCOMPARE(arguments, QStringList { QStringLiteral("untouched") });
}

QTEST_GUILESS_MAIN(TestInstanceMessage)
#include "tst_instancemessage.moc"
