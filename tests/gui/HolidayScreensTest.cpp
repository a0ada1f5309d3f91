#include "GuiFixture.h"

#include "core/holidays/HolidaySubscriptions.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "gui/detail/ThemedSwitch.h"
#include "gui/navigation/NavigationController.h"
#include "gui/screens/HolidayCells.h"
#include "gui/screens/HolidaySelectionViewController.h"
#include "gui/screens/HolidaySettingsViewController.h"
#include "gui/screens/MainViewController.h"
#include "gui/widgets/ChoiceSheet.h"

#include <QAbstractButton>
#include <QLabel>

namespace fetemark::test {
namespace {

const QString Germany = QStringLiteral("DE");

class HolidayScreensTest : public GuiFixture {
protected:
    MainViewController& main() { return m_window->mainViewController(); }
    NavigationController& navigation() { return m_window->navigation(); }

    void openLoaded()
    {
        openWindow();
        ASSERT_TRUE(waitFor([&] { return main().isLoaded() && !main().isUpdating(); }));
    }

    // Holidays shown and Germany's Christmas checked, as a restart finds them.
    void seedChristmas()
    {
        openWindow();
        m_session->settings().setValue(QString(Key::ShowHolidays), true);
        ASSERT_TRUE(m_session->settings().synchronize());
        ASSERT_TRUE(HolidaySubscriptions::update(
            m_session->settings(), &m_session->lock(), [](HolidaySubscriptions& subscriptions) {
                subscriptions.setCategory(Germany, {QStringLiteral("christmas-day")});
            }));
        openLoaded();
    }

    HolidaySettingsViewController* openSettings()
    {
        HolidaySettingsViewController* screen = m_window->showHolidaySettings(false);
        settle();
        return screen;
    }

    HolidaySelectionViewController* openGermany(HolidaySettingsViewController* settings)
    {
        emit settings->categoryRow(Germany)->activated();
        settle();
        return qobject_cast<HolidaySelectionViewController*>(navigation().topViewController());
    }

    void back()
    {
        navigation().topViewController()->backPressed();
        settle();
    }

    void settle()
    {
        waitFor([&] { return !navigation().isAnimating(); });
    }

    QStringList holidayRows(const QString& category)
    {
        QStringList keys;
        for (const OccasionRecordPtr& record : main().list().records()) {
            if (record->isHoliday && record->category == category)
                keys << record->holidayKey;
        }
        keys.sort();
        return keys;
    }

    HolidaySubscriptions subscriptions() const
    {
        return HolidaySubscriptions::fromSettings(m_session->settings());
    }
};

// From nothing chosen to Germany's holidays in the list: the switch, the category, Check
// All, and Back twice, the second behind the busy shade.
TEST_F(HolidayScreensTest, CheckingACountryListsItsHolidays)
{
    openLoaded();
    HolidaySettingsViewController* settings = openSettings();
    EXPECT_FALSE(settings->showHolidaysSwitch()->isChecked());
    EXPECT_FALSE(settings->tutorialRow()->isEnabled());
    QTest::mouseClick(settings->showHolidaysSwitch(), Qt::LeftButton);
    HolidaySelectionViewController* germany = openGermany(settings);
    ASSERT_NE(germany, nullptr);
    EXPECT_EQ(germany->checkAllButton()->accessibleName(), QStringLiteral("Check All"));
    QTest::mouseClick(germany->checkAllButton(), Qt::LeftButton);
    // Every holiday with a day in the coming year becomes a row.
    const qsizetype total = qsizetype(germany->selection().items().size());
    QStringList listed;
    for (const HolidayItem& item : germany->selection().items()) {
        if (!item.wayout)
            listed << item.key;
    }
    listed.sort();
    back();
    ASSERT_EQ(navigation().topViewController(), settings);
    EXPECT_EQ(settings->categoryRow(Germany)->valueLabel()->text(),
        QStringLiteral("%1 of %1").arg(total));

    back();
    ASSERT_NE(settings->busyOverlay(), nullptr);
    EXPECT_TRUE(settings->busyOverlay()->isActive());
    EXPECT_EQ(settings->busyOverlay()->text(), QStringLiteral("Updating..."));
    EXPECT_FALSE(settings->isBackEnabled());
    ASSERT_TRUE(waitFor([&] { return navigation().topViewController() == &main(); }));
    settle();
    EXPECT_FALSE(listed.isEmpty());
    EXPECT_EQ(holidayRows(Germany), listed);
}

struct SelectionCase {
    const char* name;
    std::function<void(HolidaySelectionViewController&)> act;
    QStringList checked; // Germany's, as stored
    const char* value;   // the category row's value text afterwards; %1: Germany's holidays
    bool dimmed;
};

// The row of one of Germany's holidays.
HolidayValueRow* rowOf(const HolidaySelectionViewController& screen, const char* key)
{
    const std::vector<HolidayItem>& items = screen.selection().items();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].key == QLatin1String(key))
            return screen.rows()[i];
    }
    return nullptr;
}

void PrintTo(const SelectionCase& row, std::ostream* out)
{
    *out << row.name;
}

class HolidaySelection : public HolidayScreensTest,
                         public ::testing::WithParamInterface<SelectionCase> { };

const SelectionCase selectionCases[] = {
    {"UncheckAll",
        [](HolidaySelectionViewController& screen) {
            QTest::mouseClick(screen.uncheckAllButton(), Qt::LeftButton);
        },
        {}, "Off", true},
    {"ClickAddsOne",
        [](HolidaySelectionViewController& screen) {
            QTest::mouseClick(rowOf(screen, "good-friday"), Qt::LeftButton);
        },
        {QStringLiteral("christmas-day"), QStringLiteral("good-friday")}, "2 of %1", false},
    {"SpaceRemovesTheLast",
        [](HolidaySelectionViewController& screen) {
            QTest::keyClick(rowOf(screen, "christmas-day"), Qt::Key_Space);
        },
        {}, "Off", true},
};

TEST_P(HolidaySelection, IsStoredAndSummedUpOnTheCategoryRow)
{
    seedChristmas();
    HolidaySettingsViewController* settings = openSettings();
    HolidaySelectionViewController* germany = openGermany(settings);
    ASSERT_NE(germany, nullptr);
    const qsizetype total = qsizetype(germany->rows().size());
    ASSERT_NE(rowOf(*germany, "christmas-day"), nullptr);
    ASSERT_NE(rowOf(*germany, "good-friday"), nullptr);
    EXPECT_EQ(rowOf(*germany, "christmas-day")->mark(), HolidayValueRow::Mark::Checked);
    EXPECT_EQ(rowOf(*germany, "good-friday")->mark(), HolidayValueRow::Mark::Unchecked);
    EXPECT_EQ(rowOf(*germany, "good-friday")->valueLabel()->text(), QStringLiteral("Apr 3"));
    GetParam().act(*germany);
    // Stored at once, before Back.
    EXPECT_EQ(subscriptions().checkedHolidays(Germany), GetParam().checked);
    back();
    HolidayValueRow* row = settings->categoryRow(Germany);
    EXPECT_EQ(row->valueLabel()->text(), QString::fromUtf8(GetParam().value).arg(total));
    EXPECT_EQ(row->isValueDimmed(), GetParam().dimmed);
    openWindow();
    EXPECT_EQ(subscriptions().checkedHolidays(Germany), GetParam().checked);
    EXPECT_TRUE(subscriptions().hasCategory(Germany));
}

INSTANTIATE_TEST_SUITE_P(Cases, HolidaySelection, ::testing::ValuesIn(selectionCases),
    [](const auto& info) { return std::string(info.param.name); });

// Hiding a holiday asks nothing: the row goes, with its subscription.
TEST_F(HolidayScreensTest, HidingAHolidayRowUnsubscribesIt)
{
    seedChristmas();
    ASSERT_EQ(holidayRows(Germany), QStringList {QStringLiteral("christmas-day")});
    const auto& records = main().list().records();
    const auto it = std::find_if(
        records.begin(), records.end(), [](const auto& record) { return record->isHoliday; });
    main().deleteRow(int(it - records.begin()));
    EXPECT_EQ(m_window->findChild<ChoiceSheet*>(), nullptr);
    EXPECT_TRUE(holidayRows(Germany).isEmpty());
    EXPECT_FALSE(subscriptions().hasCategory(Germany));
    openLoaded();
    EXPECT_TRUE(holidayRows(Germany).isEmpty());
}

// Holiday alerts are stored as switched; leaving without a change leaves at once.
TEST_F(HolidayScreensTest, AlertsSwitchOutlastsARestart)
{
    openLoaded();
    openSettings();
    back();
    EXPECT_EQ(navigation().topViewController(), &main());

    HolidaySettingsViewController* settings = openSettings();
    QTest::mouseClick(settings->holidayAlertsSwitch(), Qt::LeftButton);
    EXPECT_TRUE(settings->changesMade());
    openLoaded();
    EXPECT_TRUE(openSettings()->holidayAlertsSwitch()->isChecked());
}

} // namespace
} // namespace fetemark::test
