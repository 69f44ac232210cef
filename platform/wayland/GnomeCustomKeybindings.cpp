// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/GnomeCustomKeybindings.h"

#include "core/Shortcut.h"
#include "platform/x11/XkbKeyNames.h"

#include <QRegularExpression>

#include <xkbcommon/xkbcommon.h>

// GIO names a struct member `signals`, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <memory>

namespace Dartline {

namespace {

constexpr char MediaKeys[] = "org.gnome.settings-daemon.plugins.media-keys";
constexpr char CustomKeybinding[] = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
constexpr char ListKey[] = "custom-keybindings";
const QString Base = QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/");
const QString OwnPrefix = Base + QStringLiteral("dartline-");
const QString JumpOption = QStringLiteral(" --jump-id ");

struct Unref
{
    void operator()(GSettings *settings) const { g_object_unref(settings); }
    void operator()(GSettingsSchema *schema) const { g_settings_schema_unref(schema); }
    void operator()(gchar **strings) const { g_strfreev(strings); }
    void operator()(gchar *string) const { g_free(string); }
};
template<typename T> using Owned = std::unique_ptr<T, Unref>;

// Null when GNOME's settings daemon schemas are not installed (GIO would abort).
Owned<GSettings> settings(const char *schemaId, const QString &path = {})
{
    GSettingsSchemaSource *source = g_settings_schema_source_get_default();
    const Owned<GSettingsSchema> schema(source ? g_settings_schema_source_lookup(source, schemaId, TRUE) : nullptr);
    if (!schema)
        return nullptr;
    return Owned<GSettings>(
        g_settings_new_full(schema.get(), nullptr, path.isEmpty() ? nullptr : path.toUtf8().constData()));
}

QString text(GSettings *settings, const char *key)
{
    const Owned<gchar> value(g_settings_get_string(settings, key));
    return QString::fromUtf8(value.get());
}

QStringList paths(GSettings *mediaKeys)
{
    QStringList result;
    const Owned<gchar *> list(g_settings_get_strv(mediaKeys, ListKey));
    for (gchar **path = list.get(); *path; ++path)
        result.append(QString::fromUtf8(*path));
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
    const Owned<GSettings> mediaKeys = settings(MediaKeys);
    if (!mediaKeys)
        return result;
    for (const QString &path : paths(mediaKeys.get())) {
        const Owned<GSettings> entry = path.startsWith(OwnPrefix) ? settings(CustomKeybinding, path) : nullptr;
        if (!entry)
            continue;
        const QString command = text(entry.get(), "command");
        const qsizetype option = command.lastIndexOf(JumpOption);
        result.append(
            Entry { option < 0 ? QString() : command.mid(option + JumpOption.size()), text(entry.get(), "binding") });
    }
    return result;
}

bool GnomeCustomKeybindings::write(const QList<Entry> &entries, const QString &program, QString *error)
{
    const Owned<GSettings> mediaKeys = settings(MediaKeys);
    if (!mediaKeys || !settings(CustomKeybinding, OwnPrefix + QStringLiteral("0/"))) {
        if (error)
            *error = QStringLiteral("GNOME's keybinding settings (%1) are not installed").arg(QLatin1String(MediaKeys));
        return false;
    }
    if (!g_settings_is_writable(mediaKeys.get(), ListKey)) {
        if (error)
            *error = QStringLiteral("GNOME's custom keybindings cannot be changed");
        return false;
    }
    QStringList list;
    QStringList stale;
    for (const QString &path : paths(mediaKeys.get()))
        (path.startsWith(OwnPrefix) ? stale : list).append(path);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString path = OwnPrefix + QString::number(i + 1) + QLatin1Char('/');
        const Owned<GSettings> entry = settings(CustomKeybinding, path);
        const QByteArray name = QStringLiteral("Dartline: jump to display %1").arg(i + 1).toUtf8();
        const QByteArray command = (quoted(program) + JumpOption + entries[i].id).toUtf8();
        if (!g_settings_set_string(entry.get(), "name", name.constData())
            || !g_settings_set_string(entry.get(), "command", command.constData())
            || !g_settings_set_string(entry.get(), "binding", entries[i].binding.toUtf8().constData())) {
            if (error)
                *error = QStringLiteral("GNOME's keybinding %1 cannot be changed").arg(path);
            return false;
        }
        stale.removeAll(path);
        list.append(path);
    }
    for (const QString &path : std::as_const(stale)) {
        const Owned<GSettings> entry = settings(CustomKeybinding, path);
        for (const char *key : { "name", "command", "binding" })
            g_settings_reset(entry.get(), key);
    }
    QList<QByteArray> utf8;
    std::vector<const gchar *> strings;
    for (const QString &path : std::as_const(list))
        utf8.append(path.toUtf8());
    for (const QByteArray &path : std::as_const(utf8))
        strings.push_back(path.constData());
    strings.push_back(nullptr);
    const bool written = g_settings_set_strv(mediaKeys.get(), ListKey, strings.data());
    g_settings_sync();
    if (!written && error)
        *error = QStringLiteral("GNOME's custom keybindings cannot be changed");
    return written;
}

QString GnomeCustomKeybindings::accelerator(const Shortcut &shortcut)
{
    const QByteArrayView keyName = XkbKeyNames::nameForVirtualKey(shortcut.keyCode());
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
    if (!symbolName[0])
        return {};
    QString result;
    for (const auto &[bit, name] :
        { std::pair { Shortcut::Shift, "<Shift>" }, std::pair { Shortcut::Control, "<Control>" },
            std::pair { Shortcut::Alt, "<Alt>" }, std::pair { Shortcut::Super, "<Super>" } }) {
        if (shortcut.modifiers() & bit)
            result += QLatin1String(name);
    }
    return result + QLatin1String(symbolName);
}

} // namespace Dartline
