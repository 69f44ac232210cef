// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

struct xcb_connection_t;

namespace Dartline {

// An _XSETTINGS_SETTINGS property as a desktop's settings daemon writes it.
class TestXSettings
{
public:
    enum Type : quint8 { Integer = 0, String = 1, Color = 2 };

    TestXSettings &integer(const QByteArray &name, qint32 value);
    TestXSettings &string(const QByteArray &name, const QByteArray &value);
    // A setting of any type tag with the value bytes as given.
    TestXSettings &raw(quint8 type, const QByteArray &name, const QByteArray &valueBytes)
    {
        return add(type, name, valueBytes, valueBytes);
    }

    QByteArray bytes(bool bigEndian = false) const;

private:
    TestXSettings &add(quint8 type, const QByteArray &name, const QByteArray &little, const QByteArray &big);

    QByteArray m_settings[2]; // little, big endian
    quint32 m_count = 0;
};

// A desktop settings daemon: owns the XSETTINGS selection of screen 0 while it lives, and publishes
// _XSETTINGS_SETTINGS on its window.
class XSettingsDaemon
{
public:
    explicit XSettingsDaemon(const QString &displayName);
    ~XSettingsDaemon();
    Q_DISABLE_COPY(XSettingsDaemon)

    // Replaces the property and waits until the server has it.
    void publish(const QByteArray &settings);

private:
    xcb_connection_t *m_connection;
    quint32 m_window;
    quint32 m_property;
};

} // namespace Dartline
