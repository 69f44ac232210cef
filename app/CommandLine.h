// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

class QCommandLineParser;

namespace Dartline {

// Dartline's options, read the same way by a starting copy and by the
// running copy that a later one hands its arguments to.
namespace CommandLine {

inline const QString Settings = QStringLiteral("settings");
inline const QString Verbose = QStringLiteral("verbose");
inline const QString Jump = QStringLiteral("jump");
inline const QString JumpId = QStringLiteral("jump-id");

// Adds the options; their descriptions are translated when this runs.
void configure(QCommandLineParser &parser);

// A jump asked for on the command line: by the number Dartline shows
// (counted from 1) or by a display's identifier.
struct JumpTarget
{
    int number = 0; // 0: by identifier
    QString id;
};

// None when no jump is asked for. A malformed one gives none and *error.
std::optional<JumpTarget> jumpTarget(const QCommandLineParser &parser, QString *error);

} // namespace CommandLine

} // namespace Dartline
