// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/KwinHotKeyPlatform.h"

#include "core/Shortcut.h"
#include "platform/x11/XkbKeyNames.h"

#include <QDBusConnectionInterface>
#include <QDBusMetaType>

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <utility>

namespace Dartline {

namespace {

const QString Service = QStringLiteral("org.kde.kglobalaccel");
const QString Component = QStringLiteral("dartline");
// KGlobalAccel's setShortcut flags: make the key live now, and take the one
// given rather than what the settings file remembers for the action.
constexpr uint SetPresent = 2;
constexpr uint NoAutoloading = 4;

QString actionName(HotKeyPlatform::Ref ref)
{
    return QStringLiteral("jump-%1").arg(ref);
}

QStringList actionId(HotKeyPlatform::Ref ref)
{
    return { Component, actionName(ref), QStringLiteral("Dartline"),
        QStringLiteral("Move the pointer to a monitor (%1)").arg(ref) };
}

// The keys a shortcut can use whose Qt code is not the symbol's Latin-1 letter.
constexpr std::array<std::pair<xkb_keysym_t, int>, 26> SpecialKeys { {
    { XKB_KEY_Escape, Qt::Key_Escape },
    { XKB_KEY_Tab, Qt::Key_Tab },
    { XKB_KEY_BackSpace, Qt::Key_Backspace },
    { XKB_KEY_Return, Qt::Key_Return },
    { XKB_KEY_Insert, Qt::Key_Insert },
    { XKB_KEY_Delete, Qt::Key_Delete },
    { XKB_KEY_Pause, Qt::Key_Pause },
    { XKB_KEY_Print, Qt::Key_Print },
    { XKB_KEY_Home, Qt::Key_Home },
    { XKB_KEY_End, Qt::Key_End },
    { XKB_KEY_Left, Qt::Key_Left },
    { XKB_KEY_Up, Qt::Key_Up },
    { XKB_KEY_Right, Qt::Key_Right },
    { XKB_KEY_Down, Qt::Key_Down },
    { XKB_KEY_Prior, Qt::Key_PageUp },
    { XKB_KEY_Next, Qt::Key_PageDown },
    { XKB_KEY_Menu, Qt::Key_Menu },
    { XKB_KEY_Help, Qt::Key_Help },
    { XKB_KEY_KP_Enter, Qt::KeypadModifier | Qt::Key_Enter },
    { XKB_KEY_KP_Add, Qt::KeypadModifier | Qt::Key_Plus },
    { XKB_KEY_KP_Subtract, Qt::KeypadModifier | Qt::Key_Minus },
    { XKB_KEY_KP_Multiply, Qt::KeypadModifier | Qt::Key_Asterisk },
    { XKB_KEY_KP_Divide, Qt::KeypadModifier | Qt::Key_Slash },
    { XKB_KEY_KP_Decimal, Qt::KeypadModifier | Qt::Key_Period },
    { XKB_KEY_KP_Separator, Qt::KeypadModifier | Qt::Key_Comma },
    { XKB_KEY_KP_Equal, Qt::KeypadModifier | Qt::Key_Equal },
} };

int qtKeyForSymbol(xkb_keysym_t symbol)
{
    // Qt codes printable Latin-1 keys by their upper-case character.
    if ((symbol >= 0x20 && symbol <= 0x7e) || (symbol >= 0xa0 && symbol <= 0xff))
        return QChar(static_cast<char16_t>(symbol)).toUpper().unicode();
    if (symbol >= XKB_KEY_F1 && symbol <= XKB_KEY_F35)
        return Qt::Key_F1 + static_cast<int>(symbol - XKB_KEY_F1);
    if (symbol >= XKB_KEY_KP_0 && symbol <= XKB_KEY_KP_9)
        return Qt::KeypadModifier | (Qt::Key_0 + static_cast<int>(symbol - XKB_KEY_KP_0));
    const auto it = std::find_if(
        SpecialKeys.cbegin(), SpecialKeys.cend(), [symbol](const auto &entry) { return entry.first == symbol; });
    return it == SpecialKeys.cend() ? 0 : it->second;
}

} // namespace

KwinHotKeyPlatform::KwinHotKeyPlatform(const QDBusConnection &bus)
    : m_bus(bus)
    , m_context(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
{
    qDBusRegisterMetaType<QList<int>>();
    qDBusRegisterMetaType<QList<QStringList>>();
    // KWin's keymap, without settings, comes from the same defaults.
    if (m_context)
        m_keymap = xkb_keymap_new_from_names(m_context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
}

KwinHotKeyPlatform::~KwinHotKeyPlatform()
{
    removeHandler();
    xkb_keymap_unref(m_keymap);
    xkb_context_unref(m_context);
}

QDBusMessage KwinHotKeyPlatform::call(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        Service, QStringLiteral("/kglobalaccel"), QStringLiteral("org.kde.KGlobalAccel"), method);
    message.setArguments(arguments);
    return m_bus.call(message);
}

void KwinHotKeyPlatform::unregisterAction(const QString &action)
{
    call(QStringLiteral("unregister"), { Component, action });
}

bool KwinHotKeyPlatform::installHandler(Handler handler)
{
    if (!m_bus.isConnected() || !m_bus.interface()->isServiceRegistered(Service))
        return false;
    if (!m_handler) {
        // A Dartline that crashed left its actions holding their keys.
        const QDBusMessage reply = call(QStringLiteral("allActionsForComponent"), { QStringList { Component } });
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            for (const QStringList &action : qdbus_cast<QList<QStringList>>(reply.arguments().constFirst())) {
                if (action.size() > 1)
                    unregisterAction(action[1]);
            }
        }
        m_bus.connect(Service, QLatin1String("/component/") + Component,
            QStringLiteral("org.kde.kglobalaccel.Component"), QStringLiteral("globalShortcutPressed"), this,
            SLOT(pressed(QString, QString, qlonglong)));
    }
    m_handler = std::move(handler);
    return true;
}

void KwinHotKeyPlatform::removeHandler()
{
    while (!m_registrations.isEmpty())
        unregisterHotKey(m_registrations.constFirst().ref);
    if (m_handler) {
        m_bus.disconnect(Service, QLatin1String("/component/") + Component,
            QStringLiteral("org.kde.kglobalaccel.Component"), QStringLiteral("globalShortcutPressed"), this,
            SLOT(pressed(QString, QString, qlonglong)));
    }
    m_handler = nullptr;
}

int KwinHotKeyPlatform::qtKey(const Shortcut &shortcut) const
{
    const QByteArrayView name = XkbKeyNames::nameForVirtualKey(shortcut.keyCode());
    if (!m_keymap || name.isEmpty())
        return 0;
    const xkb_keycode_t keycode = xkb_keymap_key_by_name(m_keymap, name.toByteArray().constData());
    const xkb_keysym_t *symbols = nullptr;
    if (keycode == XKB_KEYCODE_INVALID || xkb_keymap_key_get_syms_by_level(m_keymap, keycode, 0, 0, &symbols) < 1)
        return 0;
    const int key = qtKeyForSymbol(symbols[0]);
    if (key == 0)
        return 0;
    int modifiers = 0;
    for (const auto &[bit, modifier] :
        { std::pair { Shortcut::Super, Qt::META }, std::pair { Shortcut::Control, Qt::CTRL },
            std::pair { Shortcut::Alt, Qt::ALT }, std::pair { Shortcut::Shift, Qt::SHIFT } }) {
        if (shortcut.modifiers() & bit)
            modifiers |= modifier;
    }
    return key | modifiers;
}

HotKeyStatus KwinHotKeyPlatform::registerHotKey(const Shortcut &shortcut, const HotKeyId &id, Ref *ref)
{
    if (!m_handler)
        return HotKeyStatus::NoHandler;
    const int key = qtKey(shortcut);
    if (key == 0)
        return HotKeyStatus::NoKeyCode;
    // The lowest number no live registration has, so that the actions in
    // the user's shortcut settings stay as few as the monitors.
    Ref newRef = 1;
    while (std::any_of(m_registrations.cbegin(), m_registrations.cend(),
        [newRef](const Registration &registration) { return registration.ref == newRef; }))
        ++newRef;
    call(QStringLiteral("doRegister"), { actionId(newRef) });
    const QDBusMessage reply = call(QStringLiteral("setShortcut"),
        { actionId(newRef), QVariant::fromValue(QList<int> { key }), SetPresent | NoAutoloading });
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        unregisterAction(actionName(newRef));
        return HotKeyStatus::NoHandler;
    }
    // KGlobalAccel answers with the keys the action got: none when another holds it.
    if (qdbus_cast<QList<int>>(reply.arguments().constFirst()) != QList<int> { key }) {
        unregisterAction(actionName(newRef));
        return HotKeyStatus::HotKeyExists;
    }
    m_registrations.append(Registration { newRef, id });
    if (ref)
        *ref = newRef;
    return HotKeyStatus::NoError;
}

void KwinHotKeyPlatform::unregisterHotKey(Ref ref)
{
    const auto it = std::find_if(m_registrations.cbegin(), m_registrations.cend(),
        [ref](const Registration &registration) { return registration.ref == ref; });
    if (it == m_registrations.cend())
        return;
    unregisterAction(actionName(ref));
    m_registrations.erase(it);
}

void KwinHotKeyPlatform::pressed(const QString &component, const QString &action, qlonglong)
{
    const auto it = std::find_if(m_registrations.cbegin(), m_registrations.cend(),
        [&action](const Registration &registration) { return actionName(registration.ref) == action; });
    // The handler may change the registrations; it gets a copy of the id.
    if (component == Component && it != m_registrations.cend() && m_handler) {
        const HotKeyId id = it->id;
        m_handler(id);
    }
}

} // namespace Dartline
