#include "core/time/DatePatterns.h"

#include <gtest/gtest.h>

#include <string>

namespace {

namespace DatePatterns = fetemark::DatePatterns;

template<typename Row> std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

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

// Fixed languages are paired with a locale of the opposite order, so a lookup that
// consulted the locale would show.
INSTANTIATE_TEST_SUITE_P(DatePatternsFixedLanguages, DatePatternsNoYear,
    testing::Values(
        NoYearRow {"GermanWithEnUs", "DE", "en_US", "d. MMM", "d. MMMM", "EEEE, d. MMMM"},
        NoYearRow {"FrenchWithEnUs", "FR", "en_US", "d MMM", "d MMMM", "EEEE d MMMM"},
        NoYearRow {"ItalianWithJaJp", "IT", "ja_JP", "d MMM", "d MMMM", "EEEE, d MMMM"},
        NoYearRow {"DutchWithEnUs", "NL", "en_US", "d MMM", "d MMMM", "EEEE d MMMM"},
        NoYearRow {"RussianWithDeDe", "RU", "de_DE", "MMM d", "MMMM d", "EEEE d MMMM"},
        NoYearRow {"SpanishWithEnGb", "ES", "en_GB", "MMM d", "MMMM d", "EEEE, d MMMM"},
        NoYearRow {"GermanWithOwnLocale", "DE", "de_DE", "d. MMM", "d. MMMM", "EEEE, d. MMMM"}),
    rowName<NoYearRow>);

// Medium patterns (ICU 72): en_US "MMM d, y", en_CA "MMM d, y", ja_JP "y/MM/dd",
// zh_CN "y年M月d日", hu_HU "y. MMM d.", ko_KR "y. M. d." put the month first; en_GB
// "d MMM y", de_DE "dd.MM.y", pt_BR "d 'de' MMM 'de' y", fr_FR "d MMM y" the day.
INSTANTIATE_TEST_SUITE_P(DatePatternsLocaleOrder, DatePatternsNoYear,
    testing::Values(NoYearRow {"EnglishUs", "EN", "en_US", "MMM d", "MMMM d", "EEEE, MMMM d"},
        NoYearRow {"EnglishCanada", "EN", "en_CA", "MMM d", "MMMM d", "EEEE, MMMM d"},
        NoYearRow {"EnglishGb", "EN", "en_GB", "d MMM", "d MMMM", "EEEE d MMMM"},
        NoYearRow {"EnglishWithDeDe", "EN", "de_DE", "d MMM", "d MMMM", "EEEE d MMMM"},
        NoYearRow {"PortugueseBrazil", "PT", "pt_BR", "d MMM", "d MMMM", "EEEE d MMMM"},
        NoYearRow {"PortugueseWithEnUs", "PT", "en_US", "MMM d", "MMMM d", "EEEE, MMMM d"},
        NoYearRow {"JapaneseJaJp", "JA", "ja_JP", "MMM d", "MMMM d", "EEEE, MMMM d"},
        NoYearRow {"ChineseZhCn", "ZH", "zh_CN", "MMM d", "MMMM d", "EEEE, MMMM d"},
        NoYearRow {"HungarianHuHu", "HU", "hu_HU", "MMM d", "MMMM d", "EEEE, MMMM d"},
        NoYearRow {"KoreanKoKr", "KO", "ko_KR", "MMM d", "MMMM d", "EEEE, MMMM d"},
        NoYearRow {"JapaneseWithFrFr", "JA", "fr_FR", "d MMM", "d MMMM", "EEEE d MMMM"},
        // The language check is exact: lower case is not a fixed language.
        NoYearRow {"LowerCaseGermanIsNotFixed", "de", "en_US", "MMM d", "MMMM d", "EEEE, MMMM d"},
        NoYearRow {"NoLanguage", "", "en_GB", "d MMM", "d MMMM", "EEEE d MMMM"}),
    rowName<NoYearRow>);

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
    testing::Values(OrderRow {"EnUsMedium", "MMM d, y", true},
        OrderRow {"DeDeMedium", "dd.MM.y", false}, OrderRow {"JaJpMedium", "y/MM/dd", true},
        OrderRow {"HuHuMedium", "y. MMM d.", true}, OrderRow {"OnlyDay", "d", false},
        OrderRow {"OnlyMonth", "M", true}, OrderRow {"Empty", "", false},
        OrderRow {"NeitherLetter", "y", false},
        // Quoted text is literal: the "d" of "de" is no day field.
        OrderRow {"QuotedLettersIgnored", "'de' MMM d", true},
        OrderRow {"PtBrMedium", "d 'de' MMM 'de' y", false},
        OrderRow {"EscapedQuoteDoesNotOpenLiteral", "''MMM d", true}),
    rowName<OrderRow>);

} // namespace
