// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace Dartline::CommandLine {

void configure(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QCoreApplication::translate("Dartline::main",
        "Every display, one key away: one global shortcut per display moves the pointer to its centre."));
    // Single-dash words are Qt's own options (-platform, -display, -reverse);
    // they must never read as bundles of one-letter options such as -v.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(Settings,
        QCoreApplication::translate(
            "Dartline::main", "Open the settings window; when Dartline is already running, open the running one's.")));
    parser.addOption(QCommandLineOption(Jump,
        QCoreApplication::translate("Dartline::main",
            "Ask the running Dartline to move the pointer to display <number>, as numbered in its menu and tiles."),
        QCoreApplication::translate("Dartline::main", "number")));
    parser.addOption(QCommandLineOption(JumpId,
        QCoreApplication::translate(
            "Dartline::main", "Ask the running Dartline to move the pointer to the display with this identifier."),
        QCoreApplication::translate("Dartline::main", "id")));
    parser.addOption(QCommandLineOption(Verbose,
        QCoreApplication::translate("Dartline::main",
            "Report every jump and the start-up on standard error (by default only warnings and errors).")));
}

std::optional<JumpTarget> jumpTarget(const QCommandLineParser &parser, QString *error)
{
    const bool byNumber = parser.isSet(Jump);
    const bool byId = parser.isSet(JumpId);
    if (!byNumber && !byId)
        return std::nullopt;
    if (byNumber && byId) {
        *error = QCoreApplication::translate("Dartline::main", "--jump and --jump-id cannot be used together");
        return std::nullopt;
    }
    if (byId) {
        const QString id = parser.value(JumpId).trimmed();
        if (id.isEmpty()) {
            *error = QCoreApplication::translate("Dartline::main", "--jump-id needs a display identifier");
            return std::nullopt;
        }
        return JumpTarget { 0, id };
    }
    bool ok = false;
    const int number = parser.value(Jump).trimmed().toInt(&ok);
    if (!ok || number < 1) {
        *error = QCoreApplication::translate("Dartline::main", "--jump needs a display number from 1 on, not '%1'")
                     .arg(parser.value(Jump));
        return std::nullopt;
    }
    return JumpTarget { number, QString() };
}

} // namespace Dartline::CommandLine
