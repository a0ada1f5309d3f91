#include "FileVersion.h"

#include <QFile>

#include <sys/stat.h>

namespace fetemark {
namespace {

std::int64_t nanoseconds(const timespec& t)
{
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

} // namespace

FileVersion FileVersion::of(const QString& path)
{
    FileVersion version;
    struct stat info { };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return version;
    version.m_exists = true;
    version.m_device = info.st_dev;
    version.m_inode = info.st_ino;
    version.m_size = info.st_size;
    version.m_modifiedNs = nanoseconds(info.st_mtim);
    version.m_changedNs = nanoseconds(info.st_ctim);
    return version;
}

} // namespace fetemark
