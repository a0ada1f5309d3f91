// Several `fetemark` processes on one data directory at once, and the disk failing under
// them: every change that reported success is found afterwards, nothing unsaved is
// reported as done, and reading never writes.

#include "platform/files/FileVersion.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>

#include <memory>

using namespace fetemark;
using namespace Qt::StringLiterals;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

const test::RunOptions March2027("2027-03-01T09:00");

// A shell loop running one command `count` times with $i counting up; it prints each
// run's output followed by "rc=<exit status>".
std::unique_ptr<QProcess> startLoop(const TempDir& dir, const QString& command, int count)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TZ"_s, u"UTC"_s);
    env.insert(u"LANG"_s, u"C.UTF-8"_s);
    env.insert(u"FETEMARK_DATA_DIR"_s, dir.path());
    env.insert(u"FETEMARK_NOW"_s, u"2027-03-01T09:00"_s);
    env.insert(u"F"_s, QStringLiteral(FETEMARK_BINARY));
    process->setProcessEnvironment(env);
    const QString script =
        u"for i in $(seq 1 %1); do %2; echo \"rc=$?\"; done"_s.arg(count).arg(command);
    process->start(u"bash"_s, {u"-c"_s, script});
    return process;
}

QStringList finish(QProcess& process)
{
    EXPECT_TRUE(process.waitForFinished(180000));
    return QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

// The ids printed by runs that exited 0.
QStringList reportedIds(const QStringList& lines)
{
    QStringList ids;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i + 1] == u"rc=0"_s && !lines[i].startsWith(u"rc="_s))
            ids << lines[i];
    }
    return ids;
}

QSet<QString> listedIds(const TempDir& dir)
{
    const CommandResult r = test::runFetemarkIn(dir, {u"--json"_s, u"list"_s}, March2027);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QSet<QString> ids;
    const QJsonArray groups = QJsonDocument::fromJson(r.out.toUtf8())[u"groups"_s].toArray();
    for (const QJsonValue& group : groups) {
        for (const QJsonValue& row : group[u"rows"_s].toArray())
            ids.insert(row[u"id"_s].toString());
    }
    return ids;
}

QString addEntry(const TempDir& dir, const QString& name)
{
    const CommandResult r = test::runFetemarkIn(
        dir, {u"custom"_s, u"add"_s, u"--name"_s, name, u"--date"_s, u"2000-05-05"_s}, March2027);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return r.out.trimmed();
}

} // namespace

TEST(SharedDataDirectory, TwoWritersAtOnceLoseNoAdd)
{
    TempDir dir;
    const auto addLoop = [&](const QString& prefix) {
        return startLoop(dir,
            uR"("$F" custom add --name ")"_s + prefix + uR"($i" --date 2000-01-0$((i % 9 + 1)))"_s,
            12);
    };
    auto one = addLoop(u"One"_s);
    auto two = addLoop(u"Two"_s);
    const QStringList reported = reportedIds(finish(*one)) + reportedIds(finish(*two));
    EXPECT_EQ(reported.size(), 24) << "every add succeeds, one after the other";
    const QSet<QString> listed = listedIds(dir);
    for (const QString& id : reported)
        EXPECT_TRUE(listed.contains(id)) << "lost: " << id.toStdString();
}

TEST(SharedDataDirectory, NotesSetBesideAListLoopAreKept)
{
    TempDir dir;
    QStringList ids;
    for (int i = 0; i < 6; ++i)
        ids << addEntry(dir, u"Entry %1"_s.arg(i));
    auto readers = startLoop(dir, uR"("$F" list >/dev/null)"_s, 30);
    for (int i = 0; i < ids.size(); ++i) {
        const CommandResult r = test::runFetemarkIn(
            dir, {u"notes"_s, u"set"_s, ids[i], u"note %1"_s.arg(i)}, March2027);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    finish(*readers);
    for (int i = 0; i < ids.size(); ++i) {
        const CommandResult r = test::runFetemarkIn(dir, {u"notes"_s, u"get"_s, ids[i]}, March2027);
        EXPECT_EQ(r.out.trimmed(), u"note %1"_s.arg(i));
    }
}

TEST(SharedDataDirectory, TwoSettingsChangesAtOnceKeepBoth)
{
    TempDir dir;
    for (int round = 1; round <= 8; ++round) {
        auto one =
            startLoop(dir, uR"("$F" settings set upcomingwindow )"_s + QString::number(round), 1);
        auto two = startLoop(
            dir, uR"("$F" settings set showage )"_s + (round % 2 ? u"NO"_s : u"YES"_s), 1);
        EXPECT_EQ(finish(*one).value(0), u"rc=0"_s);
        EXPECT_EQ(finish(*two).value(0), u"rc=0"_s);
        const CommandResult window =
            test::runFetemarkIn(dir, {u"settings"_s, u"get"_s, u"upcomingwindow"_s}, March2027);
        const CommandResult age =
            test::runFetemarkIn(dir, {u"settings"_s, u"get"_s, u"showage"_s}, March2027);
        EXPECT_EQ(window.out.trimmed(), QString::number(round)) << "round " << round;
        EXPECT_EQ(age.out.trimmed(), round % 2 ? u"NO"_s : u"YES"_s) << "round " << round;
    }
}

namespace {

struct ReadingRow {
    const char* name;
    QStringList args;
};

class SharedDataDirectoryReading : public ::testing::TestWithParam<ReadingRow> { };

// Every file in the directory with the version it has now.
QMap<QString, FileVersion> versions(const TempDir& dir)
{
    QMap<QString, FileVersion> all;
    QDirIterator it(dir.path(), QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        const QString path = it.next();
        // SQLite's shared-memory index and log, which a reader of the address book opens
        // (and makes, when missing) to see a consistent book: no data of its own.
        if (!path.endsWith(u".ics"_s) && !path.endsWith(u"-shm"_s) && !path.endsWith(u"-wal"_s))
            all.insert(path, FileVersion::of(path));
    }
    return all;
}

} // namespace

TEST_P(SharedDataDirectoryReading, ReadingWritesNothing)
{
    TempDir dir;
    const QString id = addEntry(dir, u"Anna"_s);
    ASSERT_EQ(
        test::runFetemarkIn(dir, {u"notes"_s, u"set"_s, id, u"cake"_s}, March2027).exitCode, 0);
    ASSERT_EQ(
        test::runFetemarkIn(dir, {u"choice"_s, id, u"--alerts"_s, u"off"_s}, March2027).exitCode,
        0);
    const QMap<QString, FileVersion> before = versions(dir);
    QStringList args = GetParam().args;
    args.replaceInStrings(u"$ID"_s, id).replaceInStrings(u"$DIR"_s, dir.path());
    const CommandResult r = test::runFetemarkIn(dir, args, March2027);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(versions(dir), before);
}

INSTANTIATE_TEST_SUITE_P(Commands, SharedDataDirectoryReading,
    ::testing::Values(ReadingRow {"List", {u"list"_s}}, ReadingRow {"Show", {u"show"_s, u"$ID"_s}},
        ReadingRow {"SettingsList", {u"settings"_s, u"list"_s}},
        ReadingRow {"ExportIcs", {u"export"_s, u"ics"_s, u"$DIR/all.ics"_s}},
        ReadingRow {"NotesGet", {u"notes"_s, u"get"_s, u"$ID"_s}},
        ReadingRow {"ChoiceShown", {u"choice"_s, u"$ID"_s}},
        ReadingRow {"ContactsList", {u"contacts"_s, u"list"_s}}),
    test::RowName());

TEST(SharedDataDirectory, ReadingAMissingDirectoryDoesNotCreateIt)
{
    TempDir parent;
    const QString missing = parent.file(u"never"_s);
    const CommandResult r = test::runFetemark({u"--data-dir"_s, missing, u"list"_s});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(missing));
}

namespace {

struct FailedWriteRow {
    const char* name;
    bool readOnlyDisk; // else a full disk
    QStringList args;
    const char* reason;
};

class SharedDataDirectoryFailedWrite : public ::testing::TestWithParam<FailedWriteRow> { };

} // namespace

TEST_P(SharedDataDirectoryFailedWrite, IsNeverReportedAsDone)
{
    const FailedWriteRow& row = GetParam();
    test::ScratchDisk disk(256);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.problem().toStdString();
    const QString data = disk.file(u"data"_s);
    auto run = [&](QStringList args) {
        args.replaceInStrings(u"$DIR"_s, disk.path());
        return test::runFetemark(
            QStringList {u"--data-dir"_s, data, u"--now"_s, u"2027-03-01"_s} + args);
    };
    const CommandResult added =
        run({u"custom"_s, u"add"_s, u"--name"_s, u"Kept"_s, u"--date"_s, u"2000-05-05"_s});
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    QStringList args = row.args;
    args.replaceInStrings(u"$ID"_s, added.out.trimmed());
    const QByteArray entries = test::readFile(data + u"/CustomEntries.plist"_s);
    const QByteArray settings = test::readFile(data + u"/Preferences.plist"_s);
    ASSERT_TRUE(row.readOnlyDisk ? disk.makeReadOnly() : disk.fill());

    const CommandResult r = run(args);
    EXPECT_EQ(r.exitCode, 1) << r.out.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << "no id, no count: " << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromLatin1(row.reason))) << r.err.toStdString();
    EXPECT_EQ(test::readFile(data + u"/CustomEntries.plist"_s), entries);
    EXPECT_EQ(test::readFile(data + u"/Preferences.plist"_s), settings);
    const CommandResult list = run({u"list"_s});
    EXPECT_TRUE(list.out.contains(u"Kept"_s)) << list.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Disks, SharedDataDirectoryFailedWrite,
    ::testing::Values(FailedWriteRow {"FullAdd", false,
                          {u"custom"_s, u"add"_s, u"--name"_s, u"New"_s, u"--date"_s,
                              u"2000-01-01"_s, u"--notes"_s, QString(3000, u'n')},
                          "No space left on device"},
        FailedWriteRow {"FullEdit", false,
            {u"custom"_s, u"edit"_s, u"$ID"_s, u"--notes"_s, QString(3000, u'n')},
            "No space left on device"},
        FailedWriteRow {"FullSettings", false, {u"settings"_s, u"set"_s, u"showage"_s, u"NO"_s},
            "No space left on device"},
        FailedWriteRow {"FullExport", false, {u"export"_s, u"csv"_s, u"$DIR/out.csv"_s},
            "No space left on device"},
        FailedWriteRow {"ReadOnlyAdd", true,
            {u"custom"_s, u"add"_s, u"--name"_s, u"New"_s, u"--date"_s, u"2000-01-01"_s},
            "Read-only file system"},
        FailedWriteRow {
            "ReadOnlyRemove", true, {u"custom"_s, u"remove"_s, u"$ID"_s}, "Read-only file system"},
        FailedWriteRow {"ReadOnlySettings", true, {u"settings"_s, u"set"_s, u"showage"_s, u"NO"_s},
            "Read-only file system"}),
    test::RowName());

TEST(SharedDataDirectory, PersonalFilesArePrivateExportsFollowTheUmask)
{
    for (const unsigned umask : {022u, 002u}) {
        TempDir dir;
        const test::ScopedUmask mask(umask);
        const QString data = dir.file(u"data"_s);
        const QString vcf = dir.file(u"anna.vcf"_s);
        ASSERT_TRUE(test::writeFile(vcf,
            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna\r\nFN:Anna Berg\r\nBDAY:1990-03-05\r\n"
            "END:VCARD\r\n"));
        const QStringList base {u"--data-dir"_s, data, u"--now"_s, u"2027-03-01"_s};
        for (const QStringList& args : {QStringList {u"contacts"_s, u"import"_s, vcf},
                 QStringList {
                     u"custom"_s, u"add"_s, u"--name"_s, u"B"_s, u"--date"_s, u"2000-01-01"_s},
                 QStringList {u"settings"_s, u"set"_s, u"showage"_s, u"NO"_s},
                 QStringList {u"export"_s, u"ics"_s, dir.file(u"all.ics"_s)}}) {
            const CommandResult r = test::runFetemark(base + args);
            ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        }
        EXPECT_EQ(test::modeOf(data), 0700u) << "umask " << umask;
        QDirIterator it(data, QDir::Files | QDir::Hidden | QDir::System);
        while (it.hasNext()) {
            const QString path = it.next();
            // The own theme's pictures are owner-only too, with the mode they always had.
            const unsigned mode = it.fileName().contains(u"_100"_s) ? 0700u : 0600u;
            EXPECT_EQ(test::modeOf(path), mode) << path.toStdString() << " umask " << umask;
        }
        EXPECT_EQ(test::modeOf(dir.file(u"all.ics"_s)), 0666u & ~umask);
    }
}
