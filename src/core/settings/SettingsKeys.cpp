#include "SettingsKeys.h"

#include <QVariantMap>

#include <array>
#include <vector>

namespace fetemark {
namespace {

using T = SettingType;

enum Flag : unsigned {
    Registered = 1,
    Secret = 2,
    FromPlatform = 4,
    MadeAtStart = 8, // registered, but its default is made at start ("alerttime")
};

// One row of the table below. `byDefault` is the default of a registered flag or number;
// texts start empty and dictionaries without entries.
struct Row {
    QLatin1StringView key;
    const char* name;
    SettingType type;
    unsigned flags;
    qint64 byDefault;
    const char* meaning;
    int minimum = 0;
    int maximum = 0;
};

// In the order `fetemark settings list` lists them: registered keys first. The names
// follow the keys where those are words, and say what an opaque key holds.
constexpr std::array Rows {
    Row {Key::ShowCount, "show-count", T::Bool, Registered, 1,
        "the badge shows the count of upcoming occasions"},
    Row {Key::UpcomingWindow, "upcoming-window", T::Integer, Registered, 14,
        "days ahead (0 to 31) in which an occasion counts as upcoming", 0, 31},
    Row {Key::ShowAge, "show-age", T::Bool, Registered, 1, "birthday phrases state the age turned"},
    Row {Key::ApplicationTheme, "application-theme", T::Integer, Registered, 0,
        "number of the chosen theme; 100 is your own photo theme"},
    Row {Key::ShowSearch, "show-search", T::Bool, Registered, 1, "the list shows its search bar"},
    Row {Key::AlertTime, "alert-time", T::Date, Registered | MadeAtStart, 0,
        "old form of the alert time, read once to seed alert-time-hour and -minute"},
    Row {Key::HolidaySubscriptions, "holiday-subscriptions", T::Dictionary, Registered, 0,
        "the chosen holidays of each holiday category"},
    Row {Key::AlertType, "alert-type", T::Integer, Registered, 3,
        "what the daily alert tells: 0 nothing, 1 today's occasions, 2 the coming ones, 3 both", 0,
        3},
    Row {Key::AlertTimeHour, "alert-time-hour", T::Integer, Registered, -1,
        "hour of the daily alert (0 to 23); -1 until seeded", -1, 23},
    Row {Key::AlertTimeMinute, "alert-time-minute", T::Integer, Registered, -1,
        "minute of the daily alert (0 to 59); -1 until seeded", -1, 59},
    Row {Key::ShowFunFacts, "show-fun-facts", T::Bool, Registered, 1,
        "an occasion's page shows fun facts"},
    Row {Key::LargeRows, "large-rows", T::Bool, Registered, 1,
        "large list rows; phrases for 2 to 6 days ahead then count the days"},
    Row {Key::ShowNotes, "show-notes", T::Bool, Registered, 1, "an occasion's page shows notes"},
    Row {Key::ShowFacebook, "show-facebook", T::Bool, Registered, 0,
        "Facebook friends' birthdays are shown and counted"},
    Row {Key::ShowCustom, "show-custom-entries", T::Bool, Registered, 1,
        "entries kept only in Fetemark are shown and counted"},
    Row {Key::DaysOnly, "days-only", T::Bool, Registered, 0,
        "distances are told in days only, never in weeks or months"},
    Row {Key::FacebookPhotoMark, "facebook-photo-mark", T::Bool, Registered, 1,
        "photos of Facebook friends carry the Facebook mark"},
    Row {Key::ShowConnectionError, "show-connection-error", T::Bool, Registered, 1,
        "the reminder service's connection error may be shown"},
    Row {Key::ShowPhotos, "show-photos", T::Bool, Registered, 1,
        "the list and the occasion pages show photos"},
    Row {Key::EmailAlerts, "email-alerts", T::Bool, Registered, 0,
        "alerts are also sent by e-mail, to alert-email"},
    Row {Key::AddressBookNotes, "address-book-notes", T::Integer, Registered, 0,
        "where contacts' notes live: 0 in Fetemark, other the contact's own note"},
    Row {Key::EmailAlertChangePending, "email-alert-change-pending", T::Bool, Registered, 0,
        "an e-mail alert change has still to reach the reminder service"},
    Row {Key::HideContacts, "hide-contacts", T::Bool, Registered, 0,
        "the address book's people are left out of the list"},
    Row {Key::QuickStartShown, "quick-start-shown", T::Bool, Registered, 0,
        "the quick start was shown once"},
    Row {Key::FirstNameFirst, "first-name-first", T::Bool, Registered, 1,
        "names are shown first name first"},
    Row {Key::ShowPrefixSuffix, "show-prefix-suffix", T::Bool, Registered, 0,
        "names include prefix and suffix"},
    Row {Key::ShowMiddleName, "show-middle-name", T::Bool, Registered, 0,
        "names include the middle name"},
    Row {Key::BackupDisclaimerShown, "backup-disclaimer-shown", T::Bool, Registered, 0,
        "the backup disclaimer was shown once"},
    Row {Key::ShowMonthHeaders, "show-month-headers", T::Bool, Registered, 1,
        "the list shows month headers"},
    Row {Key::WifiOnly, "wifi-only", T::Bool, Registered, 0, "server connections only over Wi-Fi"},
    Row {Key::SmartLabels, "smart-labels", T::Bool, Registered, 0,
        "contact dates whose label names a birthday or anniversary count as one"},
    Row {Key::ContactPhotoMark, "contact-photo-mark", T::Bool, Registered, 0,
        "photos of contacts carry the contact mark"},
    Row {Key::AlertSound, "alert-sound", T::Integer, Registered, 1,
        "sound of the alerts: 0 none, n the nth sound"},
    Row {Key::CustomThemeBackground, "custom-theme-background", T::Bool, Registered, 0,
        "a photo was picked for your own theme"},
    Row {Key::ContactGroup, "contact-group", T::Integer, Registered, -1,
        "the address book group whose people are listed; -1 everybody"},
    Row {Key::PastDays, "past-days", T::Integer, Registered, 0,
        "days an occasion stays listed as just passed after its date"},
    Row {Key::BadgeMode, "badge-mode", T::Integer, Registered, 1,
        "what the badge counts: 0 today's occasions only, other the upcoming ones"},
    Row {Key::FacebookSyncSaved, "facebook-sync-saved", T::Integer, Registered, 0,
        "1 once a Facebook friend sync was saved"},
    Row {Key::LastBackup, "last-backup", T::String, Registered, 0,
        "first entry of the last fetched list of backups"},
    Row {Key::BackupEmail, "backup-email", T::String, Registered, 0,
        "e-mail address of the backup account"},
    Row {Key::BackupPassword, "backup-password", T::String, Registered | Secret, 0,
        "password of the backup account"},
    Row {Key::AlertEmail, "alert-email", T::String, Registered, 0,
        "e-mail address the e-mail alerts go to"},
    Row {Key::InstallationId, "installation-id", T::String, Registered, 0,
        "this installation's identifier, sent to the reminder service"},
    Row {Key::ShowHolidays, "show-holidays", T::Bool, 0, 0, "the chosen holidays are shown"},
    Row {Key::HolidayAlerts, "holiday-alerts", T::Bool, 0, 0,
        "holidays raise alerts and count for the badge"},
    Row {Key::FacebookAccessToken, "facebook-access-token", T::String, Secret, 0,
        "access token of the Facebook login"},
    Row {Key::FacebookExpirationDate, "facebook-expiration-date", T::Date, 0, 0,
        "when the Facebook login expires"},
    Row {Key::AppleLanguages, "languages", T::StringList, FromPlatform, 0,
        "the interface languages, from LANGUAGE or --locale"},
};

QVariant defaultOf(const Row& row)
{
    if (!(row.flags & Registered) || (row.flags & MadeAtStart))
        return {};
    switch (row.type) {
    case T::Bool:
        return QVariant(row.byDefault != 0);
    case T::Integer:
        return QVariant(row.byDefault);
    case T::String:
        return QVariant(QString {});
    case T::Dictionary:
        return QVariant(QVariantMap {});
    case T::Date:
    case T::StringList:
        break;
    }
    return {};
}

std::vector<SettingDefinition> makeDefinitions()
{
    std::vector<SettingDefinition> definitions;
    for (const Row& row : Rows) {
        definitions.push_back(
            {row.key, QLatin1StringView(row.name), row.type, (row.flags & Registered) != 0,
                defaultOf(row), row.minimum, row.maximum, QLatin1StringView(row.meaning),
                (row.flags & Secret) != 0, (row.flags & FromPlatform) != 0});
    }
    return definitions;
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

const SettingDefinition* findSettingByKeyOrName(QStringView keyOrName)
{
    if (const SettingDefinition* byKey = findSettingDefinition(keyOrName))
        return byKey;
    for (const SettingDefinition& d : settingDefinitions()) {
        if (keyOrName.compare(d.name, Qt::CaseInsensitive) == 0)
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
