#pragma once

#include <QString>
#include <QTextStream>

namespace fetemark::cli {

// What a run says on standard error besides its output. For people a line
// "fetemark: ...", "fetemark: warning: ..." or "fetemark: note: ..."; with --json one
// JSON object a line ({"error": "..."}, {"warning": "..."}, {"note": "..."}), so that a
// script reads standard error as it reads the output.
enum class Diagnostic { Error, Warning, Note };

void writeDiagnostic(QTextStream& err, bool json, Diagnostic kind, const QString& message);

} // namespace fetemark::cli
