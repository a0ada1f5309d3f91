#pragma once

#include <QStringList>
#include <QTextStream>

namespace fetemark::cli {

enum ExitCode { Success = 0, Refused = 1, UsageError = 2 };

// Runs `fetemark ARGS` (without the program name), writing to standard output and
// error. The streams can be given, so the whole command runs inside a test.
int run(const QStringList& args);
int run(const QStringList& args, QTextStream& out, QTextStream& err);

// Whether `fetemark ARGS` may compose reminder texts (and needs a QGuiApplication to
// measure them); false for a run that only helps, or ends at a mistake in its arguments.
bool composesReminders(const QStringList& args);

} // namespace fetemark::cli
