#include "gui/widgets/ChoiceSheet.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace fetemark {
namespace {

struct AnswerRow {
    const char* name;
    int click; // button index; -1: Escape
    int expected;
};

class ChoiceSheetAnswers : public ::testing::TestWithParam<AnswerRow> { };

// Every way out answers exactly once, with the tag it was asked with.
TEST_P(ChoiceSheetAnswers, AnswerOnceWithTheirTag)
{
    QWidget window;
    window.resize(390, 780);
    window.show();
    std::vector<std::pair<int, int>> answers;
    QPointer<ChoiceSheet> sheet =
        ChoiceSheet::ask(&window, ChoiceSheet::Style::Sheet, QStringLiteral("Delete?"), {},
            {{QStringLiteral("Delete"), ChoiceSheet::Role::Destructive},
                {QStringLiteral("Cancel"), ChoiceSheet::Role::Cancel}},
            1004, [&](ChoiceSheet& s, int index) { answers.emplace_back(s.tag(), index); });
    if (GetParam().click >= 0)
        QTest::mouseClick(sheet->button(GetParam().click), Qt::LeftButton);
    else
        QTest::keyClick(sheet, Qt::Key_Escape);
    QTest::qWait(1);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0], std::make_pair(1004, GetParam().expected));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sheet.isNull());
}

const AnswerRow AnswerRows[] = {
    {"Destructive", 0, 0},
    {"Cancel", 1, 1},
    {"EscapeIsCancel", -1, 1},
};
INSTANTIATE_TEST_SUITE_P(Ways, ChoiceSheetAnswers, ::testing::ValuesIn(AnswerRows),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChoiceSheet, CancelledSilentlyTellsNobody)
{
    QWidget window;
    window.show();
    bool told = false;
    ChoiceSheet* sheet =
        ChoiceSheet::ask(&window, ChoiceSheet::Style::Alert, {}, QStringLiteral("+49 30 1234"),
            {{QStringLiteral("Call")}}, 7, [&](ChoiceSheet&, int) { told = true; });
    sheet->cancelSilently();
    EXPECT_FALSE(told);
}

} // namespace
} // namespace fetemark
