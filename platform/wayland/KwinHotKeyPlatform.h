// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKeyPlatform.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QString>

struct xkb_context;
struct xkb_keymap;

namespace Dartline {

// System-wide hot keys through KGlobalAccel, which KWin serves on the session
// bus: each registration is an action "jump-<ref>" of the component
// "dartline" holding one key, and KWin signals its presses on the component's
// object. A key another component (KWin's own included) holds is refused.
class KwinHotKeyPlatform : public QObject, public HotKeyPlatform
{
    Q_OBJECT
public:
    explicit KwinHotKeyPlatform(const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~KwinHotKeyPlatform() override;
    Q_DISABLE_COPY_MOVE(KwinHotKeyPlatform)

    bool installHandler(Handler handler) override;
    HotKeyStatus registerHotKey(const Shortcut &shortcut, const HotKeyId &id, Ref *ref) override;
    void unregisterHotKey(Ref ref) override;
    void removeHandler() override;

    // Qt's key code of a shortcut (Qt::ALT | Qt::Key_1), as KGlobalAccel
    // stores it: the symbol the default keymap puts on the key position, with
    // the modifiers; 0 when the key has no symbol Qt names.
    int qtKey(const Shortcut &shortcut) const;

private Q_SLOTS:
    void pressed(const QString &component, const QString &action, qlonglong timestamp);

private:
    struct Registration
    {
        Ref ref = 0;
        HotKeyId id;
    };

    QDBusMessage call(const QString &method, const QVariantList &arguments);
    void unregisterAction(const QString &action);

    QDBusConnection m_bus;
    xkb_context *m_context = nullptr;
    xkb_keymap *m_keymap = nullptr;
    Handler m_handler;
    QList<Registration> m_registrations;
};

} // namespace Dartline
