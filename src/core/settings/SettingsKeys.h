#pragma once

#include <QLatin1StringView>
#include <QVariant>
#include <QVariantMap>

#include <span>

namespace fetemark {

// The stored settings keys. Several are short opaque codes kept for compatibility with
// stored preference files; code refers to them only through these names.
namespace Key {
inline constexpr QLatin1StringView ShowCount {"showcount"};
inline constexpr QLatin1StringView UpcomingWindow {"upcomingwindow"};
inline constexpr QLatin1StringView ShowAge {"showage"};
inline constexpr QLatin1StringView ApplicationTheme {"applicationtheme"};
inline constexpr QLatin1StringView ShowSearch {"showsearch"};
inline constexpr QLatin1StringView AlertTime {"alerttime"};
inline constexpr QLatin1StringView HolidaySubscriptions {"65B1"};
inline constexpr QLatin1StringView AlertType {"alerttype"};
inline constexpr QLatin1StringView AlertTimeHour {"alerttimehour"};
inline constexpr QLatin1StringView AlertTimeMinute {"alerttimeminute"};
inline constexpr QLatin1StringView ShowFunFacts {"showfunfacts"};
inline constexpr QLatin1StringView LargeRows {"largerows"};
inline constexpr QLatin1StringView ShowNotes {"shownotes"};
inline constexpr QLatin1StringView ShowFacebook {"800A"};
inline constexpr QLatin1StringView ShowCustom {"811A"};
inline constexpr QLatin1StringView DaysOnly {"daysonly"};
inline constexpr QLatin1StringView FacebookPhotoMark {"827B"};
inline constexpr QLatin1StringView ShowConnectionError {"showconnectionerror"};
inline constexpr QLatin1StringView ShowPhotos {"showphotos"};
inline constexpr QLatin1StringView EmailAlerts {"0EA3"};
inline constexpr QLatin1StringView AddressBookNotes {"addressbooknotes"};
inline constexpr QLatin1StringView EmailAlertChangePending {"78EE"};
inline constexpr QLatin1StringView HideContacts {"BEE9"};
inline constexpr QLatin1StringView QuickStartShown {"77EF"};
inline constexpr QLatin1StringView FirstNameFirst {"firstnamefirst"};
inline constexpr QLatin1StringView ShowPrefixSuffix {"showprefixsuffix"};
inline constexpr QLatin1StringView ShowMiddleName {"showmiddlename"};
inline constexpr QLatin1StringView BackupDisclaimerShown {"0975"};
inline constexpr QLatin1StringView ShowMonthHeaders {"showmonthheaders"};
inline constexpr QLatin1StringView WifiOnly {"1100"};
inline constexpr QLatin1StringView SmartLabels {"1147"};
inline constexpr QLatin1StringView ContactPhotoMark {"0977"};
inline constexpr QLatin1StringView AlertSound {"alertsound"};
inline constexpr QLatin1StringView CustomThemeBackground {"0978"};
inline constexpr QLatin1StringView ContactGroup {"198B"};
inline constexpr QLatin1StringView PastDays {"1145"};
inline constexpr QLatin1StringView BadgeMode {"1146"};
inline constexpr QLatin1StringView FacebookSyncSaved {"1148"};
inline constexpr QLatin1StringView LastBackup {"0875"};
inline constexpr QLatin1StringView BackupEmail {"9878"};
inline constexpr QLatin1StringView BackupPassword {"2574"};
inline constexpr QLatin1StringView AlertEmail {"978B"};
inline constexpr QLatin1StringView InstallationId {"67E0"};

// Keys without a registered default: absent means NO / empty.
inline constexpr QLatin1StringView ShowHolidays {"04H0"};
inline constexpr QLatin1StringView HolidayAlerts {"0378"};
inline constexpr QLatin1StringView FacebookAccessToken {"FBAccessToken"};
inline constexpr QLatin1StringView FacebookExpirationDate {"FBExpirationDate"};
// Given by the platform, not stored: the user's preferred interface languages.
inline constexpr QLatin1StringView AppleLanguages {"AppleLanguages"};
} // namespace Key

enum class SettingType { Bool, Integer, String, Date, Dictionary, StringList };

struct SettingDefinition {
    QLatin1StringView key;  // as stored
    QLatin1StringView name; // readable, accepted wherever a key is ("show-facebook")
    SettingType type;
    bool registered;       // has a default registered at every start
    QVariant defaultValue; // null for unregistered keys and for "alerttime", made at start
    int minimum = 0;       // inclusive range for integers when minimum < maximum
    int maximum = 0;
    QLatin1StringView meaning; // one line for `fetemark settings list`
    bool secret = false;       // a listing does not show its value
    bool fromPlatform = false; // given by the environment, never stored
};

// Every known key in a fixed order: the registered ones first, then those used without
// a default, then the one the platform gives.
std::span<const SettingDefinition> settingDefinitions();
const SettingDefinition* findSettingDefinition(QStringView key);
// By stored key, or by readable name in any case.
const SettingDefinition* findSettingByKeyOrName(QStringView keyOrName);
// The registered keys with their fixed defaults (not "alerttime", whose default is a
// moment in the device's zone and is made at start).
QVariantMap registeredDefaults();

} // namespace fetemark
