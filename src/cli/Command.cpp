#include "Command.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"

namespace fetemark::cli {

int Command::usageError(CommandContext& context) const
{
    context.err << "usage: fetemark "
                << QString(usage()).replace(QLatin1Char('\n'), QLatin1String("\n       fetemark "))
                << Qt::endl;
    return UsageError;
}

} // namespace fetemark::cli
