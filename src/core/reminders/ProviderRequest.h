#pragma once

#include "core/reminders/NotificationPlanner.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <vector>

namespace fetemark {

class Settings;

// What the device tells the reminder service about itself beside the settings.
struct ProviderDevice {
    QString deviceToken; // push token text; empty without one
    bool apsAvailable = false;
    int apsAlertTypes = 0; // remote notification kinds the user enabled
    QString buildConfig;   // "FetemarkBuildConfig"
    QString deviceModel;   // "Unknown" when empty
    QString osVersion;     // "Unknown" when empty
    QString appVersion;    // "Unknown" when empty
    QString timeZoneId;
    QStringList languages; // preferred interface languages, first wins
};

// Occasions per notification-date key; sorted, so equal data gives an equal URL.
using DayCounts = QMap<QString, int>;

// The registration request of the reminder service: one GET URL carrying everything
// the service composes reminders and e-mails from. Pure: settings and device in, bytes out.
namespace ProviderRequest {

inline constexpr char Path[] = "/fetemark_request200.php";
inline constexpr int ProgramCode = 56;
// Where requests go when $FETEMARK_SERVICE_URL is not set: a local fetemark-server.
inline constexpr char DefaultServiceUrl[] = "http://localhost:8180";

// "scheme://host[:port]" from a configured service URL; empty with `error` set when it
// names no http(s) host or carries a path, query or credentials.
QString serviceBase(const QString& configured, QString* error);
// The configured value ($FETEMARK_SERVICE_URL, else the default) checked by serviceBase.
QString serviceBaseFromEnvironment(QString* error);

// The 37-character digest of the display settings ("md").
QString settingsDigest(const Settings& settings, const QStringList& languages);
// "types": 1 badge, 2 sound, 4 alert, 8 the badge counts the day's own occasions only.
int notificationTypes(const Settings& settings);
// The first address of "978B" split at ";", "&" and ","; the whole value when that is empty.
QString firstAlertAddress(const QString& value);

DayCounts dayCounts(const DayTable& days);
// The records that remind, selected as for the local schedule, counted by day.
DayCounts dayCounts(const std::vector<OccasionRecordPtr>& records, const Settings& settings);
QString dayList(const DayCounts& days); // "4F2B5C80.2,4F2C0000.1"

// The service hears from this device: with push registered and some kind enabled, or
// while an e-mail alert change is pending ("78EE").
bool shouldSend(const ProviderDevice& device, const Settings& settings);
// Registered for push but wanting neither badges nor alerts: the request runs quietly.
bool srunning(const ProviderDevice& device, const Settings& settings);

// One field's value escaped for the query: besides what may not stand in a URL, the
// separators "&", "=", "+" and "#" too, so the service reads back the value as set.
QByteArray escapeValue(const QString& value);
// The whole URL, escaped, exactly as it goes on the wire.
QByteArray url(const QString& serviceBase, const ProviderDevice& device, const Settings& settings,
    const DayCounts& days);

} // namespace ProviderRequest

} // namespace fetemark
