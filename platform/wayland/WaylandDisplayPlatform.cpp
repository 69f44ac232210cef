// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/WaylandDisplayPlatform.h"

#include "platform/wayland/WaylandConnection.h"

#include <QDir>
#include <QFile>

namespace Dartline {

namespace {

// Name-based identities of monitors known only by what the compositor says.
const QUuid IdentityNamespace(QUuid::fromString(u"6f1c2a7e-53d4-4b0e-9a61-2f8e0d47b319"));

QString hex(quint32 value, int digits)
{
    return QLatin1String("0x") + QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// wlroots fills make, model and serial from the same EDID: the model is the
// name descriptor or the product code, the serial the serial descriptor or
// number. A block that tells otherwise belongs to another monitor.
bool agrees(const Edid &edid, const WaylandConnection::Head &head)
{
    const bool model = head.model == edid.monitorName || head.model == hex(edid.productCode, 4);
    const bool serial
        = head.serial.isEmpty() || head.serial == edid.serialString || head.serial == hex(edid.serialNumber, 8);
    return model && serial;
}

} // namespace

WaylandDisplayPlatform::WaylandDisplayPlatform(WaylandConnection &connection, const QString &edidRoot, QObject *parent)
    : DisplayPlatform(parent)
    , m_connection(connection)
    , m_edidRoot(edidRoot)
{
    connect(&m_connection, &WaylandConnection::outputsChanged, this, [this] {
        m_edids.clear();
        Q_EMIT configurationChanged();
    });
}

QList<ScreenInfo> WaylandDisplayPlatform::screens()
{
    QList<ScreenInfo> result;
    for (const auto &output : m_connection.outputs()) {
        const std::optional<Edid> &block = edid(output->globalName);
        result.append(ScreenInfo {
            output->globalName, block && !block->monitorName.isEmpty() ? block->monitorName : output->name });
    }
    return result;
}

const std::optional<Edid> &WaylandDisplayPlatform::edid(quint32 display)
{
    auto it = m_edids.find(display);
    if (it != m_edids.end())
        return *it;
    std::optional<Edid> result;
    const WaylandConnection::Output *output = m_connection.output(display);
    const WaylandConnection::Head *head = output ? m_connection.head(output->name) : nullptr;
    if (head && !head->edid.isEmpty()) {
        // KWin hands over the block it read for this very output.
        result = Edid::parse(head->edid);
    } else if (head && !output->name.isEmpty()) {
        const QStringList cards
            = QDir(m_edidRoot).entryList({ QStringLiteral("card*-") + output->name }, QDir::Dirs | QDir::System);
        for (const QString &card : cards) {
            QFile file(m_edidRoot + QLatin1Char('/') + card + QStringLiteral("/edid"));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            std::optional<Edid> parsed = Edid::parse(file.read(128));
            if (parsed && agrees(*parsed, *head)) {
                result = parsed;
                break;
            }
        }
    }
    return *m_edids.insert(display, result);
}

bool WaylandDisplayPlatform::isActive(quint32 display)
{
    // A disabled output loses its wl_output global. (sway 1.7 reports every
    // head as disabled through output management, so that is no guide.)
    const WaylandConnection::Output *output = m_connection.output(display);
    return output && !output->logical.isEmpty();
}

// Outputs that show the same part of the layout are mirrors; the one the
// compositor announced first stands for them.
bool WaylandDisplayPlatform::isInMirrorSet(quint32 display)
{
    const WaylandConnection::Output *output = m_connection.output(display);
    if (!output || !isActive(display))
        return false;
    for (const auto &other : m_connection.outputs()) {
        if (other.get() != output && other->logical == output->logical && isActive(other->globalName))
            return true;
    }
    return false;
}

quint32 WaylandDisplayPlatform::mirrorsDisplay(quint32 display)
{
    const WaylandConnection::Output *output = m_connection.output(display);
    if (!output || !isActive(display))
        return 0;
    for (const auto &other : m_connection.outputs()) {
        if (other->logical == output->logical && isActive(other->globalName))
            return other.get() == output ? 0 : other->globalName;
    }
    return 0;
}

std::optional<QString> WaylandDisplayPlatform::uuid(quint32 display)
{
    const WaylandConnection::Output *output = m_connection.output(display);
    if (!output)
        return std::nullopt;
    QUuid identity;
    if (const std::optional<Edid> &block = edid(display)) {
        identity = block->identity(output->name);
    } else {
        const WaylandConnection::Head *head = m_connection.head(output->name);
        const QString make = head ? head->make : output->make;
        const QString model = head ? head->model : output->model;
        const QString serial = head ? head->serial : QString();
        QString name = make + QLatin1Char(':') + model + QLatin1Char(':') + serial;
        if (serial.isEmpty())
            name += QLatin1Char(':') + output->name;
        identity = QUuid::createUuidV5(IdentityNamespace, name.toUtf8());
    }
    return identity.toString(QUuid::WithoutBraces).toUpper();
}

quint32 WaylandDisplayPlatform::vendorNumber(quint32 display)
{
    const std::optional<Edid> &block = edid(display);
    return block ? block->vendorId : 0;
}

quint32 WaylandDisplayPlatform::modelNumber(quint32 display)
{
    const std::optional<Edid> &block = edid(display);
    return block ? block->productCode : 0;
}

quint32 WaylandDisplayPlatform::serialNumber(quint32 display)
{
    const std::optional<Edid> &block = edid(display);
    return block ? block->serialNumber : 0;
}

QRectF WaylandDisplayPlatform::bounds(quint32 display)
{
    const WaylandConnection::Output *output = m_connection.output(display);
    return output ? QRectF(output->logical) : QRectF();
}

bool WaylandDisplayPlatform::isBuiltin(quint32 display)
{
    const WaylandConnection::Output *output = m_connection.output(display);
    if (!output)
        return false;
    for (const char *prefix : { "eDP", "LVDS", "DSI" }) {
        if (output->name.startsWith(QLatin1String(prefix), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace Dartline
