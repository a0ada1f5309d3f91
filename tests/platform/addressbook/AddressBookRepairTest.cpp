// Checking address books for damage and recovering damaged ones, on real files damaged
// the way a failing disk damages them.
#include "platform/addressbook/AddressBookRepair.h"
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"
#include "support/BookDamage.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <map>

namespace fetemark {
namespace {

using namespace Qt::StringLiterals;

constexpr int People = 300;

class AddressBookRepairTest : public testing::Test {
protected:
    test::TempDir dir;
    QString path = dir.file(u"AddressBook.sqlite"_s);

    // Fills the book; its people by record id, as they were before any damage.
    std::map<std::int32_t, Person> fill()
    {
        auto book = AddressBook::create(path);
        EXPECT_EQ(SyntheticContacts::fill(*book, {People, 3, 4}), People);
        // A removed person: its id must stay used after recovery.
        EXPECT_TRUE(book->removePerson(People) && book->save());
        std::map<std::int32_t, Person> people;
        for (const Person& p : book->allPeople())
            people.emplace(p.recordID, p);
        return people;
    }
    std::string files() const
    {
        return QDir(dir.path())
            .entryList(QDir::Files | QDir::Hidden, QDir::Name)
            .join(u" "_s)
            .toStdString();
    }
};

struct CheckRow {
    std::string name;
    std::function<void(const QString& path)> damage;
    const char* problem; // "" when the book is sound
};

class AddressBookCheck : public AddressBookRepairTest,
                         public testing::WithParamInterface<CheckRow> { };

TEST_P(AddressBookCheck, FindsEachKindOfDamage)
{
    fill();
    GetParam().damage(path);
    const QByteArray before = test::readFile(path);
    const auto result = AddressBookRepair::check(path);
    EXPECT_TRUE(result.found);
    const QString problems = result.problems.join(u"\n"_s);
    if (*GetParam().problem == 0)
        EXPECT_TRUE(result.problems.isEmpty()) << problems.toStdString();
    else
        EXPECT_TRUE(problems.contains(QLatin1StringView(GetParam().problem)))
            << problems.toStdString();
    EXPECT_EQ(test::readFile(path), before);
}

INSTANTIATE_TEST_SUITE_P(AddressBookRepairs, AddressBookCheck,
    testing::Values(CheckRow {"Sound", [](const QString&) {}, ""},
        CheckRow {"PeopleLeafPage",
            [](const QString& p) { test::overwritePage(p, test::middleLeafPageOf(p, "people")); },
            "malformed"},
        CheckRow {
            "PageSizeBit", [](const QString& p) { test::flipBit(p, 16, 0); }, "not a database"},
        CheckRow {"ValuesOfNobody",
            [](const QString& p) {
                sqlite3* db = nullptr;
                sqlite3_open(p.toUtf8().constData(), &db);
                sqlite3_exec(db,
                    "INSERT INTO person_values (person_id, kind, position, value) VALUES (9999, "
                    "'phone', 0, '1')",
                    nullptr, nullptr, nullptr);
                sqlite3_close(db);
            },
            "person_values"}),
    test::RowName());

TEST_F(AddressBookRepairTest, CheckFindsNoBookWhereThereIsNone)
{
    EXPECT_FALSE(AddressBookRepair::check(path).found);
    EXPECT_FALSE(QFileInfo::exists(path));
}

// What can be read comes back with its record ids and every value; the rows on the
// damaged page are missing; the damaged file is kept byte for byte beside the new one.
TEST_F(AddressBookRepairTest, RecoversWhatCanBeReadAndKeepsTheDamagedFile)
{
    const auto before = fill();
    test::overwritePage(path, test::middleLeafPageOf(path, "people"));
    const QByteArray damaged = test::readFile(path);
    QString error;
    const auto recovery =
        AddressBookRepair::recover(path, test::utc("2026-03-05T12:34:56Z"), &error);
    ASSERT_TRUE(recovery) << error.toStdString();
    EXPECT_EQ(recovery->damagedCopy, path + u".damaged-20260305-123456"_s);
    EXPECT_EQ(test::readFile(recovery->damagedCopy), damaged);
    EXPECT_TRUE(AddressBookRepair::check(path).problems.isEmpty());
    struct stat info { };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    auto book = AddressBook::create(path);
    ASSERT_TRUE(book);
    const auto people = book->allPeople();
    EXPECT_EQ(int(people.size()), recovery->people);
    EXPECT_GT(recovery->people, People / 2);
    EXPECT_LT(recovery->people, People - 1);
    for (const Person& p : people) {
        const auto was = before.find(p.recordID);
        ASSERT_NE(was, before.end()) << p.recordID;
        EXPECT_TRUE(p == was->second) << p.recordID;
        EXPECT_EQ(book->imageData(p.recordID).isEmpty(), !p.hasImage);
    }
    EXPECT_EQ(recovery->groups, int(book->allGroups().size()));
    EXPECT_GT(recovery->groups, 0);
    EXPECT_GT(book->addPerson({}), People);
}

// Nothing of a file with a damaged header can be read: an empty book takes its place,
// and recovering twice in the same second keeps both damaged files.
TEST_F(AddressBookRepairTest, UnreadableHeaderGivesAnEmptyBookAndNamesStayFree)
{
    fill();
    test::flipBit(path, 16, 0);
    const QDateTime now = test::utc("2026-03-05T12:00:00Z");
    QString error;
    const auto first = AddressBookRepair::recover(path, now, &error);
    ASSERT_TRUE(first) << error.toStdString();
    EXPECT_EQ(first->people, 0);
    test::flipBit(path, 16, 0);
    const auto second = AddressBookRepair::recover(path, now, &error);
    ASSERT_TRUE(second) << error.toStdString();
    EXPECT_EQ(second->damagedCopy, first->damagedCopy + u"-2"_s);
    // The side files SQLite made while reading went with each damaged book.
    EXPECT_EQ(files(),
        "AddressBook.sqlite AddressBook.sqlite.damaged-20260305-120000 "
        "AddressBook.sqlite.damaged-20260305-120000-2 "
        "AddressBook.sqlite.damaged-20260305-120000-2-shm "
        "AddressBook.sqlite.damaged-20260305-120000-2-wal "
        "AddressBook.sqlite.damaged-20260305-120000-shm "
        "AddressBook.sqlite.damaged-20260305-120000-wal");
}

TEST_F(AddressBookRepairTest, AnotherApplicationsDatabaseIsLeftAlone)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(
        db, "PRAGMA application_id = 1234; CREATE TABLE t (x);", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const QByteArray before = test::readFile(path);
    QString error;
    EXPECT_FALSE(AddressBookRepair::recover(path, test::utc("2026-03-05T12:00:00Z"), &error));
    EXPECT_TRUE(error.contains(u"another application"_s)) << error.toStdString();
    EXPECT_EQ(test::readFile(path), before);
    EXPECT_EQ(files(), "AddressBook.sqlite");
}

} // namespace
} // namespace fetemark
