#pragma once

#include <QString>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace fetemark {

// The lock every Fetemark program (the window, the notifier, the command) takes on the
// data directory: shared while it reads stores, exclusive while it changes one, so a
// change is always made to the current file and never to a copy another program has
// since replaced. It is an advisory lock (flock) on the file ".lock" in the directory,
// released by the system when a program ends, even when it is killed.
//
// One object per data directory per process, handed to everything that reads or writes
// stores there: taking the lock again in the same process is counted, not repeated, so
// a store write inside a run that holds the lock already does not wait for itself.
class DataDirectoryLock {
public:
    enum class Mode {
        Shared,
        Exclusive,
    };
    static constexpr std::chrono::milliseconds DefaultTimeout = std::chrono::seconds(60);

    explicit DataDirectoryLock(
        QString directory, std::chrono::milliseconds timeout = DefaultTimeout);
    ~DataDirectoryLock();
    DataDirectoryLock(const DataDirectoryLock&) = delete;
    DataDirectoryLock& operator=(const DataDirectoryLock&) = delete;

    QString directory() const { return m_directory; }
    QString lockFilePath() const;

    // Waits until the lock is ours in `mode` or the time-out passes (then false, with
    // `error` naming the directory). Held exclusively in this process, any request is
    // granted at once; held shared, an exclusive request waits for the readers of this
    // process to finish first. A directory that does not exist yet, or a read-only one
    // where the lock file cannot be made, holds nothing to protect from readers: shared
    // requests then succeed without a lock, exclusive ones fail.
    bool acquire(Mode mode, QString* error = nullptr);
    void release();

    // Holds the lock for its scope. Without a lock object (a store used on its own, as
    // in tests) there is nothing to take and the holder counts as held.
    class Holder {
    public:
        Holder(DataDirectoryLock* lock, Mode mode, QString* error = nullptr);
        ~Holder();
        Holder(const Holder&) = delete;
        Holder& operator=(const Holder&) = delete;
        bool isHeld() const { return m_held; }

    private:
        DataDirectoryLock* m_lock = nullptr;
        bool m_held = false;
    };

private:
    bool openLockFile(Mode mode, QString* error);
    bool waitForFileLock(Mode mode, QString* error);

    QString m_directory;
    std::chrono::milliseconds m_timeout;
    std::mutex m_mutex;
    std::condition_variable m_released;
    int m_fd = -1;
    int m_count = 0;
    Mode m_mode = Mode::Shared;
};

} // namespace fetemark
