// The contacts database on real SQLite files: round trips of every field, record ids,
// groups, pictures, transactions across handles and threads, and files it must refuse.
#include "platform/AddressBook.h"
#include "platform/SyntheticContacts.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>

#include <sqlite3.h>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <limits>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>

namespace fetemark {

namespace {

std::string quoted(const QString& s)
{
    return s.isNull() ? std::string("<null>") : "\"" + s.toStdString() + "\"";
}

std::string dayText(const QDate& d)
{
    return d.isValid() ? d.toString(Qt::ISODate).toStdString() : std::string("<invalid>");
}

// Every field on its own line, null strings told apart from empty ones, so that a
// failing comparison shows exactly which value came back different.
std::string describe(const Person& p)
{
    std::string out = "id " + std::to_string(p.recordID) + (p.hasImage ? " (picture)\n" : "\n");
    const std::pair<const char*, const QString*> texts[] = {
        {"uid", &p.uid},           {"prefix", &p.prefix},     {"first", &p.firstName},
        {"middle", &p.middleName}, {"last", &p.lastName},     {"suffix", &p.suffix},
        {"nickname", &p.nickname}, {"org", &p.organization},  {"note", &p.note}};
    for (const auto& [name, value] : texts)
        out += std::string(name) + ": " + quoted(*value) + "\n";
    out += "birthday: " + dayText(p.birthday) + "\n";
    for (const auto& v : p.dates)
        out += "date " + quoted(v.label) + " " + dayText(v.value) + "\n";
    for (const auto& v : p.phones)
        out += "phone " + quoted(v.label) + " " + quoted(v.value) + "\n";
    for (const auto& v : p.emails)
        out += "email " + quoted(v.label) + " " + quoted(v.value) + "\n";
    for (const auto& v : p.urls)
        out += "url " + quoted(v.label) + " " + quoted(v.value) + "\n";
    for (const auto& v : p.addresses) {
        const PostalAddress& a = v.value;
        out += "address " + quoted(v.label) + " " + quoted(a.street) + " " + quoted(a.city) + " " + quoted(a.state) + " "
               + quoted(a.zip) + " " + quoted(a.country) + "\n";
    }
    return out;
}

} // namespace

// Internal linkage: other test files of this binary may print people their own way.
static void PrintTo(const Person& p, std::ostream* os)
{
    *os << "\n" << describe(p);
}

namespace {

using test::TempDir;

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

const QString Anniversary = QStringLiteral("_$!<Anniversary>!$_");
const QString Other = QStringLiteral("_$!<Other>!$_");
const QString Mobile = QStringLiteral("_$!<Mobile>!$_");
const QString Home = QStringLiteral("_$!<Home>!$_");
const QString Work = QStringLiteral("_$!<Work>!$_");
const QString HomePage = QStringLiteral("_$!<HomePage>!$_");
const QString NoLabel;                                   // null: the value has no label
const QString EmptyLabel = QString(QLatin1StringView("")); // empty but not null

template <typename Row>
std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

// Failure messages name the row rather than dumping its bytes.
template <typename Row>
    requires requires(const Row& row) { row.name; }
void PrintTo(const Row& row, std::ostream* os)
{
    *os << row.name;
}

// Picture bytes that differ with the size and do not compress to nothing.
QByteArray patterned(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((quint32(i) * 2654435761u) >> 24);
    return bytes;
}

Person named(const char* first, const char* last)
{
    Person p;
    p.firstName = u(first);
    p.lastName = u(last);
    return p;
}

std::unique_ptr<AddressBook> openBook(const QString& path)
{
    QString error;
    auto book = AddressBook::create(path, &error);
    if (!book)
        throw std::runtime_error("cannot open the book: " + error.toStdString());  // gtest reports it as a failure
    return book;
}

// The whole visible content of a book, pictures as size and hash, for comparing the views
// of different handles.
std::string snapshot(const AddressBook& book)
{
    std::string out;
    for (const Person& p : book.allPeople()) {
        out += describe(p);
        if (p.hasImage) {
            const QByteArray image = book.imageData(p.recordID);
            out += "picture " + std::to_string(image.size()) + " "
                   + QCryptographicHash::hash(image, QCryptographicHash::Sha1).toHex().toStdString() + "\n";
        }
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
    std::string result;
    std::thread reader([&] {
        QString error;
        auto book = AddressBook::create(path, &error);
        result = book ? snapshot(*book) : "cannot open: " + error.toStdString();
    });
    reader.join();
    return result;
}

// Direct SQL on the file, for states the API never produces: damaged values, used-up
// ids, strangers' databases.
class RawFile {
public:
    explicit RawFile(const QString& path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        sqlite3_busy_timeout(m_db, 5000);
    }
    ~RawFile() { sqlite3_close_v2(m_db); }
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    void exec(const std::string& sql)
    {
        char* message = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK)
            ADD_FAILURE() << sql << ": " << (message ? message : "?");
        sqlite3_free(message);
    }
    std::string scalar(const std::string& sql)
    {
        sqlite3_stmt* s = nullptr;
        std::string result = "<error>";
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(s, 0);
            result = text ? reinterpret_cast<const char*>(text) : "<null>";
        }
        sqlite3_finalize(s);
        return result;
    }

private:
    sqlite3* m_db = nullptr;
};

class AddressBookFile : public testing::Test {
protected:
    TempDir dir;
    QString path = dir.file(QStringLiteral("AddressBook.sqlite"));
};

template <typename Row>
class BookTest : public AddressBookFile, public testing::WithParamInterface<Row> {};

// ---- Every field round-trips --------------------------------------------------------------

struct RoundTripRow {
    std::string name;
    Person person;
    std::optional<Person> expected;  // when the book keeps less than was given
};

class AddressBookRoundTrip : public BookTest<RoundTripRow> {};

TEST_P(AddressBookRoundTrip, SameHandleReopenedAndListed)
{
    const RoundTripRow& row = this->GetParam();
    Person expected = row.expected.value_or(row.person);
    {
        auto book = openBook(path);
        // A neighbour on each side catches values attached to the wrong person.
        const std::int32_t before = book->addPerson(named("Before", "Neighbour"));
        expected.recordID = book->addPerson(row.person);
        ASSERT_GE(expected.recordID, 0) << book->lastError().toStdString();
        Person after = named("After", "Neighbour");
        after.phones = {{Home, QStringLiteral("+1 555 0100")}};
        after.dates = {{Other, QDate(2001, 1, 1)}};
        book->addPerson(after);
        expected.hasImage = false;
        ASSERT_TRUE(book->person(expected.recordID));
        EXPECT_EQ(describe(*book->person(expected.recordID)), describe(expected)) << "same handle, before saving";
        ASSERT_TRUE(book->save());
        EXPECT_EQ(book->person(before)->firstName, u("Before"));
    }
    auto book = openBook(path);
    ASSERT_TRUE(book->person(expected.recordID));
    EXPECT_EQ(describe(*book->person(expected.recordID)), describe(expected)) << "reopened";
    const std::vector<Person> all = book->allPeople();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(describe(all[1]), describe(expected)) << "allPeople";
    EXPECT_EQ(all[2].phones.size(), 1u);
    EXPECT_EQ(all[2].dates.size(), 1u);
    if (!expected.uid.isEmpty()) {
        ASSERT_TRUE(book->personWithUid(expected.uid));
        EXPECT_EQ(book->personWithUid(expected.uid)->recordID, expected.recordID);
    }
}

Person everything()
{
    Person p;
    p.uid = QStringLiteral("7F3A-11EE@example.com");
    p.prefix = QStringLiteral("Dr.");
    p.firstName = u("Zoë");
    p.middleName = QStringLiteral("Maria");
    p.lastName = u("Müller-Lüdenscheidt");
    p.suffix = QStringLiteral("PhD");
    p.nickname = QStringLiteral("Zo");
    p.organization = u("Bäckerei Schmidt GmbH");
    p.note = QStringLiteral("Line one\nLine two");
    p.birthday = QDate(1604, 2, 29);
    p.dates = {{Anniversary, QDate(2010, 6, 12)}, {u("Name day"), QDate(1604, 7, 26)}};
    p.phones = {{Mobile, QStringLiteral("+49 170 1234567")}, {Work, QStringLiteral("+49 30 987654")}};
    p.emails = {{Home, QStringLiteral("zoe@example.org")}};
    p.urls = {{HomePage, QStringLiteral("https://example.org/~zoe")}};
    p.addresses = {{Home, {u("Hauptstraße 5"), u("München"), QStringLiteral("Bayern"), QStringLiteral("80331"), QStringLiteral("Deutschland")}}};
    return p;
}

std::vector<RoundTripRow> roundTripRows()
{
    std::vector<RoundTripRow> rows;
    {
        Person p;
        p.firstName = u("😀🎂");
        p.lastName = u("王小明");
        p.middleName = u("Алексей");
        p.nickname = u("👨‍👩‍👧 family");         // joined emoji sequence
        p.organization = u("مؤسسة الأمل");        // right to left
        p.note = u("e\xCC\x81 and 𠀋 outside the BMP"); // combining accent, 4-byte UTF-8
        p.phones = {{u("☎ Festnetz"), u("+81 3-1234-5678")}};
        p.dates = {{u("誕生日 🎉"), QDate(1990, 1, 2)}};
        rows.push_back({"UnicodeEverywhere", p, {}});
    }
    {
        Person p = named("Liam", "O'Brien");
        p.note = QStringLiteral("He said \"hi\"; DROP TABLE people; --\n\ttab\r\nend") + QChar(0) + QStringLiteral("after NUL");
        rows.push_back({"NoteWithQuotesControlsAndNul", p, {}});
    }
    {
        Person p = named("Leap", "Day");
        p.birthday = QDate(Person::NoYear, 2, 29);
        rows.push_back({"BirthdayWithoutYearOnLeapDay", p, {}});
    }
    {
        Person p = named("Edge", "Years");
        p.birthday = QDate(1, 1, 1);
        p.dates = {{Other, QDate(9999, 12, 31)}, {Other, QDate(Person::NoYear, 1, 1)}};
        rows.push_back({"FirstAndLastIsoYears", p, {}});
    }
    {
        Person p = named("Many", "Dates");
        // Out of calendar order on purpose: the stored order is the given one.
        p.dates = {{u("Hochzeitstag"), QDate(1980, 5, 1)}, {Anniversary, QDate(2010, 5, 1)}, {NoLabel, QDate(1999, 1, 1)},
                   {EmptyLabel, QDate(2001, 2, 3)}, {Other, QDate(Person::NoYear, 2, 29)}, {u("Name day"), QDate(Person::NoYear, 12, 6)},
                   {Anniversary, QDate(1970, 1, 1)}};
        rows.push_back({"DatesKeepOrderAndLabels", p, {}});
    }
    {
        Person p = named("Many", "Phones");
        p.phones = {{Work, QStringLiteral("3")}, {Mobile, QStringLiteral("1")}, {NoLabel, QStringLiteral("2")},
                    {EmptyLabel, QStringLiteral("2")}, {u("Ferienhaus 🏖"), QStringLiteral("+49 (0) 4651 / 12-34")},
                    {Mobile, QString(QLatin1StringView(""))}};
        rows.push_back({"PhonesKeepOrderLabelsAndDuplicates", p, {}});
    }
    {
        Person p = named("Mail", "Web");
        p.emails = {{Work, QStringLiteral("b@example.com")}, {Home, QStringLiteral("a@example.com")}, {NoLabel, u("ü@exämple.de")}};
        p.urls = {{HomePage, QStringLiteral("https://example.com/?a=1&b='2'")}, {EmptyLabel, QStringLiteral("ftp://example.org")}};
        rows.push_back({"EmailsAndUrls", p, {}});
    }
    {
        Person p = named("Post", "Box");
        p.addresses = {{Work, {QStringLiteral("1 Infinite Loop"), QStringLiteral("Cupertino"), QStringLiteral("CA"), QStringLiteral("95014"), QStringLiteral("USA")}},
                       {Home, {QString(), u("Kraków"), QString(), QStringLiteral("31-019"), QString()}},
                       {NoLabel, {QString(QLatin1StringView("")), QString(QLatin1StringView("")), QString(), QString(), u("日本")}},
                       {u("Ferienhaus"), PostalAddress{}}};
        rows.push_back({"AddressesWholePartialAndEmpty", p, {}});
    }
    rows.push_back({"EmptyPerson", Person{}, {}});
    {
        Person p;
        p.firstName = QString(QLatin1StringView(""));
        p.note = QString(QLatin1StringView(""));
        p.lastName = QStringLiteral("Only");
        rows.push_back({"EmptyTextStaysEmptyNotNull", p, {}});
    }
    rows.push_back({"Everything", everything(), {}});
    {
        Person p = named("Bad", "Dates");
        p.birthday = QDate(12000, 1, 1);  // a valid QDate the ISO form cannot hold
        p.dates = {{Other, QDate()}, {Anniversary, QDate(-44, 3, 15)}, {QStringLiteral("kept"), QDate(2000, 1, 1)}, {Other, QDate(10000, 1, 1)}};
        Person expected = named("Bad", "Dates");
        expected.dates = {{QStringLiteral("kept"), QDate(2000, 1, 1)}};
        rows.push_back({"DatesTheFileCannotHoldAreLeftOut", p, expected});
    }
    {
        Person p = named("Given", "Id");
        p.recordID = 4242;
        p.hasImage = true;
        Person expected = named("Given", "Id");
        rows.push_back({"GivenRecordIdAndPictureFlagIgnored", p, expected});
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(AddressBookFields, AddressBookRoundTrip, testing::ValuesIn(roundTripRows()), rowName<RoundTripRow>);

// ---- Dates as they may be found in the file -----------------------------------------------

struct StoredDateRow {
    std::string name;
    std::string sqlValue;  // an SQL literal put into the file directly
    QDate expected;        // invalid: the value is skipped
};

class AddressBookStoredDate : public BookTest<StoredDateRow> {};

TEST_P(AddressBookStoredDate, ReadStrictlyAsIsoDay)
{
    const StoredDateRow& row = GetParam();
    std::int32_t id = -1;
    {
        auto book = openBook(path);
        Person p = named("Stored", "Date");
        p.birthday = QDate(2000, 1, 1);
        p.dates = {{Other, QDate(2000, 1, 2)}, {Anniversary, QDate(2000, 1, 3)}};
        id = book->addPerson(p);
        ASSERT_TRUE(book->save());
    }
    {
        RawFile raw(path);
        raw.exec("UPDATE people SET birthday = " + row.sqlValue);
        raw.exec("UPDATE person_values SET value = " + row.sqlValue + " WHERE kind = 'date' AND label = '_$!<Other>!$_'");
    }
    auto book = openBook(path);
    std::vector<Labeled<QDate>> dates;
    if (row.expected.isValid())
        dates.push_back({Other, row.expected});
    dates.push_back({Anniversary, QDate(2000, 1, 3)});

    const std::optional<Person> one = book->person(id);
    ASSERT_TRUE(one);
    const std::vector<Person> all = book->allPeople();
    ASSERT_EQ(all.size(), 1u);
    for (const Person& p : {*one, all.front()}) {
        EXPECT_EQ(dayText(p.birthday), dayText(row.expected));
        EXPECT_EQ(p.dates, dates);
        EXPECT_EQ(p.lastName, QStringLiteral("Date"));
    }
}

INSTANTIATE_TEST_SUITE_P(AddressBookText, AddressBookStoredDate,
                         testing::Values(StoredDateRow{"IsoDay", "'1987-06-15'", QDate(1987, 6, 15)},
                                         StoredDateRow{"LeapDayWithoutYear", "'1604-02-29'", QDate(1604, 2, 29)},
                                         StoredDateRow{"LeapDayOfCommonYear", "'2023-02-29'", QDate()},
                                         StoredDateRow{"MonthThirteen", "'2024-13-01'", QDate()}, StoredDateRow{"YearZero", "'0000-01-01'", QDate()},
                                         StoredDateRow{"SingleDigitParts", "'2024-1-5'", QDate()}, StoredDateRow{"TrailingText", "'2024-01-05x'", QDate()},
                                         StoredDateRow{"WithTime", "'2024-01-05T10:00:00'", QDate()}, StoredDateRow{"Words", "'next Tuesday'", QDate()},
                                         StoredDateRow{"Number", "20240105", QDate()}, StoredDateRow{"Null", "NULL", QDate()}),
                         rowName<StoredDateRow>);

// ---- Replacing a person -------------------------------------------------------------------

struct UpdateRow {
    std::string name;
    Person before;
    Person after;
};

class AddressBookUpdate : public BookTest<UpdateRow> {};

TEST_P(AddressBookUpdate, ReplacesValuesKeepsPictureGroupsAndNeighbours)
{
    const UpdateRow& row = GetParam();
    auto book = openBook(path);
    Person neighbour = everything();
    neighbour.uid = QStringLiteral("neighbour");
    const std::int32_t first = book->addPerson(neighbour);
    const std::int32_t id = book->addPerson(row.before);
    const std::int32_t last = book->addPerson(neighbour);
    const std::int32_t group = book->addGroup(QStringLiteral("Family"));
    ASSERT_TRUE(book->addGroupMember(group, id));
    ASSERT_TRUE(book->setImageData(id, QByteArray("picture")));
    ASSERT_TRUE(book->save());

    Person after = row.after;
    after.recordID = id;
    ASSERT_TRUE(book->updatePerson(after)) << book->lastError().toStdString();
    EXPECT_TRUE(book->hasUnsavedChanges());
    after.hasImage = true;
    ASSERT_TRUE(book->save());

    auto reopened = openBook(path);
    for (const AddressBook* b : {book.get(), reopened.get()}) {
        ASSERT_TRUE(b->person(id));
        EXPECT_EQ(describe(*b->person(id)), describe(after));
        EXPECT_EQ(b->imageData(id), QByteArray("picture"));
        EXPECT_EQ(b->groupMembers(group), std::vector<std::int32_t>{id});
        EXPECT_EQ(b->personCount(), 3);
        for (std::int32_t other : {first, last}) {
            neighbour.recordID = other;
            EXPECT_EQ(describe(*b->person(other)), describe(neighbour));
        }
        if (!row.before.uid.isEmpty() && row.before.uid != row.after.uid) {
            EXPECT_FALSE(b->personWithUid(row.before.uid));
        }
        if (!row.after.uid.isEmpty()) {
            EXPECT_EQ(b->personWithUid(row.after.uid)->recordID, id);
        }
    }
}

std::vector<UpdateRow> updateRows()
{
    std::vector<UpdateRow> rows;
    Person full = everything();
    full.uid = QStringLiteral("old-uid");
    {
        Person fewer = named("Zoë", "Fewer");
        fewer.phones = {{Home, QStringLiteral("1")}};
        rows.push_back({"FewerValues", full, fewer});
    }
    {
        Person more = full;
        more.phones.push_back({NoLabel, QStringLiteral("+33 1 23 45 67 89")});
        more.dates.push_back({u("Hochzeitstag"), QDate(1604, 2, 29)});
        more.addresses.push_back({Work, {QStringLiteral("Rue de la Paix 1"), QStringLiteral("Paris"), QString(), QStringLiteral("75002"), QStringLiteral("France")}});
        rows.push_back({"MoreValues", named("Was", "Sparse"), more});
    }
    {
        Person reordered = full;
        std::reverse(reordered.phones.begin(), reordered.phones.end());
        std::reverse(reordered.dates.begin(), reordered.dates.end());
        rows.push_back({"ReorderedValues", full, reordered});
    }
    {
        Person relabelled = full;
        relabelled.phones[0].label = NoLabel;
        relabelled.phones[1].label = QStringLiteral("Büro");
        relabelled.dates[0].label = EmptyLabel;
        relabelled.addresses[0].label = NoLabel;
        rows.push_back({"LabelsChanged", full, relabelled});
    }
    rows.push_back({"EverythingCleared", full, Person{}});
    {
        Person renamed = full;
        renamed.uid = QStringLiteral("new-uid");
        renamed.firstName = u("Зоя");
        rows.push_back({"UidAndNameChanged", full, renamed});
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(AddressBookChanges, AddressBookUpdate, testing::ValuesIn(updateRows()), rowName<UpdateRow>);

// ---- Record ids ---------------------------------------------------------------------------

struct IdRow {
    std::string name;
    int added;
    std::vector<int> removed;  // indexes into the added people
    bool reopenBeforeAdding;
};

class AddressBookRecordIds : public BookTest<IdRow> {};

TEST_P(AddressBookRecordIds, StableAndNeverReused)
{
    const IdRow& row = GetParam();
    auto book = openBook(path);
    std::vector<std::int32_t> ids;
    for (int i = 0; i < row.added; ++i) {
        Person p = named("Person", std::to_string(i).c_str());
        p.uid = QStringLiteral("uid-%1").arg(i);
        p.phones = {{Mobile, QString::number(i)}};
        ids.push_back(book->addPerson(p));
    }
    ASSERT_TRUE(book->save());
    for (int index : row.removed)
        ASSERT_TRUE(book->removePerson(ids[index]));
    ASSERT_TRUE(book->save());
    if (row.reopenBeforeAdding) {
        book.reset();
        book = openBook(path);
    }
    const std::int32_t added = book->addPerson(named("New", "Comer"));
    ASSERT_TRUE(book->save());
    EXPECT_GT(added, *std::max_element(ids.begin(), ids.end()));

    for (int i = 0; i < row.added; ++i) {
        SCOPED_TRACE(i);
        const bool gone = std::find(row.removed.begin(), row.removed.end(), i) != row.removed.end();
        const std::optional<Person> p = book->person(ids[i]);
        EXPECT_EQ(p.has_value(), !gone);
        EXPECT_EQ(book->personWithUid(QStringLiteral("uid-%1").arg(i)).has_value(), !gone);
        if (p) {
            EXPECT_EQ(p->lastName, QString::number(i));
            EXPECT_EQ(p->phones, (std::vector<Labeled<QString>>{{Mobile, QString::number(i)}}));
        }
    }
    EXPECT_EQ(book->personCount(), row.added - int(row.removed.size()) + 1);
    // A removed person cannot be changed or removed again.
    for (int index : row.removed) {
        Person p = named("Back", "Again");
        p.recordID = ids[index];
        EXPECT_FALSE(book->updatePerson(p));
        EXPECT_FALSE(book->removePerson(ids[index]));
        EXPECT_FALSE(book->person(ids[index]));
    }
    EXPECT_FALSE(book->hasUnsavedChanges());
}

INSTANTIATE_TEST_SUITE_P(AddressBookRemovals, AddressBookRecordIds,
                         testing::Values(IdRow{"HighestRemoved", 3, {2}, false},
                                         IdRow{"AllRemovedThenReopened", 4, {0, 1, 2, 3}, true},
                                         IdRow{"MiddleRemoved", 5, {1, 3}, false}),
                         rowName<IdRow>);

struct IdLimitRow {
    std::string name;
    const char* table;
    std::function<std::int32_t(AddressBook&, int)> add;
};

class AddressBookIdLimit : public BookTest<IdLimitRow> {};

TEST_P(AddressBookIdLimit, RefusesIdsPastInt32)
{
    const IdLimitRow& row = GetParam();
    {
        auto book = openBook(path);
        ASSERT_EQ(row.add(*book, 0), 1);
        ASSERT_TRUE(book->save());
    }
    RawFile(path).exec(std::string("UPDATE sqlite_sequence SET seq = 2147483645 WHERE name = '") + row.table + "'");
    auto book = openBook(path);
    EXPECT_EQ(row.add(*book, 1), std::numeric_limits<std::int32_t>::max() - 1);
    EXPECT_EQ(row.add(*book, 2), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(row.add(*book, 3), -1);
    EXPECT_FALSE(book->lastError().isEmpty());
    // The refusal leaves the earlier changes in place.
    EXPECT_TRUE(book->hasUnsavedChanges());
    ASSERT_TRUE(book->save());
    auto reopened = openBook(path);
    EXPECT_EQ(reopened->personCount() + int(reopened->allGroups().size()), 3);
    EXPECT_EQ(row.add(*reopened, 4), -1);
    EXPECT_FALSE(reopened->hasUnsavedChanges());
}

INSTANTIATE_TEST_SUITE_P(AddressBookTables, AddressBookIdLimit,
                         testing::Values(IdLimitRow{"People", "people",
                                                    [](AddressBook& b, int i) {
                                                        Person p = named("Late", std::to_string(i).c_str());
                                                        p.phones = {{Mobile, QStringLiteral("1")}};
                                                        const std::int32_t id = b.addPerson(p);
                                                        if (id >= 0) {
                                                            EXPECT_EQ(b.person(id)->phones.size(), 1u);
                                                        }
                                                        return id;
                                                    }},
                                         IdLimitRow{"Groups", "contact_groups",
                                                    [](AddressBook& b, int i) {
                                                        const std::int32_t id = b.addGroup(QStringLiteral("G%1").arg(i));
                                                        if (id >= 0) {
                                                            EXPECT_EQ(b.group(id)->name, QStringLiteral("G%1").arg(i));
                                                        }
                                                        return id;
                                                    }}),
                         rowName<IdLimitRow>);

// ---- Groups -------------------------------------------------------------------------------

TEST_F(AddressBookFile, GroupMembersInTheOrderAdded)
{
    auto book = openBook(path);
    std::vector<std::int32_t> p;
    for (int i = 0; i < 5; ++i)
        p.push_back(book->addPerson(named("Member", std::to_string(i).c_str())));
    const std::int32_t family = book->addGroup(QStringLiteral("Family"));
    const std::int32_t club = book->addGroup(u("Schachclub ♟"));
    const std::int32_t twin = book->addGroup(QStringLiteral("Family"));

    using Ids = std::vector<std::int32_t>;
    struct Step {
        const char* what;
        std::function<bool()> action;
        Ids family;
        Ids ofP1;  // groupsOf(p[1]), in group id order
    };
    const Step steps[] = {
        {"add 3, 1, 4", [&] { return book->addGroupMember(family, p[3]) && book->addGroupMember(family, p[1]) && book->addGroupMember(family, p[4]); },
         {p[3], p[1], p[4]}, {family}},
        {"add 1 to the club", [&] { return book->addGroupMember(club, p[1]); }, {p[3], p[1], p[4]}, {family, club}},
        {"add 1 again keeps its place", [&] { return book->addGroupMember(family, p[1]); }, {p[3], p[1], p[4]}, {family, club}},
        {"remove 3", [&] { return book->removeGroupMember(family, p[3]); }, {p[1], p[4]}, {family, club}},
        {"add 3 again goes last", [&] { return book->addGroupMember(family, p[3]); }, {p[1], p[4], p[3]}, {family, club}},
        {"remove a non-member", [&] { return book->removeGroupMember(family, p[0]); }, {p[1], p[4], p[3]}, {family, club}},
        {"remove person 4", [&] { return book->removePerson(p[4]); }, {p[1], p[3]}, {family, club}},
        {"remove 1 from the club", [&] { return book->removeGroupMember(club, p[1]); }, {p[1], p[3]}, {family}},
        {"save", [&] { return book->save(); }, {p[1], p[3]}, {family}},
        {"reopen", [&] { book = AddressBook::create(path); return bool(book); }, {p[1], p[3]}, {family}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(step.action()) << book->lastError().toStdString();
        EXPECT_EQ(book->groupMembers(family), step.family);
        EXPECT_EQ(book->groupsOf(p[1]), step.ofP1);
        EXPECT_EQ(book->groupMembers(twin), Ids{});
        const bool p4InFamily = std::find(step.family.begin(), step.family.end(), p[4]) != step.family.end();
        EXPECT_EQ(book->groupsOf(p[4]), p4InFamily ? Ids{family} : Ids{});
    }
    EXPECT_EQ(book->allGroups(), (std::vector<Group>{{family, QStringLiteral("Family")}, {club, u("Schachclub ♟")}, {twin, QStringLiteral("Family")}}));
    EXPECT_EQ(book->groupNamed(QStringLiteral("Family")), (Group{family, QStringLiteral("Family")}));
    EXPECT_EQ(book->groupNamed(u("Schachclub ♟")), (Group{club, u("Schachclub ♟")}));
    EXPECT_EQ(book->group(club), (Group{club, u("Schachclub ♟")}));
    EXPECT_FALSE(book->groupNamed(QStringLiteral("family")));
    EXPECT_FALSE(book->group(twin + 1));
    EXPECT_EQ(book->groupMembers(twin + 1), Ids{});
    EXPECT_EQ(book->groupMembers(-1), Ids{});
}

struct MembershipFailureRow {
    std::string name;
    bool groupExists;
    enum PersonState { Present, Removed, Never } person;
};

class AddressBookMembershipFailure : public BookTest<MembershipFailureRow> {};

TEST_P(AddressBookMembershipFailure, RefusedWithoutChangingAnything)
{
    const MembershipFailureRow& row = GetParam();
    auto book = openBook(path);
    const std::int32_t kept = book->addPerson(named("Kept", "Member"));
    const std::int32_t group = book->addGroup(QStringLiteral("Club"));
    ASSERT_TRUE(book->addGroupMember(group, kept));
    std::int32_t personID = kept + 1000;
    if (row.person != MembershipFailureRow::Never)
        personID = book->addPerson(named("Maybe", "Member"));
    if (row.person == MembershipFailureRow::Removed)
        book->removePerson(personID);
    const std::int32_t groupID = row.groupExists ? group : group + 1000;
    ASSERT_TRUE(book->save());

    EXPECT_FALSE(book->addGroupMember(groupID, personID));
    EXPECT_FALSE(book->lastError().isEmpty());
    EXPECT_FALSE(book->hasUnsavedChanges());
    EXPECT_FALSE(book->removeGroupMember(groupID, personID));
    EXPECT_FALSE(book->hasUnsavedChanges());
    EXPECT_EQ(book->groupMembers(group), std::vector<std::int32_t>{kept});
    EXPECT_EQ(book->groupsOf(personID), std::vector<std::int32_t>{});
    auto other = openBook(path);
    EXPECT_EQ(snapshot(*other), snapshot(*book));
}

INSTANTIATE_TEST_SUITE_P(AddressBookMembers, AddressBookMembershipFailure,
                         testing::Values(MembershipFailureRow{"MissingGroup", false, MembershipFailureRow::Present},
                                         MembershipFailureRow{"PersonNeverAdded", true, MembershipFailureRow::Never},
                                         MembershipFailureRow{"PersonRemoved", true, MembershipFailureRow::Removed}),
                         rowName<MembershipFailureRow>);

// ---- Pictures -----------------------------------------------------------------------------

struct PictureRow {
    std::string name;
    QByteArray first;
    QByteArray second;
};

class AddressBookPicture : public BookTest<PictureRow> {};

TEST_P(AddressBookPicture, SetReplaceRemove)
{
    const PictureRow& row = GetParam();
    auto book = openBook(path);
    const std::int32_t without = book->addPerson(named("No", "Picture"));
    const std::int32_t id = book->addPerson(named("With", "Picture"));

    struct Step {
        const char* what;
        std::function<bool()> action;
        QByteArray expected;
    };
    const Step steps[] = {
        {"nothing yet", [] { return true; }, {}},
        {"set", [&] { return book->setImageData(id, row.first); }, row.first},
        {"saved and reopened", [&] { return book->save() && (book = AddressBook::create(path)) != nullptr; }, row.first},
        {"replaced", [&] { return book->setImageData(id, row.second); }, row.second},
        {"reverted", [&] { book->revert(); return true; }, row.first},
        {"removed", [&] { return book->removeImageData(id); }, {}},
        {"set again", [&] { return book->setImageData(id, row.second); }, row.second},
        {"set to nothing", [&] { return book->setImageData(id, QByteArray()); }, {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_TRUE(step.action()) << book->lastError().toStdString();
        EXPECT_EQ(book->hasImageData(id), !step.expected.isEmpty());
        EXPECT_EQ(book->imageData(id), step.expected);
        EXPECT_EQ(book->person(id)->hasImage, !step.expected.isEmpty());
        const std::vector<Person> all = book->allPeople();
        ASSERT_EQ(all.size(), 2u);
        EXPECT_EQ(all[1].hasImage, !step.expected.isEmpty());
        EXPECT_FALSE(all[0].hasImage);
        EXPECT_FALSE(book->hasImageData(without));
        EXPECT_EQ(book->imageData(without), QByteArray());
    }
}

INSTANTIATE_TEST_SUITE_P(AddressBookSizes, AddressBookPicture,
                         testing::Values(PictureRow{"BinaryWithZeros", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), QByteArray("\xff\xd8\xff\xe0\0\x10JFIF\0", 11)},
                                         PictureRow{"ThreeMegabytes", patterned(3 << 20), patterned((3 << 20) + 1)}),
                         rowName<PictureRow>);

// allPeople reports pictures without reading them: large pictures would be pulled
// through SQLite's page cache, and small ones sit whole in the pages of their table.
struct PictureLoadRow {
    std::string name;
    int people;
    int pictureBytes;
};

class AddressBookPictureLoad : public BookTest<PictureLoadRow> {};

TEST_P(AddressBookPictureLoad, AllPeopleReportsPicturesWithoutReadingThem)
{
    const PictureLoadRow& row = GetParam();
    {
        auto book = openBook(path);
        for (int i = 0; i < row.people; ++i) {
            const std::int32_t id = book->addPerson(Person{});
            if (i % 2 == 0) {
                ASSERT_TRUE(book->setImageData(id, patterned(row.pictureBytes + i)));
            }
        }
        ASSERT_TRUE(book->save());
    }
    auto book = openBook(path);
    sqlite3_int64 current = 0, highest = 0;
    sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &current, &highest, 1);
    if (current == 0)
        GTEST_SKIP() << "this SQLite keeps no memory statistics";
    const std::vector<Person> all = book->allPeople();
    sqlite3_int64 after = 0, peak = 0;
    sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &after, &peak, 0);
    ASSERT_EQ(all.size(), std::size_t(row.people));
    for (int i = 0; i < row.people; ++i) {
        EXPECT_EQ(all[i].hasImage, i % 2 == 0) << i;
    }
    const sqlite3_int64 pictureBytes = sqlite3_int64(row.pictureBytes) * ((row.people + 1) / 2);
    EXPECT_LT(peak - current, pictureBytes / 4) << "allPeople read picture bytes";
    EXPECT_EQ(book->imageData(all[2].recordID), patterned(row.pictureBytes + 2));
}

INSTANTIATE_TEST_SUITE_P(AddressBookSizes, AddressBookPictureLoad,
                         testing::Values(PictureLoadRow{"FewLargePictures", 6, 4 << 20},
                                         PictureLoadRow{"ManySmallPictures", 4000, 3000}),
                         rowName<PictureLoadRow>);

TEST_F(AddressBookFile, RemovedPersonLeavesNoRowsBehind)
{
    std::int32_t removed = -1, kept = -1;
    {
        auto book = openBook(path);
        const std::int32_t group = book->addGroup(QStringLiteral("Friends"));
        for (std::int32_t* id : {&removed, &kept}) {
            *id = book->addPerson(everything());
            book->setImageData(*id, QByteArray("face"));
            book->addGroupMember(group, *id);
        }
        ASSERT_TRUE(book->save());
        ASSERT_TRUE(book->removePerson(removed));
        ASSERT_TRUE(book->save());
        EXPECT_EQ(book->groupMembers(group), std::vector<std::int32_t>{kept});
        EXPECT_FALSE(book->hasImageData(removed));
        EXPECT_TRUE(book->hasImageData(kept));
        EXPECT_EQ(book->groupsOf(removed), std::vector<std::int32_t>{});
    }
    RawFile raw(path);
    const std::string tables[] = {"person_values", "group_members", "images"};
    for (const std::string& table : tables) {
        SCOPED_TRACE(table);
        EXPECT_EQ(raw.scalar("SELECT count(*) FROM " + table + " WHERE person_id = " + std::to_string(removed)), "0");
        EXPECT_NE(raw.scalar("SELECT count(*) FROM " + table + " WHERE person_id = " + std::to_string(kept)), "0");
    }
}

// ---- Transactions -------------------------------------------------------------------------

struct Ids {
    std::int32_t alice = -1, bob = -1, family = -1;
};

struct ChangeRow {
    std::string name;
    std::function<bool(AddressBook&, const Ids&)> change;
};

class AddressBookTransaction : public BookTest<ChangeRow> {};

// Each kind of change is kept on its handle until save(), dropped by revert(), and then
// seen by other handles (also on other threads) once saved.
TEST_P(AddressBookTransaction, VisibleToOthersOnlyAfterSave)
{
    const ChangeRow& row = GetParam();
    auto book = openBook(path);
    Ids ids;
    ids.alice = book->addPerson(everything());
    ids.bob = book->addPerson(named("Bob", "Builder"));
    ids.family = book->addGroup(QStringLiteral("Family"));
    book->addGroupMember(ids.family, ids.alice);
    book->setImageData(ids.alice, QByteArray("alice"));
    ASSERT_TRUE(book->save());
    EXPECT_FALSE(book->hasUnsavedChanges());

    auto other = openBook(path);
    const std::string before = snapshot(*book);
    ASSERT_EQ(snapshot(*other), before);

    ASSERT_TRUE(row.change(*book, ids)) << book->lastError().toStdString();
    EXPECT_TRUE(book->hasUnsavedChanges());
    const std::string changed = snapshot(*book);
    EXPECT_NE(changed, before) << "the handle sees its own change";
    EXPECT_EQ(snapshot(*other), before) << "another handle does not";
    EXPECT_EQ(snapshotFromOtherThread(path), before) << "nor one on another thread";
    EXPECT_FALSE(other->hasUnsavedChanges());

    book->revert();
    EXPECT_FALSE(book->hasUnsavedChanges());
    EXPECT_EQ(snapshot(*book), before) << "revert drops the change";

    ASSERT_TRUE(row.change(*book, ids)) << book->lastError().toStdString();
    QString error;
    ASSERT_TRUE(book->save(&error)) << error.toStdString();
    EXPECT_FALSE(book->hasUnsavedChanges());
    EXPECT_EQ(snapshot(*book), changed);
    EXPECT_EQ(snapshot(*other), changed) << "another handle sees the saved change";
    EXPECT_EQ(snapshotFromOtherThread(path), changed) << "and so does one on another thread";
}

INSTANTIATE_TEST_SUITE_P(
    AddressBookChanges, AddressBookTransaction,
    testing::Values(ChangeRow{"AddPerson", [](AddressBook& b, const Ids&) { return b.addPerson(named("Carol", "New")) >= 0; }},
                    ChangeRow{"UpdatePerson",
                              [](AddressBook& b, const Ids& ids) {
                                  Person p = named("Robert", "Builder");
                                  p.recordID = ids.bob;
                                  p.birthday = QDate(1604, 2, 29);
                                  return b.updatePerson(p);
                              }},
                    ChangeRow{"RemovePerson", [](AddressBook& b, const Ids& ids) { return b.removePerson(ids.alice); }},
                    ChangeRow{"AddGroup", [](AddressBook& b, const Ids&) { return b.addGroup(QStringLiteral("Club")) >= 0; }},
                    ChangeRow{"AddGroupMember", [](AddressBook& b, const Ids& ids) { return b.addGroupMember(ids.family, ids.bob); }},
                    ChangeRow{"RemoveGroupMember", [](AddressBook& b, const Ids& ids) { return b.removeGroupMember(ids.family, ids.alice); }},
                    ChangeRow{"SetPicture", [](AddressBook& b, const Ids& ids) { return b.setImageData(ids.bob, QByteArray("bob")); }},
                    ChangeRow{"RemovePicture", [](AddressBook& b, const Ids& ids) { return b.removeImageData(ids.alice); }},
                    ChangeRow{"SeveralChanges",
                              [](AddressBook& b, const Ids& ids) {
                                  const std::int32_t id = b.addPerson(named("Dave", "Several"));
                                  return id >= 0 && b.addGroupMember(ids.family, id) && b.removePerson(ids.bob);
                              }}),
    rowName<ChangeRow>);

struct FailedChangeRow {
    std::string name;
    std::function<bool(AddressBook&)> change;
};

class AddressBookFailedChange : public BookTest<FailedChangeRow> {};

// A change that fails must not leave the handle holding the write lock: another handle
// would wait for the busy timeout and then fail.
TEST_P(AddressBookFailedChange, LeavesNothingUnsavedAndNoLock)
{
    auto book = openBook(path);
    auto other = openBook(path);
    EXPECT_FALSE(GetParam().change(*book));
    EXPECT_FALSE(book->lastError().isEmpty());
    EXPECT_FALSE(book->hasUnsavedChanges());

    const auto start = std::chrono::steady_clock::now();
    EXPECT_GE(other->addPerson(named("Other", "Writer")), 0) << other->lastError().toStdString();
    EXPECT_TRUE(other->save());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(book->personCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    AddressBookChanges, AddressBookFailedChange,
    testing::Values(FailedChangeRow{"UpdateMissingPerson",
                                    [](AddressBook& b) {
                                        Person p = named("No", "One");
                                        p.recordID = 77;
                                        return b.updatePerson(p);
                                    }},
                    FailedChangeRow{"UpdateUnaddedPerson", [](AddressBook& b) { return b.updatePerson(named("Never", "Added")); }},
                    FailedChangeRow{"RemoveMissingPerson", [](AddressBook& b) { return b.removePerson(5); }},
                    FailedChangeRow{"MemberOfMissingGroup", [](AddressBook& b) { return b.addGroupMember(1, 1); }},
                    FailedChangeRow{"PictureOfMissingPerson", [](AddressBook& b) { return b.setImageData(3, QByteArray("x")); }},
                    FailedChangeRow{"PictureOfRemovedPerson",
                                    [](AddressBook& b) {
                                        const std::int32_t id = b.addPerson(Person{});
                                        return b.removePerson(id) && b.save() && (b.setImageData(id, "x") || b.removeImageData(id));
                                    }},
                    FailedChangeRow{"RemovePictureOfNegativeId", [](AddressBook& b) { return b.removeImageData(-1); }}),
    rowName<FailedChangeRow>);

struct HalfWayRow {
    std::string name;
    bool earlierChange;  // the handle already holds an unsaved change
    bool update;         // else an add
};

class AddressBookHalfWayFailure : public BookTest<HalfWayRow> {};

// A change refused after part of it was written (here by a trigger put into the file)
// leaves nothing of itself behind, and keeps the handle's earlier changes.
TEST_P(AddressBookHalfWayFailure, LeavesNothingOfItself)
{
    const HalfWayRow& row = GetParam();
    std::int32_t existing = -1;
    {
        auto book = openBook(path);
        existing = book->addPerson(everything());
        ASSERT_TRUE(book->save());
    }
    RawFile(path).exec("CREATE TRIGGER refuse_boom BEFORE INSERT ON person_values WHEN NEW.value = 'boom' "
                       "BEGIN SELECT RAISE(ABORT, 'boom refused'); END;");
    auto book = openBook(path);
    if (row.earlierChange) {
        ASSERT_GE(book->addPerson(named("Earlier", "Change")), 0);
    }
    const std::string before = snapshot(*book);
    Person boom = row.update ? named("Half", "Way") : everything();
    boom.phones.push_back({Mobile, QStringLiteral("boom")});
    boom.recordID = existing;
    EXPECT_FALSE(row.update ? book->updatePerson(boom) : book->addPerson(boom) >= 0);
    EXPECT_TRUE(book->lastError().contains(QStringLiteral("boom refused"))) << book->lastError().toStdString();
    EXPECT_EQ(snapshot(*book), before);
    EXPECT_EQ(book->hasUnsavedChanges(), row.earlierChange);
    ASSERT_TRUE(book->save());
    EXPECT_EQ(snapshot(*openBook(path)), before);
}

INSTANTIATE_TEST_SUITE_P(AddressBookChanges, AddressBookHalfWayFailure,
                         testing::Values(HalfWayRow{"Add", false, false}, HalfWayRow{"AddAfterEarlierChange", true, false},
                                         HalfWayRow{"Update", false, true}, HalfWayRow{"UpdateAfterEarlierChange", true, true}),
                         rowName<HalfWayRow>);

TEST_F(AddressBookFile, SecondWriterWaitsForTheFirstToSave)
{
    auto first = openBook(path);
    ASSERT_TRUE(first);
    ASSERT_GE(first->addPerson(named("First", "Writer")), 0);

    std::int32_t secondID = -2;
    bool secondSaved = false;
    std::atomic<bool> started = false;
    std::chrono::steady_clock::duration waited{};
    std::thread second([&] {
        const auto start = std::chrono::steady_clock::now();
        started = true;
        auto book = AddressBook::create(path);
        if (!book)
            return;
        secondID = book->addPerson(named("Second", "Writer"));
        waited = std::chrono::steady_clock::now() - start;
        secondSaved = book->save();
    });
    while (!started)
        std::this_thread::yield();
    // The first handle keeps its write lock this long after the second one started.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(first->save());
    second.join();

    EXPECT_GE(secondID, 0);
    EXPECT_TRUE(secondSaved);
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_EQ(first->personCount(), 2);
}

// Writes past this size fail (EFBIG) while it lives, as on a full disk; the signal the
// kernel sends with them is ignored so that the failure reaches SQLite.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

struct FailedSaveRow {
    std::string name;
    std::function<bool(AddressBook&)> change;
};

class AddressBookFailedSave : public BookTest<FailedSaveRow> {};

// The changes are written to the file at save(); when that fails they are dropped, the
// failure is reported, and the book stays usable.
TEST_P(AddressBookFailedSave, DropsChangesAndReports)
{
    auto book = openBook(path);
    ASSERT_GE(book->addPerson(everything()), 0);
    ASSERT_TRUE(book->save());
    const std::string before = snapshot(*book);

    ASSERT_TRUE(GetParam().change(*book)) << book->lastError().toStdString();
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

    const std::int32_t later = book->addPerson(named("Later", "Change"));
    ASSERT_GE(later, 0) << book->lastError().toStdString();
    ASSERT_TRUE(book->save());
    auto reopened = openBook(path);
    EXPECT_EQ(reopened->personCount(), 2);
    EXPECT_EQ(reopened->person(later)->lastName, QStringLiteral("Change"));
}

INSTANTIATE_TEST_SUITE_P(AddressBookChanges, AddressBookFailedSave,
                         testing::Values(FailedSaveRow{"LargePicture",
                                                       [](AddressBook& b) {
                                                           const std::int32_t id = b.addPerson(named("Big", "Picture"));
                                                           return id >= 0 && b.setImageData(id, patterned(2 << 20));
                                                       }},
                                         FailedSaveRow{"ManyPeople",
                                                       [](AddressBook& b) {
                                                           for (int i = 0; i < 3000; ++i) {
                                                               if (b.addPerson(everything()) < 0)
                                                                   return false;
                                                           }
                                                           return true;
                                                       }}),
                         rowName<FailedSaveRow>);

struct DroppedRow {
    std::string name;
    std::function<void(std::unique_ptr<AddressBook>&)> end;
    int expectedCount;
};

class AddressBookEndOfHandle : public BookTest<DroppedRow> {};

TEST_P(AddressBookEndOfHandle, OnlySavedChangesOutliveIt)
{
    auto book = openBook(path);
    ASSERT_GE(book->addPerson(named("Saved", "One")), 0);
    ASSERT_TRUE(book->save());
    ASSERT_GE(book->addPerson(named("Maybe", "Saved")), 0);
    GetParam().end(book);
    book.reset();
    EXPECT_EQ(openBook(path)->personCount(), GetParam().expectedCount);
}

INSTANTIATE_TEST_SUITE_P(AddressBookEndings, AddressBookEndOfHandle,
                         testing::Values(DroppedRow{"ClosedUnsaved", [](auto&) {}, 1},
                                         DroppedRow{"Reverted", [](auto& b) { b->revert(); }, 1},
                                         DroppedRow{"Saved", [](auto& b) { EXPECT_TRUE(b->save()); }, 2}),
                         rowName<DroppedRow>);

// ---- Files --------------------------------------------------------------------------------

struct RefusedRow {
    std::string name;
    std::function<void(const QString& path)> make;
    const char* mentioned;  // part of the error text
};

class AddressBookRefusedFile : public BookTest<RefusedRow> {};

TEST_P(AddressBookRefusedFile, RefusedWithErrorAndLeftUntouched)
{
    const RefusedRow& row = GetParam();
    row.make(path);
    const QByteArray before = test::readFile(path);
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    QString error;
    EXPECT_FALSE(AddressBook::create(path, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("AddressBook.sqlite"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QLatin1StringView(row.mentioned))) << error.toStdString();
    EXPECT_EQ(test::readFile(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), filesBefore);
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(test::writeFile(path, bytes));
}

QByteArray noise(int size)
{
    std::mt19937 engine(7);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(engine());
    return bytes;
}

void makeBook(const QString& path)
{
    auto book = AddressBook::create(path);
    ASSERT_TRUE(book);
    book->addPerson(everything());
    ASSERT_TRUE(book->save());
}

INSTANTIATE_TEST_SUITE_P(
    AddressBookFiles, AddressBookRefusedFile,
    testing::Values(
        RefusedRow{"Garbage", [](const QString& p) { writeBytes(p, noise(8192)); }, "not an SQLite database"},
        RefusedRow{"ShortGarbage", [](const QString& p) { writeBytes(p, QByteArray("SQLite")); }, "not an SQLite database"},
        RefusedRow{"SqliteHeaderThenGarbage",
                   [](const QString& p) { writeBytes(p, QByteArray("SQLite format 3", 16) + noise(8192)); }, "damaged"},
        RefusedRow{"OtherApplicationsTables",
                   [](const QString& p) {
                       RawFile raw(p);
                       raw.exec("CREATE TABLE recipes (id INTEGER PRIMARY KEY, title TEXT); INSERT INTO recipes (title) VALUES ('Soup');");
                   },
                   "recipes"},
        RefusedRow{"OtherApplicationsEmptyDatabase", [](const QString& p) { RawFile(p).exec("PRAGMA application_id = 1234; VACUUM;"); }, "another application"},
        RefusedRow{"NewerLayout",
                   [](const QString& p) {
                       makeBook(p);
                       RawFile(p).exec("PRAGMA user_version = " + std::to_string(AddressBook::SchemaVersion + 1));
                   },
                   "newer"},
        RefusedRow{"LayoutVersionWithoutTables", [](const QString& p) { RawFile(p).exec("PRAGMA user_version = 1; VACUUM;"); }, "missing"},
        RefusedRow{"Folder", [](const QString& p) { QDir().mkpath(p); }, "folder"}),
    rowName<RefusedRow>);

struct AcceptedRow {
    std::string name;
    std::function<void(const QString& path)> make;
    int people;  // already in the file
};

class AddressBookAcceptedFile : public BookTest<AcceptedRow> {};

TEST_P(AddressBookAcceptedFile, OpenedInWalModeAndWritable)
{
    const AcceptedRow& row = GetParam();
    row.make(path);
    {
        QString error;
        auto book = AddressBook::create(path, &error);
        ASSERT_TRUE(book) << error.toStdString();
        EXPECT_EQ(book->path(), path);
        EXPECT_EQ(book->personCount(), row.people);
        ASSERT_GE(book->addPerson(named("Added", "Now")), 0) << book->lastError().toStdString();
        ASSERT_TRUE(book->save());
    }
    EXPECT_EQ(RawFile(path).scalar("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(openBook(path)->personCount(), row.people + 1);
}

INSTANTIATE_TEST_SUITE_P(AddressBookFiles, AddressBookAcceptedFile,
                         testing::Values(AcceptedRow{"Missing", [](const QString&) {}, 0},
                                         AcceptedRow{"EmptyFile", [](const QString& p) { writeBytes(p, QByteArray()); }, 0},
                                         AcceptedRow{"EmptyDatabase", [](const QString& p) { RawFile(p).exec("CREATE TABLE t (x); DROP TABLE t;"); }, 0},
                                         AcceptedRow{"ExistingBook", [](const QString& p) { makeBook(p); }, 1}),
                         rowName<AcceptedRow>);

TEST(AddressBookOpen, MissingFolderRefused)
{
    TempDir dir;
    const QString paths[] = {dir.file(QStringLiteral("no/such/folder/AddressBook.sqlite")), QString()};
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        QString error;
        EXPECT_FALSE(AddressBook::create(path, &error));
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST_F(AddressBookFile, HandlesOpeningANewFileTogetherAgree)
{
    std::vector<std::thread> threads;
    std::vector<std::string> results(4);
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] {
            QString error;
            auto book = AddressBook::create(path, &error);
            if (!book) {
                results[i] = error.toStdString();
                return;
            }
            const bool ok = book->addPerson(named("Thread", std::to_string(i).c_str())) >= 0 && book->save();
            results[i] = ok ? "ok" : book->lastError().toStdString();
        });
    }
    for (std::thread& t : threads)
        t.join();
    for (std::size_t i = 0; i < results.size(); ++i)
        EXPECT_EQ(results[i], "ok") << i;
    EXPECT_EQ(openBook(path)->personCount(), 4);
}

// ---- Many people --------------------------------------------------------------------------

struct ManyRow {
    std::string name;
    SyntheticContacts::Options options;
    int removeEvery;  // 0: none removed
};

class AddressBookMany : public BookTest<ManyRow> {};

// allPeople merges two ordered scans; person(id) reads one person. They must agree for
// every person, including ones without any values and neighbours of removed ones.
TEST_P(AddressBookMany, ReopenedBookMatchesWhatWasAdded)
{
    const ManyRow& row = GetParam();
    const std::vector<SyntheticContact> contacts = SyntheticContacts::generate(row.options);
    std::string beforeClosing;
    {
        auto book = openBook(path);
        ASSERT_EQ(SyntheticContacts::fill(*book, row.options), row.options.people) << book->lastError().toStdString();
        if (row.removeEvery > 0) {
            for (int i = 0; i < row.options.people; i += row.removeEvery)
                ASSERT_TRUE(book->removePerson(i + 1));
            ASSERT_TRUE(book->save());
        }
        beforeClosing = snapshot(*book);
    }
    auto book = openBook(path);
    EXPECT_EQ(snapshot(*book), beforeClosing);

    QHash<std::int32_t, QString> groupNames;
    for (const Group& g : book->allGroups())
        groupNames.insert(g.recordID, g.name);
    const std::vector<Person> all = book->allPeople();
    std::size_t at = 0;
    for (int i = 0; i < row.options.people; ++i) {
        const std::int32_t id = i + 1;  // fill() adds them in order to an empty book
        const bool removed = row.removeEvery > 0 && i % row.removeEvery == 0;
        if (removed) {
            EXPECT_FALSE(book->person(id)) << id;
            continue;
        }
        ASSERT_LT(at, all.size());
        Person expected = contacts[std::size_t(i)].person;
        expected.recordID = id;
        EXPECT_EQ(all[at], expected);
        EXPECT_EQ(book->person(id), expected);
        ++at;
        QStringList groups;
        for (std::int32_t g : book->groupsOf(id))
            groups << groupNames.value(g);
        QStringList expectedGroups = contacts[std::size_t(i)].groups;
        groups.sort();
        expectedGroups.sort();
        EXPECT_EQ(groups, expectedGroups) << id;
        EXPECT_EQ(book->imageData(id), contacts[std::size_t(i)].photo) << id;
    }
    EXPECT_EQ(at, all.size());
}

INSTANTIATE_TEST_SUITE_P(AddressBookSynthetic, AddressBookMany,
                         testing::Values(ManyRow{"Empty", {0, 1, 0}, 0},
                                         ManyRow{"OnePerson", {1, 5, 1}, 0},
                                         ManyRow{"ThousandWithPicturesAndRemovals", {1000, 3, 7}, 3}),
                         rowName<ManyRow>);

} // namespace
} // namespace fetemark
