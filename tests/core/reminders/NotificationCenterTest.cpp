#include "core/operations/OperationQueue.h"
#include "core/reminders/NotificationSync.h"
#include "core/reminders/PlistNotificationCenter.h"
#include "core/time/Clock.h"
#include "platform/archive/PropertyList.h"
#include "platform/files/DataDirectoryLock.h"
#include "platform/files/FileVersion.h"

#include "support/MemoryNotificationCenter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <future>
#include <string>

using namespace fetemark;
using namespace Qt::StringLiterals;
using Contents = PlistNotificationCenter::Contents;
using Outcome = NotificationSyncResult::Outcome;

namespace {

// Schedules written as letters: "A" is an alert with the text "A" at an hour of its own;
// "a" is the same alert setting the badge to 2, so it is not equal to "A".
std::vector<LocalNotification> lettered(std::string_view letters)
{
    std::vector<LocalNotification> list;
    for (const char letter : letters) {
        const int upper = std::toupper(letter);
        list.push_back({test::utc("2026-12-09T00:00:00Z").addSecs(3600LL * (upper - 'A')),
            u"Europe/Berlin"_s, QString(QChar(upper)), {}, upper == letter ? 0 : 2});
    }
    return list;
}

std::string letters(const std::vector<LocalNotification>& list)
{
    std::string text;
    for (const LocalNotification& notification : list) {
        const char upper = notification.alertBody.toLatin1().front();
        text += notification.applicationIconBadgeNumber == 0 ? upper : char(std::tolower(upper));
    }
    return text;
}

struct EqualityRow {
    const char* name;
    std::function<void(LocalNotification&)> change;
    bool equal;
};

class LocalNotificationEqualityTest : public testing::TestWithParam<EqualityRow> { };

TEST_P(LocalNotificationEqualityTest, ComparesWhatTheScheduleKeeps)
{
    const LocalNotification original = lettered("A")[0];
    LocalNotification other = original;
    GetParam().change(other);
    EXPECT_EQ(other == original, GetParam().equal);
}

const EqualityRow EqualityRows[] = {
    {"LaterWithinTheSecond", [](auto& n) { n.fireDate = n.fireDate.addMSecs(999); }, true},
    {"NextSecond", [](auto& n) { n.fireDate = n.fireDate.addSecs(1); }, false},
    {"EmptySoundAsNone", [](auto& n) { n.soundName = u""_s; }, true},
    {"OtherSound", [](auto& n) { n.soundName = u"1.wav"_s; }, false},
    // Its wall-clock time would follow the old zone after the next move.
    {"OtherZone", [](auto& n) { n.timeZone = u"Europe/Paris"_s; }, false},
};
INSTANTIATE_TEST_SUITE_P(
    Rows, LocalNotificationEqualityTest, testing::ValuesIn(EqualityRows), test::RowName());

struct SyncRow {
    const char* name;
    const char* scheduled;
    const char* wanted;
    int cancelAtCheck; // the check (from 1) from which the sync counts as cancelled; 0: never
    int failAtChange;  // the change (from 1) the center refuses; 0: none
    // One change at a time, the center without replace-all:
    const char* stepwiseFinal;
    int stepwiseChanges;
    Outcome stepwiseOutcome;
    // The schedule file, replaced whole (it refuses no change here):
    const char* replacedFinal;
    Outcome replacedOutcome;
};

// Checks come in pairs around each change: check 1 is before the first, 2 after it.
const SyncRow SyncRows[] = {
    {"AddsToAnEmptySchedule", "", "AB", 0, 0, "AB", 2, Outcome::Done, "AB", Outcome::Done},
    {"RemovesWhatIsNoLongerWanted", "ABC", "B", 0, 0, "B", 2, Outcome::Done, "B", Outcome::Done},
    {"LeavesEqualOnesAlone", "ABC", "ABD", 0, 0, "ABD", 2, Outcome::Done, "ABD", Outcome::Done},
    {"SameScheduleChangesNothing", "AB", "AB", 0, 0, "AB", 0, Outcome::Done, "AB", Outcome::Done},
    {"OtherBadgeIsAnotherNotification", "AB", "aB", 0, 0, "Ba", 2, Outcome::Done, "aB",
        Outcome::Done},
    {"ExtraCopyIsCancelled", "AAB", "AB", 0, 0, "AB", 1, Outcome::Done, "AB", Outcome::Done},
    {"SecondCopyIsScheduled", "A", "AA", 0, 0, "AA", 1, Outcome::Done, "AA", Outcome::Done},
    {"EmptiesTheSchedule", "AB", "", 0, 0, "", 2, Outcome::Done, "", Outcome::Done},
    {"CancelledBeforeAnyChange", "AB", "CD", 1, 0, "AB", 0, Outcome::Cancelled, "AB",
        Outcome::Cancelled},
    {"CancelledAfterTheFirstChange", "AB", "CD", 2, 0, "B", 1, Outcome::Cancelled, "CD",
        Outcome::Cancelled},
    {"CancelledBeforeTheSecondChange", "AB", "CD", 3, 0, "B", 1, Outcome::Cancelled, "CD",
        Outcome::Done},
    {"CancelledBetweenRemovalsAndAdditions", "AB", "CD", 5, 0, "", 2, Outcome::Cancelled, "CD",
        Outcome::Done},
    {"CancelledAfterTheLastChange", "AB", "CD", 8, 0, "CD", 4, Outcome::Cancelled, "CD",
        Outcome::Done},
    {"RefusedChangeStopsTheSync", "AB", "CD", 0, 2, "B", 2, Outcome::Failed, "CD", Outcome::Done},
};

class NotificationSyncTest : public testing::TestWithParam<SyncRow> {
protected:
    // Counts the checks, answering yes from the row's check on.
    std::function<bool()> cancellation()
    {
        return [this] {
            return ++m_checks >= GetParam().cancelAtCheck && GetParam().cancelAtCheck > 0;
        };
    }

private:
    int m_checks = 0;
};

TEST_P(NotificationSyncTest, OneChangeAtATime)
{
    const SyncRow& row = GetParam();
    test::MemoryNotificationCenter center;
    center.scheduled = lettered(row.scheduled);
    center.failAtChange = row.failAtChange;

    const NotificationSyncResult result =
        syncNotificationsWithArray(center, lettered(row.wanted), cancellation());

    EXPECT_EQ(result.outcome, row.stepwiseOutcome) << result.error.toStdString();
    EXPECT_EQ(result.error.isEmpty(), row.stepwiseOutcome != Outcome::Failed);
    EXPECT_EQ(letters(center.scheduled), row.stepwiseFinal);
    EXPECT_EQ(center.changes, row.stepwiseChanges);
}

TEST_P(NotificationSyncTest, ScheduleFileReplacedWhole)
{
    const SyncRow& row = GetParam();
    test::TempDir dir;
    FixedClock clock(test::utc("2026-12-08T10:00:00Z"));
    PlistNotificationCenter center(dir.path(), nullptr, clock);
    ASSERT_TRUE(center.setScheduledLocalNotifications(lettered(row.scheduled)));

    const NotificationSyncResult result =
        syncNotificationsWithArray(center, lettered(row.wanted), cancellation());

    EXPECT_EQ(result.outcome, row.replacedOutcome) << result.error.toStdString();
    const auto scheduled = center.scheduledLocalNotifications();
    ASSERT_TRUE(scheduled);
    EXPECT_EQ(letters(*scheduled), row.replacedFinal);
}

INSTANTIATE_TEST_SUITE_P(Rows, NotificationSyncTest, testing::ValuesIn(SyncRows), test::RowName());

class PlistCenterTest : public testing::Test {
protected:
    test::TempDir dir;
    FixedClock clock {test::utc("2026-12-08T10:00:00Z")};
    DataDirectoryLock lock {dir.path()};
    PlistNotificationCenter center {dir.path(), &lock, clock};
    QString file() const { return dir.file(PlistNotificationCenter::FileName); }
};

const LocalNotification ClearingBadge {
    test::utc("2026-12-08T23:00:00Z"), {}, {}, {}, LocalNotification::ClearBadge};
const LocalNotification Alert {test::utc("2026-12-09T08:00:00Z"), u"Europe/Berlin"_s,
    u"Today: Zoë Ångström's Birthday\nIn 1 Week: 2 Occasions"_s, u"3.wav"_s, 4};

struct RoundTripRow {
    const char* name;
    Contents contents;
    QStringList firstKeys; // of the first notification in the file
};

class PlistRoundTripTest : public PlistCenterTest,
                           public testing::WithParamInterface<RoundTripRow> { };

TEST_P(PlistRoundTripTest, ReadsBackWhatWasWritten)
{
    const RoundTripRow& row = GetParam();
    ASSERT_TRUE(center.setScheduledLocalNotifications(row.contents.notifications));
    ASSERT_TRUE(center.setApplicationIconBadgeNumber(row.contents.applicationIconBadgeNumber));

    DataDirectoryLock otherLock(dir.path());
    EXPECT_EQ(PlistNotificationCenter(dir.path(), &otherLock, clock).contents(), row.contents);
    EXPECT_EQ(test::modeOf(file()), 0600U);
    const QVariantList list =
        PropertyList::read(test::readFile(file()))->toMap().value(u"notifications"_s).toList();
    EXPECT_EQ(list.isEmpty() ? QStringList() : list.front().toMap().keys(), row.firstKeys);
}

const RoundTripRow RoundTripRows[] = {
    {"BadgeClearedWithoutZoneTextOrSound", {{ClearingBadge}, 0},
        {u"applicationIconBadgeNumber"_s, u"fireDate"_s}},
    {"AlertWithZoneSoundAndBadge", {{Alert, ClearingBadge}, 7},
        {u"alertBody"_s, u"applicationIconBadgeNumber"_s, u"fireDate"_s, u"soundName"_s,
            u"timeZone"_s}},
    {"IconBadgeAlone", {{}, 12}, {}},
};
INSTANTIATE_TEST_SUITE_P(
    Rows, PlistRoundTripTest, testing::ValuesIn(RoundTripRows), test::RowName());

struct DamagedRow {
    const char* name;
    QByteArray body; // inside <plist>
};

class PlistDamagedTest : public PlistCenterTest, public testing::WithParamInterface<DamagedRow> { };

// Reading reports the damage and leaves the file; the next change keeps it aside whole
// and starts a new schedule.
TEST_P(PlistDamagedTest, IsReportedThenKeptAsideByTheNextChange)
{
    const QByteArray damaged = "<?xml version=\"1.0\"?><plist>" + GetParam().body + "</plist>";
    ASSERT_TRUE(test::writeFile(file(), damaged));
    QString error;
    EXPECT_FALSE(center.scheduledLocalNotifications(&error));
    EXPECT_TRUE(error.contains(file())) << error.toStdString();
    EXPECT_EQ(test::readFile(file()), damaged);

    ASSERT_TRUE(center.scheduleLocalNotification(lettered("A")[0], &error)) << error.toStdString();
    const QString aside = file() + u".damaged-20261208-100000"_s;
    EXPECT_EQ(test::readFile(aside), damaged);
    const QStringList warnings = center.takeWarnings();
    EXPECT_TRUE(warnings.size() == 1 && warnings[0].contains(aside))
        << warnings.join('|').toStdString();
    EXPECT_EQ(letters(*center.scheduledLocalNotifications()), "A");
}

const DamagedRow DamagedRows[] = {
    {"NotAPropertyList", "<oops"},
    {"RootIsAnArray", "<array/>"},
    {"NotificationWithoutFireDate", "<dict><key>notifications</key><array><dict/></array></dict>"},
    {"BadgeIsText", "<dict><key>applicationIconBadgeNumber</key><string>3</string></dict>"},
    {"AlertBodyIsANumber",
        "<dict><key>notifications</key><array><dict><key>fireDate</key><date>2026-12-09T08:00:00Z"
        "</date><key>alertBody</key><integer>1</integer></dict></array></dict>"},
};
INSTANTIATE_TEST_SUITE_P(Rows, PlistDamagedTest, testing::ValuesIn(DamagedRows), test::RowName());

// Two programs on one data directory, each with its own lock: neither writes over what
// the other changed.
TEST_F(PlistCenterTest, AnotherProgramsChangesAreKept)
{
    DataDirectoryLock otherLock(dir.path());
    PlistNotificationCenter other(dir.path(), &otherLock, clock);
    ASSERT_TRUE(center.setScheduledLocalNotifications(lettered("AB")));
    ASSERT_TRUE(other.scheduleLocalNotification(lettered("C")[0]));
    ASSERT_TRUE(center.setApplicationIconBadgeNumber(5));
    ASSERT_TRUE(other.cancelLocalNotification(lettered("A")[0]));
    ASSERT_TRUE(center.scheduleLocalNotification(lettered("d")[0]));

    const auto contents = center.contents();
    ASSERT_TRUE(contents);
    EXPECT_EQ(letters(contents->notifications), "BCd");
    EXPECT_EQ(contents->applicationIconBadgeNumber, 5);
}

struct UnchangedRow {
    const char* name;
    std::function<bool(PlistNotificationCenter&)> change;
};

class PlistUnchangedTest : public PlistCenterTest,
                           public testing::WithParamInterface<UnchangedRow> { };

TEST_P(PlistUnchangedTest, LeavesTheFileAsItIs)
{
    ASSERT_TRUE(center.setScheduledLocalNotifications(lettered("AB")));
    ASSERT_TRUE(center.setApplicationIconBadgeNumber(3));
    const FileVersion before = FileVersion::of(file());
    ASSERT_TRUE(GetParam().change(center));
    EXPECT_EQ(FileVersion::of(file()), before);
}

const UnchangedRow UnchangedRows[] = {
    {"SameSchedule", [](auto& c) { return c.setScheduledLocalNotifications(lettered("AB")); }},
    {"SameScheduleToTheSecond",
        [](auto& c) {
            auto list = lettered("AB");
            list[0].fireDate = list[0].fireDate.addMSecs(400);
            return c.setScheduledLocalNotifications(list);
        }},
    {"CancelOfWhatIsNotScheduled",
        [](auto& c) { return c.cancelLocalNotification(lettered("a")[0]); }},
    {"SameIconBadge", [](auto& c) { return c.setApplicationIconBadgeNumber(3); }},
};
INSTANTIATE_TEST_SUITE_P(
    Rows, PlistUnchangedTest, testing::ValuesIn(UnchangedRows), test::RowName());

TEST_F(PlistCenterTest, NotificationWithoutFireDateIsRefused)
{
    ASSERT_TRUE(center.scheduleLocalNotification(lettered("A")[0]));
    QString error;
    EXPECT_FALSE(center.scheduleLocalNotification(LocalNotification(), &error));
    EXPECT_TRUE(error.contains(u"fire date"_s)) << error.toStdString();
    EXPECT_EQ(letters(*center.scheduledLocalNotifications()), "A");
}

struct QueuedRebuildRow {
    const char* name;
    bool cancelWhileRunning; // else while queued behind another operation
    const char* final;
    int changes;
};

class QueuedRebuildTest : public testing::TestWithParam<QueuedRebuildRow> { };

// A rebuild on the serial queue, cancelled before it starts or after its first change,
// leaves each scheduled notification whole and changes nothing more.
TEST_P(QueuedRebuildTest, CancelledRebuildStopsAtItsNextCheck)
{
    const QueuedRebuildRow& row = GetParam();
    test::MemoryNotificationCenter center;
    center.scheduled = lettered("AB");
    OperationQueue queue(1);
    std::promise<void> release;
    queue.addOperation([gate = release.get_future().share()](const Operation&) { gate.wait(); });
    std::shared_ptr<Operation> rebuild = queue.addOperation([&](const Operation& operation) {
        syncNotificationsWithArray(center, lettered("CD"), [&] {
            if (row.cancelWhileRunning && center.changes == 1)
                queue.cancelAllOperations();
            return operation.isCancelled();
        });
    });
    if (!row.cancelWhileRunning)
        queue.cancelAllOperations();
    release.set_value();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(rebuild->isCancelled());
    EXPECT_EQ(letters(center.scheduled), row.final);
    EXPECT_EQ(center.changes, row.changes);
}

INSTANTIATE_TEST_SUITE_P(Rows, QueuedRebuildTest,
    testing::Values(QueuedRebuildRow {"Queued", false, "AB", 0},
        QueuedRebuildRow {"RunningAfterFirstChange", true, "B", 1}),
    test::RowName());

struct ChangeCountRow {
    const char* name;
    const char* scheduled;
    const char* wanted;
    NotificationChanges expected;
};

class ChangeCountTest : public testing::TestWithParam<ChangeCountRow> { };

TEST_P(ChangeCountTest, PairsAsTheSyncDoes)
{
    const ChangeCountRow& row = GetParam();
    EXPECT_EQ(
        countNotificationChanges(lettered(row.scheduled), lettered(row.wanted)), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ChangeCountTest,
    testing::Values(ChangeCountRow {"Same", "AB", "AB", {0, 0, 2}},
        ChangeCountRow {"FromNothing", "", "ABC", {3, 0, 0}},
        ChangeCountRow {"BadgeDiffers", "Ab", "AB", {1, 1, 1}},
        ChangeCountRow {"CopyTooMany", "AAB", "AB", {0, 1, 2}}),
    test::RowName());

} // namespace
