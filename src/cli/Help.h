#pragma once

#include "cli/Command.h"

#include <QTextStream>

#include <memory>
#include <vector>

namespace fetemark::cli {

using Commands = std::vector<std::unique_ptr<Command>>;

// What `fetemark --help`, `fetemark help [COMMAND]`, `fetemark COMMAND --help` and
// `fetemark --version` print, as text for people or, with --json, as one JSON object.
// Everything said of a command comes from its Command object.
namespace Help {

QString version(); // "0.1.0", the project's version
void printVersion(QTextStream& out, bool json);
// The synopsis, every command with its forms and summary, the global options.
void printOverview(QTextStream& out, bool json, const Commands& commands);
// One command: its forms, its summary and each option explained.
void printCommand(QTextStream& out, bool json, const Command& command);
// A command used wrongly: what was wrong (when known), its forms, where to read more.
void writeUsageError(QTextStream& err, bool json, const Command& command, const QString& reason);

} // namespace Help
} // namespace fetemark::cli
