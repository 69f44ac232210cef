// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/GnomeCustomKeybindings.h"

#include "core/Shortcut.h"
#include "platform/x11/XkbKeyNames.h"

#include <QProcess>
#include <QRegularExpression>

#include <xkbcommon/xkbcommon.h>

#include <optional>

namespace Dartline {

namespace {

// Through GNOME's own gsettings program, not GIO: linked in, GIO and what it
// brings would add a megabyte to every tray process, GNOME or not, for a
// button pressed once.
const QString MediaKeys = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
const QString CustomKeybinding = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys.custom-keybinding");
const QString ListKey = QStringLiteral("custom-keybindings");
const QString Base = QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/");
const QString OwnPrefix = Base + QStringLiteral("dartline-");
const QString JumpOption = QStringLiteral(" --jump-id ");

// gsettings' printed value, or none when it failed.
std::optional<QString> gsettings(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("gsettings"), arguments);
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString entrySchema(const QString &path)
{
    return CustomKeybinding + QLatin1Char(':') + path;
}

// A string in GVariant's text form, and back.
QString variantText(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

QString fromVariantText(const QString &text)
{
    if (text.size() < 2 || (text.front() != u'\'' && text.front() != u'"') || text.back() != text.front())
        return {};
    QString result;
    for (qsizetype i = 1; i + 1 < text.size(); ++i) {
        if (text.at(i) == u'\\' && i + 2 < text.size())
            ++i;
        result.append(text.at(i));
    }
    return result;
}

QStringList paths()
{
    // "['/a/', '/b/']", or "@as []" when empty; paths hold no quotes.
    QStringList result;
    const QString list = gsettings({ QStringLiteral("get"), MediaKeys, ListKey }).value_or(QString());
    static const QRegularExpression quoted(QStringLiteral("'([^']*)'"));
    for (auto match = quoted.globalMatch(list); match.hasNext();)
        result.append(match.next().captured(1));
    return result;
}

// The command line as GNOME's settings daemon splits it, shell-like.
QString quoted(const QString &program)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_/.+-]+$"));
    if (plain.match(program).hasMatch())
        return program;
    QString result = program;
    return QLatin1Char('\'') + result.replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
}

} // namespace

QList<GnomeCustomKeybindings::Entry> GnomeCustomKeybindings::read()
{
    QList<Entry> result;
    for (const QString &path : paths()) {
        if (!path.startsWith(OwnPrefix))
            continue;
        const QString command = fromVariantText(
            gsettings({ QStringLiteral("get"), entrySchema(path), QStringLiteral("command") }).value_or(QString()));
        const QString binding = fromVariantText(
            gsettings({ QStringLiteral("get"), entrySchema(path), QStringLiteral("binding") }).value_or(QString()));
        const qsizetype option = command.lastIndexOf(JumpOption);
        result.append(Entry { option < 0 ? QString() : command.mid(option + JumpOption.size()), binding });
    }
    return result;
}

bool GnomeCustomKeybindings::write(const QList<Entry> &entries, const QString &program, QString *error)
{
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (gsettings({ QStringLiteral("writable"), MediaKeys, ListKey }) != QStringLiteral("true"))
        return fail(
            QStringLiteral("GNOME's custom keybindings (%1) are not installed or cannot be changed").arg(MediaKeys));
    QStringList list;
    QStringList stale;
    for (const QString &path : paths())
        (path.startsWith(OwnPrefix) ? stale : list).append(path);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString path = OwnPrefix + QString::number(i + 1) + QLatin1Char('/');
        const std::pair<QString, QString> values[] = {
            { QStringLiteral("name"), QStringLiteral("Dartline: jump to display %1").arg(i + 1) },
            { QStringLiteral("command"), quoted(program) + JumpOption + entries[i].id },
            { QStringLiteral("binding"), entries[i].binding },
        };
        for (const auto &[key, value] : values) {
            if (!gsettings({ QStringLiteral("set"), entrySchema(path), key, variantText(value) }))
                return fail(QStringLiteral("GNOME's keybinding %1 cannot be changed").arg(path));
        }
        stale.removeAll(path);
        list.append(path);
    }
    for (const QString &path : std::as_const(stale)) {
        for (const char *key : { "name", "command", "binding" })
            gsettings({ QStringLiteral("reset"), entrySchema(path), QLatin1String(key) });
    }
    QStringList items;
    for (const QString &path : std::as_const(list))
        items.append(variantText(path));
    const QString value = items.isEmpty() ? QStringLiteral("@as []") : u'[' + items.join(QStringLiteral(", ")) + u']';
    if (!gsettings({ QStringLiteral("set"), MediaKeys, ListKey, value }))
        return fail(QStringLiteral("GNOME's custom keybindings cannot be changed"));
    return true;
}

QString GnomeCustomKeybindings::keySymbol(quint32 keyCode)
{
    const QByteArrayView keyName = XkbKeyNames::nameForVirtualKey(keyCode);
    if (keyName.isEmpty())
        return {};
    // GNOME reads a binding's symbol in the default layout, as any keymap's first group.
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap *keymap = context ? xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
    const xkb_keycode_t keycode
        = keymap ? xkb_keymap_key_by_name(keymap, keyName.toByteArray().constData()) : XKB_KEYCODE_INVALID;
    const xkb_keysym_t *symbols = nullptr;
    char symbolName[64] = {};
    if (keycode != XKB_KEYCODE_INVALID && xkb_keymap_key_get_syms_by_level(keymap, keycode, 0, 0, &symbols) > 0)
        xkb_keysym_get_name(symbols[0], symbolName, sizeof symbolName);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return QString::fromLatin1(symbolName);
}

QString GnomeCustomKeybindings::accelerator(const Shortcut &shortcut)
{
    const QString symbol = keySymbol(shortcut.keyCode());
    if (symbol.isEmpty())
        return {};
    QString result;
    for (const auto &[bit, name] :
        { std::pair { Shortcut::Shift, "<Shift>" }, std::pair { Shortcut::Control, "<Control>" },
            std::pair { Shortcut::Alt, "<Alt>" }, std::pair { Shortcut::Super, "<Super>" } }) {
        if (shortcut.modifiers() & bit)
            result += QLatin1String(name);
    }
    return result + symbol;
}

bool GnomeDesktopKeybindings::write(
    const QList<std::pair<QString, Shortcut>> &bindings, const QString &program, QString *error)
{
    QList<GnomeCustomKeybindings::Entry> entries;
    for (const auto &[id, shortcut] : bindings) {
        // A key the default layout has no symbol for cannot be named to GNOME.
        if (const QString binding = GnomeCustomKeybindings::accelerator(shortcut); !binding.isEmpty())
            entries.append({ id, binding });
    }
    return GnomeCustomKeybindings::write(entries, program, error);
}

} // namespace Dartline
