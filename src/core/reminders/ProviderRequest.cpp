#include "ProviderRequest.h"

#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"

#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QUrl>

namespace fetemark::ProviderRequest {

namespace {

int intValue(const Settings& settings, QLatin1StringView key)
{
    return int(settings.integerValue(QString(key)));
}

QString orUnknown(const QString& value)
{
    return value.isEmpty() ? QStringLiteral("Unknown") : value;
}

QString language(const QStringList& languages)
{
    if (languages.isEmpty() || languages.first().isEmpty())
        return QStringLiteral("XX");
    return languages.first().toUpper().left(2);
}

} // namespace

QString serviceBase(const QString& configured, QString* error)
{
    const QUrl url(configured.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const bool plain = url.path().isEmpty() || url.path() == QLatin1String("/");
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")) || !plain ||
        url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty()) {
        *error = QStringLiteral("the reminder service URL '%1' is not a scheme and host such as "
                                "https://reminders.example.org")
                     .arg(configured);
        return {};
    }
    return url.adjusted(QUrl::RemovePath).toString(QUrl::FullyEncoded);
}

QString serviceBaseFromEnvironment(QString* error)
{
    const QString configured = QProcessEnvironment::systemEnvironment().value(
        QStringLiteral("FETEMARK_SERVICE_URL"), QString::fromLatin1(DefaultServiceUrl));
    return serviceBase(
        configured.isEmpty() ? QString::fromLatin1(DefaultServiceUrl) : configured, error);
}

QString settingsDigest(const Settings& s, const QStringList& languages)
{
    return QString::asprintf("%01d%01d%05X%01d%03d%01d%01d%01d%01d%01d%01d%06X%02d%01d%01d%01d%01d%"
                             "01d%01d%01d%01d%01d%01d",
               0, intValue(s, Key::ShowNotes), 0u, intValue(s, Key::HideContacts),
               intValue(s, Key::ApplicationTheme), intValue(s, Key::WifiOnly),
               intValue(s, Key::ShowPhotos), intValue(s, Key::ShowSearch), 0,
               intValue(s, Key::PastDays), intValue(s, Key::ShowFunFacts), 0u, 0, 0,
               intValue(s, Key::ShowCustom), intValue(s, Key::ShowFacebook),
               intValue(s, Key::ShowHolidays), intValue(s, Key::LargeRows),
               intValue(s, Key::ShowMonthHeaders), intValue(s, Key::ShowPrefixSuffix),
               intValue(s, Key::ShowMiddleName), intValue(s, Key::FirstNameFirst),
               intValue(s, Key::ShowConnectionError)) +
        language(languages);
}

int notificationTypes(const Settings& settings)
{
    if (!settings.boolValue(QString(Key::ShowCount)))
        return 6;
    return settings.integerValue(QString(Key::BadgeMode)) == 0 ? 15 : 7;
}

QString firstAlertAddress(const QString& value)
{
    static const QRegularExpression separators(QStringLiteral("[;&,]"));
    const QString first = value.section(separators, 0, 0);
    return first.isEmpty() ? value : first;
}

DayCounts dayCounts(const DayTable& days)
{
    DayCounts counts;
    for (auto it = days.cbegin(); it != days.cend(); ++it)
        counts.insert(it.key(), int(it.value().size()));
    return counts;
}

DayCounts dayCounts(const std::vector<OccasionRecordPtr>& records, const Settings& settings)
{
    return dayCounts(NotificationPlanner::dayTable(records, NotificationSettings::from(settings)));
}

QString dayList(const DayCounts& days)
{
    QStringList entries;
    for (auto it = days.cbegin(); it != days.cend(); ++it)
        entries << QStringLiteral("%1.%2").arg(it.key()).arg(it.value());
    return entries.join(u',');
}

bool shouldSend(const ProviderDevice& device, const Settings& settings)
{
    const bool pending = settings.boolValue(QString(Key::EmailAlertChangePending));
    if (device.deviceToken.isEmpty() || !device.apsAvailable || device.apsAlertTypes == 0)
        return pending;
    return true;
}

bool srunning(const ProviderDevice& device, const Settings& settings)
{
    return !device.deviceToken.isEmpty() && device.apsAvailable &&
        !settings.boolValue(QString(Key::ShowCount)) &&
        settings.integerValue(QString(Key::AlertType)) == 0;
}

QByteArray escapeValue(const QString& value)
{
    // Left as they are: the unreserved characters and the harmless delimiters. "%" is
    // always escaped, so a value never reads as an escape.
    return QUrl::toPercentEncoding(value, QByteArrayLiteral("!$'()*,/:;?@"));
}

QByteArray url(const QString& serviceBase, const ProviderDevice& device, const Settings& s,
    const DayCounts& days)
{
    const auto text = [&](QLatin1StringView key) { return s.stringValue(QString(key)); };
    const auto number = [](qint64 value) { return QByteArray::number(value); };
    QByteArray out = serviceBase.toUtf8() + Path +
        "?dt=" + escapeValue(QString(device.deviceToken).remove(u' '));
    out += "&eb=" + escapeValue(text(Key::BackupEmail));
    out += "&p=" + number(ProgramCode);
    out += "&et=" + escapeValue(text(Key::InstallationId));
    out += "&ea=" + escapeValue(firstAlertAddress(text(Key::AlertEmail)));
    out += "&eo=" + number(s.boolValue(QString(Key::EmailAlerts)) ? 1 : 0);
    out += "&md=" + escapeValue(settingsDigest(s, device.languages));
    out += "&m=01&rd=0&re=00";
    out += "&db=" + escapeValue(device.buildConfig);
    out += "&devicetype=" + escapeValue(orUnknown(device.deviceModel));
    out += "&osversion=" + escapeValue(orUnknown(device.osVersion));
    out += "&version=" + escapeValue(orUnknown(device.appVersion));
    out += "&alerts=" + number(s.integerValue(QString(Key::AlertType)));
    out += "&timeZone=" + escapeValue(device.timeZoneId);
    out += "&hour=" + number(s.integerValue(QString(Key::AlertTimeHour)));
    out += "&minute=" + number(s.integerValue(QString(Key::AlertTimeMinute)));
    out += "&types=" + number(notificationTypes(s));
    out += "&window=" + number(s.integerValue(QString(Key::UpcomingWindow)));
    out += "&dates=" + escapeValue(dayList(days));
    return out;
}

} // namespace fetemark::ProviderRequest
