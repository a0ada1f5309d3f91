#include "core/time/Clock.h"
#include "core/time/Calendar.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using fetemark::Calendar;
using fetemark::FixedClock;
using fetemark::test::utc;

struct ParseRow {
    std::string name;
    const char* zone;
    const char* text;
    const char* expected; // UTC, or nullptr when the text must be refused
};

class ClockParseLocalTime : public testing::TestWithParam<ParseRow> { };

TEST_P(ClockParseLocalTime, ReadsLocalTimeOrRefuses)
{
    const auto& row = GetParam();
    const Calendar cal(QString::fromLatin1(row.zone));
    const QDateTime parsed = FixedClock::parseLocalTime(QString::fromUtf8(row.text), cal);
    if (row.expected) {
        ASSERT_TRUE(parsed.isValid());
        EXPECT_EQ(parsed.toUTC().toString(Qt::ISODate).toStdString(), row.expected);
    } else {
        EXPECT_FALSE(parsed.isValid()) << parsed.toString(Qt::ISODate).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(ClockAccepted, ClockParseLocalTime,
    testing::Values(
        ParseRow {"DateOnlyIsLocalNoon", "Pacific/Auckland", "2026-03-05", "2026-03-04T23:00:00Z"},
        ParseRow {"DateOnlyWinterNoon", "Pacific/Auckland", "2026-07-01", "2026-07-01T00:00:00Z"},
        ParseRow {"HoursMinutes", "Pacific/Auckland", "2026-03-05T01:00", "2026-03-04T12:00:00Z"},
        ParseRow {"WithSeconds", "Pacific/Auckland", "2026-07-01T23:59:59", "2026-07-01T11:59:59Z"},
        ParseRow {"Midnight", "UTC", "2026-01-01T00:00", "2026-01-01T00:00:00Z"},
        ParseRow {"LeapDay", "UTC", "2028-02-29", "2028-02-29T12:00:00Z"},
        ParseRow {"LeapDayOf400Year", "UTC", "2000-02-29T08:15", "2000-02-29T08:15:00Z"},
        ParseRow {"BerlinSummer", "Europe/Berlin", "2026-07-01T09:30:15", "2026-07-01T07:30:15Z"},
        // A wall time inside the spring-forward gap is not refused: it moves past the gap
        // by its own distance into it (02:30 NZST does not exist; 03:30 NZDT is taken).
        ParseRow {"SpringGapMovesForward", "Pacific/Auckland", "2026-09-27T02:30",
            "2026-09-26T14:30:00Z"},
        // A repeated wall time is read as its later occurrence.
        ParseRow {"FallBackTakesLaterOccurrence", "Pacific/Auckland", "2026-04-05T02:30",
            "2026-04-04T14:30:00Z"},
        ParseRow {"SkippedMidnightIsFirstMomentOfDay", "America/Sao_Paulo", "2018-11-04T00:00",
            "2018-11-04T03:00:00Z"},
        ParseRow {
            "UnknownZoneReadsUtc", "Nowhere/Else", "2026-03-05T10:00", "2026-03-05T10:00:00Z"}),
    fetemark::test::RowName());

INSTANTIATE_TEST_SUITE_P(ClockRefused, ClockParseLocalTime,
    testing::Values(ParseRow {"Feb30", "UTC", "2026-02-30", nullptr},
        ParseRow {"Feb29CommonYear", "UTC", "2027-02-29", nullptr},
        ParseRow {"Feb29Of1900", "UTC", "1900-02-29", nullptr},
        ParseRow {"April31", "UTC", "2026-04-31", nullptr},
        ParseRow {"Month13", "UTC", "2026-13-01", nullptr},
        ParseRow {"Month0", "UTC", "2026-00-10", nullptr},
        ParseRow {"Day0", "UTC", "2026-04-00", nullptr},
        ParseRow {"Year0", "UTC", "0000-01-01", nullptr},
        ParseRow {"Hour24", "UTC", "2026-03-05T24:00", nullptr},
        ParseRow {"Minute60", "UTC", "2026-03-05T12:60", nullptr},
        ParseRow {"Second60", "UTC", "2026-03-05T12:00:60", nullptr},
        ParseRow {"HourOnly", "UTC", "2026-03-05T12", nullptr},
        ParseRow {"SpaceSeparator", "UTC", "2026-03-05 12:00", nullptr},
        ParseRow {"LowerCaseT", "UTC", "2026-03-05t12:00", nullptr},
        ParseRow {"SingleDigitFields", "UTC", "2026-3-5", nullptr},
        ParseRow {"TwoDigitYear", "UTC", "26-03-05", nullptr},
        ParseRow {"FiveDigitYear", "UTC", "02026-03-05", nullptr},
        ParseRow {"SignedYear", "UTC", "+2026-03-05", nullptr},
        ParseRow {"NegativeMonth", "UTC", "2026--3-05", nullptr},
        ParseRow {"TrailingJunk", "UTC", "2026-03-05x", nullptr},
        ParseRow {"TrailingZone", "UTC", "2026-03-05T12:00Z", nullptr},
        ParseRow {"FractionalSeconds", "UTC", "2026-03-05T12:00:00.000", nullptr},
        ParseRow {"LeadingSpace", "UTC", " 2026-03-05", nullptr},
        ParseRow {"TrailingSpace", "UTC", "2026-03-05 ", nullptr},
        ParseRow {"Slashes", "UTC", "2026/03/05", nullptr},
        ParseRow {"ColonInsteadOfDash", "UTC", "2026-03-05T12-00", nullptr},
        ParseRow {"Letters", "UTC", "abcd-ef-gh", nullptr},
        ParseRow {"FullWidthDigits", "UTC",
            "\xef\xbc\x92\xef\xbc\x90\xef\xbc\x92\xef\xbc\x96-03-05", nullptr},
        ParseRow {"Empty", "UTC", "", nullptr}),
    fetemark::test::RowName());

TEST(ClockFixed, StandsStillUntilSet)
{
    const struct {
        const char* first;
        const char* second;
    } rows[] = {{"2026-03-05T12:00:00Z", "2026-03-06T00:00:00Z"},
        {"1970-01-01T00:00:00Z", "2038-01-19T03:14:08Z"},
        {"2026-09-26T14:00:00.250Z", "1900-02-28T23:59:59Z"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        FixedClock clock(utc(row.first));
        EXPECT_EQ(clock.now(), utc(row.first));
        EXPECT_EQ(clock.now().timeSpec(), Qt::UTC);
        EXPECT_EQ(clock.now().toMSecsSinceEpoch(), utc(row.first).toMSecsSinceEpoch());
        clock.set(utc(row.second));
        EXPECT_EQ(clock.now(), utc(row.second));
    }
}

} // namespace
