#pragma once

#include "core/time/Calendar.h"
#include "core/time/DeviceEnvironment.h"
#include "platform/files/DataAccess.h"

#include <QString>
#include <QStringList>

namespace fetemark {

class NotificationCenter;
class OccasionStore;
class Settings;

// The application object: starts the application (settings registered and seeded),
// and on suspension or termination saves what the user could lose. It holds no data
// of its own beyond one run's reminder bookkeeping; screens and the command line reach
// the rest through the objects handed to it.
class AppDelegate {
public:
    struct Dependencies {
        Settings& settings;
        DeviceEnvironment device;
        QString dataDirectory;
        QString resourceRoot = QStringLiteral(":/resources");
        OccasionStore* occasions = nullptr;               // set once the database exists
        NotificationCenter* notificationCenter = nullptr; // none when no agent is available
        // A read-only run seeds its settings in memory only and saves nothing.
        DataAccess access = DataAccess::ReadWrite;
    };

    explicit AppDelegate(Dependencies dependencies);

    // The launch steps that do not draw: settings loaded, platform values given,
    // defaults registered and seeded.
    void applicationDidFinishLaunching();
    void registerAppDefaults();

    // Suspension and termination save the same way.
    void applicationDidEnterBackground();
    void applicationWillTerminate();
    void applicationWillResignActive();

    // The one entry point that brings reminders up to date after a change; with
    // `synchronous` it finishes before returning (used on suspension).
    void sendProviderData(bool synchronous);

    // A new UUID in canonical upper-case text form (8-4-4-4-12 hexadecimal digits).
    static QString getEmailUUID();
    // The reminder service delivers the reminders itself.
    bool srunning() const;

    void setOccasionStore(OccasionStore* store) { m_deps.occasions = store; }
    void setNotificationCenter(NotificationCenter* center) { m_deps.notificationCenter = center; }

    // Problems met on the way (a damaged settings file moved aside), for the front end
    // to show; taking them empties the list.
    QStringList takeWarnings();
    // What could not be saved (settings or stores): the user's change is not stored, so
    // the front end must say so as an error. Taking them empties the list.
    QStringList takeSaveErrors();

    const Calendar& gregorian() const { return m_gregorian; }
    Settings& settings() { return m_deps.settings; }

    // One run's reminder-service state.
    QString deviceToken;
    bool apsAvailable = false;
    bool lpsAvailable = false;
    bool wifiAvailable = false;
    bool initialSendDone = false;
    bool initialProviderRequestDone = false;
    bool processingAPNSRegistration = false;
    bool connectionErrorShown = false;

private:
    void suspend();
    void copyCustomThemeImages();
    void synchronizeSettings();

    Dependencies m_deps;
    Calendar m_gregorian;
    QStringList m_warnings;
    QStringList m_saveErrors;
};

} // namespace fetemark
