// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKeyPlatform.h"
#include "platform/wayland/PortalRequests.h"

#include <QMap>
#include <QObject>

class QDBusObjectPath;

namespace Dartline {

// Global shortcuts through the desktop portal (GNOME 48 on): Dartline names
// each shortcut and proposes its keys, and the desktop binds them, maybe
// after asking its user, who may choose other keys. The portal answers
// later, so a registration succeeds at once; a refusal follows through
// onRefused(). Registrations made in one turn of the event loop are bound
// in one request.
class PortalHotKeyPlatform : public QObject, public HotKeyPlatform
{
    Q_OBJECT
public:
    explicit PortalHotKeyPlatform(const QDBusConnection &bus);
    ~PortalHotKeyPlatform() override;
    Q_DISABLE_COPY_MOVE(PortalHotKeyPlatform)

    // The session's portal offers global shortcuts.
    static bool isAvailable(const QDBusConnection &bus);
    // The portal's words for a shortcut's keys ("CTRL+ALT+q"); empty when
    // the key has no symbol.
    static QString trigger(const Shortcut &shortcut);

    bool installHandler(Handler handler) override;
    HotKeyStatus registerHotKey(const Shortcut &shortcut, const HotKeyId &id, Ref *ref) override;
    void unregisterHotKey(Ref ref) override;
    void removeHandler() override;

private Q_SLOTS:
    void activated(
        const QDBusObjectPath &session, const QString &shortcut, qulonglong timestamp, const QVariantMap &options);

private:
    void scheduleBind();
    void bind();
    void closeSession();

    PortalRequests m_requests;
    Handler m_handler;
    QString m_session; // empty until the portal created it
    QMap<Ref, std::pair<QString, HotKeyId>> m_bindings; // trigger and id, by registration
    Ref m_lastRef = 0;
    bool m_bindScheduled = false;
    bool m_bindAgain = false; // changed while a request was awaited
};

} // namespace Dartline
