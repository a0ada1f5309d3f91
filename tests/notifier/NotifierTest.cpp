#include "NotifierFixture.h"

#include "notifier/DeliveryRecord.h"
#include "notifier/FireMoment.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <optional>

// Table rows name only the fields they set.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace fetemark::test {
namespace {

enum class Action { Wake, Restart, ReplaceSchedule, ServiceGone, ServiceBack };

// One moment of a scenario: what happens, then what the person has seen so far, the
// wake asked for next ("" for none) and how many lines were logged so far.
struct Step {
    const char* now = nullptr; // the clock moves there, then the notifier is woken
    Action action = Action::Wake;
    const char* zone = nullptr; // the machine moves to this zone first
    QStringList shown;
    const char* wake = "";
    int logged = 0;
    std::optional<std::vector<int>> badges; // shown on the launcher so far
    std::optional<int> fileBadge;
};

struct Scenario {
    const char* name;
    const char* zone;
    int fileBadge;
    std::vector<LocalNotification> schedule;
    std::vector<Step> steps;                    // the first one starts the notifier
    std::vector<LocalNotification> replacement; // what ReplaceSchedule writes
};

const char* const Berlin = "Europe/Berlin";

class NotifierScenario : public testing::TestWithParam<Scenario> { };

void perform(NotifierHarness& harness, const Step& step, const Scenario& scenario, bool first)
{
    if (step.zone)
        harness.zone = QString::fromLatin1(step.zone);
    switch (step.action) {
    case Action::Wake:
        break;
    case Action::Restart:
        harness.clock.set(utc(step.now));
        harness.restart();
        return;
    case Action::ReplaceSchedule:
        ASSERT_TRUE(harness.center.setScheduledLocalNotifications(scenario.replacement));
        ASSERT_TRUE(harness.waitForWakeAt(*step.wake ? utc(step.wake) : QDateTime()));
        return;
    case Action::ServiceGone:
    case Action::ServiceBack:
        harness.probe->setReachable(step.action == Action::ServiceBack);
        break;
    }
    if (first) {
        harness.clock.set(utc(step.now));
        harness.start();
    } else
        harness.wakeAt(step.now);
}

TEST_P(NotifierScenario, ShowsEachNotificationOnceAtItsTime)
{
    const Scenario& scenario = GetParam();
    const NotifierLog log;
    NotifierHarness harness(scenario.steps.front().now, scenario.zone);
    ASSERT_TRUE(harness.center.setScheduledLocalNotifications(scenario.schedule));
    ASSERT_TRUE(harness.center.setApplicationIconBadgeNumber(scenario.fileBadge));
    for (size_t i = 0; i < scenario.steps.size(); ++i) {
        const Step& step = scenario.steps[i];
        SCOPED_TRACE(testing::Message() << "step " << i << " at " << step.now);
        perform(harness, step, scenario, i == 0);
        EXPECT_EQ(harness.probe->alertsShown(), step.shown);
        EXPECT_EQ(harness.wake.asked, *step.wake ? utc(step.wake) : QDateTime());
        EXPECT_EQ(log.lines().size(), step.logged) << log.lines().join(u'\n').toStdString();
        if (step.badges) {
            EXPECT_EQ(harness.probe->badgesShown(), *step.badges);
        }
        if (step.fileBadge) {
            EXPECT_EQ(harness.center.contents()->applicationIconBadgeNumber, *step.fileBadge);
        }
    }
    for (const QString& line : log.lines()) {
        for (const LocalNotification& notification : scenario.schedule) {
            if (!notification.alertBody.isEmpty()) {
                EXPECT_FALSE(line.contains(notification.alertBody)) << line.toStdString();
            }
        }
    }
}

const QStringList Anna {QStringLiteral("Anna")};
const QStringList AnnaBen {QStringLiteral("Anna"), QStringLiteral("Ben")};

INSTANTIATE_TEST_SUITE_P(Notifier, NotifierScenario,
    testing::Values(Scenario {"AtTheRightMinuteNotASecondBefore", Berlin, 0,
                        {at("2026-03-05T12:00", Berlin, "Anna")},
                        {{.now = "2026-03-05T10:00:00Z", .wake = "2026-03-05T11:00:00Z"},
                            {.now = "2026-03-05T10:59:59Z", .wake = "2026-03-05T11:00:00Z"},
                            {.now = "2026-03-05T11:00:00Z", .shown = Anna}}},
        Scenario {"AcrossTheSpringChange", Berlin, 0,
            {at("2026-03-28T12:00", Berlin, "Anna"), at("2026-03-29T12:00", Berlin, "Ben")},
            {{.now = "2026-03-28T10:00:00Z", .wake = "2026-03-28T11:00:00Z"},
                {.now = "2026-03-28T11:00:00Z", .shown = Anna, .wake = "2026-03-29T10:00:00Z"},
                {.now = "2026-03-29T09:59:59Z", .shown = Anna, .wake = "2026-03-29T10:00:00Z"},
                {.now = "2026-03-29T10:00:00Z", .shown = AnnaBen}}},
        Scenario {"AcrossTheAutumnChange", Berlin, 0,
            {at("2026-10-24T12:00", Berlin, "Anna"), at("2026-10-25T12:00", Berlin, "Ben")},
            {{.now = "2026-10-24T09:00:00Z", .wake = "2026-10-24T10:00:00Z"},
                {.now = "2026-10-24T10:00:00Z", .shown = Anna, .wake = "2026-10-25T11:00:00Z"},
                {.now = "2026-10-25T10:59:59Z", .shown = Anna, .wake = "2026-10-25T11:00:00Z"},
                {.now = "2026-10-25T11:00:00Z", .shown = AnnaBen}}},
        Scenario {"AfterASuspendUnderTwelveHoursOnce", Berlin, 0,
            {at("2026-03-05T12:00", Berlin, "Anna")},
            {{.now = "2026-03-05T10:00:00Z", .wake = "2026-03-05T11:00:00Z"},
                {.now = "2026-03-05T22:59:59Z", .shown = Anna},
                {.now = "2026-03-05T23:30:00Z", .shown = Anna}}},
        Scenario {"AfterASuspendOverTwelveHoursNeverAndLogged", Berlin, 0,
            {at("2026-03-05T12:00", Berlin, "Anna")},
            {{.now = "2026-03-05T10:00:00Z", .wake = "2026-03-05T11:00:00Z"},
                {.now = "2026-03-05T23:00:01Z", .logged = 1},
                {.now = "2026-03-05T23:30:00Z", .logged = 1}}},
        Scenario {"AfterAZoneChangeAtNoonInNewYork", Berlin, 0,
            {at("2026-03-05T12:00", Berlin, "Anna")},
            {{.now = "2026-03-05T09:00:00Z", .wake = "2026-03-05T11:00:00Z"},
                {.now = "2026-03-05T11:00:00Z",
                    .zone = "America/New_York",
                    .wake = "2026-03-05T17:00:00Z"},
                {.now = "2026-03-05T17:00:00Z", .shown = Anna}}},
        Scenario {"ZoneLessAtItsAbsoluteMoment", Berlin, 0,
            {at("2026-03-05T12:00", Berlin, "Anna", 0, true)},
            {{.now = "2026-03-05T09:00:00Z",
                 .zone = "America/New_York",
                 .wake = "2026-03-05T11:00:00Z"},
                {.now = "2026-03-05T11:00:00Z", .shown = Anna}}},
        Scenario {"AfterItsOwnRestartNoSecondDelivery", Berlin, 0,
            {at("2026-03-05T12:00", Berlin, "Anna"), at("2026-03-05T12:30", Berlin, "Ben")},
            {{.now = "2026-03-05T11:00:00Z", .shown = Anna, .wake = "2026-03-05T11:30:00Z"},
                {.now = "2026-03-05T11:10:00Z",
                    .action = Action::Restart,
                    .shown = Anna,
                    .wake = "2026-03-05T11:30:00Z"},
                {.now = "2026-03-05T14:00:00Z", .action = Action::Restart, .shown = AnnaBen},
                {.now = "2026-03-05T15:00:00Z", .action = Action::Restart, .shown = AnnaBen}}},
        Scenario {"ScheduleReplacedWhileItWaits", Berlin, 0,
            {at("2026-03-05T12:00", Berlin, "Anna")},
            {{.now = "2026-03-05T09:00:00Z", .wake = "2026-03-05T11:00:00Z"},
                {.now = "2026-03-05T09:00:00Z",
                    .action = Action::ReplaceSchedule,
                    .wake = "2026-03-05T10:30:00Z"},
                {.now = "2026-03-05T10:30:00Z", .shown = {QStringLiteral("Ben")}}},
            {at("2026-03-05T11:30", Berlin, "Ben")}},
        Scenario {"FailingPresenterThatRecoversOnce", Berlin, 0,
            {at("2026-03-05T12:00", Berlin, "Anna"), at("2026-03-05T12:00", Berlin, "Ben")},
            {{.now = "2026-03-05T10:00:00Z", .wake = "2026-03-05T11:00:00Z"},
                {.now = "2026-03-05T11:00:00Z",
                    .action = Action::ServiceGone,
                    .wake = "2026-03-05T11:01:00Z",
                    .logged = 1},
                {.now = "2026-03-05T11:01:00Z", .wake = "2026-03-05T11:02:00Z", .logged = 1},
                {.now = "2026-03-05T11:02:00Z",
                    .action = Action::ServiceBack,
                    .shown = AnnaBen,
                    .logged = 2},
                {.now = "2026-03-05T11:03:00Z", .shown = AnnaBen, .logged = 2}}},
        Scenario {"BadgesOnlyTheLatestOfThoseDueTogether", Berlin, 3,
            {at("2026-03-05T18:00", Berlin, "", 2), at("2026-03-06T00:00", Berlin, "", -1),
                at("2026-03-06T12:00", Berlin, "Anna", 5)},
            {{.now = "2026-03-05T12:00:00Z",
                 .wake = "2026-03-05T17:00:00Z",
                 .badges = std::vector {3}},
                {.now = "2026-03-06T04:00:00Z",
                    .wake = "2026-03-06T11:00:00Z",
                    .badges = std::vector {3, 0},
                    .fileBadge = 0},
                {.now = "2026-03-06T11:00:00Z",
                    .shown = Anna,
                    .badges = std::vector {3, 0, 5},
                    .fileBadge = 5}}}),
    RowName());

struct FireRow {
    const char* name;
    LocalNotification notification;
    const char* currentZone;
    const char* fires;
};

LocalNotification withZone(const char* utcMoment, const char* zone)
{
    LocalNotification notification;
    notification.fireDate = utc(utcMoment);
    notification.timeZone = QString::fromLatin1(zone);
    return notification;
}

class FireMomentTable : public testing::TestWithParam<FireRow> { };

TEST_P(FireMomentTable, KeepsTheWallClockTimeInTheCurrentZone)
{
    const FireRow& row = GetParam();
    EXPECT_EQ(fireMoment(row.notification, QString::fromLatin1(row.currentZone)), utc(row.fires));
}

INSTANTIATE_TEST_SUITE_P(Notifier, FireMomentTable,
    testing::Values(FireRow {"InItsOwnZone", at("2026-03-05T12:00", Berlin, "A"), Berlin,
                        "2026-03-05T11:00:00Z"},
        FireRow {"AfterTravellingWest", at("2026-03-05T12:00", Berlin, "A"), "America/New_York",
            "2026-03-05T17:00:00Z"},
        FireRow {"SkippedTimeAtTheFirstMomentAfterTheGap",
            at("2026-03-29T02:30", "America/New_York", "A"), Berlin, "2026-03-29T01:00:00Z"},
        FireRow {"RepeatedTimeAtItsFirstOccurrence",
            at("2026-10-25T02:30", "America/New_York", "A"), Berlin, "2026-10-25T00:30:00Z"},
        FireRow {"ZoneLessAtItsAbsoluteMoment", at("2026-03-05T12:00", Berlin, "A", 0, true),
            "America/New_York", "2026-03-05T11:00:00Z"},
        FireRow {"UnknownOwnZoneAtItsAbsoluteMoment",
            withZone("2026-03-05T11:00:00Z", "Nowhere/Town"), Berlin, "2026-03-05T11:00:00Z"},
        FireRow {"UnknownCurrentZoneInItsOwn", at("2026-03-05T12:00", Berlin, "A"), "",
            "2026-03-05T11:00:00Z"}),
    RowName());

// A damaged record may have held anything that fired already: none of it is shown again.
TEST(Notifier, ShowsTheBadgeTheApplicationSetsWhileItRuns)
{
    NotifierHarness harness("2026-03-05T10:00:00Z", Berlin);
    harness.start();
    ASSERT_TRUE(harness.center.setApplicationIconBadgeNumber(4));
    const QDeadlineTimer deadline(5000);
    while (harness.probe->badgesShown().size() < 2 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(harness.probe->badgesShown(), (std::vector {0, 4}));
}

TEST(Notifier, SetsADamagedDeliveryRecordAsideAndShowsNothingTwice)
{
    const NotifierLog log;
    NotifierHarness harness("2026-03-05T11:30:00Z", Berlin);
    ASSERT_TRUE(harness.center.setScheduledLocalNotifications(
        {at("2026-03-05T12:00", Berlin, "Anna"), at("2026-03-05T14:00", Berlin, "Ben")}));
    const QString record = harness.dir.file(DeliveryRecord::FileName);
    ASSERT_TRUE(writeFile(record, "<plist><dict><key>delivered</key><string>x"));
    harness.start();
    EXPECT_TRUE(QFileInfo::exists(record + QStringLiteral(".damaged-20260305-113000")));
    EXPECT_EQ(modeOf(record), 0600u);
    EXPECT_EQ(log.lines().size(), 1) << log.lines().join(u'\n').toStdString();
    EXPECT_EQ(harness.wake.asked, utc("2026-03-05T13:00:00Z"));
    harness.clock.set(utc("2026-03-05T13:00:00Z"));
    harness.restart();
    EXPECT_EQ(harness.probe->alertsShown(), QStringList {QStringLiteral("Ben")});
}

TEST(Notifier, ADamagedScheduleIsLoggedOnceUntilReplaced)
{
    const NotifierLog log;
    NotifierHarness harness("2026-03-05T11:00:00Z", Berlin);
    ASSERT_TRUE(writeFile(harness.center.filePath(), "not a property list"));
    harness.start();
    harness.wakeAt("2026-03-05T11:01:00Z");
    EXPECT_EQ(log.lines().size(), 1);
    EXPECT_FALSE(harness.wake.asked.isValid());
    ASSERT_TRUE(
        harness.center.setScheduledLocalNotifications({at("2026-03-05T13:00", Berlin, "Anna")}));
    EXPECT_TRUE(harness.waitForWakeAt(utc("2026-03-05T12:00:00Z")));
}

// What is shown is recorded first, so a crash while showing never shows it again; what
// could not be shown is taken back.
TEST(Notifier, RecordsBeforeShowingAndTakesBackWhatFailed)
{
    NotifierHarness harness("2026-03-05T11:00:00Z", Berlin);
    const LocalNotification anna = at("2026-03-05T12:00", Berlin, "Anna");
    ASSERT_TRUE(harness.center.setScheduledLocalNotifications({anna}));
    const auto deliveredOnDisk = [&] {
        DeliveryRecord record(
            harness.dir.path(), &harness.lock, harness.clock, Notifier::MaxLatenessSeconds);
        return record.refresh(nullptr) && record.isDelivered(anna, utc("2026-03-05T11:00:00Z"));
    };
    std::vector<bool> recordedWhenShown;
    auto& presenter = dynamic_cast<RecordingPresenter&>(*harness.probe);
    presenter.beforeAlert = [&](const LocalNotification&) {
        recordedWhenShown.push_back(deliveredOnDisk());
    };
    presenter.setReachable(false);
    harness.start();
    EXPECT_FALSE(deliveredOnDisk());
    presenter.setReachable(true);
    harness.wakeAt("2026-03-05T11:01:00Z");
    EXPECT_EQ(recordedWhenShown, (std::vector {true, true}));
    EXPECT_EQ(presenter.alertsShown().size(), 1);
}

TEST(Notifier, PrunesRecordEntriesThatCanNoLongerBeShown)
{
    NotifierHarness harness("2026-03-05T11:00:00Z", Berlin);
    const LocalNotification anna = at("2026-03-05T12:00", Berlin, "Anna");
    ASSERT_TRUE(harness.center.setScheduledLocalNotifications({anna}));
    harness.start();
    const QString record = harness.dir.file(DeliveryRecord::FileName);
    const QByteArray identity = DeliveryRecord::identityOf(anna);
    EXPECT_TRUE(readFile(record).contains(identity));
    harness.wakeAt("2026-03-07T23:00:00Z");
    EXPECT_TRUE(readFile(record).contains(identity)) << "kept while a zone could still place it";
    harness.wakeAt("2026-03-07T23:00:01Z");
    EXPECT_FALSE(readFile(record).contains(identity));
    EXPECT_EQ(harness.probe->alertsShown().size(), 1);
}

} // namespace
} // namespace fetemark::test
