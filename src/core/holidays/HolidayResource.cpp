#include "HolidayResource.h"

#include "platform/archive/PropertyList.h"

#include <QFile>

namespace fetemark::HolidayResource {

std::optional<QVariant> read(const QString& path, const QString& what, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error =
                QStringLiteral("The holiday %1 cannot be read: %2").arg(what, file.errorString());
        return std::nullopt;
    }
    QString problem;
    std::optional<QVariant> root = PropertyList::read(file.readAll(), &problem);
    if (!root && error)
        *error = QStringLiteral("The holiday %1 is damaged: %2").arg(what, problem);
    return root;
}

} // namespace fetemark::HolidayResource
