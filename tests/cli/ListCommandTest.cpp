// `fetemark list` and `fetemark show` over an address book that cannot be read whole: what
// could be read is shown, a warning says what to run, and the run fails.
#include "support/BookDamage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace fetemark;
using namespace Qt::StringLiterals;

namespace {

struct ListRow {
    std::string name;
    QStringList args; // "ID" stands for the custom entry's id
};

class ListDamagedBook : public testing::TestWithParam<ListRow> { };

// A custom entry still lists and shows while a page of people is damaged.
TEST_P(ListDamagedBook, ShowsWhatItCanThenFails)
{
    const test::RunOptions at("2026-03-05", "UTC", "en_US");
    const test::TempDir dir;
    const QString path = dir.file(u"AddressBook.sqlite"_s);
    test::filledBook(path, 300);
    const test::CommandResult added = test::runFetemarkIn(
        dir, {u"custom"_s, u"add"_s, u"--name"_s, u"Xena"_s, u"--date"_s, u"1980-04-04"_s}, at);
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    test::damage(path, test::Damage::PeopleLeaf);

    QStringList args = GetParam().args;
    args.replaceInStrings(u"ID"_s, added.out.trimmed());
    const test::CommandResult r = test::runFetemarkIn(dir, args, at);
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"Xena"_s)) << r.out.toStdString();
    EXPECT_TRUE(
        r.err.contains(u"AddressBook.sqlite"_s) && r.err.contains(u"fetemark contacts recover"_s))
        << r.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(ListDamage, ListDamagedBook,
    testing::Values(ListRow {"List", {u"list"_s}}, ListRow {"ListJson", {u"--json"_s, u"list"_s}},
        ListRow {"Show", {u"show"_s, u"ID"_s}}),
    test::RowName());

} // namespace
