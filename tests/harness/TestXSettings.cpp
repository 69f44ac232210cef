// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/harness/TestXSettings.h"

#include <QtEndian>

namespace Dartline {

namespace {

QByteArray word(quint32 v, bool big)
{
    QByteArray w(4, '\0');
    if (big)
        qToBigEndian(v, w.data());
    else
        qToLittleEndian(v, w.data());
    return w;
}

QByteArray half(quint16 v, bool big)
{
    QByteArray w(2, '\0');
    if (big)
        qToBigEndian(v, w.data());
    else
        qToLittleEndian(v, w.data());
    return w;
}

QByteArray pad(qsizetype n)
{
    return QByteArray((4 - n % 4) % 4, '\0');
}

} // namespace

TestXSettings &TestXSettings::integer(const QByteArray &name, qint32 value)
{
    m_settings.append({ Integer, name, [value](bool big) { return word(static_cast<quint32>(value), big); } });
    return *this;
}

TestXSettings &TestXSettings::string(const QByteArray &name, const QByteArray &value)
{
    m_settings.append({ String, name,
        [value](bool big) { return word(static_cast<quint32>(value.size()), big) + value + pad(value.size()); } });
    return *this;
}

TestXSettings &TestXSettings::color(const QByteArray &name)
{
    return raw(Color, name, QByteArray(8, '\x7f'));
}

TestXSettings &TestXSettings::raw(quint8 type, const QByteArray &name, const QByteArray &valueBytes)
{
    m_settings.append({ type, name, [valueBytes](bool) { return valueBytes; } });
    return *this;
}

TestXSettings &TestXSettings::claimCount(quint32 count)
{
    m_claimedCount = count;
    return *this;
}

QByteArray TestXSettings::bytes(bool big) const
{
    QByteArray out;
    out.append(big ? '\1' : '\0').append(3, '\0');
    out.append(word(7, big)); // serial
    out.append(word(
        m_claimedCount >= 0 ? static_cast<quint32>(m_claimedCount) : static_cast<quint32>(m_settings.size()), big));
    for (const Setting &s : m_settings) {
        out.append(static_cast<char>(s.type)).append('\0');
        out.append(half(static_cast<quint16>(s.name.size()), big));
        out.append(s.name).append(pad(s.name.size()));
        out.append(word(1, big)); // last change serial
        out.append(s.value(big));
    }
    return out;
}

} // namespace Dartline
