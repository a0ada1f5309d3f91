#include "core/Calendar.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <unicode/basictz.h>
#include <unicode/gregocal.h>
#include <unicode/tztrans.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace fetemark {

// Readable failure messages for the tables below.
void PrintTo(const DateParts& p, std::ostream* os)
{
    *os << p.year << '-' << p.month << '-' << p.day << ' ' << p.hour << ':' << p.minute << ':' << p.second
        << " weekday " << p.weekday;
}

} // namespace fetemark

namespace {

using fetemark::Calendar;
using fetemark::DateParts;
using fetemark::test::utc;

std::string iso(const QDateTime& moment)
{
    return moment.isValid() ? moment.toUTC().toString(Qt::ISODate).toStdString() : std::string("<invalid>");
}

template <typename Row>
std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

// Zone facts the rows rely on (tzdata):
//   Pacific/Auckland  NZST +12, NZDT +13; 2026-04-05 03:00 NZDT -> 02:00 NZST,
//                     2026-09-27 02:00 NZST -> 03:00 NZDT.
//   America/Sao_Paulo -03, -02 in summer; 2018-11-04 00:00 -> 01:00 (midnight skipped).
//   Europe/Berlin     CET +1, CEST +2; 2026-03-29 02:00 -> 03:00, 2026-10-25 03:00 -> 02:00.
//   America/Havana    CDT -4 -> CST -5 on 2026-11-01 at 01:00 -> 00:00 (midnight twice).
//   America/Toronto   1919-03-30 23:30 EST -> 00:30 EDT (midnight strictly inside a gap).

// ---------------------------------------------------------------------------------------
struct ComponentsRow {
    std::string name;
    const char* zone;
    const char* moment;
    DateParts expected;
    // False where the local time happens twice and the moment is the first of them:
    // building a date from those fields picks the later one.
    bool roundTrips = true;
};

class CalendarComponents : public testing::TestWithParam<ComponentsRow> {};

TEST_P(CalendarComponents, FieldsInZoneAndBack)
{
    const auto& row = GetParam();
    const Calendar cal(QString::fromLatin1(row.zone));
    const QDateTime moment = utc(row.moment);
    const DateParts parts = cal.components(moment);
    EXPECT_EQ(parts, row.expected);
    EXPECT_TRUE(parts.ok());
    if (row.roundTrips) {
        EXPECT_EQ(iso(cal.date(parts)), iso(moment));
    } else {
        EXPECT_NE(iso(cal.date(parts)), iso(moment));
    }
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarComponents, testing::Values(
    ComponentsRow{"AucklandUtcNoonIsNextLocalDay", "Pacific/Auckland", "2026-03-04T12:00:00Z", {2026, 3, 5, 1, 0, 0, 5}},
    ComponentsRow{"AucklandWinterMidnight", "Pacific/Auckland", "2026-07-01T12:00:00Z", {2026, 7, 2, 0, 0, 0, 5}},
    ComponentsRow{"AucklandBeforeSpringForward", "Pacific/Auckland", "2026-09-26T13:59:59Z", {2026, 9, 27, 1, 59, 59, 1}},
    ComponentsRow{"AucklandAfterSpringForward", "Pacific/Auckland", "2026-09-26T14:00:00Z", {2026, 9, 27, 3, 0, 0, 1}},
    ComponentsRow{"AucklandFallBackFirstHalfPast2", "Pacific/Auckland", "2026-04-04T13:30:00Z", {2026, 4, 5, 2, 30, 0, 1}, false},
    ComponentsRow{"AucklandFallBackSecondHalfPast2", "Pacific/Auckland", "2026-04-04T14:30:00Z", {2026, 4, 5, 2, 30, 0, 1}},
    ComponentsRow{"SaoPauloEveBeforeSkippedMidnight", "America/Sao_Paulo", "2018-11-04T02:59:59Z", {2018, 11, 3, 23, 59, 59, 7}},
    ComponentsRow{"SaoPauloDayStartsAt1", "America/Sao_Paulo", "2018-11-04T03:00:00Z", {2018, 11, 4, 1, 0, 0, 1}},
    ComponentsRow{"UtcLeapDay", "UTC", "2024-02-29T23:59:59Z", {2024, 2, 29, 23, 59, 59, 5}},
    // Proleptic Gregorian: 1 January of year 1 is a Monday, and 10 October 1582 exists
    // (a Julian/Gregorian hybrid has no 5..14 October 1582).
    ComponentsRow{"UtcYearOne", "UTC", "0001-01-01T00:00:00Z", {1, 1, 1, 0, 0, 0, 2}},
    ComponentsRow{"UtcInsideJulianSwitchGap", "UTC", "1582-10-10T12:00:00Z", {1582, 10, 10, 12, 0, 0, 1}},
    ComponentsRow{"UnknownZoneComputesInUtc", "Mars/Olympus_Mons", "2026-03-04T12:00:00Z", {2026, 3, 4, 12, 0, 0, 4}}),
    rowName<ComponentsRow>);

TEST(CalendarComponentsInvalid, InvalidMomentGivesEmptyParts)
{
    for (const char* zone : {"UTC", "Pacific/Auckland", "Nowhere/Else"}) {
        SCOPED_TRACE(zone);
        const Calendar cal(QString::fromLatin1(zone));
        EXPECT_FALSE(cal.components(QDateTime()).ok());
        EXPECT_FALSE(cal.startOfDay(QDateTime()).isValid());
        EXPECT_FALSE(cal.addDays(QDateTime(), 1).isValid());
    }
}

// ---------------------------------------------------------------------------------------
struct ZoneRow {
    std::string name;
    const char* zone;
    bool valid;
};

class CalendarZones : public testing::TestWithParam<ZoneRow> {};

TEST_P(CalendarZones, ValidityAndFallbackToUtc)
{
    const auto& row = GetParam();
    const Calendar cal(QString::fromLatin1(row.zone));
    EXPECT_EQ(cal.isValid(), row.valid);
    EXPECT_EQ(cal.timeZoneId(), QString::fromLatin1(row.zone));
    if (!row.valid) {
        EXPECT_EQ(iso(cal.date(2026, 7, 1, 12)), "2026-07-01T12:00:00Z");
    }
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarZones, testing::Values(
    ZoneRow{"Auckland", "Pacific/Auckland", true},
    ZoneRow{"Utc", "UTC", true},
    ZoneRow{"CustomOffset", "GMT+05:30", true},
    ZoneRow{"Unknown", "Mars/Olympus_Mons", false},
    ZoneRow{"Empty", "", false},
    ZoneRow{"IcuUnknownZoneItself", "Etc/Unknown", false},
    ZoneRow{"PosixRuleString", "CET-1CEST,M3.5.0,M10.5.0/3", false}),
    rowName<ZoneRow>);

// ---------------------------------------------------------------------------------------
struct DateRow {
    std::string name;
    const char* zone;
    int year, month, day, hour, minute, second;
    const char* expected;
};

class CalendarDate : public testing::TestWithParam<DateRow> {};

TEST_P(CalendarDate, BuildsMomentWithRollOver)
{
    const auto& row = GetParam();
    const Calendar cal(QString::fromLatin1(row.zone));
    EXPECT_EQ(iso(cal.date(row.year, row.month, row.day, row.hour, row.minute, row.second)), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarDate, testing::Values(
    DateRow{"Feb29OfCommonYearIsMarch1", "UTC", 2027, 2, 29, 0, 0, 0, "2027-03-01T00:00:00Z"},
    DateRow{"Feb29OfLeapYearStays", "UTC", 2028, 2, 29, 0, 0, 0, "2028-02-29T00:00:00Z"},
    DateRow{"Month13IsJanuaryNextYear", "UTC", 2026, 13, 15, 0, 0, 0, "2027-01-15T00:00:00Z"},
    DateRow{"Day0IsLastOfPreviousMonth", "UTC", 2026, 3, 0, 0, 0, 0, "2026-02-28T00:00:00Z"},
    DateRow{"Hour24IsNextMidnight", "UTC", 2026, 12, 31, 24, 0, 0, "2027-01-01T00:00:00Z"},
    DateRow{"Year1604Feb29Stays", "UTC", 1604, 2, 29, 0, 0, 0, "1604-02-29T00:00:00Z"},
    DateRow{"Year1900Feb29IsMarch1", "UTC", 1900, 2, 29, 0, 0, 0, "1900-03-01T00:00:00Z"},
    // The Julian calendar had 29 February 1500; the proleptic Gregorian one has not.
    DateRow{"October1582IsNotSkipped", "UTC", 1582, 10, 10, 0, 0, 0, "1582-10-10T00:00:00Z"},
    DateRow{"AucklandLocalTimeToUtc", "Pacific/Auckland", 2026, 3, 5, 1, 0, 0, "2026-03-04T12:00:00Z"},
    DateRow{"AucklandFeb29RollsInLocalTime", "Pacific/Auckland", 2027, 2, 29, 0, 0, 0, "2027-02-28T11:00:00Z"},
    // A skipped wall time keeps its distance from the change: 02:30 is read in the old
    // offset and lands at 03:30 NZDT.
    DateRow{"AucklandSpringGapMovesForward", "Pacific/Auckland", 2026, 9, 27, 2, 30, 0, "2026-09-26T14:30:00Z"},
    // A repeated wall time takes its later (standard time) occurrence.
    DateRow{"AucklandFallBackTakesLaterHalfPast2", "Pacific/Auckland", 2026, 4, 5, 2, 30, 0, "2026-04-04T14:30:00Z"},
    DateRow{"SaoPauloSkippedMidnightIs1am", "America/Sao_Paulo", 2018, 11, 4, 0, 0, 0, "2018-11-04T03:00:00Z"},
    DateRow{"BerlinSummer", "Europe/Berlin", 2026, 7, 1, 0, 0, 0, "2026-06-30T22:00:00Z"}),
    rowName<DateRow>);

TEST(CalendarDateBeforeYearOne, YearsCountThroughZero)
{
    // Year 0 is 1 BC, -1 is 2 BC: the count runs on instead of restarting in another era.
    const Calendar cal(QStringLiteral("UTC"));
    for (const int year : {0, -1, -100, -4712}) {
        SCOPED_TRACE(year);
        const DateParts parts = cal.components(cal.date(year, 6, 15, 12));
        EXPECT_EQ(parts.year, year);
        EXPECT_EQ(parts.month, 6);
        EXPECT_EQ(parts.day, 15);
        EXPECT_EQ(cal.daysBetween(cal.date(year, 1, 1), cal.date(year + 1, 1, 1)), Calendar::isLeapYear(year) ? 366 : 365);
    }
}

// ---------------------------------------------------------------------------------------
TEST(CalendarLeapYear, RuleAndCalendarAgree)
{
    const struct {
        int year;
        bool leap;
    } rows[] = {{1600, true}, {1604, true}, {1700, false}, {1800, false}, {1900, false}, {2000, true},
                {2024, true}, {2026, false}, {2100, false}, {2400, true}, {4, true}, {0, true}, {-100, false}};
    const Calendar cal(QStringLiteral("UTC"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.year);
        EXPECT_EQ(Calendar::isLeapYear(row.year), row.leap);
        // 29 February survives exactly in leap years.
        EXPECT_EQ(cal.components(cal.date(row.year, 2, 29)).month, row.leap ? 2 : 3);
    }
}

// ---------------------------------------------------------------------------------------
struct MomentRow {
    std::string name;
    const char* zone;
    const char* moment;
    const char* expected;
};

class CalendarStartOfDay : public testing::TestWithParam<MomentRow> {};

TEST_P(CalendarStartOfDay, FirstMomentOfLocalDay)
{
    const auto& row = GetParam();
    const Calendar cal(QString::fromLatin1(row.zone));
    const QDateTime start = cal.startOfDay(utc(row.moment));
    EXPECT_EQ(iso(start), row.expected);
    EXPECT_EQ(iso(cal.startOfDay(start)), row.expected);
    EXPECT_EQ(cal.calendarDaysBetween(start, utc(row.moment)), 0);
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarStartOfDay, testing::Values(
    MomentRow{"AucklandSpringForwardDayAfternoon", "Pacific/Auckland", "2026-09-27T03:00:00Z", "2026-09-26T12:00:00Z"},
    MomentRow{"AucklandFallBackDayEvening", "Pacific/Auckland", "2026-04-05T08:00:00Z", "2026-04-04T11:00:00Z"},
    MomentRow{"AucklandFallBackDaySecondHalfPast2", "Pacific/Auckland", "2026-04-04T14:30:00Z", "2026-04-04T11:00:00Z"},
    MomentRow{"SaoPauloSkippedMidnightGives1am", "America/Sao_Paulo", "2018-11-04T15:00:00Z", "2018-11-04T03:00:00Z"},
    // Toronto 1919-03-30: 23:30 EST jumped to 00:30 EDT, midnight lying inside the gap.
    // The day starts where the gap ends, not at 01:00 (midnight shifted by the gap).
    MomentRow{"TorontoMidnightInsideGap", "America/Toronto", "1919-03-31T16:00:00Z", "1919-03-31T04:30:00Z"},
    MomentRow{"HavanaRepeatedMidnightTakesFirst", "America/Havana", "2026-11-01T12:00:00Z", "2026-11-01T04:00:00Z"},
    MomentRow{"UtcLastSecond", "UTC", "2026-12-31T23:59:59Z", "2026-12-31T00:00:00Z"}),
    rowName<MomentRow>);

// ---------------------------------------------------------------------------------------
struct AddDaysRow {
    std::string name;
    const char* zone;
    const char* moment;
    int days;
    const char* expected;
};

class CalendarAddDays : public testing::TestWithParam<AddDaysRow> {};

TEST_P(CalendarAddDays, KeepsWallTime)
{
    const auto& row = GetParam();
    const Calendar cal(QString::fromLatin1(row.zone));
    EXPECT_EQ(iso(cal.addDays(utc(row.moment), row.days)), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarAddDays, testing::Values(
    // 10:00 NZST + 1 day = 10:00 NZDT, 23 hours later.
    AddDaysRow{"AucklandAcrossSpringForward", "Pacific/Auckland", "2026-09-25T22:00:00Z", 1, "2026-09-26T21:00:00Z"},
    // 10:00 NZDT + 1 day = 10:00 NZST, 25 hours later.
    AddDaysRow{"AucklandAcrossFallBack", "Pacific/Auckland", "2026-04-03T21:00:00Z", 1, "2026-04-04T22:00:00Z"},
    AddDaysRow{"AucklandMidnightWeekAcrossChange", "Pacific/Auckland", "2026-09-23T12:00:00Z", 7, "2026-09-30T11:00:00Z"},
    // 02:30 on the day of the change does not exist: it becomes 03:30 NZDT.
    AddDaysRow{"AucklandIntoSpringGap", "Pacific/Auckland", "2026-09-25T14:30:00Z", 1, "2026-09-26T14:30:00Z"},
    AddDaysRow{"UtcIntoLeapDay", "UTC", "2028-02-28T12:00:00Z", 1, "2028-02-29T12:00:00Z"},
    AddDaysRow{"UtcLeapYearLong", "UTC", "2028-01-01T00:00:00Z", 366, "2029-01-01T00:00:00Z"}),
    rowName<AddDaysRow>);

// ---------------------------------------------------------------------------------------
struct BetweenRow {
    std::string name;
    const char* zone;
    const char* from;
    const char* to;
    int days;
};

class CalendarDaysBetween : public testing::TestWithParam<BetweenRow> {};

TEST_P(CalendarDaysBetween, WholeDaysFromTo)
{
    const auto& row = GetParam();
    const Calendar cal(QString::fromLatin1(row.zone));
    EXPECT_EQ(cal.daysBetween(utc(row.from), utc(row.to)), row.days);
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarDaysBetween, testing::Values(
    BetweenRow{"AucklandOrdinaryDay", "Pacific/Auckland", "2026-09-25T12:00:00Z", "2026-09-26T12:00:00Z", 1},
    BetweenRow{"Auckland23HourDay", "Pacific/Auckland", "2026-09-26T12:00:00Z", "2026-09-27T11:00:00Z", 1},
    BetweenRow{"Auckland25HourDay", "Pacific/Auckland", "2026-04-04T11:00:00Z", "2026-04-05T12:00:00Z", 1},
    BetweenRow{"Auckland25HourDayOneHourShort", "Pacific/Auckland", "2026-04-04T11:00:00Z", "2026-04-05T11:00:00Z", 0},
    // Midnight NZST 1 July to midnight NZDT 1 October: 92 days, one hour short of 92 * 24 h.
    BetweenRow{"AucklandWinterToSummerMidnights", "Pacific/Auckland", "2026-06-30T12:00:00Z", "2026-09-30T11:00:00Z", 92},
    BetweenRow{"AucklandAcrossLocalMidnightButUnderADay", "Pacific/Auckland", "2026-03-04T10:00:00Z", "2026-03-04T11:30:00Z", 0},
    BetweenRow{"UtcJustOverADayBackward", "UTC", "2026-03-02T01:00:00Z", "2026-03-01T00:00:00Z", -1},
    BetweenRow{"UtcCenturyNotLeap", "UTC", "1900-01-01T00:00:00Z", "1901-01-01T00:00:00Z", 365},
    BetweenRow{"UtcFourHundredLeap", "UTC", "2000-01-01T00:00:00Z", "2001-01-01T00:00:00Z", 366},
    BetweenRow{"SaoPauloIntoDayWithoutMidnight", "America/Sao_Paulo", "2018-11-03T03:00:00Z", "2018-11-04T03:00:00Z", 1},
    // ICU's field difference compares wall times: from 01:00 on 4 November the next
    // day's 00:00 is not a full day away. calendarDaysBetween counts this as 1.
    BetweenRow{"SaoPauloFromDayStartingAt1", "America/Sao_Paulo", "2018-11-04T03:00:00Z", "2018-11-05T02:00:00Z", 0},
    BetweenRow{"SaoPauloBackToDayStartingAt1", "America/Sao_Paulo", "2018-11-05T02:00:00Z", "2018-11-04T03:00:00Z", -1},
    BetweenRow{"BerlinAcrossFallBack", "Europe/Berlin", "2026-10-24T22:00:00Z", "2026-10-25T23:00:00Z", 1}),
    rowName<BetweenRow>);

class CalendarCalendarDaysBetween : public testing::TestWithParam<BetweenRow> {};

TEST_P(CalendarCalendarDaysBetween, LocalDatesApart)
{
    const auto& row = GetParam();
    const Calendar cal(QString::fromLatin1(row.zone));
    EXPECT_EQ(cal.calendarDaysBetween(utc(row.from), utc(row.to)), row.days);
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarCalendarDaysBetween, testing::Values(
    BetweenRow{"SaoPauloDayStartingAt1ToNext", "America/Sao_Paulo", "2018-11-04T03:00:00Z", "2018-11-05T02:00:00Z", 1},
    BetweenRow{"SaoPauloBackwards", "America/Sao_Paulo", "2018-11-05T02:00:00Z", "2018-11-03T03:00:00Z", -2},
    BetweenRow{"AucklandLateEveningToEarlyMorning", "Pacific/Auckland", "2026-03-04T10:00:00Z", "2026-03-04T11:30:00Z", 1},
    BetweenRow{"AucklandSameLocalDayDifferentUtcDays", "Pacific/Auckland", "2026-03-04T11:30:00Z", "2026-03-05T10:00:00Z", 0},
    BetweenRow{"AucklandAcrossSpringForward", "Pacific/Auckland", "2026-09-26T11:59:00Z", "2026-09-27T11:00:00Z", 2},
    BetweenRow{"UtcLeapYear", "UTC", "2028-01-01T23:59:59Z", "2029-01-01T00:00:00Z", 366}),
    rowName<BetweenRow>);

// ---------------------------------------------------------------------------------------
// daysBetween and yearsBetween must give exactly what ICU's own fieldDifference gives on a
// proleptic calendar of the zone, including pairs that straddle every transition.
struct OracleRow {
    std::string name;
    const char* zone;
};

class CalendarFieldDifferenceOracle : public testing::TestWithParam<OracleRow> {};

TEST_P(CalendarFieldDifferenceOracle, AgreesWithIcu)
{
    const char* zoneName = GetParam().zone;
    const Calendar cal(QString::fromLatin1(zoneName));
    ASSERT_TRUE(cal.isValid());

    UErrorCode status = U_ZERO_ERROR;
    auto* zone = icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zoneName));
    icu::GregorianCalendar oracle(zone, icu::Locale::getRoot(), status);
    oracle.setGregorianChange(U_DATE_MIN, status);
    ASSERT_TRUE(U_SUCCESS(status));
    const auto icuDifference = [&](qint64 from, qint64 to, UCalendarDateFields field) {
        UErrorCode ec = U_ZERO_ERROR;
        oracle.setTime(UDate(from), ec);
        return oracle.fieldDifference(UDate(to), field, ec);
    };

    constexpr qint64 hour = 3600 * 1000;
    constexpr qint64 day = 24 * hour;
    std::vector<qint64> anchors;
    // Every transition from 1990 to 2035, and moments around it.
    const auto* basic = dynamic_cast<const icu::BasicTimeZone*>(zone);
    icu::TimeZoneTransition transition;
    UDate t = 631152000000.0;
    while (basic && basic->getNextTransition(t, false, transition) && transition.getTime() < 2051222400000.0) {
        t = transition.getTime();
        for (const qint64 offset : {-25 * hour, -hour, qint64(-1), qint64(0), hour / 2, hour, 23 * hour})
            anchors.push_back(qint64(t) + offset);
    }
    // And a fixed pseudo-random spread of ordinary moments.
    std::uint64_t seed = 0x9E3779B97F4A7C15ull;
    const auto next = [&seed] {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        return seed >> 11;
    };
    for (int i = 0; i < 300; ++i)
        anchors.push_back(631152000000 + qint64(next() % std::uint64_t(1420070400000)));

    int compared = 0;
    for (const qint64 from : anchors) {
        const qint64 spans[] = {0, hour, 23 * hour, day, day + hour, 25 * hour, 2 * day - 1, 366 * day,
                                qint64(next() % std::uint64_t(80 * 366 * day)), qint64(next() % std::uint64_t(3 * day))};
        for (const qint64 span : spans) {
            for (const qint64 to : {from + span, from - span}) {
                const QDateTime a = QDateTime::fromMSecsSinceEpoch(from, Qt::UTC);
                const QDateTime b = QDateTime::fromMSecsSinceEpoch(to, Qt::UTC);
                SCOPED_TRACE(iso(a) + " -> " + iso(b));
                ASSERT_EQ(cal.daysBetween(a, b), icuDifference(from, to, UCAL_DATE));
                ASSERT_EQ(cal.yearsBetween(a, b), icuDifference(from, to, UCAL_YEAR));
                ++compared;
            }
        }
    }
    EXPECT_GE(compared, 6000);
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarFieldDifferenceOracle, testing::Values(
    OracleRow{"Auckland", "Pacific/Auckland"},
    OracleRow{"SaoPaulo", "America/Sao_Paulo"},
    OracleRow{"LordHoweHalfHourShift", "Australia/Lord_Howe"},
    // Skipped 30 December 2011 entirely.
    OracleRow{"ApiaSkippedDay", "Pacific/Apia"},
    OracleRow{"Utc", "UTC"}),
    rowName<OracleRow>);

// ---------------------------------------------------------------------------------------
struct LocalDate {
    int year, month, day, hour = 0;
};

struct YearsRow {
    std::string name;
    const char* zone;
    LocalDate from;
    LocalDate to;
    int years;
};

class CalendarYearsBetween : public testing::TestWithParam<YearsRow> {};

TEST_P(CalendarYearsBetween, WholeYearsFromTo)
{
    const auto& row = GetParam();
    const Calendar cal(QString::fromLatin1(row.zone));
    const QDateTime from = cal.date(row.from.year, row.from.month, row.from.day, row.from.hour);
    const QDateTime to = cal.date(row.to.year, row.to.month, row.to.day, row.to.hour);
    EXPECT_EQ(cal.yearsBetween(from, to), row.years);
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarYearsBetween, testing::Values(
    YearsRow{"DayBeforeBirthday", "Pacific/Auckland", {1990, 6, 15}, {2026, 6, 14}, 35},
    YearsRow{"OnBirthday", "Pacific/Auckland", {1990, 6, 15}, {2026, 6, 15}, 36},
    // Born at noon: at midnight of the birthday the year is not yet complete.
    YearsRow{"BirthdayMidnightBeforeBirthTime", "Pacific/Auckland", {1990, 6, 15, 12}, {2026, 6, 15, 0}, 35},
    YearsRow{"BackwardsOnBirthday", "Pacific/Auckland", {2026, 6, 15}, {1990, 6, 15}, -36},
    // ICU pins 29 February to 28 February in common years, so a leapling completes a
    // year on 28 February...
    YearsRow{"LeaplingFeb27CommonYear", "UTC", {2000, 2, 29}, {2025, 2, 27}, 24},
    YearsRow{"LeaplingFeb28CommonYear", "UTC", {2000, 2, 29}, {2025, 2, 28}, 25},
    YearsRow{"LeaplingFeb28LeapYear", "UTC", {2000, 2, 29}, {2028, 2, 28}, 27},
    YearsRow{"LeaplingFeb29LeapYear", "UTC", {2000, 2, 29}, {2028, 2, 29}, 28},
    // ...but counting backwards from 28 February the 29th is not reached: not symmetric.
    YearsRow{"LeaplingBackwardsFromFeb28", "UTC", {2025, 2, 28}, {2000, 2, 29}, -24},
    YearsRow{"ProlepticCenturies", "UTC", {1500, 3, 1}, {2000, 3, 1}, 500}),
    rowName<YearsRow>);

// ---------------------------------------------------------------------------------------
TEST(CalendarCopies, AreIndependentAndKeepZone)
{
    const QDateTime moment = utc("2026-03-04T12:00:00Z");
    const Calendar auckland(QStringLiteral("Pacific/Auckland"));
    const Calendar unknown(QStringLiteral("Nowhere/Else"));

    Calendar constructed(auckland);
    Calendar assigned(QStringLiteral("UTC"));
    assigned = auckland;
    Calendar selfAssigned(QStringLiteral("Pacific/Auckland"));
    const Calendar& alias = selfAssigned;
    selfAssigned = alias;
    Calendar invalidCopy(unknown);

    const struct {
        const char* name;
        Calendar* copy;
        int day;
        bool valid;
    } rows[] = {{"copy-constructed", &constructed, 5, true},
                {"copy-assigned", &assigned, 5, true},
                {"self-assigned", &selfAssigned, 5, true},
                {"copy of invalid", &invalidCopy, 4, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.copy->components(moment).day, row.day);
        EXPECT_EQ(row.copy->isValid(), row.valid);
    }
    // Using a copy must not disturb the original's state.
    constructed.date(1990, 1, 1);
    EXPECT_EQ(auckland.components(moment).day, 5);
}

} // namespace
