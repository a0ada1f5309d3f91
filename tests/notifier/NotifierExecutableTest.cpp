#include "NotifierTestSupport.h"
#include "support/TestSupport.h"

#include "core/reminders/PlistNotificationCenter.h"
#include "core/time/Clock.h"
#include "platform/files/DataDirectory.h"

#include <csignal>

namespace fetemark {
namespace {

const QString AgentName = QStringLiteral("org.fetemark.Notifier");

class NotifierExecutableTest : public testing::Test {
protected:
    // The agent with its own data home and the given changes to its environment.
    void start(QProcess& agent, const QStringList& environment = {}) const
    {
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.remove(QStringLiteral("FETEMARK_DATA_DIR"));
        variables.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.path());
        for (const QString& setting : environment)
            variables.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        agent.setProcessEnvironment(variables);
        agent.start(QStringLiteral(FETEMARK_NOTIFIER_BINARY), QStringList {});
        ASSERT_TRUE(agent.waitForStarted(15000));
    }
    static void stop(QProcess& agent, int signalNumber)
    {
        ASSERT_EQ(::kill(pid_t(agent.processId()), signalNumber), 0);
        ASSERT_TRUE(agent.waitForFinished(15000));
        EXPECT_EQ(agent.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(agent.exitCode(), 0) << agent.readAllStandardError().toStdString();
    }

    test::TempDir m_dir;
};

struct StopRow {
    const char* name;
    int signalNumber;
};

void PrintTo(const StopRow& row, std::ostream* os)
{
    *os << row.name;
}

class NotifierExecutableStopTest : public NotifierExecutableTest,
                                   public testing::WithParamInterface<StopRow> { };

TEST_P(NotifierExecutableStopTest, RunsOncePerSessionAndStopsCleanly)
{
    QProcess first;
    start(first);
    ASSERT_TRUE(test::waitForBusName(AgentName, true))
        << first.readAllStandardError().toStdString();

    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardError().contains("another fetemark-notifier runs"));
    EXPECT_EQ(first.state(), QProcess::Running);

    stop(first, GetParam().signalNumber);
    EXPECT_TRUE(test::waitForBusName(AgentName, false));
}

INSTANTIATE_TEST_SUITE_P(Rows, NotifierExecutableStopTest,
    testing::Values(StopRow {"Terminated", SIGTERM}, StopRow {"Interrupted", SIGINT}),
    test::RowName());

TEST_F(NotifierExecutableTest, WaitsForASessionBus)
{
    QProcess agent;
    start(agent,
        {QStringLiteral("DBUS_SESSION_BUS_ADDRESS=unix:path=") +
            m_dir.file(QStringLiteral("no-bus"))});
    ASSERT_FALSE(agent.waitForFinished(2000)) << agent.readAllStandardError().toStdString();
    EXPECT_TRUE(agent.readAllStandardError().contains(
        "fetemark-notifier: no D-Bus session bus (")); // then it tries again later
    stop(agent, SIGTERM);
}

TEST_F(NotifierExecutableTest, ShowsWhatIsDueAndWhatComesDueThroughTheDesktop)
{
    const QString dataDirectory = m_dir.file(QStringLiteral("fetemark"));
    ASSERT_TRUE(DataDirectory::create(dataDirectory));
    const SystemClock clock;
    PlistNotificationCenter center(dataDirectory, nullptr, clock);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    ASSERT_TRUE(center.setScheduledLocalNotifications(
        {{now.addSecs(-60), {}, QStringLiteral("Anna turns 40"), {}, 2},
            {now.addSecs(3), {}, QStringLiteral("Bo & Cy"), {}, 0}}));
    test::StandInServer server(m_dir.file(QStringLiteral("calls.jsonl")));
    ASSERT_TRUE(server.start(QStringLiteral("actions,body,body-markup")));

    QProcess agent;
    start(agent);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return server.calls(QStringLiteral("Notify")).size() == 2; }, 30000))
        << agent.readAllStandardError().toStdString();
    const QList<QJsonObject> shown = server.calls(QStringLiteral("Notify"));
    EXPECT_EQ(shown[0][QStringLiteral("args")][4].toString(), QStringLiteral("Anna turns 40"));
    EXPECT_EQ(shown[1][QStringLiteral("args")][4].toString(), QStringLiteral("Bo &amp; Cy"));
    stop(agent, SIGTERM);
}

} // namespace
} // namespace fetemark
