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

QString dataDirectory(const QString& option)
{
    if (!option.isEmpty())
        return option;
    const QString fromEnvironment = qEnvironmentVariable("FETEMARK_DATA_DIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString home = dataHome();
    return home.isEmpty() ? QString() : home + QStringLiteral("/fetemark");
}

} // namespace fetemark::DataLocations
