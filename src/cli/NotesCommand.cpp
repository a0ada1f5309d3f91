#include "NotesCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/OccasionLookup.h"

#include "core/database/RecordDatabase.h"

namespace fetemark::cli {

int NotesCommand::execute(CommandContext& context, const QStringList& args)
{
    const bool get = args.size() == 2 && args[0] == QLatin1String("get");
    const bool set = args.size() == 3 && args[0] == QLatin1String("set");
    if (!get && !set)
        return usageError(context);
    RecordDatabase& db = context.database();
    const OccasionRecordPtr record = findOccasion(db, args[1]);
    if (!record)
        return context.refuse(QStringLiteral("no occasion with id '%1'").arg(args[1]));
    if (get) {
        context.printValue(QLatin1StringView("notes"), db.getNotes(*record));
        return Success;
    }

    QString error;
    if (!db.setNotes(*record, args[2], &error))
        return context.refuse(error);
    return Success;
}

} // namespace fetemark::cli
