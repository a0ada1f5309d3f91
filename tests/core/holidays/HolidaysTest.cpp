// Holidays over a small catalogue of our own in a temporary resource folder: the dating
// window, the choice of holidays, the records the database makes of them, and what the
// two holiday screens list.
#include "core/holidays/HolidayChoices.h"

#include "core/database/RecordDatabase.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Clock.h"
#include "platform/archive/PropertyList.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace fetemark;
using namespace Qt::StringLiterals;

namespace {

QString dayText(const Calendar& calendar, const QDateTime& moment)
{
    const DateParts p = calendar.components(moment);
    return QDate(p.year, p.month, p.day).toString(Qt::ISODate);
}

using Dates = QMap<QString, QStringList>; // "<category>_<holiday>" → days

// A resource folder with a catalogue, its date table and English names.
class HolidayResources {
public:
    test::TempDir dir;

    HolidayResources(const QMap<QString, QStringList>& categories, const Dates& dates)
    {
        QVariantList list;
        for (auto it = categories.cbegin(); it != categories.cend(); ++it) {
            QVariantList holidays;
            for (const QString& key : it.value())
                holidays << QVariantMap {{u"Key"_s, key}};
            list << QVariantMap {{u"Key"_s, it.key()}, {u"Holidays"_s, holidays}};
        }
        write(u"Holidays.plist"_s, QVariantMap {{u"Categories"_s, list}});
        QVariantMap table;
        for (auto it = dates.cbegin(); it != dates.cend(); ++it)
            table.insert(it.key(), it.value());
        write(u"HolidaysLookup.plist"_s, table);
        QDir(dir.path()).mkpath(u"en.lproj"_s);
        QByteArray names = "\"DE_name\" = \"Germany\";\n\"US_name\" = \"United States\";\n"
                           "\"AT_name\" = \"Austria\";\n\"ZW_name\" = \"Zimbabwe\";\n"
                           "\"CHRISTIAN_name\" = \"Christian\";\n\"JEWISH_name\" = \"Jewish\";\n"
                           "\"DE_xmas\" = \"Christmas Day\";\n";
        test::writeFile(dir.file(u"en.lproj/Holidays.strings"_s), names);
        QDir(dir.path()).mkpath(u"de.lproj"_s);
        test::writeFile(dir.file(u"de.lproj/Holidays.strings"_s),
            "\"DE_name\" = \"Deutschland\";\n\"US_name\" = \"Vereinigte Staaten\";\n"
            "\"AT_name\" = \"\xc3\x96sterreich\";\n\"ZW_name\" = \"Simbabwe\";\n");
    }
    void write(const QString& name, const QVariant& value)
    {
        ASSERT_TRUE(test::writeFile(dir.file(name), *PropertyList::writeXml(value)));
    }
};

// A database over its own data directory and the resources above, at a fixed moment in
// Berlin.
class Holidays {
public:
    test::TempDir data;
    HolidayResources resources;
    Settings settings {data.file(u"Preferences.plist"_s)};
    FixedClock clock;
    RecordDatabase db;

    Holidays(const QMap<QString, QStringList>& categories, const Dates& dates,
        const char* now = "2026-03-05T12:00:00Z")
        : resources(categories, dates), clock(test::utc(now)),
          db({settings, clock, {u"Europe/Berlin"_s, u"en_US"_s, {u"en"_s}}, data.path(),
              resources.dir.path()})
    {
        settings.registerDefaults(registeredDefaults());
        settings.setValue(QString(Key::ShowHolidays), true);
    }
    void check(const QString& category, const QStringList& holidays)
    {
        HolidaySubscriptions::update(
            settings, nullptr, [&](HolidaySubscriptions& s) { s.setCategory(category, holidays); });
    }
    HolidaySubscriptions subscriptions() const
    {
        return HolidaySubscriptions::fromSettings(settings);
    }
    // The listed holidays as "<customID> <day>", in list order.
    QStringList listed() const
    {
        QStringList out;
        for (const OccasionRecordPtr& r : db.records()) {
            if (r->isHoliday)
                out << r->customID + u' ' + dayText(db.gregorian(), r->sortDate);
        }
        return out;
    }
};

// ---- Dating: the window from the past days, and the second pass up to 367 days ----

struct DatingRow {
    const char* name;
    int pastDays;
    QStringList days;
    const char* expected; // "" for no record
};

class Dating : public testing::TestWithParam<DatingRow> { };

TEST_P(Dating, PicksTheFirstDayInsideTheWindow)
{
    // Today is 5 March 2026.
    const DatingRow& row = GetParam();
    Holidays h({{u"DE"_s, {u"day"_s}}}, {{u"DE_day"_s, row.days}});
    h.settings.setValue(QString(Key::PastDays), row.pastDays);
    const OccasionRecordPtr record = h.db.recordForHoliday(u"day"_s, u"DE"_s);
    if (QString::fromLatin1(row.expected).isEmpty()) {
        EXPECT_EQ(record, nullptr);
        return;
    }
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(dayText(h.db.gregorian(), record->rawDate), QString::fromLatin1(row.expected));
    EXPECT_EQ(record->customID, u"DE_day"_s);
    EXPECT_EQ(record->type, OccasionRecord::Holiday);
}

INSTANTIATE_TEST_SUITE_P(Holidays, Dating,
    testing::Values(
        DatingRow {"PastDaysKeepTwoDaysAgo", 3, {u"2026-03-03"_s, u"2027-03-02"_s}, "2026-03-03"},
        DatingRow {"NoPastDaysTakeNextYear", 0, {u"2026-03-03"_s, u"2027-03-02"_s}, "2027-03-02"},
        DatingRow {"TodayCounts", 0, {u"2026-03-05"_s}, "2026-03-05"},
        DatingRow {"Day364Found", 0, {u"2027-03-04"_s}, "2027-03-04"},
        DatingRow {"Day365OnlyInSecondPass", 0, {u"2027-03-05"_s}, "2027-03-05"},
        DatingRow {"Day366OnlyInSecondPass", 0, {u"2027-03-06"_s}, "2027-03-06"},
        DatingRow {"Day367NotFound", 0, {u"2027-03-07"_s}, ""},
        DatingRow {"SecondPassCountsFromPastLimit", 3, {u"2027-03-02"_s}, "2027-03-02"},
        DatingRow {
            "BadDayStringSkipped", 0, {u"2026-13-01"_s, u"soon"_s, u"2026-12-25"_s}, "2026-12-25"},
        DatingRow {"NoDaysNoRecord", 0, {}, ""}),
    test::RowName());

// ---- The choice of holidays ----

TEST(HolidayChoice, CheckingAllThenUncheckingAllKeepsTheCategoryUnsubscribed)
{
    Holidays h({{u"DE"_s, {u"a"_s, u"b"_s, u"c"_s}}},
        {{u"DE_a"_s, {u"2026-04-01"_s}}, {u"DE_b"_s, {u"2026-05-01"_s}}, {u"DE_c"_s, {}}});
    const HolidayReader reader = h.db.holidayReader();
    const auto catalogue = HolidayCatalogue::load(h.resources.dir.path());
    HolidaySubscriptions choice;
    HolidaySelection selection(u"DE"_s, catalogue, choice, reader, h.db.texts(), QDate(2026, 3, 5));

    selection.setSubscriptionValues(HolidaySelection::CheckAll, choice);
    EXPECT_EQ(choice.checkedCount(u"DE"_s), 3);
    selection.setSubscriptionValues(HolidaySelection::UncheckAll, choice);
    EXPECT_EQ(choice.toMap(),
        (QVariantMap {{u"DE"_s, QVariantMap {{u"categorysubscribedkey"_s, false}}}}));
    EXPECT_EQ(choice.checkedCount(u"DE"_s), -1);

    HolidayCategoryList rows(catalogue, h.db.texts(), u"DE"_s);
    rows.refresh(choice);
    EXPECT_EQ(HolidayCategoryList::valueText(rows.countries().at(0), h.db.texts()), u"Off"_s);
    selection.toggle(1);
    selection.setSubscriptionValues(HolidaySelection::KeepEach, choice);
    rows.refresh(choice);
    EXPECT_EQ(HolidayCategoryList::valueText(rows.countries().at(0), h.db.texts()), u"1 of 3"_s);
}

TEST(HolidayChoice, ItemsAreSortedByTheirNextDayAndFarOnesSayNoDay)
{
    Holidays h({{u"DE"_s, {u"late"_s, u"none"_s, u"early"_s}}},
        {{u"DE_late"_s, {u"2026-12-25"_s}}, {u"DE_early"_s, {u"2026-04-01"_s}}});
    h.check(u"DE"_s, {u"late"_s});
    const auto catalogue = HolidayCatalogue::load(h.resources.dir.path());
    HolidaySelection selection(u"DE"_s, catalogue, h.subscriptions(), h.db.holidayReader(),
        h.db.texts(), QDate(2026, 3, 5));
    QStringList seen;
    for (const HolidayItem& item : selection.items()) {
        seen << u"%1 %2 %3"_s.arg(item.key, item.subscribed ? u"checked"_s : u"-"_s,
            HolidaySelection::valueText(
                item, h.db.texts(), [](const QDate& d) { return d.toString(Qt::ISODate); }));
    }
    EXPECT_EQ(seen,
        (QStringList {u"early - 2026-04-01"_s, u"late checked 2026-12-25"_s,
            u"none - More than a year away"_s}));
}

TEST(HolidayChoice, CategoriesListTheHomeCountryFirstThenCountriesThenReligionsByName)
{
    Holidays h({{u"AT"_s, {}}, {u"DE"_s, {}}, {u"ZW"_s, {}}, {u"US"_s, {}}, {u"JEWISH"_s, {}},
                   {u"CHRISTIAN"_s, {}}, {u"GENERAL"_s, {}}},
        {});
    const auto catalogue = HolidayCatalogue::load(h.resources.dir.path());
    auto keys = [](const std::vector<HolidayCategoryRow>& rows) {
        QStringList out;
        for (const HolidayCategoryRow& row : rows)
            out << row.key + (row.isHome ? u"*"_s : QString());
        return out;
    };
    const HolidayCategoryList zimbabwe(catalogue, h.db.texts(), u"zw"_s);
    EXPECT_EQ(keys(zimbabwe.countries()), (QStringList {u"ZW*"_s, u"AT"_s, u"DE"_s, u"US"_s}));
    EXPECT_EQ(keys(zimbabwe.religions()), (QStringList {u"CHRISTIAN"_s, u"JEWISH"_s}));
    const HolidayCategoryList nowhere(catalogue, h.db.texts(), u"FR"_s);
    EXPECT_EQ(keys(nowhere.countries()), (QStringList {u"AT"_s, u"DE"_s, u"US"_s, u"ZW"_s}));
    const Texts german(u"DE"_s, h.resources.dir.path());
    const HolidayCategoryList inGerman(catalogue, german, u"FR"_s);
    EXPECT_EQ(keys(inGerman.countries()), (QStringList {u"DE"_s, u"AT"_s, u"ZW"_s, u"US"_s}));
}

// ---- Holiday records in the database ----

const QMap<QString, QStringList> Shared {
    {u"CHRISTIAN"_s, {u"xmas"_s}}, {u"DE"_s, {u"xmas"_s}}, {u"AT"_s, {u"xmas"_s}}};
const Dates SharedDates {{u"CHRISTIAN_xmas"_s, {u"2026-12-25"_s}},
    {u"DE_xmas"_s, {u"2026-12-25"_s}}, {u"AT_xmas"_s, {u"2026-12-25"_s}}};

struct DuplicateRow {
    const char* name;
    QStringList checked; // categories with "xmas" checked
    QStringList expected;
};

class Duplicates : public testing::TestWithParam<DuplicateRow> { };

TEST_P(Duplicates, AReligionsHolidayHidesTheSameHolidayOfACountry)
{
    Holidays h(Shared, SharedDates);
    for (const QString& category : GetParam().checked)
        h.check(category, {u"xmas"_s});
    h.db.loadDatabase();
    QStringList listed = h.listed();
    listed.sort();
    EXPECT_EQ(listed, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Holidays, Duplicates,
    testing::Values(DuplicateRow {"ReligionAndCountry", {u"DE"_s, u"CHRISTIAN"_s},
                        {u"CHRISTIAN_xmas 2026-12-25"_s}},
        DuplicateRow {
            "TwoCountries", {u"DE"_s, u"AT"_s}, {u"AT_xmas 2026-12-25"_s, u"DE_xmas 2026-12-25"_s}},
        DuplicateRow {"CountryAlone", {u"DE"_s}, {u"DE_xmas 2026-12-25"_s}}),
    test::RowName());

TEST(HolidayRecords, ARecordCarriesItsNameAndTheCategorysFlag)
{
    Holidays h(Shared, SharedDates);
    QDir(h.resources.dir.path()).mkpath(u"holidays"_s);
    test::writeFile(h.resources.dir.file(u"holidays/HOLIDAYS_DE_flag.png"_s), "png");
    h.check(u"DE"_s, {u"xmas"_s});
    h.check(u"AT"_s, {u"xmas"_s});
    h.db.loadDatabase();
    std::map<QString, QString> pictures;
    for (const OccasionRecordPtr& r : h.db.records())
        pictures[r->customID] = r->name + u'|' + r->holidayPhotoFilename;
    EXPECT_EQ(pictures[u"DE_xmas"_s], u"Christmas Day|HOLIDAYS_DE_flag.png"_s);
    // No name in the table: the key shows; no picture: none.
    EXPECT_EQ(pictures[u"AT_xmas"_s], u"AT_xmas|"_s);
}

TEST(HolidayRecords, ShowHolidaysOffLeavesNoHolidayRecords)
{
    Holidays h(Shared, SharedDates);
    h.check(u"DE"_s, {u"xmas"_s});
    h.db.loadDatabase();
    ASSERT_EQ(h.listed().size(), 1);
    h.settings.setValue(QString(Key::ShowHolidays), false);
    h.db.updateHolidays();
    EXPECT_TRUE(h.listed().isEmpty());
}

TEST(HolidayRecords, FlagsReturnWithAHolidayCheckedAgain)
{
    Holidays h(Shared, SharedDates);
    h.check(u"DE"_s, {u"xmas"_s});
    h.db.loadDatabase();
    h.db.records().at(0)->alertsOff = true;

    h.check(u"DE"_s, {});
    h.db.updateHolidays();
    EXPECT_TRUE(h.listed().isEmpty());
    ASSERT_TRUE(h.db.writeCustomEntries());
    h.db.loadDatabase(); // the held-over flags survive a new load too

    h.check(u"DE"_s, {u"xmas"_s});
    h.db.updateHolidays();
    ASSERT_EQ(h.listed(), QStringList {u"DE_xmas 2026-12-25"_s});
    EXPECT_TRUE(h.db.records().at(0)->alertsOff);
}

TEST(HolidayRecords, UnsubscribingTheLastHolidayDropsTheCategoryAndTheFlags)
{
    Holidays h({{u"DE"_s, {u"xmas"_s, u"other"_s}}}, SharedDates);
    h.check(u"DE"_s, {u"xmas"_s});
    h.db.loadDatabase();
    const OccasionRecordPtr record = h.db.records().at(0);
    record->alertsOff = true;
    ASSERT_TRUE(h.db.writeCustomEntries());

    ASSERT_TRUE(h.db.unsubscribeHoliday(record));
    EXPECT_TRUE(h.subscriptions().toMap().isEmpty());
    EXPECT_TRUE(h.listed().isEmpty());
    // Checked again, it comes back without the flag deleting it dropped.
    h.check(u"DE"_s, {u"xmas"_s});
    h.db.loadDatabase();
    ASSERT_EQ(h.listed().size(), 1);
    EXPECT_FALSE(h.db.records().at(0)->alertsOff);
}

TEST(HolidayRecords, AMissingOrDamagedDateTableGivesNoHolidaysAndNoFailure)
{
    for (const QByteArray& content :
        {QByteArray(), QByteArray("<?xml version=\"1.0\"?><plist><dict>")}) {
        Holidays h(Shared, SharedDates);
        const QString path = h.resources.dir.file(u"HolidaysLookup.plist"_s);
        QFile::remove(path);
        if (!content.isEmpty())
            test::writeFile(path, content);
        QString error;
        EXPECT_EQ(HolidayDateTable::load(h.resources.dir.path(), &error).size(), 0);
        EXPECT_FALSE(error.isEmpty());
        h.check(u"DE"_s, {u"xmas"_s});
        h.db.loadDatabase();
        EXPECT_TRUE(h.listed().isEmpty());
        EXPECT_TRUE(h.db.takeLoadWarnings().isEmpty());
    }
}

struct BoundaryRow {
    const char* name;
    const char* now;
    QStringList expected;
};

class YearBoundary : public testing::TestWithParam<BoundaryRow> { };

TEST_P(YearBoundary, TheNextDayIsPickedFromTheTable)
{
    Holidays h({{u"DE"_s, {u"xmas"_s, u"newyear"_s}}},
        {{u"DE_xmas"_s, {u"2026-12-25"_s, u"2027-12-25"_s}},
            {u"DE_newyear"_s, {u"2026-01-01"_s, u"2027-01-01"_s, u"2028-01-01"_s}}},
        GetParam().now);
    h.check(u"DE"_s, {u"xmas"_s, u"newyear"_s});
    h.db.loadDatabase();
    EXPECT_EQ(h.listed(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Holidays, YearBoundary,
    testing::Values(BoundaryRow {"NewYearsEve", "2026-12-31T12:00:00Z",
                        {u"DE_newyear 2027-01-01"_s, u"DE_xmas 2027-12-25"_s}},
        // 00:30 in Berlin is still 31 December in UTC: the day is the device zone's.
        BoundaryRow {"FirstOfJanuary", "2026-12-31T23:30:00Z",
            {u"DE_newyear 2027-01-01"_s, u"DE_xmas 2027-12-25"_s}},
        BoundaryRow {"SecondOfJanuary", "2027-01-02T12:00:00Z",
            {u"DE_xmas 2027-12-25"_s, u"DE_newyear 2028-01-01"_s}}),
    test::RowName());

TEST(HolidayRecords, AHolidayThatPassedWhileRunningMovesToItsNextDayInTheTable)
{
    // A moving holiday: next year's day is not this year's day a year on.
    Holidays h({{u"DE"_s, {u"easter"_s}}}, {{u"DE_easter"_s, {u"2026-04-05"_s, u"2027-03-28"_s}}},
        "2026-04-04T12:00:00Z");
    h.check(u"DE"_s, {u"easter"_s});
    h.db.loadDatabase();
    ASSERT_EQ(h.listed(), QStringList {u"DE_easter 2026-04-05"_s});
    h.clock.set(test::utc("2026-04-06T12:00:00Z"));
    h.db.updateDatabase();
    EXPECT_EQ(h.listed(), QStringList {u"DE_easter 2027-03-28"_s});
}

} // namespace
