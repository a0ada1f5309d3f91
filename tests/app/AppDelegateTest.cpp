#include "app/AppDelegate.h"
#include "core/database/OccasionCalculator.h"
#include "core/database/OccasionStore.h"
#include "core/reminders/AlertTextMeasure.h"
#include "core/reminders/ProviderClient.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/theme/ApplicationTheme.h"
#include "core/time/Calendar.h"
#include "core/time/Clock.h"
#include "platform/files/DataDirectoryLock.h"

#include "support/MemoryNotificationCenter.h"
#include "support/RowPrinter.h"
#include "support/ServiceThread.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <optional>

using namespace fetemark;
using namespace Qt::StringLiterals;
using fetemark::test::TempDir;
using namespace std::chrono_literals;

namespace {

// Records what suspension asked of the database.
class RecordingStore : public OccasionStore {
public:
    RecordingStore(bool loaded, int upcoming) : loaded(loaded), upcoming(upcoming) { }
    bool loaded;
    int upcoming, writes = 0;
    bool isLoaded() const override { return loaded; }
    bool writeStores(QString*) override
    {
        ++writes;
        return true;
    }
    int calculateUpcoming() override { return upcoming; }
    const std::vector<OccasionRecordPtr>& records() const override { return list; }
    std::vector<OccasionRecordPtr> list;
};

struct LaunchOptions {
    ReminderDelivery delivery = ReminderDelivery::Local;
    QString serviceBase;
    const Clock* clock = nullptr; // none: the launch's fixed clock
    DataDirectoryLock* lock = nullptr;
};

// One start of the application on a data directory, as the front ends do it.
struct Launch {
    explicit Launch(const TempDir& dataDir, const char* zone = "Europe/Berlin",
        const QString& resources = u":/resources"_s, const LaunchOptions& options = {})
        : settings(dataDir.file(u"Preferences.plist"_s)),
          app({settings, DeviceEnvironment {QString::fromLatin1(zone), u"en_US"_s, {u"en"_s}},
              dataDir.path(), resources, nullptr, nullptr, DataAccess::ReadWrite,
              options.clock ? options.clock : &clock, options.delivery, options.serviceBase,
              options.lock})
    {
        app.applicationDidFinishLaunching();
    }
    Settings settings;
    FixedClock clock {test::utc("2026-12-08T10:00:00Z")};
    AppDelegate app;
};

// What the settings file holds, after storing `key` when given.
QVariantMap stored(const TempDir& dir, const QString& key = {}, const QVariant& value = {})
{
    Settings settings(dir.file(u"Preferences.plist"_s));
    settings.load();
    if (!key.isEmpty()) {
        settings.setValue(key, value);
        EXPECT_TRUE(settings.synchronize());
    }
    return settings.storedValues();
}

struct WindowRow {
    const char* name;
    std::optional<qint64> stored;
    qint64 expected;
};

class AppDelegateUpcomingWindow : public ::testing::TestWithParam<WindowRow> { };

TEST_P(AppDelegateUpcomingWindow, IsForcedIntoRangeAndStored)
{
    const WindowRow& row = GetParam();
    TempDir dir;
    if (row.stored)
        stored(dir, u"upcomingwindow"_s, *row.stored);
    EXPECT_EQ(Launch(dir).settings.integerValue(u"upcomingwindow"_s), row.expected);
    EXPECT_EQ(stored(dir).value(u"upcomingwindow"_s).toLongLong(), row.stored ? row.expected : 0)
        << "only a correction is stored";
}

INSTANTIATE_TEST_SUITE_P(AppDelegate, AppDelegateUpcomingWindow,
    ::testing::Values(WindowRow {"Default", std::nullopt, 14}, WindowRow {"OneTooLong", 32, 31},
        WindowRow {"Longest", 31, 31}, WindowRow {"Negative", -3, 0}),
    test::RowName());

TEST(AppDelegate, FirstLaunchSeedsTheAlertTimeInEveryZone)
{
    for (const char* zone :
        {"Europe/Berlin", "Pacific/Auckland", "America/Sao_Paulo", "Pacific/Kiritimati"}) {
        SCOPED_TRACE(zone);
        TempDir dir;
        Launch launch(dir, zone);
        EXPECT_EQ(launch.settings.integerValue(u"alerttimehour"_s), 12);
        EXPECT_EQ(launch.settings.integerValue(u"alerttimeminute"_s), 0);
    }
}

TEST(AppDelegate, AlertTimeIsSeededFromAStoredLegacyAlertTimeOnlyWhileUnset)
{
    TempDir dir;
    stored(dir, u"alerttime"_s, Calendar(u"Europe/Berlin"_s).date(2009, 6, 1, 8, 30));
    {
        Launch launch(dir);
        EXPECT_EQ(launch.settings.integerValue(u"alerttimehour"_s), 8);
        EXPECT_EQ(launch.settings.integerValue(u"alerttimeminute"_s), 30);
        launch.settings.setValue(u"alerttimehour"_s, qint64(19));
        ASSERT_TRUE(launch.settings.synchronize());
    }
    EXPECT_EQ(Launch(dir).settings.integerValue(u"alerttimehour"_s), 19);
}

TEST(AppDelegate, InstallationIdIsAUuidThatNeverChanges)
{
    TempDir dir, other, emptyId;
    const QString first = Launch(dir).settings.stringValue(u"67E0"_s);
    const QRegularExpression uuid(
        u"^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"_s);
    EXPECT_TRUE(uuid.match(first).hasMatch()) << first.toStdString();
    EXPECT_EQ(Launch(dir).settings.stringValue(u"67E0"_s), first);
    EXPECT_NE(Launch(other).settings.stringValue(u"67E0"_s), first);
    stored(emptyId, u"67E0"_s, QString());
    EXPECT_TRUE(uuid.match(Launch(emptyId).settings.stringValue(u"67E0"_s)).hasMatch());
}

TEST(AppDelegate, ADamagedSettingsFileIsReportedAndLaunchGoesOn)
{
    TempDir dir;
    ASSERT_TRUE(test::writeFile(dir.file(u"Preferences.plist"_s), "<plist><dict><key>x"));
    Launch launch(dir);
    const QStringList warnings = launch.app.takeWarnings();
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(u"moved"_s)) << warnings[0].toStdString();
    EXPECT_TRUE(launch.app.takeWarnings().isEmpty());
    EXPECT_EQ(launch.settings.integerValue(u"upcomingwindow"_s), 14);
}

struct SuspendRow {
    const char* name;
    bool loaded, showCount;
    int upcoming, writes;
    std::optional<int> badge;
    const char* schedule; // after suspension, from one stale notification "S"
};

class AppDelegateSuspension : public ::testing::TestWithParam<SuspendRow> { };

// Entering the background and terminating both save.
TEST_P(AppDelegateSuspension, WritesTheStoresAndSetsTheBadge)
{
    const SuspendRow& row = GetParam();
    TempDir dir;
    Launch launch(dir);
    launch.settings.setValue(u"showcount"_s, row.showCount);
    RecordingStore store(row.loaded, row.upcoming);
    test::MemoryNotificationCenter center;
    center.scheduled = {{test::utc("2026-12-09T11:00:00Z"), {}, u"S"_s, {}, 0}};
    launch.app.setOccasionStore(&store);
    launch.app.setNotificationCenter(&center);
    launch.app.applicationDidEnterBackground();
    launch.app.applicationWillTerminate();
    EXPECT_EQ(store.writes, row.writes);
    EXPECT_EQ(center.badge != 0 || row.badge == 0 ? std::optional(center.badge) : std::nullopt,
        row.badge);
    const bool stale = std::any_of(center.scheduled.begin(), center.scheduled.end(),
        [](const LocalNotification& n) { return n.alertBody == u"S"_s; });
    EXPECT_EQ(stale ? "S" : "", std::string(row.schedule))
        << "the schedule is rebuilt synchronously once loaded";
    EXPECT_EQ(stored(dir).value(u"showcount"_s), QVariant(row.showCount))
        << "changed settings are stored";
}

INSTANTIATE_TEST_SUITE_P(AppDelegate, AppDelegateSuspension,
    ::testing::Values(SuspendRow {"BeforeFirstLoadNothing", false, true, 4, 0, std::nullopt, "S"},
        SuspendRow {"CountShown", true, true, 4, 2, 4, ""},
        SuspendRow {"CountOff", true, false, 4, 2, 0, ""}),
    test::RowName());

struct ReminderRow {
    const char* name;
    const char* token;
    bool aps, showCount;
    qint64 alertType;
    bool expected;
};

class AppDelegateReminders : public ::testing::TestWithParam<ReminderRow> { };

TEST_P(AppDelegateReminders, ComeFromTheServiceOnlyWithPushAndNoBadge)
{
    const ReminderRow& row = GetParam();
    TempDir dir;
    Launch launch(dir);
    launch.app.deviceToken = QString::fromLatin1(row.token);
    launch.app.apsAvailable = row.aps;
    launch.settings.setValue(u"showcount"_s, row.showCount);
    launch.settings.setValue(u"alerttype"_s, row.alertType);
    EXPECT_EQ(launch.app.srunning(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(AppDelegate, AppDelegateReminders,
    ::testing::Values(ReminderRow {"AllConditions", "ab12", true, false, 0, true},
        ReminderRow {"NoToken", "", true, false, 0, false},
        ReminderRow {"PushUnavailable", "ab12", false, false, 0, false},
        ReminderRow {"BadgeShown", "ab12", true, true, 0, false},
        ReminderRow {"OtherAlertType", "ab12", true, false, 3, false}),
    test::RowName());

const char* const ownThemeFiles[] = {"ThemeBackground_%1.png", "ThemeBackground_%1_SearchBar.png",
    "ThemeBackground_%1_StartupTop.png", "ThemeIcon_%1.png"};

using fetemark::test::PrintTo;

enum class Before { Nothing, OwnPhoto, InterruptedCopy, LockHeldElsewhere, ReadOnly };

struct OwnThemeRow {
    const char* name;
    Before before;
    bool copied; // the four pictures of theme 9 are there as theme 100's afterwards
};

class AppDelegateOwnTheme : public ::testing::TestWithParam<OwnThemeRow> { };

TEST_P(AppDelegateOwnTheme, StartsFromThemeNine)
{
    const OwnThemeRow& row = GetParam();
    TempDir resources, dir;
    ASSERT_TRUE(QDir().mkpath(resources.file(u"images"_s)));
    for (const char* name : ownThemeFiles)
        ASSERT_TRUE(
            test::writeFile(resources.file(u"images/"_s + QString::fromLatin1(name).arg(9)), name));
    if (row.before == Before::OwnPhoto) {
        ASSERT_TRUE(test::writeFile(dir.file(u"ThemeBackground_100.png"_s), "mine"));
    }
    if (row.before == Before::InterruptedCopy) {
        ASSERT_TRUE(test::writeFile(dir.file(u"ThemeIcon_100.png"_s), "half"));
    }
    DataDirectoryLock other(dir.path()), ours(dir.path(), 50ms);
    if (row.before == Before::LockHeldElsewhere) {
        ASSERT_TRUE(other.acquire(DataDirectoryLock::Mode::Shared));
    }
    if (row.before == Before::ReadOnly) {
        Settings settings(dir.file(u"Preferences.plist"_s), nullptr, DataAccess::ReadOnly);
        AppDelegate({settings, DeviceEnvironment {u"UTC"_s, u"en_US"_s, {u"en"_s}}, dir.path(),
                        resources.path(), nullptr, nullptr, DataAccess::ReadOnly})
            .applicationDidFinishLaunching();
    } else {
        LaunchOptions options;
        options.lock = &ours;
        Launch(dir, "UTC", resources.path(), options);
    }
    for (const char* name : ownThemeFiles) {
        const QString path = dir.file(QString::fromLatin1(name).arg(100));
        if (!row.copied) {
            EXPECT_NE(test::readFile(path), QByteArray(name)) << name;
            continue;
        }
        EXPECT_EQ(test::readFile(path), QByteArray(name)) << name;
        EXPECT_EQ(test::modeOf(path) & 0777, 0700u) << name;
    }
    if (row.before == Before::OwnPhoto) {
        EXPECT_EQ(test::readFile(dir.file(u"ThemeBackground_100.png"_s)), QByteArray("mine"));
    }
}

INSTANTIATE_TEST_SUITE_P(AppDelegate, AppDelegateOwnTheme,
    ::testing::Values(OwnThemeRow {"FirstStart", Before::Nothing, true},
        OwnThemeRow {"OwnPhotoIsKept", Before::OwnPhoto, false},
        OwnThemeRow {"InterruptedCopyIsRedone", Before::InterruptedCopy, true},
        OwnThemeRow {"NotWithoutTheLock", Before::LockHeldElsewhere, false},
        OwnThemeRow {"NotInAReadOnlyRun", Before::ReadOnly, false}),
    test::RowName());

TEST(AppDelegate, MissingThemeResourcesAreNotAnError)
{
    TempDir empty;
    EXPECT_TRUE(Launch(empty, "UTC", empty.path()).app.takeWarnings().isEmpty());
    EXPECT_FALSE(QFile::exists(empty.file(u"ThemeBackground_100.png"_s)));
}

TEST(AppDelegate, OwnsTheSharedAndTheStandardTheme)
{
    TempDir dir;
    Launch launch(dir);
    launch.settings.setValue(u"applicationtheme"_s, qint64(9));
    EXPECT_EQ(launch.app.sharedTheme().currentTheme(), -1);
    launch.app.sharedTheme().loadTheme();
    EXPECT_EQ(&launch.app.sharedTheme(), &launch.app.sharedTheme());
    EXPECT_FALSE(launch.app.sharedTheme().isStandardTheme);
    EXPECT_EQ(launch.app.sharedTheme().backgroundImage.size(), QSize(780, 1560));
    EXPECT_TRUE(launch.app.standardTheme().isStandardTheme);
    EXPECT_EQ(launch.app.sharedTheme().customFilePath(), dir.path());
}

// A change queues a rebuild on the serial queue; the next change cancels it, so the
// stale notification is cancelled once, whichever rebuild does it.
TEST(AppDelegateRebuild, QueuedRebuildsLeaveTheWantedSchedule)
{
    TempDir dir;
    Launch launch(dir);
    EXPECT_TRUE(launch.app.lpsAvailable);
    RecordingStore store(true, 0);
    test::MemoryNotificationCenter center;
    center.scheduled = {{test::utc("2026-12-09T11:00:00Z"), {}, u"S"_s, {}, 0}};
    launch.app.setOccasionStore(&store);
    launch.app.setNotificationCenter(&center);
    launch.app.sendProviderData(false);
    launch.app.sendProviderData(false);
    launch.app.waitForNotifications();
    ASSERT_FALSE(center.scheduled.empty()) << "the clear-badge notification";
    EXPECT_TRUE(std::none_of(center.scheduled.begin(), center.scheduled.end(),
        [](const LocalNotification& n) { return n.alertBody == u"S"_s; }));
    EXPECT_EQ(center.changes, 1 + int(center.scheduled.size()));
}

// A notice posted from a rebuild's thread reaches the strip only while its owner lives.
TEST(AppDelegateRebuild, UpdatingNoticeAfterTheStripsOwnerWentIsDropped)
{
    TempDir dir;
    Launch launch(dir);
    for (const bool ownerStays : {true, false}) {
        auto owner = std::make_unique<QObject>();
        int told = 0;
        launch.app.setUpdatingNotificationsSignal([&told](bool) { ++told; }, owner.get());
        std::async(std::launch::async, [&] { launch.app.hideUpdatingNotifications(); }).wait();
        if (!ownerStays)
            owner.reset();
        QCoreApplication::processEvents();
        EXPECT_EQ(told, ownerStays ? 1 : 0) << (ownerStays ? "owner stays" : "owner gone");
    }
}

// The strip shows while a queued rebuild runs; a synchronous rebuild takes it down too,
// as it cancels the queued one that would have.
TEST(AppDelegateRebuild, UpdatingStripShowsWhileAQueuedRebuildRuns)
{
    TempDir dir;
    Launch launch(dir);
    RecordingStore store(true, 0);
    test::MemoryNotificationCenter center;
    launch.app.setOccasionStore(&store);
    launch.app.setNotificationCenter(&center);
    std::vector<bool> strip;
    launch.app.setUpdatingNotificationsSignal([&strip](bool shown) { strip.push_back(shown); });
    launch.app.sendProviderData(false);
    EXPECT_EQ(strip, std::vector {true});
    launch.app.waitForNotifications();
    const QDeadlineTimer deadline(5000);
    while (strip.size() < 2 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(strip, (std::vector {true, false}));
    launch.app.sendProviderData(true);
    EXPECT_EQ(strip, (std::vector {true, false, false}));
}

// Holds a queued rebuild where it reads the time, before it walks the records, until
// the test lets it go.
class GateClock final : public Clock {
public:
    QDateTime now() const override
    {
        gate.wait();
        return test::utc("2026-12-08T10:00:00Z");
    }
    std::shared_future<void> gate;
};

// A birthday of "name" on each of the 20 days after 2026-12-08, in Berlin.
std::vector<OccasionRecordPtr> birthdays(const QString& name)
{
    std::vector<OccasionRecordPtr> records;
    const Calendar berlin(u"Europe/Berlin"_s);
    for (int day = 9; day < 29; ++day) {
        auto r = std::make_shared<OccasionRecord>();
        r->name = r->firstName = name;
        r->notificationDate = OccasionCalculator::notificationKey(berlin.date(2026, 12, day));
        records.push_back(r);
    }
    return records;
}

// The window flips a record's reminder while a rebuild runs: the rebuild keeps planning
// from the records as they were when it was queued.
TEST(AppDelegateRebuild, RecordsChangedWhileAQueuedRebuildRunsDoNotReachIt)
{
    TempDir dir;
    std::promise<void> release;
    GateClock clock;
    clock.gate = release.get_future().share();
    Launch launch(dir, "Europe/Berlin", u":/resources"_s, {ReminderDelivery::Local, {}, &clock});
    RecordingStore store(true, 0);
    store.list = birthdays(u"Anna"_s);
    test::MemoryNotificationCenter center;
    launch.app.setOccasionStore(&store);
    launch.app.setNotificationCenter(&center);
    launch.app.sendProviderData(false);
    for (const OccasionRecordPtr& r : store.list) {
        r->alertsOff = true;
        r->name = r->firstName = u"Bert"_s;
    }
    release.set_value();
    // Plain fields only: no shared string count orders these writes before its reads.
    for (int round = 0; round < 200; ++round)
        for (const OccasionRecordPtr& r : store.list)
            r->alertsOff = !r->alertsOff;
    launch.app.waitForNotifications();
    const auto named = [&](const QString& name) {
        return std::count_if(center.scheduled.begin(), center.scheduled.end(),
            [&](const LocalNotification& n) { return n.alertBody.contains(name); });
    };
    EXPECT_GT(named(u"Anna"_s), 0);
    EXPECT_EQ(named(u"Bert"_s), 0);
}

// Service delivery with an e-mail alert to tell, on a loaded book.
struct ServiceLaunch {
    explicit ServiceLaunch(
        const QString& base, ReminderDelivery delivery = ReminderDelivery::Service)
        : launch(dir, "Europe/Berlin", u":/resources"_s, {delivery, base})
    {
        launch.settings.setValue(QString(Key::EmailAlerts), true);
        launch.settings.setValue(QString(Key::EmailAlertChangePending), true);
        launch.app.setOccasionStore(&store);
    }
    void sendAndSettle()
    {
        launch.app.sendProviderData(false);
        const QDeadlineTimer deadline(5s);
        do
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        while (launch.app.providerClient() && launch.app.providerClient()->isBusy() &&
            !deadline.hasExpired());
    }
    TempDir dir;
    Launch launch;
    RecordingStore store {true, 0};
};

struct DeliveryRow {
    const char* name;
    ReminderDelivery delivery;
    int afterChanges;    // two sends with nothing changed between
    int afterSuspension; // a change, then suspension
};

class AppDelegateDelivery : public ::testing::TestWithParam<DeliveryRow> { };

TEST_P(AppDelegateDelivery, SendsOneRequestPerChangeAndWaitsForItOnSuspension)
{
    const DeliveryRow& row = GetParam();
    test::ServiceThread service;
    ServiceLaunch s(service.url(), row.delivery);
    EXPECT_EQ(s.launch.app.lpsAvailable, row.delivery == ReminderDelivery::Local);
    s.sendAndSettle();
    s.sendAndSettle();
    EXPECT_EQ(service.targets().size(), row.afterChanges);
    EXPECT_EQ(s.launch.app.initialProviderRequestDone(), row.afterChanges > 0);
    s.store.list = birthdays(u"Anna"_s);
    s.launch.app.applicationDidEnterBackground();
    // No event is handled after it returns: the request has gone and been answered.
    EXPECT_EQ(service.targets().size(), row.afterSuspension);
    if (row.afterSuspension > 0) {
        EXPECT_EQ(service.targets().last().count(','), 19) << "twenty days listed";
    }
    EXPECT_TRUE(s.launch.app.takeWarnings().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(AppDelegate, AppDelegateDelivery,
    ::testing::Values(DeliveryRow {"Local", ReminderDelivery::Local, 0, 0},
        DeliveryRow {"Service", ReminderDelivery::Service, 1, 2}),
    test::RowName());

struct ChoiceRow {
    const char* name;
    const char* configured;
    bool centerUsable;
    std::optional<ReminderDelivery> expected;
};

class AppDelegateDeliveryChoice : public ::testing::TestWithParam<ChoiceRow> { };

TEST_P(AppDelegateDeliveryChoice, FollowsTheConfigurationAndTheCenter)
{
    const ChoiceRow& row = GetParam();
    QString error;
    EXPECT_EQ(AppDelegate::reminderDelivery(
                  QString::fromLatin1(row.configured), row.centerUsable, &error),
        row.expected);
    EXPECT_EQ(!error.isEmpty() && error.contains(QLatin1String(row.configured)), !row.expected);
}

INSTANTIATE_TEST_SUITE_P(AppDelegate, AppDelegateDeliveryChoice,
    ::testing::Values(ChoiceRow {"Default", "", true, ReminderDelivery::Local},
        ChoiceRow {"Local", "local", true, ReminderDelivery::Local},
        ChoiceRow {"Service", "service", true, ReminderDelivery::Service},
        ChoiceRow {"NoCenter", "", false, ReminderDelivery::Service},
        ChoiceRow {"LocalWithoutCenter", "local", false, ReminderDelivery::Service},
        ChoiceRow {"Unknown", "email", true, std::nullopt}),
    test::RowName());

// These tests run under a QCoreApplication, as a front end without a GUI application:
// the rebuild cannot measure and keeps to the length rule (173 characters fit).
TEST(AppDelegateRebuild, WithoutAGuiApplicationLengthAloneDecides)
{
    ASSERT_FALSE(AlertTextMeasure::create());
    TempDir dir;
    Launch launch(dir, "UTC");
    RecordingStore store(true, 0);
    const QString tomorrow =
        OccasionCalculator::notificationKey(Calendar(u"UTC"_s).date(2026, 12, 9));
    for (int i = 0; i < 4; ++i) {
        auto r = std::make_shared<OccasionRecord>();
        r->name = u"Bartholomew Featherstonehaugh"_s;
        r->notificationDate = tomorrow;
        store.list.push_back(r);
    }
    test::MemoryNotificationCenter center;
    launch.app.setOccasionStore(&store);
    launch.app.setNotificationCenter(&center);
    launch.app.sendProviderData(true);
    const QString full = u"Bartholomew Featherstonehaugh's Birthday"_s;
    EXPECT_TRUE(std::any_of(
        center.scheduled.begin(), center.scheduled.end(), [&](const LocalNotification& n) {
            return n.alertBody == u"Today: "_s + QStringList(4, full).join(u", "_s);
        }));
}

} // namespace
