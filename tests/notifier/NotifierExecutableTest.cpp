#include "NotifierTestSupport.h"
#include "support/TestSupport.h"

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

} // namespace
} // namespace fetemark
