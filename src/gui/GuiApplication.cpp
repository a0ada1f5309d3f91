#include "GuiApplication.h"

#include "app/ApplicationSession.h"
#include "gui/MainWindow.h"

#include <QApplication>

#include <cstdio>

namespace fetemark::gui {

int runWindow(const LaunchOptions& options)
{
    QString error;
    std::optional<RunEnvironment> environment = RunEnvironment::resolve(options, &error);
    ApplicationSession* session = nullptr;
    std::unique_ptr<ApplicationSession> owned;
    if (environment) {
        owned = std::make_unique<ApplicationSession>(std::move(*environment));
        session = owned.get();
    }
    if (!session || !session->start(&error)) {
        std::fprintf(stderr, "fetemark: %s\n", qUtf8Printable(error));
        return 1;
    }
    QApplication::setApplicationDisplayName(QStringLiteral("Fetemark"));
    QApplication::setDesktopFileName(QStringLiteral("org.fetemark.Fetemark"));
    MainWindow window(*session);
    QObject::connect(
        qApp, &QCoreApplication::aboutToQuit, session, [session] { session->terminate(); });
    window.show();
    return QApplication::exec();
}

} // namespace fetemark::gui
