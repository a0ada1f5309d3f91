// The window as a program: `fetemark --gui` run for real (offscreen), with its
// configuration folder in a temporary place. The first start installs the notifier
// agent once; a second start brings the first window forward and ends; SIGTERM ends the
// window through its event loop, so that its termination steps run.
#include "gui/WindowInstance.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QThread>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace fetemark::test {
namespace {

enum class Before { Nothing, Offered, KilledWindow };

struct WindowRow {
    const char* name;
    QStringList options;
    Before before;
    bool agentAfter;
};

class SessionWindow : public ::testing::TestWithParam<WindowRow> {
protected:
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"XDG_CONFIG_HOME"_s, config.path());
        env.insert(u"HOME"_s, config.path());
        env.insert(u"TZ"_s, u"Europe/Berlin"_s);
        // No service manager: the agent's files are written, nothing is started.
        env.insert(u"PATH"_s, u"/nonexistent"_s);
        return env;
    }
    void start(QProcess& process) const
    {
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(FETEMARK_BINARY),
            QStringList {u"--data-dir"_s, data.path(), u"--gui"_s} + GetParam().options);
    }
    // Starts a window and waits until it answers; the milliseconds that took.
    qint64 startAnswering(QProcess& window) const
    {
        QElapsedTimer shown;
        shown.start();
        start(window);
        EXPECT_TRUE(window.waitForStarted());
        gui::WindowInstance instance(QDir(data.path()).absolutePath());
        while (!instance.activateRunning()) {
            if (window.state() != QProcess::Running || shown.elapsed() > 30000) {
                ADD_FAILURE() << window.readAllStandardError().toStdString();
                return -1;
            }
            QThread::msleep(50);
        }
        return shown.elapsed();
    }
    QString autostart() const
    {
        return config.path() + u"/autostart/org.fetemark.Notifier.desktop"_s;
    }

    TempDir config;
    TempDir data;
};

TEST_P(SessionWindow, StartsOnceInstallsTheAgentOnceAndEndsCleanlyOnTerm)
{
    if (GetParam().before == Before::Offered) {
        ASSERT_TRUE(QDir().mkpath(config.path() + u"/fetemark"_s));
        QFile mark(config.path() + u"/fetemark/notifier-agent-offered"_s);
        ASSERT_TRUE(mark.open(QIODevice::WriteOnly));
    }
    if (GetParam().before == Before::KilledWindow) {
        // Its socket stays behind; the next window takes it over.
        QProcess killed;
        ASSERT_GE(startAnswering(killed), 0);
        killed.kill();
        ASSERT_TRUE(killed.waitForFinished());
    }
    QProcess window;
    const auto stop = qScopeGuard([&window] {
        window.kill();
        window.waitForFinished();
    });
    const qint64 answering = startAnswering(window);
    ASSERT_GE(answering, 0);
    std::printf("window answering after %lld ms\n", static_cast<long long>(answering));
    EXPECT_EQ(QFileInfo::exists(autostart()), GetParam().agentAfter);

    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_EQ(window.state(), QProcess::Running);

    // Ended through the event loop (aboutToQuit: the termination steps), not by the signal.
    window.terminate();
    ASSERT_TRUE(window.waitForFinished(10000));
    EXPECT_EQ(window.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(window.exitCode(), 0) << window.readAllStandardError().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, SessionWindow,
    ::testing::Values(WindowRow {"FirstStart", {}, Before::Nothing, true},
        WindowRow {"AgentOfferedBefore", {}, Before::Offered, false},
        WindowRow {"Demo", {u"--demo"_s}, Before::Nothing, false},
        WindowRow {"AfterAKilledWindow", {}, Before::KilledWindow, true}),
    RowName());

} // namespace
} // namespace fetemark::test
