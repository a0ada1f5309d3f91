#pragma once

#include "core/holidays/HolidayChoices.h"
#include "gui/detail/DetailScreen.h"
#include "gui/widgets/BusyOverlay.h"

#include <QPointer>

#include <optional>

namespace fetemark {

class HolidaySelectionViewController;
class HolidayValueRow;
class ThemedSwitch;

// The holiday settings: whether holidays show and remind, and the countries and religions
// whose holidays can be chosen. Leaving it after a change rebuilds the holiday rows
// behind a busy shade.
class HolidaySettingsViewController : public DetailScreen {
    Q_OBJECT
public:
    static constexpr int ProcessDelayMilliseconds = 1000;

    explicit HolidaySettingsViewController(ApplicationSession& session, QWidget* parent = nullptr);

    ThemedSwitch* showHolidaysSwitch() const { return m_showHolidays; }
    ThemedSwitch* holidayAlertsSwitch() const { return m_holidayAlerts; }
    // Shown disabled: there is no tutorial to open yet.
    HolidayValueRow* tutorialRow() const { return m_tutorial; }
    // The row of a country or religion; null when none is offered.
    HolidayValueRow* categoryRow(const QString& key) const;
    bool changesMade() const { return m_changesMade; }
    // The shade while the holiday rows are rebuilt; null before Back.
    BusyOverlay* busyOverlay() const { return m_busy; }

    // Pushes the holidays of `key` (as a click on its row does).
    HolidaySelectionViewController* openCategory(const QString& key);

    void viewWillAppear(bool animated) override;
    void backPressed() override;

private:
    Section categorySection(const QString& headerKey, const QString& english,
        const std::vector<HolidayCategoryRow>& categories);
    Section switchSection();
    void showHolidaysChanged(bool on);
    void holidayAlertsChanged(bool on);
    bool storeSwitch(const QString& key, bool on);
    void processHolidaysChanged();
    void refreshValues();

    std::optional<HolidayCategoryList> m_categories;
    std::vector<std::pair<QString, HolidayValueRow*>> m_rows;
    ThemedSwitch* m_showHolidays = nullptr;
    ThemedSwitch* m_holidayAlerts = nullptr;
    HolidayValueRow* m_tutorial = nullptr;
    QPointer<BusyOverlay> m_busy;
    bool m_changesMade = false;
};

} // namespace fetemark
