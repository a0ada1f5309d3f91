// The record database after contacts change in the address book: the change check run
// when the contact screen closes, rebuilding one contact, new contacts, removing a date
// from a contact and adding dates to one — always keeping the user's choices and the
// contact's Facebook link where they still apply. Real address book and stores in a
// temporary data directory; clock, zone and locale fixed.
#include "core/Calendar.h"
#include "core/Clock.h"
#include "core/CustomEntriesStore.h"
#include "core/DeviceEnvironment.h"
#include "core/OccasionRecord.h"
#include "core/RecordDatabase.h"
#include "core/SearchIndex.h"
#include "core/Settings.h"
#include "core/SettingsKeys.h"
#include "platform/AddressBook.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

using namespace fetemark;

namespace {

using Records = RecordDatabase::Records;

template <typename Row>
std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

// Thursday 5 March 2026, 13:00 in Berlin.
const char* const Now = "2026-03-05T12:00:00Z";
const QString Berlin = QStringLiteral("Europe/Berlin");
const QString Auckland = QStringLiteral("Pacific/Auckland");
const QString AnniversaryLabel = QString(ContactLabel::Anniversary);
const QString OtherLabel = QString(ContactLabel::Other);
const QString NameDay = QStringLiteral("Name day");

std::string str(const QString& s)
{
    return s.toStdString();
}

// One occasion as the list shows it: type, calendar day and label.
struct Occasion {
    int type;
    QDate day;
    QString label;
    friend bool operator==(const Occasion&, const Occasion&) = default;
    friend bool operator<(const Occasion& a, const Occasion& b)
    {
        return std::tuple(a.type, a.day.toJulianDay(), a.label) < std::tuple(b.type, b.day.toJulianDay(), b.label);
    }
    friend std::ostream& operator<<(std::ostream& os, const Occasion& o)
    {
        return os << o.type << ' ' << str(o.day.toString(Qt::ISODate)) << " '" << str(o.label) << "'";
    }
};

class Data {
public:
    explicit Data(const QString& zone = Berlin)
        : settings(dir.file(QStringLiteral("Preferences.plist")))
        , clock(test::utc(Now))
        , device{zone, QStringLiteral("en_US"), {QStringLiteral("en")}}
        , calendar(zone)
    {
        settings.registerDefaults(registeredDefaults());
        QString error;
        book = AddressBook::create(dir.file(QStringLiteral("AddressBook.sqlite")), &error);
        EXPECT_TRUE(book) << str(error);
    }

    void set(QLatin1StringView key, const QVariant& value) { settings.setValue(QString(key), value); }

    std::int32_t addPerson(const QString& first, const QString& last, const QDate& birthday = {},
                           std::vector<Labeled<QDate>> dates = {})
    {
        Person p;
        p.firstName = first;
        p.lastName = last;
        p.birthday = birthday;
        p.dates = std::move(dates);
        const std::int32_t id = book->addPerson(p);
        EXPECT_NE(id, -1) << str(book->lastError());
        EXPECT_TRUE(book->save());
        return id;
    }
    // An edit made elsewhere (the contact screen), committed to the book.
    void edit(std::int32_t id, const std::function<void(Person&)>& change)
    {
        auto p = book->person(id);
        ASSERT_TRUE(p);
        change(*p);
        ASSERT_TRUE(book->updatePerson(*p)) << str(book->lastError());
        ASSERT_TRUE(book->save());
    }

    void writeEntries(const Records& entries)
    {
        QString error;
        EXPECT_TRUE(CustomEntriesStore(dir.path()).writeCustomEntries(entries, {}, calendar, &error)) << str(error);
    }

    RecordDatabase& db()
    {
        if (!database)
            database = std::make_unique<RecordDatabase>(RecordDatabase::Dependencies{settings, clock, device, dir.path()});
        return *database;
    }
    RecordDatabase& load()
    {
        db().loadDatabase();
        return *database;
    }
    RecordDatabase& reload()
    {
        database.reset();
        return load();
    }

    Records of(std::int32_t id) const
    {
        Records out;
        for (const OccasionRecordPtr& r : database->records()) {
            if (r->recordID == id && !r->isCustomEntry && !r->isFacebookEntry)
                out.push_back(r);
        }
        return out;
    }
    OccasionRecordPtr find(std::int32_t id, int type, const QString& label = QString::fromLatin1("")) const
    {
        for (const OccasionRecordPtr& r : of(id)) {
            if (r->type == type && r->otherDateLabel == label)
                return r;
        }
        return nullptr;
    }
    QDate dayOf(const OccasionRecordPtr& r) const
    {
        const DateParts p = calendar.components(r->rawDate);
        return QDate(p.year, p.month, p.day);
    }
    std::vector<Occasion> occasionsOf(std::int32_t id) const
    {
        std::vector<Occasion> out;
        for (const OccasionRecordPtr& r : of(id))
            out.push_back({r->type, dayOf(r), r->otherDateLabel});
        std::sort(out.begin(), out.end());
        return out;
    }
    // What the book now holds for the contact, as the list would show it.
    std::vector<Occasion> occasionsInBook(std::int32_t id) const
    {
        std::vector<Occasion> out;
        const auto p = book->person(id);
        if (!p)
            return out;
        if (p->birthday.isValid())
            out.push_back({OccasionRecord::Birthday, p->birthday, QString::fromLatin1("")});
        for (const auto& d : p->dates) {
            const QString label = d.label.isEmpty() ? QStringLiteral("date") : d.label;
            out.push_back({d.label == AnniversaryLabel ? int(OccasionRecord::Anniversary) : int(OccasionRecord::OtherDate), d.value, label});
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    test::TempDir dir;
    Settings settings;
    FixedClock clock;
    DeviceEnvironment device;
    Calendar calendar;
    std::unique_ptr<AddressBook> book;
    std::unique_ptr<RecordDatabase> database;
};

bool contains(const Records& list, const OccasionRecordPtr& r)
{
    return std::find(list.begin(), list.end(), r) != list.end();
}

bool isSorted(const Records& records)
{
    return std::is_sorted(records.begin(), records.end(), OccasionRecord::sortsBefore);
}

bool inIndexAtAll(const SearchIndex& index, const OccasionRecordPtr& r)
{
    for (auto it = index.lists().begin(); it != index.lists().end(); ++it) {
        if (contains(it.value(), r))
            return true;
    }
    return false;
}

// Exactly the listed records can be found, each by every word of its name.
::testing::AssertionResult indexMatchesRecords(const RecordDatabase& db)
{
    for (const OccasionRecordPtr& r : db.records()) {
        for (const QString& word : r->name.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!contains(db.recordDictionary().recordsFor(SearchIndex::lookupKey(word)), r))
                return ::testing::AssertionFailure() << str(r->name) << " is not found by " << str(word);
        }
    }
    for (auto it = db.recordDictionary().lists().begin(); it != db.recordDictionary().lists().end(); ++it) {
        for (const OccasionRecordPtr& r : it.value()) {
            if (!contains(db.records(), r))
                return ::testing::AssertionFailure() << "a record no longer listed is still found: " << str(r->name);
        }
    }
    return ::testing::AssertionSuccess();
}

OccasionRecordPtr matchedFacebookEntry(const Calendar& cal, const QString& id, std::int32_t contact, int y, int m, int d)
{
    auto r = std::make_shared<OccasionRecord>();
    r->isFacebookEntry = true;
    r->isFacebookMatched = true;
    r->facebookToContactID = contact;
    r->customID = id;
    r->firstName = QStringLiteral("Friend");
    r->lastName = id;
    r->rawDate = cal.date(y, m, d);
    r->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
    return r;
}

// Anna with a birthday, an anniversary and a name day, each with a choice of the user;
// Ben as a bystander whose records must stay untouched.
struct Anna {
    std::int32_t anna = -1;
    std::int32_t ben = -1;
    OccasionRecordPtr birthday, wedding, nameDay, benBirthday;

    explicit Anna(Data& data)
    {
        anna = data.addPerson(QStringLiteral("Anna"), QStringLiteral("Berg"), QDate(1990, 3, 10),
                              {{AnniversaryLabel, QDate(2015, 6, 20)}, {NameDay, QDate(2000, 7, 26)}});
        ben = data.addPerson(QStringLiteral("Ben"), QStringLiteral("Cole"), QDate(1985, 3, 6));
    }
    void loaded(Data& data)
    {
        birthday = data.find(anna, OccasionRecord::Birthday);
        wedding = data.find(anna, OccasionRecord::Anniversary, AnniversaryLabel);
        nameDay = data.find(anna, OccasionRecord::OtherDate, NameDay);
        benBirthday = data.find(ben, OccasionRecord::Birthday);
        ASSERT_TRUE(birthday && wedding && nameDay && benBirthday);
        birthday->ignoreForUpcoming = true;
        wedding->alertsOff = true;
        nameDay->ignoreYear = true;
    }
};

// ---- The change check ------------------------------------------------------------------------

struct ChangeRow {
    std::string name;
    std::function<void(Person&)> edit;  // null: the screen was closed without edits
    bool changed;
};

class RecordDatabaseChangeCheck : public ::testing::TestWithParam<ChangeRow> {};

TEST_P(RecordDatabaseChangeCheck, ListsExactlyTheContactsCurrentDates)
{
    const ChangeRow& row = GetParam();
    Data data;
    Anna a(data);
    RecordDatabase& db = data.load();
    a.loaded(data);
    const Records before = data.of(a.anna);
    if (row.edit)
        data.edit(a.anna, row.edit);

    OccasionRecordPtr added, found;
    EXPECT_EQ(db.hasRecordBeenUpdatedInAddressBook(a.wedding, &added, &found), row.changed);
    EXPECT_EQ(data.occasionsOf(a.anna), data.occasionsInBook(a.anna));
    const Records after = data.of(a.anna);
    for (const OccasionRecordPtr& r : after)
        EXPECT_EQ(contains(before, r), !row.changed) << "records are replaced exactly when something changed";
    EXPECT_TRUE(contains(db.records(), a.benBirthday)) << "another contact's records stay as they are";
    EXPECT_TRUE(isSorted(db.records()));
    EXPECT_TRUE(indexMatchesRecords(db));
    for (const OccasionRecordPtr& r : after)
        EXPECT_TRUE(r->sortDate.isValid());
    // The found record is one that is listed (records are found by identity).
    if (found) {
        EXPECT_TRUE(contains(db.records(), found));
    }
    if (added) {
        EXPECT_TRUE(contains(db.records(), added));
    }
}

INSTANTIATE_TEST_SUITE_P(
    RecordDatabase, RecordDatabaseChangeCheck,
    ::testing::Values(
        ChangeRow{"ClosedWithoutEdits", nullptr, false},
        ChangeRow{"NoteChanged", [](Person& p) { p.note = QStringLiteral("new note"); }, false},
        ChangeRow{"PhoneAdded", [](Person& p) { p.phones.push_back({QStringLiteral("_$!<Mobile>!$_"), QStringLiteral("+49 1")}); }, false},
        ChangeRow{"HiddenMiddleNameChanged", [](Person& p) { p.middleName = QStringLiteral("Maria"); }, false},
        ChangeRow{"Renamed", [](Person& p) { p.firstName = QStringLiteral("Annika"); }, true},
        ChangeRow{"AnniversaryMoved", [](Person& p) { p.dates[0].value = QDate(2016, 7, 1); }, true},
        ChangeRow{"DateAdded", [](Person& p) { p.dates.push_back({QStringLiteral("Graduation"), QDate(2012, 5, 5)}); }, true},
        ChangeRow{"DateRemoved", [](Person& p) { p.dates.erase(p.dates.begin() + 1); }, true},
        ChangeRow{"LabelChanged", [](Person& p) { p.dates[1].label = QStringLiteral("Saint's day"); }, true},
        ChangeRow{"BirthdayRemoved", [](Person& p) { p.birthday = QDate(); }, true},
        ChangeRow{"EverythingRemoved",
                  [](Person& p) {
                      p.birthday = QDate();
                      p.dates.clear();
                  },
                  true}),
    rowName<ChangeRow>);

TEST(RecordDatabaseChangeTracking, ClosingWithoutEditsKeepsTheSameRecordsAndChoices)
{
    Data data;
    Anna a(data);
    RecordDatabase& db = data.load();
    a.loaded(data);
    const Records before = data.of(a.anna);

    OccasionRecordPtr added, found;
    EXPECT_FALSE(db.hasRecordBeenUpdatedInAddressBook(a.birthday, &added, &found));
    EXPECT_EQ(data.of(a.anna), before);
    EXPECT_TRUE(a.birthday->ignoreForUpcoming);
    EXPECT_TRUE(a.wedding->alertsOff);
    EXPECT_TRUE(a.nameDay->ignoreYear);
    EXPECT_EQ(added, nullptr);
    EXPECT_EQ(found, a.birthday) << "the found record is the listed one";
}

TEST(RecordDatabaseChangeTracking, RenameReplacesTheRecordsAndCarriesChoicesByLabelAndType)
{
    Data data;
    Anna a(data);
    RecordDatabase& db = data.load();
    a.loaded(data);
    data.edit(a.anna, [](Person& p) { p.lastName = QStringLiteral("Lind"); });

    OccasionRecordPtr added, found;
    EXPECT_TRUE(db.hasRecordBeenUpdatedInAddressBook(a.nameDay, &added, &found));
    const OccasionRecordPtr birthday = data.find(a.anna, OccasionRecord::Birthday);
    const OccasionRecordPtr wedding = data.find(a.anna, OccasionRecord::Anniversary, AnniversaryLabel);
    const OccasionRecordPtr nameDay = data.find(a.anna, OccasionRecord::OtherDate, NameDay);
    ASSERT_TRUE(birthday && wedding && nameDay);
    EXPECT_EQ(data.of(a.anna).size(), 3u);
    for (const OccasionRecordPtr& old : {a.birthday, a.wedding, a.nameDay})
        EXPECT_FALSE(contains(db.records(), old));
    for (const OccasionRecordPtr& r : data.of(a.anna))
        EXPECT_EQ(r->name, QStringLiteral("Anna Lind"));
    EXPECT_TRUE(birthday->ignoreForUpcoming);
    EXPECT_FALSE(birthday->alertsOff);
    EXPECT_TRUE(wedding->alertsOff);
    EXPECT_FALSE(wedding->ignoreYear);
    EXPECT_TRUE(nameDay->ignoreYear);
    EXPECT_EQ(found, nameDay);
    EXPECT_EQ(added, nullptr);

    EXPECT_FALSE(contains(db.recordDictionary().recordsFor(QStringLiteral("be")), birthday));
    EXPECT_TRUE(contains(db.recordDictionary().recordsFor(QStringLiteral("li")), birthday));
    // The contact list used for Facebook matching has the new name too.
    const auto entry = std::find_if(db.allContacts().begin(), db.allContacts().end(),
                                    [&](const OccasionRecordPtr& c) { return c->recordID == a.anna; });
    ASSERT_NE(entry, db.allContacts().end());
    EXPECT_EQ((*entry)->lastName, QStringLiteral("Lind"));
    EXPECT_EQ(db.allContacts().size(), 2u);
}

TEST(RecordDatabaseChangeTracking, AnniversaryMovedKeepsItsAlertsOffOnTheNewDate)
{
    Data data;
    Anna a(data);
    RecordDatabase& db = data.load();
    a.loaded(data);
    data.edit(a.anna, [](Person& p) { p.dates[0].value = QDate(2016, 3, 12); });

    OccasionRecordPtr added, found;
    EXPECT_TRUE(db.hasRecordBeenUpdatedInAddressBook(a.wedding, &added, &found));
    const OccasionRecordPtr wedding = data.find(a.anna, OccasionRecord::Anniversary, AnniversaryLabel);
    ASSERT_TRUE(wedding);
    EXPECT_EQ(data.dayOf(wedding), QDate(2016, 3, 12));
    EXPECT_TRUE(wedding->alertsOff);
    EXPECT_EQ(wedding->daysUntilDate, 7);
    EXPECT_EQ(found, wedding);
    EXPECT_EQ(added, nullptr) << "the moved date is the found one, not a new one";

    // The choice is stored on the new date and found there again.
    db.writeStores();
    data.reload();
    const OccasionRecordPtr again = data.find(a.anna, OccasionRecord::Anniversary, AnniversaryLabel);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->alertsOff);
}

TEST(RecordDatabaseChangeTracking, NewDateIsReportedAsTheNewRecord)
{
    Data data;
    Anna a(data);
    RecordDatabase& db = data.load();
    a.loaded(data);
    data.edit(a.anna, [](Person& p) { p.dates.push_back({QStringLiteral("Graduation"), QDate(2012, 5, 5)}); });
    OccasionRecordPtr added, found;
    EXPECT_TRUE(db.hasRecordBeenUpdatedInAddressBook(a.birthday, &added, &found));
    ASSERT_TRUE(added);
    EXPECT_EQ(added->otherDateLabel, QStringLiteral("Graduation"));
    EXPECT_EQ(found, data.find(a.anna, OccasionRecord::Birthday));
}

TEST(RecordDatabaseChangeTracking, DeletedContactReportsAChangeAndTheRebuildRemovesIt)
{
    Data data;
    Anna a(data);
    RecordDatabase& db = data.load();
    a.loaded(data);
    ASSERT_TRUE(data.book->removePerson(a.anna));
    ASSERT_TRUE(data.book->save());

    EXPECT_TRUE(db.hasRecordBeenUpdatedInAddressBook(a.birthday, nullptr, nullptr));
    EXPECT_EQ(data.of(a.anna).size(), 3u) << "the change check itself leaves the records";

    db.updateAddressBookRecord(a.anna);
    EXPECT_TRUE(data.of(a.anna).empty());
    EXPECT_TRUE(indexMatchesRecords(db));
    EXPECT_FALSE(inIndexAtAll(db.recordDictionary(), a.birthday));
    EXPECT_FALSE(db.checkForRecordWithID(a.anna)) << "a deleted contact is no contact any more";
    EXPECT_TRUE(db.checkForRecordWithID(a.ben));
    EXPECT_TRUE(db.nameStringForRecordID(a.anna).isNull());
    EXPECT_TRUE(contains(db.records(), a.benBirthday));
}

// A contact linked to a Facebook friend loses its only birthday: the link goes, and the
// friend's birthday does not come back as a phantom birthday — now or after a reload.
struct LinkRow {
    std::string name;
    bool viaListDelete;  // removeDateFromAddressBookRecord, else an edit in the contact screen
};

class RecordDatabaseLinkedBirthday : public ::testing::TestWithParam<LinkRow> {};

TEST_P(RecordDatabaseLinkedBirthday, DeletingTheOnlyBirthdayDropsTheLink)
{
    const LinkRow& row = GetParam();
    Data data;
    Anna a(data);
    const std::int32_t carl = data.addPerson(QStringLiteral("Carl"), QStringLiteral("Dahl"));
    // The friends' birthdays differ from the contacts', so a phantom would show.
    data.writeEntries({matchedFacebookEntry(data.calendar, QStringLiteral("FB1"), a.anna, 1990, 4, 1),
                       matchedFacebookEntry(data.calendar, QStringLiteral("FB2"), carl, 1991, 5, 2)});
    data.set(Key::ShowFacebook, true);
    RecordDatabase& db = data.load();
    a.loaded(data);
    ASSERT_EQ(a.birthday->facebookLinkID, QStringLiteral("FB1"));
    ASSERT_FALSE(a.birthday->isPhantomBirthday);
    const OccasionRecordPtr carlPhantom = data.find(carl, OccasionRecord::Birthday);
    ASSERT_TRUE(carlPhantom && carlPhantom->isPhantomBirthday) << "a linked contact without birthday shows the friend's";

    if (row.viaListDelete) {
        db.removeDateFromAddressBookRecord(a.birthday);
    } else {
        data.edit(a.anna, [](Person& p) { p.birthday = QDate(); });
        EXPECT_TRUE(db.hasRecordBeenUpdatedInAddressBook(a.birthday, nullptr, nullptr));
    }
    EXPECT_FALSE(data.book->person(a.anna)->birthday.isValid());
    EXPECT_EQ(data.find(a.anna, OccasionRecord::Birthday), nullptr) << "no phantom birthday";
    EXPECT_EQ(data.of(a.anna).size(), 2u);
    for (const OccasionRecordPtr& r : data.of(a.anna))
        EXPECT_TRUE(r->facebookLinkID.isEmpty()) << "the link is gone from every date of the contact";
    EXPECT_TRUE(data.find(a.anna, OccasionRecord::Anniversary, AnniversaryLabel)->alertsOff) << "other choices stay";
    EXPECT_TRUE(contains(db.records(), carlPhantom)) << "another contact's link stays";
    for (const OccasionRecordPtr& link : db.facebookLinkRecords()) {
        if (link->customID == QStringLiteral("FB1"))
            EXPECT_EQ(link->facebookToContactID, -1);
        else
            EXPECT_EQ(link->facebookToContactID, carl);
    }

    db.writeStores();
    data.reload();
    EXPECT_EQ(data.find(a.anna, OccasionRecord::Birthday), nullptr) << "still no phantom after a reload";
    const OccasionRecordPtr carlAgain = data.find(carl, OccasionRecord::Birthday);
    ASSERT_TRUE(carlAgain);
    EXPECT_TRUE(carlAgain->isPhantomBirthday);
    EXPECT_EQ(carlAgain->facebookLinkID, QStringLiteral("FB2"));
}

INSTANTIATE_TEST_SUITE_P(RecordDatabase, RecordDatabaseLinkedBirthday,
                         ::testing::Values(LinkRow{"InTheContactScreen", false}, LinkRow{"FromTheList", true}),
                         rowName<LinkRow>);

// The birthday moves to another day: the link stays (the contact still has a birthday).
TEST(RecordDatabaseChangeTracking, LinkedBirthdayMovedKeepsTheLink)
{
    Data data;
    Anna a(data);
    data.writeEntries({matchedFacebookEntry(data.calendar, QStringLiteral("FB1"), a.anna, 1990, 4, 1)});
    data.set(Key::ShowFacebook, true);
    RecordDatabase& db = data.load();
    a.loaded(data);
    data.edit(a.anna, [](Person& p) { p.birthday = QDate(1990, 3, 11); });
    EXPECT_TRUE(db.hasRecordBeenUpdatedInAddressBook(a.birthday, nullptr, nullptr));
    const OccasionRecordPtr birthday = data.find(a.anna, OccasionRecord::Birthday);
    ASSERT_TRUE(birthday);
    EXPECT_EQ(data.dayOf(birthday), QDate(1990, 3, 11));
    EXPECT_FALSE(birthday->isPhantomBirthday);
    for (const OccasionRecordPtr& r : data.of(a.anna))
        EXPECT_EQ(r->facebookLinkID, QStringLiteral("FB1"));
    EXPECT_EQ(db.facebookLinkRecords().front()->facebookToContactID, a.anna);
}

// ---- Rebuilding one contact --------------------------------------------------------------------

TEST(RecordDatabaseRebuild, UpdateCarriesChoicesOnlyToTheSameDate)
{
    Data data;
    Anna a(data);
    RecordDatabase& db = data.load();
    a.loaded(data);
    data.edit(a.anna, [](Person& p) {
        p.dates[0].value = QDate(2016, 3, 12);   // the anniversary moves
        p.firstName = QStringLiteral("Annika");  // and the name changes
    });
    db.updateAddressBookRecord(a.anna);
    const OccasionRecordPtr birthday = data.find(a.anna, OccasionRecord::Birthday);
    const OccasionRecordPtr wedding = data.find(a.anna, OccasionRecord::Anniversary, AnniversaryLabel);
    const OccasionRecordPtr nameDay = data.find(a.anna, OccasionRecord::OtherDate, NameDay);
    ASSERT_TRUE(birthday && wedding && nameDay);
    EXPECT_TRUE(birthday->ignoreForUpcoming);
    EXPECT_TRUE(nameDay->ignoreYear);
    EXPECT_FALSE(wedding->alertsOff) << "matched by date here: a moved date starts afresh";
    EXPECT_EQ(birthday->name, QStringLiteral("Annika Berg"));
    EXPECT_TRUE(isSorted(db.records()));
    EXPECT_TRUE(indexMatchesRecords(db));
    EXPECT_EQ(data.occasionsOf(a.anna), data.occasionsInBook(a.anna));
}

TEST(RecordDatabaseRebuild, NewContactIsListedIndexedAndKnownOnce)
{
    Data data;
    Anna a(data);
    RecordDatabase& db = data.load();
    const std::int32_t dora = data.addPerson(QStringLiteral("Dora"), QStringLiteral("Diaz"), QDate(1970, 3, 5),
                                             {{AnniversaryLabel, QDate(1999, 3, 7)}});
    EXPECT_FALSE(db.checkForRecordWithID(dora));
    db.addNewAddressBookRecord(dora);
    ASSERT_EQ(data.of(dora).size(), 2u);
    EXPECT_EQ(db.records().front()->name, QStringLiteral("Dora Diaz"));
    EXPECT_EQ(db.records().front()->daysUntilDate, 0);
    EXPECT_TRUE(isSorted(db.records()));
    EXPECT_TRUE(indexMatchesRecords(db));
    EXPECT_TRUE(db.checkForRecordWithID(dora));

    // Told again: still one set of records and one contact entry.
    db.addNewAddressBookRecord(dora);
    EXPECT_EQ(data.of(dora).size(), 2u);
    EXPECT_EQ(std::count_if(db.allContacts().begin(), db.allContacts().end(),
                            [&](const OccasionRecordPtr& c) { return c->recordID == dora; }),
              1);
    EXPECT_TRUE(indexMatchesRecords(db));
    EXPECT_EQ(db.recordDictionary().recordsFor(QStringLiteral("do")).size(), 2u);

    // A contact that is gone is not added.
    db.addNewAddressBookRecord(9999);
    EXPECT_TRUE(data.of(9999).empty());
}

// ---- Removing a date from a contact --------------------------------------------------------------

struct RemoveRow {
    std::string name;
    QString zone;
    QDate birthday;
    std::vector<Labeled<QDate>> dates;
    int removeType;
    QString removeLabel;  // the record's label ("date" for an unlabelled value)
    QDate removeDay;
    QDate keptBirthday;
    std::vector<Labeled<QDate>> keptDates;
};

class RecordDatabaseRemoveDate : public ::testing::TestWithParam<RemoveRow> {};

TEST_P(RecordDatabaseRemoveDate, RemovesOnlyTheValueOfThatDayAndLabel)
{
    const RemoveRow& row = GetParam();
    Data data(row.zone);
    const std::int32_t id = data.addPerson(QStringLiteral("Eva"), QStringLiteral("Eck"), row.birthday, row.dates);
    RecordDatabase& db = data.load();
    OccasionRecordPtr target;
    for (const OccasionRecordPtr& r : data.of(id)) {
        r->alertsOff = true;  // every date carries a choice; the kept ones must keep it
        if (r->type == row.removeType && r->otherDateLabel == row.removeLabel && data.dayOf(r) == row.removeDay && !target)
            target = r;
    }
    ASSERT_TRUE(target) << "no record to remove";
    const std::size_t before = data.of(id).size();

    db.removeDateFromAddressBookRecord(target);
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());
    const auto person = data.book->person(id);
    ASSERT_TRUE(person);
    EXPECT_EQ(person->birthday, row.keptBirthday);
    EXPECT_EQ(person->dates, row.keptDates);
    EXPECT_EQ(data.of(id).size(), before - 1);
    EXPECT_EQ(data.occasionsOf(id), data.occasionsInBook(id));
    EXPECT_FALSE(contains(db.records(), target));
    EXPECT_TRUE(indexMatchesRecords(db));
    EXPECT_TRUE(isSorted(db.records()));
    for (const OccasionRecordPtr& r : data.of(id))
        EXPECT_TRUE(r->alertsOff) << "choices of the remaining dates stay";
}

const QDate Jan1(2001, 1, 1);

INSTANTIATE_TEST_SUITE_P(
    RecordDatabase, RecordDatabaseRemoveDate,
    ::testing::Values(
        RemoveRow{"SameLabelSecondValue", Berlin, {}, {{NameDay, QDate(2000, 5, 1)}, {NameDay, QDate(2000, 9, 9)}},
                  OccasionRecord::OtherDate, NameDay, QDate(2000, 9, 9), {}, {{NameDay, QDate(2000, 5, 1)}}},
        RemoveRow{"SameLabelFirstValue", Berlin, {}, {{NameDay, QDate(2000, 5, 1)}, {NameDay, QDate(2000, 9, 9)}},
                  OccasionRecord::OtherDate, NameDay, QDate(2000, 5, 1), {}, {{NameDay, QDate(2000, 9, 9)}}},
        RemoveRow{"SameLabelInAuckland", Auckland, {}, {{NameDay, QDate(2000, 5, 1)}, {NameDay, QDate(2000, 9, 9)}},
                  OccasionRecord::OtherDate, NameDay, QDate(2000, 9, 9), {}, {{NameDay, QDate(2000, 5, 1)}}},
        RemoveRow{"SameDaySameLabelTwiceRemovesOne", Berlin, {}, {{NameDay, QDate(2000, 5, 1)}, {NameDay, QDate(2000, 5, 1)}},
                  OccasionRecord::OtherDate, NameDay, QDate(2000, 5, 1), {}, {{NameDay, QDate(2000, 5, 1)}}},
        RemoveRow{"SameDayOtherLabelStays", Berlin, {}, {{QStringLiteral("Party"), QDate(2000, 5, 1)}, {NameDay, QDate(2000, 5, 1)}},
                  OccasionRecord::OtherDate, NameDay, QDate(2000, 5, 1), {}, {{QStringLiteral("Party"), QDate(2000, 5, 1)}}},
        RemoveRow{"UnlabelledValuesKeepNoLabel", Berlin, {}, {{QString(), Jan1}, {QString(), QDate(2001, 2, 2)}},
                  OccasionRecord::OtherDate, QStringLiteral("date"), QDate(2001, 2, 2), {}, {{QString(), Jan1}}},
        RemoveRow{"TwoAnniversaries", Berlin, {}, {{AnniversaryLabel, QDate(2010, 6, 1)}, {AnniversaryLabel, QDate(2015, 8, 8)}},
                  OccasionRecord::Anniversary, AnniversaryLabel, QDate(2010, 6, 1), {}, {{AnniversaryLabel, QDate(2015, 8, 8)}}},
        RemoveRow{"ValueWithoutYear", Berlin, {}, {{NameDay, QDate(1604, 12, 24)}, {NameDay, QDate(2000, 12, 24)}},
                  OccasionRecord::OtherDate, NameDay, QDate(1604, 12, 24), {}, {{NameDay, QDate(2000, 12, 24)}}},
        RemoveRow{"Birthday", Berlin, QDate(1990, 3, 10), {{NameDay, QDate(2000, 5, 1)}}, OccasionRecord::Birthday,
                  QString::fromLatin1(""), QDate(1990, 3, 10), {}, {{NameDay, QDate(2000, 5, 1)}}},
        RemoveRow{"BirthdayInAuckland", Auckland, QDate(1990, 3, 10), {{NameDay, QDate(2000, 5, 1)}}, OccasionRecord::Birthday,
                  QString::fromLatin1(""), QDate(1990, 3, 10), {}, {{NameDay, QDate(2000, 5, 1)}}}),
    rowName<RemoveRow>);

// ---- Adding dates to a contact -------------------------------------------------------------------

TEST(RecordDatabaseAddDates, WritesTheDatesWithTheirLabelsAndCarriesTheIgnoreYearChoice)
{
    Data data;
    const std::int32_t id = data.addPerson(QStringLiteral("Finn"), QStringLiteral("Falk"), {},
                                           {{QStringLiteral("Graduation"), QDate(2005, 6, 15)}});
    RecordDatabase& db = data.load();
    const std::vector<RecordDatabase::NewContactDate> dates{
        {OccasionRecord::Birthday, QDate(1604, 2, 29), QString(), true},
        {OccasionRecord::Anniversary, QDate(2012, 8, 8), QString(), false},
        {OccasionRecord::OtherDate, QDate(2010, 6, 15), QStringLiteral("Graduation"), true},
        {OccasionRecord::OtherDate, QDate(2011, 1, 1), QString(), true},
    };
    EXPECT_TRUE(db.addDatesToAddressBookRecord(id, dates));
    EXPECT_TRUE(db.takeLoadWarnings().isEmpty());

    const auto person = data.book->person(id);
    ASSERT_TRUE(person);
    EXPECT_EQ(person->birthday, QDate(1604, 2, 29));
    const std::vector<Labeled<QDate>> expectedDates{{QStringLiteral("Graduation"), QDate(2005, 6, 15)},
                                                    {AnniversaryLabel, QDate(2012, 8, 8)},
                                                    {QStringLiteral("Graduation"), QDate(2010, 6, 15)},
                                                    {OtherLabel, QDate(2011, 1, 1)}};
    EXPECT_EQ(person->dates, expectedDates);

    struct Expect {
        int type;
        QString label;
        QDate day;
        bool ignoreYear;
    };
    const std::vector<Expect> expected{{OccasionRecord::Birthday, QString::fromLatin1(""), QDate(1604, 2, 29), true},
                                       {OccasionRecord::Anniversary, AnniversaryLabel, QDate(2012, 8, 8), false},
                                       {OccasionRecord::OtherDate, QStringLiteral("Graduation"), QDate(2010, 6, 15), true},
                                       {OccasionRecord::OtherDate, QStringLiteral("Graduation"), QDate(2005, 6, 15), false},
                                       {OccasionRecord::OtherDate, OtherLabel, QDate(2011, 1, 1), true}};
    ASSERT_EQ(data.of(id).size(), expected.size());
    for (const Expect& e : expected) {
        SCOPED_TRACE(str(e.label) + " " + str(e.day.toString(Qt::ISODate)));
        const Records all = data.of(id);
        const auto r = std::find_if(all.begin(), all.end(), [&](const OccasionRecordPtr& x) {
            return x->type == e.type && x->otherDateLabel == e.label && data.dayOf(x) == e.day;
        });
        ASSERT_NE(r, all.end());
        EXPECT_EQ((*r)->ignoreYear, e.ignoreYear);
    }
    EXPECT_TRUE(isSorted(db.records()));
    EXPECT_TRUE(indexMatchesRecords(db));

    // The choices are kept with the stores and come back with the dates.
    db.writeStores();
    data.reload();
    const OccasionRecordPtr graduation = [&] {
        for (const OccasionRecordPtr& r : data.of(id)) {
            if (r->otherDateLabel == QStringLiteral("Graduation") && data.dayOf(r) == QDate(2010, 6, 15))
                return r;
        }
        return OccasionRecordPtr();
    }();
    ASSERT_TRUE(graduation);
    EXPECT_TRUE(graduation->ignoreYear);
    EXPECT_TRUE(data.find(id, OccasionRecord::Birthday)->ignoreYear);
}

TEST(RecordDatabaseAddDates, ContactThatIsGoneGetsNothing)
{
    Data data;
    const std::int32_t id = data.addPerson(QStringLiteral("Finn"), QStringLiteral("Falk"), QDate(1980, 1, 1));
    RecordDatabase& db = data.load();
    ASSERT_TRUE(data.book->removePerson(id));
    ASSERT_TRUE(data.book->save());
    EXPECT_FALSE(db.addDatesToAddressBookRecord(id, {{OccasionRecord::Anniversary, QDate(2012, 8, 8), QString(), false}}));
    EXPECT_FALSE(data.book->person(id));
}

} // namespace
