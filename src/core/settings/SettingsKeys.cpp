#include "SettingsKeys.h"

#include <QVariantMap>

#include <vector>

namespace fetemark {
namespace {

std::vector<SettingDefinition> makeDefinitions()
{
    using T = SettingType;
    const QVariant yes(true), no(false);
    auto integer = [](qint64 v) { return QVariant(v); };
    const QVariant empty(QString {});
    return {
        {Key::ShowCount, T::Bool, true, yes, 0, 0,
            QLatin1StringView("the badge shows the count of upcoming occasions")},
        {Key::UpcomingWindow, T::Integer, true, integer(14), 0, 31,
            QLatin1StringView("days ahead in which an occasion counts as upcoming")},
        {Key::ShowAge, T::Bool, true, yes, 0, 0,
            QLatin1StringView("birthday phrases state the age turned")},
        {Key::ApplicationTheme, T::Integer, true, integer(0), 0, 0,
            QLatin1StringView("chosen theme; 100 is the user's own")},
        {Key::ShowSearch, T::Bool, true, yes, 0, 0,
            QLatin1StringView("the list shows its search bar")},
        {Key::AlertTime, T::Date, true, QVariant(), 0, 0,
            QLatin1StringView("legacy alert time, seeds the alert hour and minute once")},
        {Key::HolidaySubscriptions, T::Dictionary, true, QVariant(QVariantMap {}), 0, 0,
            QLatin1StringView("holiday subscriptions per category")},
        {Key::AlertType, T::Integer, true, integer(3), 0, 0,
            QLatin1StringView("alert delivery type")},
        {Key::AlertTimeHour, T::Integer, true, integer(-1), -1, 23,
            QLatin1StringView("hour of the daily alert; -1 until seeded")},
        {Key::AlertTimeMinute, T::Integer, true, integer(-1), -1, 59,
            QLatin1StringView("minute of the daily alert")},
        {Key::ShowFunFacts, T::Bool, true, yes, 0, 0,
            QLatin1StringView("the detail view shows fun facts")},
        {Key::LargeRows, T::Bool, true, yes, 0, 0, QLatin1StringView("large list rows")},
        {Key::ShowNotes, T::Bool, true, yes, 0, 0,
            QLatin1StringView("the detail view shows notes")},
        {Key::ShowFacebook, T::Bool, true, no, 0, 0,
            QLatin1StringView("Facebook entries are shown and counted")},
        {Key::ShowCustom, T::Bool, true, yes, 0, 0,
            QLatin1StringView("custom entries are shown and counted")},
        {Key::DaysOnly, T::Bool, true, no, 0, 0,
            QLatin1StringView("distances are told in days only")},
        {Key::FacebookPhotoMark, T::Bool, true, yes, 0, 0,
            QLatin1StringView("Facebook photos carry the Facebook mark")},
        {Key::ShowConnectionError, T::Bool, true, yes, 0, 0,
            QLatin1StringView("the connection error alert may be shown")},
        {Key::ShowPhotos, T::Bool, true, yes, 0, 0,
            QLatin1StringView("the list and detail views show photos")},
        {Key::EmailAlerts, T::Bool, true, no, 0, 0, QLatin1StringView("e-mail alerts are on")},
        {Key::AddressBookNotes, T::Integer, true, integer(0), 0, 0,
            QLatin1StringView("non-zero: contact notes live in the address book")},
        {Key::EmailAlertChangePending, T::Bool, true, no, 0, 0,
            QLatin1StringView("an e-mail alert change must still reach the reminder service")},
        {Key::HideContacts, T::Bool, true, no, 0, 0, QLatin1StringView("contacts are hidden")},
        {Key::QuickStartShown, T::Bool, true, no, 0, 0,
            QLatin1StringView("the quick start was shown")},
        {Key::FirstNameFirst, T::Bool, true, yes, 0, 0,
            QLatin1StringView("names are shown first name first")},
        {Key::ShowPrefixSuffix, T::Bool, true, no, 0, 0,
            QLatin1StringView("names include prefix and suffix")},
        {Key::ShowMiddleName, T::Bool, true, no, 0, 0,
            QLatin1StringView("names include the middle name")},
        {Key::BackupDisclaimerShown, T::Bool, true, no, 0, 0,
            QLatin1StringView("the backup disclaimer was shown")},
        {Key::ShowMonthHeaders, T::Bool, true, yes, 0, 0,
            QLatin1StringView("the list shows month headers")},
        {Key::WifiOnly, T::Bool, true, no, 0, 0,
            QLatin1StringView("server connections only over Wi-Fi")},
        {Key::SmartLabels, T::Bool, true, no, 0, 0, QLatin1StringView("smart labels")},
        {Key::ContactPhotoMark, T::Bool, true, no, 0, 0,
            QLatin1StringView("contact photos carry the contact mark")},
        {Key::AlertSound, T::Integer, true, integer(1), 0, 0, QLatin1StringView("alert sound")},
        {Key::CustomThemeBackground, T::Bool, true, no, 0, 0,
            QLatin1StringView("a custom theme background was picked")},
        {Key::ContactGroup, T::Integer, true, integer(-1), 0, 0,
            QLatin1StringView("address book group read; -1 all contacts")},
        {Key::PastDays, T::Integer, true, integer(0), 0, 0,
            QLatin1StringView("days an occasion stays listed as belated")},
        {Key::BadgeMode, T::Integer, true, integer(1), 0, 0,
            QLatin1StringView(
                "badge counts every upcoming occasion (non-zero) or today's only (0)")},
        {Key::FacebookSyncSaved, T::Integer, true, integer(0), 0, 0,
            QLatin1StringView("a Facebook friend sync was saved")},
        {Key::LastBackup, T::String, true, empty, 0, 0,
            QLatin1StringView("first entry of the last backup list")},
        {Key::BackupEmail, T::String, true, empty, 0, 0,
            QLatin1StringView("backup account e-mail address")},
        {Key::BackupPassword, T::String, true, empty, 0, 0,
            QLatin1StringView("backup account password")},
        {Key::AlertEmail, T::String, true, empty, 0, 0,
            QLatin1StringView("e-mail address for e-mail alerts")},
        {Key::InstallationId, T::String, true, empty, 0, 0,
            QLatin1StringView("installation identifier")},
        {Key::ShowHolidays, T::Bool, false, QVariant(), 0, 0,
            QLatin1StringView("holidays are shown")},
        {Key::HolidayAlerts, T::Bool, false, QVariant(), 0, 0,
            QLatin1StringView("holidays raise alerts and count for the badge")},
        {Key::FacebookAccessToken, T::String, false, QVariant(), 0, 0,
            QLatin1StringView("Facebook access token")},
        {Key::FacebookExpirationDate, T::Date, false, QVariant(), 0, 0,
            QLatin1StringView("Facebook login expiry")},
    };
}

} // namespace

std::span<const SettingDefinition> settingDefinitions()
{
    static const std::vector<SettingDefinition> definitions = makeDefinitions();
    return definitions;
}

const SettingDefinition* findSettingDefinition(QStringView key)
{
    for (const SettingDefinition& d : settingDefinitions()) {
        if (d.key == key)
            return &d;
    }
    return nullptr;
}

QVariantMap registeredDefaults()
{
    QVariantMap defaults;
    for (const SettingDefinition& d : settingDefinitions()) {
        if (d.registered && d.defaultValue.isValid())
            defaults.insert(QString(d.key), d.defaultValue);
    }
    return defaults;
}

} // namespace fetemark
