#include "Diagnostics.h"

#include "cli/JsonWriter.h"

namespace fetemark::cli {

void writeDiagnostic(QTextStream& err, bool json, Diagnostic kind, const QString& message)
{
    if (!json) {
        err << "fetemark: "
            << (kind == Diagnostic::Warning       ? "warning: "
                       : kind == Diagnostic::Note ? "note: "
                                                  : "")
            << message << Qt::endl;
        return;
    }
    QString line = QStringLiteral("{\"");
    line += QLatin1StringView(kind == Diagnostic::Warning ? "warning"
            : kind == Diagnostic::Note                    ? "note"
                                                          : "error");
    line += QLatin1StringView("\": ");
    JsonWriter::appendQuoted(line, message);
    line += u'}';
    err << line << Qt::endl;
}

} // namespace fetemark::cli
