// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusContext>
#include <QObject>
#include <QVariantMap>

namespace Dartline {

class TrayApplication;

// org.dartline.Dartline on the session bus, for scripts and for desktops
// whose own shortcuts can run a D-Bus call:
//
//   Jump(s id)          moves the pointer to that display, or fails with
//                       org.dartline.Dartline.Error.NoSuchDisplay or .JumpFailed
//   Identify()          shows the numbered tiles
//   ShowSettings()      opens the settings window
//   Displays() -> aa{sv} number (u), id, name (s), x, y, width, height (i),
//                       shortcut (s, empty when unset), in the menu's order
class DBusService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.dartline.Dartline")
public:
    static inline const QString ServiceName = QStringLiteral("org.dartline.Dartline");
    static inline const QString ObjectPath = QStringLiteral("/org/dartline/Dartline");

    explicit DBusService(TrayApplication &application);

    // Takes the name on the session bus; false, with a warning logged, when
    // there is no bus or another process holds the name.
    bool publish();

public Q_SLOTS:
    Q_SCRIPTABLE void Jump(const QString &id);
    Q_SCRIPTABLE void Identify();
    Q_SCRIPTABLE void ShowSettings();
    Q_SCRIPTABLE QList<QVariantMap> Displays();

private:
    TrayApplication &m_application;
};

} // namespace Dartline
