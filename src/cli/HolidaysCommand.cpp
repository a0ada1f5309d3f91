#include "HolidaysCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/TextColumns.h"

#include "core/database/RecordDatabase.h"
#include "core/holidays/HolidayCatalogue.h"
#include "core/holidays/HolidayChoices.h"
#include "core/settings/SettingsKeys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace fetemark::cli {
namespace {

constexpr QLatin1StringView Subscribe {"subscribe"};
constexpr QLatin1StringView Unsubscribe {"unsubscribe"};

// One line of `holidays categories`: a row of the categories screen, or the category
// that screen leaves out.
struct CategoryLine {
    HolidayCategoryRow row;
    QLatin1StringView kind;
};

std::vector<CategoryLine> categoryLines(CommandContext& context, const HolidayCatalogue& catalogue,
    const HolidaySubscriptions& subscriptions)
{
    HolidayCategoryList list(catalogue, context.texts, context.device.countryCode());
    list.refresh(subscriptions);
    std::vector<CategoryLine> lines;
    for (const HolidayCategoryRow& row : list.countries())
        lines.push_back({row, QLatin1StringView("country")});
    for (const HolidayCategoryRow& row : list.religions())
        lines.push_back({row, QLatin1StringView("religion")});
    if (const HolidayCategory* general = catalogue.category(QString(HolidayCatalogue::General))) {
        HolidayCategoryRow row;
        row.key = general->key;
        row.title = HolidayTexts::categoryName(context.texts, general->key);
        row.checked = subscriptions.checkedCount(general->key);
        row.total = int(general->holidayKeys.size());
        lines.push_back({row, QLatin1StringView("general")});
    }
    return lines;
}

bool holidaysShown(const CommandContext& context)
{
    return context.settings.boolValue(QString(Key::ShowHolidays));
}

void noteWhenSwitchedOff(CommandContext& context)
{
    if (!holidaysShown(context))
        context.note(QStringLiteral("holidays are switched off, so they will not show until "
                                    "'fetemark settings set show-holidays YES'"));
}

QString yesNo(bool value)
{
    return value ? QStringLiteral("YES") : QStringLiteral("NO");
}

void writeCategoriesText(CommandContext& context, const std::vector<CategoryLine>& lines)
{
    QTextStream& out = context.out;
    out << "show-holidays: " << yesNo(holidaysShown(context))
        << "  holiday-alerts: " << yesNo(context.settings.boolValue(QString(Key::HolidayAlerts)))
        << '\n';
    int keyWidth = 3;
    int nameWidth = 4;
    QStringList values;
    for (const CategoryLine& line : lines) {
        keyWidth = std::max(keyWidth, TextColumns::width(line.row.key));
        nameWidth = std::max(nameWidth, TextColumns::width(TextColumns::cellText(line.row.title)));
        values << HolidayCategoryList::valueText(line.row, context.texts);
    }
    int valueWidth = 6;
    for (const QString& value : values)
        valueWidth = std::max(valueWidth, TextColumns::width(value));
    out << TextColumns::padded(QStringLiteral("KEY"), keyWidth) << "  "
        << TextColumns::padded(QStringLiteral("NAME"), nameWidth) << "  CHOSEN\n";
    for (size_t i = 0; i < lines.size(); ++i) {
        const HolidayCategoryRow& row = lines[i].row;
        QString remark;
        if (row.isHome)
            remark = QStringLiteral("home country");
        else if (lines[i].kind == QLatin1StringView("general"))
            remark = QStringLiteral("not offered on the holidays screen");
        QString text = TextColumns::padded(row.key, keyWidth) + QStringLiteral("  ") +
            TextColumns::padded(TextColumns::cellText(row.title), nameWidth) +
            QStringLiteral("  ") + TextColumns::padded(values[qsizetype(i)], valueWidth) +
            QStringLiteral("  ") + remark;
        out << text.trimmed() << '\n';
    }
}

int categories(CommandContext& context, const HolidayCatalogue& catalogue)
{
    const std::vector<CategoryLine> lines =
        categoryLines(context, catalogue, HolidaySubscriptions::fromSettings(context.settings));
    if (!context.json) {
        writeCategoriesText(context, lines);
        context.out.flush();
        return Success;
    }
    QJsonArray array;
    for (const CategoryLine& line : lines) {
        array.append(QJsonObject {{QStringLiteral("key"), line.row.key},
            {QStringLiteral("name"), line.row.title}, {QStringLiteral("kind"), QString(line.kind)},
            {QStringLiteral("home"), line.row.isHome},
            {QStringLiteral("checked"),
                line.row.checked < 0 ? QJsonValue() : QJsonValue(line.row.checked)},
            {QStringLiteral("total"), line.row.total}});
    }
    const QJsonObject json {{QStringLiteral("showHolidays"), holidaysShown(context)},
        {QStringLiteral("holidayAlerts"), context.settings.boolValue(QString(Key::HolidayAlerts))},
        {QStringLiteral("categories"), array}};
    context.out << QJsonDocument(json).toJson(QJsonDocument::Indented);
    context.out.flush();
    return Success;
}

QDate todayOf(const CommandContext& context)
{
    const DateParts p = context.calendar.components(context.clock->now());
    return {p.year, p.month, p.day};
}

// The holidays of a category as the selection screen shows them.
HolidaySelection selectionOf(CommandContext& context, const HolidayCatalogue& catalogue,
    const QString& category, const HolidaySubscriptions& subscriptions)
{
    // Dated without loading the database: listing a category needs no contacts.
    const HolidayReader reader = HolidayReader::forMoment(context.clock->now(), context.settings,
        context.calendar, context.texts, CommandContext::resourceRoot());
    return HolidaySelection(
        category, catalogue, subscriptions, reader, context.texts, todayOf(context));
}

// One holiday of `holidays list`.
struct HolidayLine {
    const HolidayItem* item;
    QString value; // its day in words, or that it is more than a year away
    QString description;
};

void writeListText(
    CommandContext& context, const HolidayCategoryRow& row, const std::vector<HolidayLine>& lines)
{
    QTextStream& out = context.out;
    out << TextColumns::cellText(row.title) << " (" << row.key
        << "): " << HolidayCategoryList::valueText(row, context.texts) << '\n';
    int keyWidth = 0;
    int nameWidth = 0;
    for (const HolidayLine& line : lines) {
        keyWidth = std::max(keyWidth, TextColumns::width(line.item->key));
        nameWidth =
            std::max(nameWidth, TextColumns::width(TextColumns::cellText(line.item->title)));
    }
    for (const HolidayLine& line : lines) {
        const HolidayItem& item = *line.item;
        // A day-less holiday keeps the column: "-" as wide as a day.
        const QString day = item.wayout ? TextColumns::padded(QStringLiteral("-"), 10)
                                        : item.sort.toString(Qt::ISODate);
        out << (item.subscribed ? "[x] " : "[ ] ") << TextColumns::padded(item.key, keyWidth)
            << "  " << TextColumns::padded(TextColumns::cellText(item.title), nameWidth) << "  "
            << day << "  " << line.value << '\n';
        if (!line.description.isEmpty())
            out << "    " << TextColumns::cellText(line.description) << '\n';
    }
}

QJsonObject listJson(
    const HolidayCategoryRow& row, const std::vector<HolidayLine>& lines, const QDate& today)
{
    QJsonArray holidays;
    for (const HolidayLine& line : lines) {
        const HolidayItem& item = *line.item;
        holidays.append(QJsonObject {{QStringLiteral("key"), item.key},
            {QStringLiteral("name"), item.title}, {QStringLiteral("checked"), item.subscribed},
            {QStringLiteral("date"),
                item.wayout ? QJsonValue() : QJsonValue(item.sort.toString(Qt::ISODate))},
            {QStringLiteral("daysUntil"),
                item.wayout ? QJsonValue() : QJsonValue(today.daysTo(item.sort))},
            {QStringLiteral("dateText"), line.value},
            {QStringLiteral("description"), line.description}});
    }
    return QJsonObject {{QStringLiteral("category"), row.key}, {QStringLiteral("name"), row.title},
        {QStringLiteral("checked"), row.checked < 0 ? QJsonValue() : QJsonValue(row.checked)},
        {QStringLiteral("total"), row.total}, {QStringLiteral("holidays"), holidays}};
}

int list(
    CommandContext& context, const HolidayCatalogue& catalogue, const HolidayCategory& category)
{
    const HolidaySubscriptions subscriptions = HolidaySubscriptions::fromSettings(context.settings);
    const HolidaySelection selection = selectionOf(context, catalogue, category.key, subscriptions);
    const HolidayDayText dateText(context.texts.language(), context.device);
    std::vector<HolidayLine> lines;
    for (const HolidayItem& item : selection.items()) {
        lines.push_back({&item, HolidaySelection::valueText(item, context.texts, dateText),
            HolidayTexts::holidayInfo(context.texts, category.key, item.key)});
    }
    HolidayCategoryRow row;
    row.key = category.key;
    row.title = HolidayTexts::categoryName(context.texts, category.key);
    row.checked = subscriptions.checkedCount(category.key);
    row.total = int(category.holidayKeys.size());
    if (context.json)
        context.out << QJsonDocument(listJson(row, lines, todayOf(context)))
                           .toJson(QJsonDocument::Indented);
    else
        writeListText(context, row, lines);
    context.out.flush();
    noteWhenSwitchedOff(context);
    return Success;
}

// The catalogue's spelling of each asked holiday key; the ones it does not know go to
// `unknown`.
QStringList holidayKeys(
    const HolidayCategory& category, const QStringList& asked, QStringList* unknown)
{
    QStringList keys;
    for (const QString& key : asked) {
        const auto found = std::find_if(category.holidayKeys.begin(), category.holidayKeys.end(),
            [&](const QString& known) { return known.compare(key, Qt::CaseInsensitive) == 0; });
        if (found == category.holidayKeys.end())
            unknown->append(QLatin1Char('\'') + key + QLatin1Char('\''));
        else if (!keys.contains(*found))
            keys << *found;
    }
    return keys;
}

void reportChange(CommandContext& context, const HolidayCategory& category, bool check, int changed)
{
    const QString name = HolidayTexts::categoryName(context.texts, category.key);
    const HolidaySubscriptions subscriptions = HolidaySubscriptions::fromSettings(context.settings);
    const int checked = subscriptions.checkedCount(category.key);
    if (context.json) {
        const QJsonObject json {{QStringLiteral("category"), category.key},
            {QStringLiteral("changed"), changed},
            {QStringLiteral("checked"), checked < 0 ? QJsonValue() : QJsonValue(checked)},
            {QStringLiteral("total"), int(category.holidayKeys.size())}};
        context.out << QJsonDocument(json).toJson(QJsonDocument::Indented);
    } else if (changed == 0) {
        context.out << QStringLiteral("No change: the holidays of %1 were %2 already\n")
                           .arg(name,
                               check ? QStringLiteral("checked") : QStringLiteral("unchecked"));
    } else {
        context.out << QStringLiteral("%1 %2 %3 of %4\n")
                           .arg(check ? QStringLiteral("Checked") : QStringLiteral("Unchecked"))
                           .arg(changed)
                           .arg(changed == 1 ? QStringLiteral("holiday")
                                             : QStringLiteral("holidays"),
                               name);
    }
    context.out.flush();
    if (check)
        noteWhenSwitchedOff(context);
}

// Checks or unchecks the asked holidays (all of the category without keys) in the
// choice as stored now, as the selection screen does.
int change(CommandContext& context, const HolidayCatalogue& catalogue,
    const HolidayCategory& category, const QStringList& asked, bool check)
{
    QStringList unknown;
    const QStringList keys = holidayKeys(category, asked, &unknown);
    if (!unknown.isEmpty())
        return context.refuse(QStringLiteral("%1 has no holiday %2 (see 'fetemark holidays list "
                                             "%1'); nothing changed")
                                  .arg(category.key, unknown.join(QStringLiteral(", "))));
    context.database();
    int changed = 0;
    const auto apply = [&](HolidaySubscriptions& subscriptions) {
        changed = 0;
        HolidaySelection selection = selectionOf(context, catalogue, category.key, subscriptions);
        for (size_t i = 0; i < selection.items().size(); ++i) {
            const HolidayItem& item = selection.items()[i];
            if (item.subscribed != check && (keys.isEmpty() || keys.contains(item.key))) {
                selection.toggle(i);
                ++changed;
            }
        }
        if (changed == 0)
            return;
        using Mode = HolidaySelection::Mode;
        const Mode mode =
            !keys.isEmpty() ? Mode::KeepEach : (check ? Mode::CheckAll : Mode::UncheckAll);
        selection.setSubscriptionValues(mode, subscriptions);
    };
    if (QString error;
        !HolidaySubscriptions::update(context.settings, &context.lock, apply, &error))
        return context.refuse(error);
    if (changed > 0) {
        context.database().updateHolidays();
        context.requestRebuild();
    }
    reportChange(context, category, check, changed);
    return Success;
}

const HolidayCategory* findCategory(const HolidayCatalogue& catalogue, const QString& asked)
{
    for (const HolidayCategory& category : catalogue.categories()) {
        if (category.key.compare(asked, Qt::CaseInsensitive) == 0)
            return &category;
    }
    return nullptr;
}

} // namespace

QString HolidaysCommand::usage() const
{
    return QStringLiteral("holidays categories\nholidays list CATEGORY\n"
                          "holidays subscribe CATEGORY [KEY...]\n"
                          "holidays unsubscribe CATEGORY [KEY...]");
}

QList<HelpItem> HolidaysCommand::help() const
{
    return {
        {QStringLiteral("categories"),
            QStringLiteral("the countries (home country first) and religions, how many of "
                           "their holidays are checked, and whether holidays show and alert")},
        {QStringLiteral("list CATEGORY"),
            QStringLiteral("the category's holidays by their next day: key, name, whether "
                           "checked, the day and a description")},
        {QStringLiteral("subscribe CATEGORY [KEY...]"),
            QStringLiteral("checks the holidays KEY, or without KEY all of the category")},
        {QStringLiteral("unsubscribe CATEGORY [KEY...]"),
            QStringLiteral("unchecks the holidays KEY, or without KEY all of the category")},
        {QStringLiteral("CATEGORY"),
            QStringLiteral("a category key as 'holidays categories' shows it (DE, CHRISTIAN), in "
                           "any case")},
        {QStringLiteral("KEY"),
            QStringLiteral("a holiday key as 'holidays list CATEGORY' shows it (good-friday)")},
    };
}

DataAccess HolidaysCommand::dataAccess(const QStringList& args) const
{
    const QString verb = args.value(0);
    return verb == Subscribe || verb == Unsubscribe ? DataAccess::ReadWrite : DataAccess::ReadOnly;
}

int HolidaysCommand::execute(CommandContext& context, const QStringList& args)
{
    const QString verb = args.value(0);
    const bool changes = verb == Subscribe || verb == Unsubscribe;
    const bool valid = (verb == QLatin1String("categories") && args.size() == 1) ||
        (verb == QLatin1String("list") && args.size() == 2) || (changes && args.size() >= 2);
    if (!valid)
        return usageError(context);
    QString error;
    const HolidayCatalogue catalogue =
        HolidayCatalogue::load(CommandContext::resourceRoot(), &error);
    if (catalogue.isEmpty())
        return context.refuse(QStringLiteral("the holiday catalogue cannot be read: %1")
                                  .arg(error.isEmpty() ? QStringLiteral("it is empty") : error));
    if (verb == QLatin1String("categories"))
        return categories(context, catalogue);
    const HolidayCategory* category = findCategory(catalogue, args[1]);
    if (!category)
        return context.refuse(
            QStringLiteral("unknown holiday category '%1' (see 'fetemark holidays categories')")
                .arg(args[1]));
    if (!changes)
        return list(context, catalogue, *category);
    return change(context, catalogue, *category, args.mid(2), verb == Subscribe);
}

} // namespace fetemark::cli
