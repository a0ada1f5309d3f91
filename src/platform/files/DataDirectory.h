#pragma once

#include <QString>
#include <QStringList>

namespace fetemark::DataDirectory {

// Creates the data directory (and missing parents) when it is missing. The directory
// itself is made 0700 whatever the umask: it holds birthdays, addresses and notes. An
// existing directory keeps the mode its owner gave it.
bool create(const QString& path, QString* error = nullptr);

// Removes what a program killed while saving left behind: a store's complete temporary
// copy ("<store>.XXXXXX") that was never renamed into place. Only call it under the
// exclusive lock, when no save can be under way. Returns the names removed.
QStringList removeLeftoverTemporaryFiles(const QString& path);

} // namespace fetemark::DataDirectory
