#include "platform/files/DataDirectoryLock.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fetemark;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Mode = DataDirectoryLock::Mode;
using fetemark::test::TempDir;

namespace {

// Two lock objects stand for two programs: flock locks of separate open files exclude
// each other even inside one process.
struct Contest {
    const char* name;
    Mode first;
    Mode second;
    bool secondGetsIt;
};

class DataDirectoryLockContest : public ::testing::TestWithParam<Contest> { };

} // namespace

TEST_P(DataDirectoryLockContest, OnlyReadersShare)
{
    const Contest& row = GetParam();
    TempDir dir;
    DataDirectoryLock one(dir.path());
    DataDirectoryLock other(dir.path(), 50ms);
    ASSERT_TRUE(one.acquire(row.first));
    QString error;
    EXPECT_EQ(other.acquire(row.second, &error), row.secondGetsIt);
    if (!row.secondGetsIt) {
        EXPECT_TRUE(error.contains(u"in use by another Fetemark program"_s)) << error.toStdString();
        // Once the first lets go, the second gets in.
        one.release();
        EXPECT_TRUE(other.acquire(row.second, &error)) << error.toStdString();
    }
    EXPECT_EQ(test::modeOf(one.lockFilePath()), 0600u);
}

INSTANTIATE_TEST_SUITE_P(Modes, DataDirectoryLockContest,
    ::testing::Values(Contest {"ReadersShare", Mode::Shared, Mode::Shared, true},
        Contest {"WriterWaitsForReader", Mode::Shared, Mode::Exclusive, false},
        Contest {"ReaderWaitsForWriter", Mode::Exclusive, Mode::Shared, false},
        Contest {"WritersExclude", Mode::Exclusive, Mode::Exclusive, false}),
    test::RowName());

TEST(DataDirectoryLock, TakingItAgainInTheSameProgramIsCounted)
{
    TempDir dir;
    DataDirectoryLock lock(dir.path());
    DataDirectoryLock other(dir.path(), 50ms);
    ASSERT_TRUE(lock.acquire(Mode::Exclusive));
    {
        // A store write inside a run that holds the lock: no waiting for itself.
        const DataDirectoryLock::Holder nested(&lock, Mode::Exclusive);
        const DataDirectoryLock::Holder reading(&lock, Mode::Shared);
        EXPECT_TRUE(nested.isHeld() && reading.isHeld());
    }
    EXPECT_FALSE(other.acquire(Mode::Shared)) << "still held by the outer take";
    lock.release();
    EXPECT_TRUE(other.acquire(Mode::Shared));
}

TEST(DataDirectoryLock, AMissingDirectoryCanBeReadButNotChanged)
{
    TempDir dir;
    DataDirectoryLock lock(dir.file(u"not-yet"_s), 50ms);
    EXPECT_TRUE(lock.acquire(Mode::Shared));
    lock.release();
    QString error;
    EXPECT_FALSE(lock.acquire(Mode::Exclusive, &error));
    EXPECT_TRUE(error.contains(u"does not exist"_s)) << error.toStdString();
}

TEST(DataDirectoryLock, AReadOnlyDiskCanBeReadButNotChanged)
{
    test::ScratchDisk disk(64);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.problem().toStdString();
    ASSERT_TRUE(disk.makeReadOnly());
    DataDirectoryLock lock(disk.path(), 50ms);
    EXPECT_TRUE(lock.acquire(Mode::Shared));
    lock.release();
    QString error;
    EXPECT_FALSE(lock.acquire(Mode::Exclusive, &error));
    EXPECT_TRUE(error.contains(u"Read-only file system"_s)) << error.toStdString();
}
