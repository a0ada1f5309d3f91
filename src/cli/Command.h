#pragma once

#include "platform/files/DataAccess.h"

#include <QString>
#include <QStringList>

namespace fetemark::cli {

class CommandContext;

// One subcommand of `fetemark`. Each lives in its own class; the command line finds it
// by name and hands it the remaining arguments.
class Command {
public:
    virtual ~Command() = default;
    virtual QString name() const = 0;
    virtual QString summary() const = 0; // one line for the command overview
    virtual QString usage() const = 0;   // the full synopsis, one form per line
    // Returns the exit status: 0 success, 1 refused input, 2 usage error.
    virtual int execute(CommandContext& context, const QStringList& args) = 0;
    // Whether the command with these arguments (after its name) changes stored data.
    // Read-only commands take no write lock and write nothing.
    virtual DataAccess dataAccess(const QStringList& args) const
    {
        Q_UNUSED(args);
        return DataAccess::ReadOnly;
    }

protected:
    // Writes the synopsis to standard error and gives the usage-error status.
    int usageError(CommandContext& context) const;
};

} // namespace fetemark::cli
