// `fetemark list` and `fetemark show` over an address book that cannot be read whole: what
// could be read is shown, a warning says what to run, and the run fails.
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"
#include "support/BookDamage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fetemark;
using fetemark::test::CommandResult;
using fetemark::test::TempDir;

namespace {

const test::RunOptions At("2026-03-05", "UTC", "en_US");

struct ListRow {
    std::string name;
    QStringList args; // "ID" stands for the custom entry's id
};

class ListDamagedBook : public testing::TestWithParam<ListRow> { };

// A custom entry still lists and shows while the people page is damaged.
TEST_P(ListDamagedBook, ShowsWhatItCanThenFails)
{
    TempDir dir;
    {
        auto book = AddressBook::create(dir.file(QStringLiteral("AddressBook.sqlite")));
        ASSERT_TRUE(book);
        ASSERT_EQ(SyntheticContacts::fill(*book, {300, 2, 0}), 300);
    }
    const CommandResult added = test::runFetemarkIn(dir,
        {QStringLiteral("custom"), QStringLiteral("add"), QStringLiteral("--name"),
            QStringLiteral("Xena"), QStringLiteral("--date"), QStringLiteral("1980-04-04")},
        At);
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    const QString id = added.out.trimmed();
    const QString path = dir.file(QStringLiteral("AddressBook.sqlite"));
    test::overwritePage(path, test::middleLeafPageOf(path, "people"));

    QStringList args = GetParam().args;
    args.replaceInStrings(QStringLiteral("ID"), id);
    const CommandResult r = test::runFetemarkIn(dir, args, At);
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Xena"))) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("AddressBook.sqlite")) &&
        r.err.contains(QStringLiteral("fetemark contacts recover")))
        << r.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(ListDamage, ListDamagedBook,
    testing::Values(ListRow {"List", {QStringLiteral("list")}},
        ListRow {"ListJson", {QStringLiteral("--json"), QStringLiteral("list")}},
        ListRow {"Show", {QStringLiteral("show"), QStringLiteral("ID")}}),
    test::RowName());

} // namespace
