#include "ListCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"
#include "cli/OccasionJson.h"
#include "cli/ParsedOptions.h"

#include "core/database/RecordDatabase.h"
#include "core/list/MainListModel.h"
#include "core/phrases/FunFacts.h"
#include "core/records/OccasionId.h"

namespace fetemark::cli {
namespace {

// A name as one line of the text list: line breaks in it would split its row.
QString oneLine(QString text)
{
    for (const QChar c : {QChar(u'\r'), QChar(u'\n'), QChar(u'\t')})
        text.replace(c, QLatin1Char(' '));
    return text;
}

// The list as JSON, written row by row as it is made: a book of tens of thousands of
// people would otherwise be held several times over as objects and text.
void writeListJson(CommandContext& context, RecordDatabase& db, MainListModel& list, int badge)
{
    const FunFacts facts(db.texts(), db.gregorian(), context.device.countryCode());
    JsonWriter json(context.out);
    json.beginObject();
    json.member(QLatin1StringView("badge"), badge);
    json.member(QLatin1StringView("filterMode"), list.filterMode());
    json.beginArray(QLatin1StringView("groups"));
    int index = 0;
    for (int section = 0; section < int(list.groupsArray().size()); ++section) {
        const ListGroup& g = list.groupsArray()[section];
        json.beginObject();
        json.member(QLatin1StringView("BelatedGroup"), g.belatedGroup);
        json.member(QLatin1StringView("GroupCount"), g.groupCount);
        json.member(QLatin1StringView("GroupPosition"), g.groupPosition);
        json.member(QLatin1StringView("GroupTitle"), g.groupTitle);
        json.member(QLatin1StringView("UpcomingGroup"), g.upcomingGroup);
        json.beginArray(QLatin1StringView("rows"));
        for (int row = 0; row < g.groupCount; ++row, ++index) {
            OccasionRecord& r = *list.records()[index];
            db.ensureStrings(r);
            const int location = int(list.viewLocationForIndexPath({section, row}));
            writeRecordJson(
                json, db.gregorian(), r, location, funFactsJson(context.settings, facts, r));
        }
        json.endArray();
        json.endObject();
    }
    json.endArray();
    json.endObject();
    context.out.flush();
}

// What could be read is listed; a book that could not be read whole still fails the run,
// so that a script does not take the list for complete.
int finished(const RecordDatabase& db)
{
    return db.addressBookProblem().isEmpty() ? Success : Refused;
}

} // namespace

int ListCommand::execute(CommandContext& context, const QStringList& args)
{
    const ParsedOptions options =
        parseOptions(args, {QStringLiteral("--filter"), QStringLiteral("--search")}, {});
    if (!options.error.isEmpty() || !options.positional.isEmpty())
        return usageError(context);
    RecordDatabase& db = context.database();
    MainListModel list(db, context.device);
    if (options.values.contains(QStringLiteral("--filter"))) {
        bool ok = false;
        const int mode = options.values.value(QStringLiteral("--filter")).toInt(&ok);
        if (!ok || mode < 0 || mode >= MainListModel::FilterCount)
            return context.refuse(QStringLiteral("--filter: '%1' is not a filter from 0 to 5")
                                      .arg(options.values.value(QStringLiteral("--filter"))));
        list.setFilterMode(mode);
    }
    list.setSearchText(options.values.value(QStringLiteral("--search")));
    list.refreshLocalDatabase();
    const int badge = db.calculateUpcoming();

    if (context.json) {
        writeListJson(context, db, list, badge);
        return finished(db);
    }

    if (list.isEmpty()) {
        if (db.records().empty())
            context.out << "No occasions yet. Import your contacts with 'fetemark contacts import "
                           "FILE.vcf' "
                           "or add one with 'fetemark custom add --name NAME --date YYYY-MM-DD'.\n";
        else
            context.out << context.texts.text(
                               QStringLiteral("NoEntries"), QStringLiteral("No Entries"))
                        << '\n';
        context.out.flush();
        return finished(db);
    }
    // As on screen: a block starts after a gap, a shown month header names its group.
    int index = 0;
    for (int section = 0; section < int(list.groupsArray().size()); ++section) {
        const ListGroup& g = list.groupsArray()[section];
        if (g.groupPosition == 1 && section > 0)
            context.out << '\n';
        if (list.showsHeaderTitle(section))
            context.out << g.groupTitle << '\n';
        for (int row = 0; row < g.groupCount; ++row, ++index) {
            const OccasionRecordPtr& r = list.records()[index];
            db.ensureStrings(*r);
            context.out << "  " << QStringLiteral("%1").arg(r->dateText, -8) << "  "
                        << QStringLiteral("%1").arg(oneLine(r->name), -24) << "  "
                        << r->detailedText << "  [" << OccasionId::of(*r, db.gregorian()) << "]\n";
        }
    }
    context.out.flush();
    return finished(db);
}

} // namespace fetemark::cli
