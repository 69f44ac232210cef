// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DisplayPlatform.h"
#include "platform/Edid.h"

#include <QDBusConnection>
#include <QHash>
#include <QRect>

namespace Dartline {

// Displays as mutter's DisplayConfig service on the session bus describes
// them: its monitors (connector, vendor, product, serial) and the logical
// monitors that place them in the layout, which is XWayland's root. A display
// number stays with its connector for the life of the process. The identity
// is the one X11 gives the same monitor when the EDID's fields can be had
// (from what mutter says, or from the kernel's copy when that agrees with it);
// otherwise a name-based UUID of vendor, product and serial (and the
// connector, when the monitor has no serial).
class GnomeDisplayPlatform : public DisplayPlatform
{
    Q_OBJECT
public:
    static const QString Service; // org.gnome.Mutter.DisplayConfig

    struct Monitor
    {
        quint32 number = 0;
        QString connector; // "DP-1", "Meta-0"
        QString vendor; // the PNP id ("DEL"), or mutter's stand-in
        QString product; // the name descriptor, or the product code as 0x%04x
        QString serial; // the serial descriptor, or the serial number as 0x%08x
        QString displayName;
        bool builtin = false;
        bool active = false; // part of a logical monitor
        quint32 mirrors = 0; // the number of the monitor this one copies, or 0
        QRect bounds; // layout coordinates
        // Positions in the monitor's screen-cast stream per layout pixel: the
        // scale when mutter lays monitors out in logical pixels, else 1.
        double streamScale = 1;
        std::optional<Edid> edid; // the identity fields, when they can be had
    };

    // `edidRoot` is where the kernel's DRM connectors are listed.
    explicit GnomeDisplayPlatform(const QDBusConnection &bus,
        const QString &edidRoot = QStringLiteral("/sys/class/drm"), QObject *parent = nullptr);

    // False when mutter did not answer.
    bool isValid() const { return m_valid; }
    const QList<Monitor> &monitors() const { return m_monitors; }
    const Monitor *monitor(quint32 display) const;

    // The EDID fields mutter's texts give away: the vendor's three letters,
    // and product code and serial number when mutter shows them as numbers.
    static std::optional<Edid> edidFromTexts(const QString &vendor, const QString &product, const QString &serial);

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

private Q_SLOTS:
    void monitorsChanged();

private:
    void refresh();
    std::optional<Edid> kernelEdid(const Monitor &monitor) const;

    QDBusConnection m_bus;
    QString m_edidRoot;
    QList<Monitor> m_monitors;
    QHash<QString, quint32> m_numbers; // by connector
    bool m_valid = false;
    bool m_changePending = false;
};

} // namespace Dartline
