#include "NotificationsCommand.h"

#include "cli/AgentFiles.h"
#include "cli/AgentInstaller.h"
#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"

#include "core/database/RecordDatabase.h"
#include "core/reminders/NotificationPlanner.h"
#include "core/reminders/NotificationSync.h"
#include "core/reminders/PlistNotificationCenter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimeZone>

namespace fetemark::cli {
namespace {

// The fire time on the wall clock it keeps: the notification's own zone, else the
// device's.
QDateTime localFireDate(const LocalNotification& notification, const QString& deviceZone)
{
    const QString zone = notification.timeZone.isEmpty() ? deviceZone : notification.timeZone;
    return notification.fireDate.toTimeZone(QTimeZone(zone.toUtf8()));
}

QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

void writeJson(QTextStream& out, const std::vector<LocalNotification>& notifications,
    const QString& deviceZone)
{
    JsonWriter json(out);
    json.beginArray();
    for (const LocalNotification& n : notifications) {
        json.beginObject();
        json.member(
            QLatin1StringView("fireDate"), localFireDate(n, deviceZone).toString(Qt::ISODate));
        json.member(QLatin1StringView("timeZone"), textOrNull(n.timeZone));
        json.member(QLatin1StringView("alertBody"), textOrNull(n.alertBody));
        json.member(QLatin1StringView("soundName"), textOrNull(n.soundName));
        json.member(QLatin1StringView("applicationIconBadgeNumber"), n.applicationIconBadgeNumber);
        json.endObject();
    }
    json.endArray();
}

void writeText(QTextStream& out, const std::vector<LocalNotification>& notifications,
    const QString& deviceZone)
{
    for (const LocalNotification& n : notifications) {
        const QDateTime local = localFireDate(n, deviceZone);
        out << local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss "))
            << local.timeZoneAbbreviation() << "  badge " << n.applicationIconBadgeNumber;
        if (!n.alertBody.isEmpty())
            out << "  " << QString(n.alertBody).replace(u'\n', QStringLiteral(" / "));
        out << '\n';
    }
}

using FileAction = AgentInstaller::FileAction;
using ServiceAction = AgentInstaller::ServiceAction;

QLatin1StringView actionName(FileAction action)
{
    switch (action) {
    case FileAction::Written:
        return QLatin1StringView("written");
    case FileAction::Updated:
        return QLatin1StringView("updated");
    case FileAction::Replaced:
        return QLatin1StringView("replaced");
    case FileAction::Unchanged:
        return QLatin1StringView("unchanged");
    case FileAction::Removed:
        return QLatin1StringView("removed");
    case FileAction::Absent:
        return QLatin1StringView("absent");
    }
    return {};
}

QLatin1StringView actionName(ServiceAction action)
{
    switch (action) {
    case ServiceAction::Started:
        return QLatin1StringView("started");
    case ServiceAction::Stopped:
        return QLatin1StringView("stopped");
    case ServiceAction::Unchanged:
        return QLatin1StringView("unchanged");
    case ServiceAction::Unavailable:
        return QLatin1StringView("unavailable");
    }
    return {};
}

QString serviceSentence(const AgentInstaller::Outcome& outcome, bool installing)
{
    const QString unit = QLatin1String(AgentFiles::UnitName);
    switch (outcome.service) {
    case ServiceAction::Started:
        return QStringLiteral("enabled and started %1").arg(unit);
    case ServiceAction::Stopped:
        return QStringLiteral("stopped and disabled %1").arg(unit);
    case ServiceAction::Unchanged:
        return installing ? QStringLiteral("%1 is enabled and running").arg(unit)
                          : QStringLiteral("%1 was neither enabled nor running").arg(unit);
    case ServiceAction::Unavailable:
        return (installing ? QStringLiteral("the agent starts at the next login")
                           : QStringLiteral("a running agent stops at the end of the session")) +
            QStringLiteral(" (no systemd user manager: %1)").arg(outcome.unavailableBecause);
    }
    return {};
}

int writeAgentOutcome(
    CommandContext& context, const AgentInstaller::Outcome& outcome, bool installing)
{
    for (const auto* file : {&outcome.autostart, &outcome.unit}) {
        if (file->action == FileAction::Replaced)
            context.warn(
                QStringLiteral("replaced %1, which fetemark had not written").arg(file->path));
    }
    if (context.json) {
        if (outcome.service == ServiceAction::Unavailable)
            context.note(serviceSentence(outcome, installing));
        JsonWriter json(context.out);
        json.beginObject();
        for (const auto& [key, file] :
            {std::pair {"autostart", &outcome.autostart}, std::pair {"unit", &outcome.unit}}) {
            json.beginObject(QLatin1StringView(key));
            json.member(QLatin1StringView("path"), file->path);
            json.member(QLatin1StringView("action"), QString(actionName(file->action)));
            json.endObject();
        }
        json.member(QLatin1StringView("service"), QString(actionName(outcome.service)));
        json.member(QLatin1StringView("changed"), outcome.changed());
        json.endObject();
    } else {
        for (const auto* file : {&outcome.autostart, &outcome.unit})
            context.out << actionName(file->action) << ' ' << file->path << '\n';
        context.out << serviceSentence(outcome, installing) << '\n';
        if (!outcome.changed())
            context.out << (installing ? "nothing changed: the agent was installed already\n"
                                       : "nothing changed: the agent was not installed\n");
    }
    context.out.flush();
    return Success;
}

QString configHomeOrRefuse(CommandContext& context)
{
    const QString home = AgentFiles::configHome();
    if (home.isEmpty())
        context.refuse(QStringLiteral("cannot find the configuration folder: set HOME or "
                                      "XDG_CONFIG_HOME to an absolute path"));
    return home;
}

} // namespace

int NotificationsCommand::execute(CommandContext& context, const QStringList& args)
{
    if (args == QStringList {QStringLiteral("plan")})
        return plan(context);
    if (args == QStringList {QStringLiteral("apply")})
        return apply(context);
    const bool force = args.size() == 2 && args[1] == QLatin1String("--force");
    if (args.size() == 1 || force) {
        if (args[0] == QLatin1String("install-agent"))
            return installAgent(context, force);
        if (args[0] == QLatin1String("uninstall-agent"))
            return uninstallAgent(context, force);
    }
    return usageError(context);
}

int NotificationsCommand::plan(CommandContext& context)
{
    const RecordDatabase& db = context.database();
    const std::vector<LocalNotification> wanted = wantedLocalNotifications(
        db.records(), context.settings, *context.clock, context.calendar, context.texts);
    if (context.json)
        writeJson(context.out, wanted, context.device.timeZoneId);
    else
        writeText(context.out, wanted, context.device.timeZoneId);
    context.out.flush();
    return Success;
}

int NotificationsCommand::apply(CommandContext& context)
{
    context.database();
    PlistNotificationCenter& center = context.notificationCenter();
    // A schedule that cannot be read is what a rebuild mends: the center keeps the
    // damaged file aside and says so, and everything counts as added.
    const std::vector<LocalNotification> before =
        center.scheduledLocalNotifications().value_or(std::vector<LocalNotification> {});
    context.app.setNotificationCenter(&center);
    const NotificationSyncResult result = context.app.setupLocalNotifications(nullptr);
    context.app.updateApplicationBadge();
    context.app.setNotificationCenter(nullptr);
    // The reason is among what could not be saved, which the end of the run reports.
    if (result.outcome != NotificationSyncResult::Outcome::Done)
        return Refused;
    QString error;
    const auto after = center.scheduledLocalNotifications(&error);
    if (!after)
        return context.refuse(error);
    const NotificationChanges changes = countNotificationChanges(before, *after);
    if (context.json) {
        JsonWriter json(context.out);
        json.beginObject();
        json.member(QLatin1StringView("added"), changes.added);
        json.member(QLatin1StringView("removed"), changes.removed);
        json.member(QLatin1StringView("unchanged"), changes.unchanged);
        json.endObject();
    } else {
        context.out << changes.added << " added, " << changes.removed << " removed, "
                    << changes.unchanged << " unchanged\n";
    }
    context.out.flush();
    return Success;
}

} // namespace fetemark::cli

namespace fetemark::cli {

int NotificationsCommand::installAgent(CommandContext& context, bool force)
{
    const QString configHome = configHomeOrRefuse(context);
    if (configHome.isEmpty())
        return Refused;
    // The agent of the same installation: the one beside this program.
    const QString directory = QCoreApplication::applicationDirPath();
    const QString program = directory + u'/' + QLatin1String(AgentFiles::ProgramName);
    if (const QFileInfo found(program);
        directory.isEmpty() || !found.isFile() || !found.isExecutable())
        return context.refuse(
            QStringLiteral("cannot find %1 beside fetemark in %2: install it there")
                .arg(QLatin1String(AgentFiles::ProgramName), directory));
    QString error;
    const auto outcome = AgentInstaller(configHome, force).install(program, &error);
    return outcome ? writeAgentOutcome(context, *outcome, true) : context.refuse(error);
}

int NotificationsCommand::uninstallAgent(CommandContext& context, bool force)
{
    const QString configHome = configHomeOrRefuse(context);
    if (configHome.isEmpty())
        return Refused;
    QString error;
    const auto outcome = AgentInstaller(configHome, force).uninstall(&error);
    return outcome ? writeAgentOutcome(context, *outcome, false) : context.refuse(error);
}

} // namespace fetemark::cli
