// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringList>

namespace Dartline {

// The one message a second Dartline process sends to the running one: its
// command-line arguments. The socket is reachable by any process of the user,
// so the format is small, versioned and bounded, and a reader decides from the
// first bytes whether a peer speaks it at all.
//
//   "DLIN" | version (1 byte) | payload length (u32, big endian) | payload
//   payload: argument count (u16) then per argument: length (u16), UTF-8 bytes
class InstanceMessage
{
public:
    static constexpr quint8 Version = 1;
    static constexpr int HeaderSize = 9;
    static constexpr int MaximumPayload = 4096;
    static constexpr int MaximumArguments = 64;
    // The running copy's answer once a message has been taken.
    static constexpr char Acknowledgement[] = "DLIN\x01OK";
    static constexpr int AcknowledgementSize = sizeof(Acknowledgement) - 1;

    enum class Status { Incomplete, Complete, Invalid };

    // Arguments that would not fit are left out from the first one that does
    // not, so the message always stays within the limits.
    static QByteArray encode(const QStringList &arguments);

    // Judges everything a peer sent so far. Incomplete: a prefix of a valid
    // message. Complete: exactly one whole message, its arguments in
    // *arguments. Invalid: anything else, including bytes after the message.
    static Status decode(const QByteArray &received, QStringList *arguments);
};

} // namespace Dartline
