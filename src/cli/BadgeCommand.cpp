#include "BadgeCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"

#include "core/database/RecordDatabase.h"
#include "core/settings/SettingsKeys.h"

namespace fetemark::cli {

int BadgeCommand::execute(CommandContext& context, const QStringList& args)
{
    if (!args.isEmpty())
        return usageError(context);
    const int badge = context.settings.boolValue(QString(Key::ShowCount))
        ? context.database().calculateUpcoming()
        : 0;
    if (context.json) {
        JsonWriter json(context.out);
        json.beginObject();
        json.member(QLatin1StringView("badge"), badge);
        json.endObject();
    } else {
        context.out << badge << '\n';
    }
    context.out.flush();
    return Success;
}

} // namespace fetemark::cli
