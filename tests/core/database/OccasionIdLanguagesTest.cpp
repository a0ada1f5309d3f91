// Ids and stored choices of a contact's dates do not depend on the language a run speaks:
// a real address book and custom entries file, loaded in each of the seven languages.
#include "core/database/RecordDatabase.h"
#include "core/records/ContactLabels.h"
#include "core/records/CustomEntriesStore.h"
#include "core/records/OccasionId.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Calendar.h"
#include "core/time/Clock.h"
#include "platform/addressbook/AddressBook.h"

#include "support/TestSupport.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

using namespace fetemark;
using namespace Qt::StringLiterals;

namespace {

struct LanguageRow {
    std::string name;
    QString locale;
    QString storedWord; // what an earlier version, in another language, stored the date as
};

class OccasionIdLanguages : public testing::TestWithParam<LanguageRow> { };

// The id an earlier version printed for the unlabelled date while speaking `word`.
QString formerId(std::int32_t contact, const QString& word)
{
    const QByteArray key = "2|" + word.toUtf8() + "|2015-01-09";
    return u"contact-%1-"_s.arg(contact) +
        QString::fromLatin1(
            QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(10));
}

TEST_P(OccasionIdLanguages, SameIdsAndChoicesForTheSameStoredDates)
{
    const LanguageRow& row = GetParam();
    const test::TempDir dir;
    const Calendar calendar(u"Europe/Berlin"_s);
    Person lena;
    lena.firstName = u"Lena"_s;
    lena.lastName = u"Lind"_s;
    lena.dates = {{QString(), QDate(2015, 1, 9)},
        {QString(ContactLabel::Anniversary), QDate(2010, 6, 20)},
        {u"Name day"_s, QDate(1604, 3, 9)}};
    const auto book = AddressBook::create(dir.file(u"AddressBook.sqlite"_s));
    const std::int32_t id = book->addPerson(lena);
    ASSERT_TRUE(id == 1 && book->save());

    // Alerts switched off by an earlier version that named the date by a translation.
    auto choice = std::make_shared<OccasionRecord>();
    choice->recordID = id;
    choice->type = OccasionRecord::OtherDate;
    choice->otherDateLabel = row.storedWord;
    choice->rawDate = calendar.date(2015, 1, 9);
    choice->alertsOff = true;
    const CustomEntriesStore store(dir.path());
    ASSERT_TRUE(store.writeCustomEntries({choice}, {}, calendar));

    Settings settings(dir.file(u"Preferences.plist"_s));
    settings.registerDefaults(registeredDefaults());
    const FixedClock clock(test::utc("2026-03-05T12:00:00Z"));
    RecordDatabase db(
        {settings, clock, {u"Europe/Berlin"_s, row.locale, {row.locale.left(2)}}, dir.path()});
    db.loadDatabase();

    // The ids English runs printed, whatever the language now (soonest first).
    QStringList ids;
    for (const OccasionRecordPtr& r : db.records())
        ids << OccasionId::of(*r, db.gregorian());
    EXPECT_EQ(ids,
        (QStringList {
            u"contact-1-85aec90875"_s, u"contact-1-5b7f6c9cc4"_s, u"contact-1-137d5897c9"_s}));
    ASSERT_EQ(db.records().size(), 3u);
    const OccasionRecordPtr unlabelled = db.records()[2];
    EXPECT_TRUE(unlabelled->alertsOff) << "the choice stored under a translation is kept";
    EXPECT_EQ(
        OccasionId::find(db.records(), formerId(id, row.storedWord), db.gregorian()), unlabelled);

    // Written back, the choice is stored under the date's own label.
    ASSERT_TRUE(db.writeStores());
    const auto stored = store.loadEntries();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0]->otherDateLabel, u"_$!<Date>!$_"_s);
    EXPECT_TRUE(stored[0]->alertsOff);
}

// Each language reads the choice an earlier version stored in the next language's word.
INSTANTIATE_TEST_SUITE_P(Rows, OccasionIdLanguages,
    testing::Values(LanguageRow {"English", u"en_US"_s, u"Datum"_s},
        LanguageRow {"German", u"de_DE"_s, u"fecha"_s},
        LanguageRow {"Spanish", u"es_ES"_s, u"date"_s},
        LanguageRow {"French", u"fr_FR"_s, u"data"_s},
        LanguageRow {"Italian", u"it_IT"_s, u"datum"_s},
        LanguageRow {"Dutch", u"nl_NL"_s, u"\u0434\u0430\u0442\u0430"_s},
        LanguageRow {"Russian", u"ru_RU"_s, u"date"_s}),
    test::RowName());

} // namespace
