#include "core/time/DateFormatter.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <unicode/locid.h>

#include <string>
#include <utility>

namespace {

using fetemark::DateFormatter;
using fetemark::test::utc;
using Style = DateFormatter::Style;

// Half an hour before midnight UTC: already Thursday 5 March in Berlin and Auckland,
// still Wednesday 4 March in UTC and Los Angeles.
constexpr const char* kMoment = "2026-03-04T23:30:00Z";

DateFormatter formatter(const char* pattern, const char* locale, const char* zone)
{
    return DateFormatter(
        QString::fromUtf8(pattern), QString::fromLatin1(locale), QString::fromLatin1(zone));
}

// ICU substitutes its default locale, taken from the process, for names it has no data
// for; moving the default away from en_US shows it is never used.
template<typename Row> class ForeignIcuDefault : public testing::TestWithParam<Row> {
protected:
    void SetUp() override { setIcuDefault(icu::Locale("de_DE")); }
    void TearDown() override { setIcuDefault(m_saved); }
    static void setIcuDefault(const icu::Locale& locale)
    {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(locale, status);
        ASSERT_TRUE(U_SUCCESS(status));
    }
    icu::Locale m_saved = icu::Locale::getDefault();
};

struct FormatRow {
    std::string name;
    const char *pattern, *locale, *zone;
    const char* moment; // nullptr: an invalid moment
    const char* expected;
};

class DateFormatterFormat : public ForeignIcuDefault<FormatRow> { };

TEST_P(DateFormatterFormat, WritesMomentInLocaleAndZone)
{
    const auto& row = GetParam();
    EXPECT_EQ(formatter(row.pattern, row.locale, row.zone)
                  .format(row.moment ? utc(row.moment) : QDateTime())
                  .toStdString(),
        row.expected);
}

INSTANTIATE_TEST_SUITE_P(DateFormatter, DateFormatterFormat,
    testing::Values(FormatRow {"EnUsUtc", "EEEE, MMMM d, y", "en_US", "UTC", kMoment,
                        "Wednesday, March 4, 2026"},
        FormatRow {"EnUsBerlin", "EEEE, MMMM d, y", "en_US", "Europe/Berlin", kMoment,
            "Thursday, March 5, 2026"},
        FormatRow {"DeDeBerlin", "EEEE, d. MMMM y", "de_DE", "Europe/Berlin", kMoment,
            "Donnerstag, 5. März 2026"},
        FormatRow {"BcpTagLocale", "EEEE", "de-DE", "Europe/Berlin", kMoment, "Donnerstag"},
        FormatRow {"UnknownLocaleIsEnUs", "EEEE", "xx_YY", "UTC", kMoment, "Wednesday"},
        FormatRow {"UnknownLanguageIsEnUs", "EEEE", "qq", "UTC", kMoment, "Wednesday"},
        FormatRow {"UnknownZoneIsUtc", "yyyy-MM-dd HH:mm", "en_US", "Nowhere/Else", kMoment,
            "2026-03-04 23:30"},
        FormatRow {"InvalidMomentIsEmpty", "yyyy-MM-dd", "en_US", "UTC", nullptr, ""},
        FormatRow {"JapaneseLocaleGregorianYear", "y年M月d日", "ja_JP", "Asia/Tokyo", kMoment,
            "2026年3月5日"},
        // Thai locales count Buddhist years by default (2569); dates here are always Gregorian.
        FormatRow {"ThaiLocaleGregorianYear", "y", "th_TH", "Asia/Bangkok", kMoment, "2026"},
        // ICU's default calendar would switch to Julian and print 1582-09-30.
        FormatRow {"ProlepticBeforeJulianSwitch", "yyyy-MM-dd", "en_US", "UTC",
            "1582-10-10T12:00:00Z", "1582-10-10"}),
    fetemark::test::RowName());

struct PatternRow {
    std::string name;
    Style style;
    const char *locale, *expected;
};

class DateFormatterDatePattern : public ForeignIcuDefault<PatternRow> { };

TEST_P(DateFormatterDatePattern, LocaleDateOnlyPattern)
{
    const auto& row = GetParam();
    EXPECT_EQ(DateFormatter::datePattern(row.style, QString::fromLatin1(row.locale)).toStdString(),
        row.expected);
}

INSTANTIATE_TEST_SUITE_P(DateFormatter, DateFormatterDatePattern,
    testing::Values(PatternRow {"EnUsMedium", Style::Medium, "en_US", "MMM d, y"},
        PatternRow {"EnUsShort", Style::Short, "en_US", "M/d/yy"},
        PatternRow {"DeDeLong", Style::Long, "de_DE", "d. MMMM y"},
        PatternRow {"EnUsFull", Style::Full, "en_US", "EEEE, MMMM d, y"},
        PatternRow {"BcpTag", Style::Medium, "de-DE", "dd.MM.y"},
        PatternRow {"UnknownLocaleIsEnUs", Style::Medium, "xx_YY", "MMM d, y"}),
    fetemark::test::RowName());

struct ParseRow {
    std::string name;
    const char *pattern, *locale, *zone, *text;
    const char* expected; // UTC, or nullptr when refused
};

class DateFormatterParse : public testing::TestWithParam<ParseRow> { };

TEST_P(DateFormatterParse, StrictParse)
{
    const auto& row = GetParam();
    const QDateTime parsed =
        formatter(row.pattern, row.locale, row.zone).parse(QString::fromUtf8(row.text));
    EXPECT_EQ(parsed.toUTC().toString(Qt::ISODate).toStdString(), row.expected ? row.expected : "");
}

INSTANTIATE_TEST_SUITE_P(DateFormatterAccepted, DateFormatterParse,
    testing::Values(
        ParseRow {"IsoUtc", "yyyy-MM-dd", "en_US", "UTC", "2026-03-04", "2026-03-04T00:00:00Z"},
        ParseRow {"IsoBerlinMidnight", "yyyy-MM-dd", "en_US", "Europe/Berlin", "2026-03-04",
            "2026-03-03T23:00:00Z"},
        ParseRow {"IsoLeapDay", "yyyy-MM-dd", "en_US", "UTC", "2028-02-29", "2028-02-29T00:00:00Z"},
        ParseRow {"EnUsMedium", "MMM d, y", "en_US", "UTC", "Mar 4, 2026", "2026-03-04T00:00:00Z"},
        ParseRow {"DeDeLong", "d. MMMM y", "de_DE", "Europe/Berlin", "4. März 2026",
            "2026-03-03T23:00:00Z"},
        ParseRow {"WithTime", "yyyy-MM-dd HH:mm", "en_US", "America/Sao_Paulo", "2018-11-04 01:30",
            "2018-11-04T03:30:00Z"}),
    fetemark::test::RowName());

INSTANTIATE_TEST_SUITE_P(DateFormatterRefused, DateFormatterParse,
    testing::Values(ParseRow {"Feb30", "yyyy-MM-dd", "en_US", "UTC", "2026-02-30", nullptr},
        ParseRow {"TrailingJunk", "yyyy-MM-dd", "en_US", "UTC", "2026-03-04x", nullptr},
        ParseRow {"SpaceBeforeField", "yyyy-MM-dd", "en_US", "UTC", "2026- 03-04", nullptr},
        ParseRow {"FiveDigitYear", "yyyy-MM-dd", "en_US", "UTC", "02026-03-04", nullptr},
        ParseRow {"MissingPadding", "yyyy-MM-dd", "en_US", "UTC", "2026-3-4", nullptr},
        ParseRow {"Truncated", "yyyy-MM-dd", "en_US", "UTC", "2026-03", nullptr},
        ParseRow {"Empty", "yyyy-MM-dd", "en_US", "UTC", "", nullptr},
        ParseRow {"FullMonthForShortPattern", "MMM d, y", "en_US", "UTC", "March 4, 2026", nullptr},
        ParseRow {"MissingComma", "MMM d, y", "en_US", "UTC", "Mar 4 2026", nullptr},
        ParseRow {"OtherLanguageMonth", "d. MMMM y", "de_DE", "UTC", "4. March 2026", nullptr},
        ParseRow {"TimeInSpringGap", "yyyy-MM-dd HH:mm", "en_US", "America/Sao_Paulo",
            "2018-11-04 00:30", nullptr}),
    fetemark::test::RowName());

TEST(DateFormatterCopies, AreIndependent)
{
    const DateFormatter berlin = formatter("EEEE HH:mm", "de_DE", "Europe/Berlin");
    DateFormatter constructed(berlin), assigned = formatter("y", "en_US", "UTC"),
                                       selfAssigned(berlin);
    assigned = berlin;
    selfAssigned = std::as_const(selfAssigned);
    for (const DateFormatter* copy : {&constructed, &assigned, &selfAssigned}) {
        EXPECT_EQ(copy->pattern(), QStringLiteral("EEEE HH:mm"));
        EXPECT_EQ(copy->format(utc(kMoment)), QStringLiteral("Donnerstag 00:30"));
        EXPECT_TRUE(copy->parse(QStringLiteral("Donnerstag 00:30")).isValid());
    }
    assigned = formatter("y", "en_US", "UTC");
    EXPECT_EQ(berlin.format(utc(kMoment)), QStringLiteral("Donnerstag 00:30"));
}

} // namespace
