// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QUuid>

#include <optional>

namespace Dartline {

// What a monitor tells about itself in the base block of its EDID. The bytes
// come from the monitor's firmware through the kernel, so nothing in them is
// trusted: every read is bounds-checked, and texts keep printable ASCII only.
struct Edid
{
    quint16 vendorId = 0; // PNP id, three 5-bit letters, as sent (big-endian)
    quint16 productCode = 0;
    quint32 serialNumber = 0; // 0 when the monitor has none
    QString monitorName; // the name descriptor, padding stripped; may be empty
    QString serialString; // the serial-number descriptor; may be empty
    bool checksumValid = false;

    // None unless there is a whole base block with the fixed header. A wrong
    // checksum is tolerated: panels with a bad checksum are common, and the
    // identity fields still stay the same from one read to the next.
    static std::optional<Edid> parse(QByteArrayView bytes);

    // The three letters of the vendor id ("DEL"), or empty when they are not A–Z.
    QString vendorCode() const;

    // A name-based (version 5) UUID of the monitor. Two panels of one model
    // without any serial differ only by where they are plugged in, so then
    // the connector name is part of the identity.
    QUuid identity(const QString &connector) const;
};

} // namespace Dartline
