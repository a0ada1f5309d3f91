#include "MailComposer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

namespace fetemark {
namespace {

// Runs xdg-email with its arguments and leaves its exit status in the file named by
// FETEMARK_MAIL_STATUS, written whole (renamed into place) so it is never read half.
const char* const StatusScript = "\"$0\" \"$@\"; status=$?; "
                                 "{ echo \"$status\" > \"$FETEMARK_MAIL_STATUS.part\" && mv "
                                 "\"$FETEMARK_MAIL_STATUS.part\" \"$FETEMARK_MAIL_STATUS\"; } "
                                 "2>/dev/null";

} // namespace

XdgEmailComposer::XdgEmailComposer(QString program, int graceMilliseconds)
    : m_program(std::move(program)), m_graceMilliseconds(graceMilliseconds)
{
}

QStringList XdgEmailComposer::arguments(const MailDraft& draft)
{
    QStringList args {QStringLiteral("--utf8")};
    if (!draft.subject.isEmpty())
        args << QStringLiteral("--subject") << draft.subject;
    if (!draft.body.isEmpty())
        args << QStringLiteral("--body") << draft.body;
    for (const QString& file : draft.attachments)
        args << QStringLiteral("--attach") << file;
    // Addresses last, after "--", so one that begins with a dash is not read as an option.
    if (!draft.recipients.isEmpty())
        args << QStringLiteral("--") << draft.recipients;
    return args;
}

bool XdgEmailComposer::compose(const MailDraft& draft, QString* error)
{
    const QString program = m_program.contains(QLatin1Char('/'))
        ? m_program
        : QStandardPaths::findExecutable(m_program);
    if (program.isEmpty()) {
        if (error)
            *error =
                QStringLiteral("no mail program was found (%1 is not installed)").arg(m_program);
        return false;
    }
    QTemporaryDir statusDir;
    if (!statusDir.isValid()) {
        if (error)
            *error =
                QStringLiteral("cannot make a temporary folder: %1").arg(statusDir.errorString());
        return false;
    }
    const QString statusFile = statusDir.filePath(QStringLiteral("status"));

    // xdg-email returns once the mail program has the draft, except where it runs the
    // mail program itself (Thunderbird when it is not running yet): then it returns when
    // the user closes the draft. So it runs detached and is never killed; an exit status
    // within the grace period tells how it went, none means the draft is open.
    QProcess process;
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments(
        QStringList {QStringLiteral("-c"), QString::fromLatin1(StatusScript), program} +
        arguments(draft));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FETEMARK_MAIL_STATUS"), statusFile);
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        if (error)
            *error = QStringLiteral("%1 could not be started").arg(program);
        return false;
    }

    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < m_graceMilliseconds) {
        QFile status(statusFile);
        if (status.open(QIODevice::ReadOnly)) {
            bool ok = false;
            const int code = status.readAll().trimmed().toInt(&ok);
            if (ok && code == 0)
                return true;
            if (error)
                *error = QStringLiteral("%1 could not open the mail program (exit status %2)")
                             .arg(program)
                             .arg(code);
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

} // namespace fetemark
