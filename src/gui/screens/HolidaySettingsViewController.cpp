#include "HolidaySettingsViewController.h"

#include "HolidayCells.h"
#include "HolidaySelectionViewController.h"

#include "app/ApplicationSession.h"
#include "core/database/RecordDatabase.h"
#include "core/holidays/HolidayCatalogue.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "gui/detail/ThemedSwitch.h"
#include "gui/navigation/NavigationController.h"
#include "gui/widgets/BusyOverlay.h"
#include "gui/widgets/ChoiceSheet.h"

#include <QTimer>

namespace fetemark {
namespace {

const QString SettingsTable = QStringLiteral("Settings");

} // namespace

HolidaySettingsViewController::HolidaySettingsViewController(
    ApplicationSession& session, QWidget* parent)
    : DetailScreen(session, parent)
{
    const Texts& texts = session.texts();
    setTitle(
        texts.text(QStringLiteral("HolidaysTitle"), QStringLiteral("Holidays"), SettingsTable));
    m_categories.emplace(*HolidayCatalogue::shared(session.database().resourceRoot()), texts,
        session.device().countryCode());
    m_categories->refresh(HolidaySubscriptions::fromSettings(session.settings()));

    std::vector<Section> sections;
    sections.push_back(switchSection());
    sections.push_back(categorySection(
        QStringLiteral("CountryList"), QStringLiteral("Countries"), m_categories->countries()));
    sections.push_back(categorySection(
        QStringLiteral("ReligionsList"), QStringLiteral("Religions"), m_categories->religions()));
    setSections(std::move(sections));
    refreshValues();
}

DetailScreen::Section HolidaySettingsViewController::switchSection()
{
    const Texts& texts = m_session.texts();
    const Settings& settings = m_session.settings();
    Section section;
    const QString show =
        texts.text(QStringLiteral("ShowHolidays"), QStringLiteral("Show Holidays"), SettingsTable);
    auto* showRow = new SettingsRow(QStringLiteral("SettingsIcon_Holidays.png"), show);
    m_showHolidays = new ThemedSwitch(show);
    m_showHolidays->setChecked(settings.boolValue(QString(Key::ShowHolidays)));
    connect(m_showHolidays, &ThemedSwitch::toggled, this,
        &HolidaySettingsViewController::showHolidaysChanged);
    showRow->setAccessory(m_showHolidays);

    const QString alerts = texts.text(
        QStringLiteral("HolidayAlerts"), QStringLiteral("Holiday Alerts"), SettingsTable);
    auto* alertsRow = new SettingsRow(QStringLiteral("SettingsIcon_AlertType.png"), alerts);
    m_holidayAlerts = new ThemedSwitch(alerts);
    m_holidayAlerts->setChecked(settings.boolValue(QString(Key::HolidayAlerts)));
    connect(m_holidayAlerts, &ThemedSwitch::toggled, this,
        &HolidaySettingsViewController::holidayAlertsChanged);
    alertsRow->setAccessory(m_holidayAlerts);

    m_tutorial = new HolidayValueRow(QStringLiteral("SettingsIcon_Tutorial.png"),
        texts.text(
            QStringLiteral("TutorialTitle"), QStringLiteral("How Holidays Work"), SettingsTable));
    m_tutorial->setMark(HolidayValueRow::Mark::Disclosure);
    m_tutorial->setEnabled(false);
    section.rows = {showRow, alertsRow, m_tutorial};
    return section;
}

DetailScreen::Section HolidaySettingsViewController::categorySection(const QString& headerKey,
    const QString& english, const std::vector<HolidayCategoryRow>& categories)
{
    Section section;
    if (categories.empty())
        return section;
    section.header = m_session.texts().text(headerKey, english, SettingsTable);
    for (const HolidayCategoryRow& category : categories) {
        auto* row = new HolidayValueRow(QString(), category.title);
        row->setIcon(HolidayValueRow::holidayIcon(category.flagFileName));
        row->setMark(HolidayValueRow::Mark::Disclosure);
        row->setSelectable(true);
        const QString key = category.key;
        connect(row, &DetailRow::activated, this, [this, key] { openCategory(key); });
        m_rows.emplace_back(key, row);
        section.rows.push_back(row);
    }
    return section;
}

HolidayValueRow* HolidaySettingsViewController::categoryRow(const QString& key) const
{
    for (const auto& [rowKey, row] : m_rows) {
        if (rowKey == key)
            return row;
    }
    return nullptr;
}

HolidaySelectionViewController* HolidaySettingsViewController::openCategory(const QString& key)
{
    NavigationController* navigation = navigationController();
    if (!navigation || !categoryRow(key) || !isBackEnabled())
        return nullptr;
    // Opening alone counts: what was chosen there is stored as it is chosen.
    m_changesMade = true;
    auto* screen = new HolidaySelectionViewController(m_session, key);
    navigation->pushViewController(screen, true);
    return screen;
}

void HolidaySettingsViewController::viewWillAppear(bool animated)
{
    DetailScreen::viewWillAppear(animated);
    refreshValues();
}

void HolidaySettingsViewController::refreshValues()
{
    m_categories->refresh(HolidaySubscriptions::fromSettings(m_session.settings()));
    for (const auto* rows : {&m_categories->countries(), &m_categories->religions()}) {
        for (const HolidayCategoryRow& category : *rows) {
            if (HolidayValueRow* row = categoryRow(category.key))
                row->setValue(HolidayCategoryList::valueText(category, m_session.texts()),
                    category.checked < 0);
        }
    }
}

void HolidaySettingsViewController::showHolidaysChanged(bool on)
{
    m_changesMade = true;
    storeSwitch(QString(Key::ShowHolidays), on);
}

void HolidaySettingsViewController::holidayAlertsChanged(bool on)
{
    m_changesMade = true;
    if (storeSwitch(QString(Key::HolidayAlerts), on))
        m_session.app().sendProviderData(false);
}

bool HolidaySettingsViewController::storeSwitch(const QString& key, bool on)
{
    Settings& settings = m_session.settings();
    settings.setValue(key, on);
    QString error;
    if (settings.synchronize(&error))
        return true;
    ChoiceSheet::ask(window(), ChoiceSheet::Style::Alert, title(), error,
        {{m_session.texts().text(QStringLiteral("OK"), QStringLiteral("OK")),
            ChoiceSheet::Role::Cancel}},
        0, {});
    return false;
}

void HolidaySettingsViewController::backPressed()
{
    if (!isBackEnabled())
        return;
    if (!m_changesMade) {
        DetailScreen::backPressed();
        return;
    }
    setBackEnabled(false);
    m_busy = new BusyOverlay(this);
    m_busy->startNow(m_session.texts().text(
        QStringLiteral("UpdatingContacts"), QStringLiteral("Updating..."), SettingsTable));
    QTimer::singleShot(
        ProcessDelayMilliseconds, this, &HolidaySettingsViewController::processHolidaysChanged);
}

void HolidaySettingsViewController::processHolidaysChanged()
{
    ApplicationSession& session = m_session;
    session.database().updateHolidays();
    if (NavigationController* navigation = navigationController())
        navigation->popViewController(true);
    // The list below reloads its rows as it appears; the reminders follow the new rows.
    session.app().sendProviderData(false);
}

} // namespace fetemark
