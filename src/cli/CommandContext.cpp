#include "CommandContext.h"

#include "cli/CommandLine.h"
#include "cli/Diagnostics.h"
#include "cli/JsonWriter.h"

#include "app/DataLocations.h"
#include "app/DemoData.h"
#include "core/database/RecordDatabase.h"
#include "core/records/ContactLabels.h"
#include "core/reminders/PlistNotificationCenter.h"
#include "core/reminders/ProviderRequest.h"
#include "platform/addressbook/AddressBook.h"
#include "platform/files/DataDirectory.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cstdio>

namespace fetemark::cli {
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

} // namespace

CommandContext::CommandContext(DeviceEnvironment deviceEnvironment, std::unique_ptr<Clock> theClock,
    QString directory, DataAccess dataAccess, bool jsonOutput, QTextStream& output,
    QTextStream& errors, ReminderDelivery delivery, QString serviceBase)
    : device(std::move(deviceEnvironment)), calendar(device.timeZoneId), clock(std::move(theClock)),
      dataDirectory(std::move(directory)), access(dataAccess), json(jsonOutput), out(output),
      err(errors), lock(dataDirectory),
      settings(QDir(dataDirectory).filePath(QStringLiteral("Preferences.plist")), &lock, access),
      app(AppDelegate::Dependencies {settings, device, dataDirectory, QStringLiteral(":/resources"),
          nullptr, nullptr, access, clock.get(), delivery, std::move(serviceBase), &lock}),
      texts(device.currentLanguage())
{
}

bool CommandContext::prepareForWriting(QString* error)
{
    if (!DataDirectory::create(dataDirectory, error))
        return false;
    m_writeLock.emplace(&lock, DataDirectoryLock::Mode::Exclusive, error);
    if (!m_writeLock->isHeld())
        return false;
    DataDirectory::removeLeftoverTemporaryFiles(dataDirectory);
    return true;
}

std::unique_ptr<AddressBook> CommandContext::openAddressBook(
    DataAccess access, QString* error) const
{
    const QString path = QDir(dataDirectory).filePath(QStringLiteral("AddressBook.sqlite"));
    if (access == DataAccess::ReadOnly)
        return AddressBook::openReadOnly(path, error);
    return AddressBook::create(path, error);
}

CommandContext::~CommandContext() = default;

RecordDatabase& CommandContext::database()
{
    if (!m_database) {
        m_database = std::make_unique<RecordDatabase>(RecordDatabase::Dependencies {
            settings, *clock, device, dataDirectory, QStringLiteral(":/resources"), access, &lock});
        m_database->loadDatabase();
        for (const QString& warning : m_database->takeLoadWarnings())
            warn(warning);
        app.setOccasionStore(m_database.get());
    }
    return *m_database;
}

PlistNotificationCenter& CommandContext::notificationCenter()
{
    if (!m_notificationCenter)
        m_notificationCenter =
            std::make_unique<PlistNotificationCenter>(dataDirectory, &lock, *clock);
    return *m_notificationCenter;
}

int CommandContext::finish(int status)
{
    // Only a run that changed what reminders are made from touches the schedule or asks
    // the reminder service: the application object does it on termination, locally once
    // it has a center.
    const bool update = status == Success && m_rebuildRequested && access == DataAccess::ReadWrite;
    app.setUpdateRemindersOnSuspension(update);
    if (update) {
        database();
        if (app.lpsAvailable)
            app.setNotificationCenter(&notificationCenter());
    }
    if (status == Success)
        app.applicationWillTerminate();
    app.setNotificationCenter(nullptr);
    QStringList warnings = app.takeWarnings();
    if (m_database)
        warnings += m_database->takeLoadWarnings();
    if (m_notificationCenter)
        warnings += m_notificationCenter->takeWarnings();
    for (const QString& warning : warnings)
        warn(warning);
    const QStringList unsaved = app.takeSaveErrors();
    for (const QString& error : unsaved)
        writeDiagnostic(err, json, Diagnostic::Error, error);
    m_writeLock.reset();
    return unsaved.isEmpty() ? Success : Refused;
}

QString CommandContext::labelText(const QString& label) const
{
    return ContactLabel::localizedLabel(label, texts);
}

std::unique_ptr<CommandContext> CommandContext::create(const GlobalOptions& options,
    DataAccess access, QTextStream& out, QTextStream& err, int* exitCode)
{
    auto fail = [&](const QString& message) {
        writeDiagnostic(err, options.json, Diagnostic::Error, message);
        *exitCode = Refused;
        return nullptr;
    };

    static const QRegularExpression localePattern(
        QStringLiteral("^[A-Za-z]{2,3}([_-][A-Za-z0-9]{2,8})*([.@].*)?$"));
    if (!options.locale.isEmpty() && !localePattern.match(options.locale).hasMatch())
        return fail(QStringLiteral("--locale: '%1' is not a locale name such as en_US or de_DE")
                        .arg(options.locale));

    DeviceEnvironment device = DeviceEnvironment::fromProcess(options.timeZone, options.locale);
    if (!Calendar(device.timeZoneId).isValid()) {
        if (!options.timeZone.isEmpty())
            return fail(QStringLiteral(
                "--tz: unknown time zone '%1' (use an IANA name such as Europe/Berlin)")
                            .arg(options.timeZone));
        return fail(
            QStringLiteral("unknown time zone '%1' in TZ (use an IANA name such as Europe/Berlin)")
                .arg(device.timeZoneId));
    }

    std::unique_ptr<Clock> clock;
    const QString now = options.now.isEmpty() ? qEnvironmentVariable("FETEMARK_NOW") : options.now;
    if (now.isEmpty()) {
        clock = std::make_unique<SystemClock>();
    } else {
        const QDateTime moment = FixedClock::parseLocalTime(now, Calendar(device.timeZoneId));
        if (!moment.isValid())
            return fail(
                QStringLiteral("%1: '%2' is not a time (use YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS])")
                    .arg(options.now.isEmpty() ? QStringLiteral("FETEMARK_NOW")
                                               : QStringLiteral("--now"),
                        now));
        clock = std::make_unique<FixedClock>(moment);
    }

    const QString chosen = options.demo && options.dataDirectory.isEmpty()
        ? DemoData::defaultDirectory()
        : DataLocations::dataDirectory(options.dataDirectory);
    if (chosen.isEmpty())
        return fail(QStringLiteral("cannot find the data directory: set HOME or XDG_DATA_HOME to "
                                   "an absolute path, set FETEMARK_DATA_DIR, or pass --data-dir"));
    const QString directory = QDir::cleanPath(QDir(chosen).absolutePath());
    // The demo directory is filled on first use, whatever the run does with it.
    if (QString error;
        options.demo && !fillDemoDirectory(directory, device.timeZoneId, clock->now(), &error))
        return fail(error);

    QString deliveryError;
    // The data directory's center is read by the notifier agent; users without one ask
    // for the service.
    const std::optional<ReminderDelivery> delivery = AppDelegate::reminderDelivery(
        qEnvironmentVariable("FETEMARK_REMINDERS"), true, &deliveryError);
    if (!delivery)
        return fail(QStringLiteral("FETEMARK_REMINDERS: %1").arg(deliveryError));
    QString serviceBase;
    if (*delivery == ReminderDelivery::Service) {
        serviceBase = ProviderRequest::serviceBaseFromEnvironment(&deliveryError);
        if (serviceBase.isEmpty())
            return fail(deliveryError);
    }

    std::unique_ptr<CommandContext> context(new CommandContext(std::move(device), std::move(clock),
        directory, access, options.json, out, err, *delivery, serviceBase));
    if (QString error; access == DataAccess::ReadWrite && !context->prepareForWriting(&error))
        return fail(error);
    context->app.applicationDidFinishLaunching();
    for (const QString& warning : context->app.takeWarnings())
        context->warn(warning);
    *exitCode = Success;
    return context;
}

int CommandContext::writeToStandardOutput(const QByteArray& bytes)
{
    out.flush();
    QFile file;
    const bool written = file.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered) &&
        file.write(bytes) == bytes.size() && file.flush() && std::fflush(stdout) == 0;
    if (!written)
        return refuse(QStringLiteral("cannot write to standard output"));
    return Success;
}

int CommandContext::refuse(const QString& message)
{
    writeDiagnostic(err, json, Diagnostic::Error, message);
    return Refused;
}

void CommandContext::printValue(QLatin1StringView key, const QString& text)
{
    if (json) {
        JsonWriter writer(out);
        writer.beginObject();
        writer.member(key, text);
        writer.endObject();
    } else {
        out << text << '\n';
    }
    out.flush();
}

void CommandContext::warn(const QString& message)
{
    writeDiagnostic(err, json, Diagnostic::Warning, message);
}

void CommandContext::note(const QString& message)
{
    writeDiagnostic(err, json, Diagnostic::Note, message);
}

} // namespace fetemark::cli
