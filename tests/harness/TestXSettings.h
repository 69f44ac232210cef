// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace Dartline {

// An _XSETTINGS_SETTINGS property as a desktop's settings daemon writes it.
class TestXSettings
{
public:
    enum Type : quint8 { Integer = 0, String = 1, Color = 2 };

    TestXSettings &integer(const QByteArray &name, qint32 value);
    TestXSettings &string(const QByteArray &name, const QByteArray &value);
    TestXSettings &color(const QByteArray &name);
    // A setting of any type tag with the value bytes as given.
    TestXSettings &raw(quint8 type, const QByteArray &name, const QByteArray &valueBytes);
    // Claims this many settings instead of the number added.
    TestXSettings &claimCount(quint32 count);

    QByteArray bytes(bool bigEndian = false) const;

private:
    struct Setting
    {
        quint8 type;
        QByteArray name;
        std::function<QByteArray(bool bigEndian)> value;
    };
    QList<Setting> m_settings;
    qint64 m_claimedCount = -1;
};

// Plays a desktop settings daemon on a connection of its own: owns the
// XSETTINGS selection of screen 0 and publishes _XSETTINGS_SETTINGS on its
// window; the selection goes with it when destroyed.
class XSettingsDaemon
{
public:
    explicit XSettingsDaemon(const QString &displayName);
    ~XSettingsDaemon();
    XSettingsDaemon(const XSettingsDaemon &) = delete;
    XSettingsDaemon &operator=(const XSettingsDaemon &) = delete;

    // Replaces the property and waits until the server has it.
    void publish(const QByteArray &settings);

private:
    struct Private;
    Private *d;
};

} // namespace Dartline
