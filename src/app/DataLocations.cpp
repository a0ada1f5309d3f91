#include "DataLocations.h"

#include <QDir>

namespace fetemark::DataLocations {

QString dataHome()
{
    // The XDG base directory rules call a relative XDG_DATA_HOME invalid, to be ignored;
    // a relative HOME would likewise move with the working directory.
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(xdg))
        return xdg;
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(home))
        return home + QStringLiteral("/.local/share");
    return {};
}

} // namespace fetemark::DataLocations
