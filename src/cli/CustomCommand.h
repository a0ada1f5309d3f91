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
