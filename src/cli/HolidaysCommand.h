#pragma once

#include "cli/Command.h"

namespace fetemark::cli {

// `fetemark holidays categories | list CATEGORY | subscribe CATEGORY [KEY...] |
// unsubscribe CATEGORY [KEY...]`: the holiday catalogue and which of its holidays are
// shown, as the two holiday screens show and change them.
class HolidaysCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("holidays"); }
    QString summary() const override
    {
        return QStringLiteral("list the holiday categories and holidays, and choose which show");
    }
    QString usage() const override;
    QList<HelpItem> help() const override;
    int execute(CommandContext& context, const QStringList& args) override;
    DataAccess dataAccess(const QStringList& args) const override;
};

} // namespace fetemark::cli
