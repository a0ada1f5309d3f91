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
