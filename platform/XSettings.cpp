// SPDX-License-Identifier: GPL-3.0-or-later
#include "XSettings.h"

namespace {

enum Type : quint8 { Integer = 0, String = 1, Color = 2 };

class Reader
{
public:
    explicit Reader(QByteArrayView data)
        : m_data(data)
    { }

    void setBigEndian(bool big) { m_big = big; }
    bool skip(qsizetype n)
    {
        if (n < 0 || n > m_data.size() - m_pos)
            return false;
        m_pos += n;
        return true;
    }
    std::optional<quint8> u8()
    {
        if (m_pos >= m_data.size())
            return std::nullopt;
        return static_cast<quint8>(m_data[m_pos++]);
    }
    std::optional<quint32> u(int bytes)
    {
        if (bytes > m_data.size() - m_pos)
            return std::nullopt;
        quint32 value = 0;
        for (int i = 0; i < bytes; ++i) {
            const quint32 b = static_cast<quint8>(m_data[m_pos + (m_big ? i : bytes - 1 - i)]);
            value = (value << 8) | b;
        }
        m_pos += bytes;
        return value;
    }
    std::optional<QByteArrayView> bytes(qsizetype n)
    {
        if (n < 0 || n > m_data.size() - m_pos)
            return std::nullopt;
        const QByteArrayView view = m_data.sliced(m_pos, n);
        m_pos += n;
        return view;
    }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
    bool m_big = false;
};

qsizetype padding(qsizetype n)
{
    return (4 - (n % 4)) % 4;
}

} // namespace

std::optional<qint32> XSettings::integer(QByteArrayView property, QByteArrayView name)
{
    Reader in(property);
    const std::optional<quint8> order = in.u8();
    if (!order || *order > 1)
        return std::nullopt;
    in.setBigEndian(*order == 1);
    if (!in.skip(3) || !in.u(4)) // the daemon's serial
        return std::nullopt;
    const std::optional<quint32> count = in.u(4);
    if (!count)
        return std::nullopt;

    // The count comes from the buffer too; the loop ends at its end anyway.
    for (quint32 i = 0; i < *count; ++i) {
        const std::optional<quint8> type = in.u8();
        if (!type || !in.skip(1))
            return std::nullopt;
        const std::optional<quint32> nameLength = in.u(2);
        if (!nameLength)
            return std::nullopt;
        const std::optional<QByteArrayView> settingName = in.bytes(*nameLength);
        if (!settingName || !in.skip(padding(*nameLength)) || !in.skip(4)) // last-change serial
            return std::nullopt;
        switch (*type) {
        case Integer: {
            const std::optional<quint32> value = in.u(4);
            if (!value)
                return std::nullopt;
            if (*settingName == name)
                return static_cast<qint32>(*value);
            break;
        }
        case String: {
            const std::optional<quint32> length = in.u(4);
            if (!length || *length > static_cast<quint32>(property.size())
                || !in.skip(static_cast<qsizetype>(*length) + padding(*length)))
                return std::nullopt;
            break;
        }
        case Color:
            if (!in.skip(8))
                return std::nullopt;
            break;
        default:
            return std::nullopt; // an unknown type has an unknown size
        }
    }
    return std::nullopt;
}
