#pragma once

#include "cli/Command.h"

namespace fetemark::cli {

// `fetemark badge`: the count the icon badge shows now.
class BadgeCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("badge"); }
    QString summary() const override
    {
        return QStringLiteral("the upcoming count as the icon badge shows it");
    }
    QString usage() const override { return QStringLiteral("badge"); }
    QList<HelpItem> help() const override
    {
        return {
            {QStringLiteral("badge"),
                QStringLiteral("the occasions today, or today and the look-ahead days (badge "
                               "mode, setting 1146); 0 when the badge count is off")},
        };
    }
    int execute(CommandContext& context, const QStringList& args) override;
};

} // namespace fetemark::cli
