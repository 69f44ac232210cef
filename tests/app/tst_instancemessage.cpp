// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstanceMessage.h"

#include <QTest>

using namespace Dartline;
using namespace Qt::StringLiterals;
using Status = InstanceMessage::Status;

class TestInstanceMessage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<Status>("status");
        QTest::addColumn<QStringList>("arguments"); // a command line beyond the limits loses its tail
        const QStringList chinese { QString(), u"设置 屏幕"_s }, many(100, u"-s"_s), none;
        const auto encode = &InstanceMessage::encode;
        QTest::newRow("no arguments") << encode({}) << Status::Complete << none;
        QTest::newRow("empty and chinese") << encode(chinese) << Status::Complete << chinese;
        QTest::newRow("too many") << encode(many) << Status::Complete << many.first(InstanceMessage::MaximumArguments);
        QTest::newRow("huge") << encode({ u"-s"_s, QString(5000, u'x'), u"-t"_s }) << Status::Complete << many.first(1);
        QTest::newRow("magic prefix") << "DL"_ba << Status::Incomplete << none;
        QTest::newRow("http request") << "GET / HTTP/1.1\r\n"_ba << Status::Invalid << none;
        QTest::newRow("future version") << "DLIN\2\0\0\0\2\0\0"_ba << Status::Invalid << none;
        QTest::newRow("length over cap") << "DLIN\1\0\0\x10\1"_ba << Status::Invalid << none;
        QTest::newRow("bytes after the message") << "DLIN\1\0\0\0\2\0\0x"_ba << Status::Invalid << none;
        QTest::newRow("argument beyond payload") << "DLIN\1\0\0\0\4\0\1\0\x09"_ba << Status::Invalid << none;
        QTest::newRow("65 arguments") << "DLIN\1\0\0\0\x84\0\x41"_ba + QByteArray(130, 0) << Status::Invalid << none;
        QTest::newRow("payload left over") << "DLIN\1\0\0\0\5\0\0abc"_ba << Status::Invalid << none;
        QTest::newRow("broken utf-8") << "DLIN\1\0\0\0\6\0\1\0\2\xC3\x28"_ba << Status::Invalid << none;
        QTest::newRow("nul inside") << "DLIN\1\0\0\0\7\0\1\0\3a\0b"_ba << Status::Invalid << none;
    }

    void decode()
    {
        QFETCH(QByteArray, received);
        QFETCH(Status, status);
        QFETCH(QStringList, arguments);
        QStringList decoded { u"untouched"_s };
        QCOMPARE(InstanceMessage::decode(received, &decoded), status);
        QCOMPARE(decoded, status == Status::Complete ? arguments : QStringList { u"untouched"_s });
        // Every proper prefix of a message is worth waiting for.
        for (qsizetype n = 0; status == Status::Complete && n < received.size(); ++n)
            QCOMPARE(InstanceMessage::decode(received.left(n), nullptr), Status::Incomplete);
    }

    void answers_data()
    {
        using Answer = InstanceMessage::Answer;
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<std::optional<Answer>>("answer");
        const auto encode = &InstanceMessage::encodeAnswer;
        const Answer refused { false, u"没有屏幕 9"_s };
        QTest::newRow("taken") << encode({}) << std::optional(Answer {});
        QTest::newRow("refused, with a reason") << encode(refused) << std::optional(refused);
        // What copies before the reason sent.
        QTest::newRow("bare acknowledgement") << "DLIN\1OK"_ba << std::optional(Answer {});
        const QString emoji = QString(501, u'x') + u"😀"_s.repeated(300);
        const QByteArray cut = encode({ false, emoji });
        QTest::newRow("long reason, cut whole") << cut << InstanceMessage::decodeAnswer(cut);
        QTest::newRow("cut short") << encode(refused).chopped(1) << std::optional<Answer>();
        QTest::newRow("unknown code") << "DLIN\1MAYBE"_ba << std::optional<Answer>();
        QTest::newRow("other version") << "DLIN\2OK"_ba << std::optional<Answer>();
    }

    void answers()
    {
        QFETCH(QByteArray, received);
        const auto decoded = InstanceMessage::decodeAnswer(received);
        QTEST(decoded, "answer");
        QVERIFY(received.size() <= InstanceMessage::AnswerHeaderSize + 2 + InstanceMessage::MaximumAnswerText);
        // A reason cut to fit keeps whole characters.
        QVERIFY(!decoded || decoded->text.isEmpty() || !decoded->text.back().isHighSurrogate());
    }
};

QTEST_GUILESS_MAIN(TestInstanceMessage)
#include "tst_instancemessage.moc"
