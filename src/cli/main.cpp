#include "cli/CommandLine.h"
#include "cli/WindowAgent.h"
#include "gui/GuiApplication.h"

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>

namespace {

// A command needs no display, only fonts to measure reminder texts with: the offscreen
// platform, unless the user chose one; a chosen one that cannot start (no display)
// falls back to it rather than aborting the run.
void choosePlatform()
{
    const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
    if (chosen.trimmed().isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    else if (!chosen.split(';').contains("offscreen"))
        qputenv("QT_QPA_PLATFORM", chosen + ";offscreen");
}

// What the platform says while it starts (no XDG_RUNTIME_DIR under cron, a chosen
// display that is not there) is not the command's business; failures still abort.
QtMessageHandler defaultHandler = nullptr;

void quietStartup(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        defaultHandler(type, context, message);
}

template<typename Application> int runIn(char* program, const QStringList& args)
{
    // The application sees the program name only: the GUI one would take its own
    // options ("-reverse", "-platform") out of the arguments, and those may be a name.
    int argc = 1;
    char* argv[] = {program, nullptr};
    Application app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fetemark"));
    if (defaultHandler)
        qInstallMessageHandler(defaultHandler);
    return fetemark::cli::run(args);
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    // Without a command Fetemark opens its window where there is a display.
    if (const auto window = fetemark::cli::windowLaunch(args, fetemark::cli::displayAvailable())) {
        if (!fetemark::cli::displayAvailable() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            std::fputs("fetemark: no display to open the window on (DISPLAY and "
                       "WAYLAND_DISPLAY are not set); use --no-gui for the list\n",
                stderr);
            return fetemark::cli::Refused;
        }
        int argc1 = 1;
        char* argv1[] = {argv[0], nullptr};
        QApplication app(argc1, argv1);
        QCoreApplication::setApplicationName(QStringLiteral("fetemark"));
        const fetemark::LaunchOptions launch = *window;
        return fetemark::gui::runWindow(launch, [&launch] {
            QString message;
            fetemark::cli::offerAgentOnFirstStart(
                launch, QCoreApplication::applicationDirPath(), &message);
            if (!message.isEmpty())
                std::fprintf(stderr, "fetemark: %s\n", qUtf8Printable(message));
        });
    }
    // Starting the GUI application costs every run; only runs that compose reminder
    // texts need it.
    if (!fetemark::cli::composesReminders(args))
        return runIn<QCoreApplication>(argv[0], args);
    choosePlatform();
    defaultHandler = qInstallMessageHandler(quietStartup);
    return runIn<QGuiApplication>(argv[0], args);
}
