// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DisplayPlatform.h"
#include "platform/Edid.h"

#include <QHash>

namespace Dartline {

class WaylandConnection;

// Displays as the compositor's outputs. A display number is the output's
// registry name. The identity is the one X11 gives the same monitor when its
// EDID is known (KWin passes it on; under wlroots it is read from the kernel
// when it agrees with what the compositor says of it); otherwise a name-based
// UUID of make, model and serial (and the connector, when the monitor has no
// serial).
class WaylandDisplayPlatform : public DisplayPlatform
{
    Q_OBJECT
public:
    // `edidRoot` is where the kernel's DRM connectors are listed.
    explicit WaylandDisplayPlatform(WaylandConnection &connection,
        const QString &edidRoot = QStringLiteral("/sys/class/drm"), QObject *parent = nullptr);

    QList<ScreenInfo> screens() override;
    bool isActive(quint32 display) override;
    bool isInMirrorSet(quint32 display) override;
    quint32 mirrorsDisplay(quint32 display) override;
    std::optional<QString> uuid(quint32 display) override;
    quint32 vendorNumber(quint32 display) override;
    quint32 modelNumber(quint32 display) override;
    quint32 serialNumber(quint32 display) override;
    QRectF bounds(quint32 display) override;
    bool isBuiltin(quint32 display) override;

private:
    // The kernel's EDID of a connector, kept while the output stays.
    const std::optional<Edid> &edid(quint32 display);

    WaylandConnection &m_connection;
    QString m_edidRoot;
    QHash<quint32, std::optional<Edid>> m_edids;
};

} // namespace Dartline
