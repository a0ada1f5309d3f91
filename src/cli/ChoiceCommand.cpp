#include "ChoiceCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"
#include "cli/OccasionLookup.h"
#include "cli/ParsedOptions.h"

#include "core/database/RecordDatabase.h"

#include <QHash>

#include <optional>

namespace fetemark::cli {
namespace {

std::optional<bool> parseOnOff(const QString& text)
{
    if (text == QLatin1String("on"))
        return true;
    if (text == QLatin1String("off"))
        return false;
    return std::nullopt;
}

int showChoices(CommandContext& context, const OccasionRecord& record)
{
    if (context.json) {
        JsonWriter json(context.out);
        json.beginObject();
        json.member(QLatin1StringView("alertsOff"), record.alertsOff);
        json.member(QLatin1StringView("ignoreForUpcoming"), record.ignoreForUpcoming);
        json.member(QLatin1StringView("ignoreYear"), record.ignoreYear);
        json.endObject();
    } else {
        context.out << "alerts " << (record.alertsOff ? "off" : "on") << "\nyear "
                    << (record.ignoreYear ? "off" : "on") << "\nupcoming "
                    << (record.ignoreForUpcoming ? "off" : "on") << '\n';
    }
    context.out.flush();
    return Success;
}

} // namespace

int ChoiceCommand::execute(CommandContext& context, const QStringList& args)
{
    const ParsedOptions options = parseOptions(args,
        {QStringLiteral("--alerts"), QStringLiteral("--year"), QStringLiteral("--upcoming")}, {});
    if (!options.error.isEmpty())
        return usageError(context, options.error);
    if (options.positional.size() != 1)
        return usageError(context);
    QHash<QString, bool> on;
    for (auto it = options.values.begin(); it != options.values.end(); ++it) {
        const auto value = parseOnOff(it.value());
        if (!value)
            return context.refuse(
                QStringLiteral("%1: '%2' is not on or off").arg(it.key(), it.value()));
        on.insert(it.key(), *value);
    }
    RecordDatabase& db = context.database();
    const OccasionRecordPtr record = findOccasion(db, options.positional[0]);
    if (!record)
        return context.refuse(
            QStringLiteral("no occasion with id '%1'").arg(options.positional[0]));
    if (on.contains(QStringLiteral("--alerts")))
        record->alertsOff = !on.value(QStringLiteral("--alerts"));
    if (on.contains(QStringLiteral("--upcoming")))
        record->ignoreForUpcoming = !on.value(QStringLiteral("--upcoming"));
    if (on.contains(QStringLiteral("--year"))) {
        if (on.value(QStringLiteral("--year")) && record->lionNoYear)
            return context.refuse(QStringLiteral("--year: this date has no year"));
        record->ignoreYear = !on.value(QStringLiteral("--year"));
    }
    if (options.values.isEmpty())
        return showChoices(context, *record);
    db.calculateDataInArrayForRecord(record);
    db.sortDatabase();
    QString error;
    if (!db.writeCustomEntries(&error))
        return context.refuse(error);
    context.requestRebuild();
    return Success;
}

} // namespace fetemark::cli
