#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace fetemark::RegularFile {

enum class ReadStatus : std::uint8_t {
    Missing,    // nothing there (a dangling link too)
    Read,       // `bytes` holds the whole file
    NotRegular, // a FIFO, directory, device or socket
    Failed,     // there, but it could not be opened or read
};

// Reads all of `path` when it is a regular file, following links. Anything else is
// refused without blocking: opening a FIFO for reading would wait for a writer, and
// reading a device might never end. Unless the status is Read, `error` (when given) says
// why, without the path, which the caller names in its own message.
ReadStatus read(const QString& path, QByteArray* bytes, QString* error = nullptr);

} // namespace fetemark::RegularFile
