// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/GnomeDisplayPlatform.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>

#include <cmath>

namespace Dartline {

const QString GnomeDisplayPlatform::Service = QStringLiteral("org.gnome.Mutter.DisplayConfig");

namespace {

const QString Path = QStringLiteral("/org/gnome/Mutter/DisplayConfig");

// Name-based identities of monitors known only by what mutter says.
const QUuid IdentityNamespace(QUuid::fromString(u"0b7e4a52-9d3c-4f61-8e25-6a1d93c0f7b4"));

// DisplayConfig's layout modes: logical pixels (monitors scaled by their
// size in the layout) or physical ones.
constexpr uint LogicalLayout = 1;

struct MonitorId
{
    QString connector, vendor, product, serial;
};

MonitorId readMonitorId(const QDBusArgument &argument)
{
    MonitorId id;
    argument.beginStructure();
    argument >> id.connector >> id.vendor >> id.product >> id.serial;
    argument.endStructure();
    return id;
}

QString hex(quint32 value, int digits)
{
    return QLatin1String("0x") + QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0'));
}

} // namespace

GnomeDisplayPlatform::GnomeDisplayPlatform(const QDBusConnection &bus, const QString &edidRoot, QObject *parent)
    : DisplayPlatform(parent)
    , m_bus(bus)
    , m_edidRoot(edidRoot)
{
    m_bus.connect(Service, Path, Service, QStringLiteral("MonitorsChanged"), this, SLOT(monitorsChanged()));
    refresh();
}

void GnomeDisplayPlatform::monitorsChanged()
{
    if (m_changePending)
        return;
    m_changePending = true;
    QTimer::singleShot(0, this, [this] {
        m_changePending = false;
        refresh();
        Q_EMIT configurationChanged();
    });
}

// GetCurrentState: (serial, monitors a((ssss) modes a(siiddada{sv}) a{sv}),
// logical monitors a(x y scale transform primary a(ssss) a{sv}), a{sv}).
void GnomeDisplayPlatform::refresh()
{
    const QDBusMessage reply
        = m_bus.call(QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("GetCurrentState")));
    m_monitors.clear();
    m_valid = reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 4;
    if (!m_valid)
        return;

    const QVariantMap properties = qdbus_cast<QVariantMap>(reply.arguments().at(3));
    const bool logicalLayout = properties.value(QStringLiteral("layout-mode")).toUInt() == LogicalLayout;
    QHash<QString, QSize> modeSizes;
    const QDBusArgument monitors = reply.arguments().at(1).value<QDBusArgument>();
    monitors.beginArray();
    while (!monitors.atEnd()) {
        monitors.beginStructure();
        const MonitorId id = readMonitorId(monitors);
        monitors.beginArray();
        while (!monitors.atEnd()) {
            QString modeId;
            int width = 0, height = 0;
            double refresh = 0, preferredScale = 0;
            QList<double> scales;
            QVariantMap modeProperties;
            monitors.beginStructure();
            monitors >> modeId >> width >> height >> refresh >> preferredScale >> scales >> modeProperties;
            monitors.endStructure();
            if (modeProperties.value(QStringLiteral("is-current")).toBool())
                modeSizes.insert(id.connector, QSize(width, height));
        }
        monitors.endArray();
        QVariantMap monitorProperties;
        monitors >> monitorProperties;
        monitors.endStructure();

        Monitor monitor;
        monitor.connector = id.connector;
        monitor.vendor = id.vendor;
        monitor.product = id.product;
        monitor.serial = id.serial;
        monitor.displayName = monitorProperties.value(QStringLiteral("display-name")).toString();
        monitor.builtin = monitorProperties.value(QStringLiteral("is-builtin")).toBool();
        auto number = m_numbers.constFind(id.connector);
        if (number == m_numbers.cend())
            number = m_numbers.insert(id.connector, quint32(m_numbers.size() + 1));
        monitor.number = *number;
        monitor.edid = edidFromTexts(id.vendor, id.product, id.serial);
        if (!monitor.edid)
            monitor.edid = kernelEdid(monitor);
        m_monitors.append(monitor);
    }
    monitors.endArray();

    const QDBusArgument logicalMonitors = reply.arguments().at(2).value<QDBusArgument>();
    logicalMonitors.beginArray();
    while (!logicalMonitors.atEnd()) {
        int x = 0, y = 0;
        double scale = 1;
        uint transform = 0;
        bool primary = false;
        QVariantMap logicalProperties;
        logicalMonitors.beginStructure();
        logicalMonitors >> x >> y >> scale >> transform >> primary;
        QStringList connectors;
        logicalMonitors.beginArray();
        while (!logicalMonitors.atEnd())
            connectors.append(readMonitorId(logicalMonitors).connector);
        logicalMonitors.endArray();
        logicalMonitors >> logicalProperties;
        logicalMonitors.endStructure();

        // The monitors of one logical monitor show the same: the first
        // stands for the others. Odd transforms turn the monitor by 90°.
        quint32 master = 0;
        for (Monitor &monitor : m_monitors) {
            if (!connectors.contains(monitor.connector))
                continue;
            QSize size = modeSizes.value(monitor.connector);
            if (transform % 2)
                size.transpose();
            if (logicalLayout && scale > 0)
                size = QSize(int(std::lround(size.width() / scale)), int(std::lround(size.height() / scale)));
            monitor.active = true;
            monitor.bounds = QRect(QPoint(x, y), size);
            monitor.streamScale = logicalLayout ? scale : 1;
            monitor.mirrors = master;
            if (!master)
                master = monitor.number;
        }
    }
    logicalMonitors.endArray();
}

std::optional<Edid> GnomeDisplayPlatform::edidFromTexts(
    const QString &vendor, const QString &product, const QString &serial)
{
    static const QRegularExpression vendorPattern(QStringLiteral("^[A-Z]{3}$"));
    static const QRegularExpression productPattern(QStringLiteral("^0x[0-9a-f]{4}$"));
    static const QRegularExpression serialPattern(QStringLiteral("^0x[0-9a-f]{8}$"));
    if (!vendorPattern.match(vendor).hasMatch() || !productPattern.match(product).hasMatch()
        || !serialPattern.match(serial).hasMatch())
        return std::nullopt;
    Edid edid;
    for (const QChar letter : vendor)
        edid.vendorId = quint16((edid.vendorId << 5) | (letter.unicode() - 'A' + 1));
    edid.productCode = quint16(product.mid(2).toUInt(nullptr, 16));
    edid.serialNumber = serial.mid(2).toUInt(nullptr, 16);
    return edid;
}

// mutter fills vendor, product and serial from the same EDID (product: the
// name descriptor or the product code; serial: the serial descriptor or
// number). A block that tells otherwise belongs to another monitor.
std::optional<Edid> GnomeDisplayPlatform::kernelEdid(const Monitor &monitor) const
{
    const QStringList cards
        = QDir(m_edidRoot).entryList({ QStringLiteral("card*-") + monitor.connector }, QDir::Dirs | QDir::System);
    for (const QString &card : cards) {
        QFile file(m_edidRoot + QLatin1Char('/') + card + QStringLiteral("/edid"));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const std::optional<Edid> edid = Edid::parse(file.read(128));
        if (edid && edid->vendorCode() == monitor.vendor
            && (monitor.product == edid->monitorName || monitor.product == hex(edid->productCode, 4))
            && (monitor.serial == edid->serialString || monitor.serial == hex(edid->serialNumber, 8)))
            return edid;
    }
    return std::nullopt;
}

const GnomeDisplayPlatform::Monitor *GnomeDisplayPlatform::monitor(quint32 display) const
{
    for (const Monitor &monitor : m_monitors) {
        if (monitor.number == display)
            return &monitor;
    }
    return nullptr;
}

QList<ScreenInfo> GnomeDisplayPlatform::screens()
{
    QList<ScreenInfo> result;
    for (const Monitor &monitor : std::as_const(m_monitors))
        result.append(
            ScreenInfo { monitor.number, monitor.displayName.isEmpty() ? monitor.connector : monitor.displayName });
    return result;
}

bool GnomeDisplayPlatform::isActive(quint32 display)
{
    const Monitor *found = monitor(display);
    return found && found->active;
}

bool GnomeDisplayPlatform::isInMirrorSet(quint32 display)
{
    const Monitor *found = monitor(display);
    if (!found || !found->active)
        return false;
    return found->mirrors || std::any_of(m_monitors.cbegin(), m_monitors.cend(), [display](const Monitor &other) {
        return other.mirrors == display;
    });
}

quint32 GnomeDisplayPlatform::mirrorsDisplay(quint32 display)
{
    const Monitor *found = monitor(display);
    return found ? found->mirrors : 0;
}

std::optional<QString> GnomeDisplayPlatform::uuid(quint32 display)
{
    const Monitor *found = monitor(display);
    if (!found)
        return std::nullopt;
    QUuid identity;
    if (found->edid) {
        identity = found->edid->identity(found->connector);
    } else {
        QString name = found->vendor + QLatin1Char(':') + found->product + QLatin1Char(':') + found->serial;
        if (found->serial.isEmpty() || found->serial == QLatin1String("unknown") || found->serial == hex(0, 8))
            name += QLatin1Char(':') + found->connector;
        identity = QUuid::createUuidV5(IdentityNamespace, name.toUtf8());
    }
    return identity.toString(QUuid::WithoutBraces).toUpper();
}

quint32 GnomeDisplayPlatform::vendorNumber(quint32 display)
{
    const Monitor *found = monitor(display);
    return found && found->edid ? found->edid->vendorId : 0;
}

quint32 GnomeDisplayPlatform::modelNumber(quint32 display)
{
    const Monitor *found = monitor(display);
    return found && found->edid ? found->edid->productCode : 0;
}

quint32 GnomeDisplayPlatform::serialNumber(quint32 display)
{
    const Monitor *found = monitor(display);
    return found && found->edid ? found->edid->serialNumber : 0;
}

QRectF GnomeDisplayPlatform::bounds(quint32 display)
{
    const Monitor *found = monitor(display);
    return found && found->active ? QRectF(found->bounds) : QRectF();
}

bool GnomeDisplayPlatform::isBuiltin(quint32 display)
{
    const Monitor *found = monitor(display);
    return found && found->builtin;
}

} // namespace Dartline
