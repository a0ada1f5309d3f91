#include "app/AppDelegate.h"
#include "core/OccasionStore.h"
#include "core/Settings.h"
#include "platform/NotificationCenter.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <optional>

using namespace fetemark;
using fetemark::test::TempDir;

namespace {

// Records what suspension asked of the database.
class RecordingStore : public OccasionStore {
public:
    bool loaded = false;
    int upcoming = 0;
    int writes = 0;
    bool isLoaded() const override { return loaded; }
    void writeStores() override { ++writes; }
    int calculateUpcoming() override { return upcoming; }
};

class RecordingNotificationCenter : public NotificationCenter {
public:
    std::optional<int> badge;
    void setApplicationIconBadgeNumber(int number) override { badge = number; }
};

DeviceEnvironment device(const char* zone = "Europe/Berlin")
{
    return DeviceEnvironment{QString::fromLatin1(zone), QStringLiteral("en_US"), {QStringLiteral("en")}};
}

// One start of the application on a data directory, as the front ends do it.
struct Launch {
    explicit Launch(const QString& dataDir, const char* zone = "Europe/Berlin",
                    const QString& resources = QStringLiteral(":/resources"))
        : settings(QDir(dataDir).filePath(QStringLiteral("Preferences.plist")))
        , app(AppDelegate::Dependencies{settings, device(zone), dataDir, resources})
    {
        app.applicationDidFinishLaunching();
    }
    Settings settings;
    AppDelegate app;
};

void storeBeforeLaunch(const TempDir& dir, const QVariantMap& values)
{
    Settings settings(dir.file(QStringLiteral("Preferences.plist")));
    settings.load();
    for (auto it = values.begin(); it != values.end(); ++it)
        settings.setValue(it.key(), it.value());
    ASSERT_TRUE(settings.synchronize());
}

} // namespace

TEST(AppDelegate, UpcomingWindowIsForcedIntoRangeAtLaunch)
{
    struct Row {
        const char* name;
        std::optional<qint64> stored;
        qint64 expected;
    };
    const Row rows[] = {
        {"default", std::nullopt, 14}, {"45", 45, 31}, {"32", 32, 31}, {"31", 31, 31},
        {"0", 0, 0},                   {"-3", -3, 0},  {"7", 7, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        if (row.stored)
            storeBeforeLaunch(dir, {{QStringLiteral("upcomingwindow"), *row.stored}});
        Launch launch(dir.path());
        EXPECT_EQ(launch.settings.integerValue(QStringLiteral("upcomingwindow")), row.expected);
        Settings reread(dir.file(QStringLiteral("Preferences.plist")));
        reread.load();
        if (row.stored)
            EXPECT_EQ(reread.integerValue(QStringLiteral("upcomingwindow")), row.expected) << "the correction is stored";
    }
}

TEST(AppDelegate, FirstLaunchSeedsTheAlertTimeInEveryZone)
{
    for (const char* zone : {"Europe/Berlin", "Pacific/Auckland", "America/Sao_Paulo", "Pacific/Kiritimati", "UTC"}) {
        SCOPED_TRACE(zone);
        TempDir dir;
        Launch launch(dir.path(), zone);
        EXPECT_EQ(launch.settings.integerValue(QStringLiteral("alerttimehour")), 12);
        EXPECT_EQ(launch.settings.integerValue(QStringLiteral("alerttimeminute")), 0);
    }
}

TEST(AppDelegate, AlertTimeIsSeededFromAStoredLegacyAlertTimeOnlyWhileUnset)
{
    TempDir dir;
    Calendar berlin(QStringLiteral("Europe/Berlin"));
    storeBeforeLaunch(dir, {{QStringLiteral("alerttime"), berlin.date(2009, 6, 1, 8, 30)}});
    {
        Launch launch(dir.path());
        EXPECT_EQ(launch.settings.integerValue(QStringLiteral("alerttimehour")), 8);
        EXPECT_EQ(launch.settings.integerValue(QStringLiteral("alerttimeminute")), 30);
        launch.settings.setValue(QStringLiteral("alerttimehour"), qint64(19));
        ASSERT_TRUE(launch.settings.synchronize());
    }
    Launch again(dir.path());
    EXPECT_EQ(again.settings.integerValue(QStringLiteral("alerttimehour")), 19);
}

TEST(AppDelegate, InstallationIdIsAUuidThatNeverChanges)
{
    TempDir dir;
    const QRegularExpression uuid(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    QString first;
    {
        Launch launch(dir.path());
        first = launch.settings.stringValue(QStringLiteral("67E0"));
    }
    EXPECT_TRUE(uuid.match(first).hasMatch()) << first.toStdString();
    Launch second(dir.path());
    EXPECT_EQ(second.settings.stringValue(QStringLiteral("67E0")), first);

    TempDir other;
    Launch elsewhere(other.path());
    EXPECT_NE(elsewhere.settings.stringValue(QStringLiteral("67E0")), first);
}

TEST(AppDelegate, AnEmptyInstallationIdIsReplaced)
{
    TempDir dir;
    storeBeforeLaunch(dir, {{QStringLiteral("67E0"), QString()}});
    Launch launch(dir.path());
    EXPECT_EQ(launch.settings.stringValue(QStringLiteral("67E0")).size(), 36);
}

TEST(AppDelegate, ADamagedSettingsFileIsReportedAndLaunchGoesOn)
{
    TempDir dir;
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("Preferences.plist")), "<plist><dict><key>x"));
    Launch launch(dir.path());
    const QStringList warnings = launch.app.takeWarnings();
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("moved"))) << warnings[0].toStdString();
    EXPECT_EQ(launch.settings.integerValue(QStringLiteral("upcomingwindow")), 14);
    EXPECT_TRUE(launch.app.takeWarnings().isEmpty());
    const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("Preferences.plist.damaged-*")});
    EXPECT_EQ(aside.size(), 1);
}

TEST(AppDelegate, SuspensionBeforeTheFirstLoadWritesNothing)
{
    TempDir dir;
    Launch launch(dir.path());
    RecordingStore store;
    RecordingNotificationCenter center;
    store.upcoming = 4;
    launch.app.setOccasionStore(&store);
    launch.app.setNotificationCenter(&center);

    launch.app.applicationDidEnterBackground();
    launch.app.applicationWillTerminate();

    EXPECT_EQ(store.writes, 0);
    EXPECT_FALSE(center.badge.has_value());
}

TEST(AppDelegate, SuspensionWritesTheStoresAndSetsTheBadge)
{
    struct Row {
        const char* name;
        bool showCount;
        int upcoming;
        int badge;
    };
    const Row rows[] = {{"count shown", true, 4, 4}, {"count off", false, 4, 0}, {"nothing upcoming", true, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        Launch launch(dir.path());
        launch.settings.setValue(QStringLiteral("showcount"), row.showCount);
        RecordingStore store;
        store.loaded = true;
        store.upcoming = row.upcoming;
        RecordingNotificationCenter center;
        launch.app.setOccasionStore(&store);
        launch.app.setNotificationCenter(&center);

        launch.app.applicationDidEnterBackground();

        EXPECT_EQ(store.writes, 1);
        ASSERT_TRUE(center.badge.has_value());
        EXPECT_EQ(*center.badge, row.badge);
    }
}

TEST(AppDelegate, SuspensionStoresChangedSettings)
{
    TempDir dir;
    {
        Launch launch(dir.path());
        launch.settings.setValue(QStringLiteral("showage"), false);
        launch.app.applicationWillTerminate();
    }
    Settings reread(dir.file(QStringLiteral("Preferences.plist")));
    reread.load();
    EXPECT_FALSE(reread.boolValue(QStringLiteral("showage")));
}

TEST(AppDelegate, RemindersComeFromTheServiceOnlyWithPushAndNoBadge)
{
    struct Row {
        const char* name;
        const char* token;
        bool aps;
        bool showCount;
        qint64 alertType;
        bool expected;
    };
    const Row rows[] = {
        {"all conditions", "ab12", true, false, 0, true},
        {"no token", "", true, false, 0, false},
        {"push unavailable", "ab12", false, false, 0, false},
        {"badge shown", "ab12", true, true, 0, false},
        {"other alert type", "ab12", true, false, 3, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        Launch launch(dir.path());
        launch.app.deviceToken = QString::fromLatin1(row.token);
        launch.app.apsAvailable = row.aps;
        launch.settings.setValue(QStringLiteral("showcount"), row.showCount);
        launch.settings.setValue(QStringLiteral("alerttype"), row.alertType);
        EXPECT_EQ(launch.app.srunning(), row.expected);
    }
}

TEST(AppDelegate, TheOwnThemeStartsFromThemeNineOnce)
{
    TempDir resources;
    TempDir dir;
    ASSERT_TRUE(QDir().mkpath(resources.file(QStringLiteral("themes"))));
    for (const char* name : {"ThemeBackground_9.png", "ThemeBackground_9_SearchBar.png",
                             "ThemeBackground_9_StartupTop.png", "ThemeIcon_9.png"})
        ASSERT_TRUE(test::writeFile(resources.file(QStringLiteral("themes/") + QLatin1String(name)), name));

    {
        Launch launch(dir.path(), "UTC", resources.path());
    }
    for (const char* name : {"ThemeBackground_100.png", "ThemeBackground_100_SearchBar.png",
                             "ThemeBackground_100_StartupTop.png", "ThemeIcon_100.png"}) {
        SCOPED_TRACE(name);
        const QString path = dir.file(QLatin1String(name));
        ASSERT_TRUE(QFile::exists(path));
        EXPECT_EQ(QFile::permissions(path) & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    EXPECT_EQ(test::readFile(dir.file(QStringLiteral("ThemeIcon_100.png"))), QByteArray("ThemeIcon_9.png"));

    // The user's own pictures are never replaced by later starts.
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("ThemeBackground_100.png")), "mine"));
    QFile::remove(dir.file(QStringLiteral("ThemeIcon_100.png")));
    Launch again(dir.path(), "UTC", resources.path());
    EXPECT_EQ(test::readFile(dir.file(QStringLiteral("ThemeBackground_100.png"))), QByteArray("mine"));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("ThemeIcon_100.png"))));
}

TEST(AppDelegate, MissingThemeResourcesAreNotAnError)
{
    TempDir resources;
    TempDir dir;
    Launch launch(dir.path(), "UTC", resources.path());
    EXPECT_TRUE(launch.app.takeWarnings().isEmpty());
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("ThemeBackground_100.png"))));
}
