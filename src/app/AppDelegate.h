#pragma once

#include "app/SetupNotificationsOperation.h"
#include "core/operations/OperationQueue.h"
#include "core/reminders/NotificationSync.h"
#include "core/reminders/ProviderClient.h"
#include "core/text/Texts.h"
#include "core/time/Calendar.h"
#include "core/time/DeviceEnvironment.h"
#include "platform/files/DataAccess.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace fetemark {

class ApplicationTheme;
class Clock;
class DataDirectoryLock;
class NotificationCenter;
class OccasionStore;
class Settings;

// How reminders reach the user: scheduled by the notification center on this machine,
// or composed by the reminder service, which sends them by e-mail.
enum class ReminderDelivery { Local, Service };

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
        ReminderDelivery delivery = ReminderDelivery::Local;
        // "scheme://host[:port]" of the reminder service, for Service delivery.
        QString serviceBase = {};
        // The data directory's lock, taken while start-up writes files there; none: taken
        // by the caller, or nothing to share the directory with (tests).
        DataDirectoryLock* lock = nullptr;
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
    // Decides how reminders are delivered, as configured: locally, or by the reminder
    // service through the one client of the run.
    void registerForNotifications();

    // Suspension and termination save the same way.
    void applicationDidEnterBackground();
    void applicationWillTerminate();
    void applicationWillResignActive();

    // The one entry point that brings reminders up to date after a change; with
    // `synchronous` it finishes before returning (used on suspension). Locally it queues
    // a SetupNotificationsOperation, and either way a rebuild queued or running is
    // cancelled first; with the service the request goes out through ProviderClient.
    // Nothing is sent in a read-only run or before the database is loaded.
    void sendProviderData(bool synchronous);
    // The rebuild: the schedule wanted now handed to the notification center, stopping
    // when `operation` (none: never) is cancelled. Nothing happens (Done) without a
    // center, a clock or a loaded database. Without `input` it reads the records in
    // place: call it only on the thread that owns them.
    NotificationSyncResult setupLocalNotifications(const Operation* operation);
    NotificationSyncResult setupLocalNotifications(
        const SetupNotificationsOperation::Input& input, const Operation* operation);
    // The records and settings a rebuild starts from, as they are now.
    SetupNotificationsOperation::Input notificationInput() const;
    // The icon badge set from the upcoming count, or to none when "showcount" is off.
    void updateApplicationBadge();
    // The window's "Updating Notifications..." strip, with local delivery: told `true` when
    // a background rebuild is queued, and `false` once a rebuild that was not cancelled
    // (or a synchronous one) has handed its schedule over; always on the thread that owns
    // this object, the queued rebuild's notice posted there without waiting for it. With a
    // `receiver` (the strip's owner), a posted notice that arrives after the receiver is
    // gone is dropped.
    void setUpdatingNotificationsSignal(
        std::function<void(bool)> signal, QObject* receiver = nullptr)
    {
        m_updatingNotifications = std::move(signal);
        m_updatingReceiver = receiver;
        m_hasUpdatingReceiver = receiver != nullptr;
    }
    void hideUpdatingNotifications();
    // Waits until no rebuild is queued or running.
    void waitForNotifications() { m_notificationQueue.waitUntilAllOperationsAreFinished(); }

    // A new UUID in canonical upper-case text form (8-4-4-4-12 hexadecimal digits).
    static QString getEmailUUID();
    // The reminder service delivers the reminders itself.
    bool srunning() const;
    // What this device tells the reminder service, from the run's push state.
    ProviderDevice providerDevice() const;
    // The run's reminder-service client; none with local delivery.
    ProviderClient* providerClient() const { return m_providerClient.get(); }
    bool initialProviderRequestDone() const;
    bool connectionErrorShown() const;
    bool wifiAvailable() const;

    // Whether suspension brings reminders up to date (by default it does); a command-line
    // run that changed nothing they are made from turns it off.
    void setUpdateRemindersOnSuspension(bool update) { m_updateRemindersOnSuspension = update; }
    // The delivery configured as "local" or "service" (empty: local), made Service when no
    // notification center can be used; nullopt with `error` set for anything else.
    static std::optional<ReminderDelivery> reminderDelivery(
        const QString& configured, bool notificationCenterUsable, QString* error);

    void setOccasionStore(OccasionStore* store) { m_deps.occasions = store; }
    void setNotificationCenter(NotificationCenter* center) { m_deps.notificationCenter = center; }

    // Problems met on the way (a damaged settings file moved aside), for the front end
    // to show; taking them empties the list.
    QStringList takeWarnings();
    // What could not be saved (settings or stores): the user's change is not stored, so
    // the front end must say so as an error. Taking them empties the list.
    QStringList takeSaveErrors();

    // The theme every screen draws with, loaded from the setting by the screens, and the
    // standard theme (101) for screens asked to look standard; both made on first use.
    ApplicationTheme& sharedTheme();
    ApplicationTheme& standardTheme();

    const Calendar& gregorian() const { return m_gregorian; }
    // The device moved to another time zone; a rebuild in progress ends first.
    void setTimeZone(const QString& zoneId);
    Settings& settings() { return m_deps.settings; }

    // One run's push and delivery state; the request's own state is the client's.
    QString deviceToken;
    bool apsAvailable = false;
    bool lpsAvailable = false;
    bool initialSendDone = false;
    bool processingAPNSRegistration = false;

private:
    void suspend();
    void copyCustomThemeImages();
    void synchronizeSettings();
    void addSaveError(const QString& error);
    void addWarning(const QString& warning);
    ProviderClient::Snapshot providerSnapshot() const;

    Dependencies m_deps;
    Calendar m_gregorian;
    Texts m_texts;
    mutable std::mutex m_listsMutex; // the lists below; rebuilds report from their thread
    QStringList m_warnings;
    QStringList m_saveErrors;
    bool m_updateRemindersOnSuspension = true;
    std::unique_ptr<ProviderClient> m_providerClient;
    std::unique_ptr<ApplicationTheme> m_sharedTheme;
    std::unique_ptr<ApplicationTheme> m_standardTheme;
    std::function<void(bool)> m_updatingNotifications;
    QPointer<QObject> m_updatingReceiver;
    bool m_hasUpdatingReceiver = false;
    // Serial; last, so it is emptied before the rest goes.
    OperationQueue m_notificationQueue {1};
};

} // namespace fetemark
