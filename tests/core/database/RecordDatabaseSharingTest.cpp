// Two programs on one data directory, as the window, the notifier and the command
// share it: each holds its own copy of the stores and its own handle on the lock.

#include "core/database/RecordDatabase.h"
#include "core/records/CustomEntriesStore.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Clock.h"
#include "platform/files/DataDirectoryLock.h"
#include "platform/files/FileVersion.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fetemark;
using namespace Qt::StringLiterals;
using fetemark::test::TempDir;

namespace {

class Program {
public:
    explicit Program(const TempDir& dir)
        : lock(dir.path()),
          settings(dir.file(u"Preferences.plist"_s), &lock, DataAccess::ReadWrite),
          clock(test::utc("2026-03-05T12:00:00Z")),
          db(RecordDatabase::Dependencies {settings, clock, {u"UTC"_s, u"en_US"_s, {u"en"_s}},
              dir.path(), u":/resources"_s, DataAccess::ReadWrite, &lock})
    {
        settings.registerDefaults(registeredDefaults());
        settings.setValue(QString(Key::HideContacts), true);
        db.loadDatabase();
    }

    OccasionRecordPtr entry(const char* id) const
    {
        auto r = std::make_shared<OccasionRecord>();
        r->isCustomEntry = true;
        r->customID = QString::fromLatin1(id);
        r->name = QString::fromLatin1(id);
        r->type = OccasionRecord::OtherDate;
        r->rawDate = db.gregorian().date(2000, 6, 1);
        r->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
        return r;
    }

    DataDirectoryLock lock;
    Settings settings;
    FixedClock clock;
    RecordDatabase db;
};

QStringList storedIds(const TempDir& dir)
{
    QStringList ids;
    for (const OccasionRecordPtr& r : CustomEntriesStore(dir.path()).loadEntries())
        ids << r->customID;
    ids.sort();
    return ids;
}

} // namespace

TEST(RecordDatabaseSharing, AStoreAnotherProgramReplacedIsNeverWrittenOver)
{
    TempDir dir;
    Program window(dir);
    Program command(dir);
    ASSERT_TRUE(command.db.addNewCustomRecord(command.entry("FROM-COMMAND"), true));

    // The window's copy is stale: writing it would take the command's entry away.
    QString error;
    EXPECT_TRUE(window.db.storesChangedElsewhere());
    EXPECT_FALSE(window.db.addNewCustomRecord(window.entry("FROM-WINDOW"), true, &error));
    EXPECT_TRUE(error.contains(u"changed by another Fetemark program"_s)) << error.toStdString();
    EXPECT_EQ(storedIds(dir), QStringList {u"FROM-COMMAND"_s});

    // After a reload the window's change goes into the current file.
    window.db.loadDatabase();
    EXPECT_FALSE(window.db.storesChangedElsewhere());
    EXPECT_TRUE(window.db.addNewCustomRecord(window.entry("FROM-WINDOW"), true, &error))
        << error.toStdString();
    EXPECT_EQ(storedIds(dir), (QStringList {u"FROM-COMMAND"_s, u"FROM-WINDOW"_s}));
}

TEST(RecordDatabaseSharing, SavingWhatIsAlreadyStoredWritesNothing)
{
    TempDir dir;
    Program first(dir);
    ASSERT_TRUE(first.db.addNewCustomRecord(first.entry("KEPT"), true));
    first.db.setNotesForHoliday(u"bring cake"_s, u"DE_ostern"_s);
    ASSERT_TRUE(first.db.writeStores());

    Program second(dir);
    const QString entries = second.db.store().dataFilePath();
    const QString notes = second.db.store().metadataFilePath();
    const FileVersion entriesBefore = FileVersion::of(entries);
    const FileVersion notesBefore = FileVersion::of(notes);
    ASSERT_TRUE(second.db.writeStores());
    EXPECT_EQ(FileVersion::of(entries), entriesBefore);
    EXPECT_EQ(FileVersion::of(notes), notesBefore);
}

TEST(SettingsSharing, TwoProgramsChangingDifferentKeysKeepBoth)
{
    TempDir dir;
    const QString path = dir.file(u"Preferences.plist"_s);
    DataDirectoryLock lockOne(dir.path());
    DataDirectoryLock lockTwo(dir.path());
    Settings one(path, &lockOne, DataAccess::ReadWrite);
    Settings two(path, &lockTwo, DataAccess::ReadWrite);
    one.setValue(u"kept"_s, u"before"_s);
    one.setValue(u"dropped"_s, true);
    ASSERT_TRUE(one.synchronize());
    one.load();
    two.load();

    one.setValue(u"showage"_s, false);
    two.setValue(u"upcomingwindow"_s, qint64(3));
    two.remove(u"dropped"_s);
    ASSERT_TRUE(one.synchronize());
    // Told of the first program's save, the second reloads and keeps its own change.
    two.load();
    EXPECT_EQ(two.value(u"upcomingwindow"_s), QVariant(qint64(3)));
    ASSERT_TRUE(two.synchronize());
    // The second write also brought the first program's change into its own values.
    EXPECT_EQ(two.value(u"showage"_s), QVariant(false));

    Settings reader(path);
    reader.load();
    EXPECT_EQ(reader.value(u"showage"_s), QVariant(false));
    EXPECT_EQ(reader.value(u"upcomingwindow"_s), QVariant(qint64(3)));
    EXPECT_EQ(reader.value(u"kept"_s), QVariant(u"before"_s));
    EXPECT_FALSE(reader.contains(u"dropped"_s));
    EXPECT_EQ(test::modeOf(path), 0600u);
}
