// `fetemark list`, `custom`, `choice` and `notes`, driven as separate processes on a
// data directory, at a fixed moment and zone.
#include "support/TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace fetemark;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

// The moment and zone every command here runs at, unless a test says otherwise.
const test::RunOptions March2027("2027-03-01", "Europe/Berlin");

QJsonArray rows(const TempDir& dir, const test::RunOptions& at = March2027)
{
    const CommandResult r =
        test::runFetemarkIn(dir, {QStringLiteral("--json"), QStringLiteral("list")}, at);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QJsonArray all;
    for (const QJsonValue& group : QJsonDocument::fromJson(r.out.toUtf8())
                                       .object()
                                       .value(QStringLiteral("groups"))
                                       .toArray()) {
        for (const QJsonValue& row : group.toObject().value(QStringLiteral("rows")).toArray())
            all.append(row);
    }
    return all;
}

QJsonObject rowNamed(const QJsonArray& list, const QString& name)
{
    for (const QJsonValue& v : list) {
        if (v.toObject().value(QStringLiteral("name")).toString() == name)
            return v.toObject();
    }
    return {};
}

QString addCustom(const TempDir& dir, const QStringList& options)
{
    const CommandResult r = test::runFetemarkIn(
        dir, QStringList {QStringLiteral("custom"), QStringLiteral("add")} + options, March2027);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return r.out.trimmed();
}

const QByteArray annaCard =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna;;;\r\nUID:anna\r\nBDAY:1997-03-05\r\n"
    "ANNIVERSARY:2020-06-20\r\nEND:VCARD\r\n";

} // namespace

TEST(OccasionCommands, AnEmptyBookSaysHowToStart)
{
    TempDir dir;
    const CommandResult r = test::runFetemarkIn(dir, {QStringLiteral("list")}, March2027);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("contacts import"))) << r.out.toStdString();
}

TEST(OccasionCommands, ACustomEntryIsListedWithItsNextDate)
{
    TempDir dir;
    const QString id = addCustom(dir,
        {QStringLiteral("--name"), QStringLiteral("Grandma"), QStringLiteral("--date"),
            QStringLiteral("1940-03-04"), QStringLiteral("--notes"), QStringLiteral("Call her")});
    EXPECT_TRUE(id.startsWith(QStringLiteral("custom-"))) << id.toStdString();

    const QJsonObject row = rowNamed(rows(dir), QStringLiteral("Grandma"));
    EXPECT_EQ(row.value(QStringLiteral("id")).toString(), id);
    EXPECT_EQ(row.value(QStringLiteral("source")).toString(), QStringLiteral("custom"));
    EXPECT_EQ(row.value(QStringLiteral("sortDate")).toString(), QStringLiteral("2027-03-04"));
    EXPECT_EQ(row.value(QStringLiteral("daysUntilDate")).toInt(), 3);
    EXPECT_TRUE(row.value(QStringLiteral("isUpcoming")).toBool());

    const CommandResult notes =
        test::runFetemarkIn(dir, {QStringLiteral("notes"), QStringLiteral("get"), id}, March2027);
    EXPECT_EQ(notes.out, QStringLiteral("Call her\n"));
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("CustomEntries.plist"))));
}

TEST(OccasionCommands, EditAndRemoveACustomEntry)
{
    TempDir dir;
    const QString id = addCustom(dir,
        {QStringLiteral("--name"), QStringLiteral("Wedding"), QStringLiteral("--date"),
            QStringLiteral("2027-05-01"), QStringLiteral("--once"), QStringLiteral("--type"),
            QStringLiteral("other")});
    ASSERT_EQ(test::runFetemarkIn(dir,
                  {QStringLiteral("custom"), QStringLiteral("edit"), id, QStringLiteral("--date"),
                      QStringLiteral("2027-05-02"), QStringLiteral("--name"),
                      QStringLiteral("Wedding of Jo")},
                  March2027)
                  .exitCode,
        0);
    const QJsonObject row = rowNamed(rows(dir), QStringLiteral("Wedding of Jo"));
    EXPECT_EQ(row.value(QStringLiteral("sortDate")).toString(), QStringLiteral("2027-05-02"));
    EXPECT_TRUE(row.value(QStringLiteral("onetime")).toBool());
    EXPECT_EQ(row.value(QStringLiteral("id")).toString(), id)
        << "the id names the entry, not its data";

    ASSERT_EQ(test::runFetemarkIn(
                  dir, {QStringLiteral("custom"), QStringLiteral("remove"), id}, March2027)
                  .exitCode,
        0);
    EXPECT_TRUE(rows(dir).isEmpty());
}

TEST(OccasionCommands, EditingTheDateMovesAOneTimeEntryAndItsYear)
{
    TempDir dir;
    const QString once = addCustom(dir,
        {QStringLiteral("--name"), QStringLiteral("Trip"), QStringLiteral("--date"),
            QStringLiteral("2027-05-01"), QStringLiteral("--once")});
    const QString noYear = addCustom(dir,
        {QStringLiteral("--name"), QStringLiteral("Bo"), QStringLiteral("--date"),
            QStringLiteral("--03-10")});
    ASSERT_EQ(test::runFetemarkIn(dir,
                  {QStringLiteral("custom"), QStringLiteral("edit"), once, QStringLiteral("--date"),
                      QStringLiteral("2028-05-02")},
                  March2027)
                  .exitCode,
        0);
    ASSERT_EQ(test::runFetemarkIn(dir,
                  {QStringLiteral("custom"), QStringLiteral("edit"), noYear,
                      QStringLiteral("--date"), QStringLiteral("1990-03-10")},
                  March2027)
                  .exitCode,
        0);
    const QJsonArray list = rows(dir);
    const QJsonObject trip = rowNamed(list, QStringLiteral("Trip"));
    EXPECT_EQ(trip.value(QStringLiteral("sortDate")).toString(), QStringLiteral("2028-05-02"));
    EXPECT_TRUE(trip.value(QStringLiteral("onetime")).toBool());
    const QJsonObject bo = rowNamed(list, QStringLiteral("Bo"));
    EXPECT_FALSE(bo.value(QStringLiteral("ignoreYear")).toBool()) << "a full date shows its year";
    EXPECT_EQ(bo.value(QStringLiteral("age")).toInt(), 37);
}

TEST(OccasionCommands, ContactsDatesAreListedAndTheirChoicesKept)
{
    TempDir dir;
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("anna.vcf")), annaCard));
    ASSERT_EQ(test::runFetemarkIn(dir,
                  {QStringLiteral("contacts"), QStringLiteral("import"),
                      dir.file(QStringLiteral("anna.vcf"))},
                  March2027)
                  .exitCode,
        0);

    const QJsonArray list = rows(dir);
    ASSERT_EQ(list.size(), 2);
    const QJsonObject birthday = list[0].toObject();
    EXPECT_EQ(birthday.value(QStringLiteral("name")).toString(), QStringLiteral("Anna Berg"));
    EXPECT_EQ(birthday.value(QStringLiteral("sortDate")).toString(), QStringLiteral("2027-03-05"));
    EXPECT_EQ(birthday.value(QStringLiteral("type")).toInt(), 0);
    const QString id = birthday.value(QStringLiteral("id")).toString();
    EXPECT_EQ(id, QStringLiteral("contact-1-birthday"));

    ASSERT_EQ(test::runFetemarkIn(dir,
                  {QStringLiteral("choice"), id, QStringLiteral("--alerts"), QStringLiteral("off"),
                      QStringLiteral("--upcoming"), QStringLiteral("off")},
                  March2027)
                  .exitCode,
        0);
    const QJsonObject after = rowNamed(rows(dir), QStringLiteral("Anna Berg"));
    EXPECT_TRUE(after.value(QStringLiteral("alertsOff")).toBool());
    EXPECT_TRUE(after.value(QStringLiteral("ignoreForUpcoming")).toBool());

    // The badge leaves out the birthday now that the user took it out of the upcoming ones.
    const CommandResult json =
        test::runFetemarkIn(dir, {QStringLiteral("--json"), QStringLiteral("list")}, March2027);
    EXPECT_EQ(
        QJsonDocument::fromJson(json.out.toUtf8()).object().value(QStringLiteral("badge")).toInt(),
        0);
}

TEST(OccasionCommands, NotesGoToTheStoreOfTheirKind)
{
    TempDir dir;
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("anna.vcf")), annaCard));
    ASSERT_EQ(test::runFetemarkIn(dir,
                  {QStringLiteral("contacts"), QStringLiteral("import"),
                      dir.file(QStringLiteral("anna.vcf"))},
                  March2027)
                  .exitCode,
        0);
    const QString id = QStringLiteral("contact-1-birthday");

    ASSERT_EQ(
        test::runFetemarkIn(dir,
            {QStringLiteral("notes"), QStringLiteral("set"), id, QStringLiteral("Likes tulips")},
            March2027)
            .exitCode,
        0);
    EXPECT_EQ(
        test::runFetemarkIn(dir, {QStringLiteral("notes"), QStringLiteral("get"), id}, March2027)
            .out,
        QStringLiteral("Likes tulips\n"));
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("ABMetadata.plist"))));

    // With notes kept in the address book, the contact's own note is read and written.
    ASSERT_EQ(test::runFetemarkIn(dir,
                  {QStringLiteral("settings"), QStringLiteral("set"),
                      QStringLiteral("addressbooknotes"), QStringLiteral("1")},
                  March2027)
                  .exitCode,
        0);
    EXPECT_EQ(
        test::runFetemarkIn(dir, {QStringLiteral("notes"), QStringLiteral("get"), id}, March2027)
            .out,
        QStringLiteral("\n"));
    ASSERT_EQ(
        test::runFetemarkIn(dir,
            {QStringLiteral("notes"), QStringLiteral("set"), id, QStringLiteral("  In the book  ")},
            March2027)
            .exitCode,
        0);
    EXPECT_EQ(
        test::runFetemarkIn(dir, {QStringLiteral("notes"), QStringLiteral("get"), id}, March2027)
            .out,
        QStringLiteral("In the book\n"));
    const CommandResult people = test::runFetemarkIn(dir,
        {QStringLiteral("--json"), QStringLiteral("contacts"), QStringLiteral("list")}, March2027);
    EXPECT_TRUE(people.out.contains(QStringLiteral("In the book"))) << people.out.toStdString();
}

TEST(OccasionCommands, BadValuesAreRefused)
{
    TempDir dir;
    const QString id = addCustom(dir,
        {QStringLiteral("--name"), QStringLiteral("X"), QStringLiteral("--date"),
            QStringLiteral("2000-01-01")});
    struct Row {
        const char* name;
        QStringList args;
        int exit;
        const char* message;
    };
    const Row rowsTable[] = {
        {"impossible day", {"custom", "add", "--name", "Y", "--date", "2027-02-30"}, 1,
            "is not a day"},
        {"year calendars cannot end", {"custom", "add", "--name", "Y", "--date", "9999-12-31"}, 1,
            "outside 1583..9998"},
        {"year before the calendar", {"custom", "edit", id, "--date", "1200-05-01"}, 1,
            "outside 1583..9998"},
        {"bad type", {"custom", "add", "--name", "Y", "--date", "2027-02-03", "--type", "party"}, 1,
            "is not birthday"},
        {"empty name", {"custom", "add", "--name", " ", "--date", "2027-02-03"}, 1,
            "a name is needed"},
        {"missing date", {"custom", "add", "--name", "Y"}, 2, "usage"},
        {"unknown id", {"custom", "remove", "custom-nope"}, 1, "no custom entry"},
        {"choice not on/off", {"choice", id, "--alerts", "maybe"}, 1, "is not on or off"},
        {"choice unknown id", {"choice", "contact-99-birthday", "--alerts", "off"}, 1,
            "no occasion"},
        {"unknown option", {"custom", "add", "--colour", "red"}, 2, "unknown option"},
    };
    for (const Row& row : rowsTable) {
        SCOPED_TRACE(row.name);
        const CommandResult r = test::runFetemarkIn(dir, row.args, March2027);
        EXPECT_EQ(r.exitCode, row.exit);
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(row.message))) << r.err.toStdString();
    }
    EXPECT_EQ(rows(dir).size(), 1);
}

TEST(OccasionCommands, ADamagedEntriesFileIsSetAsideAndTheListStillShows)
{
    TempDir dir;
    addCustom(dir,
        {QStringLiteral("--name"), QStringLiteral("Kept"), QStringLiteral("--date"),
            QStringLiteral("2000-01-01")});
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("anna.vcf")), annaCard));
    // The import reschedules reminders, which loads (and then saves) the entries: it
    // comes before the damage.
    ASSERT_EQ(test::runFetemarkIn(dir,
                  {QStringLiteral("contacts"), QStringLiteral("import"),
                      dir.file(QStringLiteral("anna.vcf"))},
                  March2027)
                  .exitCode,
        0);
    const QByteArray damaged("bplist00 this is not what it claims");
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("CustomEntries.plist")), damaged));

    // Listing only reads: it warns and leaves the file where it is.
    const CommandResult r = test::runFetemarkIn(dir, {QStringLiteral("list")}, March2027);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("warning"))) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Anna Berg")));
    const QStringList filter {QStringLiteral("CustomEntries.plist.damaged-*")};
    EXPECT_TRUE(QDir(dir.path()).entryList(filter).isEmpty());
    EXPECT_EQ(test::readFile(dir.file(QStringLiteral("CustomEntries.plist"))), damaged);

    // The next change keeps it aside before writing a new file.
    addCustom(dir,
        {QStringLiteral("--name"), QStringLiteral("New"), QStringLiteral("--date"),
            QStringLiteral("2000-02-02")});
    const QStringList aside = QDir(dir.path()).entryList(filter);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(test::readFile(dir.file(aside[0])), damaged);
}

TEST(ListCommand, GroupsAsOnScreenWithFilterAndSearch)
{
    TempDir dir;
    const QString vcf = dir.file(QStringLiteral("anna.vcf"));
    ASSERT_TRUE(test::writeFile(vcf, annaCard));
    ASSERT_EQ(test::runFetemarkIn(
                  dir, {QStringLiteral("contacts"), QStringLiteral("import"), vcf}, March2027)
                  .exitCode,
        0);
    addCustom(dir,
        {QStringLiteral("--name"), QStringLiteral("Bo Smith"), QStringLiteral("--date"),
            QStringLiteral("1980-04-20")});

    const CommandResult r =
        test::runFetemarkIn(dir, {QStringLiteral("--json"), QStringLiteral("list")}, March2027);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(json.value(QStringLiteral("filterMode")).toInt(), 0);
    EXPECT_EQ(json.value(QStringLiteral("badge")).toInt(), 1);
    const QJsonArray groups = json.value(QStringLiteral("groups")).toArray();
    ASSERT_EQ(groups.size(), 3);
    const QJsonObject march = groups[0].toObject();
    EXPECT_EQ(march.value(QStringLiteral("GroupTitle")).toString(), QStringLiteral("March"));
    EXPECT_TRUE(march.value(QStringLiteral("UpcomingGroup")).toBool());
    EXPECT_EQ(march.value(QStringLiteral("GroupPosition")).toInt(), 1);
    EXPECT_EQ(march.value(QStringLiteral("GroupCount")).toInt(), 1);
    const QJsonObject annaRow = march.value(QStringLiteral("rows")).toArray()[0].toObject();
    EXPECT_EQ(annaRow.value(QStringLiteral("detailedText")).toString(),
        QStringLiteral("Turning 30 in 4 days"));
    EXPECT_EQ(annaRow.value(QStringLiteral("location")).toInt(), 2)
        << "the only row under a month header";
    EXPECT_EQ(groups[1].toObject().value(QStringLiteral("GroupTitle")).toString(),
        QStringLiteral("April"));
    EXPECT_EQ(groups[2].toObject().value(QStringLiteral("GroupTitle")).toString(),
        QStringLiteral("June"));
    EXPECT_EQ(groups[2].toObject().value(QStringLiteral("GroupPosition")).toInt(), 2);

    const CommandResult searched = test::runFetemarkIn(dir,
        {QStringLiteral("list"), QStringLiteral("--search"), QStringLiteral("smi"),
            QStringLiteral("--filter"), QStringLiteral("1")},
        March2027);
    EXPECT_EQ(searched.exitCode, 0);
    EXPECT_TRUE(searched.out.contains(QStringLiteral("Bo Smith"))) << searched.out.toStdString();
    EXPECT_FALSE(searched.out.contains(QStringLiteral("Anna"))) << searched.out.toStdString();

    const CommandResult none = test::runFetemarkIn(dir,
        {QStringLiteral("list"), QStringLiteral("--search"), QStringLiteral("mit")}, March2027);
    EXPECT_EQ(none.out, QStringLiteral("No Entries\n"));

    EXPECT_EQ(
        test::runFetemarkIn(dir,
            {QStringLiteral("list"), QStringLiteral("--filter"), QStringLiteral("6")}, March2027)
            .exitCode,
        1);
    EXPECT_EQ(
        test::runFetemarkIn(dir, {QStringLiteral("list"), QStringLiteral("--filter")}, March2027)
            .exitCode,
        2);
    EXPECT_EQ(test::runFetemarkIn(dir, {QStringLiteral("list"), QStringLiteral("extra")}, March2027)
                  .exitCode,
        2);
    // Without a command the list is shown.
    EXPECT_EQ(test::runFetemarkIn(dir, {QStringLiteral("--no-gui")}, March2027).out,
        test::runFetemarkIn(dir, {QStringLiteral("list")}, March2027).out);
}

TEST(ListCommand, TheDemoIsFilledOnceAndKeepsChanges)
{
    TempDir dir;
    const QStringList demo {QStringLiteral("--demo"), QStringLiteral("--json")};
    const CommandResult first = test::runFetemarkIn(
        dir, demo + QStringList {QStringLiteral("contacts"), QStringLiteral("list")}, March2027);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(first.out.toUtf8()).array().size(), 300);
    EXPECT_FALSE(rows(dir).isEmpty()) << "people and entries to look at";

    addCustom(dir,
        {QStringLiteral("--name"), QStringLiteral("Mine"), QStringLiteral("--date"),
            QStringLiteral("1990-05-05")});
    const CommandResult again = test::runFetemarkIn(
        dir, demo + QStringList {QStringLiteral("contacts"), QStringLiteral("list")}, March2027);
    EXPECT_EQ(QJsonDocument::fromJson(again.out.toUtf8()).array().size(), 300)
        << "not filled twice";
    EXPECT_FALSE(rowNamed(rows(dir), QStringLiteral("Mine")).isEmpty());
}

TEST(ListCommand, TheDemoNeverFillsAFolderThatHoldsData)
{
    TempDir dir;
    addCustom(dir,
        {QStringLiteral("--name"), QStringLiteral("Mine"), QStringLiteral("--date"),
            QStringLiteral("1990-05-05")});
    const CommandResult r =
        test::runFetemarkIn(dir, {QStringLiteral("--demo"), QStringLiteral("list")}, March2027);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("not the demo"))) << r.err.toStdString();
    const QJsonArray list = rows(dir);
    EXPECT_EQ(list.size(), 1);
    EXPECT_FALSE(rowNamed(list, QStringLiteral("Mine")).isEmpty());
}
