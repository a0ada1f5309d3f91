// Renders every screen of the window in every look into PNG files, for the README and
// for looking at them.
#include "ScreenCatalog.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(FETEMARK_SCREENS_DIR);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "fetemark_screens: cannot create %s\n", qUtf8Printable(out));
        return 1;
    }
    QTemporaryDir data;
    using namespace fetemark::screens;
    for (const Look& look : looks()) {
        for (const Screen& screen : catalogue()) {
            // Each picture starts from the same untouched demo data.
            QTemporaryDir folder;
            Stage stage(folder.filePath(QStringLiteral("data")), look);
            QString error;
            if (!stage.isReady(&error)) {
                std::fprintf(stderr, "fetemark_screens: %s\n", qUtf8Printable(error));
                return 1;
            }
            const QString path = QDir(out).filePath(look.fileName(screen));
            if (!stage.render(screen).save(path)) {
                std::fprintf(stderr, "fetemark_screens: cannot write %s\n", qUtf8Printable(path));
                return 1;
            }
            std::printf("%s\n", qUtf8Printable(path));
        }
    }
    return 0;
}
