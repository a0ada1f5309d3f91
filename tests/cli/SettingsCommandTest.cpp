// The `fetemark settings` command, driven as a user or script drives it: a separate
// process, its output and exit status, and the files it leaves behind.
#include "core/settings/SettingsKeys.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace fetemark;
using namespace Qt::StringLiterals;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

struct DamagedStoreRow {
    const char* name;
    const char* file;
    const char* command;
    QByteArray bytes; // none: a FIFO stands in place of the file
    const char* problem;
};

} // namespace

TEST(SettingsCommand, ListShowsEveryRegisteredKeyWithItsValue)
{
    TempDir dir;
    const CommandResult r =
        test::runFetemarkIn(dir, {QStringLiteral("settings"), QStringLiteral("list")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    QStringList keys;
    for (const QString& line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        keys << line.section(QLatin1Char(' '), 0, 0);
    for (const SettingDefinition& d : settingDefinitions()) {
        if (d.registered) {
            EXPECT_TRUE(keys.contains(QString(d.key))) << QString(d.key).toStdString();
        }
    }
    EXPECT_TRUE(r.out.contains(
        QRegularExpression(QStringLiteral("(?m)^upcomingwindow +upcoming-window +14 +14 +days"))));
    EXPECT_TRUE(r.out.contains(
        QRegularExpression(QStringLiteral("(?m)^showcount +show-count +YES +YES +the badge"))));
    EXPECT_TRUE(r.out.contains(
        QRegularExpression(QStringLiteral("(?m)^alerttimehour +alert-time-hour +12 +-1 +hour"))));
    EXPECT_TRUE(r.out.contains(
        QRegularExpression(QStringLiteral("(?m)^800A +show-facebook +NO +NO +Facebook"))));
}

TEST(SettingsCommand, ListAsJsonCarriesTypedValues)
{
    TempDir dir;
    const CommandResult r = test::runFetemarkIn(
        dir, {QStringLiteral("--json"), QStringLiteral("settings"), QStringLiteral("list")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QJsonObject json;
    for (const QJsonValue& row : QJsonDocument::fromJson(r.out.toUtf8()).array())
        json.insert(row[u"key"_s].toString(), row[u"value"_s]);
    EXPECT_EQ(json.value(QStringLiteral("showcount")), QJsonValue(true));
    EXPECT_EQ(json.value(QStringLiteral("upcomingwindow")), QJsonValue(14));
    EXPECT_EQ(json.value(QStringLiteral("198B")), QJsonValue(-1));
    EXPECT_TRUE(json.value(QStringLiteral("65B1")).isObject());
    EXPECT_EQ(json.value(QStringLiteral("67E0")).toString().size(), 36);
    EXPECT_EQ(json.value(QStringLiteral("AppleLanguages")).toArray().first().toString(),
        QStringLiteral("en"));
}

class SettingsCommandDamagedStore : public ::testing::TestWithParam<DamagedStoreRow> { };

// Each of these once aborted the run or blocked it for good before the file could be
// moved aside; now a reading command finishes and says what was wrong, and the next
// command that changes something sets the file aside.
TEST_P(SettingsCommandDamagedStore, TheCommandFinishesWarnsAndMovesTheFileAside)
{
    TempDir dir;
    const DamagedStoreRow& row = GetParam();
    const QString path = dir.file(QString::fromLatin1(row.file));
    if (row.bytes.isEmpty())
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else
        ASSERT_TRUE(test::writeFile(path, row.bytes));
    test::RunOptions options;
    options.timeoutMs = 10000;
    const CommandResult r =
        test::runFetemarkIn(dir, QString::fromLatin1(row.command).split(u' '), options);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(path + u" could not be read ("_s + QLatin1String(row.problem)))
        << r.err.toStdString();
    const QStringList filter {QString::fromLatin1(row.file) + u".damaged-*"_s};
    EXPECT_TRUE(QDir(dir.path()).entryList(filter, QDir::Files | QDir::System).isEmpty());

    const CommandResult change = test::runFetemarkIn(
        dir, {u"custom"_s, u"add"_s, u"--name"_s, u"New"_s, u"--date"_s, u"2000-01-01"_s}, options);
    ASSERT_EQ(change.exitCode, 0) << change.err.toStdString();
    const QStringList aside = QDir(dir.path()).entryList(filter, QDir::Files | QDir::System);
    ASSERT_EQ(aside.size(), 1);
    if (!row.bytes.isEmpty()) {
        EXPECT_EQ(test::readFile(dir.file(aside[0])), row.bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(SettingsCommand, SettingsCommandDamagedStore,
    ::testing::Values(DamagedStoreRow {"NulInAnXmlString", "Preferences.plist", "settings list",
                          "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>showage</key>"
                          "<string>\0</string></dict></plist>"_ba,
                          "not a property list: a NUL byte"},
        DamagedStoreRow {"NulInABinaryString", "Preferences.plist", "settings list",
            "bplist00\xD1\x01\x02\x51k\x62\x00\xE9\x00\x00\x08\x0B\x0D"
            "\0\0\0\0\0\0\x01\x01\0\0\0\0\0\0\0\x03\0\0\0\0\0\0\0\0"
            "\0\0\0\0\0\0\0\x12"_ba,
            "not a property list: a string holds a NUL"},
        DamagedStoreRow {"SettingsFifo", "Preferences.plist", "settings list", {}, "it is a FIFO"},
        DamagedStoreRow {"EntriesFifo", "CustomEntries.plist", "list", {}, "it is a FIFO"},
        DamagedStoreRow {"NotesFifo", "ABMetadata.plist", "list", {}, "it is a FIFO"}),
    test::RowName());

TEST(SettingsCommand, ValuesSetAreReadBackInALaterRun)
{
    struct Row {
        const char* key;
        const char* typed;
        const char* shown;
    };
    const Row rows[] = {
        {"showcount", "NO", "NO"},
        {"showcount", "yes", "YES"},
        {"800A", "true", "YES"},
        {"811A", "0", "NO"},
        {"upcomingwindow", "31", "31"},
        {"198B", "-1", "-1"},
        {"alerttimehour", "7", "7"},
        {"9878", "anna@example.org", "anna@example.org"},
        {"978B", "", ""},
        {"04H0", "YES", "YES"},
        {"FBExpirationDate", "2027-01-31T18:30", "2027-01-31T18:30:00"},
        {"65B1", "{\"US\": [\"July4\"]}", "{\"US\":[\"July4\"]}"},
    };
    TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.key) + " " + row.typed);
        const CommandResult set = test::runFetemarkIn(dir,
            {QStringLiteral("settings"), QStringLiteral("set"), QString::fromLatin1(row.key),
                QString::fromUtf8(row.typed)});
        ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
        const CommandResult get = test::runFetemarkIn(
            dir, {QStringLiteral("settings"), QStringLiteral("get"), QString::fromLatin1(row.key)});
        ASSERT_EQ(get.exitCode, 0) << get.err.toStdString();
        EXPECT_EQ(get.out, QString::fromUtf8(row.shown) + QLatin1Char('\n'));
    }
}

TEST(SettingsCommand, BadKeysAndValuesAreRefusedAndChangeNothing)
{
    struct Row {
        const char* name;
        QStringList args;
        const char* message;
    };
    const Row rows[] = {
        {"unknown key", {"set", "nosuchkey", "1"}, "unknown setting key 'nosuchkey'"},
        {"unknown key get", {"get", "nosuchkey"}, "unknown setting key 'nosuchkey'"},
        {"not a boolean", {"set", "showcount", "maybe"}, "'maybe' is not YES or NO"},
        {"not a number", {"set", "upcomingwindow", "two"}, "'two' is not a whole number"},
        {"window too large", {"set", "upcomingwindow", "45"}, "45 is outside 0..31"},
        {"hour too large", {"set", "alerttimehour", "24"}, "24 is outside -1..23"},
        {"no such alert type", {"set", "alert-type", "7"}, "alert-type: 7 is outside 0..3"},
        {"no such day", {"set", "FBExpirationDate", "2026-02-30"}, "is not a local time"},
        {"not an object", {"set", "65B1", "[1, 2]"}, "is not a JSON object"},
        {"platform value", {"set", "AppleLanguages", "de"}, "comes from the environment"},
    };
    TempDir dir;
    ASSERT_EQ(test::runFetemarkIn(dir,
                  {QStringLiteral("settings"), QStringLiteral("set"),
                      QStringLiteral("upcomingwindow"), QStringLiteral("21")})
                  .exitCode,
        0);
    const QByteArray before = test::readFile(dir.file(QStringLiteral("Preferences.plist")));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QStringList args = row.args;
        args.prepend(QStringLiteral("settings"));
        const CommandResult r = test::runFetemarkIn(dir, args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(row.message))) << r.err.toStdString();
        EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << "one line: " << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_EQ(test::readFile(dir.file(QStringLiteral("Preferences.plist"))), before);
}

TEST(SettingsCommand, UsageErrorsExitWithTwo)
{
    const QStringList rows[] = {
        {"settings"},
        {"settings", "set", "showcount"},
        {"settings", "frobnicate"},
        {"nosuchcommand"},
        {"--bogus", "settings", "list"},
        {"--data-dir"},
    };
    TempDir dir;
    for (const QStringList& args : rows) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const CommandResult r =
            test::runFetemark(args, {QStringLiteral("FETEMARK_DATA_DIR=") + dir.path()});
        EXPECT_EQ(r.exitCode, 2) << r.err.toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
}

TEST(SettingsCommand, BadGlobalOptionsAreRefused)
{
    struct Row {
        const char* name;
        QStringList args;
        QStringList environment;
        const char* message;
    };
    const Row rows[] = {
        {"unknown zone", {"--tz", "Mars/Olympus_Mons", "settings", "list"}, {},
            "unknown time zone 'Mars/Olympus_Mons'"},
        {"bad now", {"--now", "tomorrow", "settings", "list"}, {},
            "--now: 'tomorrow' is not a time"},
        {"bad now in environment", {"settings", "list"}, {"FETEMARK_NOW=2026-13-01"},
            "FETEMARK_NOW: '2026-13-01'"},
        {"bad locale", {"--locale", "../../etc", "settings", "list"}, {}, "--locale"},
    };
    TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QStringList env = row.environment;
        env << QStringLiteral("FETEMARK_DATA_DIR=") + dir.path();
        const CommandResult r = test::runFetemark(row.args, env);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(row.message))) << r.err.toStdString();
    }
}

TEST(SettingsCommand, DataDirectoryComesFromOptionThenEnvironmentThenXdg)
{
    TempDir a, b, xdg;
    const QStringList set {QStringLiteral("settings"), QStringLiteral("set"),
        QStringLiteral("showage"), QStringLiteral("NO")};
    ASSERT_EQ(test::runFetemark(QStringList {QStringLiteral("--data-dir"), a.path()} + set,
                  {QStringLiteral("FETEMARK_DATA_DIR=") + b.path()})
                  .exitCode,
        0);
    EXPECT_TRUE(QFile::exists(a.file(QStringLiteral("Preferences.plist"))));
    EXPECT_FALSE(QFile::exists(b.file(QStringLiteral("Preferences.plist"))));
    ASSERT_EQ(
        test::runFetemark(set, {QStringLiteral("FETEMARK_DATA_DIR=") + b.path()}).exitCode, 0);
    EXPECT_TRUE(QFile::exists(b.file(QStringLiteral("Preferences.plist"))));
    ASSERT_EQ(test::runFetemark(set, {QStringLiteral("XDG_DATA_HOME=") + xdg.path()}).exitCode, 0);
    EXPECT_TRUE(QFile::exists(xdg.file(QStringLiteral("fetemark/Preferences.plist"))));
}

TEST(SettingsCommand, ARelativeXdgDataHomeIsIgnored)
{
    TempDir home;
    const CommandResult r = test::runFetemark({u"settings"_s, u"set"_s, u"showage"_s, u"NO"_s},
        {u"HOME="_s + home.path(), u"XDG_DATA_HOME="_s + home.file(u"x"_s).mid(1)});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(home.file(u".local/share/fetemark/Preferences.plist"_s)));
}

struct NoDataHomeRow {
    const char* name;
    QStringList args;
};

class SettingsCommandNoDataHome : public ::testing::TestWithParam<NoDataHomeRow> { };

// Without HOME the command says what to set, rather than making up "/.local/share".
TEST_P(SettingsCommandNoDataHome, IsRefusedWithOneLineSayingWhatIsMissing)
{
    const CommandResult r = test::runFetemark(GetParam().args, {u"HOME"_s, u"XDG_DATA_HOME"_s});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
        u"fetemark: cannot find the data directory: set HOME or XDG_DATA_HOME to an absolute "
        "path, set FETEMARK_DATA_DIR, or pass --data-dir\n"_s);
}

INSTANTIATE_TEST_SUITE_P(SettingsCommand, SettingsCommandNoDataHome,
    ::testing::Values(
        NoDataHomeRow {"Data", {"settings", "list"}}, NoDataHomeRow {"Demo", {"--demo", "list"}}),
    test::RowName());

TEST(SettingsCommand, ADamagedSettingsFileIsMovedAsideWithAWarning)
{
    TempDir dir;
    ASSERT_TRUE(test::writeFile(
        dir.file(QStringLiteral("Preferences.plist")), QByteArray("\x00\x01garbage", 9)));
    const CommandResult r = test::runFetemarkIn(
        dir, {QStringLiteral("settings"), QStringLiteral("get"), QStringLiteral("upcomingwindow")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("14\n"));
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("fetemark: warning:"))) << r.err.toStdString();
    const QStringList filter {QStringLiteral("Preferences.plist.damaged-*")};
    // Reading leaves the file; the next change moves it aside and starts afresh.
    EXPECT_TRUE(QDir(dir.path()).entryList(filter).isEmpty());
    ASSERT_EQ(test::runFetemarkIn(dir,
                  {QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("showage"),
                      QStringLiteral("NO")})
                  .exitCode,
        0);
    EXPECT_EQ(QDir(dir.path()).entryList(filter).size(), 1);
}

TEST(SettingsCommand, TheAlertTimeAndItsHourAndMinuteStayInStep)
{
    TempDir dir;
    const auto run = [&](QStringList args) {
        const CommandResult r = test::runFetemarkIn(dir,
            QStringList {QStringLiteral("--tz"), QStringLiteral("Europe/Berlin"),
                QStringLiteral("settings")} +
                args);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return r.out.trimmed();
    };
    const auto set = [&](const char* key, const char* value) {
        run({QStringLiteral("set"), QString::fromLatin1(key), QString::fromLatin1(value)});
    };
    const auto get = [&](const char* key) {
        return run({QStringLiteral("get"), QString::fromLatin1(key)});
    };
    set("alerttime", "2001-01-01T07:45");
    EXPECT_EQ(get("alerttimehour"), QStringLiteral("7"));
    EXPECT_EQ(get("alerttimeminute"), QStringLiteral("45"));
    set("alerttimehour", "21");
    EXPECT_EQ(get("alerttime"), QStringLiteral("2001-01-01T21:45:00"));
    set("alerttimeminute", "5");
    EXPECT_EQ(get("alerttime"), QStringLiteral("2001-01-01T21:05:00"));
}

TEST(SettingsCommand, DatesAreShownInTheDeviceZone)
{
    TempDir dir;
    ASSERT_EQ(test::runFetemarkIn(dir,
                  {QStringLiteral("--tz"), QStringLiteral("Pacific/Auckland"),
                      QStringLiteral("settings"), QStringLiteral("set"),
                      QStringLiteral("FBExpirationDate"), QStringLiteral("2027-01-01T00:30")})
                  .exitCode,
        0);
    const CommandResult utc = test::runFetemarkIn(dir,
        {QStringLiteral("--tz"), QStringLiteral("UTC"), QStringLiteral("settings"),
            QStringLiteral("get"), QStringLiteral("FBExpirationDate")});
    EXPECT_EQ(utc.out, QStringLiteral("2026-12-31T11:30:00\n"));
}
