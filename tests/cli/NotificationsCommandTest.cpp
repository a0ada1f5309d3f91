// The reminder schedule through the command line: `notifications plan` and `apply`,
// `badge`, and the rebuild every writing command asks for.
#include "support/TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace fetemark;
using namespace Qt::StringLiterals;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

const test::RunOptions Before("2027-03-20T09:00", "Europe/Berlin", "en_US");

CommandResult run(
    const TempDir& dir, const QStringList& args, const test::RunOptions& options = Before)
{
    CommandResult r = test::runFetemarkIn(dir, args, options);
    EXPECT_EQ(r.exitCode, 0) << args.join(u' ').toStdString() << ": " << r.err.toStdString();
    return r;
}

// Anna's birthday on the Saturday before the clocks go forward, Ben's anniversary on
// the Monday after.
void addBook(const TempDir& dir)
{
    run(dir, {u"custom"_s, u"add"_s, u"--name"_s, u"Anna Berg"_s, u"--date"_s, u"1990-03-27"_s});
    run(dir,
        {u"custom"_s, u"add"_s, u"--name"_s, u"Ben Ode"_s, u"--date"_s, u"2001-03-29"_s,
            u"--type"_s, u"anniversary"_s});
}

// One notification of `plan --json` as "fireDate|timeZone|alertBody|soundName|badge",
// null as "~".
QStringList planned(const TempDir& dir, const test::RunOptions& options = Before)
{
    const CommandResult r = run(dir, {u"--json"_s, u"notifications"_s, u"plan"_s}, options);
    QStringList rows;
    for (const QJsonValue& value : QJsonDocument::fromJson(r.out.toUtf8()).array()) {
        const QJsonObject n = value.toObject();
        EXPECT_EQ(n.keys().size(), 5);
        QStringList fields;
        for (const char* key : {"fireDate", "timeZone", "alertBody", "soundName"})
            fields << (n[QLatin1String(key)].isNull() ? u"~"_s : n[QLatin1String(key)].toString());
        fields << QString::number(n[u"applicationIconBadgeNumber"_s].toInt(-99));
        rows << fields.join(u'|');
    }
    return rows;
}

struct FileState {
    bool exists = false;
    ino_t inode = 0;
    qint64 mtimeNs = 0;
    QByteArray bytes;
    friend bool operator==(const FileState&, const FileState&) = default;
};

FileState scheduleFile(const TempDir& dir)
{
    FileState state;
    struct stat info { };
    const QString path = dir.file(u"Notifications.plist"_s);
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return state;
    state = {true, info.st_ino, qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
        test::readFile(path)};
    return state;
}

struct PlanRow {
    const char* name;
    QStringList settings; // "KEY VALUE" pairs stored first
    QStringList expected;
};

class NotificationsPlan : public testing::TestWithParam<PlanRow> { };

TEST_P(NotificationsPlan, JsonInCreationOrderWithLocalOffsets)
{
    const PlanRow& row = GetParam();
    TempDir dir;
    addBook(dir);
    for (const QString& setting : row.settings)
        run(dir, QStringList {u"settings"_s, u"set"_s} + setting.split(u' '));
    EXPECT_EQ(planned(dir), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, NotificationsPlan,
    testing::Values(
        PlanRow {"BadgesAcrossTheClockChange", {},
            {u"2027-03-21T00:00:00+01:00|Europe/Berlin|~|~|2"_s,
                u"2027-03-27T12:00:00+01:00|Europe/Berlin|Today: Anna Berg's Birthday|1.wav|2"_s,
                u"2027-03-28T00:00:00+01:00|Europe/Berlin|~|~|1"_s,
                u"2027-03-29T12:00:00+02:00|Europe/Berlin|Today: Ben Ode's Anniversary|1.wav|1"_s,
                u"2027-03-30T00:00:00+02:00|Europe/Berlin|~|~|-1"_s}},
        PlanRow {"CountOffSilentAt9", {u"showcount NO"_s, u"alertsound 0"_s, u"alerttimehour 9"_s},
            {u"2027-03-27T09:00:00+01:00|Europe/Berlin|Today: Anna Berg's Birthday|~|0"_s,
                u"2027-03-29T09:00:00+02:00|Europe/Berlin|Today: Ben Ode's Anniversary|~|0"_s}}),
    test::RowName());

TEST(NotificationsPlan, TextShowsLocalTimeBadgeAndBody)
{
    TempDir dir;
    addBook(dir);
    const CommandResult r = run(dir, {u"notifications"_s, u"plan"_s});
    EXPECT_TRUE(
        r.out.contains(u"2027-03-29 12:00:00 CEST  badge 1  Today: Ben Ode's Anniversary\n"_s))
        << r.out.toStdString();
}

TEST(NotificationsApply, WritesThePrivateScheduleOnceAndLeavesItWhenNothingChanged)
{
    TempDir dir;
    addBook(dir);
    ASSERT_TRUE(QFile::remove(dir.file(u"Notifications.plist"_s)));
    EXPECT_EQ(
        run(dir, {u"notifications"_s, u"apply"_s}).out, u"5 added, 0 removed, 0 unchanged\n"_s);
    EXPECT_EQ(test::modeOf(dir.file(u"Notifications.plist"_s)), 0600u);
    const FileState first = scheduleFile(dir);
    EXPECT_TRUE(first.bytes.contains("Today: Anna Berg's Birthday"));
    EXPECT_EQ(
        run(dir, {u"notifications"_s, u"apply"_s}).out, u"0 added, 0 removed, 5 unchanged\n"_s);
    EXPECT_EQ(scheduleFile(dir), first);
    const test::RunOptions later("2027-03-28T09:00", "Europe/Berlin", "en_US");
    EXPECT_EQ(run(dir, {u"notifications"_s, u"apply"_s}, later).out,
        u"1 added, 3 removed, 2 unchanged\n"_s);
}

TEST(NotificationsApply, ADamagedScheduleIsSetAsideAndRebuilt)
{
    TempDir dir;
    addBook(dir);
    ASSERT_TRUE(test::writeFile(dir.file(u"Notifications.plist"_s), "not a schedule"));
    const CommandResult r = run(dir, {u"notifications"_s, u"apply"_s});
    EXPECT_EQ(r.out, u"5 added, 0 removed, 0 unchanged\n"_s);
    EXPECT_TRUE(r.err.contains(u"warning"_s)) << r.err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList({u"Notifications.plist.damaged-*"_s}).size(), 1);
    EXPECT_TRUE(scheduleFile(dir).bytes.contains("Today: Anna Berg's Birthday"));
}

struct WriteRow {
    const char* name;
    QStringList args;
    bool rebuilds;
};

class RebuildAfterWriting : public testing::TestWithParam<WriteRow> { };

// Every change reminders are made from rewrites the schedule; others leave it alone.
TEST_P(RebuildAfterWriting, ScheduleFollowsTheChange)
{
    const WriteRow& row = GetParam();
    TempDir dir;
    addBook(dir);
    QStringList args = row.args;
    if (args.contains(u"ID"_s)) {
        const QString id =
            run(dir, {u"custom"_s, u"add"_s, u"--name"_s, u"Cleo"_s, u"--date"_s, u"2000-05-01"_s})
                .out.trimmed();
        args.replaceInStrings(u"ID"_s, id);
    }
    const FileState before = scheduleFile(dir);
    ASSERT_TRUE(before.exists);
    run(dir, args);
    EXPECT_EQ(scheduleFile(dir).bytes != before.bytes, row.rebuilds);
    const QByteArray stored = scheduleFile(dir).bytes;
    for (const QString& line : planned(dir)) {
        const QString body = line.section(u'|', 2, 2);
        if (body != u"~"_s) {
            EXPECT_TRUE(stored.contains(body.toUtf8())) << body.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, RebuildAfterWriting,
    testing::Values(
        WriteRow {"CustomAdd",
            {u"custom"_s, u"add"_s, u"--name"_s, u"Dora"_s, u"--date"_s, u"1980-03-25"_s}, true},
        WriteRow {"CustomEditIntoTheWindow",
            {u"custom"_s, u"edit"_s, u"ID"_s, u"--date"_s, u"2000-03-24"_s}, true},
        WriteRow {"ChoiceAlertsOff", {u"choice"_s, u"ID"_s, u"--alerts"_s, u"off"_s}, true},
        WriteRow {"SettingAlertHour", {u"settings"_s, u"set"_s, u"alerttimehour"_s, u"8"_s}, true},
        WriteRow {"SettingTheme", {u"settings"_s, u"set"_s, u"applicationtheme"_s, u"2"_s}, false},
        WriteRow {"Notes", {u"notes"_s, u"set"_s, u"ID"_s, u"text"_s}, false}),
    test::RowName());

TEST(RebuildAfterWriting, AddedOccasionIsInThePlanAndTheFile)
{
    TempDir dir;
    addBook(dir);
    run(dir, {u"custom"_s, u"add"_s, u"--name"_s, u"Dora"_s, u"--date"_s, u"1980-03-25"_s});
    EXPECT_TRUE(planned(dir).contains(
        u"2027-03-25T12:00:00+01:00|Europe/Berlin|Today: Dora's Birthday|1.wav|3"_s));
    EXPECT_TRUE(scheduleFile(dir).bytes.contains("Today: Dora's Birthday"));
}

// Holidays switched off no longer alert: the schedule drops them at once.
TEST(RebuildAfterWriting, ShowingHolidaysFollowsTheSwitch)
{
    TempDir dir;
    addBook(dir);
    for (const QString& setting : {u"holiday-alerts"_s, u"show-holidays"_s})
        run(dir, {u"settings"_s, u"set"_s, setting, u"YES"_s});
    run(dir, {u"holidays"_s, u"subscribe"_s, u"DE"_s, u"good-friday"_s});
    ASSERT_TRUE(scheduleFile(dir).bytes.contains("Good Friday"));
    run(dir, {u"settings"_s, u"set"_s, u"show-holidays"_s, u"NO"_s});
    EXPECT_FALSE(scheduleFile(dir).bytes.contains("Good Friday"));
}

struct ReadOnlyRow {
    const char* name;
    QStringList args;
};

class ReadOnlyCommands : public testing::TestWithParam<ReadOnlyRow> { };

// Run a day later, a rebuild would change the schedule: a read-only command must not.
TEST_P(ReadOnlyCommands, NeverWriteTheSchedule)
{
    const ReadOnlyRow& row = GetParam();
    const test::RunOptions later("2027-03-28T09:00", "Europe/Berlin", "en_US");
    TempDir dir;
    addBook(dir);
    const FileState before = scheduleFile(dir);
    run(dir, row.args, later);
    EXPECT_EQ(scheduleFile(dir), before);
    ASSERT_TRUE(QFile::remove(dir.file(u"Notifications.plist"_s)));
    run(dir, row.args, later);
    EXPECT_FALSE(scheduleFile(dir).exists);
}

INSTANTIATE_TEST_SUITE_P(Rows, ReadOnlyCommands,
    testing::Values(ReadOnlyRow {"List", {u"list"_s}},
        ReadOnlyRow {"Plan", {u"notifications"_s, u"plan"_s}}, ReadOnlyRow {"Badge", {u"badge"_s}},
        ReadOnlyRow {"SettingsGet", {u"settings"_s, u"get"_s, u"showcount"_s}}),
    test::RowName());

struct BadgeRow {
    const char* name;
    const char* mode; // 1146
    const char* showCount;
    const char* now;
    const char* expected;
};

class BadgeCommand : public testing::TestWithParam<BadgeRow> { };

TEST_P(BadgeCommand, CountsAsTheIconShowsIt)
{
    const BadgeRow& row = GetParam();
    TempDir dir;
    addBook(dir);
    run(dir, {u"settings"_s, u"set"_s, u"1146"_s, QString::fromLatin1(row.mode)});
    run(dir, {u"settings"_s, u"set"_s, u"showcount"_s, QString::fromLatin1(row.showCount)});
    const test::RunOptions at(row.now, "Europe/Berlin", "en_US");
    EXPECT_EQ(run(dir, {u"badge"_s}, at).out, QString::fromLatin1(row.expected) + u'\n');
    EXPECT_EQ(run(dir, {u"--json"_s, u"badge"_s}, at).out.simplified(),
        u"{ \"badge\": %1 }"_s.arg(QString::fromLatin1(row.expected)));
}

INSTANTIATE_TEST_SUITE_P(Rows, BadgeCommand,
    testing::Values(BadgeRow {"TodayOnlyOnTheDay", "0", "YES", "2027-03-27", "1"},
        BadgeRow {"TodayOnlyBefore", "0", "YES", "2027-03-20", "0"},
        BadgeRow {"WithLookAhead", "1", "YES", "2027-03-27", "2"},
        BadgeRow {"CountOff", "1", "NO", "2027-03-27", "0"}),
    test::RowName());

} // namespace
