// The name a damaged file is kept under never replaces anything: not a file, not a
// dangling link, not a name the caller reserves.
#include "platform/files/DamagedFile.h"

#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace fetemark;

namespace {

struct AsideRow {
    std::string name;
    QStringList present;  // names made before, as files; "@name" as a dangling link
    QStringList reserved; // names the caller says are taken
    QString expected;
};

class DamagedFileName : public testing::TestWithParam<AsideRow> { };

TEST_P(DamagedFileName, IsTheFirstFreeOne)
{
    const AsideRow& row = GetParam();
    test::TempDir dir;
    for (const QString& name : row.present) {
        if (name.startsWith(u'@'))
            ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("nowhere")), dir.file(name.mid(1))));
        else
            ASSERT_TRUE(test::writeFile(dir.file(name), "x"));
    }
    const QDateTime now(QDate(2026, 12, 8), QTime(1, 2, 3), Qt::UTC);
    const QString name = damagedFileName(dir.file(QStringLiteral("S.plist")),
        now.toTimeZone(QTimeZone("Pacific/Auckland")),
        [&](const QString& path) { return row.reserved.contains(QFileInfo(path).fileName()); });
    EXPECT_EQ(QFileInfo(name).fileName(), row.expected);
}

const QString First = QStringLiteral("S.plist.damaged-20261208-010203");

INSTANTIATE_TEST_SUITE_P(Names, DamagedFileName,
    testing::Values(AsideRow {"FreeStampInUtc", {}, {}, First},
        AsideRow {"FileTaken", {First}, {}, First + QStringLiteral("-2")},
        AsideRow {
            "DanglingLinkTaken", {QStringLiteral("@") + First}, {}, First + QStringLiteral("-2")},
        AsideRow {"ReservedAndTaken", {First}, {First + QStringLiteral("-2")},
            First + QStringLiteral("-3")}),
    test::RowName());

} // namespace
