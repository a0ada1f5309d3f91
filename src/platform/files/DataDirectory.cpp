#include "DataDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace fetemark::DataDirectory {

bool create(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    const QString parent = info.absolutePath();
    const QByteArray name = QFile::encodeName(info.absoluteFilePath());
    if (!QDir().mkpath(parent) || (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)) {
        if (error)
            *error = QStringLiteral("cannot create the data directory %1: %2")
                         .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // A umask may take bits away from 0700 but never add any; chmod makes it exact.
    ::chmod(name.constData(), 0700);
    return true;
}

QStringList removeLeftoverTemporaryFiles(const QString& path)
{
    // The stores and pictures written through a temporary file, followed by the six
    // random letters and digits of the temporary name. A name of six lower-case letters
    // could be the user's own ("CustomEntries.plist.backup") and is left alone.
    static const QRegularExpression leftover(QStringLiteral(
        R"(^(Preferences\.plist|CustomEntries\.plist|ABMetadata\.plist|Notifications\.plist|)"
        R"([^/]+\.png)\.(?![a-z]{6}$)[A-Za-z0-9]{6}$)"));
    QStringList removed;
    const QDir dir(path);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (entry.isSymLink() || !entry.isFile() || !leftover.match(entry.fileName()).hasMatch())
            continue;
        if (QFile::remove(entry.absoluteFilePath()))
            removed << entry.fileName();
    }
    return removed;
}

} // namespace fetemark::DataDirectory
