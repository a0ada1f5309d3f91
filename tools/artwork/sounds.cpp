// Writes the alert sounds as WAV files: `fetemark_sounds [DIR]`, by default into
// resources/sounds of the source tree.
#include "artwork/ChimeSynthesizer.h"

#include "platform/files/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString directory =
        args.size() > 1 ? args.at(1) : QStringLiteral(FETEMARK_RESOURCE_SOUNDS);
    if (!QDir().mkpath(directory)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(directory));
        return 1;
    }
    for (const QString& name : fetemark::artwork::soundFileNames()) {
        const QString path = QDir(directory).filePath(name);
        QString error;
        if (!fetemark::AtomicFile::write(path, fetemark::artwork::chimeWav(name), &error,
                fetemark::AtomicFile::Access::UserDefault)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
