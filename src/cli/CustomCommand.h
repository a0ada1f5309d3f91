#pragma once

#include "cli/Command.h"

#include "core/records/OccasionRecord.h"

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

// `fetemark show ID`: one occasion with its phrase, fun facts and notes.
class ShowCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("show"); }
    QString summary() const override
    {
        return QStringLiteral("one occasion: its dates, phrase, fun facts and notes");
    }
    QString usage() const override { return QStringLiteral("show ID"); }
    int execute(CommandContext& context, const QStringList& args) override;
};

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

// `fetemark notes get|set ID`: an occasion's notes, in the store its kind uses.
class NotesCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("notes"); }
    QString summary() const override { return QStringLiteral("read or write an occasion's notes"); }
    QString usage() const override { return QStringLiteral("notes get ID\nnotes set ID TEXT"); }
    int execute(CommandContext& context, const QStringList& args) override;
};

} // namespace fetemark::cli
