// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/harness/TestEdid.h"

namespace Dartline {

namespace {

void putText(QByteArray &block, int offset, quint8 tag, const QString &text)
{
    block[offset + 3] = static_cast<char>(tag);
    const QByteArray ascii = text.toLatin1().left(13);
    for (int i = 0; i < 13; ++i) {
        char c = ' ';
        if (i < ascii.size())
            c = ascii[i];
        else if (i == ascii.size())
            c = '\n';
        block[offset + 5 + i] = c;
    }
}

} // namespace

quint16 TestEdid::vendorId() const
{
    quint16 id = 0;
    for (int i = 0; i < 3; ++i) {
        const char c = i < vendor.size() ? vendor.at(i).toLatin1() : 'A';
        id = static_cast<quint16>((id << 5) | ((c - 'A' + 1) & 0x1f));
    }
    return id;
}

QByteArray TestEdid::bytes() const
{
    QByteArray b(128, '\0');
    for (int i = 1; i < 7; ++i)
        b[i] = static_cast<char>(0xff);
    const quint16 id = vendorId();
    b[8] = static_cast<char>(id >> 8);
    b[9] = static_cast<char>(id & 0xff);
    b[10] = static_cast<char>(product & 0xff);
    b[11] = static_cast<char>(product >> 8);
    for (int i = 0; i < 4; ++i)
        b[12 + i] = static_cast<char>((serial >> (8 * i)) & 0xff);
    b[16] = 1; // week
    b[17] = 34; // 2024
    b[18] = 1;
    b[19] = 4;
    b[20] = static_cast<char>(0xa5); // digital, 8 bits per colour, DisplayPort
    b[21] = 53; // cm
    b[22] = 30;
    b[23] = 120; // gamma 2.2
    b[24] = 0x0a;
    // sRGB primaries and D65 white, so colour-managed readers accept it.
    const quint8 chroma[10] = { 0xee, 0x91, 0xa3, 0x54, 0x4c, 0x99, 0x26, 0x0f, 0x50, 0x54 };
    for (int i = 0; i < 10; ++i)
        b[25 + i] = static_cast<char>(chroma[i]);

    // Detailed timing: 1024x768 at 60 Hz, 65 MHz.
    const quint8 timing[18] = { 0x64, 0x19, 0x00, 0x40, 0x41, 0x00, 0x26, 0x30, 0x18, 0x88, 0x36, 0x00, 0x10, 0x09,
        0x00, 0x00, 0x00, 0x18 };
    for (int i = 0; i < 18; ++i)
        b[54 + i] = static_cast<char>(timing[i]);
    int slot = 72;
    if (!name.isEmpty()) {
        putText(b, slot, 0xfc, name);
        slot += 18;
    }
    if (!serialString.isEmpty()) {
        putText(b, slot, 0xff, serialString);
        slot += 18;
    }
    for (; slot < 126; slot += 18)
        b[slot + 3] = 0x10; // dummy descriptor

    quint8 sum = 0;
    for (int i = 0; i < 127; ++i)
        sum = static_cast<quint8>(sum + static_cast<quint8>(b[i]));
    b[127] = static_cast<char>(static_cast<quint8>(256 - sum));
    return b;
}

} // namespace Dartline
