#pragma once

#include "cli/Command.h"

namespace fetemark::cli {

// `fetemark list`: the main list as the screen groups it, filtered by kind (all,
// birthdays, anniversaries, others, holidays, facebook; or 0 to 5) and searched by the
// beginnings of name words.
class ListCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("list"); }
    QString summary() const override
    {
        return QStringLiteral("the occasions, soonest first: those just passed, the upcoming "
                              "ones, then month by month");
    }
    QString usage() const override
    {
        return QStringLiteral("list [--filter FILTER] [--search TEXT]");
    }
    QList<HelpItem> help() const override;
    int execute(CommandContext& context, const QStringList& args) override;
};

} // namespace fetemark::cli
