#pragma once

#include "platform/files/DataAccess.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace fetemark::cli {

class CommandContext;

// One line of a command's help: an option, argument or form, and what it does.
struct HelpItem {
    QString term; // "--filter FILTER"
    QString text;
};

// One subcommand of `fetemark`. Each lives in its own class; the command line finds it
// by name and hands it the remaining arguments. name(), summary(), usage() and help()
// are the one source of what `fetemark help` says of the command.
class Command {
public:
    virtual ~Command() = default;
    virtual QString name() const = 0;
    virtual QString summary() const = 0; // one line for the command overview
    virtual QString usage() const = 0;   // the full synopsis, one form per line
    // Each option, argument and form of usage() explained, in the order of usage().
    virtual QList<HelpItem> help() const { return {}; }
    // Returns the exit status: 0 success, 1 refused input, 2 usage error.
    virtual int execute(CommandContext& context, const QStringList& args) = 0;
    // Whether the command with these arguments (after its name) changes stored data.
    // Read-only commands take no write lock and write nothing.
    virtual DataAccess dataAccess(const QStringList& args) const
    {
        Q_UNUSED(args);
        return DataAccess::ReadOnly;
    }
    // Whether the run may compose reminder texts, which are measured in a font and so
    // need the GUI application: any change may rebuild the schedule.
    virtual bool composesReminders(const QStringList& args) const
    {
        return dataAccess(args) == DataAccess::ReadWrite;
    }

protected:
    // Writes what was wrong (when known) and the synopsis to standard error and gives
    // the usage-error status.
    int usageError(CommandContext& context, const QString& reason = {}) const;
};

} // namespace fetemark::cli
