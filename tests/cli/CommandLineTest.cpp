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
const QString shownName = QStringLiteral("\\x1b[2J\\x1b]0;owned\\x07Eve\\u007f\\u0085\\u202elive");

// Any character a terminal acts on, other than line break and tab.
bool hasHidden(const QString& text)
{
    static const QRegularExpression hidden(QStringLiteral(
        "[\\x{0}-\\x{8}\\x{b}-\\x{1f}\\x{7f}-\\x{9f}\\x{202a}-\\x{202e}\\x{2066}-\\x{2069}]"));
    return text.contains(hidden);
}

QString addHostile(const TempDir& dir)
{
    const CommandResult r = test::runFetemarkIn(dir,
        {QStringLiteral("custom"), QStringLiteral("add"), QStringLiteral("--name"), hostileName,
            QStringLiteral("--date"), QStringLiteral("1990-03-05")},
        March2027);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return r.out.trimmed();
}

} // namespace

TEST(CommandLine, ListAndShowPrintControlsInNamesAsEscapes)
{
    TempDir dir;
    const QString id = addHostile(dir);
    for (const QStringList& args :
        {QStringList {QStringLiteral("list")}, QStringList {QStringLiteral("show"), id}}) {
        const CommandResult r = test::runFetemarkIn(dir, args, March2027);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(shownName)) << r.out.toStdString();
        EXPECT_FALSE(hasHidden(r.out)) << r.out.toStdString();
    }
}

TEST(CommandLine, ErrorMessagesPrintControlsAsEscapes)
{
    TempDir dir;
    const CommandResult r = test::runFetemarkIn(
        dir, {QStringLiteral("show"), QStringLiteral("\x1b[31mcustom-\u202e")}, March2027);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("'\\x1b[31mcustom-\\u202e'"))) << r.err.toStdString();
    EXPECT_FALSE(hasHidden(r.err)) << r.err.toStdString();
}

TEST(CommandLine, ExportsToStandardOutputKeepTheirBytes)
{
    TempDir dir;
    addHostile(dir);
    const CommandResult r =
        test::runFetemarkIn(dir, {QStringLiteral("export"), QStringLiteral("csv")}, March2027);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(hostileName)) << r.out.toStdString();
}

// `list` streams its JSON, `show` has Qt write it; both stay JSON with the same names.
TEST(CommandLine, JsonEscapesControlsAndKeepsTheNames)
{
    TempDir dir;
    const QString id = addHostile(dir);
    const CommandResult list =
        test::runFetemarkIn(dir, {QStringLiteral("--json"), QStringLiteral("list")}, March2027);
    const CommandResult show =
        test::runFetemarkIn(dir, {QStringLiteral("--json"), QStringLiteral("show"), id}, March2027);
    for (const CommandResult& r : {list, show}) {
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_FALSE(hasHidden(r.out)) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("\\u001b]0;owned\\u0007Eve\\u007f")))
            << r.out.toStdString();
    }

    const QJsonObject shown = QJsonDocument::fromJson(show.out.toUtf8()).object();
    EXPECT_EQ(shown.value(QStringLiteral("name")).toString(), hostileName);
    const QJsonArray groups = QJsonDocument::fromJson(list.out.toUtf8())
                                  .object()
                                  .value(QStringLiteral("groups"))
                                  .toArray();
    ASSERT_FALSE(groups.isEmpty()) << list.out.toStdString();
    const QJsonArray rows = groups[0].toObject().value(QStringLiteral("rows")).toArray();
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows[0].toObject().value(QStringLiteral("name")).toString(), hostileName);
}
