// The address book when its file fails it: damaged pages and headers are reported, never
// read as an empty book; read-only books and folders are read without writing; new files
// are private; a full disk is named.
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"
#include "support/BookDamage.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace fetemark {
namespace {

using namespace Qt::StringLiterals;

std::unique_ptr<AddressBook> filledBook(const QString& path, int people)
{
    auto book = AddressBook::create(path);
    EXPECT_TRUE(book);
    EXPECT_EQ(SyntheticContacts::fill(*book, {people, 7, 5}), people)
        << book->lastError().toStdString();
    return book;
}

// One read of the book: true when it gave a result that is not the empty one.
struct Read {
    const char* name;
    std::function<bool(const AddressBook&)> run;
};
const Read Reads[] = {
    {"allPeople", [](const AddressBook& b) { return !b.allPeople().empty(); }},
    {"allPeopleNamesAndDates",
        [](const AddressBook& b) { return !b.allPeopleNamesAndDates().empty(); }},
    {"personCount", [](const AddressBook& b) { return b.personCount() > 0; }},
    {"person", [](const AddressBook& b) { return b.person(150).has_value(); }},
};

struct DamageRow {
    std::string name;
    std::function<void(const QString& path)> damage;
    bool refusedAtOpen;
    std::vector<std::string> failingReads; // names in Reads
    bool addFails = false;                 // adding a person meets the damage
};

class AddressBookDamage : public testing::TestWithParam<DamageRow> {
protected:
    test::TempDir dir;
    QString path = dir.file(u"AddressBook.sqlite"_s);
};

// Every read that meets the damage says so (lastCallFailed, isDamaged, "damaged" and the
// file's name), through both kinds of handle; a change fails too, and the file is left
// exactly as it was.
TEST_P(AddressBookDamage, EveryReadReportsItAndTheFileIsKept)
{
    const DamageRow& row = GetParam();
    filledBook(path, 300).reset();
    row.damage(path);
    const QByteArray damaged = test::readFile(path);

    for (const bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "read-write");
        QString error;
        bool isDamaged = false;
        auto book = readOnly ? AddressBook::openReadOnly(path, &error, &isDamaged)
                             : AddressBook::create(path, &error, &isDamaged);
        if (row.refusedAtOpen) {
            EXPECT_FALSE(book);
            EXPECT_TRUE(isDamaged);
            EXPECT_TRUE(error.contains(u"damaged"_s) && error.contains(u"AddressBook.sqlite"_s))
                << error.toStdString();
            continue;
        }
        ASSERT_TRUE(book) << error.toStdString();
        for (const Read& read : Reads) {
            if (std::find(row.failingReads.begin(), row.failingReads.end(), read.name) ==
                row.failingReads.end())
                continue;
            EXPECT_FALSE(read.run(*book)) << read.name;
            EXPECT_TRUE(book->lastCallFailed()) << read.name;
            EXPECT_TRUE(book->lastError().contains(u"damaged"_s) &&
                book->lastError().contains(u"AddressBook.sqlite"_s))
                << read.name << ": " << book->lastError().toStdString();
        }
        EXPECT_TRUE(book->isDamaged());
        if (row.addFails) {
            EXPECT_LT(book->addPerson({}), 0);
            EXPECT_TRUE(book->lastCallFailed());
        }
    }
    EXPECT_EQ(test::readFile(path), damaged);
}

INSTANTIATE_TEST_SUITE_P(AddressBookFaults, AddressBookDamage,
    testing::Values(
        DamageRow {"PeoplePage",
            [](const QString& p) { test::overwritePage(p, test::rootPageOf(p, "people")); }, false,
            {"allPeople", "allPeopleNamesAndDates", "person"}, true},
        DamageRow {"ValuesPage",
            [](const QString& p) { test::overwritePage(p, test::rootPageOf(p, "person_values")); },
            false, {"allPeople", "allPeopleNamesAndDates", "person"}},
        DamageRow {"PageSizeBit", [](const QString& p) { test::flipBit(p, 16, 0); }, true, {}}),
    test::RowName());

// ---- Read-only --------------------------------------------------------------------------

class AddressBookReadOnly : public testing::Test {
protected:
    test::TempDir dir;
    QString path = dir.file(u"AddressBook.sqlite"_s);
};

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

// In a folder that can be written to, the handle is a plain read-only one: it sees what
// another handle saves later, and cannot change the book.
TEST_F(AddressBookReadOnly, SeesLaterSavesAndRefusesChanges)
{
    auto writer = filledBook(path, 3);
    QString error;
    auto reader = AddressBook::openReadOnly(path, &error);
    ASSERT_TRUE(reader) << error.toStdString();
    EXPECT_TRUE(reader->isReadOnly());
    EXPECT_EQ(reader->personCount(), 3);
    ASSERT_GE(writer->addPerson({}), 0);
    ASSERT_TRUE(writer->save());
    EXPECT_EQ(reader->personCount(), 4);
    EXPECT_LT(reader->addPerson({}), 0);
    EXPECT_TRUE(reader->lastCallFailed());
}

// Root may write anywhere, so the read-only folder is tried by a child process that
// gives up root first; it exits 0 when it read every person.
TEST_F(AddressBookReadOnly, ReadsABookInAFolderNobodyMayWriteTo)
{
    filledBook(path, 12).reset();
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    const auto restore =
        qScopeGuard([this] { ::chmod(QFile::encodeName(dir.path()).constData(), 0700); });
    const QByteArray before = test::readFile(path);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        if (::access(QFile::encodeName(dir.path()).constData(), W_OK) == 0)
            ::_exit(4); // the folder is writable after all
        auto book = AddressBook::openReadOnly(path);
        ::_exit(book && book->allPeople().size() == 12 && !book->lastCallFailed() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3 || WEXITSTATUS(status) == 4)
        GTEST_SKIP() << "cannot make a folder read-only for this process";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(test::readFile(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
        QStringList {u"AddressBook.sqlite"_s});
}

// ---- Private files ------------------------------------------------------------------------

struct UmaskRow {
    std::string name;
    mode_t umask;
};

class AddressBookPrivate : public testing::TestWithParam<UmaskRow> {
protected:
    test::TempDir dir;
    QString path = dir.file(u"AddressBook.sqlite"_s);
};

// The book and the files SQLite keeps beside it while a handle is open are the owner's
// alone, whatever the umask lets through.
TEST_P(AddressBookPrivate, BookAndItsSideFilesAreTheOwnersOnly)
{
    const mode_t old = ::umask(GetParam().umask);
    const auto restore = qScopeGuard([old] { ::umask(old); });
    auto book = AddressBook::create(path);
    ASSERT_TRUE(book);
    ASSERT_GE(book->addPerson({}), 0);
    ASSERT_TRUE(book->save());
    int checked = 0;
    for (const QString& suffix : {u""_s, u"-wal"_s, u"-shm"_s}) {
        struct stat info { };
        if (::stat(QFile::encodeName(path + suffix).constData(), &info) != 0)
            continue;
        EXPECT_EQ(info.st_mode & 0777, 0600u) << suffix.toStdString();
        ++checked;
    }
    EXPECT_EQ(checked, 3);
}

INSTANTIATE_TEST_SUITE_P(AddressBookModes, AddressBookPrivate,
    testing::Values(UmaskRow {"Umask022", 022}, UmaskRow {"Umask002", 002}), test::RowName());

// ---- A full disk -------------------------------------------------------------------------

// A small file system of its own, mounted for the test: a file size limit is no full disk
// (the system answers "file too large"). Mounting needs root; elsewhere the test is skipped.
class SmallDisk {
public:
    explicit SmallDisk(const QString& at) : m_at(QFile::encodeName(at))
    {
        QDir().mkpath(at);
        m_mounted = ::mount("tmpfs", m_at.constData(), "tmpfs", 0, "size=256k") == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount(m_at.constData());
    }
    bool mounted() const { return m_mounted; }

private:
    QByteArray m_at;
    bool m_mounted = false;
};

TEST(AddressBookFullDisk, SaveNamesTheFullDisk)
{
    test::TempDir dir;
    const SmallDisk disk(dir.file(u"disk"_s));
    if (!disk.mounted())
        GTEST_SKIP() << "a small file system cannot be mounted here (needs root)";
    auto book = AddressBook::create(dir.file(u"disk/AddressBook.sqlite"_s));
    ASSERT_TRUE(book);
    ASSERT_TRUE(book->setImageData(book->addPerson({}), QByteArray(1 << 20, 'x')));
    QString error;
    EXPECT_FALSE(book->save(&error));
    EXPECT_TRUE(error.contains(u"No space left on device"_s)) << error.toStdString();
}

} // namespace
} // namespace fetemark
