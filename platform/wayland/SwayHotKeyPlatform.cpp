// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/SwayHotKeyPlatform.h"

#include "core/Shortcut.h"
#include "platform/wayland/SwayIpc.h"
#include "platform/x11/XkbKeyNames.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QSocketNotifier>

#include <xkbcommon/xkbcommon.h>

#include <algorithm>

namespace Dartline {

namespace {

// A combination as a set of lower-case parts with one name per modifier, so
// "Alt+Shift+a" and "shift+Mod1+A" compare equal.
QSet<QString> normalized(const QString &combination)
{
    static const QHash<QString, QString> aliases = {
        { QStringLiteral("alt"), QStringLiteral("mod1") },
        { QStringLiteral("super"), QStringLiteral("mod4") },
        { QStringLiteral("logo"), QStringLiteral("mod4") },
        { QStringLiteral("control"), QStringLiteral("ctrl") },
    };
    QSet<QString> parts;
    for (const QString &part : combination.toLower().split(QLatin1Char('+'), Qt::SkipEmptyParts))
        parts.insert(aliases.value(part, part));
    return parts;
}

} // namespace

SwayHotKeyPlatform::SwayHotKeyPlatform(const QString &socketPath)
    : m_socketPath(socketPath)
    , m_context(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
    , m_tagPrefix(QStringLiteral("dartline:%1:").arg(QCoreApplication::applicationPid()))
{
    // sway's own keymap, without configuration, comes from the same
    // defaults (the XKB_DEFAULT_* variables, else the system's rules).
    if (m_context)
        m_keymap = xkb_keymap_new_from_names(m_context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
}

SwayHotKeyPlatform::~SwayHotKeyPlatform()
{
    removeHandler();
    xkb_keymap_unref(m_keymap);
    xkb_context_unref(m_context);
}

bool SwayHotKeyPlatform::installHandler(Handler handler)
{
    if (!m_events) {
        m_commands = std::make_unique<SwayIpc>(m_socketPath);
        m_events = std::make_unique<SwayIpc>(m_socketPath);
        const std::optional<QByteArray> reply
            = m_events->request(SwayIpc::Subscribe, QByteArrayLiteral("[\"binding\"]"));
        if (!m_commands->isConnected() || !reply
            || !QJsonDocument::fromJson(*reply)[QLatin1String("success")].toBool()) {
            m_commands.reset();
            m_events.reset();
            return false;
        }
        m_notifier = std::make_unique<QSocketNotifier>(m_events->socket(), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { readEvents(); });
        // Events that came with the subscription's reply are already buffered.
        QMetaObject::invokeMethod(
            m_notifier.get(), [this] { readEvents(); }, Qt::QueuedConnection);
    }
    m_handler = std::move(handler);
    return true;
}

void SwayHotKeyPlatform::removeHandler()
{
    while (!m_registrations.isEmpty())
        unregisterHotKey(m_registrations.constFirst().ref);
    m_handler = nullptr;
    // The handler itself may get here, from inside the notifier's signal.
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier.release()->deleteLater();
    }
    m_events.reset();
    m_commands.reset();
}

QString SwayHotKeyPlatform::combination(const Shortcut &shortcut) const
{
    const QByteArrayView name = XkbKeyNames::nameForVirtualKey(shortcut.keyCode());
    if (!m_keymap || name.isEmpty())
        return {};
    const xkb_keycode_t keycode = xkb_keymap_key_by_name(m_keymap, name.toByteArray().constData());
    const xkb_keysym_t *symbols = nullptr;
    if (keycode == XKB_KEYCODE_INVALID || xkb_keymap_key_get_syms_by_level(m_keymap, keycode, 0, 0, &symbols) < 1)
        return {};
    char symbol[64];
    if (xkb_keysym_get_name(symbols[0], symbol, sizeof(symbol)) <= 0)
        return {};
    QString result;
    const quint32 modifiers = shortcut.modifiers();
    for (const auto &[bit, text] : { std::pair { Shortcut::Super, "Mod4+" }, std::pair { Shortcut::Control, "Ctrl+" },
             std::pair { Shortcut::Alt, "Mod1+" }, std::pair { Shortcut::Shift, "Shift+" } }) {
        if (modifiers & bit)
            result += QLatin1String(text);
    }
    return result + QString::fromLatin1(symbol);
}

bool SwayHotKeyPlatform::run(const QString &command)
{
    if (!m_commands)
        return false;
    const std::optional<QByteArray> reply = m_commands->request(SwayIpc::RunCommands, command.toUtf8());
    if (!reply)
        return false;
    const QJsonArray results = QJsonDocument::fromJson(*reply).array();
    return !results.isEmpty() && std::all_of(results.cbegin(), results.cend(), [](const QJsonValue &result) {
        return result[QLatin1String("success")].toBool();
    });
}

// sway lets a runtime binding replace one from the configuration file without
// a word; the user's own binding must win, so it is looked for first. Only
// the main file is read ("include"d files are not part of the reply).
bool SwayHotKeyPlatform::configurationBinds(const QString &combination)
{
    const std::optional<QByteArray> reply = m_commands->request(SwayIpc::GetConfig, {});
    if (!reply)
        return false;
    const QString config = QJsonDocument::fromJson(*reply)[QLatin1String("config")].toString();
    const QSet<QString> wanted = normalized(combination);
    static const QRegularExpression space(QStringLiteral("\\s+"));
    QList<std::pair<QString, QString>> variables;
    for (const QString &line : config.split(QLatin1Char('\n'))) {
        QStringList words = line.trimmed().split(space, Qt::SkipEmptyParts);
        if (words.size() >= 3 && words[0] == QLatin1String("set") && words[1].startsWith(QLatin1Char('$'))) {
            variables.append({ words[1], words.mid(2).join(QLatin1Char(' ')) });
            // The longest name first, so $mod does not eat $mod2's prefix.
            std::sort(variables.begin(), variables.end(),
                [](const auto &a, const auto &b) { return a.first.size() > b.first.size(); });
            continue;
        }
        if (words.isEmpty() || words[0] != QLatin1String("bindsym"))
            continue;
        const auto key = std::find_if(words.cbegin() + 1, words.cend(),
            [](const QString &word) { return !word.startsWith(QLatin1String("--")); });
        if (key == words.cend())
            continue;
        QString bound = *key;
        for (const auto &[name, value] : std::as_const(variables))
            bound.replace(name, value);
        if (normalized(bound) == wanted)
            return true;
    }
    return false;
}

HotKeyStatus SwayHotKeyPlatform::registerHotKey(const Shortcut &shortcut, const HotKeyId &id, Ref *ref)
{
    if (!m_handler || !m_commands)
        return HotKeyStatus::NoHandler;
    const QString combo = combination(shortcut);
    if (combo.isEmpty())
        return HotKeyStatus::NoKeyCode;
    // A second runtime binding of the same keys would silently replace the first.
    const bool taken = std::any_of(m_registrations.cbegin(), m_registrations.cend(),
        [&](const Registration &registration) { return normalized(registration.combination) == normalized(combo); });
    if (taken || configurationBinds(combo))
        return HotKeyStatus::HotKeyExists;
    const Ref newRef = m_nextRef++;
    if (!run(QStringLiteral("bindsym --no-warn %1 nop %2%3").arg(combo, m_tagPrefix).arg(newRef)))
        return HotKeyStatus::HotKeyExists;
    m_registrations.append(Registration { newRef, id, combo });
    if (ref)
        *ref = newRef;
    return HotKeyStatus::NoError;
}

void SwayHotKeyPlatform::unregisterHotKey(Ref ref)
{
    const auto it = std::find_if(m_registrations.cbegin(), m_registrations.cend(),
        [ref](const Registration &registration) { return registration.ref == ref; });
    if (it == m_registrations.cend())
        return;
    run(QStringLiteral("unbindsym %1").arg(it->combination));
    m_registrations.erase(it);
}

void SwayHotKeyPlatform::readEvents()
{
    if (!m_events)
        return;
    const QList<SwayIpc::Message> messages = m_events->readAvailable();
    if (!m_events->isConnected()) {
        qWarning("sway closed its IPC connection; the shortcuts stop working");
        m_notifier->setEnabled(false);
        return;
    }
    for (const SwayIpc::Message &message : messages) {
        if (message.type != SwayIpc::BindingEvent)
            continue;
        const QJsonObject event = QJsonDocument::fromJson(message.payload).object();
        const QString command = event[QLatin1String("binding")][QLatin1String("command")].toString();
        const qsizetype tag = command.indexOf(m_tagPrefix);
        if (event[QLatin1String("change")].toString() != QLatin1String("run") || tag < 0)
            continue;
        bool ok = false;
        const Ref ref = command.mid(tag + m_tagPrefix.size()).toULongLong(&ok);
        const auto it = std::find_if(m_registrations.cbegin(), m_registrations.cend(),
            [ref](const Registration &registration) { return registration.ref == ref; });
        // The handler may change the registrations; it gets a copy of the id.
        if (ok && it != m_registrations.cend() && m_handler) {
            const HotKeyId id = it->id;
            m_handler(id);
        }
    }
}

} // namespace Dartline
