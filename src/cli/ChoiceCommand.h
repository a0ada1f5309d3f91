#pragma once

#include "cli/Command.h"

namespace fetemark::cli {

// `fetemark choice ID`: the per-occasion choices.
class ChoiceCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("choice"); }
    QString summary() const override
    {
        return QStringLiteral("switch an occasion's alerts, year and upcoming listing");
    }
    QString usage() const override
    {
        return QStringLiteral("choice ID [--alerts on|off] [--year on|off] [--upcoming on|off]");
    }
    QList<HelpItem> help() const override
    {
        return {
            {QStringLiteral("ID"),
                QStringLiteral("the occasion's id, as 'fetemark list' shows it in brackets; "
                               "without an option its choices are shown")},
            {QStringLiteral("--alerts on|off"), QStringLiteral("whether it raises alerts")},
            {QStringLiteral("--year on|off"),
                QStringLiteral("whether its phrases tell the year (an age, a number of years)")},
            {QStringLiteral("--upcoming on|off"),
                QStringLiteral("whether it is listed and counted as upcoming")},
        };
    }
    int execute(CommandContext& context, const QStringList& args) override;
    // Without a choice to set, the command only shows the current ones.
    DataAccess dataAccess(const QStringList& args) const override
    {
        for (const QString& arg : args) {
            if (arg.startsWith(QLatin1String("--")))
                return DataAccess::ReadWrite;
        }
        return DataAccess::ReadOnly;
    }
};

} // namespace fetemark::cli
