#pragma once

#include "cli/Command.h"

namespace fetemark::cli {

// `fetemark notifications`: the reminder schedule a rebuild makes now, shown or handed
// to the notification center ("Notifications.plist" in the data directory).
class NotificationsCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("notifications"); }
    QString summary() const override
    {
        return QStringLiteral("the reminder schedule a rebuild makes now: show it or apply it");
    }
    QString usage() const override
    {
        return QStringLiteral("notifications plan\nnotifications apply");
    }
    QList<HelpItem> help() const override
    {
        return {
            {QStringLiteral("plan"),
                QStringLiteral("one line per notification in the order made: its local fire "
                               "time, the badge it sets and its text; nothing is written")},
            {QStringLiteral("apply"),
                QStringLiteral("rebuilds the schedule, hands it to the notification center, "
                               "sets the icon badge and tells how many notifications were "
                               "added, removed and left as they were")},
        };
    }
    int execute(CommandContext& context, const QStringList& args) override;
    DataAccess dataAccess(const QStringList& args) const override
    {
        return args.value(0) == QLatin1String("apply") ? DataAccess::ReadWrite
                                                       : DataAccess::ReadOnly;
    }
    // `plan` shows the texts `apply` would schedule.
    bool composesReminders(const QStringList&) const override { return true; }

private:
    static int plan(CommandContext& context);
    static int apply(CommandContext& context);
};

} // namespace fetemark::cli
