// The mail composer over a stand-in xdg-email: its answer is read, and one that keeps
// running (a mail program in the foreground) is neither killed nor taken for a failure.
#include "platform/desktop/MailComposer.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <string>

namespace {

using namespace fetemark;

struct ComposerRow {
    const char* name;
    const char* script; // the stand-in's body; it records its arguments first
    bool composed;
};

void PrintTo(const ComposerRow& row, std::ostream* os)
{
    *os << row.name;
}

class XdgEmail : public testing::TestWithParam<ComposerRow> { };

TEST_P(XdgEmail, ReadsTheAnswerOrLeavesTheDraftOpen)
{
    const ComposerRow& row = GetParam();
    test::TempDir dir;
    const QString program = dir.file(QStringLiteral("xdg-email"));
    const QString args = dir.file(QStringLiteral("args.txt"));
    ASSERT_TRUE(test::writeFile(program,
        QByteArray("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args.txt\"\n") +
            row.script + "\n"));
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    XdgEmailComposer composer(program, 1500);
    MailDraft draft;
    draft.subject = QStringLiteral("Fetemark Export");
    draft.attachments << QStringLiteral("/data/Fetemark.csv");
    draft.recipients << QStringLiteral("-odd@example.org");
    QString error;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(composer.compose(draft, &error), row.composed) << error.toStdString();
    EXPECT_EQ(error.isEmpty(), row.composed);
    EXPECT_LT(timer.elapsed(), 10'000);

    QElapsedTimer wait;
    wait.start();
    while (!QFile::exists(args) && wait.elapsed() < 5000)
        QThread::msleep(10);
    EXPECT_EQ(QString::fromUtf8(test::readFile(args)),
        QStringLiteral("--utf8\n--subject\nFetemark "
                       "Export\n--attach\n/data/Fetemark.csv\n--\n-odd@example.org\n"));
}

INSTANTIATE_TEST_SUITE_P(Rows, XdgEmail,
    testing::Values(ComposerRow {"Handed", "exit 0", true},
        ComposerRow {"Refused", "exit 3", false},
        ComposerRow {"ComposerInTheForeground", "sleep 4; exit 0", true}),
    test::RowName());

TEST(XdgEmail, MissingProgramIsNamed)
{
    XdgEmailComposer composer(QStringLiteral("fetemark-no-such-mail-program"));
    QString error;
    EXPECT_FALSE(composer.compose({}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("fetemark-no-such-mail-program")))
        << error.toStdString();
}

} // namespace
