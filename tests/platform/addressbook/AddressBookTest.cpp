// The contacts database on real SQLite files: round trips of every field, record ids,
// groups, pictures, transactions across handles and threads, and files it must refuse.
#include "platform/addressbook/AddressBook.h"
#include "demo/SyntheticContacts.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <sqlite3.h>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>

// People are written with designated initializers that name only the fields that matter.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace fetemark {
namespace {

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Ids = std::vector<std::int32_t>;

const QString Anniversary = u"_$!<Anniversary>!$_"_s, Other = u"_$!<Other>!$_"_s,
              Mobile = u"_$!<Mobile>!$_"_s, Home = u"_$!<Home>!$_"_s, Work = u"_$!<Work>!$_"_s,
              HomePage = u"_$!<HomePage>!$_"_s;
const QString NoLabel;                                     // null: the value has no label
const QString EmptyLabel = QString(QLatin1StringView("")); // empty but not null

std::string quoted(const QString& s)
{
    return s.isNull() ? std::string("<null>") : "\"" + s.toStdString() + "\"";
}

// Every field on its own line, null strings told apart from empty ones, so that a
// failing comparison shows exactly which value came back different.
std::string describe(const Person& p)
{
    auto day = [](const QDate& d) {
        return d.isValid() ? d.toString(Qt::ISODate).toStdString() : std::string("<invalid>");
    };
    std::string out = "id " + std::to_string(p.recordID) + (p.hasImage ? " (picture)" : "") +
        ", birthday " + day(p.birthday) + "\n";
    const std::pair<const char*, const QString*> texts[] = {{"uid", &p.uid}, {"prefix", &p.prefix},
        {"first", &p.firstName}, {"middle", &p.middleName}, {"last", &p.lastName},
        {"suffix", &p.suffix}, {"nickname", &p.nickname}, {"org", &p.organization},
        {"note", &p.note}};
    for (const auto& [name, value] : texts)
        out += std::string(name) + ": " + quoted(*value) + "\n";
    for (const auto& v : p.dates)
        out += "date " + quoted(v.label) + " " + day(v.value) + "\n";
    for (const auto& [kind, list] : {std::pair {"phone", &p.phones}, std::pair {"email", &p.emails},
             std::pair {"url", &p.urls}}) {
        for (const auto& v : *list)
            out += std::string(kind) + " " + quoted(v.label) + " " + quoted(v.value) + "\n";
    }
    for (const auto& [label, a] : p.addresses)
        out += "address " + quoted(label) + " " + quoted(a.street) + " " + quoted(a.city) + " " +
            quoted(a.state) + " " + quoted(a.zip) + " " + quoted(a.country) + "\n";
    return out;
}

// Picture bytes that differ with the size and do not compress to nothing.
QByteArray patterned(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((quint32(i) * 2654435761u) >> 24);
    return bytes;
}

Person named(const QString& first, const QString& last)
{
    return {.firstName = first, .lastName = last};
}

Person everything()
{
    return {.uid = u"7F3A-11EE@example.com"_s,
        .prefix = u"Dr."_s,
        .firstName = u"Zoë"_s,
        .middleName = u"Maria"_s,
        .lastName = u"Müller-Lüdenscheidt"_s,
        .suffix = u"PhD"_s,
        .nickname = u"Zo"_s,
        .organization = u"Bäckerei Schmidt GmbH"_s,
        .note = u"Line one\nLine two"_s,
        .birthday = QDate(1604, 2, 29),
        .dates = {{Anniversary, QDate(2010, 6, 12)}, {u"Name day"_s, QDate(1604, 7, 26)}},
        .phones = {{Mobile, u"+49 170 1234567"_s}, {Work, u"+49 30 987654"_s}},
        .emails = {{Home, u"zoe@example.org"_s}},
        .urls = {{HomePage, u"https://example.org/~zoe"_s}},
        .addresses = {
            {Home, {u"Hauptstraße 5"_s, u"München"_s, u"Bayern"_s, u"80331"_s, u"Deutschland"_s}}}};
}

std::unique_ptr<AddressBook> openBook(const QString& path)
{
    QString error;
    if (auto book = AddressBook::create(path, &error))
        return book;
    throw std::runtime_error(
        "cannot open the book: " + error.toStdString()); // gtest reports it as a failure
}

// The whole visible content of a book, pictures as hashes.
std::string snapshot(const AddressBook& book)
{
    std::string out;
    for (const Person& p : book.allPeople()) {
        out += describe(p);
        if (p.hasImage)
            out += "picture " +
                QCryptographicHash::hash(book.imageData(p.recordID), QCryptographicHash::Sha1)
                    .toHex()
                    .toStdString() +
                "\n";
    }
    for (const Group& g : book.allGroups()) {
        out += "group " + std::to_string(g.recordID) + " " + quoted(g.name) + ":";
        for (std::int32_t member : book.groupMembers(g.recordID))
            out.append(" ").append(std::to_string(member));
        out += "\n";
    }
    return out;
}

// What a fresh handle on another thread sees of the file.
std::string snapshotFromOtherThread(const QString& path)
{
    return std::async(std::launch::async, [&] { return snapshot(*openBook(path)); }).get();
}

// Direct SQL on the file, for states the API never produces: damaged values, used-up
// ids, strangers' databases. Gives the first column of the first row.
std::string sql(const QString& path, const std::string& statements)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_busy_timeout(db, 5000);
    std::string first;
    char* message = nullptr;
    const auto keepFirst = [](void* out, int, char** values, char**) {
        if (static_cast<std::string*>(out)->empty())
            *static_cast<std::string*>(out) = values[0] ? values[0] : "<null>";
        return 0;
    };
    if (sqlite3_exec(db, statements.c_str(), keepFirst, &first, &message) != SQLITE_OK)
        ADD_FAILURE() << statements << ": " << (message ? message : "?");
    sqlite3_free(message);
    sqlite3_close_v2(db);
    return first;
}

class AddressBookFile : public testing::Test {
protected:
    test::TempDir dir;
    QString path = dir.file(u"AddressBook.sqlite"_s);
};

template<typename Row>
class BookTest : public AddressBookFile, public testing::WithParamInterface<Row> {
};

// ---- Every field round-trips --------------------------------------------------------------

struct PersonRow {
    std::string name;
    Person person;
    std::optional<Person> kept; // when the book keeps less than was given
};

class AddressBookPerson : public BookTest<PersonRow> { };

// Added as a new person and written over an existing one (whose picture and groups stay,
// and whose values, in another order and with other labels, must not be kept by matching),
// after a neighbour that catches values attached to the wrong person.
TEST_P(AddressBookPerson, AddedAndReplacedAlikeOnEveryHandle)
{
    const PersonRow& row = GetParam();
    auto book = openBook(path);
    Person neighbour {.lastName = u"Neighbour"_s,
        .dates = {{Other, QDate(2001, 1, 1)}},
        .phones = {{Home, u"+1 555 0100"_s}}};
    neighbour.recordID = book->addPerson(neighbour);
    Person added = row.kept.value_or(row.person), replaced = added, update = row.person,
           old = everything();
    added.recordID = book->addPerson(row.person);
    std::reverse(old.phones.begin(), old.phones.end());
    std::reverse(old.dates.begin(), old.dates.end());
    old.uid = u"old-uid"_s;
    old.phones[0].label = old.dates[0].label = EmptyLabel;
    old.addresses[0].label = u"Büro"_s;
    update.recordID = replaced.recordID = book->addPerson(old);
    update.uid = replaced.uid = update.uid.isEmpty() ? QString() : u"new-uid"_s;
    added.hasImage = false;
    replaced.hasImage = true;
    const std::int32_t group = book->addGroup(u"Family"_s);
    ASSERT_TRUE(book->addGroupMember(group, replaced.recordID) &&
        book->setImageData(replaced.recordID, "picture") && book->save());
    ASSERT_TRUE(book->updatePerson(update)) << book->lastError().toStdString();
    EXPECT_TRUE(book->hasUnsavedChanges());

    const std::string people = describe(neighbour) + describe(added) + describe(replaced);
    auto byId = [&](const AddressBook& b) {
        std::string out;
        for (std::int32_t id : {neighbour.recordID, added.recordID, replaced.recordID})
            out += describe(b.person(id).value_or(Person {}));
        return out;
    };
    EXPECT_EQ(byId(*book), people) << "same handle, before saving";
    ASSERT_TRUE(book->save());
    auto reopened = openBook(path);
    EXPECT_EQ(byId(*reopened), people) << "reopened";
    EXPECT_EQ(snapshot(*reopened),
        people + "picture " +
            QCryptographicHash::hash("picture", QCryptographicHash::Sha1).toHex().toStdString() +
            "\ngroup " + std::to_string(group) +
            " \"Family\": " + std::to_string(replaced.recordID) + "\n");
    EXPECT_FALSE(reopened->personWithUid(u"old-uid"_s));
    for (const Person* p : {&added, &replaced})
        EXPECT_TRUE(p->uid.isEmpty() ||
            reopened->personWithUid(p->uid).value_or(Person {}).recordID == p->recordID)
            << p->uid.toStdString();
}

INSTANTIATE_TEST_SUITE_P(AddressBookFields, AddressBookPerson,
    testing::Values(PersonRow {"UnicodeEverywhere",
                        {.firstName = u"😀🎂"_s,
                            .middleName = u"Алексей"_s,
                            .lastName = u"王小明"_s,
                            .nickname = u"👨‍👩‍👧 family"_s,
                            .organization = u"مؤسسة الأمل"_s,
                            .note = u"e\u0301 and 𠀋 outside the BMP"_s,
                            .dates = {{u"誕生日 🎉"_s, QDate(1990, 1, 2)}},
                            .phones = {{u"☎ Festnetz"_s, u"+81 3-1234-5678"_s}}}},
        PersonRow {"NoteWithQuotesControlsAndNul",
            {.lastName = u"O'Brien"_s,
                .note = u"He said \"hi\"; DROP TABLE people; --\n\ttab\r\nend\0after NUL"_s}},
        PersonRow {"BirthdayWithoutYearOnLeapDay",
            {.firstName = u"Leap"_s, .birthday = QDate(Person::NoYear, 2, 29)}},
        PersonRow {"FirstAndLastIsoYears",
            {.firstName = u"Edge"_s,
                .birthday = QDate(1, 1, 1),
                .dates = {{Other, QDate(9999, 12, 31)}, {Other, QDate(Person::NoYear, 1, 1)}}}},
        PersonRow {"DatesKeepOrderAndLabels",
            {.dates = {{u"Hochzeitstag"_s, QDate(1980, 5, 1)}, {Anniversary, QDate(2010, 5, 1)},
                 {NoLabel, QDate(1999, 1, 1)}, {EmptyLabel, QDate(2001, 2, 3)},
                 {Other, QDate(Person::NoYear, 2, 29)},
                 {u"Name day"_s, QDate(Person::NoYear, 12, 6)}, {Anniversary, QDate(1970, 1, 1)}}}},
        PersonRow {"PhonesKeepOrderLabelsAndDuplicates",
            {.phones = {{Work, u"3"_s}, {Mobile, u"1"_s}, {NoLabel, u"2"_s}, {EmptyLabel, u"2"_s},
                 {u"Ferienhaus 🏖"_s, u"+49 (0) 4651 / 12-34"_s}, {Mobile, EmptyLabel}}}},
        PersonRow {"EmailsAndUrls",
            {.emails = {{Work, u"b@example.com"_s}, {Home, u"a@example.com"_s},
                 {NoLabel, u"ü@exämple.de"_s}},
                .urls = {{HomePage, u"https://example.com/?a=1&b='2'"_s},
                    {EmptyLabel, u"ftp://example.org"_s}}}},
        PersonRow {"AddressesWholePartialAndEmpty",
            {.addresses =
                    {{Work, {u"1 Infinite Loop"_s, u"Cupertino"_s, u"CA"_s, u"95014"_s, u"USA"_s}},
                        {Home, {QString(), u"Kraków"_s, QString(), u"31-019"_s, QString()}},
                        {NoLabel, {EmptyLabel, EmptyLabel, QString(), QString(), u"日本"_s}},
                        {u"Ferienhaus"_s, PostalAddress {}}}}},
        PersonRow {"EmptyPerson", {}},
        PersonRow {"EmptyTextStaysEmptyNotNull",
            {.firstName = EmptyLabel, .lastName = u"Only"_s, .note = EmptyLabel}},
        PersonRow {"Everything", everything()},
        // QDate(12000, 1, 1) is valid but the ISO form cannot hold it.
        PersonRow {"DatesTheFileCannotHoldAreLeftOut",
            {.firstName = u"Bad"_s,
                .birthday = QDate(12000, 1, 1),
                .dates = {{Other, QDate()}, {Anniversary, QDate(-44, 3, 15)},
                    {u"kept"_s, QDate(2000, 1, 1)}, {Other, QDate(10000, 1, 1)}}},
            Person {.firstName = u"Bad"_s, .dates = {{u"kept"_s, QDate(2000, 1, 1)}}}},
        PersonRow {"GivenRecordIdAndPictureFlagIgnored",
            {.recordID = 4242, .firstName = u"Given"_s, .hasImage = true},
            Person {.firstName = u"Given"_s}}),
    test::RowName());

// ---- Dates as they may be found in the file -----------------------------------------------

struct StoredDateRow {
    std::string name;
    std::string sqlValue; // an SQL literal put into the file directly
    QDate expected;       // invalid: the value is skipped
};

class AddressBookStoredDate : public BookTest<StoredDateRow> { };

TEST_P(AddressBookStoredDate, ReadStrictlyAsIsoDay)
{
    const StoredDateRow& row = GetParam();
    Person expected {.birthday = QDate(2000, 1, 1),
        .dates = {{Other, QDate(2000, 1, 2)}, {Anniversary, QDate(2000, 1, 3)}}};
    {
        auto book = openBook(path);
        expected.recordID = book->addPerson(expected);
        ASSERT_TRUE(book->save());
    }
    sql(path,
        "UPDATE people SET birthday = " + row.sqlValue + "; UPDATE person_values SET value = " +
            row.sqlValue + " WHERE label = '_$!<Other>!$_'");
    expected.birthday = row.expected;
    expected.dates.erase(expected.dates.begin());
    if (row.expected.isValid())
        expected.dates.insert(expected.dates.begin(), {Other, row.expected});
    auto book = openBook(path);
    EXPECT_EQ(describe(book->person(expected.recordID).value_or(Person {})), describe(expected));
    EXPECT_EQ(describe(book->allPeople().at(0)), describe(expected));
}

INSTANTIATE_TEST_SUITE_P(AddressBookText, AddressBookStoredDate,
    testing::Values(StoredDateRow {"IsoDay", "'1987-06-15'", QDate(1987, 6, 15)},
        StoredDateRow {"LeapDayWithoutYear", "'1604-02-29'", QDate(1604, 2, 29)},
        StoredDateRow {"LeapDayOfCommonYear", "'2023-02-29'", QDate()},
        StoredDateRow {"YearZero", "'0000-01-01'", QDate()},
        StoredDateRow {"SingleDigitParts", "'2024-1-5'", QDate()},
        StoredDateRow {"TrailingText", "'2024-01-05x'", QDate()},
        StoredDateRow {"WithTime", "'2024-01-05T10:00:00'", QDate()},
        StoredDateRow {"Number", "20240105", QDate()}, StoredDateRow {"Null", "NULL", QDate()}),
    test::RowName());

// ---- Record ids ---------------------------------------------------------------------------

struct IdRow {
    std::string name;
    int added;
    std::vector<int> removed; // indexes into the added people
    bool reopenBeforeAdding;
};

class AddressBookRecordIds : public BookTest<IdRow> { };

TEST_P(AddressBookRecordIds, RemovedPeopleAreGoneAndTheirIdsNeverReused)
{
    const IdRow& row = GetParam();
    auto book = openBook(path);
    const std::int32_t group = book->addGroup(u"Friends"_s);
    std::vector<Person> people;
    for (int i = 0; i < row.added; ++i) {
        people.push_back({.uid = u"uid-%1"_s.arg(i),
            .lastName = QString::number(i),
            .phones = {{Mobile, QString::number(i)}},
            .hasImage = true});
        people.back().recordID = book->addPerson(people.back());
        ASSERT_TRUE(book->setImageData(people.back().recordID, "face") &&
            book->addGroupMember(group, people.back().recordID));
    }
    ASSERT_TRUE(book->save());
    for (int index : row.removed)
        ASSERT_TRUE(book->removePerson(people[index].recordID));
    ASSERT_TRUE(book->save());
    if (row.reopenBeforeAdding)
        book = openBook(path);
    const std::int32_t added = book->addPerson({});
    ASSERT_TRUE(book->save());
    EXPECT_GT(added, people.back().recordID);

    Ids members;
    for (int i = 0; i < row.added; ++i) {
        SCOPED_TRACE(i);
        const Person& p = people[i];
        const bool gone = std::count(row.removed.begin(), row.removed.end(), i) > 0;
        EXPECT_EQ(
            describe(book->person(p.recordID).value_or(Person {})), describe(gone ? Person {} : p));
        EXPECT_EQ(book->personWithUid(p.uid).has_value(), !gone);
        EXPECT_EQ(book->groupsOf(p.recordID), gone ? Ids {} : Ids {group});
        for (const char* table : {"person_values", "group_members", "images"})
            EXPECT_EQ(sql(path,
                          std::string("SELECT count(*) FROM ") + table +
                              " WHERE person_id = " + std::to_string(p.recordID)),
                gone ? "0" : "1")
                << table;
        EXPECT_TRUE(!gone || (!book->updatePerson(p) && !book->removePerson(p.recordID)))
            << "a removed person cannot be changed";
        if (!gone)
            members.push_back(p.recordID);
    }
    EXPECT_EQ(book->groupMembers(group), members);
    EXPECT_EQ(book->personCount(), row.added - int(row.removed.size()) + 1);
    EXPECT_FALSE(book->hasUnsavedChanges());
}

INSTANTIATE_TEST_SUITE_P(AddressBookRemovals, AddressBookRecordIds,
    testing::Values(IdRow {"HighestRemoved", 3, {2}, false},
        IdRow {"AllRemovedThenReopened", 4, {0, 1, 2, 3}, true}),
    test::RowName());

struct IdLimitRow {
    std::string name;
    const char* table;
    std::function<std::int32_t(AddressBook&, int)> add;
};

class AddressBookIdLimit : public BookTest<IdLimitRow> { };

TEST_P(AddressBookIdLimit, RefusesIdsPastInt32)
{
    const IdLimitRow& row = GetParam();
    {
        auto book = openBook(path);
        ASSERT_TRUE(row.add(*book, 0) == 1 && book->save());
    }
    sql(path,
        std::string("UPDATE sqlite_sequence SET seq = 2147483645 WHERE name = '") + row.table +
            "'");
    auto book = openBook(path);
    EXPECT_EQ(row.add(*book, 1), 2147483646);
    EXPECT_EQ(row.add(*book, 2), 2147483647);
    EXPECT_EQ(row.add(*book, 3), -1);
    EXPECT_FALSE(book->lastError().isEmpty());
    EXPECT_TRUE(book->hasUnsavedChanges()) << "the refusal keeps the earlier changes";
    ASSERT_TRUE(book->save());
    auto reopened = openBook(path);
    EXPECT_NE(snapshot(*reopened).find(" 2147483647"), std::string::npos) << snapshot(*reopened);
    EXPECT_EQ(reopened->personCount() + int(reopened->allGroups().size()), 3);
    EXPECT_EQ(row.add(*reopened, 4), -1);
    EXPECT_FALSE(reopened->hasUnsavedChanges());
}

INSTANTIATE_TEST_SUITE_P(AddressBookTables, AddressBookIdLimit,
    testing::Values(IdLimitRow {"People", "people",
                        [](AddressBook& b, int i) {
                            return b.addPerson(named(u"Late"_s, QString::number(i)));
                        }},
        IdLimitRow {"Groups", "contact_groups",
            [](AddressBook& b, int i) { return b.addGroup(u"G%1"_s.arg(i)); }}),
    test::RowName());

// ---- Groups and pictures ------------------------------------------------------------------

TEST_F(AddressBookFile, GroupMembersInTheOrderAdded)
{
    auto book = openBook(path);
    Ids p;
    for (int i = 0; i < 5; ++i)
        p.push_back(book->addPerson(named(u"Member"_s, QString::number(i))));
    const std::int32_t family = book->addGroup(u"Family"_s),
                       club = book->addGroup(u"Schachclub ♟"_s), twin = book->addGroup(u"Family"_s);
    const struct {
        const char* what;
        std::function<bool()> action;
        Ids family;
        Ids ofP1; // groupsOf(p[1]), in group id order
    } steps[] = {
        {"add 3, 1, 4",
            [&] {
                return book->addGroupMember(family, p[3]) && book->addGroupMember(family, p[1]) &&
                    book->addGroupMember(family, p[4]);
            },
            {p[3], p[1], p[4]}, {family}},
        {"add 1 to the club", [&] { return book->addGroupMember(club, p[1]); }, {p[3], p[1], p[4]},
            {family, club}},
        {"add 1 again keeps its place", [&] { return book->addGroupMember(family, p[1]); },
            {p[3], p[1], p[4]}, {family, club}},
        {"remove 3", [&] { return book->removeGroupMember(family, p[3]); }, {p[1], p[4]},
            {family, club}},
        {"add 3 again goes last", [&] { return book->addGroupMember(family, p[3]); },
            {p[1], p[4], p[3]}, {family, club}},
        {"remove a non-member", [&] { return book->removeGroupMember(family, p[0]); },
            {p[1], p[4], p[3]}, {family, club}},
        {"remove person 4", [&] { return book->removePerson(p[4]); }, {p[1], p[3]}, {family, club}},
        {"remove 1 from the club", [&] { return book->removeGroupMember(club, p[1]); },
            {p[1], p[3]}, {family}},
        {"save and reopen", [&] { return book->save() && (book = AddressBook::create(path)); },
            {p[1], p[3]}, {family}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(step.action()) << book->lastError().toStdString();
        EXPECT_EQ(book->groupMembers(family), step.family);
        EXPECT_EQ(book->groupsOf(p[1]), step.ofP1);
        EXPECT_EQ(book->groupMembers(twin), Ids {});
        EXPECT_EQ(book->groupsOf(p[4]),
            std::count(step.family.begin(), step.family.end(), p[4]) ? Ids {family} : Ids {});
    }
    EXPECT_EQ(book->allGroups(),
        (std::vector<Group> {
            {family, u"Family"_s}, {club, u"Schachclub ♟"_s}, {twin, u"Family"_s}}));
    EXPECT_EQ(book->groupNamed(u"Family"_s), (Group {family, u"Family"_s}))
        << "the first of the same name";
    EXPECT_EQ(book->group(club), (Group {club, u"Schachclub ♟"_s}));
    EXPECT_FALSE(book->groupNamed(u"family"_s) || book->group(twin + 1));
}

struct PictureRow {
    std::string name;
    QByteArray first;
    QByteArray second;
};

class AddressBookPicture : public BookTest<PictureRow> { };

TEST_P(AddressBookPicture, SetReplaceRemove)
{
    const PictureRow& row = GetParam();
    auto book = openBook(path);
    const std::int32_t without = book->addPerson({}), id = book->addPerson({});
    const struct {
        const char* what;
        std::function<bool()> action;
        QByteArray expected;
    } steps[] = {
        {"nothing yet", [] { return true; }, {}},
        {"set", [&] { return book->setImageData(id, row.first); }, row.first},
        {"saved and reopened", [&] { return book->save() && (book = AddressBook::create(path)); },
            row.first},
        {"replaced", [&] { return book->setImageData(id, row.second); }, row.second},
        {"reverted",
            [&] {
                book->revert();
                return true;
            },
            row.first},
        {"removed", [&] { return book->removeImageData(id); }, {}},
        {"set again", [&] { return book->setImageData(id, row.second); }, row.second},
        {"set to nothing", [&] { return book->setImageData(id, QByteArray()); }, {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(step.action()) << book->lastError().toStdString();
        EXPECT_EQ(book->imageData(id), step.expected);
        EXPECT_EQ(book->hasImageData(id), !step.expected.isEmpty());
        EXPECT_EQ(book->person(id)->hasImage, !step.expected.isEmpty());
        const std::vector<Person> all = book->allPeople();
        EXPECT_TRUE(
            all.size() == 2 && all[1].hasImage == !step.expected.isEmpty() && !all[0].hasImage);
        EXPECT_TRUE(!book->hasImageData(without) && book->imageData(without).isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(AddressBookSizes, AddressBookPicture,
    testing::Values(PictureRow {"BinaryWithZeros", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
                        QByteArray("\xff\xd8\xff\xe0\0\x10JFIF\0", 11)},
        PictureRow {"ThreeMegabytes", patterned(3 << 20), patterned((3 << 20) + 1)}),
    test::RowName());

// allPeople reports pictures without reading them: small ones sit whole in the pages of
// their table, large ones would be pulled through SQLite's page cache.
TEST_F(AddressBookFile, AllPeopleReportsPicturesWithoutReadingThem)
{
    const int people = 4000, pictureBytes = 3000;
    {
        auto book = openBook(path);
        for (int i = 0; i < people; ++i)
            ASSERT_TRUE(book->addPerson({}) >= 0 &&
                (i % 2 || book->setImageData(i + 1, patterned(pictureBytes + i))));
        ASSERT_TRUE(book->save());
    }
    auto book = openBook(path);
    sqlite3_int64 current = 0, highest = 0, after = 0, peak = 0;
    sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &current, &highest, 1);
    if (current == 0)
        GTEST_SKIP() << "this SQLite keeps no memory statistics";
    const std::vector<Person> all = book->allPeople();
    sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &after, &peak, 0);
    ASSERT_EQ(all.size(), std::size_t(people));
    for (int i = 0; i < people; ++i)
        EXPECT_EQ(all[i].hasImage, i % 2 == 0) << i;
    EXPECT_LT(peak - current, sqlite3_int64(pictureBytes) * people / 8)
        << "allPeople read picture bytes";
    EXPECT_EQ(book->imageData(all[2].recordID), patterned(pictureBytes + 2));
}

// ---- Transactions -------------------------------------------------------------------------

struct Saved {
    std::int32_t alice = -1, bob = -1, family = -1, removed = -1;
};

struct ChangeRow {
    std::string name;
    std::function<bool(AddressBook&, const Saved&)> change;
    bool refused = false;
    bool earlierChange = false; // the handle already holds an unsaved change
    const char* mentioned = ""; // part of the error text when refused
};

class AddressBookChange : public BookTest<ChangeRow> { };

// An accepted change is kept on its handle until save(), dropped by revert() or by closing
// the handle, and seen by other handles (also renewed ones and on other threads) once
// saved. A refused change, even one refused after part of it was written (by a trigger put
// into the file), leaves nothing of itself and keeps earlier changes; without those the
// handle holds no lock that would make another writer wait, nor an old view of the file.
TEST_P(AddressBookChange, KeptUntilSavedOrLeavesNothingWhenRefused)
{
    const ChangeRow& row = GetParam();
    Saved ids;
    {
        auto book = openBook(path);
        ids = {book->addPerson(everything()), book->addPerson(named(u"Bob"_s, u"Builder"_s)),
            book->addGroup(u"Family"_s), book->addPerson({})};
        ASSERT_TRUE(book->addGroupMember(ids.family, ids.alice) &&
            book->setImageData(ids.alice, "alice") && book->removePerson(ids.removed) &&
            book->save());
    }
    sql(path,
        "CREATE TRIGGER refuse_boom BEFORE INSERT ON person_values WHEN NEW.value = 'boom' BEGIN "
        "SELECT RAISE(ABORT, 'boom refused'); END;");
    auto book = openBook(path);
    auto other = openBook(path);
    ASSERT_TRUE(!row.earlierChange || book->addPerson(named(u"Earlier"_s, u"Change"_s)) >= 0);
    const std::string before = snapshot(*book);
    if (row.refused) {
        EXPECT_FALSE(row.change(*book, ids));
        EXPECT_TRUE(!book->lastError().isEmpty() &&
            book->lastError().contains(QLatin1StringView(row.mentioned)))
            << book->lastError().toStdString();
        EXPECT_EQ(snapshot(*book), before);
        EXPECT_EQ(book->hasUnsavedChanges(), row.earlierChange);
        const auto start = std::chrono::steady_clock::now();
        if (row.earlierChange) {
            EXPECT_TRUE(book->save());
            EXPECT_EQ(snapshot(*openBook(path)), before);
        }
        EXPECT_TRUE(other->addPerson(named(u"Other"_s, u"Writer"_s)) >= 0 && other->save())
            << other->lastError().toStdString();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        EXPECT_EQ(book->personCount(), row.earlierChange ? 4 : 3);
        return;
    }
    ASSERT_TRUE(row.change(*book, ids)) << book->lastError().toStdString();
    EXPECT_TRUE(book->hasUnsavedChanges());
    const std::string changed = snapshot(*book);
    EXPECT_NE(changed, before) << "the handle sees its own change";
    EXPECT_EQ(snapshot(*other), before) << "another handle does not";
    EXPECT_EQ(snapshotFromOtherThread(path), before) << "nor one on another thread";
    book->revert();
    EXPECT_FALSE(book->hasUnsavedChanges());
    EXPECT_EQ(snapshot(*book), before) << "revert drops the change";
    ASSERT_TRUE(row.change(*book, ids));
    book.reset();
    book = openBook(path);
    EXPECT_EQ(snapshot(*book), before) << "closing the handle drops the change";

    ASSERT_TRUE(row.change(*book, ids)) << book->lastError().toStdString();
    QString error;
    ASSERT_TRUE(book->save(&error)) << error.toStdString();
    EXPECT_FALSE(book->hasUnsavedChanges());
    EXPECT_EQ(snapshot(*book), changed);
    EXPECT_EQ(snapshot(*other), changed) << "another handle sees the saved change";
    EXPECT_EQ(snapshot(*openBook(path)), changed) << "and so does a renewed one";
    EXPECT_EQ(snapshotFromOtherThread(path), changed) << "and one on another thread";
}

// Refused by the trigger after the person's other values were written.
Person withBoom(Person p, std::int32_t id)
{
    p.recordID = id;
    p.phones.push_back({Mobile, u"boom"_s});
    return p;
}
const auto addBoom = [](AddressBook& b, const Saved&) {
    return b.addPerson(withBoom(everything(), -1)) >= 0;
};
const auto updateBoom = [](AddressBook& b, const Saved& s) {
    return b.updatePerson(withBoom(named(u"Half"_s, u"Way"_s), s.bob));
};

INSTANTIATE_TEST_SUITE_P(AddressBookChanges, AddressBookChange,
    testing::Values(ChangeRow {"AddPerson",
                        [](AddressBook& b, const Saved&) {
                            return b.addPerson(named(u"Carol"_s, u"New"_s)) >= 0;
                        }},
        ChangeRow {"UpdatePerson",
            [](AddressBook& b, const Saved& s) {
                return b.updatePerson({.recordID = s.bob, .birthday = QDate(1604, 2, 29)});
            }},
        ChangeRow {
            "RemovePerson", [](AddressBook& b, const Saved& s) { return b.removePerson(s.alice); }},
        ChangeRow {
            "AddGroup", [](AddressBook& b, const Saved&) { return b.addGroup(u"Club"_s) >= 0; }},
        ChangeRow {"AddGroupMember",
            [](AddressBook& b, const Saved& s) { return b.addGroupMember(s.family, s.bob); }},
        ChangeRow {"RemoveGroupMember",
            [](AddressBook& b, const Saved& s) { return b.removeGroupMember(s.family, s.alice); }},
        ChangeRow {"SetPicture",
            [](AddressBook& b, const Saved& s) { return b.setImageData(s.bob, "bob"); }},
        ChangeRow {"RemovePicture",
            [](AddressBook& b, const Saved& s) { return b.removeImageData(s.alice); }},
        ChangeRow {"SeveralChanges",
            [](AddressBook& b, const Saved& s) {
                return b.addGroupMember(s.family, b.addPerson({})) && b.removePerson(s.bob);
            }},
        ChangeRow {"UpdateMissingPerson",
            [](AddressBook& b, const Saved& s) {
                return b.updatePerson({.recordID = s.removed + 70});
            },
            true},
        ChangeRow {"UpdateUnaddedPerson",
            [](AddressBook& b, const Saved&) {
                return b.updatePerson(named(u"Never"_s, u"Added"_s));
            },
            true},
        ChangeRow {"UpdateRemovedPerson",
            [](AddressBook& b, const Saved& s) { return b.updatePerson({.recordID = s.removed}); },
            true},
        ChangeRow {"RemoveMissingPerson",
            [](AddressBook& b, const Saved& s) { return b.removePerson(s.removed + 5); }, true},
        ChangeRow {"AddToMissingGroup",
            [](AddressBook& b, const Saved& s) { return b.addGroupMember(s.family + 1000, s.bob); },
            true},
        ChangeRow {"AddNeverAddedPerson",
            [](AddressBook& b, const Saved& s) {
                return b.addGroupMember(s.family, s.removed + 1000);
            },
            true},
        ChangeRow {"AddRemovedPerson",
            [](AddressBook& b, const Saved& s) { return b.addGroupMember(s.family, s.removed); },
            true},
        ChangeRow {"RemoveFromMissingGroup",
            [](AddressBook& b, const Saved& s) {
                return b.removeGroupMember(s.family + 1000, s.alice);
            },
            true},
        ChangeRow {"RemoveRemovedPersonFromGroup",
            [](AddressBook& b, const Saved& s) { return b.removeGroupMember(s.family, s.removed); },
            true},
        ChangeRow {"PictureOfRemovedPerson",
            [](AddressBook& b, const Saved& s) { return b.setImageData(s.removed, "x"); }, true},
        ChangeRow {"RemovePictureOfRemovedPerson",
            [](AddressBook& b, const Saved& s) { return b.removeImageData(s.removed); }, true},
        ChangeRow {"RemovePictureOfNegativeId",
            [](AddressBook& b, const Saved&) { return b.removeImageData(-1); }, true},
        ChangeRow {"AddRefusedHalfWay", addBoom, true, false, "boom refused"},
        ChangeRow {"AddRefusedHalfWayAfterEarlierChange", addBoom, true, true, "boom refused"},
        ChangeRow {"UpdateRefusedHalfWay", updateBoom, true, false, "boom refused"},
        ChangeRow {
            "UpdateRefusedHalfWayAfterEarlierChange", updateBoom, true, true, "boom refused"}),
    test::RowName());

TEST_F(AddressBookFile, SecondWriterWaitsForTheFirstToSave)
{
    auto first = openBook(path);
    ASSERT_GE(first->addPerson(named(u"First"_s, u"Writer"_s)), 0);
    std::atomic<bool> started = false;
    bool secondSaved = false;
    std::chrono::steady_clock::duration waited {};
    std::thread second([&] {
        const auto start = std::chrono::steady_clock::now();
        started = true;
        auto book = AddressBook::create(path);
        const bool added = book && book->addPerson(named(u"Second"_s, u"Writer"_s)) >= 0;
        waited = std::chrono::steady_clock::now() - start;
        secondSaved = added && book->save();
    });
    while (!started)
        std::this_thread::yield();
    std::this_thread::sleep_for(300ms); // the first handle keeps its write lock this long
    EXPECT_TRUE(first->save());
    second.join();
    EXPECT_TRUE(secondSaved);
    EXPECT_GE(waited, 300ms);
    EXPECT_EQ(first->personCount(), 2);
}

TEST_F(AddressBookFile, HandlesOpeningANewFileTogetherAgree)
{
    std::vector<std::thread> threads;
    std::vector<std::string> results(4);
    for (std::string& result : results) {
        threads.emplace_back([&] {
            QString error;
            auto book = AddressBook::create(path, &error);
            result = book && book->addPerson({}) >= 0 && book->save()
                ? "ok"
                : (book ? book->lastError() : error).toStdString();
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(results, std::vector<std::string>(4, "ok"));
    EXPECT_EQ(openBook(path)->personCount(), 4);
}

// Writes past this size fail (EFBIG) while it lives, as on a full disk; the signal the
// kernel sends with them is ignored so that the failure reaches SQLite.
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit limit {bytes, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
    rlimit old {};
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
};

// When writing the changes fails they are dropped, the failure is reported, and the book
// stays usable.
TEST_F(AddressBookFile, FailedSaveDropsChangesAndReports)
{
    auto book = openBook(path);
    ASSERT_TRUE(book->addPerson(everything()) >= 0 && book->save());
    const std::string before = snapshot(*book);
    ASSERT_TRUE(book->setImageData(book->addPerson({}), patterned(2 << 20)))
        << book->lastError().toStdString();
    QString error;
    {
        const FileSizeLimit limit(512 * 1024);
        EXPECT_FALSE(book->save(&error));
    }
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(book->lastError(), error);
    EXPECT_FALSE(book->hasUnsavedChanges());
    EXPECT_EQ(snapshot(*book), before);
    EXPECT_EQ(snapshot(*openBook(path)), before);
    ASSERT_TRUE(book->addPerson({}) >= 0 && book->save()) << book->lastError().toStdString();
    EXPECT_EQ(openBook(path)->personCount(), 2);
}

// ---- Files --------------------------------------------------------------------------------

struct FileRow {
    std::string name;
    std::function<void(const QString& path)> make;
    int people;                 // already in the file; -1: the file is refused
    const char* mentioned = ""; // part of the error text when refused
};

class AddressBookOpenFile : public BookTest<FileRow> { };

// A file is opened in WAL mode and writable, or refused with an error and left untouched.
TEST_P(AddressBookOpenFile, OpenedWritableOrRefusedUntouched)
{
    const FileRow& row = GetParam();
    row.make(path);
    const QByteArray bytes = test::readFile(path);
    auto files = [this] {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    };
    const QStringList filesBefore = files();
    QString error;
    auto book = AddressBook::create(path, &error);
    if (row.people < 0) {
        EXPECT_FALSE(book);
        EXPECT_TRUE(error.contains(u"AddressBook.sqlite"_s) &&
            error.contains(QLatin1StringView(row.mentioned)))
            << error.toStdString();
        EXPECT_EQ(test::readFile(path), bytes);
        EXPECT_EQ(files(), filesBefore);
        return;
    }
    ASSERT_TRUE(book) << error.toStdString();
    EXPECT_EQ(book->personCount(), row.people);
    ASSERT_TRUE(book->addPerson({}) >= 0 && book->save()) << book->lastError().toStdString();
    book.reset();
    EXPECT_EQ(sql(path, "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(openBook(path)->personCount(), row.people + 1);
}

INSTANTIATE_TEST_SUITE_P(AddressBookFiles, AddressBookOpenFile,
    testing::Values(FileRow {"Missing", [](const QString&) {}, 0},
        FileRow {"EmptyFile", [](const QString& p) { ASSERT_TRUE(test::writeFile(p, {})); }, 0},
        FileRow {"EmptyDatabase",
            [](const QString& p) { sql(p, "CREATE TABLE t (x); DROP TABLE t;"); }, 0},
        FileRow {"ExistingBook",
            [](const QString& p) {
                SyntheticContacts::fill(*openBook(p), {1, 1, 0});
            },
            1},
        FileRow {"Garbage",
            [](const QString& p) { ASSERT_TRUE(test::writeFile(p, patterned(8192))); }, -1,
            "not an SQLite database"},
        FileRow {"ShortGarbage",
            [](const QString& p) { ASSERT_TRUE(test::writeFile(p, "SQLite")); }, -1,
            "not an SQLite database"},
        FileRow {"SqliteHeaderThenGarbage",
            [](const QString& p) {
                ASSERT_TRUE(
                    test::writeFile(p, QByteArray("SQLite format 3", 16) + patterned(8192)));
            },
            -1, "damaged"},
        FileRow {"OtherApplicationsTables",
            [](const QString& p) {
                sql(p, "CREATE TABLE recipes (title TEXT); INSERT INTO recipes VALUES ('Soup');");
            },
            -1, "recipes"},
        FileRow {"OtherApplicationsEmptyDatabase",
            [](const QString& p) { sql(p, "PRAGMA application_id = 1234; VACUUM;"); }, -1,
            "another application"},
        FileRow {"NewerLayout",
            [](const QString& p) {
                openBook(p);
                sql(p, "PRAGMA user_version = " + std::to_string(AddressBook::SchemaVersion + 1));
            },
            -1, "newer"},
        FileRow {"LayoutVersionWithoutTables",
            [](const QString& p) { sql(p, "PRAGMA user_version = 1; VACUUM;"); }, -1, "missing"},
        FileRow {"Folder", [](const QString& p) { QDir().mkpath(p); }, -1, "folder"},
        FileRow {"MissingFolder",
            [](const QString& p) { QDir(QFileInfo(p).path()).removeRecursively(); }, -1}),
    test::RowName());

// ---- Many people --------------------------------------------------------------------------

struct ManyRow {
    std::string name;
    SyntheticContacts::Options options;
    int removeEvery;   // 0: none removed
    bool familyExists; // the book already has a person and a "Family" group
};

class AddressBookMany : public BookTest<ManyRow> { };

// fill() adds everyone with groups (reusing those of the same name) and pictures, and
// saves. allPeople merges two ordered scans; person(id) reads one person. They must agree
// for every person, including ones without any values and neighbours of removed ones.
TEST_P(AddressBookMany, FilledBookMatchesTheGeneratedPeople)
{
    const ManyRow& row = GetParam();
    const std::vector<SyntheticContact> contacts = SyntheticContacts::generate(row.options);
    const std::int32_t firstID = row.familyExists ? 2 : 1;
    std::int32_t family = -1;
    std::string beforeClosing;
    {
        auto book = openBook(path);
        if (row.familyExists) {
            family = book->addGroup(u"Family"_s);
            ASSERT_TRUE(book->addPerson({}) == 1 && book->save());
        }
        ASSERT_EQ(SyntheticContacts::fill(*book, row.options), row.options.people)
            << book->lastError().toStdString();
        EXPECT_FALSE(book->hasUnsavedChanges());
        for (int i = 0; row.removeEvery > 0 && i < row.options.people; i += row.removeEvery)
            ASSERT_TRUE(book->removePerson(firstID + i));
        ASSERT_TRUE(book->save());
        beforeClosing = snapshot(*book);
    }
    auto book = openBook(path);
    EXPECT_EQ(snapshot(*book), beforeClosing);
    QHash<std::int32_t, QString> groupNames;
    for (const Group& g : book->allGroups())
        groupNames.insert(g.recordID, g.name);
    EXPECT_EQ(QSet<QString>(groupNames.cbegin(), groupNames.cend()).size(), groupNames.size())
        << "a group of the same name is reused";
    EXPECT_EQ(groupNames.value(family, u"Family"_s), u"Family"_s);
    const std::vector<Person> all = book->allPeople();
    std::size_t at = row.familyExists ? 1 : 0;
    for (int i = 0; i < row.options.people; ++i) {
        const std::int32_t id = firstID + i; // fill() adds them in order
        if (row.removeEvery > 0 && i % row.removeEvery == 0) {
            EXPECT_FALSE(book->person(id)) << id;
            continue;
        }
        ASSERT_LT(at, all.size());
        Person expected = contacts[std::size_t(i)].person;
        expected.recordID = id;
        EXPECT_EQ(describe(all[at++]), describe(expected));
        EXPECT_EQ(describe(book->person(id).value_or(Person {})), describe(expected));
        QStringList groups, expectedGroups = contacts[std::size_t(i)].groups;
        for (std::int32_t g : book->groupsOf(id))
            groups << groupNames.value(g);
        groups.sort();
        expectedGroups.sort();
        EXPECT_EQ(groups, expectedGroups) << id;
        EXPECT_EQ(book->imageData(id), contacts[std::size_t(i)].photo) << id;
    }
    EXPECT_EQ(at, all.size());

    // The names-and-dates read is the full read with everything else left empty.
    const std::vector<Person> slim = book->allPeopleNamesAndDates();
    ASSERT_EQ(slim.size(), all.size());
    for (std::size_t k = 0; k < all.size(); ++k) {
        Person expected;
        expected.recordID = all[k].recordID;
        expected.prefix = all[k].prefix;
        expected.firstName = all[k].firstName;
        expected.middleName = all[k].middleName;
        expected.lastName = all[k].lastName;
        expected.suffix = all[k].suffix;
        expected.organization = all[k].organization;
        expected.birthday = all[k].birthday;
        expected.dates = all[k].dates;
        EXPECT_EQ(describe(slim[k]), describe(expected));
    }
}

INSTANTIATE_TEST_SUITE_P(AddressBookSynthetic, AddressBookMany,
    testing::Values(ManyRow {"Nobody", {0, 1, 0}, 0, false},
        ManyRow {"OnePerson", {1, 5, 1}, 0, false},
        ManyRow {"ThousandWithPicturesAndRemovals", {1000, 3, 7}, 3, false},
        ManyRow {"IntoBookWithFamily", {500, 4, 0}, 0, true}),
    test::RowName());

// fill() refused part way (here once the ids run out) leaves the book as it was.
TEST_F(AddressBookFile, FillRefusedLeavesBookAsItWas)
{
    ASSERT_EQ(SyntheticContacts::fill(*openBook(path), {1, 1, 0}), 1);
    sql(path, "UPDATE sqlite_sequence SET seq = 2147483642 WHERE name = 'people'"); // five ids left
    auto book = openBook(path);
    const struct {
        int people, result, count;
    } rows[] = {{6, -1, 1}, {5, 5, 6}, {1, -1, 6}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.people);
        EXPECT_EQ(SyntheticContacts::fill(*book, {row.people, 1, 2}), row.result);
        EXPECT_FALSE(book->hasUnsavedChanges());
        EXPECT_TRUE(book->personCount() == row.count && openBook(path)->personCount() == row.count);
        EXPECT_TRUE(row.result >= 0 || !book->lastError().isEmpty());
    }
}

// ---- Card properties and the layout that added them ----------------------------------------

TEST_F(AddressBookFile, CardPropertiesAreKeptInOrderAndGoWithThePerson)
{
    const QStringList lines = {u"TITLE:Engineer"_s, u"item1.X-ABLabel:Dojo"_s, u"X-A:ü"_s};
    auto book = openBook(path);
    const std::int32_t id = book->addPerson(Person {.firstName = u"Ann"_s});
    ASSERT_TRUE(book->setCardProperties(id, lines));
    ASSERT_TRUE(book->save());
    EXPECT_EQ(openBook(path)->cardProperties(id), lines);
    ASSERT_TRUE(book->setCardProperties(id, {u"ROLE:x"_s}));
    EXPECT_EQ(book->cardProperties(id), QStringList {u"ROLE:x"_s});
    EXPECT_FALSE(book->setCardProperties(id + 1, lines));
    ASSERT_TRUE(book->removePerson(id));
    ASSERT_TRUE(book->save());
    EXPECT_EQ(sql(path, "SELECT count(*) FROM card_properties"), "0");
}

// Books written before card properties existed stay readable, and are brought up to date
// by the first handle that may write.
TEST_F(AddressBookFile, LayoutOneBookIsReadAndThenUpgraded)
{
    std::int32_t id = -1;
    {
        auto book = openBook(path);
        id = book->addPerson(Person {.firstName = u"Old"_s, .birthday = QDate(1970, 1, 2)});
        ASSERT_TRUE(book->save());
    }
    sql(path, "DROP TABLE card_properties; PRAGMA user_version = 1;");
    {
        QString error;
        auto readOnly = AddressBook::openReadOnly(path, &error);
        ASSERT_NE(readOnly, nullptr) << error.toStdString();
        EXPECT_EQ(readOnly->person(id)->birthday, QDate(1970, 1, 2));
        EXPECT_TRUE(readOnly->cardProperties(id).isEmpty());
        EXPECT_FALSE(readOnly->lastCallFailed()) << readOnly->lastError().toStdString();
    }
    EXPECT_EQ(sql(path, "PRAGMA user_version"), "1");
    auto book = openBook(path);
    EXPECT_EQ(sql(path, "PRAGMA user_version"), "2");
    ASSERT_TRUE(book->setCardProperties(id, {u"TITLE:Boss"_s}));
    ASSERT_TRUE(book->save());
    EXPECT_EQ(openBook(path)->cardProperties(id), QStringList {u"TITLE:Boss"_s});
    EXPECT_EQ(book->person(id)->firstName, u"Old"_s);
}

} // namespace
} // namespace fetemark
