// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace Dartline {

// A 128-byte EDID 1.4 base block as a monitor sends it, with the name and serial-string descriptors
// when given (up to 13 ASCII characters) and a valid checksum.
struct TestEdid
{
    QString vendor = QStringLiteral("DLT"); // three letters A–Z
    quint16 product = 0;
    quint32 serial = 0;
    QString name;
    QString serialString;

    QByteArray bytes() const;
    quint16 vendorId() const; // big-endian, five bits a letter
};

} // namespace Dartline
