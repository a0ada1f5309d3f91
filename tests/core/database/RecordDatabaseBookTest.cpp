// The record database over an address book it cannot read whole: a damaged book is a load
// warning that names the file and what to run, and the contacts that could be read are
// loaded; a read-only run reads the book without creating it.
#include "core/database/RecordDatabase.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Clock.h"
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"

#include "support/BookDamage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <functional>
#include <memory>

using namespace fetemark;
using namespace Qt::StringLiterals;

namespace {

struct BookRow {
    std::string name;
    std::function<void(const QString& path)> damage;
    bool contactsLoaded;   // some contacts come through
    const char* mentioned; // in the warning and the problem
};

class RecordDatabaseBook : public testing::TestWithParam<std::tuple<BookRow, DataAccess>> {
protected:
    test::TempDir dir;
    Settings settings {dir.file(u"Preferences.plist"_s)};
    FixedClock clock {test::utc("2026-03-05T12:00:00Z")};
    QString path = dir.file(u"AddressBook.sqlite"_s);

    std::unique_ptr<RecordDatabase> load(DataAccess access)
    {
        settings.registerDefaults(registeredDefaults());
        auto db = std::make_unique<RecordDatabase>(RecordDatabase::Dependencies {settings, clock,
            {u"UTC"_s, u"en_US"_s, {u"en"_s}}, dir.path(), u":/resources"_s, access});
        db->loadDatabase();
        return db;
    }
};

TEST_P(RecordDatabaseBook, DamageIsAWarningWithAdviceAndAProblem)
{
    const auto& [row, access] = GetParam();
    {
        auto book = AddressBook::create(path);
        ASSERT_EQ(SyntheticContacts::fill(*book, {300, 5, 0}), 300);
    }
    row.damage(path);
    const QByteArray damaged = test::readFile(path);
    auto db = load(access);
    const QString warnings = db->takeLoadWarnings().join(u'\n');
    EXPECT_TRUE(warnings.contains(u"AddressBook.sqlite"_s) &&
        warnings.contains(u"fetemark contacts check"_s) &&
        warnings.contains(u"fetemark contacts recover"_s) &&
        warnings.contains(QLatin1StringView(row.mentioned)))
        << warnings.toStdString();
    EXPECT_TRUE(db->addressBookProblem().contains(QLatin1StringView(row.mentioned)))
        << db->addressBookProblem().toStdString();
    EXPECT_EQ(!db->allContacts().empty(), row.contactsLoaded);
    EXPECT_EQ(test::readFile(path), damaged);
}

INSTANTIATE_TEST_SUITE_P(RecordDatabaseBooks, RecordDatabaseBook,
    testing::Combine(testing::Values(BookRow {"PeoplePage",
                                         [](const QString& p) {
                                             test::overwritePage(
                                                 p, test::middleLeafPageOf(p, "people"));
                                         },
                                         false, "damaged"},
                         BookRow {"HeaderBit", [](const QString& p) { test::flipBit(p, 16, 0); },
                             false, "damaged"}),
        testing::Values(DataAccess::ReadOnly, DataAccess::ReadWrite)),
    [](const auto& info) {
        return std::get<0>(info.param).name +
            (std::get<1>(info.param) == DataAccess::ReadOnly ? "ReadOnly" : "ReadWrite");
    });

TEST(RecordDatabaseReadOnly, NoBookIsNoContactsAndStaysMissing)
{
    test::TempDir dir;
    Settings settings(dir.file(u"Preferences.plist"_s));
    settings.registerDefaults(registeredDefaults());
    FixedClock clock(test::utc("2026-03-05T12:00:00Z"));
    RecordDatabase db({settings, clock, {u"UTC"_s, u"en_US"_s, {u"en"_s}}, dir.path(),
        u":/resources"_s, DataAccess::ReadOnly});
    db.loadDatabase();
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    EXPECT_TRUE(db.addressBookProblem().isEmpty());
    EXPECT_EQ(db.mainThreadAddressBook(), nullptr);
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.file(u"AddressBook.sqlite"_s)));
}

} // namespace
