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
};

} // namespace fetemark::cli
