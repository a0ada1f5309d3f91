#pragma once

#include "app/RunEnvironment.h"

#include <QStringList>
#include <QTextStream>

#include <optional>

namespace fetemark::cli {

enum ExitCode { Success = 0, Refused = 1, UsageError = 2 };

// Runs `fetemark ARGS` (without the program name), writing to standard output and
// error. The streams can be given, so the whole command runs inside a test.
int run(const QStringList& args);
int run(const QStringList& args, QTextStream& out, QTextStream& err);

// Whether `fetemark ARGS` may compose reminder texts (and needs a QGuiApplication to
// measure them); false for a run that only helps, or ends at a mistake in its arguments.
bool composesReminders(const QStringList& args);

// Whether the desktop offers a display to open a window on.
bool displayAvailable();

// The options to open the window with, when `fetemark ARGS` asks for it: no command,
// and --gui, or a display (`hasDisplay`) without --no-gui or --json. nullopt: run the
// command line (which also reports any mistake in the arguments).
std::optional<LaunchOptions> windowLaunch(const QStringList& args, bool hasDisplay);

} // namespace fetemark::cli
