#include "ApplicationSession.h"

#include "core/database/RecordDatabase.h"
#include "core/reminders/PlistNotificationCenter.h"
#include "platform/files/DataDirectory.h"
#include "platform/files/DataDirectoryWatcher.h"

#include <QDir>

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

    m_watcher = std::make_unique<DataDirectoryWatcher>(directory);
    connect(m_watcher.get(), &DataDirectoryWatcher::filesChanged, this,
        &ApplicationSession::filesChanged);
    return true;
}

void ApplicationSession::terminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    m_app.applicationWillTerminate();
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
    if (names.contains(QStringLiteral("AddressBook.sqlite")))
        changed = true;
    if (changed)
        emit dataChangedElsewhere();
}

} // namespace fetemark
