#pragma once

#include <QString>

#include <cstdint>

namespace fetemark {

// Which file stands at a path: every save renames a new file into place, so a file
// replaced by another program has another identity or change time even when its size
// is the same. Compared to tell whether a store changed since this program read it.
class FileVersion {
public:
    static FileVersion of(const QString& path);

    bool exists() const { return m_exists; }
    friend bool operator==(const FileVersion&, const FileVersion&) = default;

private:
    bool m_exists = false;
    std::uint64_t m_device = 0;
    std::uint64_t m_inode = 0;
    std::int64_t m_size = 0;
    std::int64_t m_modifiedNs = 0;
    std::int64_t m_changedNs = 0;
};

} // namespace fetemark
