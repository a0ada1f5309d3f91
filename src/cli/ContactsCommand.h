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
    QList<HelpItem> help() const override
    {
        return {
            {QStringLiteral("import FILE..."),
                QStringLiteral("reads vCard files (2.1, 3.0 or 4.0) into the address book and "
                               "prints how many people were added; people imported before are "
                               "updated")},
            {QStringLiteral("export [FILE]"),
                QStringLiteral("every person as vCard 4.0, to FILE or standard output")},
            {QStringLiteral("list"),
                QStringLiteral("the people: record id, names, birthday, dated fields with "
                               "their labels")},
            {QStringLiteral("check"),
                QStringLiteral("names the problems of a damaged address book")},
            {QStringLiteral("recover"),
                QStringLiteral("copies what can be read of a damaged address book into a new "
                               "one and keeps the damaged one beside it")},
        };
    }
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
