#include "ExportCommand.h"

#include "cli/CommandContext.h"
#include "cli/CommandLine.h"

#include "core/database/RecordDatabase.h"
#include "core/export/CalendarExport.h"
#include "core/export/CsvExport.h"
#include "platform/desktop/MailComposer.h"
#include "platform/files/AtomicFile.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace fetemark::cli {
namespace {

int writeToFile(CommandContext& context, const QString& path, const QByteArray& bytes)
{
    QString error;
    if (!AtomicFile::write(path, bytes, &error, AtomicFile::Access::UserDefault))
        return context.refuse(error);
    return Success;
}

int mailCsv(CommandContext& context, const CsvExport& csv)
{
    XdgEmailComposer composer;
    const CsvExport::MailResult result = csv.exportToEmail(context.dataDirectory, composer);
    // The file is saved either way; without a mail program the message says where.
    if (!result.composed)
        return context.refuse(result.message);
    if (context.json) {
        context.out << QJsonDocument(QJsonObject {{QStringLiteral("path"), result.path},
                                         {QStringLiteral("composed"), result.composed},
                                         {QStringLiteral("message"), result.message}})
                           .toJson(QJsonDocument::Compact)
                    << '\n';
    } else {
        context.out << "The export is attached to a new mail: " << result.path << '\n';
    }
    context.out.flush();
    return Success;
}

} // namespace

int ExportCommand::execute(CommandContext& context, const QStringList& args)
{
    if (args.isEmpty() || args.size() > 2)
        return usageError(context);
    const QString format = args[0];
    const QString target = args.value(1);
    if (target.startsWith(QLatin1String("--")) && target != QLatin1String("--mail"))
        return usageError(context);

    RecordDatabase& db = context.database();
    if (format == QLatin1String("csv")) {
        const CsvExport csv(db);
        if (target == QLatin1String("--mail"))
            return mailCsv(context, csv);
        if (target.isEmpty() || target == QLatin1String("-"))
            return context.writeToStandardOutput(csv.text().toUtf8());
        return writeToFile(context, target, CsvExport::encode(csv.text()));
    }
    if (format == QLatin1String("ics")) {
        if (target == QLatin1String("--mail"))
            return usageError(context);
        const QByteArray ics = CalendarExport(db).text();
        if (target.isEmpty() || target == QLatin1String("-"))
            return context.writeToStandardOutput(ics);
        return writeToFile(context, target, ics);
    }
    return usageError(context);
}

} // namespace fetemark::cli
