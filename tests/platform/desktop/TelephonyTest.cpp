// The telephony probe over a stand-in xdg-mime: only a named handler counts.
#include "platform/desktop/Telephony.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

using namespace fetemark;

struct ProbeRow {
    std::string name;
    const char* script; // the stand-in's body; null: no program at all
    bool telephony;
};

class TelephonyProbe : public testing::TestWithParam<ProbeRow> { };

TEST_P(TelephonyProbe, CountsOnlyANamedHandler)
{
    const ProbeRow& row = GetParam();
    test::TempDir dir;
    const QString program = dir.file(QStringLiteral("xdg-mime"));
    if (row.script) {
        ASSERT_TRUE(test::writeFile(program, QByteArray("#!/bin/sh\n") + row.script + "\n"));
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    EXPECT_EQ(hasTelephonyHandler(program, 2000), row.telephony);
}

INSTANTIATE_TEST_SUITE_P(Telephony, TelephonyProbe,
    testing::Values(ProbeRow {"Handler",
                        "[ \"$3\" = x-scheme-handler/tel ] && echo org.gnome.Calls.desktop", true},
        ProbeRow {"NoHandler", "exit 0", false},
        ProbeRow {"Fails", "echo x.desktop; exit 3", false},
        ProbeRow {"Hangs", "exec sleep 10", false}, ProbeRow {"Missing", nullptr, false}),
    test::RowName());

} // namespace
