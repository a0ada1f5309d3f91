#pragma once

#include "app/AppDelegate.h"
#include "app/RunEnvironment.h"
#include "core/settings/Settings.h"
#include "core/text/Texts.h"
#include "core/time/Calendar.h"
#include "core/time/Clock.h"
#include "core/time/DeviceEnvironment.h"
#include "platform/files/DataAccess.h"
#include "platform/files/DataDirectoryLock.h"

#include <QString>
#include <QTextStream>

#include <memory>
#include <optional>

namespace fetemark {
class AddressBook;
class PlistNotificationCenter;
class RecordDatabase;
} // namespace fetemark

namespace fetemark::cli {

// The options that come before the command.
struct GlobalOptions {
    QString dataDirectory;
    QString now;
    QString timeZone;
    QString locale;
    bool json = false;
    bool demo = false; // the demo data directory, filled on first use
    // --gui / --no-gui: the window or the list in the terminal when no command is given;
    // none: the window when a display is available.
    std::optional<bool> window;

    LaunchOptions launchOptions() const { return {dataDirectory, now, timeZone, locale, demo}; }
};

// Everything a subcommand works with: the device's zone and locale, the clock, the data
// directory, and the started application object. Built once per run from the global
// options and the process environment.
//
// A run that changes data holds the data directory's lock exclusively from start to
// end, so everything it reads is current and nothing changes under it until it has
// written. A read-only run takes the lock shared only while it loads, and writes
// nothing: not even the directory is created.
class CommandContext {
public:
    // The context, or nullptr after writing the reason to `err` (`exitCode` says which
    // status the run ends with).
    static std::unique_ptr<CommandContext> create(const GlobalOptions& options, DataAccess access,
        QTextStream& out, QTextStream& err, int* exitCode);

    // Where the resources the program carries are read from.
    static QString resourceRoot() { return QStringLiteral(":/resources"); }

    DeviceEnvironment device;
    Calendar calendar;
    std::unique_ptr<Clock> clock;
    QString dataDirectory;
    DataAccess access;
    bool json = false;
    QTextStream& out;
    QTextStream& err;
    DataDirectoryLock lock;
    Settings settings;
    AppDelegate app;
    Texts texts;

    // A handle on "AddressBook.sqlite" in the data directory, read-only for ReadOnly
    // access; nullptr with `error` set when it cannot be opened, with `error` empty when a
    // read-only run finds no book.
    std::unique_ptr<AddressBook> openAddressBook(DataAccess access, QString* error) const;
    // The display word of an address book label in the current language.
    QString labelText(const QString& label) const;
    // The record database, loaded on first use (on this thread) and then kept; the
    // application object saves its stores when the run ends.
    RecordDatabase& database();
    // The data directory's notification center ("Notifications.plist"), made on first use.
    PlistNotificationCenter& notificationCenter();
    // The command changed something reminders are made from: once it has succeeded and
    // its stores are saved, the schedule is rebuilt and the badge set, under the lock the
    // run holds.
    void requestRebuild() { m_rebuildRequested = true; }

    ~CommandContext();

    // Ends the run as the application ends: stores saved, problems reported. Returns
    // the refused-input status when something could not be saved. A run that ended in
    // `status` other than success saves nothing: a refused command changes nothing.
    int finish(int status);

    // Writes a refusal ("fetemark: ...", with --json {"error": "..."}) to standard error
    // and gives the refused-input status.
    int refuse(const QString& message);
    // Something the user should know that does not stop the run: "fetemark: warning:
    // ..." or {"warning": "..."}.
    void warn(const QString& message);
    // A hint on what the output means: "fetemark: note: ..." or {"note": "..."}.
    void note(const QString& message);
    // Prints one value: the text on a line, or with --json an object with the one member
    // {"key": "text"}.
    void printValue(QLatin1StringView key, const QString& text);
    // Writes bytes as they are to standard output after the text written so far; a
    // failed write (a full disk, a closed pipe) is refused.
    int writeToStandardOutput(const QByteArray& bytes);

private:
    std::unique_ptr<RecordDatabase> m_database;
    std::unique_ptr<PlistNotificationCenter> m_notificationCenter;
    bool m_rebuildRequested = false;
    std::optional<DataDirectoryLock::Holder> m_writeLock;

    CommandContext(DeviceEnvironment device, std::unique_ptr<Clock> clock, QString dataDirectory,
        DataAccess access, bool json, QTextStream& out, QTextStream& err, ReminderDelivery delivery,
        QString serviceBase);
    // Creates the directory, takes the lock for the run and tidies up after a killed
    // save; false with `error` set when the run cannot change data.
    bool prepareForWriting(QString* error);
};

} // namespace fetemark::cli
