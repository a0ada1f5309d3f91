#include "TestSupport.h"

#include <QFile>

namespace fetemark::test {

TempDir::TempDir()
{
    m_dir.setAutoRemove(true);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QDateTime utc(const char* iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toUTC();
}

} // namespace fetemark::test

#include <QProcess>
#include <QProcessEnvironment>

namespace fetemark::test {

CommandResult runFetemark(const QStringList& args, const QStringList& extraEnvironment)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : env.keys()) {
        if (name.startsWith(QLatin1String("FETEMARK_")) || name.startsWith(QLatin1String("LC_")) ||
            name == QLatin1String("LANGUAGE"))
            env.remove(name);
    }
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    for (const QString& assignment : extraEnvironment) {
        const qsizetype eq = assignment.indexOf(QLatin1Char('='));
        env.insert(assignment.left(eq), assignment.mid(eq + 1));
    }
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(FETEMARK_BINARY), args);
    process.closeWriteChannel();
    CommandResult result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        result.err = QStringLiteral("fetemark did not finish");
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

} // namespace fetemark::test
