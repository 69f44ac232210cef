// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppLogging.h"
#include "app/CommandLine.h"
#include "app/TerminationWatcher.h"
#include "app/TrayApplication.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLoggingCategory>
#include <QTimer>

#include <cstdio>

using namespace Dartline;

namespace {

// Dartline's own info and debug lines (each jump reports where it landed) are
// for --verbose; warnings and errors always print. QT_LOGGING_RULES and
// QT_LOGGING_CONF take precedence over these rules, so they still turn any
// category on or off.
void applyLoggingRules(bool verbose)
{
    QLoggingCategory::setFilterRules(verbose
            ? QStringLiteral("org.dartline.Dartline.*=true")
            : QStringLiteral("org.dartline.Dartline.*.debug=false\norg.dartline.Dartline.*.info=false"));
}

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

void printNotAnswering(const TrayApplication &tray)
{
    print(stderr,
        QStringLiteral("dartline: ")
            + QCoreApplication::translate("Dartline::main", "Dartline is already running but does not answer (%1).\n")
                  .arg(tray.errorString()));
}

// A copy started to make the running one jump: it needs no window system
// of its own, only the running copy's answer.
int requestJump(const QStringList &arguments)
{
    QCommandLineParser parser;
    CommandLine::configure(parser);
    QString error;
    if (!parser.parse(arguments) || !CommandLine::jumpTarget(parser, &error)) {
        print(stderr,
            QStringLiteral("dartline: %1\n").arg(error.isEmpty() ? parser.errorText() : error)
                + QCoreApplication::translate("Dartline::main", "For usage, see %1\n")
                      .arg(QStringLiteral("dartline --help")));
        return 2;
    }
    TrayApplication::Options options;
    options.arguments = arguments;
    TrayApplication tray(options);
    InstanceMessage::Answer answer;
    switch (tray.handOverOnly(&answer)) {
    case TrayApplication::Launch::HandedOver:
        if (answer.accepted)
            return 0;
        print(stderr, QStringLiteral("dartline: %1\n").arg(answer.text));
        return 1;
    case TrayApplication::Launch::NotRunning:
        print(stderr,
            QStringLiteral("dartline: ")
                + QCoreApplication::translate(
                    "Dartline::main", "Dartline is not running on this display (%1); start it first.\n")
                      .arg(qEnvironmentVariable("DISPLAY")));
        return 1;
    default:
        printNotAnswering(tray);
        return 1;
    }
}

bool platformGiven(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "-platform") == 0 || qstrcmp(argv[i], "--platform") == 0)
            return true;
    }
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("Dartline"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("dartline.org"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DARTLINE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.dartline.Dartline"));

    // --help and --version answer without a display: look for them before
    // the GUI application (and its X connection) exists.
    {
        QCommandLineParser early;
        CommandLine::configure(early);
        QStringList raw;
        for (int i = 0; i < argc; ++i)
            raw << QString::fromLocal8Bit(argv[i]);
        early.parse(raw);
        if (early.isSet(QStringLiteral("help-all")) || early.isSet(QStringLiteral("help"))
            || early.isSet(QStringLiteral("version"))) {
            QCoreApplication core(argc, argv);
            Translations::install();
            QCommandLineParser parser;
            CommandLine::configure(parser);
            // --help-all prints the help with Qt's own options and exits with status 0.
            if (early.isSet(QStringLiteral("help-all")))
                parser.process(QStringList { raw.constFirst(), QStringLiteral("--help-all") });
            if (early.isSet(QStringLiteral("help")))
                print(stdout, parser.helpText());
            else
                print(stdout, QStringLiteral("dartline %1\n").arg(QCoreApplication::applicationVersion()));
            return 0;
        }
        if (early.isSet(CommandLine::Jump) || early.isSet(CommandLine::JumpId)) {
            QCoreApplication core(argc, argv);
            Translations::install();
            return requestJump(raw);
        }
    }

    if (!platformGiven(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            QCoreApplication core(argc, argv);
            Translations::install();
            print(stderr,
                QStringLiteral("dartline: ")
                    + QCoreApplication::translate("Dartline::main",
                        "no X display (DISPLAY is not set); start it from a desktop session (X11, or Wayland with "
                        "XWayland).\n"));
            return 1;
        }
        // Everything Dartline does (hot keys, warping, monitors) goes through
        // X11; in a Wayland session that means XWayland, not the Wayland plugin.
        qputenv("QT_QPA_PLATFORM", "xcb");
    }

    QApplication app(argc, argv);
    Translations::install();
    // Closing the windows leaves Dartline in the tray; only Quit ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    // No application-wide window icon: the settings and About windows carry
    // the icon themselves. Set here, every size of it would be decoded before
    // the hot keys exist and sent to the server as _NET_WM_ICON of each window
    // the process makes (the tray icon's, every menu), megabytes of images
    // nothing ever shows, kept in the heap for the life of the process.

    // Qt has taken its own options out of the arguments by now.
    QCommandLineParser parser;
    CommandLine::configure(parser);
    if (!parser.parse(QCoreApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
        const QString error = parser.errorText().isEmpty()
            ? QCoreApplication::translate("Dartline::main", "unexpected argument '%1'")
                  .arg(parser.positionalArguments().constFirst())
            : parser.errorText();
        print(stderr,
            QStringLiteral("dartline: %1\n").arg(error)
                + QCoreApplication::translate("Dartline::main", "For usage, see %1\n")
                      .arg(QStringLiteral("dartline --help")));
        return 2;
    }
    applyLoggingRules(parser.isSet(CommandLine::Verbose));

    int status = 0;
    {
        TrayApplication::Options options;
        options.arguments = QCoreApplication::arguments();
        TrayApplication tray(options);
        TerminationWatcher termination;
        QObject::connect(&termination, &TerminationWatcher::terminationRequested, &tray, &TrayApplication::quit);
        switch (tray.launch()) {
        case TrayApplication::Launch::HandedOver:
            return 0;
        case TrayApplication::Launch::HandOverFailed:
        case TrayApplication::Launch::NotRunning:
            printNotAnswering(tray);
            return 1;
        case TrayApplication::Launch::Running:
            if (lcStartup().isInfoEnabled()) {
                // Reported once the first turn of the loop has put the tray
                // icon and any window on the server, so a reader of this line
                // can look at the screen.
                QTimer::singleShot(0, [] {
                    QGuiApplication::sync();
                    qCInfo(lcStartup, "launched");
                });
            }
            status = QApplication::exec();
            break;
        }
        // The tray goes here, before the application object: the model
        // ungrabs its hot keys while the X connection still exists.
    }
    return status;
}
