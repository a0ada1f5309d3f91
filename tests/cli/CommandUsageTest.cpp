// How the `fetemark` command tells a newcomer what it does: help, version, readable
// setting names, filter names, errors a script can read, and a list whose columns line
// up. Each row runs the real command on a data directory prepared by a few commands.
#include "cli/TextColumns.h"
#include "core/settings/SettingsKeys.h"

#include "support/TestSupport.h"

#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <vector>

using namespace fetemark;
using namespace Qt::StringLiterals;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

const test::RunOptions March2027("2027-03-01", "Europe/Berlin", "en_US");

const QByteArray annaCard = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna;;;\r\nUID:anna\r\n"
                            "BDAY:1997-03-05\r\nEND:VCARD\r\n";

struct UsageRow {
    const char* name;
    std::vector<QStringList> setup; // commands run first; "CARD" imports Anna's card
    QStringList args;
    int exitCode;
    const char* out;         // a pattern the output holds
    const char* err = "^$";  // a pattern standard error holds
    const char* notOut = ""; // a pattern the output must not hold
};

void PrintTo(const UsageRow& row, std::ostream* os)
{
    *os << row.name;
}

QStringList customAdd(const char* name, const char* date, const char* type = "birthday")
{
    return {u"custom"_s, u"add"_s, u"--name"_s, QString::fromUtf8(name), u"--date"_s,
        QString::fromLatin1(date), u"--type"_s, QString::fromLatin1(type)};
}

bool holds(const QString& text, const char* pattern)
{
    return text.contains(QRegularExpression(QString::fromUtf8(pattern)));
}

class CommandUsage : public ::testing::TestWithParam<UsageRow> { };

TEST_P(CommandUsage, Run)
{
    const UsageRow& row = GetParam();
    TempDir dir;
    for (QStringList setup : row.setup) {
        if (setup == QStringList {u"CARD"_s}) {
            ASSERT_TRUE(test::writeFile(dir.file(u"anna.vcf"_s), annaCard));
            setup = {u"contacts"_s, u"import"_s, dir.file(u"anna.vcf"_s)};
        }
        const CommandResult r = test::runFetemarkIn(dir, setup, March2027);
        ASSERT_EQ(r.exitCode, 0) << setup.join(u' ').toStdString() << ": " << r.err.toStdString();
    }
    const CommandResult r = test::runFetemarkIn(dir, row.args, March2027);
    EXPECT_EQ(r.exitCode, row.exitCode) << r.err.toStdString();
    EXPECT_TRUE(holds(r.out, row.out)) << r.out.toStdString();
    EXPECT_TRUE(holds(r.err, row.err)) << r.err.toStdString();
    if (*row.notOut) {
        EXPECT_FALSE(holds(r.out, row.notOut)) << r.out.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Help, CommandUsage,
    ::testing::Values(UsageRow {"Version", {}, {"--version"}, 0, "^fetemark 0\\.1\\.0\\n$"},
        UsageRow {"HelpCommand", {}, {"help", "list"}, 0,
            "^usage: fetemark list \\[--filter FILTER\\].*\\n(.*\\n)*  --filter FILTER  only one "
            "kind: all, birthdays"},
        UsageRow {"CommandDashHelp", {}, {"settings", "set", "--help"}, 0,
            "(?m)^  KEY +the stored key or its readable name"},
        UsageRow {"HelpAsJson", {}, {"--json", "help", "custom"}, 0,
            "\"term\": \"--date DATE\",\\n +\"text\": \"YYYY-MM-DD"},
        UsageRow {"HelpOfAnUnknownCommand", {}, {"help", "nope"}, 2, "^$",
            "^fetemark: unknown command 'nope'"}),
    test::RowName());

INSTANTIATE_TEST_SUITE_P(SettingNames, CommandUsage,
    ::testing::Values(UsageRow {"SetByNameGetByKey", {{"settings", "set", "show-facebook", "YES"}},
                          {"settings", "get", "800A"}, 0, "^YES\\n$"},
        UsageRow {"GetByNameAsJson", {}, {"--json", "settings", "get", "past-days"}, 0,
            "^\\{\"past-days\":0\\}\\n$"},
        UsageRow {"ListTellsNameValueDefaultAndMeaning", {{"settings", "set", "1145", "5"}},
            {"settings", "list"}, 0,
            "(?m)^1145 +past-days +5 +0 +days an occasion stays listed as just passed"},
        UsageRow {"ListAsJson", {{"settings", "set", "800A", "YES"}},
            {"--json", "settings", "list"}, 0,
            "\"default\": false,\\n +\"description\": \"Facebook friends' birthdays are shown "
            "and counted\",\\n +\"key\": \"800A\",\\n +\"name\": \"show-facebook\",\\n +\"value\": "
            "true"},
        UsageRow {"ListHidesSecrets", {{"settings", "set", "backup-password", "hunter2"}},
            {"settings", "list"}, 0, "(?m)^2574 +backup-password +\\(hidden\\)", "^$", "hunter2"}),
    test::RowName());

INSTANTIATE_TEST_SUITE_P(ListFilters, CommandUsage,
    ::testing::Values(
        UsageRow {"ByName",
            {customAdd("Anna", "1997-03-05"), customAdd("Bo", "2001-07-28", "anniversary")},
            {"list", "--filter", "anniversaries"}, 0, "Bo", "^$", "Anna"},
        UsageRow {"FacebookSwitchedOff", {customAdd("Anna", "1997-03-05")},
            {"list", "--filter", "facebook"}, 0, "^No Entries\\n$",
            "^fetemark: note: Facebook is switched off"},
        UsageRow {"NoHolidaysChosen",
            {customAdd("Anna", "1997-03-05"), {"settings", "set", "show-holidays", "YES"}},
            {"list", "--filter", "4"}, 0, "^No Entries\\n$",
            "^fetemark: note: no holidays are chosen"}),
    test::RowName());

INSTANTIATE_TEST_SUITE_P(JsonErrors, CommandUsage,
    ::testing::Values(UsageRow {"Refusal", {}, {"--json", "show", "nope"}, 1, "^$",
                          "^\\{\"error\": \"no occasion with id 'nope'\"\\}\\n$"},
        UsageRow {"CommandUsage", {}, {"list", "--bogus", "--json"}, 2, "^$",
            "^\\{\"error\": \"unknown option --bogus; usage: fetemark list \\[--filter"},
        UsageRow {"UnknownCommand", {}, {"--json", "nope"}, 2, "^$",
            "^\\{\"error\": \"unknown command 'nope'"},
        UsageRow {"GlobalOption", {}, {"--json", "--tz", "Mars/Olympus_Mons", "list"}, 1, "^$",
            "^\\{\"error\": \"--tz: unknown time zone"},
        UsageRow {"NoteOnAFilter", {}, {"--json", "list", "--filter", "facebook"}, 0,
            "\"filterMode\": 5", "^\\{\"note\": \"Facebook is switched off"},
        UsageRow {"CustomAddGivesItsId", {},
            {"--json", "custom", "add", "--name", "A", "--date", "2000-01-01"}, 0,
            "^\\{\\n    \"id\": \"custom-[0-9A-F-]+\"\\n\\}\\n$"},
        UsageRow {"NotesGet", {{"CARD"}, {"notes", "set", "contact-1-birthday", "Tulips"}},
            {"--json", "notes", "get", "contact-1-birthday"}, 0, "\"notes\": \"Tulips\""},
        UsageRow {"ChoiceShown", {{"CARD"}, {"choice", "contact-1-birthday", "--alerts", "off"}},
            {"--json", "choice", "contact-1-birthday"}, 0, "\"alertsOff\": true"}),
    test::RowName());

// The date column is as wide as its widest date, the name column as its widest name
// (at most 24 cells): a wide character takes two cells, a combining mark none.
INSTANTIATE_TEST_SUITE_P(ListText, CommandUsage,
    ::testing::Values(
        UsageRow {"BlocksUnderHeadings",
            {{"settings", "set", "past-days", "5"}, customAdd("Zoe", "1980-02-27"),
                customAdd("Anna", "1997-03-05")},
            {"list"}, 0, "^JUST PASSED\\n  Feb 27  Zoe .*\\n\\nUPCOMING\\nMarch\\n  Mar 5 "},
        UsageRow {"WideAndCombiningCharacters",
            {customAdd("李小龍", "1940-03-03"), customAdd("Zoe\u0308 Ek", "1980-03-04"),
                customAdd("Anna Berg", "1997-03-05")},
            {"list"}, 0,
            "  Mar 3  李小龍     Turning 87 in 2 days  \\[.*\\n  Mar 4  Zoe\u0308 Ek     Turning "
            "47 in 3 days  \\[.*\\n  Mar 5  Anna Berg  Turning"},
        UsageRow {"LongNameCut",
            {customAdd("Zoë Ångström-Wolfeschlegelsteinhausen", "1980-03-04"),
                customAdd("Anna", "1997-03-05")},
            {"list"}, 0,
            "  Zoë Ångström-Wolfeschle…  Turning 47 in 3 days  \\[.*\\n  Mar 5  Anna {22}Turning"}),
    test::RowName());

// Every setting can be named in words, one name each, and found by it in any case.
TEST(SettingNames, EveryKeyHasItsOwnReadableName)
{
    static const QRegularExpression words(u"^[a-z]+(-[a-z]+)*$"_s);
    QSet<QString> names;
    for (const SettingDefinition& d : settingDefinitions()) {
        const QString name(d.name);
        SCOPED_TRACE(QString(d.key).toStdString());
        EXPECT_TRUE(words.match(name).hasMatch()) << name.toStdString();
        EXPECT_FALSE(d.meaning.isEmpty());
        EXPECT_FALSE(names.contains(name));
        names.insert(name);
        EXPECT_EQ(findSettingByKeyOrName(name.toUpper()), &d);
    }
}

struct WidthRow {
    const char* name;
    QString text;
    int width;
    int columns;    // fitted into so many cells
    QString fitted; // gives this
};

void PrintTo(const WidthRow& row, std::ostream* os)
{
    *os << row.name;
}

class TextColumnsWidth : public ::testing::TestWithParam<WidthRow> { };

TEST_P(TextColumnsWidth, CountsCellsAndCutsWholeCharacters)
{
    const WidthRow& row = GetParam();
    EXPECT_EQ(cli::TextColumns::width(row.text), row.width);
    EXPECT_EQ(cli::TextColumns::fitted(row.text, row.columns), row.fitted);
    EXPECT_EQ(
        cli::TextColumns::width(cli::TextColumns::padded(row.text, row.columns)), row.columns);
}

INSTANTIATE_TEST_SUITE_P(TextColumns, TextColumnsWidth,
    ::testing::Values(WidthRow {"Latin", u"Anna"_s, 4, 3, u"An…"_s},
        WidthRow {"WideCutBeforeItWouldSpill", u"李小龍"_s, 6, 4, u"李…"_s},
        WidthRow {"CombiningMarkStaysWithItsLetter", u"Zoe\u0308y"_s, 4, 3, u"Zo…"_s},
        WidthRow {"Fullwidth", u"ＡＢ"_s, 4, 4, u"ＡＢ"_s},
        WidthRow {"EmojiSequenceIsOnePicture", u"👨‍👩‍👧x"_s, 3, 2, u"…"_s},
        WidthRow {"HangulJamoJoin", u"\u1100\u1161\u11a8"_s, 2, 2, u"\u1100\u1161\u11a8"_s}),
    test::RowName());

} // namespace
