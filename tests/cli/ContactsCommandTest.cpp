// `fetemark contacts`, driven as a separate process on real files.
#include "cli/ContactsCommand.h"
#include "platform/addressbook/AddressBook.h"
#include "support/BookDamage.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include <sys/stat.h>
#include <unistd.h>

using namespace fetemark;
using namespace Qt::StringLiterals;
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
    EXPECT_EQ(r.out, QStringLiteral("2 added, 0 updated, 0 skipped\n"));
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();

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
    EXPECT_EQ(again.out, QStringLiteral("0 added, 2 updated, 0 skipped\n"));
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
    // Only the bad line is left out: the card around it is imported.
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("3 added, 0 updated, 0 skipped\n"));
    EXPECT_TRUE(r.err.contains(QStringLiteral(
        "mixed.vcf: card 2 (line 7): the line is not a property (it has no ':') and was left out")))
        << r.err.toStdString();
    EXPECT_EQ(people(dir).size(), 3);
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

TEST(ContactsCommand, AFileWithNothingUsableIsRefused)
{
    const std::pair<const char*, QByteArray> inputs[] = {{"empty.vcf", QByteArray()},
        {"random.vcf", QByteArray("\x8f\x01\xffnot a card at all\x00\x13", 22)},
        {"bad.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nno colon here\r\nEND:VCARD\r\n"}};
    for (const auto& [name, bytes] : inputs) {
        TempDir dir;
        const QString path = dir.file(QString::fromLatin1(name));
        ASSERT_TRUE(test::writeFile(path, bytes));
        const CommandResult r =
            test::runFetemarkIn(dir, {QStringLiteral("contacts"), QStringLiteral("import"), path});
        EXPECT_EQ(r.exitCode, 1) << name;
        EXPECT_TRUE(r.out.isEmpty()) << name << ": " << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("nothing was imported"))) << r.err.toStdString();
        // What concerns the whole file names no line.
        EXPECT_FALSE(r.err.contains(QStringLiteral("line 0"))) << r.err.toStdString();
    }
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

QJsonObject importJson(const TempDir& dir, const QString& path)
{
    const CommandResult r =
        test::runFetemarkIn(dir, {u"--json"_s, u"contacts"_s, u"import"_s, path});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

std::vector<std::string> sampleCardFiles()
{
    std::vector<std::string> files;
    for (const QString& name : QDir(QStringLiteral(FETEMARK_TEST_DATA_DIR "/vcards"))
                                   .entryList({u"*.vcf"_s}, QDir::Files, QDir::Name))
        files.push_back(name.toStdString());
    return files;
}

class ContactsReimport : public testing::TestWithParam<std::string> { };

// Each sample file imported twice, then exported and imported back into the same book:
// nobody is added a second time, and the round trip changes nobody.
TEST_P(ContactsReimport, AddsNobodyTwice)
{
    TempDir dir;
    const QString file =
        QStringLiteral(FETEMARK_TEST_DATA_DIR "/vcards/") + QString::fromStdString(GetParam());
    const QJsonObject first = importJson(dir, file);
    const QJsonArray imported = people(dir);
    ASSERT_GT(imported.size(), 0);
    EXPECT_EQ(first[u"added"_s].toInt(), imported.size());

    const QJsonObject second = importJson(dir, file);
    EXPECT_EQ(second[u"added"_s].toInt(), 0);
    EXPECT_EQ(second[u"updated"_s].toInt(), imported.size());
    EXPECT_EQ(second[u"skipped"_s].toInt(), first[u"skipped"_s].toInt());
    EXPECT_EQ(people(dir), imported);

    const QString exported = dir.file(u"export.vcf"_s);
    ASSERT_EQ(test::runFetemarkIn(dir, {u"contacts"_s, u"export"_s, exported}).exitCode, 0);
    EXPECT_EQ(test::readFile(exported).count("\r\nUID:"), imported.size());
    const QJsonObject back = importJson(dir, exported);
    EXPECT_EQ(back[u"added"_s].toInt(), 0);
    EXPECT_EQ(back[u"updated"_s].toInt(), imported.size());
    EXPECT_EQ(people(dir), imported);
}

INSTANTIATE_TEST_SUITE_P(Samples, ContactsReimport, testing::ValuesIn(sampleCardFiles()),
    [](const testing::TestParamInfo<std::string>& info) {
        std::string name = info.param;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
        return name;
    });

// People stored without a uid (by an earlier version) are exported with one the export
// does not store, and importing that export updates them instead of adding them again.
TEST(ContactsCommand, PeopleStoredWithoutUidComeBackToThemselves)
{
    TempDir dir;
    const QString bookFile = dir.file(u"AddressBook.sqlite"_s);
    {
        auto book = AddressBook::create(bookFile);
        ASSERT_NE(book, nullptr);
        Person anna;
        anna.firstName = u"Anna"_s;
        anna.birthday = QDate(1990, 3, 5);
        Person twin = anna;
        ASSERT_GE(book->addPerson(anna), 0);
        ASSERT_GE(book->addPerson(twin), 0);
        ASSERT_TRUE(book->save());
    }
    const QByteArray before = test::readFile(bookFile);
    const CommandResult exported = test::runFetemarkIn(dir, {u"contacts"_s, u"export"_s});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_EQ(test::readFile(bookFile), before) << "an export writes nothing";
    EXPECT_EQ(exported.out.count(u"\r\nUID:urn:uuid:"_s), 2) << exported.out.toStdString();

    ASSERT_TRUE(test::writeFile(dir.file(u"out.vcf"_s), exported.out.toUtf8()));
    const QJsonObject back = importJson(dir, dir.file(u"out.vcf"_s));
    EXPECT_EQ(back[u"added"_s].toInt(), 0);
    EXPECT_EQ(back[u"updated"_s].toInt(), 2);
    EXPECT_EQ(test::runFetemarkIn(dir, {u"contacts"_s, u"export"_s}).out, exported.out)
        << "the uids the export gave are the ones stored";
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

// ---- A damaged book ---------------------------------------------------------------------

namespace {

const QString Book = u"AddressBook.sqlite"_s;

CommandResult contacts(
    const TempDir& dir, const QStringList& args, const test::RunOptions& options = {})
{
    return test::runFetemarkIn(dir, QStringList {u"contacts"_s} + args, options);
}

struct DamageRow {
    std::string name;
    test::Damage damage;
};

class ContactsDamagedBook : public testing::TestWithParam<DamageRow> { };

} // namespace

// Every subcommand that meets the damage fails with one line and changes nothing; recover
// keeps the damaged file and leaves a sound book behind.
TEST_P(ContactsDamagedBook, EveryCommandReportsItThenRecoverRepairs)
{
    TempDir dir;
    test::filledBook(dir.file(Book), 300);
    test::damage(dir.file(Book), GetParam().damage);
    const QByteArray damaged = test::readFile(dir.file(Book));
    ASSERT_TRUE(test::writeFile(dir.file(u"people.vcf"_s), twoPeople));
    const QStringList failing[] = {{u"list"_s}, {u"export"_s, dir.file(u"out.vcf"_s)},
        {u"import"_s, dir.file(u"people.vcf"_s)}, {u"check"_s}};
    for (const QStringList& args : failing) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const CommandResult r = contacts(dir, args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(u"damaged"_s) && r.err.contains(Book)) << r.err.toStdString();
        EXPECT_EQ(r.err.count(u'\n'), 1) << r.err.toStdString();
        if (args[0] != u"check"_s) {
            EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        }
    }
    EXPECT_FALSE(QFileInfo::exists(dir.file(u"out.vcf"_s)));
    EXPECT_EQ(test::readFile(dir.file(Book)), damaged);

    const CommandResult recovered =
        contacts(dir, {u"recover"_s}, test::RunOptions("2026-03-05T12:00", "UTC"));
    EXPECT_EQ(recovered.exitCode, 0) << recovered.err.toStdString();
    EXPECT_EQ(recovered.out.startsWith(u"Recovered 0 people"_s),
        GetParam().damage == test::Damage::PageSizeBit)
        << recovered.out.toStdString();
    EXPECT_EQ(test::readFile(dir.file(Book + u".damaged-20260305-120000"_s)), damaged);
    EXPECT_EQ(contacts(dir, {u"check"_s}).exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(ContactsDamage, ContactsDamagedBook,
    testing::Values(DamageRow {"PeoplePage", test::Damage::PeopleLeaf},
        DamageRow {"HeaderBit", test::Damage::PageSizeBit}),
    test::RowName());

TEST(ContactsCommand, SoundOrMissingBookChecksAndRecoversToNothing)
{
    TempDir dir;
    EXPECT_EQ(contacts(dir, {u"check"_s}).exitCode, 0);
    EXPECT_FALSE(QFileInfo::exists(dir.file(Book)));
    test::filledBook(dir.file(Book), 3);
    const QByteArray sound = test::readFile(dir.file(Book));
    const CommandResult checked = contacts(dir, {u"check"_s});
    EXPECT_EQ(checked.exitCode, 0) << checked.err.toStdString();
    EXPECT_TRUE(checked.out.startsWith(u"ok"_s)) << checked.out.toStdString();
    const CommandResult r = contacts(dir, {u"recover"_s});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"nothing to recover"_s)) << r.out.toStdString();
    EXPECT_EQ(test::readFile(dir.file(Book)), sound);
    EXPECT_EQ(QDir(dir.path()).entryList({u"*.damaged-*"_s}, QDir::Files).size(), 0);
}

namespace {

// `fetemark contacts` run as user nobody: root may write anywhere.
CommandResult contactsAsNobody(const TempDir& dir, const char* sub)
{
    QProcess process;
    process.start(u"setpriv"_s,
        {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, u"--reset-env"_s,
            QStringLiteral(FETEMARK_BINARY), u"--data-dir"_s, dir.path(), u"contacts"_s,
            QString::fromLatin1(sub)});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError())};
}

struct ReadOnlyRow {
    std::string name;
    unsigned folderMode;
    bool folderOwnedByNobody;
};

class ContactsReadOnlyBook : public testing::TestWithParam<ReadOnlyRow> { };

} // namespace

// A book at 0444, in a folder the user may write to or in one nobody may: both are listed
// and exported, and neither is changed.
TEST_P(ContactsReadOnlyBook, IsListedAndExportedUnchanged)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run fetemark as another user";
    TempDir dir;
    test::filledBook(dir.file(Book), 5);
    const QByteArray folder = QFile::encodeName(dir.path());
    ASSERT_EQ(::chmod(QFile::encodeName(dir.file(Book)).constData(), 0444), 0);
    if (GetParam().folderOwnedByNobody) {
        ASSERT_EQ(::chown(folder.constData(), 65534, 65534), 0);
    }
    ASSERT_EQ(::chmod(folder.constData(), GetParam().folderMode), 0);
    const auto restore = qScopeGuard([&folder] { ::chmod(folder.constData(), 0700); });
    const QByteArray before = test::readFile(dir.file(Book));
    using Run = std::pair<const char*, const char*>; // a subcommand, what it prints per person
    for (const auto& [sub, perPerson] : {Run {"list", "\n"}, Run {"export", "BEGIN:VCARD"}}) {
        const CommandResult r = contactsAsNobody(dir, sub);
        if (r.exitCode == -1)
            GTEST_SKIP() << "setpriv cannot run here";
        EXPECT_EQ(r.exitCode, 0) << sub << ": " << r.err.toStdString();
        EXPECT_EQ(r.out.count(QLatin1String(perPerson)), 5) << sub << ": " << r.out.toStdString();
        // The stores beside the book are not this test's business.
        EXPECT_FALSE(r.err.contains(Book)) << sub << ": " << r.err.toStdString();
    }
    EXPECT_EQ(test::readFile(dir.file(Book)), before);
}

INSTANTIATE_TEST_SUITE_P(ContactsReadOnly, ContactsReadOnlyBook,
    testing::Values(
        ReadOnlyRow {"ReadOnlyFile", 0755, true}, ReadOnlyRow {"ReadOnlyFolder", 0555, false}),
    test::RowName());

// Only the subcommands that change the book may open it for writing.
TEST(ContactsCommand, WritesOnlyToImportAndRecover)
{
    const cli::ContactsCommand command;
    for (const char* sub : {"import", "recover"})
        EXPECT_EQ(command.dataAccess({QString::fromLatin1(sub)}), DataAccess::ReadWrite) << sub;
    for (const char* sub : {"list", "export", "check", "unknown"})
        EXPECT_EQ(command.dataAccess({QString::fromLatin1(sub)}), DataAccess::ReadOnly) << sub;
}
