// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>

namespace Dartline {

// The one message a second Dartline process sends to the running one: its
// command-line arguments. The socket is reachable by any process of the user,
// so the format is small, versioned and bounded, and a reader decides from the
// first bytes whether a peer speaks it at all.
//
//   "DLIN" | version (1 byte) | payload length (u32, big endian) | payload
//   payload: argument count (u16) then per argument: length (u16), UTF-8 bytes
//
// The running copy answers, then hangs up:
//
//   "DLIN" | version | "OK" or "NO" | [text length (u16) | UTF-8 text]
//
// The first seven bytes alone are what copies before the text sent, and what
// they still wait for.
class InstanceMessage
{
public:
    static constexpr quint8 Version = 1;
    static constexpr int HeaderSize = 9;
    static constexpr int MaximumPayload = 4096;
    static constexpr int MaximumArguments = 64;
    static constexpr int AnswerHeaderSize = 7;
    static constexpr int MaximumAnswerText = 1024; // bytes

    enum class Status { Incomplete, Complete, Invalid };

    // What the running copy made of a request: done, or refused with a
    // sentence for the user.
    struct Answer
    {
        bool accepted = true;
        QString text;
        friend bool operator==(const Answer &, const Answer &) = default;
    };

    // Arguments that would not fit are left out from the first one that does
    // not, so the message always stays within the limits.
    static QByteArray encode(const QStringList &arguments);

    // Judges everything a peer sent so far. Incomplete: a prefix of a valid
    // message. Complete: exactly one whole message, its arguments in
    // *arguments. Invalid: anything else, including bytes after the message.
    static Status decode(const QByteArray &received, QStringList *arguments);

    // A text too long is cut at a character boundary.
    static QByteArray encodeAnswer(const Answer &answer);
    // Everything the running copy sent before it hung up; none when it is
    // no answer at all.
    static std::optional<Answer> decodeAnswer(const QByteArray &received);
};

} // namespace Dartline
