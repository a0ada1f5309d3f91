// The record database over an address book it cannot read whole, in a run that only
// reads: the damage is a load warning that names the file and what to run, and a missing
// book is no contacts, not a new file.
#include "core/database/RecordDatabase.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Clock.h"

#include "support/BookDamage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFileInfo>

using namespace fetemark;
using namespace Qt::StringLiterals;

namespace {

class RecordDatabaseReadOnly : public testing::Test {
protected:
    test::TempDir dir;
    Settings settings {dir.file(u"Preferences.plist"_s)};
    FixedClock clock {test::utc("2026-03-05T12:00:00Z")};
    QString path = dir.file(u"AddressBook.sqlite"_s);
    RecordDatabase db {{settings, clock, {u"UTC"_s, u"en_US"_s, {u"en"_s}}, dir.path(),
        u":/resources"_s, DataAccess::ReadOnly}};

    void SetUp() override { settings.registerDefaults(registeredDefaults()); }
};

TEST_F(RecordDatabaseReadOnly, DamageIsAWarningWithAdviceAndAProblem)
{
    test::filledBook(path, 300);
    test::damage(path, test::Damage::PeopleLeaf);
    const QByteArray damaged = test::readFile(path);
    db.loadDatabase();
    const QString warnings = db.takeLoadWarnings().join(u'\n');
    EXPECT_TRUE(warnings.contains(u"AddressBook.sqlite is damaged"_s) &&
        warnings.contains(u"fetemark contacts check"_s) &&
        warnings.contains(u"fetemark contacts recover"_s))
        << warnings.toStdString();
    EXPECT_TRUE(db.addressBookProblem().contains(u"damaged"_s));
    EXPECT_EQ(test::readFile(path), damaged);
}

TEST_F(RecordDatabaseReadOnly, NoBookIsNoContactsAndStaysMissing)
{
    db.loadDatabase();
    EXPECT_EQ(db.mainThreadAddressBook(), nullptr);
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    EXPECT_TRUE(db.addressBookProblem().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path));
}

} // namespace
