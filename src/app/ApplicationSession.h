#pragma once

#include "app/AppDelegate.h"
#include "app/RunEnvironment.h"
#include "core/settings/Settings.h"
#include "core/text/Texts.h"
#include "core/time/Calendar.h"
#include "platform/files/DataDirectoryLock.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace fetemark {

class AddressBookChanges;
class DataDirectoryWatcher;
class PlistNotificationCenter;
class RecordDatabase;
class WakeSource;

// Everything a long-running front end (the window) works with, for as long as it runs:
// the run's environment, the data directory's lock, the settings, the application
// object, the notification center the notifier agent reads and the record database.
//
// Unlike a command, the window holds the lock only while it reads or writes: each store
// takes it for its own change. Changes other programs make to the data directory are
// noticed (file watching) and reported as `dataChangedElsewhere`; its own writes are not.
// The session never shows reminders: the notifier agent does, also while the window is
// open, so that none is shown twice.
class ApplicationSession : public QObject {
    Q_OBJECT
public:
    explicit ApplicationSession(RunEnvironment environment, QObject* parent = nullptr);
    ~ApplicationSession() override;

    // Creates the data directory (0700), tidies up after a killed save and runs the
    // application's launch steps. False with `error` set when the directory cannot be
    // used.
    bool start(QString* error);
    // What tells the session that a day may have begun: the machine's wall-clock alarm
    // (midnight, clock set, zone changed, resume) unless another is given before start().
    void setWakeSource(std::unique_ptr<WakeSource> source);

    // How the desktop sees the application: in front, behind another window, or hidden
    // (a phone's background). The application's steps run on each change.
    enum class Activity { Active, Inactive, Background };
    void setActivity(Activity activity);
    Activity activity() const { return m_activity; }

    // The termination steps: stores written, badge set, reminders rebuilt synchronously.
    void terminate();

    const DeviceEnvironment& device() const { return m_environment.device; }
    const Clock& clock() const { return *m_environment.clock; }
    const QString& dataDirectory() const { return m_environment.dataDirectory; }
    const Calendar& calendar() const { return m_calendar; }
    DataDirectoryLock& lock() { return m_lock; }
    Settings& settings() { return m_settings; }
    AppDelegate& app() { return m_app; }
    RecordDatabase& database() { return *m_database; }
    const Texts& texts() const { return m_texts; }

    // What went wrong on the way (damaged files moved aside, saves that failed), for the
    // window to show; taking them empties the list.
    QStringList takeProblems();
    // Takes the problems and, when there are any, emits `problemsArrived`. Runs by itself
    // after the start, a reload, a save and a change of the day.
    void reportProblems();

signals:
    // Another program changed what the window shows: the settings, the stores or the
    // address book. The database should be reloaded.
    void dataChangedElsewhere();
    // The day may be another one: local midnight passed, the clock was set, the time zone
    // changed or the machine woke up. What shows dates should recompute them.
    void significantTimeChange();
    // The application went behind another window: photo work and other background work
    // should stop. `didEnterBackground` follows when it is hidden altogether.
    void willResignActive();
    void didEnterBackground();
    void didBecomeActive();
    // Problems for the person to see (damaged files moved aside, saves that failed).
    void problemsArrived(const QStringList& problems);

private:
    void filesChanged(const QStringList& names);
    void woken();
    void armMidnight();

    RunEnvironment m_environment;
    Calendar m_calendar;
    DataDirectoryLock m_lock;
    Settings m_settings;
    AppDelegate m_app;
    Texts m_texts;
    std::unique_ptr<PlistNotificationCenter> m_notificationCenter;
    std::unique_ptr<RecordDatabase> m_database;
    std::unique_ptr<DataDirectoryWatcher> m_watcher;
    std::unique_ptr<AddressBookChanges> m_addressBookChanges;
    std::unique_ptr<WakeSource> m_wakeSource;
    QDateTime m_armedMidnight;
    Activity m_activity = Activity::Active;
    bool m_terminated = false;
};

} // namespace fetemark
