#include "platform/files/AtomicFile.h"
#include "platform/files/DataDirectory.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace fetemark;
using namespace Qt::StringLiterals;
using fetemark::test::TempDir;

namespace {

struct ModeRow {
    const char* name;
    unsigned umask;
    AtomicFile::Access access;
    unsigned expected;
};

class AtomicFileModes : public ::testing::TestWithParam<ModeRow> { };

} // namespace

TEST_P(AtomicFileModes, PersonalDataIsPrivateWhateverTheUmask)
{
    const ModeRow& row = GetParam();
    TempDir dir;
    const test::ScopedUmask mask(row.umask);
    const QString path = dir.file(u"store"_s);
    ASSERT_TRUE(AtomicFile::write(path, "first", nullptr, row.access));
    EXPECT_EQ(test::modeOf(path), row.expected);
    // Replacing the file gives the same mode.
    ASSERT_TRUE(AtomicFile::write(path, "second", nullptr, row.access));
    EXPECT_EQ(test::modeOf(path), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Umasks, AtomicFileModes,
    ::testing::Values(ModeRow {"Private022", 022, AtomicFile::Access::Private, 0600},
        ModeRow {"Private002", 002, AtomicFile::Access::Private, 0600},
        ModeRow {"Private000", 000, AtomicFile::Access::Private, 0600},
        ModeRow {"Export022", 022, AtomicFile::Access::UserDefault, 0644},
        ModeRow {"Export002", 002, AtomicFile::Access::UserDefault, 0664}),
    test::RowName());

TEST(AtomicFile, AnExportIntoAMissingFolderIsRefused)
{
    TempDir dir;
    QString error;
    const QString path = dir.file(u"typo/export.ics"_s);
    EXPECT_FALSE(AtomicFile::write(path, "x", &error, AtomicFile::Access::UserDefault));
    EXPECT_TRUE(error.contains(u"does not exist"_s)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.file(u"typo"_s)));
    // The program's own files get their folder made.
    EXPECT_TRUE(AtomicFile::write(dir.file(u"data/store"_s), "x"));
}

TEST(AtomicFile, AFullDiskKeepsThePreviousFileAndSaysSo)
{
    test::ScratchDisk disk(64);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.problem().toStdString();
    const QString path = disk.file(u"Preferences.plist"_s);
    ASSERT_TRUE(AtomicFile::write(path, "the old settings"));
    ASSERT_TRUE(disk.fill());

    QString error;
    // Larger than a page: the first write is short, the next one says why.
    EXPECT_FALSE(AtomicFile::write(path, QByteArray(20000, 'x'), &error));
    EXPECT_TRUE(error.contains(u"No space left on device"_s)) << error.toStdString();
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_FALSE(AtomicFile::write(path, "tiny", &error));
    EXPECT_TRUE(error.contains(u"No space left on device"_s)) << error.toStdString();
    EXPECT_EQ(test::readFile(path), QByteArray("the old settings"));
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files).size(), 2) << "no temporary file left";
}

TEST(DataDirectory, IsCreatedPrivateWhateverTheUmask)
{
    for (const unsigned umask : {022u, 002u}) {
        TempDir dir;
        const test::ScopedUmask mask(umask);
        const QString path = dir.file(u"share/fetemark"_s);
        ASSERT_TRUE(DataDirectory::create(path));
        EXPECT_EQ(test::modeOf(path), 0700u) << "umask " << umask;
        // An existing directory keeps the mode its owner chose.
        ASSERT_TRUE(QFile::setPermissions(path,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                QFileDevice::ReadGroup | QFileDevice::ExeGroup));
        ASSERT_TRUE(DataDirectory::create(path));
        EXPECT_EQ(test::modeOf(path), 0750u);
    }
}

TEST(DataDirectory, LeftoversOfAKilledSaveAreRemovedAndNothingElse)
{
    TempDir dir;
    const QStringList leftovers {u"Preferences.plist.aB3dE9"_s, u"CustomEntries.plist.Q1w2E3"_s,
        u"ABMetadata.plist.ZZZZZZ"_s, u"Party-1.png.x7Y8z9"_s};
    const QStringList kept {u"CustomEntries.plist"_s, u"CustomEntries.plist.backup"_s,
        u"CustomEntries.plist.damaged-20261207-120000"_s, u"Preferences.plist.ab12"_s,
        u"notes.txt.Ab12Cd"_s, u"AddressBook.sqlite.Ab12Cd"_s};
    for (const QString& name : leftovers + kept)
        ASSERT_TRUE(test::writeFile(dir.file(name), "x"));
    QStringList removed = DataDirectory::removeLeftoverTemporaryFiles(dir.path());
    removed.sort();
    QStringList expected = leftovers;
    expected.sort();
    EXPECT_EQ(removed, expected);
    for (const QString& name : kept)
        EXPECT_TRUE(QFile::exists(dir.file(name))) << name.toStdString();
}
