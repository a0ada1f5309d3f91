#include "OccasionCommands.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"

#include "core/database/RecordDatabase.h"
#include "core/list/MainListModel.h"
#include "core/phrases/FunFacts.h"
#include "core/records/OccasionId.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "platform/addressbook/AddressBook.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <optional>

namespace fetemark::cli {
namespace {

QString source(const OccasionRecord& r)
{
    if (r.isCustomEntry)
        return QStringLiteral("custom");
    if (r.isFacebookEntry)
        return QStringLiteral("facebook");
    if (r.isHoliday)
        return QStringLiteral("holiday");
    return QStringLiteral("contact");
}

QString dayText(const Calendar& calendar, const QDateTime& moment)
{
    if (!moment.isValid())
        return {};
    const DateParts p = calendar.components(moment);
    if (p.year < 0 || p.year > 9999 || !p.ok())
        return QString::asprintf("%04d-%02d-%02d", p.year, p.month, p.day);
    // The same digits as the printf form above, which a list of every row pays for dearly.
    const char16_t text[10] = {char16_t(u'0' + p.year / 1000), char16_t(u'0' + p.year / 100 % 10),
        char16_t(u'0' + p.year / 10 % 10), char16_t(u'0' + p.year % 10), u'-',
        char16_t(u'0' + p.month / 10), char16_t(u'0' + p.month % 10), u'-',
        char16_t(u'0' + p.day / 10), char16_t(u'0' + p.day % 10)};
    return QString(reinterpret_cast<const QChar*>(text), 10);
}

// A name as one line of the text list: line breaks in it would split its row.
QString oneLine(QString text)
{
    for (const QChar c : {QChar(u'\r'), QChar(u'\n'), QChar(u'\t')})
        text.replace(c, QLatin1Char(' '));
    return text;
}

QJsonValue textOrNull(const QString& s)
{
    return s.isNull() ? QJsonValue() : QJsonValue(s);
}

// The occasion with that id among the shown and held-over records.
OccasionRecordPtr findOccasion(RecordDatabase& db, const QString& id)
{
    if (auto r = OccasionId::find(db.records(), id, db.gregorian()))
        return r;
    return OccasionId::find(db.holdoverRecords(), id, db.gregorian());
}

// Options of the form --name VALUE; flags listed in `flags` take no value.
struct ParsedOptions {
    QHash<QString, QString> values;
    QSet<QString> flags;
    QStringList positional;
    QString error;
};

ParsedOptions parseOptions(
    const QStringList& args, const QStringList& valued, const QStringList& flags)
{
    ParsedOptions out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(QLatin1String("--"))) {
            out.positional << a;
        } else if (flags.contains(a)) {
            out.flags.insert(a);
        } else if (valued.contains(a)) {
            if (i + 1 >= args.size()) {
                out.error = QStringLiteral("%1 needs a value").arg(a);
                return out;
            }
            out.values.insert(a, args[++i]);
        } else {
            out.error = QStringLiteral("unknown option %1").arg(a);
            return out;
        }
    }
    return out;
}

// "YYYY-MM-DD", or "--MM-DD" for a day without year (kept as year 1604).
std::optional<QDate> parseDay(const QString& text)
{
    static const QRegularExpression full(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    static const QRegularExpression noYear(QStringLiteral("^--(\\d{2})-(\\d{2})$"));
    QDate date;
    if (const auto m = full.match(text); m.hasMatch())
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    else if (const auto m = noYear.match(text); m.hasMatch())
        date = QDate(1604, m.captured(1).toInt(), m.captured(2).toInt());
    if (!date.isValid() || date.year() < 1)
        return std::nullopt;
    return date;
}

std::optional<int> parseType(const QString& text)
{
    if (text == QLatin1String("birthday"))
        return OccasionRecord::Birthday;
    if (text == QLatin1String("anniversary"))
        return OccasionRecord::Anniversary;
    if (text == QLatin1String("other"))
        return OccasionRecord::OtherDate;
    return std::nullopt;
}

std::optional<bool> parseOnOff(const QString& text)
{
    if (text == QLatin1String("on"))
        return true;
    if (text == QLatin1String("off"))
        return false;
    return std::nullopt;
}

} // namespace

// ---- list ----

namespace {

QJsonObject recordJson(RecordDatabase& db, const OccasionRecordPtr& r)
{
    const Calendar& calendar = db.gregorian();
    db.ensureStrings(*r);
    return QJsonObject {
        {QStringLiteral("id"), OccasionId::of(*r, calendar)},
        {QStringLiteral("name"), r->name},
        {QStringLiteral("type"), r->type},
        {QStringLiteral("source"), source(*r)},
        {QStringLiteral("label"), r->otherDateLabel},
        {QStringLiteral("rawDate"), dayText(calendar, r->rawDate)},
        {QStringLiteral("detailedText"), textOrNull(r->detailedText)},
        {QStringLiteral("detailedTextSansType"), textOrNull(r->detailedTextSansType)},
        {QStringLiteral("dateText"), textOrNull(r->dateText)},
        {QStringLiteral("longDateText"), textOrNull(r->longDateText)},
        {QStringLiteral("sortDate"), dayText(calendar, r->sortDate)},
        {QStringLiteral("daysUntilDate"), r->daysUntilDate},
        {QStringLiteral("age"), r->age},
        {QStringLiteral("isUpcoming"), r->isUpcoming},
        {QStringLiteral("isBelated"), r->isBelated},
        {QStringLiteral("notificationDate"), r->notificationDate},
        {QStringLiteral("ignoreYear"), r->ignoreYear},
        {QStringLiteral("alertsOff"), r->alertsOff},
        {QStringLiteral("ignoreForUpcoming"), r->ignoreForUpcoming},
        {QStringLiteral("onetime"), r->onetime},
        {QStringLiteral("lionNoYear"), r->lionNoYear},
    };
}

// The fun facts block of an occasion's page, null when the page shows none.
QJsonValue funFactsJson(const Settings& settings, const FunFacts& facts, const OccasionRecord& r)
{
    if (!FunFacts::showFunFacts(r, settings))
        return QJsonValue();
    const QString text = facts.createViewForFunFacts(r);
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonValue funFactsJson(CommandContext& context, RecordDatabase& db, const OccasionRecord& r)
{
    if (!FunFacts::showFunFacts(r, context.settings))
        return QJsonValue();
    const FunFacts facts(db.texts(), db.gregorian(), context.device.countryCode());
    return funFactsJson(context.settings, facts, r);
}

// One row of `--json list` (its phrases made), members in the order QJsonObject would
// sort recordJson's and the row's own.
void writeRowJson(JsonWriter& json, const Calendar& calendar, const OccasionRecord& r, int location,
    const QJsonValue& funFacts)
{
    json.beginObject();
    json.member(QLatin1StringView("age"), r.age);
    json.member(QLatin1StringView("alertsOff"), r.alertsOff);
    json.member(QLatin1StringView("dateText"), textOrNull(r.dateText));
    json.member(QLatin1StringView("daysUntilDate"), r.daysUntilDate);
    json.member(QLatin1StringView("detailedText"), textOrNull(r.detailedText));
    json.member(QLatin1StringView("detailedTextSansType"), textOrNull(r.detailedTextSansType));
    json.member(QLatin1StringView("funFacts"), funFacts);
    json.member(QLatin1StringView("id"), OccasionId::of(r, calendar));
    json.member(QLatin1StringView("ignoreForUpcoming"), r.ignoreForUpcoming);
    json.member(QLatin1StringView("ignoreYear"), r.ignoreYear);
    json.member(QLatin1StringView("isBelated"), r.isBelated);
    json.member(QLatin1StringView("isUpcoming"), r.isUpcoming);
    json.member(QLatin1StringView("label"), r.otherDateLabel);
    json.member(QLatin1StringView("lionNoYear"), r.lionNoYear);
    json.member(QLatin1StringView("location"), location);
    json.member(QLatin1StringView("longDateText"), textOrNull(r.longDateText));
    json.member(QLatin1StringView("name"), r.name);
    json.member(QLatin1StringView("notificationDate"), r.notificationDate);
    json.member(QLatin1StringView("onetime"), r.onetime);
    json.member(QLatin1StringView("rawDate"), dayText(calendar, r.rawDate));
    json.member(QLatin1StringView("sortDate"), dayText(calendar, r.sortDate));
    json.member(QLatin1StringView("source"), source(r));
    json.member(QLatin1StringView("type"), r.type);
    json.endObject();
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
            writeRowJson(
                json, db.gregorian(), r, location, funFactsJson(context.settings, facts, r));
        }
        json.endArray();
        json.endObject();
    }
    json.endArray();
    json.endObject();
    context.out.flush();
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
        return Success;
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
        return Success;
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
    return Success;
}

// ---- show ----

int ShowCommand::execute(CommandContext& context, const QStringList& args)
{
    if (args.size() != 1)
        return usageError(context);
    RecordDatabase& db = context.database();
    const OccasionRecordPtr record = findOccasion(db, args[0]);
    if (!record)
        return context.refuse(QStringLiteral("no occasion with id '%1'").arg(args[0]));
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
    return Success;
}

// ---- custom ----

QString CustomCommand::usage() const
{
    return QStringLiteral("custom add --name NAME --date DATE [--type birthday|anniversary|other] "
                          "[--label TEXT] [--no-year] [--once] "
                          "[--notes TEXT]\n"
                          "custom edit ID [--name NAME] [--date DATE] [--type ...] [--label TEXT] "
                          "[--no-year|--year] [--once|--yearly] "
                          "[--notes TEXT]\n"
                          "custom remove ID");
}

int CustomCommand::execute(CommandContext& context, const QStringList& args)
{
    if (args.isEmpty())
        return usageError(context);
    const QString verb = args[0];
    const QStringList valued {QStringLiteral("--name"), QStringLiteral("--date"),
        QStringLiteral("--type"), QStringLiteral("--label"), QStringLiteral("--notes")};
    const QStringList flags {QStringLiteral("--no-year"), QStringLiteral("--year"),
        QStringLiteral("--once"), QStringLiteral("--yearly")};
    const ParsedOptions options = parseOptions(args.mid(1), valued, flags);
    if (!options.error.isEmpty()) {
        context.err << "fetemark: " << options.error << Qt::endl;
        return UsageError;
    }

    if (verb == QLatin1String("remove")) {
        if (options.positional.size() != 1 || !options.values.isEmpty() || !options.flags.isEmpty())
            return usageError(context);
        RecordDatabase& db = context.database();
        const OccasionRecordPtr record = findOccasion(db, options.positional[0]);
        if (!record || !record->isCustomEntry)
            return context.refuse(
                QStringLiteral("no custom entry with id '%1'").arg(options.positional[0]));
        db.removeCustomRecord(record);
        return Success;
    }

    const bool adding = verb == QLatin1String("add");
    if (!adding && verb != QLatin1String("edit"))
        return usageError(context);
    if ((adding && !options.positional.isEmpty()) || (!adding && options.positional.size() != 1))
        return usageError(context);
    if (adding &&
        (!options.values.contains(QStringLiteral("--name")) ||
            !options.values.contains(QStringLiteral("--date"))))
        return usageError(context);

    // Check every value before anything changes.
    std::optional<QDate> date;
    if (options.values.contains(QStringLiteral("--date"))) {
        date = parseDay(options.values.value(QStringLiteral("--date")));
        if (!date)
            return context.refuse(QStringLiteral(
                "--date: '%1' is not a day (use YYYY-MM-DD, or --MM-DD without year)")
                                      .arg(options.values.value(QStringLiteral("--date"))));
    }
    std::optional<int> type;
    if (options.values.contains(QStringLiteral("--type"))) {
        type = parseType(options.values.value(QStringLiteral("--type")));
        if (!type)
            return context.refuse(
                QStringLiteral("--type: '%1' is not birthday, anniversary or other")
                    .arg(options.values.value(QStringLiteral("--type"))));
    }
    if (options.values.contains(QStringLiteral("--name")) &&
        options.values.value(QStringLiteral("--name")).trimmed().isEmpty())
        return context.refuse(QStringLiteral("--name: a name is needed"));
    if (options.flags.contains(QStringLiteral("--no-year")) &&
        options.flags.contains(QStringLiteral("--year")))
        return usageError(context);
    if (options.flags.contains(QStringLiteral("--once")) &&
        options.flags.contains(QStringLiteral("--yearly")))
        return usageError(context);

    RecordDatabase& db = context.database();
    OccasionRecordPtr record;
    if (adding) {
        record = std::make_shared<OccasionRecord>();
        record->isCustomEntry = true;
        record->recordID = -1;
        record->customID = OccasionRecord::GetUUID();
        record->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
        record->type = OccasionRecord::Birthday;
        record->otherDateLabel = QString::fromLatin1("");
    } else {
        record = findOccasion(db, options.positional[0]);
        if (!record || !record->isCustomEntry)
            return context.refuse(
                QStringLiteral("no custom entry with id '%1'").arg(options.positional[0]));
    }

    if (options.values.contains(QStringLiteral("--name")))
        record->name = options.values.value(QStringLiteral("--name")).trimmed();
    if (type)
        record->type = *type;
    if (options.values.contains(QStringLiteral("--label")))
        record->otherDateLabel = options.values.value(QStringLiteral("--label"));
    if (options.values.contains(QStringLiteral("--notes")))
        record->notes = options.values.value(QStringLiteral("--notes"));
    if (date) {
        record->rawDate = db.gregorian().date(date->year(), date->month(), date->day());
        // A day given with its year shows that year again; one without hides it.
        record->ignoreYear = date->year() == 1604;
    }
    if (options.flags.contains(QStringLiteral("--no-year")))
        record->ignoreYear = true;
    if (options.flags.contains(QStringLiteral("--year"))) {
        if (db.gregorian().components(record->rawDate).year == 1604)
            return context.refuse(QStringLiteral("--year: the entry's date has no year"));
        record->ignoreYear = false;
    }
    if (options.flags.contains(QStringLiteral("--once")))
        record->onetime = true;
    if (options.flags.contains(QStringLiteral("--yearly")))
        record->onetime = false;
    // The year a one-time entry happens in follows its date; a day without year happens
    // this year.
    if (record->onetime && (date || options.flags.contains(QStringLiteral("--once")))) {
        const int year = db.gregorian().components(record->rawDate).year;
        record->oneTimeYear =
            year == 1604 ? db.gregorian().components(context.clock->now()).year : year;
    }

    if (adding) {
        db.addNewCustomRecord(record, true);
        context.out << OccasionId::of(*record, db.gregorian()) << '\n';
    } else {
        db.updateCustomRecord(record);
    }
    context.out.flush();
    return Success;
}

// ---- choice ----

int ChoiceCommand::execute(CommandContext& context, const QStringList& args)
{
    const ParsedOptions options = parseOptions(args,
        {QStringLiteral("--alerts"), QStringLiteral("--year"), QStringLiteral("--upcoming")}, {});
    if (!options.error.isEmpty() || options.positional.size() != 1)
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
    if (options.values.isEmpty()) {
        context.out << "alerts " << (record->alertsOff ? "off" : "on") << "\nyear "
                    << (record->ignoreYear ? "off" : "on") << "\nupcoming "
                    << (record->ignoreForUpcoming ? "off" : "on") << '\n';
        context.out.flush();
        return Success;
    }
    db.calculateDataInArrayForRecord(record);
    db.sortDatabase();
    QString error;
    if (!db.writeCustomEntries(&error))
        return context.refuse(error);
    return Success;
}

// ---- notes ----

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
        context.out << db.getNotesForOccasionRecord(*record) << '\n';
        context.out.flush();
        return Success;
    }

    const QString text = args[2];
    QString error;
    if (record->isCustomEntry) {
        record->notes = text;
        if (!db.writeCustomEntries(&error))
            return context.refuse(error);
    } else if (record->isFacebookEntry || record->isHoliday) {
        db.setNotesForFacebook(text, record->customID);
        if (!db.writeABMetadata(&error))
            return context.refuse(error);
    } else if (context.settings.integerValue(QString(Key::AddressBookNotes)) != 0) {
        AddressBook* book = db.mainThreadAddressBook();
        auto person = book ? book->person(record->recordID) : std::nullopt;
        if (!person)
            return context.refuse(QStringLiteral("the contact of '%1' is gone").arg(args[1]));
        // An empty note is stored as one space, as the address book keeps it.
        person->note = text.isEmpty() ? QStringLiteral(" ") : text;
        if (!book->updatePerson(*person) || !book->save(&error))
            return context.refuse(error.isEmpty() ? book->lastError() : error);
        db.refreshAddressBook();
    } else {
        db.setNotes(text, record->recordID);
        if (!db.writeABMetadata(&error))
            return context.refuse(error);
    }
    return Success;
}

} // namespace fetemark::cli
