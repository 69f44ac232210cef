// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PortalColorScheme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QVariant>

#include <optional>

namespace Dartline {

namespace {

const QString Service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString Path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString Interface = QStringLiteral("org.freedesktop.portal.Settings");
const QString Namespace = QStringLiteral("org.freedesktop.appearance");
const QString Key = QStringLiteral("color-scheme");

// Read() wraps the value in one variant more than the portal documents on
// some versions; unwrap every layer.
std::optional<uint> schemeFrom(QVariant value)
{
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    return ok ? std::optional<uint>(scheme) : std::nullopt;
}

// Receives the portal's change signal; the string-based D-Bus connection
// needs a slot, and D-Bus types stay out of the public header. The slot takes
// the whole message: QtDBus refuses to connect one that takes the value as a
// QDBusVariant parameter, and the change would go unnoticed.
class SettingListener : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void schemeChanged(uint scheme);

public Q_SLOTS:
    void settingChanged(const QDBusMessage &message)
    {
        const QList<QVariant> arguments = message.arguments();
        if (arguments.size() != 3 || arguments.at(0).toString() != Namespace || arguments.at(1).toString() != Key)
            return;
        if (const std::optional<uint> scheme = schemeFrom(arguments.at(2)))
            Q_EMIT schemeChanged(*scheme);
    }
};

} // namespace

PortalColorScheme::PortalColorScheme() = default;
PortalColorScheme::~PortalColorScheme() = default;

void PortalColorScheme::start()
{
    // Without an address the bus library would try to auto-launch a daemon,
    // which can take long; a session without a bus has no portal anyway.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;

    auto *listener = new SettingListener(this);
    connect(listener, &SettingListener::schemeChanged, this, &PortalColorScheme::setScheme);
    bus.connect(
        Service, Path, Interface, QStringLiteral("SettingChanged"), listener, SLOT(settingChanged(QDBusMessage)));

    QDBusMessage read = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Read"));
    read << Namespace << Key;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(read, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusPendingReply<QVariant> reply = *call;
        if (reply.isError())
            return;
        if (const std::optional<uint> scheme = schemeFrom(reply.value()))
            setScheme(*scheme);
    });
}

void PortalColorScheme::setScheme(uint scheme)
{
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    Q_EMIT changed();
}

} // namespace Dartline

#include "PortalColorScheme_dbus.moc"
