// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/ui/UiFixture.h"

namespace Dartline {

using namespace Qt::StringLiterals;

UiFixture::UiFixture()
    : store(std::make_unique<QSettings>(dir.filePath(u"store.ini"_s), QSettings::IniFormat))
{
    platform.keyboard().useUsLayout();
}

QList<FakeScreen> UiFixture::screens(int count)
{
    const QList<std::pair<QString, QRectF>> first { { u"Built-in Display"_s, QRectF(0, 0, 1512, 982) },
        { u"DELL U2723QE"_s, QRectF(1512, -229, 2560, 1440) }, { u"LG HDR 4K"_s, QRectF(-1920, -300, 1920, 1080) } };
    QList<FakeScreen> all;
    for (int i = 0; i < count; ++i)
        all.append({ .number = quint32(i + 1),
            .name = i < 3 ? first.at(i).first : u"Display %1"_s.arg(i + 1),
            .bounds = i < 3 ? first.at(i).second : QRectF(4072 + (i - 3) * 1920, 0, 1920, 1080),
            .uuid = u"00000000-0000-0000-0000-%1"_s.arg(i + 1, 12, 10, QLatin1Char('0')),
            .builtIn = i == 0 });
    return all;
}

void UiFixture::storeDisconnected(const QString &id, const Shortcut &shortcut)
{
    store->setValue(SettingsStore::PreferencesKey, Preferences { { { id, shortcut } }, { id } }.toJson());
}

} // namespace Dartline
