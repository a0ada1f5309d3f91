#include "DataDirectoryWatcher.h"

#include <QDir>

namespace fetemark {

const QStringList DataDirectoryWatcher::WatchedFiles {QStringLiteral("Preferences.plist"),
    QStringLiteral("CustomEntries.plist"), QStringLiteral("ABMetadata.plist"),
    QStringLiteral("Notifications.plist"), QStringLiteral("AddressBook.sqlite"),
    QStringLiteral("AddressBook.sqlite-wal")};

DataDirectoryWatcher::DataDirectoryWatcher(QString directory, QObject* parent)
    : QObject(parent), m_directory(std::move(directory))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(std::chrono::milliseconds(200));
    connect(&m_settle, &QTimer::timeout, this, &DataDirectoryWatcher::report);
    // A save renames a new file into place, which changes the directory; the address
    // book's log is written in place, which only the file's own watch sees.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
        &DataDirectoryWatcher::directoryTouched);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this,
        &DataDirectoryWatcher::directoryTouched);
    m_watcher.addPath(m_directory);
    const QDir dir(m_directory);
    for (const QString& name : WatchedFiles)
        m_versions.insert(name, FileVersion::of(dir.filePath(name)));
    watchFiles();
}

void DataDirectoryWatcher::setSettleTime(std::chrono::milliseconds settle)
{
    m_settle.setInterval(settle);
}

void DataDirectoryWatcher::watchFiles()
{
    // A watched file replaced by a rename drops out of the watch; adding is idempotent.
    const QDir dir(m_directory);
    for (const QString& name : WatchedFiles) {
        if (m_versions.value(name).exists())
            m_watcher.addPath(dir.filePath(name));
    }
}

void DataDirectoryWatcher::directoryTouched()
{
    const QDir dir(m_directory);
    for (const QString& name : WatchedFiles) {
        const FileVersion now = FileVersion::of(dir.filePath(name));
        if (now == m_versions.value(name))
            continue;
        m_versions.insert(name, now);
        if (!m_pending.contains(name))
            m_pending << name;
    }
    watchFiles();
    if (!m_pending.isEmpty())
        m_settle.start();
}

void DataDirectoryWatcher::report()
{
    QStringList names;
    names.swap(m_pending);
    emit filesChanged(names);
}

} // namespace fetemark
