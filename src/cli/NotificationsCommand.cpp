#include "NotificationsCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/JsonWriter.h"

#include "core/database/RecordDatabase.h"
#include "core/reminders/NotificationPlanner.h"
#include "core/reminders/NotificationSync.h"
#include "core/reminders/PlistNotificationCenter.h"

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

} // namespace

int NotificationsCommand::execute(CommandContext& context, const QStringList& args)
{
    if (args == QStringList {QStringLiteral("plan")})
        return plan(context);
    if (args == QStringList {QStringLiteral("apply")})
        return apply(context);
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
