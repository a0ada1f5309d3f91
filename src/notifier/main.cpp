// fetemark-notifier: shows Fetemark's scheduled reminders on the desktop. Started by the
// session (XDG autostart or the systemd user unit); one per session.
#include "notifier/NotifierAgent.h"
#include "platform/process/TerminationSignals.h"

#include "app/DataLocations.h"
#include "core/time/Clock.h"
#include "core/time/DeviceEnvironment.h"
#include "platform/files/DataDirectoryLock.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace {

constexpr const char* Usage = "Usage: fetemark-notifier [--data-dir DIR]\n"
                              "\n"
                              "Shows Fetemark's reminders when they are due, through the\n"
                              "desktop's notifications, and keeps the launcher badge.\n"
                              "\n"
                              "  --data-dir DIR  the data directory (else $FETEMARK_DATA_DIR,\n"
                              "                  else $XDG_DATA_HOME/fetemark)\n"
                              "  --help          this text\n"
                              "  --version       the version of fetemark-notifier\n";

// Journald takes the agent's standard error line by line.
void logToStandardError(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    std::fprintf(stderr, "fetemark-notifier: %s\n", qUtf8Printable(message));
    if (type == QtFatalMsg)
        std::abort();
}

struct Arguments {
    bool help = false;
    bool version = false;
    QString dataDirectory;
    QString error;
};

Arguments parse(const QStringList& args)
{
    Arguments parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--help") || args[i] == QStringLiteral("-h"))
            parsed.help = true;
        else if (args[i] == QStringLiteral("--version"))
            parsed.version = true;
        else if (args[i] == QStringLiteral("--data-dir") && i + 1 < args.size())
            parsed.dataDirectory = args[++i];
        else
            parsed.error = QStringLiteral("unknown argument: %1").arg(args[i]);
    }
    return parsed;
}

int run(const QString& directory)
{
    fetemark::TerminationSignals termination;
    QString error;
    if (!termination.install(&error)) {
        qCritical("%s", qPrintable(error));
        return 1;
    }
    QObject::connect(&termination, &fetemark::TerminationSignals::received, [](int signal) {
        qInfo("stopping on signal %d", signal);
        QCoreApplication::exit(0);
    });
    fetemark::DataDirectoryLock lock(directory);
    const fetemark::SystemClock clock;
    fetemark::NotifierAgent agent({directory, &lock, &clock,
        [] { return fetemark::DeviceEnvironment::fromProcess().timeZoneId; }});
    QObject::connect(&agent, &fetemark::NotifierAgent::finished, &QCoreApplication::exit);
    // Started from the loop, so that an early finish reaches a running loop.
    QTimer::singleShot(0, &agent, &fetemark::NotifierAgent::start);
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(logToStandardError);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fetemark-notifier"));
    const Arguments args = parse(QCoreApplication::arguments().mid(1));
    if (!args.error.isEmpty()) {
        std::fprintf(stderr, "fetemark-notifier: %s\n%s", qUtf8Printable(args.error), Usage);
        return 2;
    }
    if (args.help) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (args.version) {
        std::printf("fetemark-notifier %s\n", FETEMARK_VERSION);
        return 0;
    }
    const QString directory = fetemark::DataLocations::dataDirectory(args.dataDirectory);
    if (directory.isEmpty()) {
        qCritical("no data directory: set XDG_DATA_HOME or HOME to an absolute path");
        return 1;
    }
    return run(directory);
}
