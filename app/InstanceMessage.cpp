// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstanceMessage.h"

#include <QStringDecoder>
#include <QtEndian>

namespace Dartline {

namespace {

constexpr char Magic[] = "DLIN";
constexpr int MagicSize = 4;

void appendUInt16(QByteArray &out, quint16 value)
{
    out.append(static_cast<char>(value >> 8));
    out.append(static_cast<char>(value & 0xFF));
}

quint16 readUInt16(const char *at)
{
    return qFromBigEndian<quint16>(at);
}

} // namespace

QByteArray InstanceMessage::encode(const QStringList &arguments)
{
    QByteArray payload;
    quint16 count = 0;
    QByteArray body;
    for (const QString &argument : arguments) {
        const QByteArray utf8 = argument.toUtf8();
        if (count == MaximumArguments || utf8.size() > 0xFFFF || 2 + body.size() + 2 + utf8.size() > MaximumPayload)
            break;
        appendUInt16(body, static_cast<quint16>(utf8.size()));
        body.append(utf8);
        ++count;
    }
    appendUInt16(payload, count);
    payload.append(body);

    QByteArray message(Magic, MagicSize);
    message.append(static_cast<char>(Version));
    char length[4];
    qToBigEndian<quint32>(static_cast<quint32>(payload.size()), length);
    message.append(length, 4);
    message.append(payload);
    return message;
}

InstanceMessage::Status InstanceMessage::decode(const QByteArray &received, QStringList *arguments)
{
    // Refuse a stranger on its first wrong byte rather than waiting for more.
    const qsizetype magicSeen = std::min<qsizetype>(received.size(), MagicSize);
    if (received.left(magicSeen) != QByteArray(Magic, magicSeen))
        return Status::Invalid;
    if (received.size() > MagicSize && static_cast<quint8>(received.at(MagicSize)) != Version)
        return Status::Invalid;
    if (received.size() < HeaderSize)
        return Status::Incomplete;

    const quint32 length = qFromBigEndian<quint32>(received.constData() + MagicSize + 1);
    if (length < 2 || length > MaximumPayload)
        return Status::Invalid;
    const qsizetype total = HeaderSize + static_cast<qsizetype>(length);
    if (received.size() < total)
        return Status::Incomplete;
    if (received.size() > total)
        return Status::Invalid;

    const char *at = received.constData() + HeaderSize;
    const char *const end = at + length;
    const quint16 count = readUInt16(at);
    at += 2;
    if (count > MaximumArguments)
        return Status::Invalid;

    QStringList decoded;
    for (quint16 i = 0; i < count; ++i) {
        if (end - at < 2)
            return Status::Invalid;
        const quint16 size = readUInt16(at);
        at += 2;
        if (end - at < size)
            return Status::Invalid;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8(QByteArrayView(at, size));
        // A real command line holds neither broken UTF-8 nor NUL characters.
        if (utf8.hasError() || text.contains(QChar(0)))
            return Status::Invalid;
        decoded.append(std::move(text));
        at += size;
    }
    if (at != end)
        return Status::Invalid;
    if (arguments)
        *arguments = std::move(decoded);
    return Status::Complete;
}

QByteArray InstanceMessage::encodeAnswer(const Answer &answer)
{
    QByteArray message(Magic, MagicSize);
    message.append(static_cast<char>(Version));
    message.append(answer.accepted ? "OK" : "NO");
    if (answer.text.isEmpty())
        return message;
    QString text = answer.text;
    QByteArray utf8 = text.toUtf8();
    while (utf8.size() > MaximumAnswerText) {
        text.chop(text.size() >= 2 && text.at(text.size() - 1).isLowSurrogate() ? 2 : 1);
        utf8 = text.toUtf8();
    }
    appendUInt16(message, static_cast<quint16>(utf8.size()));
    return message + utf8;
}

std::optional<InstanceMessage::Answer> InstanceMessage::decodeAnswer(const QByteArray &received)
{
    if (received.size() < AnswerHeaderSize || !received.startsWith(QByteArray(Magic, MagicSize))
        || static_cast<quint8>(received.at(MagicSize)) != Version)
        return std::nullopt;
    const QByteArray code = received.mid(MagicSize + 1, 2);
    if (code != "OK" && code != "NO")
        return std::nullopt;
    Answer answer { code == "OK", QString() };
    if (received.size() == AnswerHeaderSize)
        return answer;
    if (received.size() < AnswerHeaderSize + 2
        || received.size() != AnswerHeaderSize + 2 + readUInt16(received.constData() + AnswerHeaderSize))
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    answer.text = utf8(QByteArrayView(received).sliced(AnswerHeaderSize + 2));
    if (utf8.hasError() || answer.text.size() > MaximumAnswerText)
        return std::nullopt;
    return answer;
}

} // namespace Dartline
