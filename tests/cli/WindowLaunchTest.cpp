// Whether `fetemark` opens the window or prints: the window only without a command, where
// there is a display or when asked for.
#include "support/TestSupport.h"

#include "cli/CommandLine.h"

#include <gtest/gtest.h>

namespace {

struct LaunchRow {
    const char* name;
    QStringList args;
    bool hasDisplay;
    bool window;
};

class WindowLaunch : public ::testing::TestWithParam<LaunchRow> { };

TEST_P(WindowLaunch, OpensTheWindowOnlyWithoutACommand)
{
    const LaunchRow& row = GetParam();
    const auto launch = fetemark::cli::windowLaunch(row.args, row.hasDisplay);
    EXPECT_EQ(launch.has_value(), row.window);
}

const LaunchRow LaunchRows[] = {
    {"NoCommandWithDisplay", {}, true, true},
    {"NoCommandWithoutDisplay", {}, false, false},
    {"GuiWithoutDisplay", {"--gui"}, false, true},
    {"NoGuiWithDisplay", {"--no-gui"}, true, false},
    {"JsonPrints", {"--json"}, true, false},
    {"CommandPrints", {"--gui", "list"}, true, false},
    {"OptionsBeforeNothing", {"--demo", "--tz", "Europe/Berlin"}, true, true},
    {"MistakeIsTheCommandLinesToReport", {"--tz"}, true, false},
    {"HelpPrints", {"--help"}, true, false},
};
INSTANTIATE_TEST_SUITE_P(
    Args, WindowLaunch, ::testing::ValuesIn(LaunchRows), fetemark::test::RowName {});

TEST(WindowLaunchOptions, CarryTheGlobalOptions)
{
    const auto launch = fetemark::cli::windowLaunch(
        {"--gui", "--data-dir", "/d", "--now", "2026-01-02", "--locale", "de_DE", "--demo"}, false);
    ASSERT_TRUE(launch);
    EXPECT_EQ(launch->dataDirectory, "/d");
    EXPECT_EQ(launch->now, "2026-01-02");
    EXPECT_EQ(launch->locale, "de_DE");
    EXPECT_TRUE(launch->demo);
}

TEST(WindowLaunchCommand, GuiWithoutAnyDisplayIsRefusedClearly)
{
    fetemark::test::TempDir dir;
    fetemark::test::RunOptions options;
    options.environment = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    const auto result = fetemark::test::runFetemarkIn(dir, {"--gui"}, options);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains("no display")) << result.err.toStdString();
}

} // namespace
