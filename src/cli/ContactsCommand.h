#pragma once

#include "cli/Command.h"

namespace fetemark::cli {

// `fetemark contacts import FILE... | export [FILE] | list`: the address book and vCards.
class ContactsCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("contacts"); }
    QString summary() const override
    {
        return QStringLiteral("import, export and list the people of the address book");
    }
    QString usage() const override;
    int execute(CommandContext& context, const QStringList& args) override;
    DataAccess dataAccess(const QStringList& args) const override
    {
        return args.value(0) == QLatin1String("import") ? DataAccess::ReadWrite
                                                        : DataAccess::ReadOnly;
    }

private:
    int importFiles(CommandContext& context, const QStringList& files);
    int exportTo(CommandContext& context, const QString& file);
    int list(CommandContext& context);
};

} // namespace fetemark::cli
