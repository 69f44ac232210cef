// SPDX-License-Identifier: GPL-3.0-or-later
// The smallest Qt Widgets tray program worth comparing Dartline with: an
// icon, a tooltip and a three-item menu, nothing else. bench_startup starts
// it beside dartline; like dartline it reports "launched" on stderr once its
// first turn of the event loop has put the icon on the server.

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QPixmap glyph(18, 18);
    glyph.fill(Qt::transparent);
    {
        QPainter p(&glyph);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 2));
        p.drawRoundedRect(QRectF(2, 3, 14, 10), 2, 2);
    }
    QMenu menu;
    menu.addAction(QStringLiteral("One"));
    menu.addSeparator();
    QObject::connect(menu.addAction(QStringLiteral("Quit")), &QAction::triggered, &app, &QApplication::quit);

    QSystemTrayIcon tray { QIcon(glyph) };
    tray.setToolTip(QStringLiteral("minimal tray"));
    tray.setContextMenu(&menu);
    tray.show();

    QTimer::singleShot(0, [] {
        QGuiApplication::sync();
        std::fputs("minimal-tray: launched\n", stderr);
    });
    return QApplication::exec();
}
