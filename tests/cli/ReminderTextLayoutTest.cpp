// Reminder texts measured in the shipped font by the `fetemark` command itself: which
// runs start the GUI application for it, and that they need no display to do so.
#include "cli/CommandLine.h"
#include "support/RowPrinter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fetemark;
using namespace Qt::StringLiterals;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

using fetemark::test::PrintTo;

struct ComposeRow {
    const char* name;
    QStringList args;
    bool composes;
};

class ComposesReminders : public ::testing::TestWithParam<ComposeRow> { };

TEST_P(ComposesReminders, IsDecidedFromTheArguments)
{
    EXPECT_EQ(cli::composesReminders(GetParam().args), GetParam().composes);
}

INSTANTIATE_TEST_SUITE_P(CommandLine, ComposesReminders,
    ::testing::Values(ComposeRow {"NoCommandLists", {}, false},
        ComposeRow {"List", {u"--data-dir"_s, u"D"_s, u"list"_s}, false},
        ComposeRow {"SettingsGet", {u"settings"_s, u"get"_s, u"alerttype"_s}, false},
        ComposeRow {"Badge", {u"--json"_s, u"badge"_s}, false},
        ComposeRow {"Plan", {u"notifications"_s, u"plan"_s, u"--json"_s}, true},
        ComposeRow {"Apply", {u"--now"_s, u"2027-01-01"_s, u"notifications"_s, u"apply"_s}, true},
        ComposeRow {"SettingsSet", {u"settings"_s, u"set"_s, u"alerttype"_s, u"1"_s}, true},
        ComposeRow {"CustomAdd", {u"custom"_s, u"add"_s, u"--name"_s, u"A"_s}, true},
        ComposeRow {"CommandHelp", {u"custom"_s, u"add"_s, u"--help"_s}, false},
        ComposeRow {"Version", {u"--version"_s, u"custom"_s, u"add"_s}, false},
        ComposeRow {"OptionWithoutValue", {u"--data-dir"_s}, false},
        ComposeRow {"UnknownCommand", {u"frobnicate"_s}, false}),
    test::RowName());

// No display, no platform chosen, no runtime directory: as under cron or over ssh.
test::RunOptions headless()
{
    test::RunOptions options("2027-03-01", "UTC", "en_US");
    options.environment = QStringList {
        u"QT_QPA_PLATFORM"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"XDG_RUNTIME_DIR"_s};
    return options;
}

CommandResult run(const TempDir& dir, const QStringList& args)
{
    const CommandResult r = test::runFetemarkIn(dir, args, headless());
    EXPECT_EQ(r.exitCode, 0) << args.join(u' ').toStdString();
    EXPECT_EQ(r.err.toStdString(), "");
    return r;
}

// Three names a line each are under 240 characters but taller than the box: only the
// count fits, in the plan as in the schedule written.
TEST(ReminderTextLayout, PlanAndApplyMeasureWithoutADisplay)
{
    TempDir dir;
    for (int i = 0; i < 3; ++i)
        run(dir,
            {u"custom"_s, u"add"_s, u"--name"_s, u"Bartholomew Featherstonehaugh"_s, u"--date"_s,
                u"1990-03-05"_s});
    EXPECT_TRUE(run(dir, {u"notifications"_s, u"plan"_s})
                    .out.contains(u"2027-03-05 12:00:00 UTC  badge 3  Today: 3 Occasions\n"_s));
    run(dir, {u"notifications"_s, u"apply"_s});
    const QByteArray schedule = test::readFile(dir.file(u"Notifications.plist"_s));
    EXPECT_TRUE(schedule.contains("Today: 3 Occasions"));
    EXPECT_FALSE(schedule.contains("Featherstonehaugh"));
}

// The GUI application never sees the command's arguments, which could pass for its own.
TEST(ReminderTextLayout, ArgumentsLikeQtOptionsStayWithTheCommand)
{
    TempDir dir;
    const QString id = run(dir,
        {u"custom"_s, u"add"_s, u"--name"_s, u"-reverse"_s, u"--date"_s, u"1990-03-05"_s,
            u"--notes"_s, u"--platform"_s})
                           .out.trimmed();
    const QString shown = run(dir, {u"show"_s, id}).out;
    EXPECT_TRUE(shown.contains(u"-reverse"_s) && shown.contains(u"--platform"_s))
        << shown.toStdString();
}

} // namespace
