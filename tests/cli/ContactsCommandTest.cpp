// `fetemark contacts`, driven as a separate process on real files.
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace fetemark;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

QJsonArray people(const TempDir& dir)
{
    const CommandResult r = test::runFetemarkIn(
        dir, {QStringLiteral("--json"), QStringLiteral("contacts"), QStringLiteral("list")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QJsonDocument::fromJson(r.out.toUtf8()).array();
}

const QByteArray twoPeople =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna;;;\r\nFN:Anna Berg\r\nUID:anna-1\r\n"
    "BDAY:1990-03-05\r\nitem1.X-ABDATE;X-APPLE-OMIT-YEAR=1604:1604-02-29\r\nitem1.X-ABLabel:Name "
    "day\r\n"
    "CATEGORIES:Family\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Okafor;Chidi;;;\r\nFN:Chidi Okafor\r\nUID:chidi-1\r\n"
    "BDAY:--0711\r\nANNIVERSARY:20150620\r\nEND:VCARD\r\n";

} // namespace

TEST(ContactsCommand, ImportPrintsThePeopleAddedAndListShowsThem)
{
    TempDir dir;
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("people.vcf")), twoPeople));
    const CommandResult r = test::runFetemarkIn(dir,
        {QStringLiteral("contacts"), QStringLiteral("import"),
            dir.file(QStringLiteral("people.vcf"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("2\n"));

    const QJsonArray list = people(dir);
    ASSERT_EQ(list.size(), 2);
    const QJsonObject anna = list[0].toObject();
    EXPECT_EQ(anna[QStringLiteral("name")].toString(), QStringLiteral("Anna Berg"));
    EXPECT_EQ(anna[QStringLiteral("birthday")].toString(), QStringLiteral("1990-03-05"));
    EXPECT_EQ(
        anna[QStringLiteral("dates")].toArray()[0].toObject()[QStringLiteral("value")].toString(),
        QStringLiteral("--02-29"));
    EXPECT_EQ(
        anna[QStringLiteral("dates")].toArray()[0].toObject()[QStringLiteral("label")].toString(),
        QStringLiteral("Name day"));
    EXPECT_EQ(anna[QStringLiteral("groups")].toArray()[0].toString(), QStringLiteral("Family"));
    const QJsonObject chidi = list[1].toObject();
    EXPECT_EQ(chidi[QStringLiteral("birthday")].toString(), QStringLiteral("--07-11"));
    EXPECT_EQ(
        chidi[QStringLiteral("dates")].toArray()[0].toObject()[QStringLiteral("label")].toString(),
        QStringLiteral("_$!<Anniversary>!$_"));

    const CommandResult text =
        test::runFetemarkIn(dir, {QStringLiteral("contacts"), QStringLiteral("list")});
    EXPECT_TRUE(
        text.out.contains(QStringLiteral("Chidi Okafor\tbirthday --07-11\tanniversary 2015-06-20")))
        << text.out.toStdString();
}

TEST(ContactsCommand, ImportingTheSameCardsAgainUpdatesInsteadOfAdding)
{
    TempDir dir;
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("people.vcf")), twoPeople));
    ASSERT_EQ(test::runFetemarkIn(dir,
                  {QStringLiteral("contacts"), QStringLiteral("import"),
                      dir.file(QStringLiteral("people.vcf"))})
                  .exitCode,
        0);
    QByteArray changed = twoPeople;
    changed.replace("BDAY:1990-03-05", "BDAY:1991-04-06");
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("people.vcf")), changed));
    const CommandResult again = test::runFetemarkIn(dir,
        {QStringLiteral("contacts"), QStringLiteral("import"),
            dir.file(QStringLiteral("people.vcf"))});
    ASSERT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.out, QStringLiteral("0\n"));
    const QJsonArray list = people(dir);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(
        list[0].toObject()[QStringLiteral("birthday")].toString(), QStringLiteral("1991-04-06"));
}

TEST(ContactsCommand, AMalformedCardIsReportedAndTheOthersImported)
{
    TempDir dir;
    const QByteArray file =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Good;One;;;\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nthis line has no colon\r\nN:Bad;Two;;;\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Good;Three;;;\r\nEND:VCARD\r\n";
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("mixed.vcf")), file));
    const CommandResult r = test::runFetemarkIn(dir,
        {QStringLiteral("contacts"), QStringLiteral("import"),
            dir.file(QStringLiteral("mixed.vcf"))});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("2\n"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("mixed.vcf: card 2 (line 5)")))
        << r.err.toStdString();
    EXPECT_EQ(people(dir).size(), 2);
}

TEST(ContactsCommand, AMissingFileImportsNothingFromTheOthers)
{
    TempDir dir;
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("people.vcf")), twoPeople));
    const CommandResult r = test::runFetemarkIn(dir,
        {QStringLiteral("contacts"), QStringLiteral("import"),
            dir.file(QStringLiteral("people.vcf")), dir.file(QStringLiteral("missing.vcf"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("missing.vcf"))) << r.err.toStdString();
    EXPECT_EQ(people(dir).size(), 0);
}

TEST(ContactsCommand, ExportedCardsImportIntoAnotherBookUnchanged)
{
    TempDir first, second;
    ASSERT_TRUE(test::writeFile(first.file(QStringLiteral("people.vcf")), twoPeople));
    ASSERT_EQ(test::runFetemarkIn(first,
                  {QStringLiteral("contacts"), QStringLiteral("import"),
                      first.file(QStringLiteral("people.vcf"))})
                  .exitCode,
        0);
    ASSERT_EQ(test::runFetemarkIn(first,
                  {QStringLiteral("contacts"), QStringLiteral("export"),
                      first.file(QStringLiteral("out.vcf"))})
                  .exitCode,
        0);
    const CommandResult toStdout =
        test::runFetemarkIn(first, {QStringLiteral("contacts"), QStringLiteral("export")});
    EXPECT_EQ(toStdout.out.toUtf8(), test::readFile(first.file(QStringLiteral("out.vcf"))));
    EXPECT_TRUE(toStdout.out.startsWith(QStringLiteral("BEGIN:VCARD\r\nVERSION:4.0\r\n")));

    ASSERT_EQ(test::runFetemarkIn(second,
                  {QStringLiteral("contacts"), QStringLiteral("import"),
                      first.file(QStringLiteral("out.vcf"))})
                  .exitCode,
        0);
    EXPECT_EQ(people(second), people(first));
}

TEST(ContactsCommand, UsageErrors)
{
    TempDir dir;
    for (const QStringList& args : {QStringList {QStringLiteral("contacts")},
             QStringList {QStringLiteral("contacts"), QStringLiteral("import")},
             QStringList {
                 QStringLiteral("contacts"), QStringLiteral("list"), QStringLiteral("extra")}}) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(test::runFetemarkIn(dir, args).exitCode, 2);
    }
}

TEST(ContactsCommand, ADamagedAddressBookIsRefusedAndLeftAsItIs)
{
    TempDir dir;
    const QByteArray garbage(
        "SQLite format 3\0 but then nothing sensible at all, over and over", 64);
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("AddressBook.sqlite")), garbage));
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("people.vcf")), twoPeople));
    for (const QStringList& args :
        {QStringList {QStringLiteral("contacts"), QStringLiteral("list")},
            QStringList {QStringLiteral("contacts"), QStringLiteral("import"),
                dir.file(QStringLiteral("people.vcf"))}}) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const CommandResult r = test::runFetemarkIn(dir, args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("AddressBook.sqlite"))) << r.err.toStdString();
        EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();
    }
    EXPECT_EQ(test::readFile(dir.file(QStringLiteral("AddressBook.sqlite"))), garbage);
}
