#include "core/time/DatePatterns.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

namespace DatePatterns = fetemark::DatePatterns;

struct NoYearRow {
    std::string name;
    const char* language;
    const char* locale;
    const char* shortForm;
    const char* medium;
    const char* longForm;
};

class DatePatternsNoYear : public testing::TestWithParam<NoYearRow> { };

TEST_P(DatePatternsNoYear, ChosenByLanguageThenLocaleOrder)
{
    const auto& row = GetParam();
    const QString language = QString::fromLatin1(row.language);
    const QString locale = QString::fromLatin1(row.locale);
    EXPECT_EQ(DatePatterns::shortNoYear(language, locale).toStdString(), row.shortForm);
    EXPECT_EQ(DatePatterns::mediumNoYear(language, locale).toStdString(), row.medium);
    EXPECT_EQ(DatePatterns::longNoYear(language, locale).toStdString(), row.longForm);
}

// A fixed language wins over a locale of the opposite order; any other language, or a
// fixed one in the wrong case, takes the locale's own short and long forms and, for the
// medium form, the order of the locale's medium pattern (ICU 72: en_US "MMM d, y",
// en_GB "d MMM y").
INSTANTIATE_TEST_SUITE_P(DatePatterns, DatePatternsNoYear,
    testing::Values(
        NoYearRow {"FixedGermanWithEnUs", "DE", "en_US", "d. MMM", "d. MMMM", "EEEE, d. MMMM"},
        NoYearRow {"EnglishUs", "EN", "en_US", "MMM d", "MMMM d", "EEEE, MMMM d"},
        NoYearRow {"SpanishDayDeMonth", "ES", "en_US", "d MMM", "d 'de' MMMM", "EEEE, d 'de' MMMM"},
        NoYearRow {"RussianDayFirst", "RU", "en_US", "d MMM", "d MMMM", "EEEE, d MMMM"},
        NoYearRow {"EnglishGb", "EN", "en_GB", "d MMM", "d MMMM", "EEEE, d MMMM"},
        NoYearRow {"LowerCaseGermanIsNotFixed", "de", "en_US", "MMM d", "MMMM d", "EEEE, MMMM d"}),
    fetemark::test::RowName());

struct FirstDayRow {
    std::string name;
    const char* language;
    const char* pattern;
    const char* firstDay; // "": the pattern serves every day
};

class DatePatternsFirstDay : public testing::TestWithParam<FirstDayRow> { };

TEST_P(DatePatternsFirstDay, OrdinalOnlyForAFrenchDayBesideAMonthName)
{
    const auto& row = GetParam();
    EXPECT_EQ(DatePatterns::firstDayPattern(
                  QString::fromUtf8(row.pattern), QString::fromLatin1(row.language))
                  .toStdString(),
        row.firstDay);
}

INSTANTIATE_TEST_SUITE_P(DatePatterns, DatePatternsFirstDay,
    // The texts themselves ("1er décembre") are checked with the phrases.
    testing::Values(FirstDayRow {"FrenchNumeric", "FR", "dd/MM/y", ""},
        FirstDayRow {"FrenchTwoDigitDay", "FR", "dd MMMM", ""},
        FirstDayRow {"QuotedLetterIsNoDay", "FR", "'d' MMMM d", "'d' MMMM d'er'"}),
    fetemark::test::RowName());

struct OrderRow {
    std::string name;
    const char* pattern;
    bool monthFirst;
};

class DatePatternsMonthBeforeDay : public testing::TestWithParam<OrderRow> { };

TEST_P(DatePatternsMonthBeforeDay, FirstMonthAgainstFirstDay)
{
    const auto& row = GetParam();
    EXPECT_EQ(DatePatterns::monthBeforeDay(QString::fromUtf8(row.pattern)), row.monthFirst);
}

INSTANTIATE_TEST_SUITE_P(DatePatterns, DatePatternsMonthBeforeDay,
    testing::Values(OrderRow {"MonthFirst", "MMM d, y", true},
        OrderRow {"DayFirst", "dd.MM.y", false}, OrderRow {"OnlyDay", "d", false},
        OrderRow {"OnlyMonth", "M", true}, OrderRow {"Empty", "", false},
        OrderRow {"NeitherLetter", "y", false},
        // Quoted text is literal: the "d" of "de" is no day field.
        OrderRow {"QuotedLettersIgnored", "'de' MMM d", true},
        OrderRow {"EscapedQuoteDoesNotOpenLiteral", "''MMM d", true}),
    fetemark::test::RowName());

} // namespace
