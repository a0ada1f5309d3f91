#include "core/time/Calendar.h"

#include "support/RowPrinter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <unicode/basictz.h>
#include <unicode/gregocal.h>
#include <unicode/tzrule.h>
#include <unicode/tztrans.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace fetemark {

// Readable failure messages for the tables below.
void PrintTo(const DateParts& p, std::ostream* os)
{
    *os << p.year << '-' << p.month << '-' << p.day << ' ' << p.hour << ':' << p.minute << ':'
        << p.second << " weekday " << p.weekday;
}

} // namespace fetemark

namespace {

using fetemark::Calendar;
using fetemark::DateParts;
using fetemark::test::PrintTo;
using fetemark::test::utc;

std::string iso(const QDateTime& moment)
{
    return moment.isValid() ? moment.toUTC().toString(Qt::ISODate).toStdString()
                            : std::string("<invalid>");
}

Calendar calendarOf(const char* zone)
{
    return Calendar(QString::fromLatin1(zone));
}

// Zone facts the rows rely on (tzdata):
//   Pacific/Auckland  NZST +12, NZDT +13; 2026-04-05 03:00 NZDT -> 02:00 NZST,
//                     2026-09-27 02:00 NZST -> 03:00 NZDT.
//   America/Sao_Paulo -03, -02 in summer; 2018-11-04 00:00 -> 01:00 (midnight skipped).
//   Europe/Berlin     CET +1, CEST +2; 2026-10-25 03:00 -> 02:00.
//   America/Havana    CDT -4 -> CST -5 on 2026-11-01 at 01:00 -> 00:00 (midnight twice).
//   America/Toronto   1919-03-30 23:30 EST -> 00:30 EDT (midnight strictly inside a gap).

struct ComponentsRow {
    std::string name;
    const char* zone;
    const char* moment;
    DateParts expected;
    // False for the first of a repeated local time: building from the fields picks the later.
    bool roundTrips = true;
    bool validZone = true; // else the calendar computes in UTC
};

class CalendarComponents : public testing::TestWithParam<ComponentsRow> { };

TEST_P(CalendarComponents, FieldsInZoneAndBack)
{
    const auto& row = GetParam();
    const Calendar cal = calendarOf(row.zone);
    const QDateTime moment = utc(row.moment);
    const DateParts parts = cal.components(moment);
    EXPECT_EQ(parts, row.expected);
    EXPECT_EQ(iso(cal.date(parts)) == iso(moment), row.roundTrips) << iso(cal.date(parts));
    EXPECT_EQ(cal.isValid(), row.validZone);
    EXPECT_EQ(cal.timeZoneId(), QString::fromLatin1(row.zone));
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarComponents,
    testing::Values(ComponentsRow {"AucklandUtcNoonIsNextLocalDay", "Pacific/Auckland",
                        "2026-03-04T12:00:00Z", {2026, 3, 5, 1, 0, 0, 5}},
        ComponentsRow {"AucklandBeforeSpringForward", "Pacific/Auckland", "2026-09-26T13:59:59Z",
            {2026, 9, 27, 1, 59, 59, 1}},
        ComponentsRow {"AucklandAfterSpringForward", "Pacific/Auckland", "2026-09-26T14:00:00Z",
            {2026, 9, 27, 3, 0, 0, 1}},
        ComponentsRow {"AucklandFallBackFirstHalfPast2", "Pacific/Auckland", "2026-04-04T13:30:00Z",
            {2026, 4, 5, 2, 30, 0, 1}, false},
        ComponentsRow {"AucklandFallBackSecondHalfPast2", "Pacific/Auckland",
            "2026-04-04T14:30:00Z", {2026, 4, 5, 2, 30, 0, 1}},
        ComponentsRow {"SaoPauloDayStartsAt1", "America/Sao_Paulo", "2018-11-04T03:00:00Z",
            {2018, 11, 4, 1, 0, 0, 1}},
        // Proleptic Gregorian: 1 January of year 1 is a Monday, and 10 October 1582 exists.
        ComponentsRow {"UtcYearOne", "UTC", "0001-01-01T00:00:00Z", {1, 1, 1, 0, 0, 0, 2}},
        ComponentsRow {
            "UtcInsideJulianSwitchGap", "UTC", "1582-10-10T12:00:00Z", {1582, 10, 10, 12, 0, 0, 1}},
        ComponentsRow {
            "CustomOffsetZone", "GMT+05:30", "2026-03-04T12:00:00Z", {2026, 3, 4, 17, 30, 0, 4}},
        ComponentsRow {"UnknownZoneComputesInUtc", "Mars/Olympus_Mons", "2026-03-04T12:00:00Z",
            {2026, 3, 4, 12, 0, 0, 4}, true, false},
        ComponentsRow {"EmptyZoneComputesInUtc", "", "2026-03-04T12:00:00Z",
            {2026, 3, 4, 12, 0, 0, 4}, true, false}),
    fetemark::test::RowName());

struct DateRow {
    std::string name;
    const char* zone;
    int year, month, day, hour, minute, second;
    const char* expected;
};

class CalendarDate : public testing::TestWithParam<DateRow> { };

TEST_P(CalendarDate, BuildsMomentWithRollOver)
{
    const auto& row = GetParam();
    const Calendar cal = calendarOf(row.zone);
    EXPECT_EQ(iso(cal.date(row.year, row.month, row.day, row.hour, row.minute, row.second)),
        row.expected);
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarDate,
    testing::Values(
        DateRow {"Month13IsJanuaryNextYear", "UTC", 2026, 13, 15, 0, 0, 0, "2027-01-15T00:00:00Z"},
        DateRow {"Day0IsLastOfPreviousMonth", "UTC", 2026, 3, 0, 0, 0, 0, "2026-02-28T00:00:00Z"},
        DateRow {"Hour24IsNextMidnight", "UTC", 2026, 12, 31, 24, 0, 0, "2027-01-01T00:00:00Z"},
        // A skipped wall time keeps its distance from the change: 02:30 lands at 03:30 NZDT.
        DateRow {"AucklandSpringGapMovesForward", "Pacific/Auckland", 2026, 9, 27, 2, 30, 0,
            "2026-09-26T14:30:00Z"},
        DateRow {"SaoPauloSkippedMidnightIs1am", "America/Sao_Paulo", 2018, 11, 4, 0, 0, 0,
            "2018-11-04T03:00:00Z"}),
    fetemark::test::RowName());

TEST(CalendarLeapYear, RuleAndCalendarAgree)
{
    // Year 0 is 1 BC: the count runs on through it instead of restarting in another era.
    const std::pair<int, bool> rows[] = {{1604, true}, {1900, false}, {2000, true}, {2026, false},
        {0, true}, {-1, false}, {-100, false}, {-4712, true}};
    const Calendar cal = calendarOf("UTC");
    for (const auto& [year, leap] : rows) {
        SCOPED_TRACE(year);
        EXPECT_EQ(Calendar::isLeapYear(year), leap);
        // 29 February survives exactly in leap years, else it rolls to 1 March.
        EXPECT_EQ(cal.components(cal.date(year, 2, 29)).month, leap ? 2 : 3);
        const DateParts june15 = cal.components(cal.date(year, 6, 15, 12));
        EXPECT_EQ(std::tuple(june15.year, june15.month, june15.day), std::tuple(year, 6, 15));
        EXPECT_EQ(
            cal.daysBetween(cal.date(year, 1, 1), cal.date(year + 1, 1, 1)), leap ? 366 : 365);
    }
}

struct MomentRow {
    std::string name;
    const char* zone;
    const char* moment;
    const char* expected;
};

class CalendarStartOfDay : public testing::TestWithParam<MomentRow> { };

TEST_P(CalendarStartOfDay, FirstMomentOfLocalDay)
{
    const auto& row = GetParam();
    const Calendar cal = calendarOf(row.zone);
    const QDateTime start = cal.startOfDay(utc(row.moment));
    EXPECT_EQ(iso(start), row.expected);
    EXPECT_EQ(iso(cal.startOfDay(start)), row.expected);
    EXPECT_EQ(cal.calendarDaysBetween(start, utc(row.moment)), 0);
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarStartOfDay,
    testing::Values(MomentRow {"AucklandFallBackDaySecondHalfPast2", "Pacific/Auckland",
                        "2026-04-04T14:30:00Z", "2026-04-04T11:00:00Z"},
        MomentRow {"SaoPauloSkippedMidnightGives1am", "America/Sao_Paulo", "2018-11-04T15:00:00Z",
            "2018-11-04T03:00:00Z"},
        // The day starts where the gap ends, not at midnight shifted by the gap (01:00).
        MomentRow {"TorontoMidnightInsideGap", "America/Toronto", "1919-03-31T16:00:00Z",
            "1919-03-31T04:30:00Z"},
        MomentRow {"HavanaRepeatedMidnightTakesFirst", "America/Havana", "2026-11-01T12:00:00Z",
            "2026-11-01T04:00:00Z"},
        MomentRow {"UtcLastSecond", "UTC", "2026-12-31T23:59:59Z", "2026-12-31T00:00:00Z"}),
    fetemark::test::RowName());

// Whole days (ICU's field difference), local dates apart, and, where both ends share their
// wall time, addDays from one to the other.
struct SpanRow {
    std::string name;
    const char* zone;
    const char* from;
    const char* to;
    int days;
    int calendarDays;
    bool sameWallTime = false;
};

class CalendarSpans : public testing::TestWithParam<SpanRow> { };

TEST_P(CalendarSpans, DaysBetweenAndAddDays)
{
    const auto& row = GetParam();
    const Calendar cal = calendarOf(row.zone);
    EXPECT_EQ(cal.daysBetween(utc(row.from), utc(row.to)), row.days);
    EXPECT_EQ(cal.calendarDaysBetween(utc(row.from), utc(row.to)), row.calendarDays);
    if (row.sameWallTime) {
        EXPECT_EQ(iso(cal.addDays(utc(row.from), row.days)), row.to);
    }
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarSpans,
    testing::Values(
        // 10:00 NZST + 1 day = 10:00 NZDT, 23 hours later; and back, 25 hours.
        SpanRow {"AucklandAcrossSpringForward", "Pacific/Auckland", "2026-09-25T22:00:00Z",
            "2026-09-26T21:00:00Z", 1, 1, true},
        SpanRow {"AucklandAcrossFallBack", "Pacific/Auckland", "2026-04-03T21:00:00Z",
            "2026-04-04T22:00:00Z", 1, 1, true},
        // 02:30 on the day of the change does not exist: it becomes 03:30 NZDT.
        SpanRow {"AucklandIntoSpringGap", "Pacific/Auckland", "2026-09-25T14:30:00Z",
            "2026-09-26T14:30:00Z", 1, 1, true},
        SpanRow {"Auckland23HourDay", "Pacific/Auckland", "2026-09-26T12:00:00Z",
            "2026-09-27T11:00:00Z", 1, 1, true},
        SpanRow {"Auckland25HourDayOneHourShort", "Pacific/Auckland", "2026-04-04T11:00:00Z",
            "2026-04-05T11:00:00Z", 0, 0},
        SpanRow {"AucklandWinterToSummerMidnights", "Pacific/Auckland", "2026-06-30T12:00:00Z",
            "2026-09-30T11:00:00Z", 92, 92, true},
        SpanRow {"AucklandLateEveningToEarlyMorning", "Pacific/Auckland", "2026-03-04T10:00:00Z",
            "2026-03-04T11:30:00Z", 0, 1},
        SpanRow {"AucklandSameLocalDayDifferentUtcDays", "Pacific/Auckland", "2026-03-04T11:30:00Z",
            "2026-03-05T10:00:00Z", 0, 0},
        SpanRow {"AucklandEveToMidnightAfterSpringForward", "Pacific/Auckland",
            "2026-09-26T11:59:00Z", "2026-09-27T11:00:00Z", 1, 2},
        SpanRow {"UtcJustOverADayBackward", "UTC", "2026-03-02T01:00:00Z", "2026-03-01T00:00:00Z",
            -1, -1},
        SpanRow {"UtcLeapYearFromLastSecond", "UTC", "2028-01-01T23:59:59Z", "2029-01-01T00:00:00Z",
            365, 366},
        SpanRow {"SaoPauloIntoDayWithoutMidnight", "America/Sao_Paulo", "2018-11-03T03:00:00Z",
            "2018-11-04T03:00:00Z", 1, 1, true},
        // Wall times: from 01:00 on 4 November the next 00:00 is not a whole day away.
        SpanRow {"SaoPauloFromDayStartingAt1", "America/Sao_Paulo", "2018-11-04T03:00:00Z",
            "2018-11-05T02:00:00Z", 0, 1},
        SpanRow {"SaoPauloBackToDayStartingAt1", "America/Sao_Paulo", "2018-11-05T02:00:00Z",
            "2018-11-04T03:00:00Z", -1, -1}),
    fetemark::test::RowName());

// daysBetween and yearsBetween give exactly ICU's fieldDifference on a proleptic calendar
// of the zone, including pairs that straddle every transition.
struct OracleRow {
    std::string name;
    const char* zone;
};

// The row's zone as our calendar and as ICU's proleptic Gregorian calendar.
class CalendarFieldDifferenceOracle : public testing::TestWithParam<OracleRow> {
protected:
    void SetUp() override
    {
        oracle.setGregorianChange(U_DATE_MIN, status);
        ASSERT_TRUE(U_SUCCESS(status));
    }
    // ICU's moment of the wall time, read as UTC fields.
    std::string momentOf(const DateParts& f)
    {
        oracle.clear();
        oracle.set(UCAL_EXTENDED_YEAR, f.year);
        oracle.set(UCAL_MONTH, f.month - 1);
        oracle.set(UCAL_DATE, f.day);
        oracle.set(UCAL_HOUR_OF_DAY, f.hour);
        oracle.set(UCAL_MINUTE, f.minute);
        oracle.set(UCAL_SECOND, f.second);
        oracle.set(UCAL_MILLISECOND, 0);
        return iso(QDateTime::fromMSecsSinceEpoch(qint64(oracle.getTime(status)), Qt::UTC));
    }
    // Every transition of the zone after `from` and before `until` (milliseconds).
    template<typename Visit> void forEachTransition(UDate from, UDate until, Visit visit) const
    {
        icu::TimeZoneTransition transition;
        const auto* basic = dynamic_cast<const icu::BasicTimeZone*>(zone);
        while (basic && basic->getNextTransition(from, false, transition) &&
            transition.getTime() < until) {
            from = transition.getTime();
            visit(transition);
        }
    }

    const char* zoneName = GetParam().zone;
    const Calendar cal = calendarOf(zoneName);
    UErrorCode status = U_ZERO_ERROR;
    icu::TimeZone* zone = icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zoneName));
    icu::GregorianCalendar oracle {zone, icu::Locale::getRoot(), status};
};

TEST_P(CalendarFieldDifferenceOracle, AgreesWithIcu)
{
    ASSERT_TRUE(cal.isValid());
    const auto icuDifference = [&](qint64 from, qint64 to, UCalendarDateFields field) {
        UErrorCode ec = U_ZERO_ERROR;
        oracle.setTime(UDate(from), ec);
        return oracle.fieldDifference(UDate(to), field, ec);
    };

    constexpr qint64 hour = 3600 * 1000;
    constexpr qint64 day = 24 * hour;
    std::vector<qint64> anchors;
    // Moments around every transition from 1990 to 2035...
    forEachTransition(631152000000.0, 2051222400000.0, [&](const icu::TimeZoneTransition& t) {
        for (const qint64 offset :
            {-25 * hour, -hour, qint64(-1), qint64(0), hour / 2, hour, 23 * hour})
            anchors.push_back(qint64(t.getTime()) + offset);
    });
    // ...and a fixed pseudo-random spread of ordinary moments.
    std::uint64_t seed = 0x9E3779B97F4A7C15ull;
    const auto next = [&seed] {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        return seed >> 11;
    };
    for (int i = 0; i < 300; ++i)
        anchors.push_back(631152000000 + qint64(next() % std::uint64_t(1420070400000)));

    int compared = 0;
    for (const qint64 from : anchors) {
        const qint64 spans[] = {0, hour, 23 * hour, day, day + hour, 25 * hour, 2 * day - 1,
            366 * day, qint64(next() % std::uint64_t(80 * 366 * day)),
            qint64(next() % std::uint64_t(3 * day))};
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

// Ages are counted between a day and the same wall time whole years later: those pairs,
// and pairs a moment either side of them, agree with ICU too, on 29 February, at local
// midnights (skipped ones included) and at wall times a fall-back repeats.
TEST_P(CalendarFieldDifferenceOracle, WholeYearsAgreeWithIcu)
{
    std::vector<qint64> starts;
    for (int year : {1604, 1900, 1952, 1980, 1996, 2000, 2011, 2018}) {
        for (int month = 0; month < 12; ++month) {
            for (int day : {1, 5, 28, 29, 30, 31}) {
                for (int hour : {0, 1, 2, 3, 12, 23}) {
                    oracle.clear();
                    oracle.set(year, month, day, hour, hour == 2 ? 30 : 0, 0);
                    starts.push_back(qint64(oracle.getTime(status)));
                }
            }
        }
    }
    ASSERT_TRUE(U_SUCCESS(status));
    const auto icuDifference = [&](qint64 from, qint64 to) {
        UErrorCode ec = U_ZERO_ERROR;
        oracle.setTime(UDate(from), ec);
        return oracle.fieldDifference(UDate(to), UCAL_YEAR, ec);
    };
    int compared = 0;
    for (const qint64 from : starts) {
        for (const int years : {-3, -1, 1, 2, 7, 40}) {
            UErrorCode ec = U_ZERO_ERROR;
            oracle.setTime(UDate(from), ec);
            oracle.add(UCAL_YEAR, years, ec);
            const qint64 later = qint64(oracle.getTime(ec));
            ASSERT_TRUE(U_SUCCESS(ec));
            for (const qint64 to : {later - 3600000, later - 1, later, later + 1}) {
                const QDateTime a = QDateTime::fromMSecsSinceEpoch(from, Qt::UTC);
                const QDateTime b = QDateTime::fromMSecsSinceEpoch(to, Qt::UTC);
                SCOPED_TRACE(iso(a) + " -> " + iso(b));
                ASSERT_EQ(cal.yearsBetween(a, b), icuDifference(from, to));
                ++compared;
            }
        }
    }
    EXPECT_GE(compared, 40000);
}

// The fields of a moment and the moment of local fields agree with ICU's own around every
// transition and at wall times that are skipped or repeated.
TEST_P(CalendarFieldDifferenceOracle, FieldsAndMomentsAgreeWithIcu)
{

    constexpr qint64 minute = 60 * 1000;
    std::vector<qint64> moments;
    forEachTransition(
        -2208988800000.0 /* 1900 */, 2051222400000.0, [&](const icu::TimeZoneTransition& t) {
            for (qint64 offset = -26 * 60; offset <= 26 * 60; offset += 30)
                moments.push_back(qint64(t.getTime()) + offset * minute);
        });
    for (qint64 m = -11676096000000; m < 4102444800000; m += 86399999)
        moments.push_back(m); // 1600 to 2100, creeping through the day

    for (const qint64 m : moments) {
        oracle.setTime(UDate(m), status);
        const DateParts expected {oracle.get(UCAL_EXTENDED_YEAR, status),
            oracle.get(UCAL_MONTH, status) + 1, oracle.get(UCAL_DATE, status),
            oracle.get(UCAL_HOUR_OF_DAY, status), oracle.get(UCAL_MINUTE, status),
            oracle.get(UCAL_SECOND, status), oracle.get(UCAL_DAY_OF_WEEK, status)};
        ASSERT_TRUE(U_SUCCESS(status));
        const QDateTime moment = QDateTime::fromMSecsSinceEpoch(m, Qt::UTC);
        SCOPED_TRACE(iso(moment));
        ASSERT_EQ(cal.components(moment), expected);

        // The wall time itself, and ones an hour either side that may fall in a gap.
        for (const int shift : {0, -1, 1}) {
            DateParts fields = expected;
            fields.hour = (fields.hour + shift + 24) % 24;
            ASSERT_EQ(iso(cal.date(fields)), momentOf(fields));
        }
    }
}

// The moment of a wall time agrees with ICU's to the second at either edge of every
// transition's skipped or repeated wall times, and for years far from any transition.
TEST_P(CalendarFieldDifferenceOracle, MomentsOfWallTimesAtTransitionEdgesAgreeWithIcu)
{
    // Wall times as UTC moments, so that their fields are the wall time's.
    std::vector<qint64> walls;
    forEachTransition(-1e17, 7258118400000.0 /* 2200 */, [&](const icu::TimeZoneTransition& t) {
        for (const icu::TimeZoneRule* rule : {t.getFrom(), t.getTo()}) {
            const qint64 edge = qint64(t.getTime()) + rule->getRawOffset() + rule->getDSTSavings();
            for (qint64 s = -2; s <= 2; ++s)
                walls.push_back(edge + s * 1000);
        }
    });
    for (const int year : {1, 1604, 1899, 2199, 2200, 2201, 2500, 9999})
        for (const int month : {1, 4, 7, 10})
            walls.push_back(
                QDateTime(QDate(year, month, 15), QTime(2, 30), Qt::UTC).toMSecsSinceEpoch());

    const Calendar utc(QStringLiteral("UTC"));
    for (const qint64 w : walls) {
        const DateParts f = utc.components(QDateTime::fromMSecsSinceEpoch(w, Qt::UTC));
        const std::string expected = momentOf(f);
        ASSERT_TRUE(U_SUCCESS(status));
        ASSERT_EQ(iso(cal.date(f)), expected) << f.year << "-" << f.month << "-" << f.day << " "
                                              << f.hour << ":" << f.minute << ":" << f.second;
    }
    EXPECT_GE(walls.size(), 32u);
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarFieldDifferenceOracle,
    testing::Values(OracleRow {"Auckland", "Pacific/Auckland"},
        OracleRow {"SaoPaulo", "America/Sao_Paulo"},
        OracleRow {"LordHoweHalfHourShift", "Australia/Lord_Howe"},
        OracleRow {"ApiaSkippedDay", "Pacific/Apia"}, // no 30 December 2011
        OracleRow {"Berlin", "Europe/Berlin"}, OracleRow {"HavanaMidnightShift", "America/Havana"}),
    fetemark::test::RowName());

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

class CalendarYearsBetween : public testing::TestWithParam<YearsRow> { };

TEST_P(CalendarYearsBetween, WholeYearsFromTo)
{
    const auto& row = GetParam();
    const Calendar cal = calendarOf(row.zone);
    const QDateTime from = cal.date(row.from.year, row.from.month, row.from.day, row.from.hour);
    const QDateTime to = cal.date(row.to.year, row.to.month, row.to.day, row.to.hour);
    EXPECT_EQ(cal.yearsBetween(from, to), row.years);
}

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarYearsBetween,
    testing::Values(
        YearsRow {"DayBeforeBirthday", "Pacific/Auckland", {1990, 6, 15}, {2026, 6, 14}, 35},
        YearsRow {"OnBirthday", "Pacific/Auckland", {1990, 6, 15}, {2026, 6, 15}, 36},
        YearsRow {"BirthdayMidnightBeforeBirthTime", "Pacific/Auckland", {1990, 6, 15, 12},
            {2026, 6, 15, 0}, 35},
        // ICU pins 29 February to the 28th in common years, so a leapling completes a year then...
        YearsRow {"LeaplingFeb27CommonYear", "UTC", {2000, 2, 29}, {2025, 2, 27}, 24},
        YearsRow {"LeaplingFeb28CommonYear", "UTC", {2000, 2, 29}, {2025, 2, 28}, 25},
        YearsRow {"LeaplingFeb28LeapYear", "UTC", {2000, 2, 29}, {2028, 2, 28}, 27},
        // ...but counting backwards from 28 February the 29th is not reached: not symmetric.
        YearsRow {"LeaplingBackwardsFromFeb28", "UTC", {2025, 2, 28}, {2000, 2, 29}, -24},
        YearsRow {"ProlepticCenturies", "UTC", {1500, 3, 1}, {2000, 3, 1}, 500}),
    fetemark::test::RowName());

TEST(CalendarObjects, CopiesKeepZoneAndInvalidMomentsGiveNothing)
{
    const QDateTime moment = utc("2026-03-04T12:00:00Z"); // 5 March in Auckland
    const Calendar auckland = calendarOf("Pacific/Auckland");
    const Calendar unknown = calendarOf("Nowhere/Else");
    Calendar constructed(auckland);
    Calendar assigned = calendarOf("UTC");
    assigned = auckland;
    const Calendar& alias = assigned;
    assigned = alias;
    const Calendar invalidCopy(unknown);
    EXPECT_EQ(
        std::tuple(constructed.components(moment).day, constructed.isValid()), std::tuple(5, true));
    EXPECT_EQ(std::tuple(assigned.components(moment).day, assigned.isValid()), std::tuple(5, true));
    EXPECT_EQ(std::tuple(invalidCopy.components(moment).day, invalidCopy.isValid()),
        std::tuple(4, false));
    // Using a copy must not disturb the original's state.
    constructed.date(1990, 1, 1);
    EXPECT_EQ(auckland.components(moment).day, 5);
    // An invalid moment gives nothing.
    EXPECT_FALSE(auckland.components(QDateTime()).ok());
    EXPECT_FALSE(auckland.startOfDay(QDateTime()).isValid());
    EXPECT_FALSE(auckland.addDays(QDateTime(), 1).isValid());
}

} // namespace
