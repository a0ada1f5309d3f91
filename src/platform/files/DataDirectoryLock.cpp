#include "DataDirectoryLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fetemark {
namespace {

constexpr auto PollInterval = std::chrono::milliseconds(10);

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

void setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
}

} // namespace

DataDirectoryLock::DataDirectoryLock(QString directory, std::chrono::milliseconds timeout)
    : m_directory(std::move(directory)), m_timeout(timeout)
{
}

DataDirectoryLock::~DataDirectoryLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the only descriptor releases the lock
}

QString DataDirectoryLock::lockFilePath() const
{
    return QDir(m_directory).filePath(QStringLiteral(".lock"));
}

bool DataDirectoryLock::acquire(Mode mode, QString* error)
{
    std::unique_lock guard(m_mutex);
    const auto deadline = std::chrono::steady_clock::now() + m_timeout;
    while (m_count > 0) {
        if (m_mode == Mode::Exclusive || mode == Mode::Shared) {
            ++m_count;
            return true;
        }
        if (m_released.wait_until(guard, deadline) == std::cv_status::timeout && m_count > 0) {
            setError(error,
                QStringLiteral("the data directory %1 is still being read; nothing was changed")
                    .arg(m_directory));
            return false;
        }
    }
    if (!openLockFile(mode, error))
        return false;
    if (m_fd >= 0 && !waitForFileLock(mode, error))
        return false;
    m_mode = mode;
    m_count = 1;
    return true;
}

void DataDirectoryLock::release()
{
    std::lock_guard guard(m_mutex);
    if (m_count == 0 || --m_count > 0)
        return;
    if (m_fd >= 0)
        ::flock(m_fd, LOCK_UN);
    m_released.notify_all();
}

bool DataDirectoryLock::openLockFile(Mode mode, QString* error)
{
    if (m_fd >= 0)
        return true;
    const QByteArray path = QFile::encodeName(lockFilePath());
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0 && mode == Mode::Shared) {
        // A directory we may not write to (or that does not exist yet): an existing lock
        // file can still be shared; without one there is nothing a reader could disturb.
        m_fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        return true;
    }
    if (m_fd < 0) {
        const int code = errno;
        setError(error,
            QStringLiteral("cannot lock the data directory %1: %2")
                .arg(m_directory,
                    QFileInfo(m_directory).isDir() ? systemError(code)
                                                   : QStringLiteral("it does not exist")));
        return false;
    }
    struct stat info { };
    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        setError(error,
            QStringLiteral("cannot lock the data directory %1: %2 is not a regular file")
                .arg(m_directory, lockFilePath()));
        return false;
    }
    return true;
}

bool DataDirectoryLock::waitForFileLock(Mode mode, QString* error)
{
    const int operation = (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    const auto deadline = std::chrono::steady_clock::now() + m_timeout;
    for (;;) {
        if (::flock(m_fd, operation) == 0)
            return true;
        const int code = errno;
        if (code == EINTR)
            continue;
        if (code != EWOULDBLOCK) {
            setError(error,
                QStringLiteral("cannot lock the data directory %1: %2")
                    .arg(m_directory, systemError(code)));
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            setError(error,
                QStringLiteral("the data directory %1 is in use by another Fetemark program; "
                               "nothing was changed, try again")
                    .arg(m_directory));
            return false;
        }
        std::this_thread::sleep_for(PollInterval);
    }
}

DataDirectoryLock::Holder::Holder(DataDirectoryLock* lock, Mode mode, QString* error)
    : m_held(!lock || lock->acquire(mode, error))
{
    if (lock && m_held)
        m_lock = lock;
}

DataDirectoryLock::Holder::~Holder()
{
    if (m_lock)
        m_lock->release();
}

} // namespace fetemark
