#pragma once

#include "cli/Command.h"

namespace fetemark::cli {

// `fetemark show ID`: one occasion with its phrase, fun facts, notes and the actions of
// its contact's card.
class ShowCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("show"); }
    QString summary() const override
    {
        return QStringLiteral("one occasion: its dates, phrase, fun facts, notes and actions");
    }
    QString usage() const override { return QStringLiteral("show ID"); }
    QList<HelpItem> help() const override
    {
        return {{QStringLiteral("ID"),
            QStringLiteral("the occasion's id, as 'fetemark list' shows it in brackets")}};
    }
    int execute(CommandContext& context, const QStringList& args) override;
};

} // namespace fetemark::cli
