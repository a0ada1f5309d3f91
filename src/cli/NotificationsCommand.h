#pragma once

#include "cli/Command.h"

namespace fetemark::cli {

// `fetemark notifications`: the reminder schedule a rebuild makes now, shown or handed
// to the notification center ("Notifications.plist" in the data directory); and the
// agent that shows it, started at login or no longer.
class NotificationsCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("notifications"); }
    QString summary() const override
    {
        return QStringLiteral("the reminder schedule a rebuild makes now: show it or apply it");
    }
    QString usage() const override
    {
        return QStringLiteral("notifications plan\nnotifications apply\n"
                              "notifications install-agent [--force]\n"
                              "notifications uninstall-agent [--force]");
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
            {QStringLiteral("install-agent"),
                QStringLiteral("starts fetemark-notifier, the program beside fetemark that shows "
                               "the reminders, at every login: writes an XDG autostart entry and "
                               "a systemd user unit below $XDG_CONFIG_HOME (else ~/.config) and "
                               "enables and starts the unit when systemd runs the session")},
            {QStringLiteral("uninstall-agent"),
                QStringLiteral("stops and disables the unit and removes both files")},
            {QStringLiteral("--force"),
                QStringLiteral("replace or remove files in their place that fetemark did not "
                               "write (else refused)")},
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
    static int installAgent(CommandContext& context, bool force);
    static int uninstallAgent(CommandContext& context, bool force);
};

} // namespace fetemark::cli
