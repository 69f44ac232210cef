// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace Dartline {

// A 128-byte EDID 1.4 base block as a monitor would send it: header, PNP
// vendor, product code, serial number, one 60 Hz detailed timing, then the
// name and serial-string descriptors when given, and a valid checksum.
struct TestEdid
{
    QString vendor = QStringLiteral("DLT"); // three letters A–Z
    quint16 product = 0;
    quint32 serial = 0;
    QString name; // up to 13 ASCII characters; empty: no descriptor
    QString serialString; // up to 13 ASCII characters; empty: no descriptor

    QByteArray bytes() const;
    // The 16-bit big-endian manufacturer id of `vendor`.
    quint16 vendorId() const;
};

} // namespace Dartline
