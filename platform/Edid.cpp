// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Edid.h"

namespace Dartline {

namespace {

constexpr qsizetype BlockSize = 128;
constexpr qsizetype FirstDescriptor = 54;
constexpr qsizetype DescriptorSize = 18;
constexpr quint8 NameTag = 0xfc;
constexpr quint8 SerialTag = 0xff;

// Fixed once for Dartline: changing it changes every stored display identifier.
const QUuid IdentityNamespace(QStringLiteral("da32abb7-a5ea-4f0d-9e29-2ba1feae40fe"));

quint8 byteAt(QByteArrayView bytes, qsizetype i)
{
    return static_cast<quint8>(bytes[i]);
}

// A display descriptor's 13 text bytes end at a line feed and are padded with
// spaces; some panels pad with NULs instead.
QString descriptorText(QByteArrayView descriptor)
{
    QString text;
    for (qsizetype i = 5; i < DescriptorSize; ++i) {
        const quint8 c = byteAt(descriptor, i);
        if (c == 0x0a || c == 0x00)
            break;
        if (c >= 0x20 && c < 0x7f)
            text += QLatin1Char(static_cast<char>(c));
    }
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

} // namespace

std::optional<Edid> Edid::parse(QByteArrayView bytes)
{
    static constexpr quint8 header[8] = { 0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00 };
    if (bytes.size() < BlockSize)
        return std::nullopt;
    for (qsizetype i = 0; i < 8; ++i) {
        if (byteAt(bytes, i) != header[i])
            return std::nullopt;
    }

    Edid edid;
    quint8 sum = 0;
    for (qsizetype i = 0; i < BlockSize; ++i)
        sum = static_cast<quint8>(sum + byteAt(bytes, i));
    edid.checksumValid = sum == 0;

    edid.vendorId = static_cast<quint16>((byteAt(bytes, 8) << 8) | byteAt(bytes, 9));
    edid.productCode = static_cast<quint16>(byteAt(bytes, 10) | (byteAt(bytes, 11) << 8));
    edid.serialNumber = static_cast<quint32>(byteAt(bytes, 12)) | (static_cast<quint32>(byteAt(bytes, 13)) << 8)
        | (static_cast<quint32>(byteAt(bytes, 14)) << 16) | (static_cast<quint32>(byteAt(bytes, 15)) << 24);

    for (qsizetype offset = FirstDescriptor; offset + DescriptorSize <= BlockSize - 2; offset += DescriptorSize) {
        const QByteArrayView descriptor = bytes.sliced(offset, DescriptorSize);
        // A pixel clock of zero marks a display descriptor instead of a timing.
        if (byteAt(descriptor, 0) != 0 || byteAt(descriptor, 1) != 0 || byteAt(descriptor, 2) != 0)
            continue;
        const quint8 tag = byteAt(descriptor, 3);
        if (tag == NameTag && edid.monitorName.isEmpty())
            edid.monitorName = descriptorText(descriptor);
        else if (tag == SerialTag && edid.serialString.isEmpty())
            edid.serialString = descriptorText(descriptor);
    }
    return edid;
}

QString Edid::vendorCode() const
{
    QString code;
    for (int shift = 10; shift >= 0; shift -= 5) {
        const int letter = (vendorId >> shift) & 0x1f;
        if (letter < 1 || letter > 26)
            return {};
        code += QLatin1Char(static_cast<char>('A' + letter - 1));
    }
    return code;
}

QUuid Edid::identity(const QString &connector) const
{
    QString name = QStringLiteral("%1:%2:%3:%4")
                       .arg(vendorId, 4, 16, QLatin1Char('0'))
                       .arg(productCode, 4, 16, QLatin1Char('0'))
                       .arg(serialNumber, 8, 16, QLatin1Char('0'))
                       .arg(serialString);
    if (serialNumber == 0 && serialString.isEmpty())
        name += QLatin1Char(':') + connector;
    return QUuid::createUuidV5(IdentityNamespace, name.toUtf8());
}

} // namespace Dartline
