#include "cli/CommandLine.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fetemark"));
    return fetemark::cli::run(QCoreApplication::arguments().mid(1));
}
