#include "CommandContext.h"

#include "cli/CommandLine.h"
#include "cli/Diagnostics.h"
#include "cli/JsonWriter.h"

#include "app/RunEnvironment.h"
#include "core/database/RecordDatabase.h"
#include "core/records/ContactLabels.h"
#include "core/reminders/PlistNotificationCenter.h"
#include "platform/addressbook/AddressBook.h"
#include "platform/files/DataDirectory.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace fetemark::cli {

CommandContext::CommandContext(DeviceEnvironment deviceEnvironment, std::unique_ptr<Clock> theClock,
    QString directory, DataAccess dataAccess, bool jsonOutput, QTextStream& output,
    QTextStream& errors, ReminderDelivery delivery, QString serviceBase)
    : device(std::move(deviceEnvironment)), calendar(device.timeZoneId), clock(std::move(theClock)),
      dataDirectory(std::move(directory)), access(dataAccess), json(jsonOutput), out(output),
      err(errors), lock(dataDirectory),
      settings(QDir(dataDirectory).filePath(QStringLiteral("Preferences.plist")), &lock, access),
      app(AppDelegate::Dependencies {settings, device, dataDirectory, resourceRoot(), nullptr,
          nullptr, access, clock.get(), delivery, std::move(serviceBase), &lock}),
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
            settings, *clock, device, dataDirectory, resourceRoot(), access, &lock});
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
    QString problem;
    std::optional<RunEnvironment> environment =
        RunEnvironment::resolve(options.launchOptions(), &problem);
    if (!environment)
        return fail(problem);

    std::unique_ptr<CommandContext> context(new CommandContext(std::move(environment->device),
        std::move(environment->clock), environment->dataDirectory, access, options.json, out, err,
        environment->delivery, environment->serviceBase));
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
