// Reading people of a real address book (SQLite in a temporary directory) into occasion
// records: names by the name settings, groups, dated fields and their labels, smart
// labels, phantom birthdays of linked Facebook friends, zones far from UTC, and a book
// of 10,000 people.
#include "core/Calendar.h"
#include "core/ContactLabels.h"
#include "core/ContactReader.h"
#include "core/OccasionCalculator.h"
#include "core/OccasionRecord.h"
#include "core/Settings.h"
#include "core/SettingsKeys.h"
#include "core/Texts.h"
#include "platform/AddressBook.h"
#include "platform/SyntheticContacts.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

using namespace fetemark;

namespace {

template <typename Row>
std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

std::string day(const QDate& d)
{
    return d.isValid() ? d.toString(Qt::ISODate).toStdString() : std::string("<invalid>");
}

const QString Anniversary = QString(ContactLabel::Anniversary);

// A fresh data directory with its own book, settings at their registered defaults,
// the built-in English texts and the device zone of the test.
class ContactReaderFixture {
public:
    explicit ContactReaderFixture(const QString& zone = QStringLiteral("Europe/Berlin"),
                                  const QString& language = QStringLiteral("EN"),
                                  const QString& resources = QStringLiteral(":/resources"))
        : settings(dir.file(QStringLiteral("Preferences.plist"))), texts(language, resources), calendar(zone)
    {
        settings.registerDefaults(registeredDefaults());
        QString error;
        book = AddressBook::create(dir.file(QStringLiteral("AddressBook.sqlite")), &error);
        EXPECT_TRUE(book) << error.toStdString();
    }

    std::int32_t add(const Person& person)
    {
        const std::int32_t id = book->addPerson(person);
        EXPECT_NE(id, -1) << book->lastError().toStdString();
        EXPECT_TRUE(book->save());
        return id;
    }

    void set(QLatin1StringView key, const QVariant& value) { settings.setValue(QString(key), value); }

    ContactReader reader() const { return ContactReader(settings, texts, calendar); }

    struct Result {
        std::vector<OccasionRecordPtr> records;
        std::vector<OccasionRecordPtr> contacts;
    };
    Result read(const std::vector<OccasionRecordPtr>& links = {}) const
    {
        Result r;
        reader().readAddressBook(*book, links, {r.records, &r.contacts});
        return r;
    }

    // Midnight of a calendar day in the fixture's zone.
    QDateTime midnight(const QDate& d) const { return calendar.date(d.year(), d.month(), d.day()); }

    test::TempDir dir;
    Settings settings;
    Texts texts;
    Calendar calendar;
    std::unique_ptr<AddressBook> book;
};

Person named(const QString& first, const QString& last)
{
    Person p;
    p.firstName = first;
    p.lastName = last;
    return p;
}

// ---- Names --------------------------------------------------------------------------------

struct NameRow {
    std::string name;
    Person person;
    bool firstNameFirst;
    bool prefixSuffix;
    bool middleName;
    QString expected;
    QString first;
    QString last;
};

Person fullName()
{
    Person p = named(QStringLiteral("Anna"), QStringLiteral("Berg"));
    p.prefix = QStringLiteral("Dr.");
    p.middleName = QStringLiteral("Maria");
    p.suffix = QStringLiteral("Jr.");
    p.organization = QStringLiteral("Acme Ltd");
    return p;
}

Person only(QString Person::*field, const QString& value)
{
    Person p;
    p.*field = value;
    return p;
}

Person blankFirst()
{
    Person p = named(QStringLiteral("  "), QStringLiteral("Berg "));
    return p;
}

class ContactReaderNames : public testing::TestWithParam<NameRow> {};

TEST_P(ContactReaderNames, FollowTheNameSettings)
{
    const NameRow& row = GetParam();
    ContactReaderFixture f;
    f.set(Key::FirstNameFirst, row.firstNameFirst);
    f.set(Key::ShowPrefixSuffix, row.prefixSuffix);
    f.set(Key::ShowMiddleName, row.middleName);

    QString first = QStringLiteral("stale");
    QString last = QStringLiteral("stale");
    EXPECT_EQ(ContactReader::createNameString(row.person, f.settings, &first, &last), row.expected);
    EXPECT_EQ(first, row.first);
    EXPECT_EQ(last, row.last);
    EXPECT_EQ(ContactReader::createNameString(row.person, f.settings), row.expected);

    // The same name on every record read from the book, and on the contact entry.
    Person stored = row.person;
    stored.birthday = QDate(1980, 4, 2);
    stored.dates.push_back({QStringLiteral("Graduation"), QDate(2001, 6, 30)});
    const auto id = f.add(stored);
    const auto result = f.read();
    ASSERT_EQ(result.records.size(), 2u);
    for (const auto& r : result.records) {
        EXPECT_EQ(r->recordID, id);
        EXPECT_EQ(r->name, row.expected);
        EXPECT_EQ(r->originalName, row.expected);
        EXPECT_EQ(r->firstName, row.first);
        EXPECT_EQ(r->lastName, row.last);
    }
    ASSERT_EQ(result.contacts.size(), 1u);
    EXPECT_EQ(result.contacts[0]->firstName, row.first);
    EXPECT_EQ(result.contacts[0]->lastName, row.last);
}

INSTANTIATE_TEST_SUITE_P(ContactReader, ContactReaderNames, testing::Values(
    NameRow{"FirstNameFirst", fullName(), true, false, false, "Anna Berg", "Anna", "Berg"},
    NameRow{"LastNameFirst", fullName(), false, false, false, "Berg Anna", "Anna", "Berg"},
    NameRow{"FirstNameFirstWithMiddleName", fullName(), true, false, true, "Anna Maria Berg", "Anna", "Berg"},
    NameRow{"PrefixAndSuffixFirstNameFirst", fullName(), true, true, false, "Dr. Anna Berg Jr.", "Anna", "Berg"},
    NameRow{"EveryPartLastNameFirst", fullName(), false, true, true, "Dr. Berg Anna Maria Jr.", "Anna", "Berg"},
    NameRow{"LastNameOnlyLastFirst", only(&Person::lastName, QStringLiteral("Berg")), false, false, false, "Berg", "", "Berg"},
    NameRow{"OrganizationOnly", only(&Person::organization, QStringLiteral("Acme Ltd")), true, true, true, "Acme Ltd", "", ""},
    NameRow{"HiddenMiddleNameFallsBackToOrganization",
            [] { Person p = only(&Person::middleName, QStringLiteral("Maria")); p.organization = QStringLiteral("Acme Ltd"); return p; }(),
            true, false, false, "Acme Ltd", "", ""},
    NameRow{"ShownPrefixAloneIsAName",
            [] { Person p = only(&Person::prefix, QStringLiteral("Dr.")); p.organization = QStringLiteral("Acme Ltd"); return p; }(),
            true, true, false, "Dr.", "", ""},
    NameRow{"NoNameAtAll", Person{}, true, true, true, "", "", ""},
    NameRow{"BlankPartsLeaveNoDoubleSpaces", blankFirst(), true, false, false, "Berg", "", "Berg"},
    NameRow{"OtherScripts", named(QStringLiteral("太郎"), QStringLiteral("山田")), false, false, false, "山田 太郎", "太郎", "山田"}),
    rowName<NameRow>);

// ---- Groups -------------------------------------------------------------------------------

struct GroupRow {
    std::string name;
    enum class Select { All, Friends, EmptyGroup, Missing } select;
    std::vector<int> expected;  // indexes of the people below, in the expected order
};

class ContactReaderGroups : public testing::TestWithParam<GroupRow> {};

TEST_P(ContactReaderGroups, ReadTheChosenGroup)
{
    const GroupRow& row = GetParam();
    ContactReaderFixture f;
    std::vector<std::int32_t> ids;
    for (const char* first : {"Anna", "Ben", "Cleo", "Dan"}) {
        Person p = named(QString::fromLatin1(first), QStringLiteral("Berg"));
        p.birthday = QDate(1990, 1, 1 + int(ids.size()));
        ids.push_back(f.add(p));
    }
    const auto friends = f.book->addGroup(QStringLiteral("Friends"));
    const auto empty = f.book->addGroup(QStringLiteral("Empty"));
    // Joined in reverse: the records still come in the book's order.
    ASSERT_TRUE(f.book->addGroupMember(friends, ids[3]));
    ASSERT_TRUE(f.book->addGroupMember(friends, ids[1]));
    ASSERT_TRUE(f.book->save());

    switch (row.select) {
    case GroupRow::Select::All: f.set(Key::ContactGroup, -1); break;
    case GroupRow::Select::Friends: f.set(Key::ContactGroup, friends); break;
    case GroupRow::Select::EmptyGroup: f.set(Key::ContactGroup, empty); break;
    case GroupRow::Select::Missing: f.set(Key::ContactGroup, empty + 100); break;
    }

    const auto result = f.read();
    std::vector<std::int32_t> expected;
    for (int i : row.expected)
        expected.push_back(ids[std::size_t(i)]);
    std::vector<std::int32_t> got;
    for (const auto& r : result.records)
        got.push_back(r->recordID);
    EXPECT_EQ(got, expected);
    std::vector<std::int32_t> contacts;
    for (const auto& c : result.contacts)
        contacts.push_back(c->recordID);
    EXPECT_EQ(contacts, expected);
}

INSTANTIATE_TEST_SUITE_P(ContactReader, ContactReaderGroups, testing::Values(
    GroupRow{"MinusOneReadsEveryone", GroupRow::Select::All, {0, 1, 2, 3}},
    GroupRow{"ExistingGroupReadsItsMembersInBookOrder", GroupRow::Select::Friends, {1, 3}},
    GroupRow{"EmptyGroupReadsNobody", GroupRow::Select::EmptyGroup, {}},
    GroupRow{"MissingGroupReadsNobody", GroupRow::Select::Missing, {}}),
    rowName<GroupRow>);

TEST(ContactReaderGroupsDefault, TheRegisteredDefaultReadsEveryone)
{
    ContactReaderFixture f;
    f.add(named(QStringLiteral("Anna"), QStringLiteral("Berg")));
    f.add(named(QStringLiteral("Ben"), QStringLiteral("Berg")));
    EXPECT_EQ(f.read().contacts.size(), 2u);
}

// ---- Dated fields -------------------------------------------------------------------------

TEST(ContactReaderDates, EveryDatedFieldBecomesARecordInStoredOrder)
{
    ContactReaderFixture f;
    Person p = named(QStringLiteral("Anna"), QStringLiteral("Berg"));
    p.birthday = QDate(1985, 3, 5);
    p.dates = {{QStringLiteral("Graduation"), QDate(2007, 7, 14)},
               {Anniversary, QDate(2010, 8, 21)},
               {QString(), QDate(2015, 1, 9)},
               {QString(ContactLabel::Other), QDate(2019, 12, 31)}};
    const auto id = f.add(p);
    f.add(named(QStringLiteral("No"), QStringLiteral("Dates")));

    const auto result = f.read();
    struct Expected {
        int type;
        QString label;
        QDate date;
    };
    const Expected expected[] = {
        {OccasionRecord::Birthday, QString(), QDate(1985, 3, 5)},
        {OccasionRecord::OtherDate, QStringLiteral("Graduation"), QDate(2007, 7, 14)},
        {OccasionRecord::Anniversary, Anniversary, QDate(2010, 8, 21)},
        {OccasionRecord::OtherDate, QStringLiteral("date"), QDate(2015, 1, 9)},
        {OccasionRecord::OtherDate, QString(ContactLabel::Other), QDate(2019, 12, 31)},
    };
    ASSERT_EQ(result.records.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        const OccasionRecord& r = *result.records[i];
        EXPECT_EQ(r.recordID, id);
        EXPECT_EQ(r.type, expected[i].type);
        EXPECT_EQ(r.otherDateLabel, expected[i].label);
        EXPECT_FALSE(r.otherDateLabel.isNull());
        EXPECT_EQ(r.rawDate, f.midnight(expected[i].date));
        EXPECT_EQ(r.name, QStringLiteral("Anna Berg"));
        EXPECT_FALSE(r.isCustomEntry);
        EXPECT_FALSE(r.isFacebookEntry);
        EXPECT_FALSE(r.lionNoYear);
        EXPECT_FALSE(r.isPhantomBirthday);
        EXPECT_FALSE(r.fakeBirthday || r.fakeAnniversary);
        EXPECT_EQ(r.abPhoto, int(OccasionRecord::PhotoNotLookedUp));
        EXPECT_TRUE(r.facebookLinkID.isEmpty());
        // Reading leaves the dates to be computed with the rest of the load.
        EXPECT_FALSE(r.sortDate.isValid());
    }
}

TEST(ContactReaderDates, AnUnlabelledDateTakesTheTranslatedWord)
{
    test::TempDir resources;
    ASSERT_TRUE(QDir(resources.path()).mkpath(QStringLiteral("de.lproj")));
    ASSERT_TRUE(test::writeFile(resources.file(QStringLiteral("de.lproj/Localizable.strings")),
                                QByteArrayLiteral("\"lowercase_date\" = \"Datum\";\n")));
    ContactReaderFixture f(QStringLiteral("Europe/Berlin"), QStringLiteral("DE"), resources.path());
    Person p = named(QStringLiteral("Anna"), QStringLiteral("Berg"));
    p.dates = {{QString(), QDate(2015, 1, 9)}};
    f.add(p);
    const auto result = f.read();
    ASSERT_EQ(result.records.size(), 1u);
    EXPECT_EQ(result.records[0]->otherDateLabel, QStringLiteral("Datum"));
    EXPECT_EQ(result.records[0]->type, int(OccasionRecord::OtherDate));
}

struct NoYearRow {
    std::string name;
    QDate date;
    bool asBirthday;
    bool lionNoYear;
};

class ContactReaderNoYear : public testing::TestWithParam<NoYearRow> {};

TEST_P(ContactReaderNoYear, Year1604MarksADateWithoutYear)
{
    const NoYearRow& row = GetParam();
    ContactReaderFixture f;
    Person p = named(QStringLiteral("Anna"), QStringLiteral("Berg"));
    if (row.asBirthday)
        p.birthday = row.date;
    else
        p.dates = {{Anniversary, row.date}};
    f.add(p);
    const auto result = f.read();
    ASSERT_EQ(result.records.size(), 1u);
    const OccasionRecord& r = *result.records[0];
    EXPECT_EQ(r.lionNoYear, row.lionNoYear);
    EXPECT_FALSE(r.ignoreYear);
    const DateParts parts = f.calendar.components(r.rawDate);
    EXPECT_EQ(QDate(parts.year, parts.month, parts.day), row.date) << day(row.date);
}

INSTANTIATE_TEST_SUITE_P(ContactReader, ContactReaderNoYear, testing::Values(
    NoYearRow{"BirthdayWithoutYear", QDate(1604, 5, 17), true, true},
    NoYearRow{"LeapDayWithoutYearStaysLeapDay", QDate(1604, 2, 29), true, true},
    NoYearRow{"AnniversaryWithoutYear", QDate(1604, 11, 3), false, true},
    NoYearRow{"YearAfterTheMark", QDate(1605, 5, 17), true, false},
    NoYearRow{"OrdinaryYear", QDate(1999, 5, 17), true, false}),
    rowName<NoYearRow>);

// ---- Smart labels -------------------------------------------------------------------------

struct SmartRow {
    std::string name;
    QString label;
    bool smartLabels;
    int type;
    bool fakeBirthday;
    bool fakeAnniversary;
    QString shownName;
    QString smartLabel;
};

class ContactReaderSmartLabels : public testing::TestWithParam<SmartRow> {};

TEST_P(ContactReaderSmartLabels, NameTheDateByItsLabel)
{
    const SmartRow& row = GetParam();
    ContactReaderFixture f;
    f.set(Key::SmartLabels, row.smartLabels);
    Person p = named(QStringLiteral("Anna"), QStringLiteral("Berg"));
    p.dates = {{row.label, QDate(2012, 9, 1)}};
    f.add(p);

    const auto result = f.read();
    ASSERT_EQ(result.records.size(), 1u);
    const OccasionRecord& r = *result.records[0];
    EXPECT_EQ(r.type, row.type);
    EXPECT_EQ(r.fakeBirthday, row.fakeBirthday);
    EXPECT_EQ(r.fakeAnniversary, row.fakeAnniversary);
    EXPECT_EQ(r.name, row.shownName);
    EXPECT_EQ(r.smartLabel, row.smartLabel);
    EXPECT_EQ(r.originalName, QStringLiteral("Anna Berg"));
    EXPECT_EQ(r.otherDateLabel, row.label.isEmpty() ? QStringLiteral("date") : row.label);
    // The search index finds the record by the name it shows.
    EXPECT_EQ(f.reader().indexedText(r), row.shownName);
}

INSTANTIATE_TEST_SUITE_P(ContactReader, ContactReaderSmartLabels, testing::Values(
    SmartRow{"BirthdayOfSomeoneElse", "Tom's birthday", true, 2, true, false, "Tom's", "Tom's "},
    SmartRow{"WordMatchedIgnoringCase", "Tom's BirthDay", true, 2, true, false, "Tom's", "Tom's "},
    SmartRow{"SecondBirthdayWord", "bday Tom", true, 2, true, false, "Tom", " Tom"},
    SmartRow{"EveryOccurrenceRemoved", "Birthday birthday Tom", true, 2, true, false, "Tom", "  Tom"},
    SmartRow{"OnlyTheBirthdayWordKeepsTheName", "Birthday", true, 2, true, false, "Anna Berg", ""},
    SmartRow{"BirthdayWinsOverAnniversary", "anniversary birthday", true, 2, true, false, "anniversary", "anniversary "},
    SmartRow{"WeddingAnniversary", "Wedding anniversary", true, 2, false, true, "Anna Berg (Wedding)", "Wedding "},
    SmartRow{"SecondAnniversaryWord", "Wedding", true, 2, false, true, "Anna Berg", ""},
    SmartRow{"PercentInTheRestIsText", "100% anniversary", true, 2, false, true, "Anna Berg (100%)", "100% "},
    SmartRow{"NoWordNoChange", "Graduation", true, 2, false, false, "Anna Berg", ""},
    SmartRow{"UnlabelledDateNoChange", "", true, 2, false, false, "Anna Berg", ""},
    SmartRow{"OffLeavesBirthdayLabelsAlone", "Tom's birthday", false, 2, false, false, "Anna Berg", ""},
    SmartRow{"PlatformAnniversaryIsAnAnniversary", Anniversary, true, 1, false, false, "Anna Berg", ""}),
    rowName<SmartRow>);

TEST(ContactReaderSmartLabelWords, EnglishWordsComeFromTheTable)
{
    ContactReaderFixture f;
    EXPECT_EQ(f.reader().birthdayWords(), (QStringList{"birthday", "bday"}));
    EXPECT_EQ(f.reader().anniversaryWords(), (QStringList{"anniversary", "wedding"}));
}

TEST(ContactReaderSmartLabelWords, TranslatedWordsAndStraySeparators)
{
    test::TempDir resources;
    ASSERT_TRUE(QDir(resources.path()).mkpath(QStringLiteral("de.lproj")));
    ASSERT_TRUE(test::writeFile(resources.file(QStringLiteral("de.lproj/Localizable.strings")),
                                QStringLiteral("\"SmartSort_Birthday\" = \"Geburtstag|| |geb\";\n"
                                               "\"SmartSort_Anniversary\" = \"Hochzeitstag|\";\n").toUtf8()));
    ContactReaderFixture f(QStringLiteral("Europe/Berlin"), QStringLiteral("DE"), resources.path());
    f.set(Key::SmartLabels, true);
    const ContactReader reader = f.reader();
    EXPECT_EQ(reader.birthdayWords(), (QStringList{"Geburtstag", "geb"}));
    EXPECT_EQ(reader.anniversaryWords(), (QStringList{"Hochzeitstag"}));

    Person p = named(QStringLiteral("Anna"), QStringLiteral("Berg"));
    p.dates = {{QStringLiteral("GEBURTSTAG von Tom"), QDate(2012, 9, 1)},
               {QStringLiteral("Hochzeitstag Eltern"), QDate(1980, 5, 2)},
               // An empty word between the separators must not match every label.
               {QStringLiteral("Urlaub"), QDate(2020, 8, 1)}};
    f.add(p);
    const auto result = f.read();
    ASSERT_EQ(result.records.size(), 3u);
    EXPECT_TRUE(result.records[0]->fakeBirthday);
    EXPECT_EQ(result.records[0]->name, QStringLiteral("von Tom"));
    EXPECT_TRUE(result.records[1]->fakeAnniversary);
    EXPECT_EQ(result.records[1]->name, QStringLiteral("Anna Berg (Eltern)"));
    EXPECT_FALSE(result.records[2]->fakeBirthday || result.records[2]->fakeAnniversary);
    EXPECT_EQ(result.records[2]->name, QStringLiteral("Anna Berg"));
}

struct IndexRow {
    std::string name;
    bool smartLabelsWhenIndexing;
    bool customEntry;
    QString expected;
};

class ContactReaderIndexedText : public testing::TestWithParam<IndexRow> {};

TEST_P(ContactReaderIndexedText, IsRebuiltFromTheLabelOnlyForSmartContactDates)
{
    const IndexRow& row = GetParam();
    ContactReaderFixture f;
    f.set(Key::SmartLabels, true);
    Person p = named(QStringLiteral("Anna"), QStringLiteral("Berg"));
    p.dates = {{QStringLiteral("Tom's birthday"), QDate(2012, 9, 1)}};
    f.add(p);
    const auto result = f.read();
    ASSERT_EQ(result.records.size(), 1u);
    OccasionRecord& r = *result.records[0];
    ASSERT_TRUE(r.fakeBirthday);
    r.name = QStringLiteral("Shown elsewhere");
    r.isCustomEntry = row.customEntry;
    f.set(Key::SmartLabels, row.smartLabelsWhenIndexing);
    EXPECT_EQ(f.reader().indexedText(r), row.expected);
}

INSTANTIATE_TEST_SUITE_P(ContactReader, ContactReaderIndexedText, testing::Values(
    IndexRow{"SmartContactDate", true, false, "Tom's"},
    IndexRow{"SmartLabelsSwitchedOff", false, false, "Shown elsewhere"},
    IndexRow{"NotAContactDate", true, true, "Shown elsewhere"}),
    rowName<IndexRow>);

TEST(ContactReaderSmartLabelStep, AppliesOnlyWhileSwitchedOnAndToOtherDates)
{
    ContactReaderFixture f;
    const ContactReader reader = f.reader();
    auto other = reader.createOccasionForABRecord(QStringLiteral("Anna Berg"), 7, OccasionRecord::OtherDate,
                                                  QDate(2012, 9, 1), QStringLiteral("Tom's birthday"));
    f.set(Key::SmartLabels, false);
    reader.applySmartLabel(*other);
    EXPECT_FALSE(other->fakeBirthday);
    EXPECT_EQ(other->name, QStringLiteral("Anna Berg"));

    f.set(Key::SmartLabels, true);
    reader.applySmartLabel(*other);
    EXPECT_TRUE(other->fakeBirthday);
    EXPECT_EQ(other->name, QStringLiteral("Tom's"));

    auto birthday = reader.createOccasionForABRecord(QStringLiteral("Anna Berg"), 7, OccasionRecord::Birthday,
                                                     QDate(2012, 9, 1), QStringLiteral("Tom's birthday"));
    reader.applySmartLabel(*birthday);
    EXPECT_FALSE(birthday->fakeBirthday);
    EXPECT_EQ(birthday->name, QStringLiteral("Anna Berg"));
}

// ---- Facebook links -----------------------------------------------------------------------

OccasionRecordPtr facebookLink(const Calendar& calendar, std::int32_t contact, const QString& id, const QDate& d,
                               bool ignoreYear)
{
    auto link = std::make_shared<OccasionRecord>();
    link->isFacebookEntry = true;
    link->isFacebookMatched = true;
    link->customID = id;
    link->facebookToContactID = contact;
    // Facebook entries are kept at local noon; the phantom birthday is the day itself.
    link->rawDate = calendar.date(d.year(), d.month(), d.day(), 12);
    link->ignoreYear = ignoreYear;
    return link;
}

struct PhantomRow {
    std::string name;
    bool showFacebook;
    bool ownBirthday;
    bool phantom;
    QString linkID;
};

class ContactReaderFacebook : public testing::TestWithParam<PhantomRow> {};

TEST_P(ContactReaderFacebook, LinkedFriendsGiveTheirIdAndMissingBirthday)
{
    const PhantomRow& row = GetParam();
    ContactReaderFixture f;
    f.set(Key::ShowFacebook, row.showFacebook);
    Person p = named(QStringLiteral("Anna"), QStringLiteral("Berg"));
    if (row.ownBirthday)
        p.birthday = QDate(1985, 3, 5);
    p.dates = {{Anniversary, QDate(2010, 8, 21)}};
    const auto other = f.add(named(QStringLiteral("Ben"), QStringLiteral("Berg")));
    const auto id = f.add(p);

    const std::vector<OccasionRecordPtr> links = {
        facebookLink(f.calendar, other, QStringLiteral("200"), QDate(1970, 1, 2), false),
        nullptr,
        facebookLink(f.calendar, id, QStringLiteral("100004"), QDate(1896, 7, 4), true),
        facebookLink(f.calendar, id, QStringLiteral("100005"), QDate(1990, 1, 1), false),
    };
    const auto result = f.read(links);

    std::vector<OccasionRecordPtr> anna;
    for (const auto& r : result.records) {
        if (r->recordID == id)
            anna.push_back(r);
    }
    const bool hasBirthday = row.ownBirthday || row.phantom;
    ASSERT_EQ(anna.size(), hasBirthday ? 2u : 1u);
    for (const auto& r : anna)
        EXPECT_EQ(r->facebookLinkID, row.linkID);
    if (hasBirthday) {
        const OccasionRecord& b = *anna[0];
        EXPECT_EQ(b.type, int(OccasionRecord::Birthday));
        EXPECT_EQ(b.isPhantomBirthday, row.phantom);
        EXPECT_EQ(b.ignoreYear, row.phantom);
        EXPECT_EQ(b.otherDateLabel, QString());
        EXPECT_EQ(b.name, QStringLiteral("Anna Berg"));
        EXPECT_EQ(b.firstName, QStringLiteral("Anna"));
        EXPECT_EQ(b.rawDate, f.midnight(row.phantom ? QDate(1896, 7, 4) : QDate(1985, 3, 5)));
    }
    EXPECT_EQ(anna.back()->type, int(OccasionRecord::Anniversary));
    EXPECT_FALSE(anna.back()->isPhantomBirthday);

    // The contact entry keeps the contact's own birthday only.
    ASSERT_EQ(result.contacts.size(), 2u);
    EXPECT_EQ(result.contacts[1]->recordID, id);
    EXPECT_EQ(result.contacts[1]->rawDate, row.ownBirthday ? f.midnight(QDate(1985, 3, 5)) : QDateTime());
}

INSTANTIATE_TEST_SUITE_P(ContactReader, ContactReaderFacebook, testing::Values(
    PhantomRow{"ShownWithoutBirthdayGivesPhantom", true, false, true, "100004"},
    PhantomRow{"ShownWithBirthdayKeepsTheContactsOwn", true, true, false, "100004"},
    PhantomRow{"HiddenGivesNoPhantomAndNoLink", false, false, false, ""},
    PhantomRow{"HiddenWithBirthdayGivesNoLink", false, true, false, ""}),
    rowName<PhantomRow>);

TEST(ContactReaderFacebookLinks, AnUnlinkedContactGetsNoLinkId)
{
    ContactReaderFixture f;
    f.set(Key::ShowFacebook, true);
    const auto ben = f.add(named(QStringLiteral("Ben"), QStringLiteral("Berg")));
    Person anna = named(QStringLiteral("Anna"), QStringLiteral("Berg"));
    anna.dates = {{QStringLiteral("Graduation"), QDate(2001, 6, 30)}};
    f.add(anna);
    const auto result = f.read({facebookLink(f.calendar, ben, QStringLiteral("200"), QDate(1970, 1, 2), false)});
    ASSERT_EQ(result.records.size(), 2u);
    EXPECT_EQ(result.records[0]->recordID, ben);
    EXPECT_TRUE(result.records[0]->isPhantomBirthday);
    EXPECT_EQ(result.records[0]->facebookLinkID, QStringLiteral("200"));
    EXPECT_FALSE(result.records[0]->ignoreYear);
    EXPECT_TRUE(result.records[1]->facebookLinkID.isEmpty());
    EXPECT_FALSE(result.records[1]->isPhantomBirthday);
}

// ---- Zones --------------------------------------------------------------------------------

struct ZoneRow {
    std::string name;
    QString zone;
    QDate birthday;
    QDate today;
    int daysUntil;
    int rawHour;  // local hour of the stored day's start (1 where midnight is skipped)
};

class ContactReaderZones : public testing::TestWithParam<ZoneRow> {};

TEST_P(ContactReaderZones, ABirthdayShowsOnItsStoredDay)
{
    const ZoneRow& row = GetParam();
    ContactReaderFixture f(row.zone);
    ASSERT_TRUE(f.calendar.isValid());
    Person p = named(QStringLiteral("Anna"), QStringLiteral("Berg"));
    p.birthday = row.birthday;
    const auto id = f.add(p);
    const auto stored = f.book->person(id);
    ASSERT_TRUE(stored);

    const QDateTime now = f.calendar.date(row.today.year(), row.today.month(), row.today.day(), 12);
    const OccasionCalculator calculator(f.calendar, now, 14, 0);
    std::vector<OccasionRecordPtr> database;
    std::vector<OccasionRecordPtr> contacts;
    f.reader().processAddressBookRecord(*stored, {}, {database, &contacts}, &calculator);

    ASSERT_EQ(database.size(), 1u);
    const OccasionRecord& r = *database[0];
    const DateParts raw = f.calendar.components(r.rawDate);
    EXPECT_EQ(QDate(raw.year, raw.month, raw.day), row.birthday);
    EXPECT_EQ(raw.hour, row.rawHour);
    EXPECT_EQ(r.rawDate, f.calendar.startOfDay(r.rawDate));

    const DateParts next = f.calendar.components(r.sortDate);
    EXPECT_EQ(next.month, row.birthday.month());
    EXPECT_EQ(next.day, row.birthday.day());
    EXPECT_EQ(r.daysUntilDate, row.daysUntil);
    EXPECT_EQ(r.isUpcoming, row.daysUntil <= 14);

    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_EQ(contacts[0]->rawDate, r.rawDate);
}

INSTANTIATE_TEST_SUITE_P(ContactReader, ContactReaderZones, testing::Values(
    ZoneRow{"Auckland", "Pacific/Auckland", QDate(1985, 3, 5), QDate(2026, 3, 1), 4, 0},
    ZoneRow{"KiritimatiAfterItsDateLineMove", "Pacific/Kiritimati", QDate(2001, 12, 31), QDate(2026, 12, 1), 30, 0},
    ZoneRow{"PagoPagoNewYear", "Pacific/Pago_Pago", QDate(1979, 1, 1), QDate(2026, 12, 31), 1, 0},
    ZoneRow{"SaoPauloMidnightSkipped", "America/Sao_Paulo", QDate(2018, 11, 4), QDate(2026, 11, 1), 3, 1},
    ZoneRow{"Utc", "UTC", QDate(1985, 3, 5), QDate(2026, 3, 5), 0, 0}),
    rowName<ZoneRow>);

// ---- One contact, computed ----------------------------------------------------------------

TEST(ContactReaderProcess, ComputesOnlyWhenGivenACalculator)
{
    ContactReaderFixture f;
    Person p = named(QStringLiteral("Anna"), QStringLiteral("Berg"));
    p.birthday = QDate(1985, 3, 5);
    p.dates = {{Anniversary, QDate(2010, 3, 20)}};
    const auto stored = f.book->person(f.add(p));
    ASSERT_TRUE(stored);

    const OccasionCalculator calculator(f.calendar, f.calendar.date(2026, 3, 1, 9), 14, 0);
    std::vector<OccasionRecordPtr> computed;
    f.reader().processAddressBookRecord(*stored, {}, {computed, nullptr}, &calculator);
    ASSERT_EQ(computed.size(), 2u);
    EXPECT_EQ(computed[0]->sortDate, f.midnight(QDate(2026, 3, 5)));
    EXPECT_EQ(computed[0]->daysUntilDate, 4);
    EXPECT_TRUE(computed[0]->isUpcoming);
    EXPECT_EQ(computed[0]->notificationDate, OccasionCalculator::notificationKey(f.midnight(QDate(2026, 3, 5))));
    EXPECT_EQ(computed[1]->sortDate, f.midnight(QDate(2026, 3, 20)));
    EXPECT_EQ(computed[1]->daysUntilDate, 19);
    EXPECT_FALSE(computed[1]->isUpcoming);

    std::vector<OccasionRecordPtr> plain;
    f.reader().processAddressBookRecord(*stored, {}, {plain, nullptr}, nullptr);
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_FALSE(plain[0]->sortDate.isValid());
    EXPECT_TRUE(plain[0]->notificationDate.isEmpty());
}

TEST(ContactReaderProcess, AnUnsavedPersonIsSkipped)
{
    ContactReaderFixture f;
    Person p = named(QStringLiteral("Anna"), QStringLiteral("Berg"));
    p.birthday = QDate(1985, 3, 5);
    ASSERT_EQ(p.recordID, -1);
    std::vector<OccasionRecordPtr> database;
    std::vector<OccasionRecordPtr> contacts;
    f.reader().processAddressBookRecord(p, {}, {database, &contacts}, nullptr);
    EXPECT_TRUE(database.empty());
    EXPECT_TRUE(contacts.empty());
}

TEST(ContactReaderProcess, AppendsBehindWhatTheArraysHold)
{
    ContactReaderFixture f;
    Person p = named(QStringLiteral("Anna"), QStringLiteral("Berg"));
    p.birthday = QDate(1985, 3, 5);
    f.add(p);
    auto holiday = std::make_shared<OccasionRecord>();
    holiday->type = OccasionRecord::Holiday;
    std::vector<OccasionRecordPtr> database = {holiday};
    std::vector<OccasionRecordPtr> contacts;
    f.reader().readAddressBook(*f.book, {}, {database, &contacts});
    ASSERT_EQ(database.size(), 2u);
    EXPECT_EQ(database[0], holiday);
    EXPECT_EQ(database[1]->name, QStringLiteral("Anna Berg"));
}

// ---- Contact entries ----------------------------------------------------------------------

TEST(ContactReaderAllContacts, OneEntryPerPersonRead)
{
    ContactReaderFixture f;
    Person anna = named(QStringLiteral("Anna"), QStringLiteral("Berg"));
    anna.middleName = QStringLiteral("Maria");
    anna.birthday = QDate(1604, 3, 5);
    anna.dates = {{Anniversary, QDate(2010, 8, 21)}};
    Person firm = only(&Person::organization, QStringLiteral("Acme Ltd"));
    firm.dates = {{QStringLiteral("Founded"), QDate(1950, 1, 1)}};
    Person plain = named(QStringLiteral("Ben"), QString());
    const std::int32_t ids[] = {f.add(anna), f.add(firm), f.add(plain)};

    std::vector<OccasionRecordPtr> database;
    f.reader().readAddressBook(*f.book, {}, {database, nullptr});  // no contact list wanted
    EXPECT_EQ(database.size(), 3u);

    const auto result = f.read();
    ASSERT_EQ(result.contacts.size(), 3u);
    struct Expected {
        QDateTime rawDate;
        QString first;
        QString last;
    };
    const Expected expected[] = {{f.midnight(QDate(1604, 3, 5)), "Anna", "Berg"},
                                 {QDateTime(), "", ""},
                                 {QDateTime(), "Ben", ""}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const OccasionRecord& c = *result.contacts[i];
        EXPECT_EQ(c.recordID, ids[i]);
        EXPECT_EQ(c.rawDate, expected[i].rawDate);
        EXPECT_EQ(c.firstName, expected[i].first);
        EXPECT_EQ(c.lastName, expected[i].last);
        EXPECT_FALSE(c.isCustomEntry || c.isFacebookEntry);
        // Contact entries are for matching, never shown: they are not in the database.
        for (const auto& r : result.records)
            EXPECT_NE(r.get(), &c);
    }
}

// ---- A large book -------------------------------------------------------------------------

TEST(ContactReaderLargeBook, TenThousandPeopleAreReadCompletely)
{
    ContactReaderFixture f;
    const SyntheticContacts::Options options{10000, 1, 0};
    ASSERT_EQ(SyntheticContacts::fill(*f.book, options), 10000);

    std::size_t birthdays = 0;
    std::size_t anniversaries = 0;
    std::size_t others = 0;
    std::size_t noYear = 0;
    for (const SyntheticContact& c : SyntheticContacts::generate(options)) {
        birthdays += c.person.birthday.isValid() ? 1 : 0;
        noYear += c.person.birthday.isValid() && c.person.birthday.year() == Person::NoYear ? 1 : 0;
        for (const auto& d : c.person.dates) {
            (d.label == Anniversary ? anniversaries : others) += 1;
            noYear += d.value.year() == Person::NoYear ? 1 : 0;
        }
    }
    ASSERT_GT(birthdays, 5000u);
    ASSERT_GT(anniversaries, 1000u);
    ASSERT_GT(others, 100u);

    const auto result = f.read();
    EXPECT_EQ(result.records.size(), birthdays + anniversaries + others);
    ASSERT_EQ(result.contacts.size(), 10000u);

    std::size_t byType[3] = {0, 0, 0};
    std::size_t lion = 0;
    std::size_t unnamed = 0;
    for (const auto& r : result.records) {
        ASSERT_GE(r->type, 0);
        ASSERT_LE(r->type, 2);
        ++byType[r->type];
        lion += r->lionNoYear ? 1 : 0;
        unnamed += r->name.isEmpty() ? 1 : 0;
        ASSERT_TRUE(r->rawDate.isValid());
    }
    EXPECT_EQ(byType[0], birthdays);
    EXPECT_EQ(byType[1], anniversaries);
    EXPECT_EQ(byType[2], others);
    EXPECT_EQ(lion, noYear);
    EXPECT_EQ(unnamed, 0u);

    // Every person once, in the book's order.
    for (std::size_t i = 1; i < result.contacts.size(); ++i)
        ASSERT_LT(result.contacts[i - 1]->recordID, result.contacts[i]->recordID);
}

} // namespace
