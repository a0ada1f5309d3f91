#pragma once

#include <QByteArray>
#include <QString>

namespace fetemark::AtomicFile {

// Writes `bytes` to `path` through a temporary file renamed into place, creating the
// folder when needed: a crash or a full disk leaves the previous file as it was. On
// failure `error` (when given) says which file and why.
bool write(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace fetemark::AtomicFile
