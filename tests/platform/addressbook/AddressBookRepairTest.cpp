// Checking address books for damage and recovering damaged ones, on real files. How the
// command reports damage that SQLite finds is tested with `fetemark contacts`.
#include "platform/addressbook/AddressBookRepair.h"
#include "platform/addressbook/AddressBook.h"
#include "support/BookDamage.h"
#include "support/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

#include <map>

namespace fetemark {
namespace {

using namespace Qt::StringLiterals;

constexpr int People = 300;

class AddressBookRepairTest : public testing::Test {
protected:
    test::TempDir dir;
    QString path = dir.file(u"AddressBook.sqlite"_s);

    std::string files() const
    {
        return QDir(dir.path())
            .entryList(QDir::Files | QDir::Hidden, QDir::Name)
            .join(u" "_s)
            .toStdString();
    }
    void runSql(const char* sql) const
    {
        sqlite3* db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        sqlite3_close(db);
    }
};

TEST_F(AddressBookRepairTest, CheckFindsValuesOfNobody)
{
    test::filledBook(path, 3);
    runSql("INSERT INTO person_values (person_id, kind, position, value) "
           "VALUES (9999, 'phone', 0, '1')");
    const auto result = AddressBookRepair::check(path);
    EXPECT_TRUE(result.found);
    EXPECT_TRUE(result.problems.join(u"\n"_s).contains(u"person_values"_s))
        << result.problems.join(u"\n"_s).toStdString();
}

// The rows on the damaged page are lost; the others come back with their record ids and
// every value, and the removed person's id stays used. A second recovery in the same second
// keeps both damaged files, each with its side files.
TEST_F(AddressBookRepairTest, RecoversWhatCanBeReadAndKeepsTheDamagedFiles)
{
    std::map<std::int32_t, Person> before;
    {
        auto book = test::filledBook(path, People);
        ASSERT_TRUE(book->removePerson(People) && book->save());
        for (const Person& p : book->allPeople())
            before.emplace(p.recordID, p);
    }
    test::damage(path, test::Damage::PeopleLeaf);
    const QByteArray damaged = test::readFile(path);
    const QDateTime now = test::utc("2026-03-05T12:34:56Z");
    QString error;
    const auto recovery = AddressBookRepair::recover(path, now, &error);
    ASSERT_TRUE(recovery) << error.toStdString();
    EXPECT_EQ(recovery->damagedCopy, path + u".damaged-20260305-123456"_s);
    EXPECT_EQ(test::readFile(recovery->damagedCopy), damaged);
    EXPECT_TRUE(AddressBookRepair::check(path).problems.isEmpty());
    EXPECT_EQ(test::modeOf(path), 0600u);
    {
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
    test::damage(path, test::Damage::PageSizeBit);
    const auto second = AddressBookRepair::recover(path, now, &error);
    ASSERT_TRUE(second) << error.toStdString();
    EXPECT_EQ(second->damagedCopy, recovery->damagedCopy + u"-2"_s);
    const std::string copy = " AddressBook.sqlite.damaged-20260305-123456";
    EXPECT_EQ(files(),
        "AddressBook.sqlite" + copy + copy + "-2" + copy + "-2-shm" + copy + "-2-wal" + copy +
            "-shm" + copy + "-wal");
}

TEST_F(AddressBookRepairTest, AnotherApplicationsDatabaseIsLeftAlone)
{
    runSql("PRAGMA application_id = 1234; CREATE TABLE t (x);");
    const QByteArray before = test::readFile(path);
    QString error;
    EXPECT_FALSE(AddressBookRepair::recover(path, test::utc("2026-03-05T12:00:00Z"), &error));
    EXPECT_TRUE(error.contains(u"another application"_s)) << error.toStdString();
    EXPECT_EQ(test::readFile(path), before);
    EXPECT_EQ(files(), "AddressBook.sqlite");
}

} // namespace
} // namespace fetemark
