#pragma once

#include "platform/archive/ArchiveValue.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace fetemark {

// Reads a keyed archive (binary or XML property list) back into an object graph.
// Damaged or hostile input — wrong types, dangling or cyclic references, truncated
// bytes, absurd counts or nesting — gives nullopt and an error text; never a crash or
// a hang. An object referenced twice comes back as one shared node.
class KeyedUnarchiver {
public:
    struct Limits {
        qsizetype maxBytes = 256 * 1024 * 1024;
        int maxDepth = 512;
    };

    static std::optional<ArchiveValue> unarchive(const QByteArray& bytes, QString* error = nullptr);
    static std::optional<ArchiveValue> unarchive(
        const QByteArray& bytes, const Limits& limits, QString* error);
};

} // namespace fetemark
