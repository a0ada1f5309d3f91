#include "AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace fetemark::AtomicFile {
namespace {

// Writes everything, continuing after a short write: the write after a short one
// reports why (a full disk, a size limit), which a byte count alone cannot say.
bool writeAll(QSaveFile& file, const QByteArray& bytes, QString* problem)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            *problem = n < 0 ? file.errorString() : QStringLiteral("nothing could be written");
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace

bool write(const QString& path, const QByteArray& bytes, QString* error, Access access)
{
    // Our own folders are made when missing; a folder the user named must exist, as
    // other programs expect: a mistyped path must not quietly become new folders.
    const QString directory = QFileInfo(path).absolutePath();
    if (access == Access::UserDefault && !QFileInfo(directory).isDir()) {
        if (error)
            *error = QStringLiteral("cannot write %1: the folder %2 does not exist")
                         .arg(path, directory);
        return false;
    }
    if (!QDir().mkpath(directory)) {
        if (error)
            *error = QStringLiteral("cannot create the folder %1").arg(directory);
        return false;
    }
    QSaveFile file(path);
    QString problem;
    const auto fail = [&] {
        if (error)
            *error = QStringLiteral("cannot write %1: %2")
                         .arg(path, problem.isEmpty() ? file.errorString() : problem);
        file.cancelWriting();
        return false;
    };
    // Unbuffered: a short write shows in write()'s count at once; through Qt's write
    // buffer it could go unnoticed until after the file was committed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail();
    if (access == Access::Private &&
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return fail();
    if (!writeAll(file, bytes, &problem) || file.size() != bytes.size())
        return fail();
    // commit() syncs the data to the disk before the rename and reports a failed sync.
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace fetemark::AtomicFile
