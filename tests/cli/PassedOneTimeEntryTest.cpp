// A one-time custom entry whose day has passed: `custom add` keeps it and says so, and
// `show`, `list` and --json tell its real day and that it is past.
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace fetemark;
using namespace Qt::StringLiterals;

namespace {

struct PassedRow {
    std::string name;
    const char* date;
    const char* locale;
    int pastDays;
    bool warned;
    bool listed;
    // What `show` and --json say
    const char* dateLine;
    const char* phrase;
    const char* sortDate;
    int days;
};

class PassedOneTimeEntry : public testing::TestWithParam<PassedRow> { };

TEST_P(PassedOneTimeEntry, KeptToldAndShownWithItsDay)
{
    const PassedRow& row = GetParam();
    const test::TempDir dir;
    const test::RunOptions at("2027-03-01", "Europe/Berlin", row.locale);
    ASSERT_EQ(test::runFetemarkIn(
                  dir, {u"settings"_s, u"set"_s, u"1145"_s, QString::number(row.pastDays)}, at)
                  .exitCode,
        0);
    const test::CommandResult added = test::runFetemarkIn(dir,
        {u"custom"_s, u"add"_s, u"--name"_s, u"Trip"_s, u"--date"_s, QString::fromLatin1(row.date),
            u"--once"_s},
        at);
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    const QString id = added.out.trimmed();
    EXPECT_EQ(
        added.err.contains(u"warning: the one-time date"_s) && added.err.contains(u"has passed"_s),
        row.warned)
        << added.err.toStdString();

    const test::CommandResult shown = test::runFetemarkIn(dir, {u"show"_s, id}, at);
    EXPECT_TRUE(shown.out.contains(
        QString::fromUtf8(row.dateLine) + u'\n' + QString::fromUtf8(row.phrase) + u'\n'))
        << shown.out.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(
        test::runFetemarkIn(dir, {u"--json"_s, u"show"_s, id}, at).out.toUtf8())
                                 .object();
    EXPECT_EQ(json[u"sortDate"_s].toString().toStdString(), row.sortDate);
    EXPECT_EQ(json[u"daysUntilDate"_s].toInt(), row.days);
    EXPECT_EQ(json[u"isBelated"_s].toBool(), row.days < 0);

    const test::CommandResult list = test::runFetemarkIn(dir, {u"list"_s}, at);
    EXPECT_EQ(list.out.contains(QString::fromUtf8(row.phrase) + u"  ["_s + id), row.listed)
        << list.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, PassedOneTimeEntry,
    testing::Values(
        PassedRow {"YearsAgo", "2020-05-01", "en_US", 0, true, false,
            "Birthday \u00b7 Friday, May 1, 2020", "2495 days ago", "2020-05-01", -2495},
        PassedRow {"YearsAgoInGerman", "2020-05-01", "de_DE", 0, true, false,
            "Geburtstag \u00b7 Freitag, 1. Mai 2020", "Vor 2495 Tagen", "2020-05-01", -2495},
        PassedRow {"WithinThePastDaysListed", "2027-02-27", "en_US", 7, true, true,
            "Birthday \u00b7 Saturday, February 27", "2 days ago", "2027-02-27", -2},
        PassedRow {"TodayIsNotPast", "2027-03-01", "en_US", 0, false, true,
            "Birthday \u00b7 Monday, March 1", "Today", "2027-03-01", 0},
        PassedRow {"WithoutYearItComesRound", "--02-10", "en_US", 0, false, true,
            "Birthday \u00b7 Thursday, February 10", "In 11\u00bd months", "2028-02-10", 346}),
    test::RowName());

} // namespace
