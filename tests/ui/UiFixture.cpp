// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/ui/UiFixture.h"

#include "displays/CursorAnimator.h"

#include <QApplication>
#include <QPalette>

namespace Dartline {

using namespace Qt::StringLiterals;

UiFixture::UiFixture()
    : store(std::make_unique<QSettings>(dir.filePath(u"store.ini"_s), QSettings::IniFormat))
{
    platform.keyboard().useUsLayout();
}

FakeScreen UiFixture::screen(quint32 number, const QString &name, const QRectF &bounds, bool builtIn)
{
    FakeScreen s;
    s.number = number;
    s.name = name;
    s.bounds = bounds;
    s.builtIn = builtIn;
    s.uuid = u"00000000-0000-0000-0000-%1"_s.arg(number, 12, 10, QLatin1Char('0'));
    return s;
}

QList<FakeScreen> UiFixture::threeScreens()
{
    return { screen(1, u"Built-in Display"_s, QRectF(0, 0, 1512, 982), true),
        screen(2, u"DELL U2723QE"_s, QRectF(1512, -229, 2560, 1440)),
        screen(3, u"LG HDR 4K"_s, QRectF(-1920, -300, 1920, 1080)) };
}

void UiFixture::storeDisconnected(const QString &id, const Shortcut &shortcut)
{
    Preferences prefs;
    prefs.knownDisplays.insert(id);
    prefs.bindings.insert(id, shortcut);
    store->setValue(SettingsStore::PreferencesKey, prefs.toJson());
}

AppModel &UiFixture::start()
{
    model = std::make_unique<AppModel>(platform, *store);
    return *model;
}

void UiFixture::setDarkPalette(bool dark)
{
    QPalette palette;
    if (dark) {
        palette.setColor(QPalette::Window, QColor(0x2B2E36));
        palette.setColor(QPalette::WindowText, QColor(0xE8E8E8));
        palette.setColor(QPalette::Base, QColor(0x1E2027));
        palette.setColor(QPalette::Text, QColor(0xE8E8E8));
        palette.setColor(QPalette::Button, QColor(0x33363F));
        palette.setColor(QPalette::ButtonText, QColor(0xE8E8E8));
    } else {
        palette.setColor(QPalette::Window, QColor(0xEFEFEF));
        palette.setColor(QPalette::WindowText, QColor(0x1A1A1A));
        palette.setColor(QPalette::Base, QColor(0xFFFFFF));
        palette.setColor(QPalette::Text, QColor(0x1A1A1A));
        palette.setColor(QPalette::Button, QColor(0xEFEFEF));
        palette.setColor(QPalette::ButtonText, QColor(0x1A1A1A));
    }
    QApplication::setPalette(palette);
}

void UiFixture::isolateTheme()
{
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace Dartline
