#pragma once

#include "app/SetupNotificationsOperation.h"
#include "core/operations/OperationQueue.h"
#include "core/reminders/NotificationSync.h"
#include "core/text/Texts.h"
#include "core/time/Calendar.h"
#include "core/time/DeviceEnvironment.h"
#include "platform/files/DataAccess.h"

#include <QString>
#include <QStringList>

#include <mutex>

namespace fetemark {

class Clock;
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
        // The time reminders are scheduled from; none: reminders are not rebuilt.
        const Clock* clock = nullptr;
    };

    explicit AppDelegate(Dependencies dependencies);
    // Waits for a rebuild in progress; a queued one is dropped.
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The launch steps that do not draw: settings loaded, platform values given,
    // defaults registered and seeded.
    void applicationDidFinishLaunching();
    void registerAppDefaults();
    // Decides how reminders are delivered: on Linux the notification center always
    // schedules them locally.
    void registerForNotifications();

    // Suspension and termination save the same way.
    void applicationDidEnterBackground();
    void applicationWillTerminate();
    void applicationWillResignActive();

    // The one entry point that brings reminders up to date after a change; with
    // `synchronous` it finishes before returning (used on suspension), else it queues a
    // SetupNotificationsOperation. Either way a rebuild queued or running is cancelled
    // first.
    void sendProviderData(bool synchronous);
    // The rebuild: the schedule wanted now handed to the notification center, stopping
    // when `operation` (none: never) is cancelled. Nothing happens (Done) without a
    // center, a clock or a loaded database.
    NotificationSyncResult setupLocalNotifications(const Operation* operation);
    NotificationSyncResult setupLocalNotifications(
        const SetupNotificationsOperation::Input& input, const Operation* operation);
    // The records and settings a rebuild starts from, as they are now.
    SetupNotificationsOperation::Input notificationInput() const;
    // The icon badge set from the upcoming count, or to none when "showcount" is off.
    void updateApplicationBadge();
    // Waits until no rebuild is queued or running.
    void waitForNotifications() { m_notificationQueue.waitUntilAllOperationsAreFinished(); }

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
    void addSaveError(const QString& error);

    Dependencies m_deps;
    Calendar m_gregorian;
    Texts m_texts;
    mutable std::mutex m_listsMutex; // the lists below; rebuilds report from their thread
    QStringList m_warnings;
    QStringList m_saveErrors;
    // Serial; last, so it is emptied before the rest goes.
    OperationQueue m_notificationQueue {1};
};

} // namespace fetemark
