#include "GuiApplication.h"

#include "app/ApplicationSession.h"
#include "gui/MainWindow.h"
#include "gui/WindowInstance.h"
#include "platform/process/TerminationSignals.h"

#include <QApplication>

#include <cstdio>

namespace fetemark::gui {
namespace {

ApplicationSession::Activity activityOf(Qt::ApplicationState state)
{
    switch (state) {
    case Qt::ApplicationActive:
        return ApplicationSession::Activity::Active;
    case Qt::ApplicationInactive:
        return ApplicationSession::Activity::Inactive;
    case Qt::ApplicationHidden:
    case Qt::ApplicationSuspended:
        break;
    }
    return ApplicationSession::Activity::Background;
}

void bringForward(QWidget& window)
{
    window.show();
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.raise();
    window.activateWindow();
}

} // namespace

int runWindow(const LaunchOptions& options, const std::function<void()>& beforeWindow)
{
    QString error;
    std::optional<RunEnvironment> environment = RunEnvironment::resolve(options, &error);
    if (!environment) {
        std::fprintf(stderr, "fetemark: %s\n", qUtf8Printable(error));
        return 1;
    }
    WindowInstance instance(environment->dataDirectory);
    if (instance.activateRunning())
        return 0;
    instance.listen();
    if (beforeWindow)
        beforeWindow();
    ApplicationSession session(std::move(*environment));
    if (!session.start(&error)) {
        std::fprintf(stderr, "fetemark: %s\n", qUtf8Printable(error));
        return 1;
    }
    QApplication::setApplicationDisplayName(QStringLiteral("Fetemark"));
    QApplication::setDesktopFileName(QStringLiteral("org.fetemark.Fetemark"));
    MainWindow window(session);
    QObject::connect(&instance, &WindowInstance::activationRequested, &window,
        [&window] { bringForward(window); });
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, &session,
        [&session](Qt::ApplicationState state) { session.setActivity(activityOf(state)); });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &session, [&session] {
        session.terminate();
        // Failed saves are written where the person started the window from, at least.
        for (const QString& problem : session.takeProblems())
            std::fprintf(stderr, "fetemark: %s\n", qUtf8Printable(problem));
    });
    // Ended from outside (logout, kill, Ctrl+C), the window still saves on the way out.
    TerminationSignals signalsToQuit;
    if (!signalsToQuit.install(&error))
        std::fprintf(stderr, "fetemark: %s\n", qUtf8Printable(error));
    QObject::connect(&signalsToQuit, &TerminationSignals::received, qApp, &QCoreApplication::quit);
    window.show();
    return QApplication::exec();
}

} // namespace fetemark::gui
