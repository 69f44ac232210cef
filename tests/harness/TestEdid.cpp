// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/harness/TestEdid.h"

namespace Dartline {

quint16 TestEdid::vendorId() const
{
    quint16 id = 0;
    for (int i = 0; i < 3; ++i)
        id = quint16((id << 5) | ((vendor.at(i).toLatin1() - 'A' + 1) & 0x1f));
    return id;
}

QByteArray TestEdid::bytes() const
{
    QByteArray b = QByteArray::fromHex("00ffffffffffff00") + QByteArray(120, '\0');
    b[8] = char(vendorId() >> 8);
    b[9] = char(vendorId() & 0xff);
    b[10] = char(product & 0xff);
    b[11] = char(product >> 8);
    for (int i = 0; i < 4; ++i)
        b[12 + i] = char((serial >> (8 * i)) & 0xff);
    // Week, year, version 1.4, digital input, size, gamma, features, sRGB
    // chromaticity, then a 1024x768 60 Hz detailed timing.
    b.replace(16, 19, QByteArray::fromHex("01220104a5351e780aee91a3544c99260f5054"));
    b.replace(54, 18, QByteArray::fromHex("641900404100263018883600100900000018"));
    int slot = 72;
    for (const auto &[tag, text] : { std::pair { 0xfc, name }, std::pair { 0xff, serialString } }) {
        if (text.isEmpty())
            continue;
        const QByteArray ascii = text.toLatin1().left(13);
        b[slot + 3] = char(tag);
        b.replace(slot + 5, 13, (ascii + (ascii.size() < 13 ? "\n" : "")).leftJustified(13, ' '));
        slot += 18;
    }
    for (; slot < 126; slot += 18)
        b[slot + 3] = 0x10; // dummy descriptor
    quint8 sum = 0;
    for (int i = 0; i < 127; ++i)
        sum = quint8(sum + quint8(b[i]));
    b[127] = char(quint8(256 - sum));
    return b;
}

} // namespace Dartline
