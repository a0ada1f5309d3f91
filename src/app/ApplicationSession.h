#pragma once

#include "app/AppDelegate.h"
#include "app/RunEnvironment.h"
#include "core/settings/Settings.h"
#include "core/text/Texts.h"
#include "core/time/Calendar.h"
#include "platform/files/DataDirectoryLock.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace fetemark {

class DataDirectoryWatcher;
class PlistNotificationCenter;
class RecordDatabase;

// Everything a long-running front end (the window) works with, for as long as it runs:
// the run's environment, the data directory's lock, the settings, the application
// object, the notification center the notifier agent reads and the record database.
//
// Unlike a command, the window holds the lock only while it reads or writes: each store
// takes it for its own change. Changes other programs make to the data directory are
// noticed (file watching) and reported as `dataChangedElsewhere`.
class ApplicationSession : public QObject {
    Q_OBJECT
public:
    explicit ApplicationSession(RunEnvironment environment, QObject* parent = nullptr);
    ~ApplicationSession() override;

    // Creates the data directory (0700), tidies up after a killed save and runs the
    // application's launch steps. False with `error` set when the directory cannot be
    // used.
    bool start(QString* error);
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

signals:
    // Another program changed what the window shows: the settings, the stores or the
    // address book. The database should be reloaded.
    void dataChangedElsewhere();

private:
    void filesChanged(const QStringList& names);

    RunEnvironment m_environment;
    Calendar m_calendar;
    DataDirectoryLock m_lock;
    Settings m_settings;
    AppDelegate m_app;
    Texts m_texts;
    std::unique_ptr<PlistNotificationCenter> m_notificationCenter;
    std::unique_ptr<RecordDatabase> m_database;
    std::unique_ptr<DataDirectoryWatcher> m_watcher;
    bool m_terminated = false;
};

} // namespace fetemark
