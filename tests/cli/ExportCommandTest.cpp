// `fetemark export csv|ics` and `fetemark show`, checked by independent readers: Python's
// csv module for the spreadsheet file and python vobject for the calendar.
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

#include <gtest/gtest.h>

using namespace fetemark;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

const test::RunOptions March2027("2027-03-01", "Europe/Berlin", "en_US");

QString add(const TempDir& dir, const QStringList& options)
{
    const CommandResult r = test::runFetemarkIn(
        dir, QStringList {QStringLiteral("custom"), QStringLiteral("add")} + options, March2027);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return r.out.trimmed();
}

// A small book: a contact without a birth year, and entries whose names, labels and
// notes hold the characters that break naive CSV.
void fill(const TempDir& dir)
{
    const QString vcf = dir.file(QStringLiteral("people.vcf"));
    ASSERT_TRUE(test::writeFile(vcf,
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna;;;\r\nUID:anna\r\nBDAY:--0315\r\n"
        "END:VCARD\r\n"));
    ASSERT_EQ(test::runFetemarkIn(
                  dir, {QStringLiteral("contacts"), QStringLiteral("import"), vcf}, March2027)
                  .exitCode,
        0);
    add(dir,
        {QStringLiteral("--name"), QStringLiteral("Grandma"), QStringLiteral("--date"),
            QStringLiteral("1940-03-04"), QStringLiteral("--notes"),
            QStringLiteral("Likes tulips\nand jam")});
    add(dir,
        {QStringLiteral("--name"), QStringLiteral("Jo \"JJ\" Smith"), QStringLiteral("--date"),
            QStringLiteral("2000-03-10"), QStringLiteral("--type"), QStringLiteral("other"),
            QStringLiteral("--label"), QStringLiteral("Graduation, MSc")});
    add(dir,
        {QStringLiteral("--name"), QStringLiteral("Ann & Bo"), QStringLiteral("--date"),
            QStringLiteral("2012-02-29"), QStringLiteral("--type"), QStringLiteral("anniversary")});
    add(dir,
        {QStringLiteral("--name"), QStringLiteral("Two\nLines"), QStringLiteral("--date"),
            QStringLiteral("2027-12-24"), QStringLiteral("--once"), QStringLiteral("--type"),
            QStringLiteral("other")});
}

} // namespace

TEST(ExportCsv, OneQuotedLinePerOccasionInUtf16WithByteOrderMark)
{
    TempDir dir;
    fill(dir);
    const QString file = dir.file(QStringLiteral("out.csv"));
    const CommandResult r = test::runFetemarkIn(
        dir, {QStringLiteral("export"), QStringLiteral("csv"), file}, March2027);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    const QByteArray bytes = test::readFile(file);
    ASSERT_GE(bytes.size(), 2);
    EXPECT_EQ(bytes.left(2), QByteArray("\xFF\xFE"));
    QStringDecoder decoder(QStringDecoder::Utf16);
    const QString text = decoder(bytes);
    EXPECT_FALSE(decoder.hasError());
    EXPECT_EQ(text.toStdString(),
        QStringLiteral("\"Name\",\"Event\",\"Date\",\"Notes\"\n"
                       "\"Ann & Bo\",\"Anniversary\",\"Feb 29, 2012\",\"\"\n"
                       "\"Grandma\",\"Birthday\",\"Mar 4, 1940\",\"Likes tulips and jam\"\n"
                       "\"Jo \"\"JJ\"\" Smith\",\"Graduation, MSc\",\"Mar 10, 2000\",\"\"\n"
                       "\"Anna Berg\",\"Birthday\",\"March 15\",\"\"\n"
                       "\"Two Lines\",\"\",\"Dec 24, 2027\",\"\"\n")
            .toStdString());

    // Standard output gets the same text in UTF-8.
    const CommandResult out =
        test::runFetemarkIn(dir, {QStringLiteral("export"), QStringLiteral("csv")}, March2027);
    EXPECT_EQ(out.out.toStdString(), text.toStdString());
}

TEST(ExportCsv, AReaderWithDefaultSettingsSeesTheSameRows)
{
    const QString python = test::pythonWith("csv");
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    TempDir dir;
    fill(dir);
    const QString file = dir.file(QStringLiteral("out.csv"));
    ASSERT_EQ(
        test::runFetemarkIn(dir, {QStringLiteral("export"), QStringLiteral("csv"), file}, March2027)
            .exitCode,
        0);
    const char* script = R"(
import csv, io, json, sys
text = open(sys.argv[1], 'rb').read().decode('utf-16')
print(json.dumps(list(csv.reader(io.StringIO(text, newline='')))))
)";
    const QJsonArray rows =
        QJsonDocument::fromJson(test::runPython(python, script, {file})).array();
    ASSERT_EQ(rows.size(), 6);
    for (const QJsonValue& row : rows)
        EXPECT_EQ(row.toArray().size(), 4) << QJsonDocument(row.toArray()).toJson().toStdString();
    EXPECT_EQ(rows[1].toArray()[0].toString(), QStringLiteral("Ann & Bo"))
        << "belated yesterday, listed first";
    EXPECT_EQ(rows[3].toArray()[0].toString(), QStringLiteral("Jo \"JJ\" Smith"));
    EXPECT_EQ(rows[3].toArray()[1].toString(), QStringLiteral("Graduation, MSc"));
    EXPECT_EQ(rows[5].toArray()[0].toString(), QStringLiteral("Two Lines"));
}

TEST(ExportCsv, NamesLabelsAndNotesAreNeverReadAsFormulas)
{
    TempDir dir;
    add(dir,
        {QStringLiteral("--name"), QStringLiteral("=HYPERLINK(\"http://x.example\",\"Bo\")"),
            QStringLiteral("--date"), QStringLiteral("2000-03-02"), QStringLiteral("--notes"),
            QStringLiteral("\t=1+1")});
    add(dir,
        {QStringLiteral("--name"), QStringLiteral("+SUM(1)"), QStringLiteral("--date"),
            QStringLiteral("2000-03-03"), QStringLiteral("--type"), QStringLiteral("other"),
            QStringLiteral("--label"), QStringLiteral("@cmd"), QStringLiteral("--notes"),
            QStringLiteral("\r=2")});
    add(dir,
        {QStringLiteral("--name"), QStringLiteral("-2+3"), QStringLiteral("--date"),
            QStringLiteral("2000-03-04"), QStringLiteral("--notes"), QStringLiteral("a=b")});
    const CommandResult r =
        test::runFetemarkIn(dir, {QStringLiteral("export"), QStringLiteral("csv")}, March2027);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(),
        "\"Name\",\"Event\",\"Date\",\"Notes\"\n"
        "\"'=HYPERLINK(\"\"http://x.example\"\",\"\"Bo\"\")\",\"Birthday\",\"Mar 2, 2000\","
        "\"'\t=1+1\"\n"
        "\"'+SUM(1)\",\"'@cmd\",\"Mar 3, 2000\",\"' =2\"\n"
        "\"'-2+3\",\"Birthday\",\"Mar 4, 2000\",\"a=b\"\n");
}

TEST(ExportCsv, AnEmptyBookGivesTheHeaderOnly)
{
    TempDir dir;
    const CommandResult r =
        test::runFetemarkIn(dir, {QStringLiteral("export"), QStringLiteral("csv")}, March2027);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("\"Name\",\"Event\",\"Date\",\"Notes\"\n"));
}

TEST(ExportCsv, MailHandsTheFileToXdgEmail)
{
    TempDir dir;
    fill(dir);
    TempDir bin;
    const QString script = bin.file(QStringLiteral("xdg-email"));
    ASSERT_TRUE(test::writeFile(
        script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args.txt\"\n"));
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    test::RunOptions options = March2027;
    options.environment = {QStringLiteral("PATH=") + bin.path() + QStringLiteral(":/usr/bin:/bin")};
    const CommandResult r = test::runFetemarkIn(
        dir, {QStringLiteral("export"), QStringLiteral("csv"), QStringLiteral("--mail")}, options);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString attachment = QDir(dir.path()).filePath(QStringLiteral("Fetemark.csv"));
    const QStringList args =
        QString::fromUtf8(test::readFile(bin.file(QStringLiteral("args.txt")))).split(u'\n');
    EXPECT_EQ(args,
        (QStringList {QStringLiteral("--utf8"), QStringLiteral("--subject"),
            QStringLiteral("Fetemark Export"), QStringLiteral("--attach"), attachment, QString()}));
    EXPECT_TRUE(test::readFile(attachment).startsWith("\xFF\xFE"));
}

TEST(ExportCsv, WithoutAMailProgramTheFileIsKeptAndNamed)
{
    TempDir dir;
    fill(dir);
    TempDir emptyBin;
    test::RunOptions options = March2027;
    options.environment = {QStringLiteral("PATH=") + emptyBin.path()};
    const CommandResult r = test::runFetemarkIn(
        dir, {QStringLiteral("export"), QStringLiteral("csv"), QStringLiteral("--mail")}, options);
    EXPECT_EQ(r.exitCode, 1);
    const QString attachment = QDir(dir.path()).filePath(QStringLiteral("Fetemark.csv"));
    EXPECT_TRUE(r.err.contains(attachment)) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(attachment));
}

TEST(ExportCsv, AFileThatCannotBeWrittenIsRefused)
{
    TempDir dir;
    const CommandResult r2 = test::runFetemarkIn(dir,
        {QStringLiteral("export"), QStringLiteral("csv"), QStringLiteral("/proc/x.csv")},
        March2027);
    EXPECT_EQ(r2.exitCode, 1);
    EXPECT_TRUE(r2.err.startsWith(QStringLiteral("fetemark: cannot"))) << r2.err.toStdString();
    EXPECT_EQ(test::runFetemarkIn(dir, {QStringLiteral("export"), QStringLiteral("pdf")}, March2027)
                  .exitCode,
        2);
    EXPECT_EQ(
        test::runFetemarkIn(dir,
            {QStringLiteral("export"), QStringLiteral("ics"), QStringLiteral("--mail")}, March2027)
            .exitCode,
        2);
}

TEST(ExportCsv, AFullStandardOutputIsAnError)
{
    TempDir dir;
    fill(dir);
    for (const char* format : {"csv", "ics"}) {
        test::RunOptions full;
        full.standardOutputFile = QStringLiteral("/dev/full");
        const CommandResult r =
            test::runFetemarkIn(dir, {QStringLiteral("export"), QString::fromLatin1(format)}, full);
        EXPECT_EQ(r.exitCode, 1) << format;
        EXPECT_TRUE(r.err.contains(QStringLiteral("cannot write to standard output"))) << format;
    }
}

TEST(ExportIcs, CalendarProgramsReadEveryOccasion)
{
    const QString python = test::pythonWith("vobject");
    if (python.isEmpty())
        GTEST_SKIP() << "python3 with the vobject module is not installed";
    TempDir dir;
    fill(dir);
    const CommandResult choice =
        test::runFetemarkIn(dir, {QStringLiteral("--json"), QStringLiteral("list")}, March2027);
    QString grandma;
    for (const QJsonValue& group : QJsonDocument::fromJson(choice.out.toUtf8())
                                       .object()
                                       .value(QStringLiteral("groups"))
                                       .toArray()) {
        for (const QJsonValue& v : group.toObject().value(QStringLiteral("rows")).toArray()) {
            if (v.toObject().value(QStringLiteral("name")).toString() == QStringLiteral("Grandma"))
                grandma = v.toObject().value(QStringLiteral("id")).toString();
        }
    }
    ASSERT_EQ(
        test::runFetemarkIn(dir,
            {QStringLiteral("choice"), grandma, QStringLiteral("--alerts"), QStringLiteral("off")},
            March2027)
            .exitCode,
        0);
    ASSERT_EQ(test::runFetemarkIn(dir,
                  {QStringLiteral("settings"), QStringLiteral("set"),
                      QStringLiteral("alerttimehour"), QStringLiteral("9")},
                  March2027)
                  .exitCode,
        0);
    ASSERT_EQ(test::runFetemarkIn(dir,
                  {QStringLiteral("settings"), QStringLiteral("set"),
                      QStringLiteral("alerttimeminute"), QStringLiteral("30")},
                  March2027)
                  .exitCode,
        0);

    const QString file = dir.file(QStringLiteral("out.ics"));
    ASSERT_EQ(
        test::runFetemarkIn(dir, {QStringLiteral("export"), QStringLiteral("ics"), file}, March2027)
            .exitCode,
        0);
    const char* script = R"(
import datetime, json, sys, vobject
cal = vobject.readOne(open(sys.argv[1], encoding='utf-8').read())
out = []
for ev in cal.vevent_list:
    item = {'summary': ev.summary.value, 'uid': ev.uid.value, 'start': ev.dtstart.value.isoformat(),
            'end': ev.dtend.value.isoformat(),
            'alarms': [str(a.trigger.value) for a in getattr(ev, 'valarm_list', [])],
            'description': ev.description.value if hasattr(ev, 'description') else None}
    if hasattr(ev, 'rrule'):
        rule = ev.getrruleset()
        start = datetime.datetime(2027, 1, 1)
        item['next'] = [d.date().isoformat() for d in list(rule.between(start, datetime.datetime(2031, 1, 1)))[:4]]
    out.append(item)
print(json.dumps(out))
)";
    const QJsonArray events =
        QJsonDocument::fromJson(test::runPython(python, script, {file})).array();
    ASSERT_EQ(events.size(), 5);
    QHash<QString, QJsonObject> bySummary;
    for (const QJsonValue& v : events)
        bySummary.insert(v.toObject().value(QStringLiteral("summary")).toString(), v.toObject());

    const QJsonObject anna = bySummary.value(QStringLiteral("Anna Berg's Birthday"));
    ASSERT_FALSE(anna.isEmpty()) << QJsonDocument(events).toJson().toStdString();
    EXPECT_EQ(anna.value(QStringLiteral("start")).toString(), QStringLiteral("2027-03-15"))
        << "no year: the next one";
    EXPECT_EQ(anna.value(QStringLiteral("end")).toString(), QStringLiteral("2027-03-16"));
    EXPECT_EQ(
        anna.value(QStringLiteral("alarms")).toArray(), QJsonArray {QStringLiteral("9:30:00")});

    const QJsonObject grandmaEvent = bySummary.value(QStringLiteral("Grandma's Birthday"));
    EXPECT_EQ(grandmaEvent.value(QStringLiteral("start")).toString(), QStringLiteral("1940-03-04"));
    EXPECT_TRUE(grandmaEvent.value(QStringLiteral("alarms")).toArray().isEmpty())
        << "alerts are off";
    EXPECT_EQ(grandmaEvent.value(QStringLiteral("description")).toString(),
        QStringLiteral("Likes tulips\nand jam"));
    EXPECT_EQ(grandmaEvent.value(QStringLiteral("next")).toArray().first().toString(),
        QStringLiteral("2027-03-04"));

    // 29 February comes round every year, on the 28th in common years.
    const QJsonObject leap = bySummary.value(QStringLiteral("Ann & Bo's Anniversary"));
    EXPECT_EQ(leap.value(QStringLiteral("next")).toArray(),
        (QJsonArray {QStringLiteral("2027-02-28"), QStringLiteral("2028-02-29"),
            QStringLiteral("2029-02-28"), QStringLiteral("2030-02-28")}));

    EXPECT_TRUE(bySummary.contains(QStringLiteral("Jo \"JJ\" Smith's Graduation, MSc")));
    const QJsonObject once = bySummary.value(QStringLiteral("Two\nLines's Other"));
    ASSERT_FALSE(once.isEmpty()) << QJsonDocument(events).toJson().toStdString();
    EXPECT_FALSE(once.contains(QStringLiteral("next"))) << "a one-time entry does not recur";
    EXPECT_EQ(once.value(QStringLiteral("start")).toString(), QStringLiteral("2027-12-24"));

    // A later export names the same occasions by the same UIDs.
    add(dir,
        {QStringLiteral("--name"), QStringLiteral("Newcomer"), QStringLiteral("--date"),
            QStringLiteral("1999-09-09")});
    const QString again = dir.file(QStringLiteral("again.ics"));
    ASSERT_EQ(test::runFetemarkIn(
                  dir, {QStringLiteral("export"), QStringLiteral("ics"), again}, March2027)
                  .exitCode,
        0);
    const QJsonArray later =
        QJsonDocument::fromJson(test::runPython(python, script, {again})).array();
    ASSERT_EQ(later.size(), 6);
    QSet<QString> uids;
    for (const QJsonValue& v : later)
        uids.insert(v.toObject().value(QStringLiteral("uid")).toString());
    for (const QJsonValue& v : events)
        EXPECT_TRUE(uids.contains(v.toObject().value(QStringLiteral("uid")).toString()));
}

TEST(Show, OneOccasionWithPhraseFunFactsAndNotes)
{
    TempDir dir;
    fill(dir);
    const QString id = add(dir,
        {QStringLiteral("--name"), QStringLiteral("Mia"), QStringLiteral("--date"),
            QStringLiteral("1997-03-21"), QStringLiteral("--notes"), QStringLiteral("Books")});
    const CommandResult r =
        test::runFetemarkIn(dir, {QStringLiteral("--json"), QStringLiteral("show"), id}, March2027);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(json.value(QStringLiteral("detailedText")).toString(),
        QStringLiteral("Turning 30 in 3 weeks"));
    EXPECT_EQ(json.value(QStringLiteral("age")).toInt(), 30);
    EXPECT_EQ(json.value(QStringLiteral("dateText")).toString(), QStringLiteral("Mar 21"));
    EXPECT_EQ(
        json.value(QStringLiteral("longDateText")).toString(), QStringLiteral("Sunday, March 21"));
    EXPECT_EQ(json.value(QStringLiteral("funFacts")).toString(),
        QStringLiteral("Zodiac Sign: Aries\nBirthstone: Aquamarine, Bloodstone"));
    EXPECT_EQ(json.value(QStringLiteral("notes")).toString(), QStringLiteral("Books"));

    const CommandResult text = test::runFetemarkIn(dir, {QStringLiteral("show"), id}, March2027);
    EXPECT_TRUE(text.out.contains(QStringLiteral("Turning 30 in 3 weeks")))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(QStringLiteral("Zodiac Sign: Aries")));

    // German: texts, ordinals and fun facts in the interface language.
    const CommandResult german = test::runFetemark({QStringLiteral("--data-dir"), dir.path(),
        QStringLiteral("--now"), QStringLiteral("2027-03-01"), QStringLiteral("--tz"),
        QStringLiteral("Europe/Berlin"), QStringLiteral("--locale"), QStringLiteral("de_DE"),
        QStringLiteral("--json"), QStringLiteral("show"), id});
    const QJsonObject de = QJsonDocument::fromJson(german.out.toUtf8()).object();
    EXPECT_EQ(de.value(QStringLiteral("dateText")).toString(), QStringLiteral("21. März"));
    EXPECT_TRUE(de.value(QStringLiteral("funFacts")).toString().contains(QStringLiteral("Widder")))
        << de.value(QStringLiteral("funFacts")).toString().toStdString();

    EXPECT_EQ(
        test::runFetemarkIn(dir, {QStringLiteral("show"), QStringLiteral("custom-nope")}, March2027)
            .exitCode,
        1);
    EXPECT_EQ(test::runFetemarkIn(dir, {QStringLiteral("show")}, March2027).exitCode, 2);
}
