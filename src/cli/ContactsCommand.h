#pragma once

#include "cli/Command.h"

namespace fetemark::cli {

// `fetemark contacts import FILE... | export [FILE] | list | check | recover`: the address
// book and vCards, and a damaged book looked into and saved.
class ContactsCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("contacts"); }
    QString summary() const override
    {
        return QStringLiteral(
            "import, export and list the people of the address book; check and recover it");
    }
    QString usage() const override;
    int execute(CommandContext& context, const QStringList& args) override;
    DataAccess dataAccess(const QStringList& args) const override;

private:
    int importFiles(CommandContext& context, const QStringList& files);
    int exportTo(CommandContext& context, const QString& file);
    int list(CommandContext& context);
    int check(CommandContext& context);
    int recover(CommandContext& context);
};

} // namespace fetemark::cli
