// `fetemark provider url`: the reminder-service request printed as it would be sent,
// from a data directory filled through the command itself.
#include "support/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace fetemark;
using namespace Qt::StringLiterals;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

const char* const Base = "http://127.0.0.1:8180/fetemark_request200.php?dt=";

struct UrlRow {
    const char* name;
    QStringList setup; // one command, split at "|"
    QStringList args;  // after "provider url"
    const char* contains;
    const char* note; // on standard error; empty: nothing
};

class ProviderUrl : public testing::TestWithParam<UrlRow> { };

} // namespace

TEST_P(ProviderUrl, PrintsTheRequest)
{
    const UrlRow& row = GetParam();
    TempDir dir;
    const fetemark::test::RunOptions options("2026-03-05T10:00", "UTC", "en_GB");
    auto withEnv = options;
    withEnv.environment << u"FETEMARK_SERVICE_URL=http://127.0.0.1:8180/"_s;
    for (const QString& command : row.setup)
        ASSERT_EQ(test::runFetemarkIn(dir, command.split(u'|'), options).exitCode, 0);
    const CommandResult r =
        test::runFetemarkIn(dir, QStringList {u"provider"_s, u"url"_s} + row.args, withEnv);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QLatin1String(Base))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QLatin1String(row.contains))) << r.out.toStdString();
    EXPECT_TRUE(r.out.endsWith(u'\n') && r.out.count(u'\n') == 1);
    EXPECT_EQ(r.err.contains(QLatin1String("note: no request would be sent")), *row.note != 0)
        << r.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, ProviderUrl,
    testing::Values(UrlRow {"NoTokenNothingSent", {}, {}, "?dt=&eb=&p=56&et=", "no request"},
        UrlRow {"TokenWithSpaces", {}, {u"--device-token"_s, u"<ab12 cd34>"_s},
            "?dt=%3Cab12cd34%3E&eb=", ""},
        UrlRow {"PendingEmailChangeSent", {u"settings|set|78EE|YES"_s}, {}, "&timeZone=UTC&", ""},
        UrlRow {"AddressWithPlusAndPercent",
            {u"settings|set|alert-email|a+b%c@example.org"_s, u"settings|set|0EA3|YES"_s},
            {u"--device-token"_s, u"<ab>"_s}, "&ea=a%2Bb%25c@example.org&eo=1&", ""},
        UrlRow {"DatesOfTheBook", {u"custom|add|--name|Anna|--date|1980-03-12|--type|birthday"_s},
            {u"--device-token"_s, u"<ab>"_s}, "&dates=69B20200.1", ""}),
    fetemark::test::RowName());

TEST(ProviderCommand, RefusesBadInputAndWritesNothing)
{
    TempDir dir;
    fetemark::test::RunOptions bad("2026-03-05T10:00", "UTC");
    bad.environment << u"FETEMARK_SERVICE_URL=ftp://example.org/x"_s;
    const CommandResult r = test::runFetemarkIn(dir, {u"provider"_s, u"url"_s}, bad);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QLatin1String("is not a scheme and host"))) << r.err.toStdString();
    for (const QStringList& args :
        {QStringList {u"provider"_s}, {u"provider"_s, u"url"_s, u"--device-token"_s}})
        EXPECT_EQ(test::runFetemarkIn(dir, args).exitCode, 2);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}
