// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DBusService.h"

#include "app/AppLogging.h"
#include "app/TrayApplication.h"
#include "model/AppModel.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QTimer>

namespace Dartline {

DBusService::DBusService(TrayApplication &application)
    : QObject(&application)
    , m_application(application)
{
    qDBusRegisterMetaType<QList<QVariantMap>>();
}

bool DBusService::publish()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCInfo(lcShell, "No session bus: %s is not offered", qUtf8Printable(ServiceName));
        return false;
    }
    if (!bus.registerObject(ObjectPath, this, QDBusConnection::ExportScriptableSlots)) {
        qCWarning(
            lcShell, "Cannot offer %s: %s", qUtf8Printable(ObjectPath), qUtf8Printable(bus.lastError().message()));
        return false;
    }
    // Not queued: the copy that holds the name serves another display, and
    // this one must not take it over when that one ends.
    const auto reply = bus.interface()->registerService(ServiceName, QDBusConnectionInterface::DontQueueService);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        qCWarning(lcShell, "The session bus name %s is taken by another process; it is not offered here",
            qUtf8Printable(ServiceName));
        bus.unregisterObject(ObjectPath);
        return false;
    }
    return true;
}

void DBusService::Jump(const QString &id)
{
    const QString error = m_application.jumpTo(id);
    if (error.isEmpty())
        return;
    const bool known = m_application.model() && m_application.indexOf(id) >= 0;
    sendErrorReply(known ? QStringLiteral("org.dartline.Dartline.Error.JumpFailed")
                         : QStringLiteral("org.dartline.Dartline.Error.NoSuchDisplay"),
        error);
}

void DBusService::Identify()
{
    // After the reply: the tiles take a moment to build.
    QTimer::singleShot(0, &m_application, &TrayApplication::identifyDisplays);
}

void DBusService::ShowSettings()
{
    QTimer::singleShot(0, &m_application, &TrayApplication::showSettings);
}

QList<QVariantMap> DBusService::Displays()
{
    QList<QVariantMap> listing;
    if (!m_application.model())
        return listing;
    const QList<Display> &displays = m_application.model()->displays();
    for (qsizetype i = 0; i < displays.size(); ++i) {
        const Display &display = displays.at(i);
        const QRect bounds = display.bounds.toRect();
        listing.append({
            { QStringLiteral("number"), QVariant::fromValue(quint32(i + 1)) },
            { QStringLiteral("id"), display.id },
            { QStringLiteral("name"), display.name },
            { QStringLiteral("x"), bounds.x() },
            { QStringLiteral("y"), bounds.y() },
            { QStringLiteral("width"), bounds.width() },
            { QStringLiteral("height"), bounds.height() },
            { QStringLiteral("shortcut"), m_application.shortcutCaption(display.id) },
        });
    }
    return listing;
}

} // namespace Dartline
