// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/SettingsStore.h"

#include <QSettings>

namespace Dartline::SettingsStore {

std::unique_ptr<QSettings> standard()
{
    return std::make_unique<QSettings>(
        QSettings::IniFormat, QSettings::UserScope, QStringLiteral("org.dartline.Dartline"));
}

std::optional<bool> readFlag(const QSettings &store, const QString &key)
{
    const QVariant value = store.value(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
    }
    return std::nullopt;
}

bool write(QSettings &store, const QString &key, const QVariant &value)
{
    store.setValue(key, value);
    store.sync();
    return store.status() != QSettings::AccessError;
}

} // namespace Dartline::SettingsStore
