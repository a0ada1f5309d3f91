#include "CustomCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/OccasionLookup.h"
#include "cli/ParsedOptions.h"

#include "core/database/RecordDatabase.h"
#include "core/records/OccasionId.h"
#include "core/time/Calendar.h"
#include "platform/addressbook/Person.h"

#include <QRegularExpression>

#include <memory>
#include <optional>
#include <tuple>
#include <utility>

namespace fetemark::cli {
namespace {

// "YYYY-MM-DD", or "--MM-DD" for a day without year (kept in the year Person::NoYear).

std::optional<QDate> parseDay(const QString& text)
{
    static const QRegularExpression full(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    static const QRegularExpression noYear(QStringLiteral("^--(\\d{2})-(\\d{2})$"));
    QDate date;
    if (const auto m = full.match(text); m.hasMatch())
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    else if (const auto m = noYear.match(text); m.hasMatch())
        date = QDate(Person::NoYear, m.captured(1).toInt(), m.captured(2).toInt());
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

ParsedOptions parseCustomOptions(const QStringList& args)
{
    const QStringList valued {QStringLiteral("--name"), QStringLiteral("--date"),
        QStringLiteral("--type"), QStringLiteral("--label"), QStringLiteral("--notes")};
    const QStringList flags {QStringLiteral("--no-year"), QStringLiteral("--year"),
        QStringLiteral("--once"), QStringLiteral("--yearly")};
    return parseOptions(args, valued, flags);
}

// `add` takes no id but needs a name and a date; `edit` takes the id of its entry.
bool hasAddOrEditArguments(const ParsedOptions& options, bool adding)
{
    if (!adding)
        return options.positional.size() == 1;
    return options.positional.isEmpty() && options.values.contains(QStringLiteral("--name")) &&
        options.values.contains(QStringLiteral("--date"));
}

// The custom entry with that id; nullptr for any other occasion.
OccasionRecordPtr findCustomEntry(RecordDatabase& db, const QString& id)
{
    OccasionRecordPtr record = findOccasion(db, id);
    return record && record->isCustomEntry ? record : nullptr;
}

// A custom entry as `custom add` starts it, before its values are set.
OccasionRecordPtr newCustomEntry()
{
    auto record = std::make_shared<OccasionRecord>();
    record->isCustomEntry = true;
    record->recordID = -1;
    record->customID = OccasionRecord::GetUUID();
    record->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
    record->type = OccasionRecord::Birthday;
    record->otherDateLabel = QString::fromLatin1("");
    return record;
}

// A one-time entry dated before today is kept (it may record what happened), but the
// list shows it only while it is within the past days: the user is told.
void warnIfPassed(CommandContext& context, const OccasionRecord& record)
{
    if (!record.onetime)
        return;
    const Calendar& calendar = context.database().gregorian();
    const DateParts day = calendar.components(record.rawDate);
    const int year = record.ignoreYear ? record.oneTimeYear : day.year;
    const DateParts today = calendar.components(context.clock->now());
    if (std::tuple(year, day.month, day.day) >= std::tuple(today.year, today.month, today.day))
        return;
    context.warn(QStringLiteral("the one-time date %1 has passed; the entry is kept, but listed "
                                "only while it is within the past days (setting past-days)")
                     .arg(QString::asprintf("%04d-%02d-%02d", year, day.month, day.day)));
}

} // namespace

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

// What `custom add` or `custom edit` sets, every value checked; what is not given stays.
struct CustomCommand::Values {
    std::optional<QString> name;
    std::optional<QDate> date;
    std::optional<int> type;
    std::optional<QString> label;
    std::optional<QString> notes;
    bool noYear = false;
    bool year = false;
    bool once = false;
    bool yearly = false;
};

int CustomCommand::execute(CommandContext& context, const QStringList& args)
{
    if (args.isEmpty())
        return usageError(context);
    const QString verb = args[0];
    const ParsedOptions options = parseCustomOptions(args.mid(1));
    if (!options.error.isEmpty())
        return usageError(context, options.error);
    if (verb == QLatin1String("remove"))
        return removeEntry(context, options);

    const bool adding = verb == QLatin1String("add");
    if (!adding && verb != QLatin1String("edit"))
        return usageError(context);
    if (!hasAddOrEditArguments(options, adding))
        return usageError(context);
    Values values;
    if (const int status = readValues(context, options, &values); status != Success)
        return status;
    return adding ? addEntry(context, values) : editEntry(context, options.positional[0], values);
}

int CustomCommand::removeEntry(CommandContext& context, const ParsedOptions& options) const
{
    if (options.positional.size() != 1 || !options.values.isEmpty() || !options.flags.isEmpty())
        return usageError(context);
    RecordDatabase& db = context.database();
    const OccasionRecordPtr record = findCustomEntry(db, options.positional[0]);
    if (!record)
        return context.refuse(
            QStringLiteral("no custom entry with id '%1'").arg(options.positional[0]));
    if (QString error; !db.removeCustomRecord(record, &error))
        return context.refuse(error);
    context.requestRebuild();
    return Success;
}

// Checks every value before anything changes.
int CustomCommand::readValues(
    CommandContext& context, const ParsedOptions& options, Values* values) const
{
    if (options.values.contains(QStringLiteral("--date"))) {
        const QString text = options.values.value(QStringLiteral("--date"));
        values->date = parseDay(text);
        if (!values->date)
            return context.refuse(QStringLiteral(
                "--date: '%1' is not a day (use YYYY-MM-DD, or --MM-DD without year)")
                                      .arg(text));
        if (const int year = values->date->year();
            year != Person::NoYear && (year < Person::FirstYear || year > Person::LastYear))
            return context.refuse(QStringLiteral("--date: the year of '%1' is outside %2..%3")
                                      .arg(text)
                                      .arg(Person::FirstYear)
                                      .arg(Person::LastYear));
    }
    if (options.values.contains(QStringLiteral("--type"))) {
        values->type = parseType(options.values.value(QStringLiteral("--type")));
        if (!values->type)
            return context.refuse(
                QStringLiteral("--type: '%1' is not birthday, anniversary or other")
                    .arg(options.values.value(QStringLiteral("--type"))));
    }
    if (options.values.contains(QStringLiteral("--name"))) {
        values->name = options.values.value(QStringLiteral("--name")).trimmed();
        if (values->name->isEmpty())
            return context.refuse(QStringLiteral("--name: a name is needed"));
    }
    if (options.values.contains(QStringLiteral("--label")))
        values->label = options.values.value(QStringLiteral("--label"));
    if (options.values.contains(QStringLiteral("--notes")))
        values->notes = options.values.value(QStringLiteral("--notes"));
    values->noYear = options.flags.contains(QStringLiteral("--no-year"));
    values->year = options.flags.contains(QStringLiteral("--year"));
    values->once = options.flags.contains(QStringLiteral("--once"));
    values->yearly = options.flags.contains(QStringLiteral("--yearly"));
    if ((values->noYear && values->year) || (values->once && values->yearly))
        return usageError(context);
    return Success;
}

int CustomCommand::addEntry(CommandContext& context, const Values& values)
{
    RecordDatabase& db = context.database();
    const OccasionRecordPtr record = newCustomEntry();
    if (const int status = applyValues(context, *record, values); status != Success)
        return status;
    if (QString error; !db.addNewCustomRecord(record, true, &error))
        return context.refuse(error);
    context.printValue(QLatin1StringView("id"), OccasionId::of(*record, db.gregorian()));
    warnIfPassed(context, *record);
    context.requestRebuild();
    return Success;
}

int CustomCommand::editEntry(CommandContext& context, const QString& id, const Values& values)
{
    RecordDatabase& db = context.database();
    const OccasionRecordPtr record = findCustomEntry(db, id);
    if (!record)
        return context.refuse(QStringLiteral("no custom entry with id '%1'").arg(id));
    if (const int status = applyValues(context, *record, values); status != Success)
        return status;
    if (QString error; !db.updateCustomRecord(record, &error))
        return context.refuse(error);
    context.out.flush();
    if (values.date || values.once)
        warnIfPassed(context, *record);
    context.requestRebuild();
    return Success;
}

// Sets the given values on the record. A refused --year (the date, new or kept, has no
// year) leaves the record as it was.
int CustomCommand::applyValues(
    CommandContext& context, OccasionRecord& record, const Values& values)
{
    const Calendar& calendar = context.database().gregorian();
    const int resultingYear =
        values.date ? values.date->year() : calendar.components(record.rawDate).year;
    if (values.year && resultingYear == Person::NoYear)
        return context.refuse(QStringLiteral("--year: the entry's date has no year"));
    if (values.name)
        record.name = *values.name;
    if (values.type)
        record.type = *values.type;
    if (values.label)
        record.otherDateLabel = *values.label;
    if (values.notes)
        record.notes = *values.notes;
    if (values.date) {
        record.rawDate =
            calendar.date(values.date->year(), values.date->month(), values.date->day());
        // A day given with its year shows that year again; one without hides it.
        record.ignoreYear = values.date->year() == Person::NoYear;
    }
    if (values.noYear)
        record.ignoreYear = true;
    if (values.year)
        record.ignoreYear = false;
    if (values.once)
        record.onetime = true;
    if (values.yearly)
        record.onetime = false;
    // The year a one-time entry happens in follows its date; a day without year happens
    // when it next comes round (today included).
    if (record.onetime && (values.date || values.once)) {
        const DateParts day = calendar.components(record.rawDate);
        const DateParts today = calendar.components(context.clock->now());
        record.oneTimeYear = day.year;
        if (day.year == Person::NoYear)
            record.oneTimeYear = std::pair(day.month, day.day) < std::pair(today.month, today.day)
                ? today.year + 1
                : today.year;
    }
    return Success;
}

} // namespace fetemark::cli
