#include "WindowAgent.h"

#include "cli/AgentFiles.h"
#include "cli/AgentInstaller.h"

#include <QDir>
#include <QFileInfo>

namespace fetemark::cli {
namespace {

QString markPath(const QString& configHome)
{
    return configHome + QStringLiteral("/fetemark/notifier-agent-offered");
}

void mark(const QString& configHome)
{
    const QString path = markPath(configHome);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write("The window installed the notifier agent once; it does not do so again.\n");
}

} // namespace

AgentOffer offerAgentOnFirstStart(
    const LaunchOptions& options, const QString& programDirectory, QString* message)
{
    if (options.demo)
        return AgentOffer::NotForDemo;
    const QString configHome = AgentFiles::configHome();
    if (configHome.isEmpty())
        return AgentOffer::NoConfigHome;
    if (QFileInfo::exists(markPath(configHome)))
        return AgentOffer::OfferedBefore;
    // An agent installed by hand counts as offered.
    if (QFileInfo::exists(AgentFiles::autostartPath(configHome)) ||
        QFileInfo::exists(AgentFiles::unitPath(configHome))) {
        mark(configHome);
        return AgentOffer::OfferedBefore;
    }
    const QString program = programDirectory + u'/' + QLatin1String(AgentFiles::ProgramName);
    if (const QFileInfo found(program); !found.isFile() || !found.isExecutable())
        return AgentOffer::NoAgentProgram;
    QString error;
    const auto outcome = AgentInstaller(configHome, false).install(program, &error);
    mark(configHome);
    if (!outcome) {
        if (message)
            *message = QStringLiteral("the notifier agent could not be installed: %1 (run "
                                      "'fetemark notifications install-agent' to try again)")
                           .arg(error);
        return AgentOffer::Failed;
    }
    return AgentOffer::Installed;
}

} // namespace fetemark::cli
