#include "ListCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"
#include "cli/OccasionJson.h"
#include "cli/ParsedOptions.h"
#include "cli/TextColumns.h"

#include "core/database/RecordDatabase.h"
#include "core/holidays/HolidaySubscriptions.h"
#include "core/list/MainListModel.h"
#include "core/phrases/FunFacts.h"
#include "core/records/OccasionId.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"

#include <algorithm>
#include <array>
#include <optional>

namespace fetemark::cli {
namespace {

// The filters by name, in the order of their numbers.
constexpr std::array<const char*, MainListModel::FilterCount> FilterNames {
    "all", "birthdays", "anniversaries", "others", "holidays", "facebook"};

std::optional<int> parseFilter(const QString& text)
{
    for (int mode = 0; mode < MainListModel::FilterCount; ++mode) {
        if (text.compare(QLatin1String(FilterNames[mode]), Qt::CaseInsensitive) == 0)
            return mode;
    }
    bool ok = false;
    const int mode = text.toInt(&ok);
    if (ok && mode >= 0 && mode < MainListModel::FilterCount)
        return mode;
    return std::nullopt;
}

// Why the filter's source lists nothing now (switched off, nothing chosen), or empty.
QString sourceOff(const Settings& settings, int mode)
{
    if (mode == MainListModel::Holidays) {
        if (!settings.boolValue(QString(Key::ShowHolidays)))
            return QStringLiteral("holidays are switched off, so the holidays filter lists none "
                                  "('fetemark settings set show-holidays YES' switches them on)");
        if (!HolidaySubscriptions::fromSettings(settings).anyChecked())
            return QStringLiteral("no holidays are chosen, so the holidays filter lists none");
    }
    if (mode == MainListModel::Facebook) {
        if (!settings.boolValue(QString(Key::ShowFacebook)))
            return QStringLiteral("Facebook is switched off, so the facebook filter lists none "
                                  "('fetemark settings set show-facebook YES' switches it on)");
        if (settings.stringValue(QString(Key::FacebookAccessToken)).isEmpty())
            return QStringLiteral("Facebook is not linked, so the facebook filter lists only "
                                  "friends kept from an earlier sync");
    }
    return {};
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

void writeEmptyList(CommandContext& context, const RecordDatabase& db)
{
    if (db.records().empty())
        context.out << "No occasions yet. Import your contacts with 'fetemark contacts import "
                       "FILE.vcf' or add one with 'fetemark custom add --name NAME --date "
                       "YYYY-MM-DD'.\n";
    else
        context.out << context.texts.text(QStringLiteral("NoEntries"), QStringLiteral("No Entries"))
                    << '\n';
    context.out.flush();
}

// The list as text for people, grouped as on screen: a block starts after a gap, the
// block of occasions just passed and each upcoming block under a heading, a shown month
// header above its group. The columns (date, name, phrase, id) line up in terminal cells;
// a name or phrase too long for its column is cut short.
class ListText {
public:
    ListText(CommandContext& context, RecordDatabase& db, const MainListModel& list)
        : m_context(context), m_db(db), m_list(list),
          m_pastHeading(context.texts.text(
              QStringLiteral("PastOccasionsHeader"), QStringLiteral("Just Passed"))),
          m_upcomingHeading(
              context.texts.text(QStringLiteral("UpcomingHeader"), QStringLiteral("Upcoming")))
    {
    }

    void write()
    {
        measure();
        int index = 0;
        for (int section = 0; section < int(m_list.groupsArray().size()); ++section) {
            writeHeadings(section);
            const ListGroup& g = m_list.groupsArray()[section];
            for (int row = 0; row < g.groupCount; ++row, ++index)
                writeRow(*m_list.records()[index]);
        }
        m_context.out.flush();
    }

private:
    static constexpr int NameColumns = 24;
    static constexpr int PhraseColumns = 40;

    // Makes every row's texts and sizes the columns to them.
    void measure()
    {
        for (const OccasionRecordPtr& r : m_list.records()) {
            m_db.ensureStrings(*r);
            m_dateWidth =
                std::max(m_dateWidth, TextColumns::width(TextColumns::cellText(r->dateText)));
            m_nameWidth = std::max(m_nameWidth, TextColumns::width(TextColumns::cellText(r->name)));
            m_phraseWidth =
                std::max(m_phraseWidth, TextColumns::width(TextColumns::cellText(r->detailedText)));
        }
        m_nameWidth = std::min(m_nameWidth, NameColumns);
        m_phraseWidth = std::min(m_phraseWidth, PhraseColumns);
    }

    void writeHeadings(int section)
    {
        const ListGroup& g = m_list.groupsArray()[section];
        QTextStream& out = m_context.out;
        if (g.groupPosition != 1) {
            if (m_list.showsHeaderTitle(section))
                out << g.groupTitle << '\n';
            return;
        }
        if (section > 0)
            out << '\n';
        // The block of belated occasions is titled so already when month headers show.
        if (g.belatedGroup)
            out << m_pastHeading.toUpper() << '\n';
        else if (g.upcomingGroup)
            out << m_upcomingHeading.toUpper() << '\n';
        if (m_list.showsHeaderTitle(section) && !(g.belatedGroup && g.groupTitle == m_pastHeading))
            out << g.groupTitle << '\n';
    }

    void writeRow(const OccasionRecord& r)
    {
        m_context.out << "  " << TextColumns::padded(TextColumns::cellText(r.dateText), m_dateWidth)
                      << "  " << TextColumns::padded(TextColumns::cellText(r.name), m_nameWidth)
                      << "  "
                      << TextColumns::padded(TextColumns::cellText(r.detailedText), m_phraseWidth)
                      << "  [" << OccasionId::of(r, m_db.gregorian()) << "]\n";
    }

    CommandContext& m_context;
    RecordDatabase& m_db;
    const MainListModel& m_list;
    QString m_pastHeading;
    QString m_upcomingHeading;
    int m_dateWidth = 0;
    int m_nameWidth = 0;
    int m_phraseWidth = 0;
};

} // namespace

QList<HelpItem> ListCommand::help() const
{
    return {
        {QStringLiteral("--filter FILTER"),
            QStringLiteral("only one kind: all, birthdays, anniversaries, others (other dates), "
                           "holidays or facebook; or its number, 0 to 5 in that order. A note on "
                           "standard error says when the kind's source is off")},
        {QStringLiteral("--search TEXT"),
            QStringLiteral("only occasions whose name has, for each word of TEXT, a word "
                           "beginning with it (in any case)")},
    };
}

int ListCommand::execute(CommandContext& context, const QStringList& args)
{
    const ParsedOptions options =
        parseOptions(args, {QStringLiteral("--filter"), QStringLiteral("--search")}, {});
    if (!options.error.isEmpty())
        return usageError(context, options.error);
    if (!options.positional.isEmpty())
        return usageError(context, QStringLiteral("unexpected '%1'").arg(options.positional[0]));
    RecordDatabase& db = context.database();
    MainListModel list(db, context.device);
    if (options.values.contains(QStringLiteral("--filter"))) {
        const QString text = options.values.value(QStringLiteral("--filter"));
        const auto mode = parseFilter(text);
        if (!mode)
            return context.refuse(QStringLiteral("--filter: '%1' is not a filter (all, birthdays, "
                                                 "anniversaries, others, holidays, facebook, or "
                                                 "0 to 5)")
                                      .arg(text));
        if (const QString why = sourceOff(context.settings, *mode); !why.isEmpty())
            context.note(why);
        list.setFilterModeAsGiven(*mode);
    }
    list.setSearchText(options.values.value(QStringLiteral("--search")));
    list.refreshLocalDatabase();
    const int badge = db.calculateUpcoming();

    if (context.json)
        writeListJson(context, db, list, badge);
    else if (list.isEmpty())
        writeEmptyList(context, db);
    else
        ListText(context, db, list).write();
    return finished(db);
}

} // namespace fetemark::cli
