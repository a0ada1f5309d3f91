#pragma once

#include <QString>
#include <QStringList>

namespace fetemark {

// A new mail for the user to finish and send in their own mail program.
struct MailDraft {
    QString subject;
    QString body;
    QStringList recipients;
    QStringList attachments; // paths of files to attach
};

// The desktop's mail composer. One implementation per platform; callers receive it
// through their constructor.
class MailComposer {
public:
    virtual ~MailComposer() = default;
    // Opens the draft in the mail program; false with `error` set when there is none or
    // it cannot be started.
    virtual bool compose(const MailDraft& draft, QString* error) = 0;
};

// The freedesktop way: `xdg-email`, which hands the draft to the user's mail program.
class XdgEmailComposer final : public MailComposer {
public:
    // `program` is the xdg-email to run (looked up in PATH when it has no folder). Its
    // answer is awaited `graceMilliseconds`; one still running then has opened the draft.
    explicit XdgEmailComposer(
        QString program = QStringLiteral("xdg-email"), int graceMilliseconds = 10'000);
    bool compose(const MailDraft& draft, QString* error) override;

    // The command line for a draft, without the program.
    static QStringList arguments(const MailDraft& draft);

private:
    QString m_program;
    int m_graceMilliseconds;
};

} // namespace fetemark
