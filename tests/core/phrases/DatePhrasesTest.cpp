// The phrase on every row ("Turning 30 today", "5th anniversary tomorrow", "In 2½
// weeks"), its date texts and age, at a fixed moment, zone and locale.
#include "core/phrases/DatePhrases.h"

#include "core/records/OccasionRecord.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/TextFormat.h"
#include "core/text/Texts.h"
#include "core/time/Calendar.h"
#include "core/time/DeviceEnvironment.h"
#include "support/RowPrinter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFileInfo>

#include <cctype>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

namespace {

using namespace fetemark;
using test::PrintTo;
using test::TempDir;

std::unique_ptr<Settings> makeSettings(const TempDir& dir, const QVariantMap& stored)
{
    auto settings = std::make_unique<Settings>(dir.file(QStringLiteral("Preferences.plist")));
    settings->registerDefaults(registeredDefaults());
    for (auto it = stored.begin(); it != stored.end(); ++it)
        settings->setValue(it.key(), it.value());
    return settings;
}

DeviceEnvironment device(const char* locale, const char* zone = "Europe/Berlin")
{
    DeviceEnvironment d;
    d.timeZoneId = QString::fromLatin1(zone);
    d.localeName = QString::fromLatin1(locale);
    d.preferredLanguages = {d.localeName.left(2)};
    return d;
}

// Everything a phrase is made from, at 2027-03-01 12:00 in the row's zone.
struct World {
    TempDir dir;
    DeviceEnvironment env;
    std::unique_ptr<Settings> settings;
    Texts texts;
    Calendar calendar;
    QDateTime now;

    World(const DeviceEnvironment& environment, const QVariantMap& stored)
        : env(environment), settings(makeSettings(dir, stored)), texts(env.currentLanguage()),
          calendar(env.timeZoneId), now(calendar.date(2027, 3, 1, 12))
    {
    }

    // A record `days` away whose first occurrence was `yearsAgo` years before that day
    // (-1: without year).
    std::shared_ptr<OccasionRecord> record(int type, int days, int yearsAgo) const
    {
        auto r = std::make_shared<OccasionRecord>();
        r->type = type;
        r->sortDate = calendar.addDays(calendar.date(2027, 3, 1), days);
        const DateParts p = calendar.components(r->sortDate);
        r->rawDate = calendar.date(yearsAgo < 0 ? 2000 : p.year - yearsAgo, p.month, p.day);
        r->ignoreYear = yearsAgo < 0;
        r->daysUntilDate = days;
        return r;
    }
};

const QVariantMap plain {{QString(Key::LargeRows), false}, {QString(Key::DaysOnly), false}};
const QVariantMap large {{QString(Key::LargeRows), true}, {QString(Key::DaysOnly), false}};
const QVariantMap daysOnly {{QString(Key::LargeRows), false}, {QString(Key::DaysOnly), true}};
const QVariantMap ageHidden {{QString(Key::LargeRows), true}, {QString(Key::ShowAge), false}};
const QVariantMap smart {{QString(Key::LargeRows), true}, {QString(Key::SmartLabels), true}};

struct PhraseRow {
    const char* name;
    int type;
    int days;
    int yearsAgo; // -1: no year
    QVariantMap settings;
    const char* expected;
    const char* expectedSansType = nullptr; // nullptr: same as expected
    const char* label = "";
    const char* locale = "en_US";
    bool fakeBirthday = false;
    bool fakeAnniversary = false;
    int recordID = -1;
};

class Phrases : public testing::TestWithParam<PhraseRow> { };

TEST_P(Phrases, ReadAsExpected)
{
    const PhraseRow& row = GetParam();
    const World world(device(row.locale), row.settings);
    const DatePhrases phrases(*world.settings, world.texts, world.env);
    auto r = world.record(row.type, row.days, row.yearsAgo);
    r->otherDateLabel = QString::fromUtf8(row.label);
    r->fakeBirthday = row.fakeBirthday;
    r->fakeAnniversary = row.fakeAnniversary;
    r->recordID = row.recordID;
    r->isCustomEntry = row.recordID == -1;

    phrases.populateStrings(*r, world.now);
    EXPECT_EQ(r->detailedText.toStdString(), row.expected);
    EXPECT_EQ(r->detailedTextSansType.toStdString(),
        row.expectedSansType ? row.expectedSansType : row.expected);
}

// 2027-03-01 is a Monday.
INSTANTIATE_TEST_SUITE_P(Rows, Phrases,
    testing::Values(
        // Kinds on the day.
        PhraseRow {"BirthdayTodayWithAge", 0, 0, 30, large, "Turning 30 today"},
        PhraseRow {"BirthdayTodayAgeHidden", 0, 0, 30, ageHidden, "Today"},
        PhraseRow {"BirthdayWithoutYear", 0, 5, -1, large, "In 5 days"},
        PhraseRow {"AnniversaryIgnoresAgeHidden", 1, 1, 5, ageHidden, "5th anniversary tomorrow"},
        PhraseRow {"OtherDateCarriesItsLabel", 2, 3, -1, large, "In 3 days (Graduation)",
            "In 3 days", "Graduation"},
        PhraseRow {"OtherDateWithPlatformLabel", 2, 0, -1, large, "Today (other)", "Today",
            "_$!<Other>!$_"},
        PhraseRow {"FakeBirthdayIsABirthday", 2, 1, 40, large, "Turning 40 tomorrow", nullptr,
            "bday", "en_US", true},
        PhraseRow {"FakeAnniversaryIsAnAnniversary", 2, 0, 2, large, "2nd anniversary today",
            nullptr, "wedding", "en_US", false, true},
        PhraseRow {"SmartLabelDropsTheSuffix", 2, 3, -1, smart, "In 3 days", nullptr, "Wedding",
            "en_US", false, false, 7},
        PhraseRow {"SmartLabelsLeaveCustomEntriesAlone", 2, 3, -1, smart, "In 3 days (Wedding)",
            "In 3 days", "Wedding"},
        PhraseRow {"BirthdayAgeHiddenNeverCarriesASuffix", 0, 30, 30, ageHidden, "In 4½ weeks"},
        PhraseRow {"HolidayWithACountHasNoPhrase", 3, 4, 3, large, ""},
        // Distance classes (every class with every kind is its own test below).
        PhraseRow {"WeekdayNotWithLargeRows", 0, 6, -1, large, "In 6 days"},
        PhraseRow {"SevenDaysIsDays", 0, 7, -1, plain, "In 7 days"},
        PhraseRow {"Day13", 0, 13, -1, large, "In 13 days"},
        PhraseRow {"Day14", 0, 14, -1, large, "In 2 weeks"},
        PhraseRow {"Day15Half", 0, 15, -1, large, "In 2½ weeks"},
        PhraseRow {"Day59", 0, 59, 41, large, "Turning 41 in 8½ weeks"},
        PhraseRow {"Day60", 0, 60, -1, large, "In 2 months"},
        PhraseRow {"Day75", 1, 75, 3, large, "3rd anniversary in 2½ months"},
        PhraseRow {"DaysOnlyFar", 0, 200, -1, daysOnly, "In 200 days"},
        PhraseRow {"DaysOnlyNear", 0, 3, 11, daysOnly, "Turning 11 in 3 days"},
        // Other languages: their ordinals and texts.
        PhraseRow {
            "GermanAnniversary", 1, 0, 25, large, "25. Jahrestag heute", nullptr, "", "de_DE"},
        PhraseRow {
            "GermanBirthday", 0, 15, 25, large, "Wird in 2½ Wochen 25", nullptr, "", "de_DE"},
        PhraseRow {"GermanWeekday", 0, 2, -1, plain, "Am Mittwoch", nullptr, "", "de_DE"},
        PhraseRow {
            "ItalianAnniversary", 1, 1, 3, large, "3° anniversario domani", nullptr, "", "it_IT"},
        PhraseRow {"DutchAnniversary", 1, 0, 8, large, "8e jubileum vandaag", nullptr, "", "nl_NL"},
        PhraseRow {"FrenchFirstAnniversary", 1, 0, 1, large, "1er anniversaire aujourd'hui",
            nullptr, "", "fr_FR"},
        PhraseRow {
            "FrenchEvent", 2, 1, 5, large, "5e demain (Remise)", "5e demain", "Remise", "fr_FR"},
        // A phrase that is the weekday alone starts the line, so with a capital.
        PhraseRow {"ItalianWeekdayAlone", 0, 2, -1, plain, "Mercoledì", nullptr, "", "it_IT"},
        PhraseRow {
            "RussianWeekdayAlone", 2, 2, -1, plain, "Среда (Выпуск)", "Среда", "Выпуск", "ru_RU"}),
    test::RowName());

// The short and long date texts in each language: the day before the month, "de" in
// Spanish, the French "1er", the Russian genitive after the day; a date more than a
// year ahead shows its year.
struct DateTextRow {
    const char* name;
    const char* locale;
    int year; // of the first occurrence; after 2028 the entry is more than a year ahead
    int month;
    int day;
    const char* dateText;
    const char* longDateText;
    const char* language = nullptr; // nullptr: the locale's
};

class DateTexts : public testing::TestWithParam<DateTextRow> { };

TEST_P(DateTexts, WrittenAsTheLanguageWritesThem)
{
    const DateTextRow& row = GetParam();
    DeviceEnvironment env = device(row.locale);
    if (row.language)
        env.preferredLanguages = {QString::fromLatin1(row.language)};
    const World world(env, large);
    const DatePhrases phrases(*world.settings, world.texts, world.env);
    auto r = std::make_shared<OccasionRecord>();
    r->type = OccasionRecord::Birthday;
    r->rawDate = world.calendar.date(row.year, row.month, row.day);
    r->sortDate = world.calendar.date(2027, row.month, row.day);
    r->daysUntilDate =
        world.calendar.calendarDaysBetween(world.now, row.year > 2028 ? r->rawDate : r->sortDate);
    phrases.populateStrings(*r, world.now);
    EXPECT_EQ(r->dateText.toStdString(), row.dateText);
    EXPECT_EQ(r->longDateText.toStdString(), row.longDateText);
}

// 2027-12-07 is a Tuesday, 2027-12-01 a Wednesday.
INSTANTIATE_TEST_SUITE_P(Rows, DateTexts,
    testing::Values(DateTextRow {"English", "en_US", 1990, 12, 7, "Dec 7", "Tuesday, December 7"},
        DateTextRow {"German", "de_DE", 1990, 12, 7, "7. Dez.", "Dienstag, 7. Dezember"},
        DateTextRow {"Spanish", "es_ES", 1990, 12, 7, "7 dic", "martes, 7 de diciembre"},
        DateTextRow {"SpanishAhead", "es_ES", 2029, 12, 7, "7 dic 2029", "martes, 7 de diciembre"},
        DateTextRow {"French", "fr_FR", 1990, 12, 7, "7 déc.", "mardi 7 décembre"},
        DateTextRow {"FrenchFirst", "fr_FR", 1990, 12, 1, "1er déc.", "mercredi 1er décembre"},
        DateTextRow {
            "FrenchFirstAhead", "fr_FR", 2029, 12, 1, "1er déc. 2029", "mercredi 1er décembre"},
        DateTextRow {"Italian", "it_IT", 1990, 12, 7, "7 dic", "martedì, 7 dicembre"},
        DateTextRow {"Dutch", "nl_NL", 1990, 12, 1, "1 dec", "woensdag 1 december"},
        DateTextRow {"Russian", "ru_RU", 1990, 12, 7, "7 дек.", "вторник, 7 декабря"},
        DateTextRow {"RussianFirst", "ru_RU", 1990, 12, 1, "1 дек.", "среда, 1 декабря"},
        // Other languages write the date as the locale does, separators included.
        DateTextRow {
            "EnglishInGermany", "de_DE", 1990, 12, 7, "7. Dez.", "Dienstag, 7. Dezember", "en"},
        DateTextRow {"Hungarian", "hu_HU", 1990, 12, 7, "dec. 7.", "december 7., kedd"},
        DateTextRow {"British", "en_GB", 1990, 12, 7, "7 Dec", "Tuesday, 7 December"}),
    test::RowName());

// Every distance class with every kind: the key chosen and its arguments in order.
// Generic: an other date without year; event: an other date 7 years on; both labelled.
TEST(Phrases, EveryClassWithEveryKind)
{
    const std::pair<int, std::string> classes[] = {{-1, "yesterday"}, {-3, "3 days ago"},
        {0, "today"}, {1, "tomorrow"}, {4, "on Friday"}, {10, "in 10 days"}, {30, "in 4½ weeks"},
        {90, "in 3 months"}};
    const World world(device("en_US"), plain);
    const DatePhrases phrases(*world.settings, world.texts, world.env);
    for (const auto& [days, when] : classes) {
        const std::string capitalised = char(std::toupper(when[0])) + when.substr(1);
        const std::tuple<const char*, int, int, std::string> kinds[] = {
            {"generic", 2, -1, capitalised + " (Trip)"},
            {"birthday", 0, 7, (days < 0 ? "Turned 7 " : "Turning 7 ") + when},
            {"anniversary", 1, 7, "7th anniversary " + when},
            {"event", 2, 7, "7th " + when + " (Trip)"}};
        for (const auto& [kind, type, yearsAgo, expected] : kinds) {
            SCOPED_TRACE(std::to_string(days) + " days, " + kind);
            auto r = world.record(type, days, yearsAgo);
            r->isCustomEntry = true;
            r->otherDateLabel =
                r->type == OccasionRecord::OtherDate ? QStringLiteral("Trip") : QString();
            phrases.populateStrings(*r, world.now);
            EXPECT_EQ(r->detailedText.toStdString(), expected);
            EXPECT_EQ(r->detailedTextSansType.toStdString(),
                expected.ends_with(" (Trip)") ? expected.substr(0, expected.size() - 7) : expected);
        }
    }
}

TEST(Phrases, DateTextsAndAge)
{
    const World world(device("en_US"), large);
    const DatePhrases phrases(*world.settings, world.texts, world.env);
    auto r = world.record(0, 4, 30);
    phrases.populateStrings(*r, world.now);
    EXPECT_EQ(r->age, 30);
    EXPECT_EQ(r->dateText, QStringLiteral("Mar 5"));
    EXPECT_EQ(r->longDateText, QStringLiteral("Friday, March 5"));

    auto noYear = world.record(0, 4, -1);
    noYear->age = 17;
    phrases.populateStrings(*noYear, world.now);
    EXPECT_EQ(noYear->age, 0) << "a date without year counts no age";

    auto lion = world.record(0, 4, 30);
    lion->lionNoYear = true;
    phrases.populateStrings(*lion, world.now);
    EXPECT_EQ(lion->age, 0);
    EXPECT_EQ(lion->detailedText, QStringLiteral("In 4 days"));
}

// The age of a birthday counted across daylight saving changes: the birth day's midnight
// and the next occurrence's midnight have different offsets from UTC.
TEST(Phrases, AgeAcrossZoneOffsetsInAuckland)
{
    for (const char* zone : {"Pacific/Auckland", "America/Sao_Paulo", "Europe/Berlin"}) {
        SCOPED_TRACE(zone);
        const World world(device("en_NZ", zone), large);
        const DatePhrases phrases(*world.settings, world.texts, world.env);
        auto r = std::make_shared<OccasionRecord>();
        r->type = OccasionRecord::Birthday;
        r->rawDate = world.calendar.date(1990, 4, 1);  // NZST in 1990
        r->sortDate = world.calendar.date(2027, 4, 1); // NZDT in 2027
        r->daysUntilDate = 31;
        phrases.populateStrings(*r, world.now);
        EXPECT_EQ(r->age, 37);
        EXPECT_EQ(r->detailedText, QStringLiteral("Turning 37 in 4½ weeks"));
    }
}

// An entry more than a year ahead reads in years, and its date shows the year.
struct YearsRow {
    const char* name;
    int year, month, day;
    const char* expected;
};

class YearsAhead : public testing::TestWithParam<YearsRow> { };

TEST_P(YearsAhead, ReadInYears)
{
    const YearsRow& row = GetParam();
    const World world(device("en_US"), large);
    const DatePhrases phrases(*world.settings, world.texts, world.env);
    auto r = std::make_shared<OccasionRecord>();
    r->type = OccasionRecord::OtherDate;
    r->isCustomEntry = true;
    r->otherDateLabel = QStringLiteral("Trip");
    r->rawDate = world.calendar.date(row.year, row.month, row.day);
    r->sortDate = world.calendar.date(2027, row.month, row.day);
    r->daysUntilDate = world.calendar.calendarDaysBetween(world.now, r->rawDate);
    ASSERT_GE(r->daysUntilDate, 366);

    phrases.populateStrings(*r, world.now);
    EXPECT_EQ(r->detailedText.toStdString(), std::string(row.expected) + " (Trip)");
    EXPECT_EQ(r->detailedTextSansType.toStdString(), row.expected);
    EXPECT_EQ(r->sortDate, r->rawDate) << "listed on its own day, not this year's";
    EXPECT_TRUE(r->dateText.endsWith(QString::number(row.year))) << r->dateText.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, YearsAhead,
    testing::Values(YearsRow {"OneYearTwoMonths", 2028, 5, 1, "In 1 year"},
        YearsRow {"OneYearFourMonths", 2028, 7, 1, "In 1½ years"},
        YearsRow {"OneYearNineMonthsAndAHalfDay", 2029, 1, 1, "In 1½ years"},
        YearsRow {"OneYearTenMonths", 2029, 1, 2, "In 2 years"},
        YearsRow {"TwoYearsNineMonths", 2029, 12, 2, "In 2½ years"},
        YearsRow {"FiveYears", 2032, 3, 2, "In 5 years"}),
    test::RowName());

// A holiday of another country names it; one of the home country or a religious one does not.
TEST(Phrases, HolidayOfAnotherCountryNamesIt)
{
    const World world(device("en_US"), large);
    const DatePhrases phrases(*world.settings, world.texts, world.env);
    for (const auto& [category, named] :
        {std::pair("DE", true), {"US", false}, {"Christian", false}}) {
        SCOPED_TRACE(category);
        auto holiday = world.record(OccasionRecord::Holiday, 0, -1);
        holiday->isHoliday = true;
        holiday->category = QString::fromLatin1(category);
        phrases.populateStrings(*holiday, world.now);
        EXPECT_TRUE(named ? holiday->detailedText.startsWith(QStringLiteral("Today ("))
                          : holiday->detailedText == QStringLiteral("Today"))
            << holiday->detailedText.toStdString();
        EXPECT_EQ(holiday->detailedTextSansType, holiday->detailedText);
    }
}

struct OrdinalRow {
    const char* language;
    int n;
    const char* expected;
};

void PrintTo(const OrdinalRow& row, std::ostream* os)
{
    *os << row.language << ' ' << row.n;
}

class Ordinals : public testing::TestWithParam<OrdinalRow> { };

TEST_P(Ordinals, PerLanguage)
{
    const OrdinalRow& row = GetParam();
    EXPECT_EQ(DatePhrases::numberToOrdinal(row.n, QString::fromLatin1(row.language)).toStdString(),
        row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, Ordinals,
    testing::Values(OrdinalRow {"EN", 1, "1st"}, OrdinalRow {"EN", 2, "2nd"},
        OrdinalRow {"EN", 3, "3rd"}, OrdinalRow {"EN", 4, "4th"}, OrdinalRow {"EN", 11, "11th"},
        OrdinalRow {"EN", 12, "12th"}, OrdinalRow {"EN", 13, "13th"}, OrdinalRow {"EN", 20, "20th"},
        OrdinalRow {"EN", 21, "21st"}, OrdinalRow {"EN", 22, "22nd"}, OrdinalRow {"EN", 23, "23rd"},
        OrdinalRow {"EN", 111, "111st"}, OrdinalRow {"EN", 112, "112nd"}, OrdinalRow {"EN", 0, "0"},
        OrdinalRow {"EN", -3, "-3"}, OrdinalRow {"XX", 2, "2nd"}, OrdinalRow {"DE", 25, "25."},
        OrdinalRow {"DE", 0, "0"}, OrdinalRow {"DE", -1, "-1"}, OrdinalRow {"IT", 5, "5°"},
        OrdinalRow {"IT", 0, "0°"}, OrdinalRow {"NL", 5, "5e"}, OrdinalRow {"NL", -2, "-2e"},
        OrdinalRow {"FR", 1, "1er"}, OrdinalRow {"FR", 5, "5e"}, OrdinalRow {"FR", 0, "0"},
        OrdinalRow {"RU", 21, "21"}, OrdinalRow {"ES", 1, "1er"}, OrdinalRow {"ES", 3, "3er"},
        OrdinalRow {"ES", 13, "13er"}, OrdinalRow {"ES", 2, "2º"}, OrdinalRow {"ES", 10, "10º"},
        OrdinalRow {"ES", 0, "0"}),
    [](const auto& info) { return test::rowName(info.param.language, info.param.n); });

struct RoundingRow {
    int days;
    int weeks;
    const char* weeksHalf;
    int months;
    const char* monthsHalf;
};

void PrintTo(const RoundingRow& row, std::ostream* os)
{
    *os << row.days << " days";
}

class Rounding : public testing::TestWithParam<RoundingRow> { };

TEST_P(Rounding, WeeksAndMonths)
{
    const RoundingRow& row = GetParam();
    const auto w = DatePhrases::roundWeeks(row.days);
    EXPECT_EQ(w.count, row.weeks);
    EXPECT_EQ(w.half.toStdString(), row.weeksHalf);
    const auto m = DatePhrases::roundMonths(row.days);
    EXPECT_EQ(m.count, row.months);
    EXPECT_EQ(m.half.toStdString(), row.monthsHalf);
}

// Months: m = days / 30.42 truncated, r = days - int(m * 30.42); r >= 25 rounds up,
// 10..24 is a half.
INSTANTIATE_TEST_SUITE_P(Rows, Rounding,
    testing::Values(RoundingRow {14, 2, "", 0, "½"}, RoundingRow {15, 2, "½", 0, "½"},
        RoundingRow {18, 2, "½", 0, "½"}, RoundingRow {19, 3, "", 0, "½"},
        RoundingRow {21, 3, "", 0, "½"}, RoundingRow {25, 3, "½", 1, ""},
        RoundingRow {59, 8, "½", 2, ""}, RoundingRow {60, 8, "½", 2, ""},
        RoundingRow {70, 10, "", 2, "½"}, RoundingRow {75, 11, "", 2, "½"},
        RoundingRow {85, 12, "½", 3, ""}, RoundingRow {91, 13, "", 3, ""},
        RoundingRow {365, 52, "½", 12, ""}),
    [](const auto& info) { return test::rowName("Days", info.param.days); });

// Every phrase of every shipped language fills with the arguments the code gives its
// key: a translation that takes others would silently fall back to English.
TEST(PhraseTables, EveryLanguageTakesTheArgumentsOfEachKey)
{
    int languages = 0;
    QDirIterator it(QStringLiteral(":/resources"), {QStringLiteral("DateDetails.strings")},
        QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        SCOPED_TRACE(path.toStdString());
        ++languages;
        int errors = 0;
        const auto table = Texts::loadStringsFile(path, &errors);
        EXPECT_EQ(errors, 0);
        for (const DatePhrases::KeyArguments& key : DatePhrases::phraseKeys()) {
            SCOPED_TRACE(key.key);
            const auto text = table.constFind(QString::fromLatin1(key.key));
            ASSERT_NE(text, table.constEnd()) << "key missing";
            EXPECT_EQ(TextFormat::signature(*text), key.kinds);
        }
    }
    EXPECT_EQ(languages, 7) << "English and the six translations";
}

} // namespace
