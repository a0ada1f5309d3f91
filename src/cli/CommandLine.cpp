#include "CommandLine.h"

#include "cli/BadgeCommand.h"
#include "cli/ChoiceCommand.h"
#include "cli/CommandContext.h"
#include "cli/ContactsCommand.h"
#include "cli/CustomCommand.h"
#include "cli/Diagnostics.h"
#include "cli/ExportCommand.h"
#include "cli/Help.h"
#include "cli/HolidaysCommand.h"
#include "cli/ListCommand.h"
#include "cli/NotesCommand.h"
#include "cli/NotificationsCommand.h"
#include "cli/ProviderCommand.h"
#include "cli/SettingsCommand.h"
#include "cli/ShowCommand.h"
#include "cli/VisibleTextDevice.h"

#include <optional>

namespace fetemark::cli {
namespace {

Commands allCommands()
{
    Commands commands;
    commands.push_back(std::make_unique<ListCommand>());
    commands.push_back(std::make_unique<ShowCommand>());
    commands.push_back(std::make_unique<CustomCommand>());
    commands.push_back(std::make_unique<ChoiceCommand>());
    commands.push_back(std::make_unique<NotesCommand>());
    commands.push_back(std::make_unique<HolidaysCommand>());
    commands.push_back(std::make_unique<NotificationsCommand>());
    commands.push_back(std::make_unique<BadgeCommand>());
    commands.push_back(std::make_unique<ContactsCommand>());
    commands.push_back(std::make_unique<ExportCommand>());
    commands.push_back(std::make_unique<SettingsCommand>());
    commands.push_back(std::make_unique<ProviderCommand>());
    return commands;
}

Command* findCommand(const Commands& commands, const QString& name)
{
    for (const auto& candidate : commands) {
        if (candidate->name() == name)
            return candidate.get();
    }
    return nullptr;
}

int unknownCommand(QTextStream& err, bool json, const QString& name)
{
    writeDiagnostic(err, json, Diagnostic::Error,
        QStringLiteral("unknown command '%1' (see 'fetemark --help')").arg(name));
    return UsageError;
}

// `fetemark help [COMMAND]`.
int help(QTextStream& out, QTextStream& err, bool json, const Commands& commands,
    const QStringList& args)
{
    if (args.isEmpty()) {
        Help::printOverview(out, json, commands);
        return Success;
    }
    if (args.size() > 1) {
        writeDiagnostic(err, json, Diagnostic::Error,
            QStringLiteral("help takes one command (see 'fetemark --help')"));
        return UsageError;
    }
    const Command* command = findCommand(commands, args[0]);
    if (!command)
        return unknownCommand(err, json, args[0]);
    Help::printCommand(out, json, *command);
    return Success;
}

// Reads the options before the command into `options`, leaving `*next` at the command.
// Returns the status to end the run with when an option ends it (help, version, a
// mistake), else nullopt.
std::optional<int> readGlobalOptions(const QStringList& rest, GlobalOptions& options, int* next,
    QTextStream& out, QTextStream& err, const Commands& commands)
{
    int& i = *next;
    for (; i < rest.size() && (rest[i].startsWith(QLatin1String("--")) || rest[i] == u"-h"); ++i) {
        const QString option = rest[i];
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            Help::printOverview(out, options.json, commands);
            return Success;
        }
        if (option == QLatin1String("--version")) {
            Help::printVersion(out, options.json);
            return Success;
        }
        if (option == QLatin1String("--demo")) {
            options.demo = true;
            continue;
        }
        if (option == QLatin1String("--gui") || option == QLatin1String("--no-gui")) {
            options.window = option == QLatin1String("--gui");
            continue;
        }
        QString* target = nullptr;
        if (option == QLatin1String("--data-dir"))
            target = &options.dataDirectory;
        else if (option == QLatin1String("--now"))
            target = &options.now;
        else if (option == QLatin1String("--tz"))
            target = &options.timeZone;
        else if (option == QLatin1String("--locale"))
            target = &options.locale;
        if (!target) {
            writeDiagnostic(err, options.json, Diagnostic::Error,
                QStringLiteral("unknown option %1 (see 'fetemark --help')").arg(option));
            return UsageError;
        }
        if (i + 1 >= rest.size() || rest[i + 1].isEmpty()) {
            writeDiagnostic(err, options.json, Diagnostic::Error,
                QStringLiteral("%1 needs a value (see 'fetemark --help')").arg(option));
            return UsageError;
        }
        *target = rest[++i];
    }
    return std::nullopt;
}

// --json may stand anywhere; the other options only before the command.
QStringList withoutJson(const QStringList& arguments, GlobalOptions& options)
{
    QStringList rest;
    for (const QString& arg : arguments) {
        if (arg == QLatin1String("--json"))
            options.json = true;
        else
            rest << arg;
    }
    return rest;
}

// The options before the command read quietly, for a decision taken before the run
// (a mistake is the run's to report): the rest of the arguments, from the command on,
// or nullopt when the options alone end the run or are mistaken.
std::optional<QStringList> quietlyReadOptions(
    const QStringList& arguments, const Commands& commands, GlobalOptions& options)
{
    const QStringList rest = withoutJson(arguments, options);
    int i = 0;
    QString discarded;
    QTextStream sink(&discarded);
    if (readGlobalOptions(rest, options, &i, sink, sink, commands))
        return std::nullopt;
    return rest.mid(i);
}

} // namespace

bool composesReminders(const QStringList& arguments)
{
    const auto commands = allCommands();
    GlobalOptions options;
    const std::optional<QStringList> rest = quietlyReadOptions(arguments, commands, options);
    if (!rest)
        return false;
    const Command* command =
        findCommand(commands, rest->isEmpty() ? QStringLiteral("list") : rest->first());
    const QStringList commandArgs = rest->mid(1);
    return command && !commandArgs.contains(QLatin1String("--help")) &&
        command->composesReminders(commandArgs);
}

bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        !qEnvironmentVariableIsEmpty("DISPLAY");
}

std::optional<LaunchOptions> windowLaunch(const QStringList& arguments, bool hasDisplay)
{
    GlobalOptions options;
    const std::optional<QStringList> rest = quietlyReadOptions(arguments, allCommands(), options);
    if (!rest || !rest->isEmpty())
        return std::nullopt;
    if (!options.window.value_or(hasDisplay && !options.json))
        return std::nullopt;
    return options.launchOptions();
}

int run(const QStringList& args)
{
    // Names and notes come from cards and from other people: the terminal is to show the
    // control characters in them, not obey them.
    VisibleTextDevice standardOutput(stdout);
    VisibleTextDevice standardError(stderr);
    QTextStream out(&standardOutput);
    QTextStream err(&standardError);
    return run(args, out, err);
}

int run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    const auto commands = allCommands();
    GlobalOptions options;
    const QStringList rest = withoutJson(arguments, options);
    int i = 0;
    if (const auto ended = readGlobalOptions(rest, options, &i, out, err, commands)) {
        out.flush();
        err.flush();
        return *ended;
    }
    if (i < rest.size() && rest[i] == QLatin1String("help")) {
        const int status = help(out, err, options.json, commands, rest.mid(i + 1));
        err.flush();
        return status;
    }

    // Without a command Fetemark shows its list.
    const QString name = i < rest.size() ? rest[i] : QStringLiteral("list");
    Command* command = findCommand(commands, name);
    if (!command)
        return unknownCommand(err, options.json, name);
    const QStringList commandArgs = rest.mid(i + 1);
    if (commandArgs.contains(QLatin1String("--help"))) {
        Help::printCommand(out, options.json, *command);
        return Success;
    }

    int exitCode = Success;
    auto context =
        CommandContext::create(options, command->dataAccess(commandArgs), out, err, &exitCode);
    if (!context)
        return exitCode;
    const int status = command->execute(*context, commandArgs);
    const int saved = context->finish(status);
    out.flush();
    err.flush();
    return status != Success ? status : saved;
}

} // namespace fetemark::cli
