#include "Telephony.h"

#include <QProcess>
#include <QStandardPaths>

namespace fetemark {

bool hasTelephonyHandler(const QString& xdgMime, int timeoutMilliseconds)
{
    const QString program =
        xdgMime.contains(QLatin1Char('/')) ? xdgMime : QStandardPaths::findExecutable(xdgMime);
    if (program.isEmpty())
        return false;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program,
        {QStringLiteral("query"), QStringLiteral("default"),
            QStringLiteral("x-scheme-handler/tel")});
    if (!process.waitForFinished(timeoutMilliseconds)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 &&
        !process.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace fetemark
