// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QRectF>
#include <QString>

#include <optional>

namespace Dartline {

// One screen the window system drives now, as the enumeration first sees it.
struct ScreenInfo
{
    std::optional<quint32> number; // the display number; none when it cannot be resolved
    QString name; // human-readable, not unique
};

// The questions the display enumeration asks of the window system. Display
// numbers are valid only while the configuration stays the same.
class DisplayPlatform : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~DisplayPlatform() override = default;
    Q_DISABLE_COPY_MOVE(DisplayPlatform)

    virtual QList<ScreenInfo> screens() = 0;
    // Whether screens() would list any; a platform that follows the window
    // system's changes answers without asking it again.
    virtual bool hasScreens() { return !screens().isEmpty(); }
    virtual bool isActive(quint32 display) = 0;
    virtual bool isInMirrorSet(quint32 display) = 0;
    // The display this one copies, or 0 (also for a mirror set's master).
    virtual quint32 mirrorsDisplay(quint32 display) = 0;
    // Upper-case 8-4-4-4-12 text, or none when the display has no stable identity.
    virtual std::optional<QString> uuid(quint32 display) = 0;
    virtual quint32 vendorNumber(quint32 display) = 0;
    virtual quint32 modelNumber(quint32 display) = 0;
    virtual quint32 serialNumber(quint32 display) = 0;
    // Global coordinates: origin at the top-left of the root, y down.
    virtual QRectF bounds(quint32 display) = 0;
    virtual bool isBuiltin(quint32 display) = 0;

Q_SIGNALS:
    // Emitted at most once per turn of the event loop, however many raw
    // notifications the window system sent.
    void configurationChanged();
};

} // namespace Dartline
