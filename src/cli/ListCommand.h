#pragma once

#include "cli/Command.h"

namespace fetemark::cli {

// `fetemark list`: the main list as the screen groups it, filtered by kind (0 all,
// 1 birthdays, 2 anniversaries, 3 other dates, 4 holidays, 5 Facebook) and searched by
// the beginnings of name words.
class ListCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("list"); }
    QString summary() const override { return QStringLiteral("the occasions, soonest first"); }
    QString usage() const override { return QStringLiteral("list [--filter 0-5] [--search TEXT]"); }
    int execute(CommandContext& context, const QStringList& args) override;
};

} // namespace fetemark::cli
