#pragma once

#include "platform/archive/ArchiveValue.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace fetemark {

// Writes an object graph in the keyed archiver's layout ($archiver, $version, $top with
// "root", $objects with "$null" first, UID references, $class entries) as a binary
// property list, readable by the original platform's unarchiver and by KeyedUnarchiver.
class KeyedArchiver {
public:
    // The archive bytes, or nullopt with `error` set (e.g. a cycle in the graph).
    static std::optional<QByteArray> archivedData(
        const ArchiveValue& root, QString* error = nullptr);
};

} // namespace fetemark
