#include "Command.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/Help.h"

namespace fetemark::cli {

int Command::usageError(CommandContext& context, const QString& reason) const
{
    Help::writeUsageError(context.err, context.json, *this, reason);
    return UsageError;
}

} // namespace fetemark::cli
