#include "UserSystemd.h"

#include <QProcess>

namespace fetemark::cli {
namespace {

// A manager that does not answer in this time is as good as absent.
constexpr int TimeoutMs = 30000;

} // namespace

bool UserSystemd::run(const QStringList& args, QString* error)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(QStringLiteral("systemctl"), QStringList {QStringLiteral("--user")} + args);
    process.closeWriteChannel();
    if (!process.waitForStarted(TimeoutMs)) {
        *error = QStringLiteral("systemctl cannot be run (%1)").arg(process.errorString());
        return false;
    }
    if (!process.waitForFinished(TimeoutMs)) {
        process.kill();
        process.waitForFinished();
        *error = QStringLiteral("systemctl --user %1 did not finish").arg(args.join(u' '));
        return false;
    }
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    const QString said = QString::fromLocal8Bit(process.readAllStandardError()).simplified();
    *error = QStringLiteral("systemctl --user %1 failed%2")
                 .arg(args.join(u' '), said.isEmpty() ? QString() : QStringLiteral(": ") + said);
    return false;
}

bool UserSystemd::isAvailable(QString* why)
{
    return run({QStringLiteral("show-environment")}, why);
}

bool UserSystemd::holds(const QString& question, const QString& unit)
{
    QString ignored;
    return run({question, QStringLiteral("--quiet"), unit}, &ignored);
}

} // namespace fetemark::cli
