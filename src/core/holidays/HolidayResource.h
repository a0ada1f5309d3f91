#pragma once

#include <QString>
#include <QVariant>

#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace fetemark::HolidayResource {

// A property list of the holiday resources, parsed; none with `error` saying which
// (`what`) could not be read or is damaged.
std::optional<QVariant> read(const QString& path, const QString& what, QString* error);

// One parsed copy of a resource per resource root, made on first use and shared by every
// thread: the resources never change while the program runs.
template<typename T> std::shared_ptr<const T> shared(const QString& resourceRoot)
{
    static std::mutex mutex;
    static std::map<QString, std::shared_ptr<const T>> loaded;
    const std::lock_guard lock(mutex);
    auto& slot = loaded[resourceRoot];
    if (!slot)
        slot = std::make_shared<const T>(T::load(resourceRoot));
    return slot;
}

} // namespace fetemark::HolidayResource
