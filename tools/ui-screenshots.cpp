// SPDX-License-Identifier: GPL-3.0-or-later
//
// Writes screenshots of the settings and About windows as PNG files, rendered
// offscreen over the fake platform: light and dark with three displays, one
// while a shortcut is recorded, one with a registration error. Run through
// scripts/screenshots-ui.sh.

#include "tests/ui/UiFixture.h"
#include "ui/AboutWindow.h"
#include "ui/SettingsView.h"
#include "ui/SettingsWindow.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QDir>
#include <QScrollArea>
#include <QTextStream>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

bool save(QWidget &window, const QDir &out, const QString &name)
{
    window.show();
    QCoreApplication::processEvents();
    const QString path = out.filePath(name);
    if (!window.grab().save(path, "PNG")) {
        QTextStream(stderr) << "ui-screenshots: cannot write " << path << "\n";
        return false;
    }
    QTextStream(stdout) << path << "\n";
    window.hide();
    return true;
}

enum class Scene { Plain, Recording, Error, Empty };
enum class Size { AsOpened, WholeList };

bool settings(const QDir &out, const QString &name, bool dark, Scene scene, Size size = Size::WholeList)
{
    UiFixture::setDarkPalette(dark);
    UiFixture fixture;
    if (scene != Scene::Empty)
        fixture.platform.displays().setScreens(UiFixture::threeScreens());
    fixture.storeDisconnected(u"fallback-7789-41234-0-5"_s, Shortcut(20, Shortcut::Alt | Shortcut::Control));
    if (scene == Scene::Error)
        fixture.platform.hotKeys().setStatus(Shortcut(19, Shortcut::Alt), HotKeyStatus::HotKeyExists);
    AppModel &model = fixture.start();
    if (scene == Scene::Recording)
        model.beginRecording(model.displays().at(1).id);

    SettingsWindow window(model, fixture.platform.keyboard(), *fixture.store, [] {});
    window.view()->rebuild();
    window.show();
    if (size == Size::AsOpened)
        return save(window, out, name);
    // Tall enough that the list shows every card and line without scrolling.
    QCoreApplication::processEvents();
    const QScrollArea *list = window.view()->scrollArea();
    const int missing = list->widget()->sizeHint().height() - list->viewport()->height();
    if (missing > 0)
        window.resize(window.width(), window.height() + missing);
    return save(window, out, name);
}

bool about(const QDir &out, const QString &name, bool dark)
{
    UiFixture::setDarkPalette(dark);
    AboutWindow window;
    return save(window, out, name);
}

} // namespace

int main(int argc, char **argv)
{
    UiFixture::isolateTheme(); // the palette alone picks light or dark here
    QApplication app(argc, argv);
    Translations::install(); // the session's language, as dartline itself
    const QStringList args = QCoreApplication::arguments();
    const QDir out(args.size() > 1 ? args.at(1) : u"screenshots"_s);
    if (!QDir().mkpath(out.path())) {
        QTextStream(stderr) << "ui-screenshots: cannot create " << out.path() << "\n";
        return 1;
    }
    bool ok = settings(out, u"settings-light.png"_s, false, Scene::Plain);
    ok = settings(out, u"settings-as-opened.png"_s, false, Scene::Plain, Size::AsOpened) && ok;
    ok = settings(out, u"settings-dark.png"_s, true, Scene::Plain) && ok;
    ok = settings(out, u"settings-recording.png"_s, false, Scene::Recording) && ok;
    ok = settings(out, u"settings-error.png"_s, false, Scene::Error) && ok;
    ok = settings(out, u"settings-recording-dark.png"_s, true, Scene::Recording) && ok;
    ok = settings(out, u"settings-empty.png"_s, false, Scene::Empty) && ok;
    ok = about(out, u"about-light.png"_s, false) && ok;
    ok = about(out, u"about-dark.png"_s, true) && ok;
    return ok ? 0 : 1;
}
