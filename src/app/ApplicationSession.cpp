#include "ApplicationSession.h"

#include "core/database/RecordDatabase.h"
#include "core/reminders/PlistNotificationCenter.h"
#include "platform/addressbook/AddressBookChanges.h"
#include "platform/files/DataDirectory.h"
#include "platform/files/DataDirectoryWatcher.h"
#include "platform/time/DesktopWakeSource.h"

#include <QDir>
#include <QTimer>

namespace fetemark {

ApplicationSession::ApplicationSession(RunEnvironment environment, QObject* parent)
    : QObject(parent), m_environment(std::move(environment)),
      m_calendar(m_environment.device.timeZoneId), m_lock(m_environment.dataDirectory),
      m_settings(QDir(m_environment.dataDirectory).filePath(QStringLiteral("Preferences.plist")),
          &m_lock, DataAccess::ReadWrite),
      m_app(AppDelegate::Dependencies {m_settings, m_environment.device,
          m_environment.dataDirectory, QStringLiteral(":/resources"), nullptr, nullptr,
          DataAccess::ReadWrite, m_environment.clock.get(), m_environment.delivery,
          m_environment.serviceBase, &m_lock}),
      m_texts(m_environment.device.currentLanguage())
{
}

ApplicationSession::~ApplicationSession()
{
    // The application object may still run a rebuild that reads the database.
    m_app.waitForNotifications();
    m_app.setOccasionStore(nullptr);
    m_app.setNotificationCenter(nullptr);
}

bool ApplicationSession::start(QString* error)
{
    const QString& directory = m_environment.dataDirectory;
    if (!DataDirectory::create(directory, error))
        return false;
    {
        const DataDirectoryLock::Holder held(&m_lock, DataDirectoryLock::Mode::Exclusive, error);
        if (!held.isHeld())
            return false;
        DataDirectory::removeLeftoverTemporaryFiles(directory);
    }
    m_app.applicationDidFinishLaunching();
    m_app.registerForNotifications();
    m_notificationCenter =
        std::make_unique<PlistNotificationCenter>(directory, &m_lock, *m_environment.clock);
    if (m_app.lpsAvailable)
        m_app.setNotificationCenter(m_notificationCenter.get());
    m_database = std::make_unique<RecordDatabase>(
        RecordDatabase::Dependencies {m_settings, *m_environment.clock, m_environment.device,
            directory, QStringLiteral(":/resources"), DataAccess::ReadWrite, &m_lock});
    m_app.setOccasionStore(m_database.get());

    m_addressBookChanges = std::make_unique<AddressBookChanges>(
        QDir(directory).filePath(QStringLiteral("AddressBook.sqlite")));
    m_watcher = std::make_unique<DataDirectoryWatcher>(directory);
    connect(m_watcher.get(), &DataDirectoryWatcher::filesChanged, this,
        &ApplicationSession::filesChanged);
    if (!m_wakeSource)
        m_wakeSource = std::make_unique<DesktopWakeSource>();
    connect(m_wakeSource.get(), &WakeSource::wake, this, &ApplicationSession::woken);
    armMidnight();
    // Whoever shows the problems connects once the window is built.
    QTimer::singleShot(0, this, &ApplicationSession::reportProblems);
    return true;
}

void ApplicationSession::setWakeSource(std::unique_ptr<WakeSource> source)
{
    m_wakeSource = std::move(source);
}

void ApplicationSession::armMidnight()
{
    const QDateTime next = m_calendar.addDays(m_calendar.startOfDay(clock().now()), 1);
    // A clock that stands still (--now) never reaches the moment asked for: the alarm,
    // which fires at once for a past moment, is not asked again for the same one.
    if (next == m_armedMidnight)
        return;
    m_armedMidnight = next;
    m_wakeSource->wakeAt(next);
}

void ApplicationSession::woken()
{
    armMidnight();
    emit significantTimeChange();
    reportProblems();
}

void ApplicationSession::setActivity(Activity activity)
{
    if (activity == m_activity || m_terminated)
        return;
    const Activity was = m_activity;
    m_activity = activity;
    if (was == Activity::Active) {
        m_app.applicationWillResignActive();
        emit willResignActive();
    }
    if (activity == Activity::Background) {
        m_app.applicationDidEnterBackground();
        emit didEnterBackground();
        reportProblems();
    } else if (activity == Activity::Active) {
        emit didBecomeActive();
    }
}

void ApplicationSession::terminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    m_app.applicationWillTerminate();
}

void ApplicationSession::reportProblems()
{
    const QStringList problems = takeProblems();
    if (!problems.isEmpty())
        emit problemsArrived(problems);
}

QStringList ApplicationSession::takeProblems()
{
    QStringList problems = m_app.takeWarnings() + m_app.takeSaveErrors();
    if (m_database)
        problems += m_database->takeLoadWarnings();
    if (m_notificationCenter)
        problems += m_notificationCenter->takeWarnings();
    return problems;
}

void ApplicationSession::filesChanged(const QStringList& names)
{
    bool changed = false;
    if (names.contains(QStringLiteral("Preferences.plist"))) {
        // Our own saves come back here too: only a change in the values counts.
        const QVariantMap before = m_settings.storedValues();
        m_settings.load();
        changed = m_settings.storedValues() != before;
    }
    if (m_database && m_database->storesChangedElsewhere())
        changed = true;
    // The window's own saves of the address book move SQLite's data_version too, but as
    // commits of this process, which AddressBookChanges leaves out.
    const bool addressBookTouched = names.contains(QStringLiteral("AddressBook.sqlite")) ||
        names.contains(QStringLiteral("AddressBook.sqlite-wal"));
    if (addressBookTouched && m_addressBookChanges->changedElsewhere())
        changed = true;
    if (changed)
        emit dataChangedElsewhere();
    reportProblems();
}

} // namespace fetemark
