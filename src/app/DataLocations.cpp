#include "DataLocations.h"

#include <QDir>

namespace fetemark::DataLocations {

QString dataHome()
{
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    return xdg.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : xdg;
}

} // namespace fetemark::DataLocations
