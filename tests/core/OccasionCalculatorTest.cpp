#include "core/OccasionCalculator.h"

#include "core/Calendar.h"
#include "core/OccasionRecord.h"
#include "core/Settings.h"
#include "core/SettingsKeys.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using fetemark::Calendar;
using fetemark::DateParts;
using fetemark::OccasionCalculator;
using fetemark::OccasionRecord;
using fetemark::OccasionRecordPtr;
using fetemark::Settings;
namespace Key = fetemark::Key;

// Zone facts the rows rely on (tzdata):
//   Europe/Berlin      CET +1 / CEST +2; 2026-03-29 02:00 -> 03:00.
//   Pacific/Auckland   NZDT +13 / NZST +12; 2026-04-05 03:00 -> 02:00 (a 25-hour day),
//                      2026-09-27 02:00 -> 03:00 (a 23-hour day).
//   America/Sao_Paulo  2018-11-04 00:00 -03 -> 01:00 -02: that day has no midnight and
//                      begins at 01:00, 23 hours before the next midnight.

struct Day {
    int y = 0, m = 0, d = 0;
};

struct LocalTime {
    int y = 0, m = 0, d = 0, h = 12, mi = 0, s = 0;
};

QDateTime at(const Calendar& cal, const LocalTime& t)
{
    return cal.date(t.y, t.m, t.d, t.h, t.mi, t.s);
}

QDateTime midnight(const Calendar& cal, const Day& day)
{
    return cal.date(day.y, day.m, day.d);
}

std::string dayText(const Calendar& cal, const QDateTime& moment)
{
    if (!moment.isValid())
        return "<invalid>";
    const DateParts p = cal.components(moment);
    return QStringLiteral("%1-%2-%3 %4:%5")
        .arg(p.year)
        .arg(p.month, 2, 10, QLatin1Char('0'))
        .arg(p.day, 2, 10, QLatin1Char('0'))
        .arg(p.hour, 2, 10, QLatin1Char('0'))
        .arg(p.minute, 2, 10, QLatin1Char('0'))
        .toStdString();
}

// A moment is the beginning of its local day (midnight, or the first moment of a day
// whose midnight is skipped) and falls on the given date.
void expectStartOfDay(const Calendar& cal, const QDateTime& moment, const Day& day)
{
    ASSERT_TRUE(moment.isValid());
    const DateParts p = cal.components(moment);
    EXPECT_EQ(p.year, day.y);
    EXPECT_EQ(p.month, day.m);
    EXPECT_EQ(p.day, day.d);
    EXPECT_EQ(moment, cal.startOfDay(moment)) << dayText(cal, moment);
}

template <typename Row>
std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

// Failure messages name the row instead of dumping its bytes.
template <typename Row>
    requires requires(const Row& r) { r.name; }
void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.name;
}

// Settings with every registered default, plus the row's stored values.
std::unique_ptr<Settings> makeSettings(const fetemark::test::TempDir& dir, const QVariantMap& stored = {})
{
    auto settings = std::make_unique<Settings>(dir.file(QStringLiteral("Preferences.plist")));
    settings->registerDefaults(fetemark::registeredDefaults());
    for (auto it = stored.begin(); it != stored.end(); ++it)
        settings->setValue(it.key(), it.value());
    return settings;
}

// The next occurrence of a record and its day count.

struct DateRow {
    std::string name;
    const char* zone = "UTC";
    LocalTime now;
    Day raw;
    const char* rawUtc = nullptr;  // the stored moment itself, instead of `raw`
    int window = 14;
    int pastDays = 0;
    bool ignoreYear = false;
    bool custom = false;
    bool onetime = false;
    int oneTimeYear = 0;
    // Expected
    Day occurrence;
    int days = 0;
    bool upcoming = false;
    bool belated = false;
};

std::vector<DateRow> dateRows()
{
    // Rules that must hold whatever the zone.
    const std::vector<DateRow> everywhere = {
        // 29 February.
        {.name = "LeapDayOnMarch1OfCommonYearIsBelated28Feb", .now = {2027, 3, 1}, .raw = {2000, 2, 29},
         .occurrence = {2027, 2, 28}, .days = -1, .belated = true},
        {.name = "LeapDayInLeapYearStays29Feb", .now = {2028, 1, 10}, .raw = {2000, 2, 29},
         .occurrence = {2028, 2, 29}, .days = 50},
        {.name = "LeapDayOnMarch2MovesToNextLeapYear", .now = {2027, 3, 2}, .raw = {2000, 2, 29},
         .occurrence = {2028, 2, 29}, .days = 364},
        {.name = "LeapDayOnMarch2MovesToNextCommonYear28Feb", .now = {2025, 3, 2}, .raw = {2000, 2, 29},
         .occurrence = {2026, 2, 28}, .days = 363},
        // The past test sees 1 March; only then does the date become 28 February.
        {.name = "LeapDayWithOnePastDayOnMarch2Keeps28Feb", .now = {2027, 3, 2}, .raw = {2000, 2, 29},
         .pastDays = 1, .occurrence = {2027, 2, 28}, .days = -2, .belated = true},
        {.name = "LeapDayOnJanuary10OfCommonYearIs28Feb", .now = {2027, 1, 10}, .raw = {2000, 2, 29},
         .occurrence = {2027, 2, 28}, .days = 49},
        // Years.
        {.name = "AnniversaryTwoYearsAheadKeepsItsYear", .now = {2026, 6, 1}, .raw = {2028, 7, 1},
         .occurrence = {2028, 7, 1}, .days = 761},
        {.name = "FutureYearWithIgnoreYearComesThisYear", .now = {2026, 6, 1}, .raw = {2028, 7, 1},
         .ignoreYear = true, .occurrence = {2026, 7, 1}, .days = 30},
        {.name = "IgnoreYearWithBirthYear", .now = {2026, 5, 1}, .raw = {1980, 5, 10}, .ignoreYear = true,
         .occurrence = {2026, 5, 10}, .days = 9, .upcoming = true},
        {.name = "IgnoreYearPassedThisYearComesNextYear", .now = {2026, 5, 1}, .raw = {1980, 4, 30},
         .ignoreYear = true, .occurrence = {2027, 4, 30}, .days = 364},
        {.name = "BirthdayInItsOwnYearAlreadyPassed", .now = {2026, 5, 1}, .raw = {2026, 1, 1},
         .occurrence = {2027, 1, 1}, .days = 245},
        // Upcoming window 14.
        {.name = "WindowToday", .now = {2026, 3, 5}, .raw = {1990, 3, 5}, .occurrence = {2026, 3, 5}, .days = 0,
         .upcoming = true},
        {.name = "WindowIn14Days", .now = {2026, 3, 5}, .raw = {1990, 3, 19}, .occurrence = {2026, 3, 19},
         .days = 14, .upcoming = true},
        {.name = "WindowIn15Days", .now = {2026, 3, 5}, .raw = {1990, 3, 20}, .occurrence = {2026, 3, 20},
         .days = 15},
        {.name = "WindowZeroStillToday", .now = {2026, 3, 5}, .raw = {1990, 3, 5}, .window = 0,
         .occurrence = {2026, 3, 5}, .days = 0, .upcoming = true},
        // Past days.
        {.name = "YesterdayWithoutPastDaysIsNextYear", .now = {2026, 3, 5}, .raw = {1990, 3, 4},
         .occurrence = {2027, 3, 4}, .days = 364},
        {.name = "YesterdayWithOnePastDayIsBelated", .now = {2026, 3, 5}, .raw = {1990, 3, 4}, .pastDays = 1,
         .occurrence = {2026, 3, 4}, .days = -1, .belated = true},
        // Past days reaching back over New Year keep last December's occasions listed.
        {.name = "PastDaysReachIntoLastYear", .now = {2026, 1, 3}, .raw = {1990, 12, 31}, .pastDays = 5,
         .occurrence = {2025, 12, 31}, .days = -3, .belated = true},
        {.name = "PastDaysIntoLastYearOnlyAsFarAsTheyGo", .now = {2026, 1, 3}, .raw = {1990, 12, 31},
         .pastDays = 2, .occurrence = {2026, 12, 31}, .days = 362},
        {.name = "PastDaysIntoLastYearWithIgnoreYear", .now = {2026, 1, 3}, .raw = {2030, 12, 30}, .pastDays = 5,
         .ignoreYear = true, .occurrence = {2025, 12, 30}, .days = -4, .belated = true},
        {.name = "PastDaysIntoLastYearJanuaryDateComesThisYear", .now = {2026, 1, 3}, .raw = {1990, 1, 5},
         .pastDays = 5, .occurrence = {2026, 1, 5}, .days = 2, .upcoming = true},
        {.name = "PastDaysIntoLastYearFutureYearKept", .now = {2026, 1, 3}, .raw = {2027, 1, 1}, .pastDays = 5,
         .occurrence = {2027, 1, 1}, .days = 363},
        // One-time custom entries ("1145" = 30).
        {.name = "OneTimeLastYear20DaysAgoIsBelated", .now = {2026, 1, 10}, .raw = {1604, 12, 21}, .pastDays = 30,
         .ignoreYear = true, .custom = true, .onetime = true, .oneTimeYear = 2025, .occurrence = {2025, 12, 21},
         .days = -20, .belated = true},
        {.name = "OneTimeWithItsYear20DaysAgoIsBelated", .now = {2026, 1, 10}, .raw = {2025, 12, 21},
         .pastDays = 30, .custom = true, .onetime = true, .oneTimeYear = 2025, .occurrence = {2025, 12, 21},
         .days = -20, .belated = true},
        {.name = "OneTimeHiddenYearUsesOneTimeYear", .now = {2026, 1, 10}, .raw = {1604, 5, 1}, .ignoreYear = true,
         .custom = true, .onetime = true, .oneTimeYear = 2027, .occurrence = {2027, 5, 1}, .days = 476},
        {.name = "OneTimeFlagCountsOnlyForCustomEntries", .now = {2026, 1, 10}, .raw = {1990, 12, 21},
         .ignoreYear = true, .onetime = true, .oneTimeYear = 2025, .occurrence = {2026, 12, 21}, .days = 345},
        // Today seen from either end of the day.
        {.name = "TomorrowSeenAt2359", .now = {2026, 3, 4, 23, 59, 59}, .raw = {1990, 3, 5},
         .occurrence = {2026, 3, 5}, .days = 1, .upcoming = true},
        {.name = "TodaySeenAtMidnight", .now = {2026, 3, 5, 0, 0, 0}, .raw = {1990, 3, 5},
         .occurrence = {2026, 3, 5}, .days = 0, .upcoming = true},
        {.name = "YesterdaySeenAtMidnightIsNextYear", .now = {2026, 3, 5, 0, 0, 0}, .raw = {1990, 3, 4},
         .occurrence = {2027, 3, 4}, .days = 364},
    };

    std::vector<DateRow> rows;
    for (const char* zone : {"UTC", "Pacific/Auckland"}) {
        for (DateRow row : everywhere) {
            row.zone = zone;
            row.name = QString::fromLatin1(zone).replace(QLatin1Char('/'), QLatin1Char('_')).toStdString() + "_"
                + row.name;
            rows.push_back(row);
        }
    }

    const std::vector<DateRow> oneZoneOnly = {
        // Berlin: the spring change.
        {.name = "Berlin_DayOfSpringChangeSeenAt2359", .zone = "Europe/Berlin", .now = {2026, 3, 28, 23, 59},
         .raw = {1990, 3, 29}, .occurrence = {2026, 3, 29}, .days = 1, .upcoming = true},
        {.name = "Berlin_DayAfterSpringChangeSeenAtMidnight", .zone = "Europe/Berlin", .now = {2026, 3, 29, 0, 0},
         .raw = {1990, 3, 30}, .occurrence = {2026, 3, 30}, .days = 1, .upcoming = true},
        // Auckland: a 25-hour and a 23-hour day.
        {.name = "Auckland_AutumnChangeDaySeenAt2359", .zone = "Pacific/Auckland", .now = {2026, 4, 4, 23, 59},
         .raw = {1990, 4, 5}, .occurrence = {2026, 4, 5}, .days = 1, .upcoming = true},
        {.name = "Auckland_AfterAutumnChangeSeenAtMidnight", .zone = "Pacific/Auckland", .now = {2026, 4, 5, 0, 0},
         .raw = {1990, 4, 6}, .occurrence = {2026, 4, 6}, .days = 1, .upcoming = true},
        {.name = "Auckland_SpringChangeDaySeenAt2359", .zone = "Pacific/Auckland", .now = {2026, 9, 26, 23, 59},
         .raw = {1990, 9, 27}, .occurrence = {2026, 9, 27}, .days = 1, .upcoming = true},
        {.name = "Auckland_AfterSpringChangeSeenAtMidnight", .zone = "Pacific/Auckland", .now = {2026, 9, 27, 0, 0},
         .raw = {1990, 9, 28}, .occurrence = {2026, 9, 28}, .days = 1, .upcoming = true},
        {.name = "Auckland_SpringChangeDayBelated", .zone = "Pacific/Auckland", .now = {2026, 9, 28, 0, 0},
         .raw = {1990, 9, 27}, .pastDays = 1, .occurrence = {2026, 9, 27}, .days = -1, .belated = true},
        // A contact's date stored as Auckland midnight is the previous day in UTC; the
        // day counts in the device's zone.
        {.name = "Auckland_StoredMidnightKeepsItsDay", .zone = "Pacific/Auckland", .now = {2026, 4, 1}, .raw = {},
         .rawUtc = "1990-04-04T12:00:00Z", .occurrence = {2026, 4, 5}, .days = 4, .upcoming = true},
        // Sao Paulo: 2018-11-04 begins at 01:00.
        {.name = "SaoPaulo_SkippedMidnightDaySeenAt2359", .zone = "America/Sao_Paulo", .now = {2018, 11, 3, 23, 59},
         .raw = {1990, 11, 4}, .occurrence = {2018, 11, 4}, .days = 1, .upcoming = true},
        {.name = "SaoPaulo_SkippedMidnightDayIsToday", .zone = "America/Sao_Paulo", .now = {2018, 11, 4, 1, 0},
         .raw = {1990, 11, 4}, .occurrence = {2018, 11, 4}, .days = 0, .upcoming = true},
        {.name = "SaoPaulo_NextDayIsAWholeDayAway", .zone = "America/Sao_Paulo", .now = {2018, 11, 4, 10, 0},
         .raw = {1990, 11, 5}, .occurrence = {2018, 11, 5}, .days = 1, .upcoming = true},
        {.name = "SaoPaulo_YesterdayWithOnePastDayIsBelated", .zone = "America/Sao_Paulo", .now = {2018, 11, 4, 10, 0},
         .raw = {1990, 11, 3}, .pastDays = 1, .occurrence = {2018, 11, 3}, .days = -1, .belated = true},
        {.name = "SaoPaulo_SkippedMidnightDayBelated", .zone = "America/Sao_Paulo", .now = {2018, 11, 5, 0, 0},
         .raw = {1990, 11, 4}, .pastDays = 1, .occurrence = {2018, 11, 4}, .days = -1, .belated = true},
    };
    rows.insert(rows.end(), oneZoneOnly.begin(), oneZoneOnly.end());
    return rows;
}

class OccasionCalculatorDates : public testing::TestWithParam<DateRow> {};

TEST_P(OccasionCalculatorDates, NextOccurrenceAndFlags)
{
    const DateRow& row = GetParam();
    const Calendar cal(QString::fromLatin1(row.zone));
    ASSERT_TRUE(cal.isValid());
    const OccasionCalculator calc(cal, at(cal, row.now), row.window, row.pastDays);

    OccasionRecord record;
    record.rawDate = row.rawUtc ? fetemark::test::utc(row.rawUtc) : midnight(cal, row.raw);
    record.ignoreYear = row.ignoreYear;
    record.isCustomEntry = row.custom;
    record.onetime = row.onetime;
    record.oneTimeYear = row.oneTimeYear;
    record.ignoreForUpcoming = true;
    calc.calculate(record);

    expectStartOfDay(cal, record.sortDate, row.occurrence);
    EXPECT_EQ(record.month, row.occurrence.m);
    EXPECT_EQ(record.daysUntilDate, row.days);
    EXPECT_EQ(record.isUpcoming, row.upcoming);
    EXPECT_EQ(record.isBelated, row.belated);
    EXPECT_FALSE(record.isUpcoming && record.isBelated);
    EXPECT_EQ(record.ignoreForUpcoming, row.days < 91);
    // The reminder key names exactly this occurrence.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]+$")).match(record.notificationDate).hasMatch())
        << record.notificationDate.toStdString();
    bool ok = false;
    EXPECT_EQ(record.notificationDate.toLongLong(&ok, 16), record.sortDate.toSecsSinceEpoch());
    EXPECT_TRUE(ok);
}

INSTANTIATE_TEST_SUITE_P(OccasionCalculator, OccasionCalculatorDates, testing::ValuesIn(dateRows()),
                         rowName<DateRow>);

// Reminder keys of known days: whole seconds of the local midnight, upper-case hex.

struct KeyRow {
    std::string name;
    const char* zone;
    Day day;
    const char* key;
};

class OccasionCalculatorKeys : public testing::TestWithParam<KeyRow> {};

TEST_P(OccasionCalculatorKeys, NotificationDateOfKnownDay)
{
    const KeyRow& row = GetParam();
    const Calendar cal(QString::fromLatin1(row.zone));
    // Seen a few days before, so the occurrence is the day itself.
    const OccasionCalculator calc(cal, cal.date(row.day.y, row.day.m, row.day.d - 3, 9, 0), 14, 0);
    OccasionRecord record;
    record.rawDate = cal.date(1980, row.day.m, row.day.d);
    calc.calculate(record);
    EXPECT_EQ(record.notificationDate.toStdString(), row.key);
    EXPECT_EQ(record.daysUntilDate, 3);
}

INSTANTIATE_TEST_SUITE_P(
    OccasionCalculator, OccasionCalculatorKeys,
    testing::Values(
        // 2027-03-05T00:00+01:00 = 1804201200 s
        KeyRow{"Berlin_2027_03_05", "Europe/Berlin", {2027, 3, 5}, "6B89ECF0"},
        // 2026-03-05T00:00+01:00 = 1772665200 s
        KeyRow{"Berlin_2026_03_05", "Europe/Berlin", {2026, 3, 5}, "69A8B970"},
        // 2026-03-05T00:00Z = 1772668800 s
        KeyRow{"UTC_2026_03_05", "UTC", {2026, 3, 5}, "69A8C780"},
        // 2026-04-05T00:00+13:00 = 1775300400 s
        KeyRow{"Auckland_2026_04_05", "Pacific/Auckland", {2026, 4, 5}, "69D0EF30"},
        // 2026-09-27T00:00+12:00 = 1790424000 s
        KeyRow{"Auckland_2026_09_27", "Pacific/Auckland", {2026, 9, 27}, "6AB7B3C0"},
        // The day begins at 01:00-02:00 = 2018-11-04T03:00Z = 1541300400 s
        KeyRow{"SaoPaulo_2018_11_04", "America/Sao_Paulo", {2018, 11, 4}, "5BDE60B0"}),
    rowName<KeyRow>);

TEST(OccasionCalculatorKey, FormatsMomentsAsUpperCaseHexSeconds)
{
    const std::pair<QDateTime, const char*> rows[] = {
        {fetemark::test::utc("1970-01-01T00:00:00Z"), "0"},
        {fetemark::test::utc("2001-01-01T00:00:00Z"), "3A4FC880"},
        {fetemark::test::utc("2038-01-19T03:14:08Z"), "80000000"},  // past 32 bits
        {QDateTime(), ""},
    };
    for (const auto& [moment, key] : rows) {
        SCOPED_TRACE(key);
        EXPECT_EQ(OccasionCalculator::notificationKey(moment).toStdString(), key);
    }
}

TEST(OccasionCalculatorLeapYear, GregorianRule)
{
    const std::pair<int, bool> rows[] = {{2024, true}, {2027, false}, {2000, true}, {1900, false},
                                         {2100, false}, {1604, true}, {2400, true}};
    for (const auto& [year, leap] : rows) {
        SCOPED_TRACE(year);
        EXPECT_EQ(OccasionCalculator::isYearLeapYear(year), leap);
    }
}

// Today and the past limit.

struct LimitRow {
    std::string name;
    const char* zone;
    LocalTime now;
    int pastDays;
    Day today;
    Day past;
};

class OccasionCalculatorLimits : public testing::TestWithParam<LimitRow> {};

TEST_P(OccasionCalculatorLimits, TodayAndPastBeginTheirDays)
{
    const LimitRow& row = GetParam();
    const Calendar cal(QString::fromLatin1(row.zone));
    const OccasionCalculator calc(cal, at(cal, row.now), 14, row.pastDays);
    {
        SCOPED_TRACE("today");
        expectStartOfDay(cal, calc.today(), row.today);
    }
    {
        SCOPED_TRACE("past");
        expectStartOfDay(cal, calc.past(), row.past);
    }
}

INSTANTIATE_TEST_SUITE_P(
    OccasionCalculator, OccasionCalculatorLimits,
    testing::Values(LimitRow{"UTC_NoPastDays", "UTC", {2026, 3, 5, 23, 59, 59}, 0, {2026, 3, 5}, {2026, 3, 5}},
                    LimitRow{"UTC_ThirtyDaysAcrossYear", "UTC", {2026, 1, 10}, 30, {2026, 1, 10}, {2025, 12, 11}},
                    LimitRow{"Berlin_AcrossSpringChange", "Europe/Berlin", {2026, 3, 30, 0, 0}, 2, {2026, 3, 30},
                             {2026, 3, 28}},
                    LimitRow{"Auckland_AcrossAutumnChange", "Pacific/Auckland", {2026, 4, 6, 0, 30}, 1,
                             {2026, 4, 6}, {2026, 4, 5}},
                    LimitRow{"SaoPaulo_TodayWithoutMidnight", "America/Sao_Paulo", {2018, 11, 4, 10, 0}, 1,
                             {2018, 11, 4}, {2018, 11, 3}},
                    LimitRow{"SaoPaulo_PastDayWithoutMidnight", "America/Sao_Paulo", {2018, 11, 5, 10, 0}, 1,
                             {2018, 11, 5}, {2018, 11, 4}}),
    rowName<LimitRow>);

// Window and past days taken from the settings.

struct SettingsRow {
    std::string name;
    QVariantMap stored;
    int window;
    int pastDays;
};

class OccasionCalculatorSettings : public testing::TestWithParam<SettingsRow> {};

TEST_P(OccasionCalculatorSettings, WindowAndPastDaysFromSettings)
{
    const SettingsRow& row = GetParam();
    fetemark::test::TempDir dir;
    const auto settings = makeSettings(dir, row.stored);
    const Calendar cal(QStringLiteral("Europe/Berlin"));
    const OccasionCalculator calc(cal, cal.date(2026, 3, 5, 12), *settings);
    EXPECT_EQ(calc.upcomingWindow(), row.window);
    EXPECT_EQ(cal.calendarDaysBetween(calc.past(), calc.today()), row.pastDays);
}

INSTANTIATE_TEST_SUITE_P(
    OccasionCalculator, OccasionCalculatorSettings,
    testing::Values(SettingsRow{"Defaults", {}, 14, 0},
                    SettingsRow{"Stored", {{QString(Key::UpcomingWindow), 7}, {QString(Key::PastDays), 3}}, 7, 3},
                    SettingsRow{"StoredAsText", {{QString(Key::UpcomingWindow), QStringLiteral("31")},
                                                 {QString(Key::PastDays), QStringLiteral("30")}}, 31, 30}),
    rowName<SettingsRow>);

// One-time entries past the limit.

struct ExpiryRow {
    std::string name;
    LocalTime now;
    int pastDays;
    Day raw;
    bool ignoreYear;
    int oneTimeYear;
    bool custom = true;
    bool onetime = true;
    bool expired = false;
};

class OccasionCalculatorExpiry : public testing::TestWithParam<ExpiryRow> {};

TEST_P(OccasionCalculatorExpiry, OneTimeEntryBeforePastLimit)
{
    const ExpiryRow& row = GetParam();
    const Calendar cal(QStringLiteral("Europe/Berlin"));
    const OccasionCalculator calc(cal, at(cal, row.now), 14, row.pastDays);
    OccasionRecord record;
    record.rawDate = midnight(cal, row.raw);
    record.ignoreYear = row.ignoreYear;
    record.oneTimeYear = row.oneTimeYear;
    record.isCustomEntry = row.custom;
    record.onetime = row.onetime;
    EXPECT_EQ(calc.isExpiredOneTime(record), row.expired);
}

INSTANTIATE_TEST_SUITE_P(
    OccasionCalculator, OccasionCalculatorExpiry,
    testing::Values(
        ExpiryRow{"LastYear30DaysAgoShown", {2026, 1, 10}, 30, {1604, 12, 11}, true, 2025},
        ExpiryRow{"LastYear31DaysAgoHeldOver", {2026, 1, 10}, 30, {1604, 12, 10}, true, 2025, true, true, true},
        ExpiryRow{"OwnYear31DaysAgoHeldOver", {2026, 1, 10}, 30, {2025, 12, 10}, false, 2025, true, true, true},
        ExpiryRow{"OwnYearIgnoresOneTimeYear", {2026, 1, 10}, 30, {2025, 12, 10}, false, 2027, true, true, true},
        ExpiryRow{"HiddenYearUsesOneTimeYear", {2026, 1, 10}, 30, {2020, 12, 10}, true, 2026},
        ExpiryRow{"TodayWithoutPastDaysShown", {2026, 3, 5, 23, 59}, 0, {2026, 3, 5}, false, 2026},
        ExpiryRow{"YesterdayWithoutPastDaysHeldOver", {2026, 3, 5, 0, 0}, 0, {2026, 3, 4}, false, 2026, true, true,
                  true},
        ExpiryRow{"TwoDaysAgoWithoutPastDaysHeldOver", {2026, 3, 5}, 0, {2026, 3, 3}, true, 2026, true, true, true},
        ExpiryRow{"NotOneTimeNeverExpires", {2026, 1, 10}, 0, {2020, 12, 10}, false, 0, true, false},
        ExpiryRow{"ContactDateNeverExpires", {2026, 1, 10}, 0, {2020, 12, 10}, false, 0, false, true}),
    rowName<ExpiryRow>);

// The badge count.

enum class Source { Contact, Custom, Facebook, Holiday };

struct UpcomingRecord {
    Source source = Source::Contact;
    int daysAhead = 0;
    bool alertsOff = false;
    bool ignoreForUpcoming = false;
    bool ignoredFacebook = false;
    bool noDate = false;
};

struct UpcomingRow {
    std::string name;
    std::vector<UpcomingRecord> records;
    QVariantMap stored;
    int expected;
    int countWindow = 14;  // window of the calculator that counts
    int pastDays = 0;
};

class OccasionCalculatorUpcoming : public testing::TestWithParam<UpcomingRow> {};

TEST_P(OccasionCalculatorUpcoming, BadgeCount)
{
    const UpcomingRow& row = GetParam();
    fetemark::test::TempDir dir;
    const auto settings = makeSettings(dir, row.stored);
    const Calendar cal(QStringLiteral("Europe/Berlin"));
    const QDateTime now = cal.date(2026, 3, 5, 8, 0);
    const OccasionCalculator computing(cal, now, 14, row.pastDays);

    std::vector<OccasionRecordPtr> records;
    for (const UpcomingRecord& wanted : row.records) {
        auto r = std::make_shared<OccasionRecord>();
        if (!wanted.noDate)
            r->rawDate = cal.date(1990, 3, 5 + wanted.daysAhead);
        r->isCustomEntry = wanted.source == Source::Custom;
        r->isFacebookEntry = wanted.source == Source::Facebook;
        r->isHoliday = wanted.source == Source::Holiday;
        r->type = wanted.source == Source::Holiday ? OccasionRecord::Holiday : OccasionRecord::Birthday;
        records.push_back(r);
    }
    computing.calculate(records);
    // The user's choices, set after the dates were computed so that the count itself must
    // clear ignoreForUpcoming far ahead.
    for (size_t i = 0; i < records.size(); ++i) {
        records[i]->alertsOff = row.records[i].alertsOff;
        records[i]->ignoreForUpcoming = row.records[i].ignoreForUpcoming;
        records[i]->isIgnoredFacebook = row.records[i].ignoredFacebook;
    }

    const OccasionCalculator counting(cal, now, row.countWindow, row.pastDays);
    EXPECT_EQ(counting.calculateUpcoming(records, *settings), row.expected);

    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "record " << i);
        const OccasionRecord& r = *records[i];
        const bool dated = !row.records[i].noDate;
        EXPECT_EQ(r.isUpcoming, dated && r.daysUntilDate >= 0 && r.daysUntilDate <= row.countWindow);
        EXPECT_FALSE(r.isUpcoming && r.isBelated);
        EXPECT_EQ(r.ignoreForUpcoming, row.records[i].ignoreForUpcoming && !(dated && r.daysUntilDate >= 91));
    }
}

const QString kHolidayAlerts(Key::HolidayAlerts);
const QString kShowCustom(Key::ShowCustom);
const QString kShowFacebook(Key::ShowFacebook);
const QString kBadgeMode(Key::BadgeMode);

INSTANTIATE_TEST_SUITE_P(
    OccasionCalculator, OccasionCalculatorUpcoming,
    testing::Values(
        UpcomingRow{"ContactToday", {{Source::Contact, 0}}, {}, 1},
        UpcomingRow{"ContactIn14Days", {{Source::Contact, 14}}, {}, 1},
        UpcomingRow{"ContactIn15Days", {{Source::Contact, 15}}, {}, 0},
        UpcomingRow{"WiderWindowRefreshesUpcoming", {{Source::Contact, 20}}, {}, 1, 30},
        UpcomingRow{"NarrowerWindowRefreshesUpcoming", {{Source::Contact, 5}}, {}, 0, 3},
        UpcomingRow{"BelatedNeverCounts", {{Source::Contact, -1}}, {}, 0, 14, 1},
        UpcomingRow{"EveryUpcomingCounts",
                    {{Source::Contact, 0}, {Source::Contact, 3}, {Source::Custom, 0}, {Source::Contact, 20}}, {}, 3},
        UpcomingRow{"TodayOnlyMode",
                    {{Source::Contact, 0}, {Source::Contact, 3}, {Source::Custom, 0}, {Source::Contact, 20}},
                    {{kBadgeMode, 0}}, 2},
        UpcomingRow{"TodayOnlyModeNothingToday", {{Source::Contact, 1}}, {{kBadgeMode, 0}}, 0},
        UpcomingRow{"HolidayTodayWithoutHolidayAlerts", {{Source::Holiday, 0}}, {}, 0},
        UpcomingRow{"HolidayTodayWithHolidayAlerts", {{Source::Holiday, 0}}, {{kHolidayAlerts, true}}, 1},
        UpcomingRow{"HolidayTodayTodayOnlyMode", {{Source::Holiday, 0}}, {{kHolidayAlerts, true}, {kBadgeMode, 0}},
                    1},
        UpcomingRow{"CustomEntryShown", {{Source::Custom, 2}}, {}, 1},
        UpcomingRow{"CustomEntryHidden", {{Source::Custom, 2}}, {{kShowCustom, false}}, 0},
        UpcomingRow{"FacebookEntryHiddenByDefault", {{Source::Facebook, 2}}, {}, 0},
        UpcomingRow{"FacebookEntryShown", {{Source::Facebook, 2}}, {{kShowFacebook, true}}, 1},
        UpcomingRow{"IgnoredFacebookEntry", {{.source = Source::Facebook, .daysAhead = 2, .ignoredFacebook = true}},
                    {{kShowFacebook, true}}, 0},
        UpcomingRow{"AlertsOff", {{.daysAhead = 0, .alertsOff = true}}, {}, 0},
        UpcomingRow{"IgnoredForUpcoming", {{.daysAhead = 3, .ignoreForUpcoming = true}}, {}, 0},
        UpcomingRow{"IgnoreForUpcomingKeptAt90Days", {{.daysAhead = 90, .ignoreForUpcoming = true}}, {}, 0},
        UpcomingRow{"IgnoreForUpcomingClearedAt91Days", {{.daysAhead = 91, .ignoreForUpcoming = true}}, {}, 0},
        UpcomingRow{"RecordWithoutDateNeverCounts", {{.noDate = true}}, {{kBadgeMode, 0}}, 0},
        UpcomingRow{"NoRecords", {}, {}, 0}),
    rowName<UpcomingRow>);

// Records the calculator cannot place.

TEST(OccasionCalculatorRobustness, UnplaceableRecordsGetNoDate)
{
    struct Row {
        const char* name;
        QDateTime now;
        QDateTime raw;
    };
    const Calendar cal(QStringLiteral("Europe/Berlin"));
    const Row rows[] = {
        {"no rawDate", cal.date(2026, 3, 5, 12), QDateTime()},
        {"no current time", QDateTime(), cal.date(1990, 3, 5)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const OccasionCalculator calc(cal, row.now, 14, 0);
        OccasionRecord record;
        record.rawDate = row.raw;
        // Stale values of an earlier pass must not survive.
        record.sortDate = cal.date(2026, 3, 5);
        record.month = 3;
        record.daysUntilDate = 0;
        record.isUpcoming = true;
        record.isBelated = true;
        record.notificationDate = QStringLiteral("69A8B970");
        calc.calculate(record);
        EXPECT_FALSE(record.sortDate.isValid());
        EXPECT_EQ(record.month, 0);
        EXPECT_FALSE(record.isUpcoming);
        EXPECT_FALSE(record.isBelated);
        EXPECT_TRUE(record.notificationDate.isEmpty());
    }
}

TEST(OccasionCalculatorRobustness, ArraysSkipMissingRecords)
{
    const Calendar cal(QStringLiteral("UTC"));
    const OccasionCalculator calc(cal, cal.date(2026, 3, 5, 12), 14, 0);
    fetemark::test::TempDir dir;
    const auto settings = makeSettings(dir);
    auto record = std::make_shared<OccasionRecord>();
    record->rawDate = cal.date(1990, 3, 6);
    const std::vector<OccasionRecordPtr> rows[] = {{nullptr, record}, {record, nullptr}};
    for (const auto& records : rows) {
        SCOPED_TRACE(records.front() ? "null last" : "null first");
        record->daysUntilDate = -7;
        calc.calculate(records);
        EXPECT_EQ(record->daysUntilDate, 1);
        EXPECT_EQ(calc.calculateUpcoming(records, *settings), 1);
    }
}

} // namespace
