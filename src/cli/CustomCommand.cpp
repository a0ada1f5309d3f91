#include "CustomCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/OccasionLookup.h"
#include "cli/ParsedOptions.h"

#include "core/database/RecordDatabase.h"
#include "core/records/OccasionId.h"

#include <QRegularExpression>

#include <optional>

namespace fetemark::cli {
namespace {

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

} // namespace fetemark::cli
