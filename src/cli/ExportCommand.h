#pragma once

#include "cli/Command.h"

namespace fetemark::cli {

// `fetemark export csv|ics [FILE]`: every occasion as a spreadsheet file or as calendar
// events; `export csv --mail` hands the file to the mail program.
class ExportCommand final : public Command {
public:
    QString name() const override { return QStringLiteral("export"); }
    QString summary() const override
    {
        return QStringLiteral("every occasion as CSV (UTF-16 in a file) or as iCalendar events");
    }
    QString usage() const override
    {
        return QStringLiteral("export csv [FILE | --mail]\nexport ics [FILE]");
    }
    QList<HelpItem> help() const override
    {
        return {
            {QStringLiteral("csv"),
                QStringLiteral("one line per occasion for a spreadsheet: UTF-16 with a byte "
                               "order mark in FILE, UTF-8 on standard output")},
            {QStringLiteral("ics"),
                QStringLiteral("every occasion as a yearly iCalendar event with an alarm at "
                               "the alert time")},
            {QStringLiteral("FILE"),
                QStringLiteral("where to write; without it (or with -) standard output")},
            {QStringLiteral("--mail"),
                QStringLiteral("attach the CSV file to a new mail (xdg-email); the file is kept "
                               "in the data directory as Fetemark.csv")},
        };
    }
    int execute(CommandContext& context, const QStringList& args) override;
    // The mail's attachment is kept in the data directory; other exports only read it.
    DataAccess dataAccess(const QStringList& args) const override
    {
        return args.contains(QLatin1String("--mail")) ? DataAccess::ReadWrite
                                                      : DataAccess::ReadOnly;
    }
};

} // namespace fetemark::cli
