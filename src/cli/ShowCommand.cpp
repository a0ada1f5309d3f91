#include "ShowCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/OccasionJson.h"
#include "cli/OccasionLookup.h"

#include "core/database/RecordDatabase.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace fetemark::cli {

int ShowCommand::execute(CommandContext& context, const QStringList& args)
{
    if (args.size() != 1)
        return usageError(context);
    RecordDatabase& db = context.database();
    const OccasionRecordPtr record = findOccasion(db, args[0]);
    if (!record)
        return context.refuse(QStringLiteral("no occasion with id '%1'").arg(args[0]));
    // A record held over (a one-time entry long past, say) was never dated by the load.
    if (!record->sortDate.isValid())
        db.updateDataInRecord(*record);
    QJsonObject json = recordJson(db, record);
    const QJsonValue funFacts = funFactsJson(context, db, *record);
    const QString notes = db.getNotesForOccasionRecord(*record);
    json.insert(
        QStringLiteral("typeText"), RecordDatabase::stringForType(record->type, db.texts()));
    json.insert(QStringLiteral("funFacts"), funFacts);
    json.insert(QStringLiteral("notes"), notes);

    if (context.json) {
        context.out << QJsonDocument(json).toJson(QJsonDocument::Indented);
    } else {
        context.out << record->name << '\n'
                    << json.value(QStringLiteral("typeText")).toString()
                    << QStringLiteral(" \u00b7 ") << record->longDateText << '\n'
                    << record->detailedText << '\n';
        if (funFacts.isString())
            context.out << '\n' << funFacts.toString() << '\n';
        if (!notes.trimmed().isEmpty())
            context.out << '\n' << notes << '\n';
    }
    context.out.flush();
    // Shown from what could be read: other dates of the contact may be missing.
    return db.addressBookProblem().isEmpty() ? Success : Refused;
}

} // namespace fetemark::cli
