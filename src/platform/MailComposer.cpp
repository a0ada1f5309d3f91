#include "MailComposer.h"

#include <QProcess>
#include <QStandardPaths>

namespace fetemark {

XdgEmailComposer::XdgEmailComposer(QString program)
    : m_program(std::move(program))
{
}

QStringList XdgEmailComposer::arguments(const MailDraft& draft)
{
    QStringList args{QStringLiteral("--utf8")};
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
    const QString program = m_program.contains(QLatin1Char('/')) ? m_program
                                                                  : QStandardPaths::findExecutable(m_program);
    if (program.isEmpty()) {
        if (error)
            *error = QStringLiteral("no mail program was found (%1 is not installed)").arg(m_program);
        return false;
    }
    // xdg-email returns once the mail program has the draft; it reports a missing or
    // failing mail program by its exit status.
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments(draft));
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start();
    if (!process.waitForStarted(10'000)) {
        if (error)
            *error = QStringLiteral("%1 could not be started: %2").arg(program, process.errorString());
        return false;
    }
    if (!process.waitForFinished(60'000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        if (error)
            *error = QStringLiteral("%1 could not open the mail program (exit status %2)").arg(program).arg(process.exitCode());
        process.kill();
        return false;
    }
    return true;
}

} // namespace fetemark
