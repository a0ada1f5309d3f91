// The address book when its file fails it: damaged pages and headers are reported, never
// read as an empty book; read-only handles write nothing; new files are private; a full
// disk is named.
#include "platform/addressbook/AddressBook.h"
#include "support/BookDamage.h"
#include "support/TestSupport.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace fetemark {
namespace {

using namespace Qt::StringLiterals;

class BookFile : public testing::Test {
protected:
    test::TempDir dir;
    QString path = dir.file(u"AddressBook.sqlite"_s);
};

void expectDamageNamed(const QString& message)
{
    EXPECT_TRUE(message.contains(u"damaged"_s) && message.contains(u"AddressBook.sqlite"_s))
        << message.toStdString();
}

struct DamageRow {
    std::string name;
    test::Damage damage;
    bool addFails; // adding a person meets the damage
};

class AddressBookDamage : public BookFile, public testing::WithParamInterface<DamageRow> { };

// Each read gives nothing, and says why, through both kinds of handle; the file is kept.
TEST_P(AddressBookDamage, EveryReadReportsItAndTheFileIsKept)
{
    const DamageRow& row = GetParam();
    test::filledBook(path, 300);
    test::damage(path, row.damage);
    const QByteArray damaged = test::readFile(path);
    for (const bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "read-write");
        QString error;
        bool isDamaged = false;
        auto book = readOnly ? AddressBook::openReadOnly(path, &error, &isDamaged)
                             : AddressBook::create(path, &error, &isDamaged);
        if (row.damage == test::Damage::PageSizeBit) {
            EXPECT_FALSE(book);
            EXPECT_TRUE(isDamaged);
            expectDamageNamed(error);
            continue;
        }
        ASSERT_TRUE(book) << error.toStdString();
        const auto expectFailed = [&book](bool gaveNothing, const char* read) {
            EXPECT_TRUE(gaveNothing && book->lastCallFailed()) << read;
            expectDamageNamed(book->lastError());
        };
        expectFailed(book->allPeople().empty(), "allPeople");
        expectFailed(book->allPeopleNamesAndDates().empty(), "allPeopleNamesAndDates");
        expectFailed(!book->person(150), "person");
        EXPECT_TRUE(book->isDamaged());
        if (row.addFails) {
            EXPECT_LT(book->addPerson({}), 0);
            EXPECT_TRUE(book->lastCallFailed());
        }
    }
    EXPECT_EQ(test::readFile(path), damaged);
}

INSTANTIATE_TEST_SUITE_P(AddressBookFaults, AddressBookDamage,
    testing::Values(DamageRow {"PeoplePage", test::Damage::PeopleRoot, true},
        DamageRow {"ValuesPage", test::Damage::ValuesRoot, false},
        DamageRow {"PageSizeBit", test::Damage::PageSizeBit, false}),
    test::RowName());

using AddressBookReadOnly = BookFile;

TEST_F(AddressBookReadOnly, MissingOrEmptyFileIsNoBookAndStaysMissing)
{
    QString error = u"untouched"_s;
    EXPECT_FALSE(AddressBook::openReadOnly(path, &error));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path));
    ASSERT_TRUE(test::writeFile(path, {}));
    EXPECT_FALSE(AddressBook::openReadOnly(path, &error));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(QFileInfo(path).size(), 0);
}

// Where the folder may be written to, the handle sees what another handle saves later.
TEST_F(AddressBookReadOnly, SeesLaterSavesAndRefusesChanges)
{
    auto writer = test::filledBook(path, 3);
    auto reader = AddressBook::openReadOnly(path);
    ASSERT_TRUE(reader);
    EXPECT_TRUE(reader->isReadOnly());
    EXPECT_EQ(reader->personCount(), 3);
    ASSERT_TRUE(writer->addPerson({}) >= 0 && writer->save());
    EXPECT_EQ(reader->personCount(), 4);
    EXPECT_LT(reader->addPerson({}), 0);
    EXPECT_TRUE(reader->lastCallFailed());
}

struct UmaskRow {
    std::string name;
    unsigned umask;
};

class AddressBookModes : public BookFile, public testing::WithParamInterface<UmaskRow> { };

// The book and the files SQLite keeps beside it while a handle is open.
TEST_P(AddressBookModes, BookAndItsSideFilesAreTheOwnersOnly)
{
    const test::ScopedUmask umask(GetParam().umask);
    const auto book = test::filledBook(path, 1);
    for (const QString& suffix : {u""_s, u"-wal"_s, u"-shm"_s})
        EXPECT_EQ(test::modeOf(path + suffix), 0600u) << suffix.toStdString();
}

INSTANTIATE_TEST_SUITE_P(AddressBookFaults, AddressBookModes,
    testing::Values(UmaskRow {"Umask022", 022}, UmaskRow {"Umask002", 002}), test::RowName());

TEST(AddressBookFullDisk, SaveNamesTheFullDisk)
{
    const test::ScratchDisk disk(256);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.problem().toStdString();
    auto book = AddressBook::create(disk.file(u"AddressBook.sqlite"_s));
    ASSERT_TRUE(book);
    ASSERT_TRUE(book->setImageData(book->addPerson({}), QByteArray(1 << 20, 'x')));
    QString error;
    EXPECT_FALSE(book->save(&error));
    EXPECT_TRUE(error.contains(u"No space left on device"_s)) << error.toStdString();
}

} // namespace
} // namespace fetemark
