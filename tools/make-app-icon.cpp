// SPDX-License-Identifier: GPL-3.0-or-later
//
// Writes Dartline's application icon into a folder: dartline-<n>.png for each
// size given, and org.dartline.Dartline.svg. Run it through the "app-icon"
// target, which passes the sizes resources/CMakeLists.txt lists, after changing
// ui/AppIconArt.cpp; the files are committed, so a build needs no generator.

#include "ui/AppIconArt.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTextStream>

using namespace Dartline;

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QList<int> sizes;
    for (const QString &arg : args.mid(2))
        sizes.append(arg.toInt()); // 0 when not a number
    if (sizes.isEmpty() || sizes.contains(0)) {
        QTextStream(stderr) << "usage: make-app-icon <output folder> <size>...\n";
        return 2;
    }
    const QDir out(args.at(1));
    if (!QDir().mkpath(out.path())) {
        QTextStream(stderr) << "make-app-icon: cannot create " << out.path() << "\n";
        return 1;
    }
    for (int size : sizes) {
        const QString path = out.filePath(QStringLiteral("dartline-%1.png").arg(size));
        if (!AppIconArt::render(size).save(path, "PNG")) {
            QTextStream(stderr) << "make-app-icon: cannot write " << path << "\n";
            return 1;
        }
    }
    QFile svg(out.filePath(QStringLiteral("org.dartline.Dartline.svg")));
    if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QTextStream(stderr) << "make-app-icon: cannot write " << svg.fileName() << "\n";
        return 1;
    }
    svg.write(AppIconArt::svg().toUtf8());
    return 0;
}
