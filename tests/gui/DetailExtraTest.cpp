#include "gui/DetailPage.h"

#include "gui/detail/DetailRow.h"
#include "gui/detail/DetailedInfoCells.h"
#include "gui/detail/DetailedInfoExtraController.h"
#include "gui/detail/ThemedSwitch.h"

#include <QLabel>
#include <QRegularExpression>
#include <QTimeZone>

namespace fetemark::test {
namespace {

class DetailExtraTest : public DetailPageFixture {
protected:
    DetailedInfoExtraController* openExtra(DetailedInfoViewController* page)
    {
        emit page->settingsRow()->activated();
        settle();
        return qobject_cast<DetailedInfoExtraController*>(
            m_window->navigation().topViewController());
    }
};

// Turning an occasion's reminders off and its year off is kept after Back and a restart,
// and the page shows the date without its year at once.
TEST_F(DetailExtraTest, SwitchesAreStoredOnBackAndSurviveARestart)
{
    ASSERT_EQ(fetemark({"custom", "add", "--name", "Lea", "--date", "2001-03-09"}).exitCode, 0);
    openWindow();
    DetailedInfoViewController* page = openPage(QStringLiteral("Lea"));
    ASSERT_TRUE(page);
    DetailedInfoExtraController* extra = openExtra(page);
    ASSERT_TRUE(extra && extra->showYearSwitch() && extra->alertsSwitch());
    EXPECT_TRUE(extra->alertsSwitch()->isChecked());
    QTest::mouseClick(extra->alertsSwitch(), Qt::LeftButton);
    QTest::mouseClick(extra->showYearSwitch(), Qt::LeftButton);
    EXPECT_TRUE(page->record()->alertsOff);
    extra->backPressed();
    settle();
    ASSERT_EQ(m_window->navigation().topViewController(), page);
    EXPECT_EQ(page->topCell()->dateLabel()->text(), QStringLiteral("March 9"));

    openWindow();
    const OccasionRecordPtr lea = record(QStringLiteral("Lea"));
    ASSERT_TRUE(lea);
    EXPECT_TRUE(lea->alertsOff);
    EXPECT_TRUE(lea->ignoreYear);
    const CommandResult result = fetemark({"list", "--json"});
    const QString shown = result.out + result.err;
    EXPECT_TRUE(shown.contains(QRegularExpression(QStringLiteral(R"("alertsOff"\s*:\s*true)"))))
        << shown.toStdString();
}

// A one-time occasion that lies in the past cannot get its year back: the switch is
// refused with an alert and stays off.
TEST_F(DetailExtraTest, OneTimeOccasionInThePastKeepsItsYearOff)
{
    openWindow();
    auto record = std::make_shared<OccasionRecord>();
    record->name = QStringLiteral("Lea's graduation");
    record->isCustomEntry = true;
    record->onetime = true;
    record->ignoreYear = true;
    record->rawDate = QDateTime(QDate(2025, 5, 28), QTime(0, 0), QTimeZone("Europe/Berlin"));
    auto* extra = new DetailedInfoExtraController(*m_session, record, nullptr, record->name);
    push(extra);
    ASSERT_FALSE(extra->showYearSwitch()->isChecked());
    QTest::mouseClick(extra->showYearSwitch(), Qt::LeftButton);
    auto* sheet = openSheet();
    ASSERT_TRUE(sheet);
    EXPECT_FALSE(sheet->title().isEmpty());
    EXPECT_FALSE(extra->showYearSwitch()->isChecked());
    EXPECT_TRUE(record->ignoreYear);
    ASSERT_TRUE(answer(ChoiceSheet::Role::Cancel));
}

struct ExtraRowsCase {
    const char* name;
    bool holiday;
    bool lionNoYear;
    int rows;
    bool yearEnabled;
    bool footer; // holiday reminders are off by default
};

class DetailExtraRowsTest : public DetailPageFixture,
                            public testing::WithParamInterface<ExtraRowsCase> { };

TEST_P(DetailExtraRowsTest, RowsFollowTheKindOfOccasion)
{
    const ExtraRowsCase& row = GetParam();
    auto record = std::make_shared<OccasionRecord>();
    record->name = QStringLiteral("Occasion");
    record->isHoliday = row.holiday;
    record->lionNoYear = row.lionNoYear;
    ASSERT_EQ(fetemark({"settings", "set", "holiday-alerts", "0"}).exitCode, 0);
    openWindow();
    auto* extra = new DetailedInfoExtraController(*m_session, record, nullptr, record->name);
    push(extra);
    ASSERT_EQ(extra->sections().size(), 1u);
    EXPECT_EQ(int(extra->sections().front().rows.size()), row.rows);
    EXPECT_EQ(extra->showYearSwitch() != nullptr, !row.holiday);
    if (extra->showYearSwitch()) {
        EXPECT_EQ(extra->showYearSwitch()->isEnabled(), row.yearEnabled);
    }
    EXPECT_EQ(extra->sections().front().footer.isEmpty(), !row.footer);
    EXPECT_EQ(extra->alertsSwitch()->accessibleName(), QStringLiteral("Alerts"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, DetailExtraRowsTest,
    testing::Values(ExtraRowsCase {"datedOccasion", false, false, 2, true, false},
        ExtraRowsCase {"dateWithoutYear", false, true, 2, false, false},
        ExtraRowsCase {"holiday", true, false, 1, false, true}),
    RowName());

} // namespace
} // namespace fetemark::test
