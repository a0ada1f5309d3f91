#include "CommandLine.h"

#include "cli/ChoiceCommand.h"
#include "cli/CommandContext.h"
#include "cli/ContactsCommand.h"
#include "cli/CustomCommand.h"
#include "cli/ExportCommand.h"
#include "cli/ListCommand.h"
#include "cli/NotesCommand.h"
#include "cli/SettingsCommand.h"
#include "cli/ShowCommand.h"
#include "cli/VisibleTextDevice.h"

#include <memory>
#include <vector>

namespace fetemark::cli {
namespace {

std::vector<std::unique_ptr<Command>> allCommands()
{
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<ListCommand>());
    commands.push_back(std::make_unique<ShowCommand>());
    commands.push_back(std::make_unique<CustomCommand>());
    commands.push_back(std::make_unique<ChoiceCommand>());
    commands.push_back(std::make_unique<NotesCommand>());
    commands.push_back(std::make_unique<ContactsCommand>());
    commands.push_back(std::make_unique<ExportCommand>());
    commands.push_back(std::make_unique<SettingsCommand>());
    return commands;
}

void printHelp(QTextStream& out, const std::vector<std::unique_ptr<Command>>& commands)
{
    out << "usage: fetemark [--data-dir DIR] [--now WHEN] [--tz ZONE] [--locale NAME] [--demo] "
           "[--json] [COMMAND ...]\n\n"
           "Fetemark reminds you of birthdays, anniversaries and other occasions.\n\n"
           "Commands:\n";
    for (const auto& command : commands) {
        for (const QString& form : command->usage().split(QLatin1Char('\n')))
            out << "  " << form << '\n';
        out << "      " << command->summary() << "\n";
    }
    out << "\nOptions:\n"
           "  --data-dir DIR   data directory (else $FETEMARK_DATA_DIR, else "
           "$XDG_DATA_HOME/fetemark)\n"
           "  --now WHEN       the current local time: YYYY-MM-DD (noon) or YYYY-MM-DDTHH:MM[:SS] "
           "(also $FETEMARK_NOW)\n"
           "  --tz ZONE        device time zone, an IANA name (else $TZ)\n"
           "  --locale NAME    device locale such as en_US or de_DE (else $LC_ALL/$LANG)\n"
           "  --demo           use a demo data directory with a few hundred made-up people (filled "
           "once)\n"
           "  --json           JSON output\n"
           "\nWithout a command, the list is shown.\n";
    out.flush();
}

} // namespace

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
    QStringList rest;
    // --json may stand anywhere; the other options only before the command.
    for (const QString& arg : arguments) {
        if (arg == QLatin1String("--json"))
            options.json = true;
        else
            rest << arg;
    }

    int i = 0;
    for (; i < rest.size() && rest[i].startsWith(QLatin1String("--")); ++i) {
        const QString option = rest[i];
        if (option == QLatin1String("--help")) {
            printHelp(out, commands);
            return Success;
        }
        if (option == QLatin1String("--demo")) {
            options.demo = true;
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
            err << "fetemark: unknown option " << option << " (see 'fetemark --help')" << Qt::endl;
            return UsageError;
        }
        if (i + 1 >= rest.size() || rest[i + 1].isEmpty()) {
            err << "fetemark: " << option << " needs a value" << Qt::endl;
            return UsageError;
        }
        *target = rest[++i];
    }

    if (i < rest.size() && rest[i] == QLatin1String("help")) {
        printHelp(out, commands);
        return Success;
    }

    // Without a command Fetemark shows its list.
    const QString name = i < rest.size() ? rest[i] : QStringLiteral("list");
    Command* command = nullptr;
    for (const auto& candidate : commands) {
        if (candidate->name() == name)
            command = candidate.get();
    }
    if (!command) {
        err << "fetemark: unknown command '" << name << "' (see 'fetemark --help')" << Qt::endl;
        return UsageError;
    }

    int exitCode = Success;
    const QStringList commandArgs = rest.mid(i + 1);
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
