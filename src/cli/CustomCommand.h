#pragma once

#include "cli/Command.h"

namespace fetemark {
class OccasionRecord;
}

namespace fetemark::cli {

struct ParsedOptions;

// `fetemark custom add|edit|remove`: entries kept only in Fetemark.
class CustomCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("custom"); }
    QString summary() const override
    {
        return QStringLiteral("add, edit or remove an entry kept only in Fetemark");
    }
    QString usage() const override;
    QList<HelpItem> help() const override
    {
        return {
            {QStringLiteral("add"), QStringLiteral("a new entry; prints its ID")},
            {QStringLiteral("edit ID"),
                QStringLiteral("changes the values given; the others stay as they are")},
            {QStringLiteral("remove ID"), QStringLiteral("deletes the entry")},
            {QStringLiteral("--name NAME"), QStringLiteral("the name shown in the list")},
            {QStringLiteral("--date DATE"),
                QStringLiteral("YYYY-MM-DD, or --MM-DD for a day without a year")},
            {QStringLiteral("--type TYPE"),
                QStringLiteral("birthday (the default), anniversary or other")},
            {QStringLiteral("--label TEXT"),
                QStringLiteral("what an other date is, such as Name day")},
            {QStringLiteral("--no-year, --year"),
                QStringLiteral("leave the year out of the phrases, or tell it again")},
            {QStringLiteral("--once, --yearly"),
                QStringLiteral("happens once, in the year of its date; or every year (the "
                               "default)")},
            {QStringLiteral("--notes TEXT"), QStringLiteral("the entry's notes")},
        };
    }
    int execute(CommandContext& context, const QStringList& args) override;
    DataAccess dataAccess(const QStringList&) const override { return DataAccess::ReadWrite; }

private:
    struct Values;

    int removeEntry(CommandContext& context, const ParsedOptions& options) const;
    int readValues(CommandContext& context, const ParsedOptions& options, Values* values) const;
    static int addEntry(CommandContext& context, const Values& values);
    static int editEntry(CommandContext& context, const QString& id, const Values& values);
    static int applyValues(CommandContext& context, OccasionRecord& record, const Values& values);
};

} // namespace fetemark::cli
