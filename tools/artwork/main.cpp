// Writes the list photo artwork and the theme backgrounds as PNG files:
// `fetemark_artwork [DIR]`, by default into resources/images of the source tree.
#include "artwork/ArtworkPainter.h"
#include "artwork/ThemeBackgroundPainter.h"

#include <QCoreApplication>
#include <QDir>
#include <QImageWriter>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString directory =
        args.size() > 1 ? args.at(1) : QStringLiteral(FETEMARK_RESOURCE_IMAGES);
    if (!QDir().mkpath(directory)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(directory));
        return 1;
    }
    QList<std::pair<QString, QImage (*)(const QString&)>> files;
    for (const QString& name : fetemark::artwork::fileNames())
        files.append({name, fetemark::artwork::draw});
    for (const QString& name : fetemark::themeart::fileNames())
        files.append({name, fetemark::themeart::draw});
    for (const auto& [name, draw] : files) {
        const QString path = QDir(directory).filePath(name);
        QImageWriter writer(path, "png");
        writer.setQuality(0); // smallest file
        if (!writer.write(draw(name))) {
            std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                qPrintable(writer.errorString()));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
