#include "ProviderDeviceInfo.h"

#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"

#include <QFile>
#include <QSysInfo>

namespace fetemark {
namespace {

QString deviceModel()
{
    QFile file(QStringLiteral("/sys/class/dmi/id/product_name"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(256)).trimmed();
}

} // namespace

ProviderDevice providerDeviceInfo(
    const DeviceEnvironment& device, const Settings& settings, const QString& deviceToken)
{
    ProviderDevice d;
    d.deviceToken = deviceToken;
    d.apsAvailable = !deviceToken.isEmpty();
    d.apsAlertTypes = deviceToken.isEmpty() ? 0 : 7;
    d.buildConfig = QStringLiteral("linux");
    d.deviceModel = deviceModel();
    d.osVersion = QSysInfo::prettyProductName();
    d.appVersion = QStringLiteral(FETEMARK_VERSION);
    d.timeZoneId = device.timeZoneId;
    d.languages = settings.stringListValue(QString(Key::AppleLanguages));
    if (d.languages.isEmpty())
        d.languages = device.preferredLanguages;
    return d;
}

} // namespace fetemark
