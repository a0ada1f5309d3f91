// `fetemark custom edit` refusing a value: the entry stays exactly as it was stored.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fetemark;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

CommandResult fetemarkIn(const TempDir& dir, const QStringList& args)
{
    return test::runFetemarkIn(dir, args, test::RunOptions("2027-03-01", "Europe/Berlin"));
}

TEST(CustomEdit, RefusedYearOnADateWithoutYearChangesNothing)
{
    TempDir dir;
    const CommandResult added = fetemarkIn(dir,
        {QStringLiteral("custom"), QStringLiteral("add"), QStringLiteral("--name"),
            QStringLiteral("Grandma"), QStringLiteral("--date"), QStringLiteral("--03-04")});
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    const QString id = added.out.trimmed();
    const QString before = fetemarkIn(dir, {QStringLiteral("show"), id}).out;

    const CommandResult refused = fetemarkIn(dir,
        {QStringLiteral("custom"), QStringLiteral("edit"), id, QStringLiteral("--name"),
            QStringLiteral("Grandpa"), QStringLiteral("--label"), QStringLiteral("Visit"),
            QStringLiteral("--year")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("--year"))) << refused.err.toStdString();

    const CommandResult after = fetemarkIn(dir, {QStringLiteral("show"), id});
    EXPECT_EQ(after.exitCode, 0) << after.err.toStdString();
    EXPECT_EQ(after.out, before);
    EXPECT_TRUE(after.out.contains(QStringLiteral("Grandma")));
}

} // namespace
