// What `fetemark` prints for people, with names that try to take over the terminal.
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace fetemark;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

const test::RunOptions March2027("2027-03-01", "Europe/Berlin", "en_US");

// Clears the screen, sets the window title, rings the bell, and turns "evil" around.
const QString hostileName = QStringLiteral("\x1b[2J\x1b]0;owned\x07"
                                           "Eve\x7f\u0085\u202e"
                                           "live");

// Any character a terminal acts on, other than line break and tab.
bool hasHidden(const QString& text)
{
    static const QRegularExpression hidden(QStringLiteral(
        "[\\x{0}-\\x{8}\\x{b}-\\x{1f}\\x{7f}-\\x{9f}\\x{202a}-\\x{202e}\\x{2066}-\\x{2069}]"));
    return text.contains(hidden);
}

CommandResult run(const TempDir& dir, const QStringList& args)
{
    const CommandResult r = test::runFetemarkIn(dir, args, March2027);
    EXPECT_FALSE(hasHidden(r.out) || hasHidden(r.err))
        << r.out.toStdString() << r.err.toStdString();
    return r;
}

QString addHostile(const TempDir& dir)
{
    return run(dir,
        {QStringLiteral("custom"), QStringLiteral("add"), QStringLiteral("--name"), hostileName,
            QStringLiteral("--date"), QStringLiteral("1990-03-05")})
        .out.trimmed();
}

} // namespace

TEST(CommandLine, TextOutputAndMessagesPrintControlsAsEscapes)
{
    TempDir dir;
    const QString id = addHostile(dir);
    const QString shown = QStringLiteral("\\x1b[2J\\x1b]0;owned\\x07Eve\\u007f\\u0085\\u202elive");
    // The list cuts the long name to its column.
    EXPECT_TRUE(run(dir, {QStringLiteral("list")}).out.contains(shown.left(20)));
    EXPECT_TRUE(run(dir, {QStringLiteral("show"), id}).out.contains(shown));
    const CommandResult refused = run(dir, {QStringLiteral("show"), QStringLiteral("\x1b[31mx")});
    EXPECT_TRUE(refused.err.contains(QStringLiteral("'\\x1b[31mx'"))) << refused.err.toStdString();
}

// `list` streams its JSON, `show` has Qt write it: both read back with the same name.
TEST(CommandLine, JsonOutputKeepsTheNamesEscaped)
{
    TempDir dir;
    const QString id = addHostile(dir);
    const QJsonObject list = QJsonDocument::fromJson(
        run(dir, {QStringLiteral("--json"), QStringLiteral("list")}).out.toUtf8())
                                 .object();
    const QJsonObject row = list[QStringLiteral("groups")][0][QStringLiteral("rows")][0].toObject();
    EXPECT_EQ(row[QStringLiteral("name")].toString(), hostileName);
    const QJsonObject show = QJsonDocument::fromJson(
        run(dir, {QStringLiteral("--json"), QStringLiteral("show"), id}).out.toUtf8())
                                 .object();
    EXPECT_EQ(show[QStringLiteral("name")].toString(), hostileName);
}

TEST(CommandLine, ExportsToStandardOutputKeepTheirBytes)
{
    TempDir dir;
    addHostile(dir);
    const CommandResult r =
        test::runFetemarkIn(dir, {QStringLiteral("export"), QStringLiteral("csv")}, March2027);
    EXPECT_TRUE(r.out.contains(hostileName)) << r.out.toStdString();
}
