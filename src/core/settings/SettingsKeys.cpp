#include "SettingsKeys.h"

#include <QVariantMap>

#include <vector>

namespace fetemark {
namespace {

using T = SettingType;

// The table's rows by kind of setting; `meaning` is what `fetemark settings` tells of it.
SettingDefinition flag(QLatin1StringView key, bool byDefault, const char* meaning)
{
    return {key, T::Bool, true, QVariant(byDefault), 0, 0, QLatin1StringView(meaning)};
}

SettingDefinition number(
    QLatin1StringView key, qint64 byDefault, const char* meaning, int minimum = 0, int maximum = 0)
{
    return {
        key, T::Integer, true, QVariant(byDefault), minimum, maximum, QLatin1StringView(meaning)};
}

SettingDefinition text(QLatin1StringView key, const char* meaning)
{
    return {key, T::String, true, QVariant(QString {}), 0, 0, QLatin1StringView(meaning)};
}

// Read without a default: absent means NO or empty.
SettingDefinition unregistered(QLatin1StringView key, SettingType type, const char* meaning)
{
    return {key, type, false, QVariant(), 0, 0, QLatin1StringView(meaning)};
}

// In the order `fetemark settings` lists them: registered keys first.
std::vector<SettingDefinition> makeDefinitions()
{
    return {
        flag(Key::ShowCount, true, "the badge shows the count of upcoming occasions"),
        number(
            Key::UpcomingWindow, 14, "days ahead in which an occasion counts as upcoming", 0, 31),
        flag(Key::ShowAge, true, "birthday phrases state the age turned"),
        number(Key::ApplicationTheme, 0, "chosen theme; 100 is the user's own"),
        flag(Key::ShowSearch, true, "the list shows its search bar"),
        {Key::AlertTime, T::Date, true, QVariant(), 0, 0,
            QLatin1StringView("legacy alert time, seeds the alert hour and minute once")},
        {Key::HolidaySubscriptions, T::Dictionary, true, QVariant(QVariantMap {}), 0, 0,
            QLatin1StringView("holiday subscriptions per category")},
        number(Key::AlertType, 3, "alert delivery type"),
        number(Key::AlertTimeHour, -1, "hour of the daily alert; -1 until seeded", -1, 23),
        number(Key::AlertTimeMinute, -1, "minute of the daily alert", -1, 59),
        flag(Key::ShowFunFacts, true, "the detail view shows fun facts"),
        flag(Key::LargeRows, true, "large list rows"),
        flag(Key::ShowNotes, true, "the detail view shows notes"),
        flag(Key::ShowFacebook, false, "Facebook entries are shown and counted"),
        flag(Key::ShowCustom, true, "custom entries are shown and counted"),
        flag(Key::DaysOnly, false, "distances are told in days only"),
        flag(Key::FacebookPhotoMark, true, "Facebook photos carry the Facebook mark"),
        flag(Key::ShowConnectionError, true, "the connection error alert may be shown"),
        flag(Key::ShowPhotos, true, "the list and detail views show photos"),
        flag(Key::EmailAlerts, false, "e-mail alerts are on"),
        number(Key::AddressBookNotes, 0, "non-zero: contact notes live in the address book"),
        flag(Key::EmailAlertChangePending, false,
            "an e-mail alert change must still reach the reminder service"),
        flag(Key::HideContacts, false, "contacts are hidden"),
        flag(Key::QuickStartShown, false, "the quick start was shown"),
        flag(Key::FirstNameFirst, true, "names are shown first name first"),
        flag(Key::ShowPrefixSuffix, false, "names include prefix and suffix"),
        flag(Key::ShowMiddleName, false, "names include the middle name"),
        flag(Key::BackupDisclaimerShown, false, "the backup disclaimer was shown"),
        flag(Key::ShowMonthHeaders, true, "the list shows month headers"),
        flag(Key::WifiOnly, false, "server connections only over Wi-Fi"),
        flag(Key::SmartLabels, false, "smart labels"),
        flag(Key::ContactPhotoMark, false, "contact photos carry the contact mark"),
        number(Key::AlertSound, 1, "alert sound"),
        flag(Key::CustomThemeBackground, false, "a custom theme background was picked"),
        number(Key::ContactGroup, -1, "address book group read; -1 all contacts"),
        number(Key::PastDays, 0, "days an occasion stays listed as belated"),
        number(Key::BadgeMode, 1,
            "badge counts every upcoming occasion (non-zero) or today's only (0)"),
        number(Key::FacebookSyncSaved, 0, "a Facebook friend sync was saved"),
        text(Key::LastBackup, "first entry of the last backup list"),
        text(Key::BackupEmail, "backup account e-mail address"),
        text(Key::BackupPassword, "backup account password"),
        text(Key::AlertEmail, "e-mail address for e-mail alerts"),
        text(Key::InstallationId, "installation identifier"),
        unregistered(Key::ShowHolidays, T::Bool, "holidays are shown"),
        unregistered(Key::HolidayAlerts, T::Bool, "holidays raise alerts and count for the badge"),
        unregistered(Key::FacebookAccessToken, T::String, "Facebook access token"),
        unregistered(Key::FacebookExpirationDate, T::Date, "Facebook login expiry"),
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
