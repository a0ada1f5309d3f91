#include "core/DateFormatter.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <unicode/locid.h>

#include <string>

namespace {

using fetemark::DateFormatter;
using fetemark::test::utc;
using Style = DateFormatter::Style;

template <typename Row>
std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

// Half an hour before midnight UTC: already Thursday 5 March in Berlin and Auckland,
// still Wednesday 4 March in UTC and Los Angeles.
constexpr const char* kMoment = "2026-03-04T23:30:00Z";

// ---------------------------------------------------------------------------------------
struct FormatRow {
    std::string name;
    const char* pattern;
    const char* locale;
    const char* zone;
    const char* moment;
    const char* expected;
};

class DateFormatterFormat : public testing::TestWithParam<FormatRow> {};

TEST_P(DateFormatterFormat, WritesMomentInLocaleAndZone)
{
    const auto& row = GetParam();
    const DateFormatter formatter(QString::fromUtf8(row.pattern), QString::fromLatin1(row.locale),
                                  QString::fromLatin1(row.zone));
    EXPECT_EQ(formatter.pattern(), QString::fromUtf8(row.pattern));
    EXPECT_EQ(formatter.format(utc(row.moment)).toStdString(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(DateFormatter, DateFormatterFormat, testing::Values(
    FormatRow{"EnUsUtc", "EEEE, MMMM d, y", "en_US", "UTC", kMoment, "Wednesday, March 4, 2026"},
    FormatRow{"EnUsBerlin", "EEEE, MMMM d, y", "en_US", "Europe/Berlin", kMoment, "Thursday, March 5, 2026"},
    FormatRow{"DeDeBerlin", "EEEE, d. MMMM y", "de_DE", "Europe/Berlin", kMoment, "Donnerstag, 5. März 2026"},
    FormatRow{"DeDeUtc", "EEEE, d. MMMM y", "de_DE", "UTC", kMoment, "Mittwoch, 4. März 2026"},
    FormatRow{"DeDeShortMonth", "d. MMM", "de_DE", "Europe/Berlin", kMoment, "5. März"},
    FormatRow{"FrFrBerlin", "EEEE d MMMM y", "fr_FR", "Europe/Berlin", kMoment, "jeudi 5 mars 2026"},
    FormatRow{"FrFrShortMonth", "d MMM", "fr_FR", "Europe/Berlin", kMoment, "5 mars"},
    FormatRow{"FrFrLosAngeles", "EEEE d MMMM", "fr_FR", "America/Los_Angeles", kMoment, "mercredi 4 mars"},
    FormatRow{"BcpTagLocale", "EEEE", "de-DE", "Europe/Berlin", kMoment, "Donnerstag"},
    FormatRow{"IsoDateBerlin", "yyyy-MM-dd", "en_US", "Europe/Berlin", kMoment, "2026-03-05"},
    FormatRow{"IsoDateUtc", "yyyy-MM-dd", "en_US", "UTC", kMoment, "2026-03-04"},
    FormatRow{"IsoDateAuckland", "yyyy-MM-dd", "en_US", "Pacific/Auckland", kMoment, "2026-03-05"},
    FormatRow{"TimeBerlin", "HH:mm", "en_US", "Europe/Berlin", kMoment, "00:30"},
    FormatRow{"UnknownZoneIsUtc", "yyyy-MM-dd HH:mm", "en_US", "Nowhere/Else", kMoment, "2026-03-04 23:30"},
    FormatRow{"JapaneseLocaleGregorianYear", "y年M月d日", "ja_JP", "Asia/Tokyo", kMoment, "2026年3月5日"},
    // Thai locales count Buddhist years by default (2569); dates here are always Gregorian.
    FormatRow{"ThaiLocaleGregorianYear", "y", "th_TH", "Asia/Bangkok", kMoment, "2026"},
    // ICU's default calendar would switch to Julian and print 1582-09-30.
    FormatRow{"ProlepticBeforeJulianSwitch", "yyyy-MM-dd", "en_US", "UTC", "1582-10-10T12:00:00Z", "1582-10-10"}),
    rowName<FormatRow>);

TEST(DateFormatterFormatInvalid, InvalidMomentGivesEmptyText)
{
    for (const char* pattern : {"yyyy-MM-dd", "EEEE"}) {
        SCOPED_TRACE(pattern);
        const DateFormatter formatter(QString::fromLatin1(pattern), QStringLiteral("en_US"), QStringLiteral("UTC"));
        EXPECT_TRUE(formatter.format(QDateTime()).isEmpty());
        EXPECT_FALSE(formatter.format(utc(kMoment)).isEmpty());
    }
}

// ---------------------------------------------------------------------------------------
// ICU falls back to its default locale for names it has no data for; the default comes
// from the process. These tests move the default away from en_US to show it is not used.
class DateFormatterForeignIcuDefault : public testing::Test {
protected:
    void SetUp() override
    {
        m_saved = icu::Locale::getDefault();
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(icu::Locale("de_DE"), status);
        ASSERT_TRUE(U_SUCCESS(status));
    }
    void TearDown() override
    {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(m_saved, status);
    }

private:
    icu::Locale m_saved;
};

TEST_F(DateFormatterForeignIcuDefault, UnknownLocaleIsEnUs)
{
    const struct {
        const char* locale;
        const char* weekday;
        const char* mediumPattern;
    } rows[] = {{"xx_YY", "Wednesday", "MMM d, y"},
                {"qq", "Wednesday", "MMM d, y"},
                {"en_US", "Wednesday", "MMM d, y"},
                {"fr_FR", "mercredi", "d MMM y"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.locale);
        const DateFormatter formatter(QStringLiteral("EEEE"), QString::fromLatin1(row.locale), QStringLiteral("UTC"));
        EXPECT_EQ(formatter.format(utc(kMoment)).toStdString(), row.weekday);
        EXPECT_EQ(DateFormatter::datePattern(Style::Medium, QString::fromLatin1(row.locale)).toStdString(),
                  row.mediumPattern);
    }
}

// ---------------------------------------------------------------------------------------
struct PatternRow {
    std::string name;
    Style style;
    const char* locale;
    const char* expected;
};

class DateFormatterDatePattern : public testing::TestWithParam<PatternRow> {};

TEST_P(DateFormatterDatePattern, LocaleDateOnlyPattern)
{
    const auto& row = GetParam();
    EXPECT_EQ(DateFormatter::datePattern(row.style, QString::fromLatin1(row.locale)).toStdString(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(DateFormatter, DateFormatterDatePattern, testing::Values(
    PatternRow{"EnUsMedium", Style::Medium, "en_US", "MMM d, y"},
    PatternRow{"EnGbMedium", Style::Medium, "en_GB", "d MMM y"},
    PatternRow{"DeDeMedium", Style::Medium, "de_DE", "dd.MM.y"},
    PatternRow{"JaJpMedium", Style::Medium, "ja_JP", "y/MM/dd"},
    PatternRow{"HuHuMedium", Style::Medium, "hu_HU", "y. MMM d."},
    PatternRow{"EnUsShort", Style::Short, "en_US", "M/d/yy"},
    PatternRow{"DeDeLong", Style::Long, "de_DE", "d. MMMM y"},
    PatternRow{"EnUsFull", Style::Full, "en_US", "EEEE, MMMM d, y"},
    PatternRow{"BcpTag", Style::Medium, "de-DE", "dd.MM.y"}),
    rowName<PatternRow>);

// ---------------------------------------------------------------------------------------
struct ParseRow {
    std::string name;
    const char* pattern;
    const char* locale;
    const char* zone;
    const char* text;
    const char* expected; // UTC, or nullptr when refused
};

class DateFormatterParse : public testing::TestWithParam<ParseRow> {};

TEST_P(DateFormatterParse, StrictParse)
{
    const auto& row = GetParam();
    const DateFormatter formatter(QString::fromUtf8(row.pattern), QString::fromLatin1(row.locale),
                                  QString::fromLatin1(row.zone));
    const QDateTime parsed = formatter.parse(QString::fromUtf8(row.text));
    if (row.expected) {
        ASSERT_TRUE(parsed.isValid());
        EXPECT_EQ(parsed.toUTC().toString(Qt::ISODate).toStdString(), row.expected);
    } else {
        EXPECT_FALSE(parsed.isValid()) << parsed.toString(Qt::ISODate).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(DateFormatterAccepted, DateFormatterParse, testing::Values(
    ParseRow{"IsoUtc", "yyyy-MM-dd", "en_US", "UTC", "2026-03-04", "2026-03-04T00:00:00Z"},
    ParseRow{"IsoBerlinMidnight", "yyyy-MM-dd", "en_US", "Europe/Berlin", "2026-03-04", "2026-03-03T23:00:00Z"},
    ParseRow{"IsoAucklandMidnight", "yyyy-MM-dd", "en_US", "Pacific/Auckland", "2026-03-04", "2026-03-03T11:00:00Z"},
    ParseRow{"IsoLeapDay", "yyyy-MM-dd", "en_US", "UTC", "2028-02-29", "2028-02-29T00:00:00Z"},
    ParseRow{"EnUsMedium", "MMM d, y", "en_US", "UTC", "Mar 4, 2026", "2026-03-04T00:00:00Z"},
    ParseRow{"DeDeLong", "d. MMMM y", "de_DE", "Europe/Berlin", "4. März 2026", "2026-03-03T23:00:00Z"},
    ParseRow{"WithTime", "yyyy-MM-dd HH:mm", "en_US", "America/Sao_Paulo", "2018-11-04 01:30", "2018-11-04T03:30:00Z"}),
    rowName<ParseRow>);

INSTANTIATE_TEST_SUITE_P(DateFormatterRefused, DateFormatterParse, testing::Values(
    ParseRow{"Feb30", "yyyy-MM-dd", "en_US", "UTC", "2026-02-30", nullptr},
    ParseRow{"Feb29CommonYear", "yyyy-MM-dd", "en_US", "UTC", "2027-02-29", nullptr},
    ParseRow{"Month13", "yyyy-MM-dd", "en_US", "UTC", "2026-13-01", nullptr},
    ParseRow{"TrailingJunk", "yyyy-MM-dd", "en_US", "UTC", "2026-03-04x", nullptr},
    ParseRow{"TrailingSpace", "yyyy-MM-dd", "en_US", "UTC", "2026-03-04 ", nullptr},
    ParseRow{"LeadingSpace", "yyyy-MM-dd", "en_US", "UTC", " 2026-03-04", nullptr},
    ParseRow{"SpaceBeforeField", "yyyy-MM-dd", "en_US", "UTC", "2026- 03-04", nullptr},
    ParseRow{"FiveDigitYear", "yyyy-MM-dd", "en_US", "UTC", "02026-03-04", nullptr},
    ParseRow{"MissingPadding", "yyyy-MM-dd", "en_US", "UTC", "2026-3-4", nullptr},
    ParseRow{"Truncated", "yyyy-MM-dd", "en_US", "UTC", "2026-03", nullptr},
    ParseRow{"Empty", "yyyy-MM-dd", "en_US", "UTC", "", nullptr},
    ParseRow{"FullMonthForShortPattern", "MMM d, y", "en_US", "UTC", "March 4, 2026", nullptr},
    ParseRow{"MissingComma", "MMM d, y", "en_US", "UTC", "Mar 4 2026", nullptr},
    ParseRow{"NumericMonthForName", "MMM d, y", "en_US", "UTC", "3 4, 2026", nullptr},
    ParseRow{"OtherLanguageMonth", "d. MMMM y", "de_DE", "UTC", "4. March 2026", nullptr},
    ParseRow{"TimeInSpringGap", "yyyy-MM-dd HH:mm", "en_US", "America/Sao_Paulo", "2018-11-04 00:30", nullptr}),
    rowName<ParseRow>);

// ---------------------------------------------------------------------------------------
TEST(DateFormatterCopies, AreIndependent)
{
    const DateFormatter berlin(QStringLiteral("EEEE HH:mm"), QStringLiteral("de_DE"), QStringLiteral("Europe/Berlin"));
    DateFormatter constructed(berlin);
    DateFormatter assigned(QStringLiteral("y"), QStringLiteral("en_US"), QStringLiteral("UTC"));
    assigned = berlin;
    DateFormatter selfAssigned(berlin);
    const DateFormatter& alias = selfAssigned;
    selfAssigned = alias;

    const struct {
        const char* name;
        const DateFormatter* formatter;
    } rows[] = {{"copy-constructed", &constructed}, {"copy-assigned", &assigned}, {"self-assigned", &selfAssigned}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.formatter->pattern(), QStringLiteral("EEEE HH:mm"));
        EXPECT_EQ(row.formatter->format(utc(kMoment)), QStringLiteral("Donnerstag 00:30"));
        EXPECT_EQ(row.formatter->parse(QStringLiteral("Donnerstag 00:30")).isValid(), true);
    }
    assigned = DateFormatter(QStringLiteral("y"), QStringLiteral("en_US"), QStringLiteral("UTC"));
    EXPECT_EQ(berlin.format(utc(kMoment)), QStringLiteral("Donnerstag 00:30"));
}

} // namespace
