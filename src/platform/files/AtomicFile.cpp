#include "AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace fetemark::AtomicFile {

bool write(const QString& path, const QByteArray& bytes, QString* error)
{
    const QString directory = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(directory)) {
        if (error)
            *error = QStringLiteral("cannot create the folder %1").arg(directory);
        return false;
    }
    QSaveFile file(path);
    const auto fail = [&] {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    };
    // Unbuffered: a short write (disk full, size limit) then shows in write()'s count;
    // through Qt's write buffer it can go unnoticed and a truncated file be committed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail();
    if (file.write(bytes) != bytes.size() || file.size() != bytes.size()) {
        fail();
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return fail();
    return true;
}

} // namespace fetemark::AtomicFile
