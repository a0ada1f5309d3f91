// The `fetemark holidays` commands and the holidays they put into the list, driven as a
// user drives them. Only what holds for every shipped catalogue is expected: DE keeps
// new-years-day, good-friday and christmas-day, US thanksgiving-day, CHRISTIAN
// good-friday, and GENERAL exists.
#include "support/TestSupport.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace fetemark;
using namespace Qt::StringLiterals;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

// One command of a row and what it must give.
struct Step {
    QStringList args;
    int exitCode = 0;
    const char* out = "";    // a pattern the output holds
    const char* err = "";    // a pattern standard error holds
    const char* notOut = ""; // a pattern the output must not hold
};

struct HolidayRow {
    const char* name;
    test::RunOptions options;
    std::vector<Step> steps;
};

void PrintTo(const HolidayRow& row, std::ostream* os)
{
    *os << row.name;
}

const test::RunOptions March("2027-03-20T09:00", "Europe/Berlin", "en_US");
const test::RunOptions NewYearsEve("2026-12-31T12:00", "Europe/Berlin", "en_US");
const test::RunOptions NewYearsDay("2027-01-01T12:00", "Europe/Berlin", "en_US");
const test::RunOptions German("2027-03-20T09:00", "Europe/Berlin", "de_DE");

const Step ShowHolidays {{"settings", "set", "show-holidays", "YES"}};
const Step StoredChoice {{"settings", "get", "holiday-subscriptions"}};
const char* const NoHolidayRow = "\"type\": 3";

bool holds(const QString& text, const char* pattern)
{
    return text.contains(QRegularExpression(QString::fromUtf8(pattern)));
}

class HolidaysCommand : public testing::TestWithParam<HolidayRow> { };

TEST_P(HolidaysCommand, Run)
{
    TempDir dir;
    for (const Step& step : GetParam().steps) {
        SCOPED_TRACE(step.args.join(u' ').toStdString());
        const CommandResult r = test::runFetemarkIn(dir, step.args, GetParam().options);
        EXPECT_EQ(r.exitCode, step.exitCode) << r.err.toStdString();
        EXPECT_TRUE(holds(r.out, step.out)) << r.out.toStdString();
        EXPECT_TRUE(holds(r.err, step.err)) << r.err.toStdString();
        if (*step.notOut) {
            EXPECT_FALSE(holds(r.out, step.notOut)) << r.out.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Choice, HolidaysCommand,
    testing::Values(
        HolidayRow {"AllOfACountryInAndOut", March,
            {ShowHolidays,
                {{"holidays", "subscribe", "de"}, 0, "^Checked \\d+ holidays of Germany\\n$"},
                {{"--json", "list"}, 0,
                    "\"category\": \"DE\",[\\s\\S]*\"holiday\": \"good-friday\",[\\s\\S]*\"type\": "
                    "3"},
                {{"holidays", "unsubscribe", "DE"}, 0, "^Unchecked \\d+ holidays of Germany\\n$"},
                {{"--json", "list"}, 0, "", "", NoHolidayRow},
                {StoredChoice.args, 0, "^\\{\"DE\":\\{\"categorysubscribedkey\":false\\}\\}\\n$"}}},
        HolidayRow {"UnknownKeyChangesNothing", March,
            {{{"holidays", "subscribe", "DE", "good-friday"}},
                {{"holidays", "subscribe", "DE", "christmas-day", "nope", "Easter"}, 1, "^$",
                    "^fetemark: DE has no holiday 'nope', 'Easter' \\(see 'fetemark holidays "
                    "list DE'\\); nothing changed\\n$"},
                {StoredChoice.args, 0,
                    "^\\{\"DE\":\\{\"categorysubscribedkey\":true,\"good-friday\":\"DE\"\\}\\}"}}},
        HolidayRow {"OneKeyOutOfAChosenCountry", March,
            {ShowHolidays, {{"holidays", "subscribe", "DE"}},
                {{"holidays", "unsubscribe", "DE", "Good-Friday"}, 0,
                    "^Unchecked 1 holiday of Germany\\n$"},
                {{"--json", "list"}, 0, "\"holiday\": \"christmas-day\"", "", "\"good-friday\""}}},
        HolidayRow {"ReligionBeforeCountry", March,
            {ShowHolidays, {{"holidays", "subscribe", "DE", "good-friday"}},
                {{"holidays", "subscribe", "CHRISTIAN", "good-friday"}},
                {{"--json", "list"}, 0, "\"category\": \"CHRISTIAN\",", "",
                    "\"category\": \"DE\""}}},
        HolidayRow {"SwitchedOff", March,
            {{{"holidays", "subscribe", "DE"}, 0, "^Checked",
                 "^fetemark: note: holidays are switched off, so they will not show until "
                 "'fetemark settings set show-holidays YES'\\n$"},
                {{"--json", "list"}, 0, "", "", NoHolidayRow},
                {{"holidays", "list", "DE"}, 0,
                    "(?m)^\\[x\\] good-friday +Good Friday +2027-03-26 +Mar 26$"}}},
        HolidayRow {"ShowAndNotesOfAHoliday", March,
            {ShowHolidays, {{"holidays", "subscribe", "DE", "good-friday"}},
                {{"show", "holiday-DE_good-friday"}, 0,
                    "^Good Friday\\nHoliday \u00b7 Friday, March 26\\nIn 6 days.*\\n\\n\\S"},
                {{"--json", "holidays", "list", "DE"}, 0,
                    "\"description\": \"[^\"]+\",\\n +\"key\": \"good-friday\""},
                {{"notes", "set", "holiday-DE_good-friday", "Fish"}},
                {{"notes", "get", "holiday-DE_good-friday"}, 0, "^Fish\\n$"}}}),
    test::RowName());

// A holiday of today is today's; once it has passed, its next year's day is listed.
INSTANTIATE_TEST_SUITE_P(YearBoundary, HolidaysCommand,
    testing::Values(
        HolidayRow {"NewYearsEve", NewYearsEve,
            {ShowHolidays, {{"holidays", "subscribe", "DE"}},
                {{"holidays", "list", "DE"}, 0,
                    "(?m)^\\[x\\] new-years-day +New Year's Day +2027-01-01 +Jan 1\\n[\\s\\S]*^"
                    "\\[x\\] christmas-day +Christmas Day +2027-12-25 +Dec 25$"},
                {{"list"}, 0, "(?m)^  Jan 1 +New Year's Day +Tomorrow"}}},
        HolidayRow {"NewYearsDay", NewYearsDay,
            {ShowHolidays, {{"holidays", "subscribe", "DE"}},
                {{"holidays", "list", "DE"}, 0,
                    "(?m)^\\[x\\] new-years-day +New Year's Day +2027-01-01 +Jan 1\\n[\\s\\S]*^"
                    "\\[x\\] christmas-day +Christmas Day +2027-12-25 +Dec 25$"},
                {{"list"}, 0, "(?m)^  Jan 1 +New Year's Day +Today"}}}),
    test::RowName());

INSTANTIATE_TEST_SUITE_P(Catalogue, HolidaysCommand,
    testing::Values(HolidayRow {"GermanyFirstInGermany", German,
                        {{{"holidays", "categories"}, 0,
                            "^show-holidays: NO  holiday-alerts: NO\\nKEY +NAME +CHOSEN\\nDE +.* "
                            "home country\\n[\\s\\S]*\\nGENERAL .*not offered on the holidays "
                            "screen\\n$"}}},
        HolidayRow {"UsFirstInTheUs", March,
            {{{"holidays", "subscribe", "DE", "good-friday"}},
                {{"holidays", "categories"}, 0, "CHOSEN\\nUS +United States +Off +home country\\n"},
                {{"--json", "holidays", "categories"}, 0,
                    "\\{\\n +\"checked\": 1,\\n +\"home\": false,\\n +\"key\": \"DE\",\\n "
                    "+\"kind\": "
                    "\"country\",\\n +\"name\": \"Germany\",\\n +\"total\": \\d+\\n"}}},
        HolidayRow {"UnknownCategory", March,
            {{{"holidays", "list", "XX"}, 1, "^$",
                "^fetemark: unknown holiday category 'XX' \\(see 'fetemark holidays "
                "categories'\\)\\n$"}}},
        HolidayRow {
            "NoVerb", March, {{{"holidays", "list"}, 2, "^$", "^usage: fetemark holidays"}}}),
    test::RowName());

} // namespace
