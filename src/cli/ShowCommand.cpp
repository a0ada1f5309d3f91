#include "ShowCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/OccasionJson.h"
#include "cli/OccasionLookup.h"

#include "core/database/RecordDatabase.h"
#include "core/detail/ActionItems.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace fetemark::cli {
namespace {

// A command line places no calls: its numbers are shown, not dialled or messaged.
constexpr DeviceCapabilities Device {false};

QJsonArray actionsJson(const std::vector<ActionItem>& items)
{
    QJsonArray out;
    for (const ActionItem& item : items) {
        out.append(QJsonObject {{QStringLiteral("actionType"), item.typeName()},
            {QStringLiteral("actionDetail"), item.actionDetail},
            {QStringLiteral("actionDetail2"), item.actionDetail2},
            {QStringLiteral("actionShortDetail"), item.actionShortDetail},
            {QStringLiteral("actionURL"), item.actionURL.toString(QUrl::FullyEncoded)},
            {QStringLiteral("cleanEmailAddress"), item.cleanEmailAddress},
            {QStringLiteral("cleanEmailSubject"), item.cleanEmailSubject}});
    }
    return out;
}

// One line per action: its caption and what it acts on.
QString actionLines(const std::vector<ActionItem>& items, const Texts& texts)
{
    QString out;
    for (const ActionItem& item : items) {
        const ActionRow row = actionRow(item, texts, Device);
        QStringList parts {row.caption};
        for (const QString& part : {row.detail, row.detail2.trimmed()}) {
            if (!part.isEmpty())
                parts << part;
        }
        out += parts.join(QLatin1Char(' ')) + QLatin1Char('\n');
    }
    return out;
}

} // namespace

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
    const std::vector<ActionItem> actions = updateActionItemArray(db, *record, Device);
    json.insert(QStringLiteral("actions"), actionsJson(actions));

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
        if (!actions.empty())
            context.out << '\n' << actionLines(actions, db.texts());
    }
    context.out.flush();
    // Shown from what could be read: other dates of the contact may be missing.
    return db.addressBookProblem().isEmpty() ? Success : Refused;
}

} // namespace fetemark::cli
