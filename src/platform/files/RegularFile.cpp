#include "RegularFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fetemark::RegularFile {
namespace {

constexpr qsizetype ChunkSize = 64 * 1024;
constexpr qsizetype MaxSizeHint = qsizetype(1) << 30;

// Closes the file however the read ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

private:
    int m_fd;
};

ReadStatus fail(ReadStatus status, const QString& why, QString* error)
{
    if (error)
        *error = why;
    return status;
}

QString systemError(const char* what, int code)
{
    return QStringLiteral("%1: %2").arg(
        QLatin1String(what), QString::fromLocal8Bit(std::strerror(code)));
}

QString kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISDIR(mode))
        return QStringLiteral("a directory");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("something else");
}

ReadStatus readAll(int fd, qsizetype sizeHint, QByteArray* bytes, QString* error)
{
    // The size is a hint only: the file may grow or shrink while it is read. One byte
    // to spare lets the read that meets the end do so without growing the buffer.
    QByteArray out(qBound<qsizetype>(0, sizeHint, MaxSizeHint) + 1, Qt::Uninitialized);
    qsizetype used = 0;
    for (;;) {
        if (used == out.size())
            out.resize(used + ChunkSize);
        const ssize_t n = ::read(fd, out.data() + used, static_cast<size_t>(out.size() - used));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(ReadStatus::Failed, systemError("cannot read it", errno), error);
        if (n == 0)
            break;
        used += n;
    }
    out.truncate(used);
    if (bytes)
        *bytes = std::move(out);
    return ReadStatus::Read;
}

} // namespace

ReadStatus read(const QString& path, QByteArray* bytes, QString* error)
{
    // Non-blocking, so that opening a FIFO returns at once instead of waiting for a writer;
    // a terminal in the file's place must not become the process's controlling one.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        return fail(code == ENOENT ? ReadStatus::Missing : ReadStatus::Failed,
            systemError("cannot open it", code), error);
    }
    const Descriptor file(fd);
    struct stat info { };
    if (::fstat(fd, &info) != 0)
        return fail(ReadStatus::Failed, systemError("cannot examine it", errno), error);
    if (!S_ISREG(info.st_mode))
        return fail(ReadStatus::NotRegular,
            QStringLiteral("it is %1, not a regular file").arg(kindOf(info.st_mode)), error);
    // Reads of a regular file never block; the flag goes so that none can fail with EAGAIN.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return fail(ReadStatus::Failed, systemError("cannot set it up for reading", errno), error);
    return readAll(fd, static_cast<qsizetype>(info.st_size), bytes, error);
}

} // namespace fetemark::RegularFile
