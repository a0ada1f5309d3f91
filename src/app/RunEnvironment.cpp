#include "RunEnvironment.h"

#include "app/DataLocations.h"
#include "app/DemoData.h"
#include "core/reminders/ProviderRequest.h"
#include "core/time/Calendar.h"
#include "platform/files/DataDirectory.h"
#include "platform/files/DataDirectoryLock.h"

#include <QDir>
#include <QRegularExpression>

namespace fetemark {
namespace {

bool fillDemoDirectory(
    const QString& directory, const QString& zone, const QDateTime& now, QString* error)
{
    if (!DataDirectory::create(directory, error))
        return false;
    DataDirectoryLock lock(directory);
    const DataDirectoryLock::Holder held(&lock, DataDirectoryLock::Mode::Exclusive, error);
    return held.isHeld() && DemoData::ensureFilled(directory, zone, now, error);
}

std::unique_ptr<Clock> makeClock(
    const LaunchOptions& options, const DeviceEnvironment& device, QString* error)
{
    const QString now = options.now.isEmpty() ? qEnvironmentVariable("FETEMARK_NOW") : options.now;
    if (now.isEmpty())
        return std::make_unique<SystemClock>();
    const QDateTime moment = FixedClock::parseLocalTime(now, Calendar(device.timeZoneId));
    if (!moment.isValid()) {
        *error = QStringLiteral("%1: '%2' is not a time (use YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS])")
                     .arg(options.now.isEmpty() ? QStringLiteral("FETEMARK_NOW")
                                                : QStringLiteral("--now"),
                         now);
        return nullptr;
    }
    return std::make_unique<FixedClock>(moment);
}

std::optional<DeviceEnvironment> makeDevice(const LaunchOptions& options, QString* error)
{
    static const QRegularExpression localePattern(
        QStringLiteral("^[A-Za-z]{2,3}([_-][A-Za-z0-9]{2,8})*([.@].*)?$"));
    if (!options.locale.isEmpty() && !localePattern.match(options.locale).hasMatch()) {
        *error = QStringLiteral("--locale: '%1' is not a locale name such as en_US or de_DE")
                     .arg(options.locale);
        return std::nullopt;
    }
    DeviceEnvironment device = DeviceEnvironment::fromProcess(options.timeZone, options.locale);
    if (Calendar(device.timeZoneId).isValid())
        return device;
    if (!options.timeZone.isEmpty())
        *error = QStringLiteral("--tz: unknown time zone '%1' (use an IANA name such as "
                                "Europe/Berlin)")
                     .arg(options.timeZone);
    else
        *error = QStringLiteral("unknown time zone '%1' in TZ (use an IANA name such as "
                                "Europe/Berlin)")
                     .arg(device.timeZoneId);
    return std::nullopt;
}

} // namespace

std::optional<RunEnvironment> RunEnvironment::resolve(const LaunchOptions& options, QString* error)
{
    std::optional<DeviceEnvironment> device = makeDevice(options, error);
    if (!device)
        return std::nullopt;
    RunEnvironment environment;
    environment.device = std::move(*device);
    if (options.timeZone.isEmpty() && qEnvironmentVariableIsEmpty("TZ"))
        environment.systemZone = [] { return DeviceEnvironment::fromProcess().timeZoneId; };
    environment.clock = makeClock(options, environment.device, error);
    if (!environment.clock)
        return std::nullopt;

    const QString chosen = options.demo && options.dataDirectory.isEmpty()
        ? DemoData::defaultDirectory()
        : DataLocations::dataDirectory(options.dataDirectory);
    if (chosen.isEmpty()) {
        *error = QStringLiteral("cannot find the data directory: set HOME or XDG_DATA_HOME to "
                                "an absolute path, set FETEMARK_DATA_DIR, or pass --data-dir");
        return std::nullopt;
    }
    environment.dataDirectory = QDir::cleanPath(QDir(chosen).absolutePath());
    if (options.demo &&
        !fillDemoDirectory(environment.dataDirectory, environment.device.timeZoneId,
            environment.clock->now(), error))
        return std::nullopt;

    // The data directory's center is read by the notifier agent; users without one ask
    // for the service.
    QString deliveryError;
    const std::optional<ReminderDelivery> delivery = AppDelegate::reminderDelivery(
        qEnvironmentVariable("FETEMARK_REMINDERS"), true, &deliveryError);
    if (!delivery) {
        *error = QStringLiteral("FETEMARK_REMINDERS: %1").arg(deliveryError);
        return std::nullopt;
    }
    environment.delivery = *delivery;
    if (environment.delivery == ReminderDelivery::Service) {
        environment.serviceBase = ProviderRequest::serviceBaseFromEnvironment(error);
        if (environment.serviceBase.isEmpty())
            return std::nullopt;
    }
    return environment;
}

} // namespace fetemark
