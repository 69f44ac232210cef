// SPDX-License-Identifier: GPL-3.0-or-later
// What the settings window costs the user in time, rendered offscreen over
// the fake platform with three displays:
//
//   bench_settingsview [runs]    medians of: making the window and its first
//                                frame; a full repaint; a model change until
//                                the view shows it; an appearance switch
//                                until everything is redrawn
//
// Run with QT_QPA_PLATFORM=offscreen (set here when unset).

#include "tests/ui/UiFixture.h"

#include "ui/SettingsView.h"
#include "ui/SettingsWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

using namespace Dartline;

using namespace Qt::StringLiterals;

namespace {

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    UiFixture::isolateTheme();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 30;

    UiFixture fixture;
    fixture.platform.displays().setScreens(UiFixture::threeScreens());
    AppModel &model = fixture.start();
    model.setAnimateCursor(false);

    const double open = medianMs(runs, [&] {
        SettingsWindow window(model, fixture.platform.keyboard(), *fixture.store, [] {});
        window.show();
        QCoreApplication::processEvents();
        (void)window.grab();
    });

    SettingsWindow window(model, fixture.platform.keyboard(), *fixture.store, [] {});
    window.show();
    QCoreApplication::processEvents();
    const double repaint = medianMs(runs, [&] { (void)window.grab(); });

    const QString first = model.displays().first().id;
    bool recording = false;
    const double change = medianMs(runs, [&] {
        if (recording)
            model.cancelRecording(true);
        else
            model.beginRecording(first);
        recording = !recording;
        while (window.view()->isRebuildPending())
            QCoreApplication::processEvents();
        (void)window.grab();
    });
    if (recording)
        model.cancelRecording(true);

    bool dark = false;
    const double appearance = medianMs(runs, [&] {
        dark = !dark;
        UiFixture::setDarkPalette(dark);
        (void)window.grab();
    });

    QTextStream out(stdout);
    out << "settings window, 3 displays, 680 x 650, median of " << runs << " runs (ms)\n";
    out << u"  open (create, lay out, first frame)   %1\n"_s.arg(open, 0, 'f', 2);
    out << u"  full repaint                          %1\n"_s.arg(repaint, 0, 'f', 2);
    out << u"  model change shown (recording on/off) %1\n"_s.arg(change, 0, 'f', 2);
    out << u"  light/dark switch redrawn             %1\n"_s.arg(appearance, 0, 'f', 2);
    return 0;
}
