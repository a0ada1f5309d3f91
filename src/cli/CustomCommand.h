#pragma once

#include "cli/Command.h"

namespace fetemark::cli {

// `fetemark custom add|edit|remove`: entries kept only in Fetemark.
class CustomCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("custom"); }
    QString summary() const override
    {
        return QStringLiteral("add, edit or remove an entry kept only in Fetemark");
    }
    QString usage() const override;
    int execute(CommandContext& context, const QStringList& args) override;
};

} // namespace fetemark::cli
