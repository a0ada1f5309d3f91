#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace fetemark::cli {

// Options of the form --name VALUE; flags listed in `flags` take no value.
struct ParsedOptions {
    QHash<QString, QString> values;
    QSet<QString> flags;
    QStringList positional;
    QString error;
};

ParsedOptions parseOptions(
    const QStringList& args, const QStringList& valued, const QStringList& flags);

} // namespace fetemark::cli
