// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/XSettings.h"

namespace Dartline {

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

// The value bytes of the first setting called `name` with type `wanted`:
// four bytes for an integer, the text for a string.
std::optional<QByteArrayView> find(QByteArrayView property, QByteArrayView name, Type wanted)
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
        std::optional<QByteArrayView> value;
        switch (*type) {
        case Integer:
            value = in.bytes(4);
            break;
        case String: {
            const std::optional<quint32> length = in.u(4);
            if (!length || *length > static_cast<quint32>(property.size()))
                return std::nullopt;
            value = in.bytes(static_cast<qsizetype>(*length));
            if (value && !in.skip(padding(*length)))
                return std::nullopt;
            break;
        }
        case Color:
            value = in.bytes(8);
            break;
        default:
            return std::nullopt; // an unknown type has an unknown size
        }
        if (!value)
            return std::nullopt;
        if (*type == wanted && *settingName == name)
            return value;
    }
    return std::nullopt;
}

} // namespace

std::optional<qint32> XSettings::integer(QByteArrayView property, QByteArrayView name)
{
    const std::optional<QByteArrayView> value = find(property, name, Integer);
    if (!value)
        return std::nullopt;
    const bool big = property.front() == 1;
    quint32 number = 0;
    for (int i = 0; i < 4; ++i)
        number = (number << 8) | static_cast<quint8>((*value)[big ? i : 3 - i]);
    return static_cast<qint32>(number);
}

std::optional<QByteArray> XSettings::string(QByteArrayView property, QByteArrayView name)
{
    const std::optional<QByteArrayView> value = find(property, name, String);
    if (!value)
        return std::nullopt;
    return value->toByteArray();
}

} // namespace Dartline
