#pragma once

#include <QByteArray>
#include <QString>

namespace fetemark::AtomicFile {

// Who may read a written file.
enum class Access {
    // The user's personal data: 0600, whatever the umask.
    Private,
    // A file the user named (an export): the umask decides, or the replaced file's mode;
    // its folder must exist.
    UserDefault,
};

// Writes `bytes` to `path` through a temporary file renamed into place, creating the
// folder when needed: a crash or a full disk leaves the previous file as it was. Every
// write and the sync are checked, so a short file is never renamed into place. On
// failure `error` (when given) says which file and why, in the system's words ("No
// space left on device").
bool write(const QString& path, const QByteArray& bytes, QString* error = nullptr,
    Access access = Access::Private);

} // namespace fetemark::AtomicFile
