#pragma once

#include "platform/files/FileVersion.h"

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <chrono>

namespace fetemark {

// Tells a program that stays running (the window, the notifier) when a file of the data
// directory changed: a store replaced by a save, or the address book written. Such a
// program reloads what changed before it shows or writes anything again, so it never
// writes back a copy another program has replaced. Its own saves are reported too: the
// stores tell those apart by their snapshot of the file they last wrote.
class DataDirectoryWatcher : public QObject {
    Q_OBJECT
public:
    // The files watched, by name in the data directory.
    static const QStringList WatchedFiles;

    explicit DataDirectoryWatcher(QString directory, QObject* parent = nullptr);

    // A save renames several files in a row; one notice follows once the directory has
    // been quiet this long.
    void setSettleTime(std::chrono::milliseconds settle);

signals:
    // The names (of WatchedFiles) whose file is another one now, or appeared or went.
    void filesChanged(const QStringList& names);

private:
    void directoryTouched();
    void watchFiles();
    void report();

    QString m_directory;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QHash<QString, FileVersion> m_versions;
    QStringList m_pending;
};

} // namespace fetemark
