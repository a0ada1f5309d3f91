#include "core/database/OccasionCalculator.h"

#include "core/records/OccasionRecord.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Calendar.h"
#include "support/RowPrinter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDate>

#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using fetemark::Calendar;
using fetemark::DateParts;
using fetemark::OccasionCalculator;
using fetemark::OccasionRecord;
using fetemark::OccasionRecordPtr;
using fetemark::Settings;
namespace Key = fetemark::Key;
using fetemark::test::PrintTo;

// Zone facts the rows rely on (tzdata):
//   Europe/Berlin      CET +1 / CEST +2; 2026-03-29 02:00 -> 03:00.
//   Pacific/Auckland   NZDT +13 / NZST +12; 2026-04-05 03:00 -> 02:00 (a 25-hour day),
//                      2026-09-27 02:00 -> 03:00 (a 23-hour day).
//   America/Sao_Paulo  2018-11-04 00:00 -03 -> 01:00 -02: that day begins at 01:00.

struct LocalTime {
    int y = 0, m = 0, d = 0, h = 12, mi = 0, s = 0;
};

QDateTime midnight(const Calendar& cal, QDate day)
{
    return cal.date(day.year(), day.month(), day.day());
}

// The moment begins its local day (midnight, or 01:00 where midnight is skipped) on `day`.
void expectStartOfDay(const Calendar& cal, const QDateTime& moment, QDate day)
{
    ASSERT_TRUE(moment.isValid());
    const DateParts p = cal.components(moment);
    EXPECT_EQ(std::tuple(p.year, p.month, p.day), std::tuple(day.year(), day.month(), day.day()));
    EXPECT_EQ(moment, cal.startOfDay(moment)) << "at " << p.hour << ':' << p.minute;
}

std::unique_ptr<Settings> makeSettings(
    const fetemark::test::TempDir& dir, const QVariantMap& stored = {})
{
    auto settings = std::make_unique<Settings>(dir.file(QStringLiteral("Preferences.plist")));
    settings->registerDefaults(fetemark::registeredDefaults());
    for (auto it = stored.begin(); it != stored.end(); ++it)
        settings->setValue(it.key(), it.value());
    return settings;
}

// The next occurrence of a record, its day count and flags; today and the past limit.
// Options of a row; most rows need none.
struct DateOptions {
    const char* zone = "Pacific/Auckland";
    const char* rawUtc = nullptr; // the stored moment itself, instead of `raw`
    int window = 14;
    int pastDays = 0;
    bool ignoreYear = false;
    bool custom = false;
    bool onetime = false;
    int oneTimeYear = 0;
    const char* key = nullptr; // reminder key worked out by hand: seconds of the day's start
};

// Stored on `raw` (local midnight), seen at `now`: the next occurrence and its day count,
// upcoming when within the window and belated when before today.
struct DateRow {
    std::string name;
    LocalTime now;
    QDate raw;
    QDate occurrence;
    int days;
    DateOptions with = {};
};

const DateRow dateRows[] = {
    // 29 February: kept in February, on the 28th in a common year.
    {"LeapDayOnMarch1OfCommonYearIsBelated28Feb", {2027, 3, 1}, {2000, 2, 29}, {2027, 2, 28}, -1},
    {"LeapDayOnMarch2MovesToNextLeapYear", {2027, 3, 2}, {2000, 2, 29}, {2028, 2, 29}, 364},
    {"LeapDayOnMarch2MovesToNextCommonYear28Feb", {2025, 3, 2}, {2000, 2, 29}, {2026, 2, 28}, 363},
    // The past test sees 1 March; only then does the date become 28 February.
    {"LeapDayWithOnePastDayOnMarch2Keeps28Feb", {2027, 3, 2}, {2000, 2, 29}, {2027, 2, 28}, -2,
        {.pastDays = 1}},
    {"LeapDayOnJanuary10OfLeapYearStays29Feb", {2028, 1, 10}, {2000, 2, 29}, {2028, 2, 29}, 50},
    {"LeapDayOnJanuary10OfCommonYearIs28Feb", {2027, 1, 10}, {2000, 2, 29}, {2027, 2, 28}, 49},
    // Years.
    // Its reminder key needs more than 32 bits.
    {"FutureYearKeepsItsYear", {2026, 6, 1}, {2040, 7, 1}, {2040, 7, 1}, 5144, {.key = "8499C6C0"}},
    {"FutureYearWithIgnoreYearComesThisYear", {2026, 6, 1}, {2040, 7, 1}, {2026, 7, 1}, 30,
        {.ignoreYear = true}},
    {"OwnYearAlreadyPassedComesNextYear", {2026, 5, 1}, {2026, 1, 1}, {2027, 1, 1}, 245},
    // Window edges and today seen from either end of the day.
    {"WindowLastDay", {2026, 3, 5}, {1990, 3, 19}, {2026, 3, 19}, 14},
    {"WindowDayAfter", {2026, 3, 5}, {1990, 3, 20}, {2026, 3, 20}, 15},
    {"TodaySeenAtMidnightWindowZero", {2026, 3, 5, 0, 0, 0}, {1990, 3, 5}, {2026, 3, 5}, 0,
        {.window = 0}},
    {"TomorrowSeenAt235959", {2026, 3, 4, 23, 59, 59}, {1990, 3, 5}, {2026, 3, 5}, 1},
    // Past days.
    {"YesterdaySeenAtMidnightIsNextYear", {2026, 3, 5, 0, 0, 0}, {1990, 3, 4}, {2027, 3, 4}, 364},
    {"YesterdayWithOnePastDayIsBelated", {2026, 3, 5}, {1990, 3, 4}, {2026, 3, 4}, -1,
        {.pastDays = 1}},
    // Past days reaching back over New Year keep last December's occasions listed.
    {"PastDaysReachIntoLastYear", {2026, 1, 3}, {1990, 12, 31}, {2025, 12, 31}, -3,
        {.pastDays = 5}},
    {"PastDaysIntoLastYearOnlyAsFarAsTheyGo", {2026, 1, 3}, {1990, 12, 31}, {2026, 12, 31}, 362,
        {.pastDays = 2}},
    {"PastDaysIntoLastYearFutureYearKept", {2026, 1, 3}, {2027, 1, 1}, {2027, 1, 1}, 363,
        {.pastDays = 5}},
    // One-time custom entries keep one year: the one-time year when hidden, else their own.
    {"OneTimeHiddenYearUsesOneTimeYear", {2026, 1, 10}, {1604, 12, 21}, {2025, 12, 21}, -20,
        {.pastDays = 30, .ignoreYear = true, .custom = true, .onetime = true, .oneTimeYear = 2025}},
    {"OneTimeShownYearIgnoresOneTimeYear", {2026, 1, 10}, {2025, 12, 21}, {2025, 12, 21}, -20,
        {.pastDays = 30, .custom = true, .onetime = true, .oneTimeYear = 2027}},
    // Past the limit it stays on its day, long gone, rather than come round next year.
    {"OneTimePastTheLimitStaysOnItsDay", {2026, 1, 10}, {2020, 5, 1}, {2020, 5, 1}, -2080,
        {.pastDays = 30, .custom = true, .onetime = true}},
    {"OneTimeFlagCountsOnlyForCustomEntries", {2026, 1, 10}, {1990, 12, 21}, {2026, 12, 21}, 345,
        {.ignoreYear = true, .onetime = true, .oneTimeYear = 2025}},
    // Stored as Auckland midnight, the previous day in UTC: days count in the device's zone.
    {"Auckland_StoredMidnightKeepsItsDay", {2026, 4, 1}, {}, {2026, 4, 5}, 4,
        {.rawUtc = "1990-04-04T12:00:00Z", .key = "69D0EF30"}},
    {"Auckland_After25HourDaySeenAtMidnight", {2026, 4, 5, 0, 0}, {1990, 4, 6}, {2026, 4, 6}, 1},
    {"Auckland_After23HourDaySeenAtMidnight", {2026, 9, 27, 0, 0}, {1990, 9, 28}, {2026, 9, 28}, 1},
    {"Auckland_23HourDayBelated", {2026, 9, 28, 0, 0}, {1990, 9, 27}, {2026, 9, 27}, -1,
        {.pastDays = 1, .key = "6AB7B3C0"}},
    {"Berlin_BelatedAcrossSpringChange", {2026, 3, 30, 0, 0}, {1990, 3, 28}, {2026, 3, 28}, -2,
        {.zone = "Europe/Berlin", .pastDays = 2, .key = "69C70BF0"}},
    // Today begins at 01:00, 23 hours before the next midnight: still a whole day.
    {"SaoPaulo_NextDayIsAWholeDayAway", {2018, 11, 4, 10, 0}, {1990, 11, 5}, {2018, 11, 5}, 1,
        {.zone = "America/Sao_Paulo"}},
    {"SaoPaulo_YesterdayWithOnePastDayIsBelated", {2018, 11, 4, 10, 0}, {1990, 11, 3},
        {2018, 11, 3}, -1, {.zone = "America/Sao_Paulo", .pastDays = 1}},
    {"SaoPaulo_SkippedMidnightDayBelated", {2018, 11, 5, 0, 0}, {1990, 11, 4}, {2018, 11, 4}, -1,
        {.zone = "America/Sao_Paulo", .pastDays = 1, .key = "5BDE60B0"}},
};

class OccasionCalculatorDates : public testing::TestWithParam<DateRow> { };

TEST_P(OccasionCalculatorDates, NextOccurrenceAndFlags)
{
    const DateRow& row = GetParam();
    const DateOptions& with = row.with;
    const Calendar cal(QString::fromLatin1(with.zone));
    ASSERT_TRUE(cal.isValid());
    const LocalTime& t = row.now;
    const OccasionCalculator calc(
        cal, cal.date(t.y, t.m, t.d, t.h, t.mi, t.s), with.window, with.pastDays);
    const QDate today(row.now.y, row.now.m, row.now.d);
    expectStartOfDay(cal, calc.today(), today);
    expectStartOfDay(cal, calc.past(), today.addDays(-with.pastDays));

    OccasionRecord record;
    record.rawDate = with.rawUtc ? fetemark::test::utc(with.rawUtc) : midnight(cal, row.raw);
    record.ignoreYear = with.ignoreYear;
    record.isCustomEntry = with.custom;
    record.onetime = with.onetime;
    record.oneTimeYear = with.oneTimeYear;
    record.ignoreForUpcoming = true;
    calc.calculate(record);

    expectStartOfDay(cal, record.sortDate, row.occurrence);
    EXPECT_EQ(record.month, row.occurrence.month());
    EXPECT_EQ(record.daysUntilDate, row.days);
    EXPECT_EQ(record.isUpcoming, row.days >= 0 && row.days <= with.window);
    EXPECT_EQ(record.isBelated, row.days < 0);
    EXPECT_EQ(record.ignoreForUpcoming, row.days < 91);
    // The reminder key names exactly this occurrence.
    EXPECT_EQ(record.notificationDate, OccasionCalculator::notificationKey(record.sortDate));
    if (with.key) {
        EXPECT_EQ(record.notificationDate.toStdString(), with.key);
    }
}

INSTANTIATE_TEST_SUITE_P(OccasionCalculator, OccasionCalculatorDates, testing::ValuesIn(dateRows),
    fetemark::test::RowName());

// One-time entries past the limit, seen on 10 January 2026 with 30 past days (to 11 December).

struct ExpiryRow {
    std::string name;
    QDate raw;
    bool ignoreYear;
    int oneTimeYear;
    bool expired;
    bool custom = true;
    bool onetime = true;
};

class OccasionCalculatorExpiry : public testing::TestWithParam<ExpiryRow> { };

TEST_P(OccasionCalculatorExpiry, OneTimeEntryBeforePastLimit)
{
    const ExpiryRow& row = GetParam();
    const Calendar cal(QStringLiteral("Europe/Berlin"));
    OccasionRecord record;
    record.rawDate = midnight(cal, row.raw);
    record.ignoreYear = row.ignoreYear;
    record.oneTimeYear = row.oneTimeYear;
    record.isCustomEntry = row.custom;
    record.onetime = row.onetime;
    EXPECT_EQ(OccasionCalculator(cal, cal.date(2026, 1, 10, 12), 14, 30).isExpiredOneTime(record),
        row.expired);
}

INSTANTIATE_TEST_SUITE_P(OccasionCalculator, OccasionCalculatorExpiry,
    testing::Values(ExpiryRow {"LastYear30DaysAgoShown", {1604, 12, 11}, true, 2025, false},
        ExpiryRow {"LastYear31DaysAgoHeldOver", {1604, 12, 10}, true, 2025, true},
        ExpiryRow {"OwnYearIgnoresOneTimeYear", {2025, 12, 10}, false, 2027, true},
        ExpiryRow {"HiddenYearUsesOneTimeYear", {2020, 12, 10}, true, 2026, false},
        ExpiryRow {"NotOneTime", {2020, 12, 10}, false, 0, false, true, false},
        ExpiryRow {"ContactDate", {2020, 12, 10}, false, 0, false, false}),
    fetemark::test::RowName());

// The badge count, by a calculator taking its window and past days from the settings.

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
};

const QString kHolidayAlerts(Key::HolidayAlerts);
const QString kShowCustom(Key::ShowCustom);
const QString kShowFacebook(Key::ShowFacebook);
const QString kBadgeMode(Key::BadgeMode);
const QString kWindow(Key::UpcomingWindow);
const QString kPastDays(Key::PastDays);
// Two today, one in three days, one outside the window.
const std::vector<UpcomingRecord> kMixed = {
    {Source::Contact, 0}, {Source::Contact, 3}, {Source::Custom, 0}, {Source::Contact, 20}};

class OccasionCalculatorUpcoming : public testing::TestWithParam<UpcomingRow> { };

TEST_P(OccasionCalculatorUpcoming, BadgeCount)
{
    const UpcomingRow& row = GetParam();
    fetemark::test::TempDir dir;
    const auto settings = makeSettings(dir, row.stored);
    const Calendar cal(QStringLiteral("Europe/Berlin"));
    const QDateTime now = cal.date(2026, 3, 5, 8, 0);

    std::vector<OccasionRecordPtr> records;
    for (const UpcomingRecord& wanted : row.records) {
        auto r = std::make_shared<OccasionRecord>();
        if (!wanted.noDate)
            r->rawDate = cal.date(1990, 3, 5 + wanted.daysAhead);
        r->isCustomEntry = wanted.source == Source::Custom;
        r->isFacebookEntry = wanted.source == Source::Facebook;
        r->isHoliday = wanted.source == Source::Holiday;
        r->type =
            wanted.source == Source::Holiday ? OccasionRecord::Holiday : OccasionRecord::Birthday;
        records.push_back(r);
    }
    // Lists may hold missing records.
    std::vector<OccasionRecordPtr> withGaps = records;
    withGaps.insert(withGaps.begin(), nullptr);
    withGaps.push_back(nullptr);
    // Dates computed with another window; the user's choices set afterwards, so the count
    // itself must refresh isUpcoming and clear ignoreForUpcoming far ahead.
    OccasionCalculator(cal, now, 14, 1).calculate(withGaps);
    for (size_t i = 0; i < records.size(); ++i) {
        records[i]->alertsOff = row.records[i].alertsOff;
        records[i]->ignoreForUpcoming = row.records[i].ignoreForUpcoming;
        records[i]->isIgnoredFacebook = row.records[i].ignoredFacebook;
    }

    const OccasionCalculator counting(cal, now, *settings);
    EXPECT_EQ(counting.calculateUpcoming(withGaps, *settings), row.expected);
    EXPECT_EQ(cal.calendarDaysBetween(counting.past(), counting.today()),
        row.stored.value(kPastDays, 0).toInt());

    for (size_t i = 0; i < records.size(); ++i) {
        const bool farAhead = !row.records[i].noDate && records[i]->daysUntilDate >= 91;
        EXPECT_EQ(records[i]->ignoreForUpcoming, row.records[i].ignoreForUpcoming && !farAhead)
            << "record " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(OccasionCalculator, OccasionCalculatorUpcoming,
    testing::Values(UpcomingRow {"DefaultWindowLastDay", {{Source::Contact, 14}}, {}, 1},
        UpcomingRow {"DefaultWindowDayAfter", {{Source::Contact, 15}}, {}, 0},
        // Settings hold numbers as text too.
        UpcomingRow {"WiderWindowAsText", {{Source::Contact, 20}},
            {{kWindow, QStringLiteral("31")}, {kPastDays, QStringLiteral("30")}}, 1},
        UpcomingRow {"NarrowerWindow", {{Source::Contact, 5}}, {{kWindow, 3}, {kPastDays, 3}}, 0},
        UpcomingRow {"BelatedNeverCounts", {{Source::Contact, -1}}, {{kPastDays, 1}}, 0},
        UpcomingRow {"EveryUpcomingCounts", kMixed, {}, 3},
        UpcomingRow {"TodayOnlyMode", kMixed, {{kBadgeMode, 0}}, 2},
        UpcomingRow {"HolidayWithoutHolidayAlerts", {{Source::Holiday, 0}}, {}, 0},
        UpcomingRow {
            "HolidayWithHolidayAlerts", {{Source::Holiday, 0}}, {{kHolidayAlerts, true}}, 1},
        UpcomingRow {"CustomEntryHidden", {{Source::Custom, 2}}, {{kShowCustom, false}}, 0},
        UpcomingRow {"FacebookEntryHiddenByDefault", {{Source::Facebook, 2}}, {}, 0},
        UpcomingRow {"FacebookEntryShown", {{Source::Facebook, 2}}, {{kShowFacebook, true}}, 1},
        UpcomingRow {"IgnoredFacebookEntry",
            {{.source = Source::Facebook, .daysAhead = 2, .ignoredFacebook = true}},
            {{kShowFacebook, true}}, 0},
        UpcomingRow {"AlertsOff", {{.daysAhead = 0, .alertsOff = true}}, {}, 0},
        UpcomingRow {"IgnoredForUpcoming", {{.daysAhead = 3, .ignoreForUpcoming = true}}, {}, 0},
        UpcomingRow {
            "IgnoreForUpcomingKeptAt90Days", {{.daysAhead = 90, .ignoreForUpcoming = true}}, {}, 0},
        UpcomingRow {"IgnoreForUpcomingClearedAt91Days",
            {{.daysAhead = 91, .ignoreForUpcoming = true}}, {}, 0},
        UpcomingRow {"RecordWithoutDateNeverCounts", {{.noDate = true}}, {{kBadgeMode, 0}}, 0}),
    fetemark::test::RowName());

// Records the calculator cannot place.

TEST(OccasionCalculatorRobustness, UnplaceableRecordsGetNoDate)
{
    const Calendar cal(QStringLiteral("Europe/Berlin"));
    const std::pair<QDateTime, QDateTime> rows[] = {
        {cal.date(2026, 3, 5, 12), QDateTime()}, // no rawDate
        {QDateTime(), cal.date(1990, 3, 5)}};    // no current time
    for (const auto& [now, raw] : rows) {
        SCOPED_TRACE(now.isValid() ? "no rawDate" : "no current time");
        OccasionRecord record;
        record.rawDate = raw;
        // Stale values of an earlier pass must not survive.
        record.sortDate = cal.date(2026, 3, 5);
        record.month = 3;
        record.isUpcoming = record.isBelated = true;
        record.notificationDate = QStringLiteral("69A8B970");
        OccasionCalculator(cal, now, 14, 0).calculate(record);
        EXPECT_FALSE(record.sortDate.isValid());
        EXPECT_EQ(record.month, 0);
        EXPECT_FALSE(record.isUpcoming || record.isBelated);
        EXPECT_TRUE(record.notificationDate.isEmpty());
    }
}

} // namespace
