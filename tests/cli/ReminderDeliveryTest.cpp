// Writing commands with reminders delivered by the service: each change reaches a real
// HTTP server on 127.0.0.1 once, while the command runs; local delivery asks nothing.
#include "support/ServiceThread.h"
#include "support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace fetemark;
using namespace Qt::StringLiterals;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

struct Step {
    const char* command; // split at "|"
    int requests;        // the server has seen after it
};

struct DeliveryRow {
    const char* name;
    const char* reminders; // FETEMARK_REMINDERS; null: unset
    std::vector<Step> steps;
};

class ReminderDelivery : public testing::TestWithParam<DeliveryRow> { };

} // namespace

TEST_P(ReminderDelivery, EachChangeAsksTheServiceOnce)
{
    const DeliveryRow& row = GetParam();
    TempDir dir;
    test::ServiceThread service;
    test::RunOptions options("2026-03-05T10:00", "UTC", "en_GB");
    options.environment << u"FETEMARK_SERVICE_URL="_s + service.url();
    if (row.reminders)
        options.environment << u"FETEMARK_REMINDERS="_s + QLatin1String(row.reminders);
    for (const Step& step : row.steps) {
        SCOPED_TRACE(step.command);
        const CommandResult r =
            test::runFetemarkIn(dir, QString::fromLatin1(step.command).split(u'|'), options);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        // The run waited for its request: it has arrived once the command has ended.
        EXPECT_EQ(service.targets().size(), step.requests);
    }
    const bool local = QFile::exists(dir.file(u"Notifications.plist"_s));
    EXPECT_EQ(local, row.reminders == nullptr);
}

INSTANTIATE_TEST_SUITE_P(Rows, ReminderDelivery,
    testing::Values(
        DeliveryRow {"Service", "service",
            {{"settings|set|email-alerts|YES", 1},
                {"custom|add|--name|Anna|--date|1980-03-12|--type|birthday", 2}, {"list", 2},
                {"settings|set|show-photos|NO", 2}, {"settings|set|email-alerts|NO", 3},
                {"custom|add|--name|Bo|--date|1981-03-12|--type|birthday", 3}}},
        DeliveryRow {"Local", nullptr,
            {{"settings|set|email-alerts|YES", 0},
                {"custom|add|--name|Anna|--date|1980-03-12|--type|birthday", 0}}}),
    test::RowName());

TEST(ReminderDelivery, AnUnreachableServiceIsOneWarningWithoutItsAddress)
{
    TempDir dir;
    test::ServiceThread service(true);
    test::RunOptions options("2026-03-05T10:00", "UTC", "en_GB");
    options.environment << u"FETEMARK_SERVICE_URL="_s + service.url()
                        << u"FETEMARK_REMINDERS=service"_s;
    const CommandResult r =
        test::runFetemarkIn(dir, {u"settings"_s, u"set"_s, u"email-alerts"_s, u"YES"_s}, options);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err.count(u'\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith(u"fetemark: warning: "_s)) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(u"127.0.0.1"_s)) << r.err.toStdString();
}

TEST(ReminderDelivery, AnUnknownDeliveryIsRefused)
{
    TempDir dir;
    test::RunOptions options("2026-03-05T10:00", "UTC");
    options.environment << u"FETEMARK_REMINDERS=push"_s;
    const CommandResult r = test::runFetemarkIn(dir, {u"list"_s}, options);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(u"FETEMARK_REMINDERS: 'push'"_s)) << r.err.toStdString();
}
