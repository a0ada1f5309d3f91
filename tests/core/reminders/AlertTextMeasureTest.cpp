// Alert texts laid out in the shipped font: how many lines a text takes in the 260 px
// box, and the days whose text the height rule, not the length rule, makes shorter.
#include "core/reminders/AlertTextMeasure.h"
#include "core/reminders/NotificationPlanner.h"
#include "core/text/Texts.h"
#include "core/time/Calendar.h"
#include "support/RowPrinter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

using namespace fetemark;

namespace {

using fetemark::test::PrintTo;

QString repeated(const char* part, int times, const char* separator = "")
{
    QStringList parts;
    for (int i = 0; i < times; ++i)
        parts << QString::fromUtf8(part);
    return parts.join(QString::fromUtf8(separator));
}

struct LayoutRow {
    const char* name;
    QString text;
    int lines;
    bool taller;
};

const LayoutRow layoutRows[] = {
    {"OneLine", QStringLiteral("Today: Anna's Birthday"), 1, false},
    {"FiveLineFeeds", repeated("Anna", 5, "\n"), 5, false},
    {"SixLineFeeds", repeated("Anna", 6, "\n"), 6, true},
    {"FiveWrappedLines", repeated("Birthday", 15, " "), 5, false},
    {"SixWrappedLinesUnder240", repeated("Bartholomew's Birthday", 6, ", "), 6, true},
    {"LongWordBrokenIntoFive", repeated("x", 100), 5, false},
    {"LongWordBrokenIntoSix", repeated("x", 130), 6, true},
    {"WideLettersUnder240", repeated("WWWW", 18, " "), 6, true},
};

class Layout : public ::testing::TestWithParam<LayoutRow> { };

TEST_P(Layout, CountsWrappedLines)
{
    const LayoutRow& row = GetParam();
    const std::optional<AlertTextMeasure> measure = AlertTextMeasure::create();
    ASSERT_TRUE(measure);
    ASSERT_LE(row.text.size(), NotificationPlanner::MaxAlertLength);
    EXPECT_EQ(measure->layout(row.text).lines, row.lines) << row.text.toStdString();
    EXPECT_EQ(measure->tallerThanBox(row.text), row.taller);
}

INSTANTIATE_TEST_SUITE_P(
    AlertTextMeasure, Layout, ::testing::ValuesIn(layoutRows), test::RowName());

// Rebuilds run on a queue thread, each with its own measure, beside the main thread.
TEST(AlertTextMeasure, MeasuresAlikeOnWorkerThreads)
{
    const auto measureAll = [](std::vector<int>& out) {
        const auto tallerThanBox = AlertTextMeasure::plannerTest();
        for (int round = 0; round < 20; ++round) {
            for (const LayoutRow& row : layoutRows)
                out.push_back(tallerThanBox && tallerThanBox(row.text) == row.taller);
        }
    };
    std::vector<int> first, second;
    std::thread a(measureAll, std::ref(first)), b(measureAll, std::ref(second));
    a.join();
    b.join();
    EXPECT_EQ(first, std::vector<int>(20 * std::size(layoutRows), 1));
    EXPECT_EQ(second, first);
}

std::vector<OccasionRecordPtr> people(int count, int type, const char* name, const char* first)
{
    std::vector<OccasionRecordPtr> out;
    for (int i = 0; i < count; ++i) {
        auto r = std::make_shared<OccasionRecord>();
        r->type = type;
        r->name = QString::fromUtf8(name);
        r->firstName = QString::fromUtf8(first);
        out.push_back(r);
    }
    return out;
}

DayRecords day(const std::vector<OccasionRecordPtr>& records)
{
    DayRecords out;
    for (const OccasionRecordPtr& r : records)
        out.push_back(r.get());
    return out;
}

struct StepRow {
    const char* name;
    std::vector<OccasionRecordPtr> today;
    std::vector<OccasionRecordPtr> ahead;
    const char* measured; // the text with the height rule; null: as without it
};

const auto bartholomews = [](int count) {
    return people(count, 0, "Bartholomew Featherstonehaugh", "Bartholomew");
};
const std::vector<OccasionRecordPtr> anna = people(1, 0, "Anna Berg", "Anna");

const StepRow stepRows[] = {
    {"TwoTakeFirstNames", bartholomews(2), anna,
        "Today: Bartholomew's Birthday, Bartholomew's Birthday\nIn 1 Week: Anna's Birthday"},
    {"FourTakeShortKinds", bartholomews(4), anna,
        "Today: Bartholomew (bday), Bartholomew (bday), Bartholomew (bday), Bartholomew "
        "(bday)\nIn 1 Week: Anna (bday)"},
    {"SevenTakeShortKinds", people(7, 1, "Al Bo", "Al"), people(3, 0, "Cy Do", "Cy"),
        "Today: Al (anniv), Al (anniv), Al (anniv), Al (anniv), Al (anniv), Al (anniv), Al "
        "(anniv)\nIn 1 Week: Cy (bday), Cy (bday), Cy (bday)"},
    {"EightTakeNamesAhead", people(8, 1, "Al Bo", "Al"), people(3, 0, "Cy Do", "Cy"),
        "Today: Al (anniv), Al (anniv), Al (anniv), Al (anniv), Al (anniv), Al (anniv), Al "
        "(anniv), Al (anniv)\nIn 1 Week: Cy, Cy, Cy"},
    {"SixTakeCounts", bartholomews(6), anna, "Today: 6 Occasions\nIn 1 Week: 1 Occasion"},
    {"OneFitsAsItIs", bartholomews(1), anna, nullptr},
};

class Step : public ::testing::TestWithParam<StepRow> { };

TEST_P(Step, HeightRuleShortensTheText)
{
    const StepRow& row = GetParam();
    const Texts texts(QStringLiteral("EN"));
    const Calendar cal(QStringLiteral("UTC"));
    NotificationSettings settings;
    settings.upcomingWindow = 7;
    NotificationPlanner planner(settings, cal, texts);
    const QString byLength = planner.alertText(day(row.today), day(row.ahead));
    ASSERT_LE(byLength.size(), NotificationPlanner::MaxAlertLength);
    planner.setTallerThanBox(AlertTextMeasure::plannerTest());
    const QString measured = planner.alertText(day(row.today), day(row.ahead));
    EXPECT_EQ(measured.toStdString(), row.measured ? row.measured : byLength.toStdString());
    if (row.measured) {
        EXPECT_NE(byLength.toStdString(), row.measured);
    }
    EXPECT_FALSE(AlertTextMeasure::create()->tallerThanBox(measured));
}

INSTANTIATE_TEST_SUITE_P(AlertTextMeasure, Step, ::testing::ValuesIn(stepRows), test::RowName());

} // namespace
