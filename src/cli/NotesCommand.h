#pragma once

#include "cli/Command.h"

namespace fetemark::cli {

// `fetemark notes get|set ID`: an occasion's notes, in the store its kind uses.
class NotesCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("notes"); }
    QString summary() const override { return QStringLiteral("read or write an occasion's notes"); }
    QString usage() const override { return QStringLiteral("notes get ID\nnotes set ID TEXT"); }
    QList<HelpItem> help() const override
    {
        return {
            {QStringLiteral("get ID"), QStringLiteral("prints the occasion's notes")},
            {QStringLiteral("set ID TEXT"),
                QStringLiteral("replaces them with TEXT (\"\" empties them); a contact's notes "
                               "go where the address-book-notes setting says")},
            {QStringLiteral("ID"),
                QStringLiteral("the occasion's id, as 'fetemark list' shows it in brackets")},
        };
    }
    int execute(CommandContext& context, const QStringList& args) override;
    DataAccess dataAccess(const QStringList& args) const override
    {
        return args.value(0) == QLatin1String("set") ? DataAccess::ReadWrite : DataAccess::ReadOnly;
    }
};

} // namespace fetemark::cli
