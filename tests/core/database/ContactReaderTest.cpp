// Reading people of a real address book (SQLite in a temporary directory) into occasion
// records: names, groups, dated fields and labels, smart labels, phantom birthdays of
// linked Facebook friends, zones far from UTC, and a book of 10,000 people.
#include "core/database/ContactReader.h"
#include "core/database/OccasionCalculator.h"
#include "core/records/ContactLabels.h"
#include "core/records/OccasionRecord.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"
#include "core/time/Calendar.h"
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace fetemark;

namespace {

using Records = std::vector<OccasionRecordPtr>;

const QString Anniversary = QString(ContactLabel::Anniversary);

// A fresh data directory with its own book, registered default settings, the given
// texts and the device zone of the test.
class Fixture {
public:
    explicit Fixture(const QString& zone = QStringLiteral("Europe/Berlin"),
        const QString& language = QStringLiteral("EN"),
        const QString& resources = QStringLiteral(":/resources"))
        : settings(dir.file(QStringLiteral("Preferences.plist"))), texts(language, resources),
          calendar(zone), book(AddressBook::create(dir.file(QStringLiteral("AddressBook.sqlite"))))
    {
        settings.registerDefaults(registeredDefaults());
    }

    std::int32_t add(const Person& person)
    {
        const std::int32_t id = book->addPerson(person);
        EXPECT_TRUE(id != -1 && book->save()) << book->lastError().toStdString();
        return id;
    }
    void set(QLatin1StringView key, const QVariant& value)
    {
        settings.setValue(QString(key), value);
    }
    ContactReader reader() const { return ContactReader(settings, texts, calendar); }

    struct Result {
        Records records;
        Records contacts;
    };
    Result read(const Records& links = {}) const
    {
        Result r;
        reader().readAddressBook(*book, links, {r.records, &r.contacts});
        return r;
    }
    QDateTime midnight(const QDate& d) const { return calendar.date(d.year(), d.month(), d.day()); }

    test::TempDir dir;
    Settings settings;
    Texts texts;
    Calendar calendar;
    std::unique_ptr<AddressBook> book;
};

Person named(const QString& first, const QString& last, const QDate& birthday = {},
    std::vector<Labeled<QDate>> dates = {})
{
    Person p;
    p.firstName = first;
    p.lastName = last;
    p.birthday = birthday;
    p.dates = std::move(dates);
    return p;
}

Person anna(const QDate& birthday = {}, std::vector<Labeled<QDate>> dates = {})
{
    return named(QStringLiteral("Anna"), QStringLiteral("Berg"), birthday, std::move(dates));
}

// ---- Names --------------------------------------------------------------------------------

struct NameRow {
    std::string name;
    Person person;
    bool firstNameFirst, prefixSuffix, middleName;
    QString expected, first, last;
};

Person with(Person p, QString Person::*field, const char* value)
{
    p.*field = QString::fromUtf8(value);
    return p;
}

const Person Full =
    with(with(with(with(anna(), &Person::prefix, "Dr."), &Person::middleName, "Maria"),
             &Person::suffix, "Jr."),
        &Person::organization, "Acme Ltd");
const Person Acme = with(Person {}, &Person::organization, "Acme Ltd");

class ContactReaderNames : public testing::TestWithParam<NameRow> { };

// The same name on every record read from the book and on the contact entry.
TEST_P(ContactReaderNames, FollowTheNameSettings)
{
    const NameRow& row = GetParam();
    Fixture f;
    f.set(Key::FirstNameFirst, row.firstNameFirst);
    f.set(Key::ShowPrefixSuffix, row.prefixSuffix);
    f.set(Key::ShowMiddleName, row.middleName);
    QString first = QStringLiteral("stale"), last = QStringLiteral("stale");
    EXPECT_EQ(ContactReader::createNameString(row.person, f.settings, &first, &last), row.expected);
    EXPECT_EQ(std::pair(first, last), std::pair(row.first, row.last));

    Person stored = row.person;
    stored.birthday = QDate(1980, 4, 2);
    stored.dates.push_back({QStringLiteral("Graduation"), QDate(2001, 6, 30)});
    const auto id = f.add(stored);
    const auto result = f.read();
    ASSERT_TRUE(result.records.size() == 2u && result.contacts.size() == 1u);
    for (const auto& r : {result.records[0], result.records[1], result.contacts[0]}) {
        EXPECT_EQ(r->recordID, id);
        EXPECT_EQ(std::pair(r->firstName, r->lastName), std::pair(row.first, row.last));
    }
    for (const auto& r : result.records)
        EXPECT_EQ(std::pair(r->name, r->originalName), std::pair(row.expected, row.expected));
    // The contact entry is for matching only, never a record of the list.
    EXPECT_EQ(result.contacts[0]->rawDate, f.midnight(stored.birthday));
    EXPECT_NE(result.contacts[0], result.records[0]);
}

INSTANTIATE_TEST_SUITE_P(ContactReader, ContactReaderNames,
    testing::Values(
        NameRow {"FirstNameFirst", Full, true, false, false, "Anna Berg", "Anna", "Berg"},
        NameRow {"LastNameFirst", Full, false, false, false, "Berg Anna", "Anna", "Berg"},
        NameRow {"FirstNameFirstWithMiddleName", Full, true, false, true, "Anna Maria Berg", "Anna",
            "Berg"},
        NameRow {"PrefixAndSuffixFirstNameFirst", Full, true, true, false, "Dr. Anna Berg Jr.",
            "Anna", "Berg"},
        NameRow {"EveryPartLastNameFirst", Full, false, true, true, "Dr. Berg Anna Maria Jr.",
            "Anna", "Berg"},
        NameRow {"LastNameOnlyLastFirst", with(Person {}, &Person::lastName, "Berg"), false, false,
            false, "Berg", "", "Berg"},
        NameRow {"OrganizationOnly", Acme, true, true, true, "Acme Ltd", "", ""},
        NameRow {"HiddenMiddleNameFallsBackToOrganization",
            with(Acme, &Person::middleName, "Maria"), true, false, false, "Acme Ltd", "", ""},
        NameRow {"ShownPrefixAloneIsAName", with(Acme, &Person::prefix, "Dr."), true, true, false,
            "Dr.", "", ""},
        NameRow {"NoNameAtAll", Person {}, true, true, true, "", "", ""},
        NameRow {"BlankPartsLeaveNoDoubleSpaces",
            named(QStringLiteral("  "), QStringLiteral("Berg ")), true, false, false, "Berg", "",
            "Berg"},
        NameRow {"OtherScripts", named(QStringLiteral("太郎"), QStringLiteral("山田")), false,
            false, false, "山田 太郎", "太郎", "山田"}),
    test::RowName());

// ---- Groups -------------------------------------------------------------------------------

enum class Group { Default, All, Friends, Empty, Missing };

struct GroupRow {
    std::string name;
    Group group;
    std::vector<int> expected; // indexes of the people below, in the expected order
};

class ContactReaderGroups : public testing::TestWithParam<GroupRow> { };

TEST_P(ContactReaderGroups, ReadTheChosenGroup)
{
    const GroupRow& row = GetParam();
    Fixture f;
    std::vector<std::int32_t> ids;
    for (const char* first : {"Anna", "Ben", "Cleo", "Dan"})
        ids.push_back(f.add(named(QString::fromLatin1(first), QStringLiteral("Berg"),
            QDate(1990, 1, 1 + int(ids.size())))));
    const auto friends = f.book->addGroup(QStringLiteral("Friends"));
    const auto empty = f.book->addGroup(QStringLiteral("Empty"));
    // Joined in reverse: the records still come in the book's order.
    ASSERT_TRUE(f.book->addGroupMember(friends, ids[3]) &&
        f.book->addGroupMember(friends, ids[1]) && f.book->save());
    const std::int32_t chosen[] = {0, -1, friends, empty, empty + 100};
    if (row.group != Group::Default)
        f.set(Key::ContactGroup, chosen[int(row.group)]);

    const auto result = f.read();
    std::vector<std::int32_t> expected, records(result.records.size()),
        contacts(result.contacts.size());
    for (int i : row.expected)
        expected.push_back(ids[std::size_t(i)]);
    std::transform(result.records.begin(), result.records.end(), records.begin(),
        [](const auto& r) { return r->recordID; });
    std::transform(result.contacts.begin(), result.contacts.end(), contacts.begin(),
        [](const auto& c) { return c->recordID; });
    EXPECT_EQ(std::pair(records, contacts), std::pair(expected, expected));
}

INSTANTIATE_TEST_SUITE_P(ContactReader, ContactReaderGroups,
    testing::Values(GroupRow {"RegisteredDefaultReadsEveryone", Group::Default, {0, 1, 2, 3}},
        GroupRow {"MinusOneReadsEveryone", Group::All, {0, 1, 2, 3}},
        GroupRow {"ExistingGroupReadsItsMembersInBookOrder", Group::Friends, {1, 3}},
        GroupRow {"EmptyGroupReadsNobody", Group::Empty, {}},
        GroupRow {"MissingGroupReadsNobody", Group::Missing, {}}),
    test::RowName());

// ---- Dated fields -------------------------------------------------------------------------

// Every dated field becomes a record, in stored order, at local midnight of its day
// (29 February included), left uncomputed; an unlabelled date takes the language-neutral
// mark; the year
// 1604 marks a date without year. A person without dates gives none.
TEST(ContactReaderDates, EveryDatedFieldBecomesARecordInStoredOrder)
{
    Fixture f;
    const QString other = QString(ContactLabel::Other);
    const auto id = f.add(anna(QDate(1604, 2, 29),
        {{QStringLiteral("Graduation"), QDate(2007, 7, 14)}, {Anniversary, QDate(1604, 11, 3)},
            {QString(), QDate(2015, 1, 9)}, {other, QDate(1605, 5, 17)}}));
    f.add(named(QStringLiteral("No"), QStringLiteral("Dates")));
    const auto result = f.read();
    const std::vector<std::tuple<int, QString, QDate, bool>> expected {
        {OccasionRecord::Birthday, QString(), QDate(1604, 2, 29), true},
        {OccasionRecord::OtherDate, QStringLiteral("Graduation"), QDate(2007, 7, 14), false},
        {OccasionRecord::Anniversary, Anniversary, QDate(1604, 11, 3), true},
        {OccasionRecord::OtherDate, QString(ContactLabel::Unlabelled), QDate(2015, 1, 9), false},
        {OccasionRecord::OtherDate, other, QDate(1605, 5, 17), false}};
    ASSERT_EQ(result.records.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const OccasionRecord& r = *result.records[i];
        const auto& [type, label, day, noYear] = expected[i];
        EXPECT_EQ(std::tuple(r.recordID, r.type, r.otherDateLabel, r.rawDate, r.lionNoYear),
            std::tuple(id, type, label, f.midnight(day), noYear));
        EXPECT_FALSE(r.otherDateLabel.isNull());
        EXPECT_FALSE(r.ignoreYear || r.isPhantomBirthday || r.fakeBirthday || r.fakeAnniversary);
        EXPECT_FALSE(r.sortDate.isValid()) << "computed with the rest of the load";
    }
}

// ---- Smart labels -------------------------------------------------------------------------

struct SmartRow {
    std::string name;
    QString label;
    bool smartLabels;
    int type;
    bool fakeBirthday, fakeAnniversary;
    QString shownName, smartLabel;
};

class ContactReaderSmartLabels : public testing::TestWithParam<SmartRow> { };

// The record shows (and is found by) the name its label gives; the contact's own name
// stays as the original.
TEST_P(ContactReaderSmartLabels, NameTheDateByItsLabel)
{
    const SmartRow& row = GetParam();
    Fixture f;
    f.set(Key::SmartLabels, row.smartLabels);
    f.add(anna({}, {{row.label, QDate(2012, 9, 1)}}));
    const auto result = f.read();
    ASSERT_EQ(result.records.size(), 1u);
    OccasionRecord& r = *result.records[0];
    EXPECT_EQ(r.type, row.type);
    EXPECT_EQ(std::pair(r.fakeBirthday, r.fakeAnniversary),
        std::pair(row.fakeBirthday, row.fakeAnniversary));
    EXPECT_EQ(std::pair(r.name, r.smartLabel), std::pair(row.shownName, row.smartLabel));
    EXPECT_EQ(std::pair(r.originalName, r.otherDateLabel),
        std::pair(QStringLiteral("Anna Berg"), ContactLabel::ofDateValue(row.label)));
    EXPECT_EQ(f.reader().indexedText(r), row.shownName);
    // Indexing rebuilds the name from the label only for smart contact dates, and only
    // while smart labels are on.
    r.name = QStringLiteral("Shown elsewhere");
    EXPECT_EQ(f.reader().indexedText(r),
        row.fakeBirthday || row.fakeAnniversary ? row.shownName : r.name);
    r.isCustomEntry = true;
    EXPECT_EQ(f.reader().indexedText(r), r.name);
    r.isCustomEntry = false;
    f.set(Key::SmartLabels, false);
    EXPECT_EQ(f.reader().indexedText(r), r.name);
}

INSTANTIATE_TEST_SUITE_P(ContactReader, ContactReaderSmartLabels,
    testing::Values(SmartRow {"BirthdayOfSomeoneElse", "Tom's birthday", true, 2, true, false,
                        "Tom's", "Tom's "},
        SmartRow {
            "WordMatchedIgnoringCase", "Tom's BirthDay", true, 2, true, false, "Tom's", "Tom's "},
        SmartRow {"SecondBirthdayWord", "bday Tom", true, 2, true, false, "Tom", " Tom"},
        SmartRow {"EveryOccurrenceRemoved", "Birthday birthday Tom", true, 2, true, false, "Tom",
            "  Tom"},
        SmartRow {
            "OnlyTheBirthdayWordKeepsTheName", "Birthday", true, 2, true, false, "Anna Berg", ""},
        SmartRow {"BirthdayWinsOverAnniversary", "anniversary birthday", true, 2, true, false,
            "anniversary", "anniversary "},
        SmartRow {"WeddingAnniversary", "Wedding anniversary", true, 2, false, true,
            "Anna Berg (Wedding)", "Wedding "},
        SmartRow {"SecondAnniversaryWord", "Wedding", true, 2, false, true, "Anna Berg", ""},
        SmartRow {"PercentInTheRestIsText", "100% anniversary", true, 2, false, true,
            "Anna Berg (100%)", "100% "},
        SmartRow {"NoWordNoChange", "Graduation", true, 2, false, false, "Anna Berg", ""},
        SmartRow {"UnlabelledDateNoChange", "", true, 2, false, false, "Anna Berg", ""},
        SmartRow {"OffLeavesBirthdayLabelsAlone", "Tom's birthday", false, 2, false, false,
            "Anna Berg", ""},
        SmartRow {"PlatformAnniversaryIsAnAnniversary", Anniversary, true, 1, false, false,
            "Anna Berg", ""}),
    test::RowName());

// Translated words, with stray separators that must not give an empty word matching
// every label; an unlabelled date keeps the language-neutral mark, shown translated.
TEST(ContactReaderTranslated, SmartLabelWordsAndTheUnlabelledDate)
{
    const test::TempDir german;
    ASSERT_TRUE(QDir(german.path()).mkpath(QStringLiteral("de.lproj")));
    ASSERT_TRUE(test::writeFile(german.file(QStringLiteral("de.lproj/Localizable.strings")),
        "\"SmartSort_Birthday\" = \"Geburtstag|| |geb\";\n\"SmartSort_Anniversary\" = "
        "\"Hochzeitstag|\";\n"
        "\"lowercase_date\" = \"Datum\";\n"));
    Fixture f(QStringLiteral("Europe/Berlin"), QStringLiteral("DE"), german.path());
    f.set(Key::SmartLabels, true);
    EXPECT_EQ(std::pair(f.reader().birthdayWords(), f.reader().anniversaryWords()),
        std::pair(QStringList {"Geburtstag", "geb"}, QStringList {"Hochzeitstag"}));
    f.add(anna({},
        {{QStringLiteral("GEBURTSTAG von Tom"), QDate(2012, 9, 1)},
            {QStringLiteral("Hochzeitstag Eltern"), QDate(1980, 5, 2)},
            {QStringLiteral("Urlaub"), QDate(2020, 8, 1)}, {QString(), QDate(2015, 1, 9)}}));
    const auto result = f.read();
    ASSERT_EQ(result.records.size(), 4u);
    EXPECT_EQ(std::pair(result.records[0]->fakeBirthday, result.records[0]->name),
        std::pair(true, QStringLiteral("von Tom")));
    EXPECT_EQ(std::pair(result.records[1]->fakeAnniversary, result.records[1]->name),
        std::pair(true, QStringLiteral("Anna Berg (Eltern)")));
    for (const auto& r : {result.records[2], result.records[3]}) {
        EXPECT_FALSE(r->fakeBirthday || r->fakeAnniversary);
        EXPECT_EQ(r->name, QStringLiteral("Anna Berg"));
    }
    EXPECT_EQ(result.records[3]->otherDateLabel, QString(ContactLabel::Unlabelled));
    EXPECT_EQ(ContactLabel::localizedLabel(result.records[3]->otherDateLabel, f.texts),
        QStringLiteral("Datum"));
}

// ---- Facebook links -----------------------------------------------------------------------

OccasionRecordPtr facebookLink(
    const Calendar& calendar, std::int32_t contact, const char* id, const QDate& d, bool ignoreYear)
{
    auto link = std::make_shared<OccasionRecord>();
    link->isFacebookEntry = link->isFacebookMatched = true;
    link->customID = QString::fromLatin1(id);
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
};

class ContactReaderFacebook : public testing::TestWithParam<PhantomRow> { };

// While Facebook entries are shown, a linked contact carries the first link's id on every
// date and, without a birthday of its own, the friend's as a phantom (with the friend's
// ignore-year choice); an unlinked contact gets neither.
TEST_P(ContactReaderFacebook, LinkedFriendsGiveTheirIdAndMissingBirthday)
{
    const PhantomRow& row = GetParam();
    Fixture f;
    f.set(Key::ShowFacebook, row.showFacebook);
    const auto ben = f.add(named(QStringLiteral("Ben"), QStringLiteral("Berg")));
    const auto id = f.add(
        anna(row.ownBirthday ? QDate(1985, 3, 5) : QDate(), {{Anniversary, QDate(2010, 8, 21)}}));
    const auto cleo = f.add(named(QStringLiteral("Cleo"), QStringLiteral("Berg"), {},
        {{QStringLiteral("Graduation"), QDate(2001, 6, 30)}}));
    const auto result = f.read({facebookLink(f.calendar, ben, "200", QDate(1970, 1, 2), false),
        nullptr, facebookLink(f.calendar, id, "100004", QDate(1896, 7, 4), true),
        facebookLink(f.calendar, id, "100005", QDate(1990, 1, 1), false)});
    // Per contact, its records' type, name, phantom and ignore-year flags, link id and day.
    using Summary = std::vector<std::tuple<int, QString, bool, bool, QString, QDateTime>>;
    const auto summary = [&](std::int32_t who) {
        Summary out;
        for (const auto& r : result.records) {
            if (r->recordID == who)
                out.push_back({r->type, r->name, r->isPhantomBirthday, r->ignoreYear,
                    r->facebookLinkID, r->rawDate});
        }
        return out;
    };
    const QString link = row.showFacebook ? QStringLiteral("100004") : QString();
    const QString annaBerg = QStringLiteral("Anna Berg");
    Summary annas;
    if (row.ownBirthday || row.showFacebook)
        annas.push_back({0, annaBerg, !row.ownBirthday, !row.ownBirthday, link,
            f.midnight(row.ownBirthday ? QDate(1985, 3, 5) : QDate(1896, 7, 4))});
    annas.push_back({1, annaBerg, false, false, link, f.midnight(QDate(2010, 8, 21))});
    EXPECT_EQ(summary(id), annas);
    const Summary bens {{0, QStringLiteral("Ben Berg"), true, false, QStringLiteral("200"),
        f.midnight(QDate(1970, 1, 2))}};
    EXPECT_EQ(summary(ben), row.showFacebook ? bens : Summary());
    EXPECT_EQ(summary(cleo),
        (Summary {{2, QStringLiteral("Cleo Berg"), false, false, QString(),
            f.midnight(QDate(2001, 6, 30))}}));
    // The contact entry keeps the contact's own birthday only.
    ASSERT_EQ(result.contacts.size(), 3u);
    EXPECT_EQ(
        result.contacts[1]->rawDate, row.ownBirthday ? f.midnight(QDate(1985, 3, 5)) : QDateTime());
}

INSTANTIATE_TEST_SUITE_P(ContactReader, ContactReaderFacebook,
    testing::Values(PhantomRow {"ShownWithoutBirthdayGivesPhantom", true, false},
        PhantomRow {"ShownWithBirthdayKeepsTheContactsOwn", true, true},
        PhantomRow {"HiddenGivesNoPhantomAndNoLink", false, false},
        PhantomRow {"HiddenWithBirthdayGivesNoLink", false, true}),
    test::RowName());

// ---- Zones and computing ------------------------------------------------------------------

struct ZoneRow {
    std::string name;
    QString zone;
    QDate birthday;
    QDate today;
    int daysUntil;
    int rawHour; // local hour of the stored day's start (1 where midnight is skipped)
};

class ContactReaderZones : public testing::TestWithParam<ZoneRow> { };

TEST_P(ContactReaderZones, ABirthdayShowsOnItsStoredDay)
{
    const ZoneRow& row = GetParam();
    Fixture f(row.zone);
    ASSERT_TRUE(f.calendar.isValid());
    const auto stored = f.book->person(f.add(anna(row.birthday)));
    ASSERT_TRUE(stored);
    const OccasionCalculator calculator(f.calendar,
        f.calendar.date(row.today.year(), row.today.month(), row.today.day(), 12), 14, 0);
    // Appended behind what the arrays hold; a person never saved is skipped.
    const auto holiday = std::make_shared<OccasionRecord>();
    Records database {holiday}, contacts;
    f.reader().processAddressBookRecord(anna(row.birthday), {}, {database, &contacts}, &calculator);
    f.reader().processAddressBookRecord(*stored, {}, {database, &contacts}, &calculator);
    ASSERT_EQ(database.size(), 2u);
    EXPECT_EQ(database[0], holiday);
    const OccasionRecord& r = *database[1];
    const DateParts raw = f.calendar.components(r.rawDate);
    EXPECT_EQ(QDate(raw.year, raw.month, raw.day), row.birthday);
    EXPECT_EQ(raw.hour, row.rawHour);
    EXPECT_EQ(r.rawDate, f.calendar.startOfDay(r.rawDate));
    const DateParts next = f.calendar.components(r.sortDate);
    EXPECT_EQ(std::pair(next.month, next.day), std::pair(row.birthday.month(), row.birthday.day()));
    EXPECT_EQ(r.daysUntilDate, row.daysUntil);
    EXPECT_EQ(r.isUpcoming, row.daysUntil <= 14);
    EXPECT_EQ(r.notificationDate, OccasionCalculator::notificationKey(r.sortDate));
    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_EQ(contacts[0]->rawDate, r.rawDate);

    Records plain; // without a calculator (or contact list) the dates are left to the load
    f.reader().processAddressBookRecord(*stored, {}, {plain, nullptr}, nullptr);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0]->rawDate, r.rawDate);
    EXPECT_TRUE(!plain[0]->sortDate.isValid() && plain[0]->notificationDate.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(ContactReader, ContactReaderZones,
    testing::Values(
        ZoneRow {"Auckland", "Pacific/Auckland", QDate(1985, 3, 5), QDate(2026, 3, 1), 4, 0},
        ZoneRow {"KiritimatiAfterItsDateLineMove", "Pacific/Kiritimati", QDate(2001, 12, 31),
            QDate(2026, 12, 1), 30, 0},
        ZoneRow {
            "PagoPagoNewYear", "Pacific/Pago_Pago", QDate(1979, 1, 1), QDate(2026, 12, 31), 1, 0},
        ZoneRow {"SaoPauloMidnightSkipped", "America/Sao_Paulo", QDate(2018, 11, 4),
            QDate(2026, 11, 1), 3, 1},
        ZoneRow {"Utc", "UTC", QDate(1985, 3, 5), QDate(2026, 3, 5), 0, 0}),
    test::RowName());

// ---- A large book -------------------------------------------------------------------------

TEST(ContactReaderLargeBook, TenThousandPeopleAreReadCompletely)
{
    Fixture f;
    const SyntheticContacts::Options options {10000, 1, 0};
    ASSERT_EQ(SyntheticContacts::fill(*f.book, options), 10000);
    std::vector<std::size_t> expected(4),
        read(4); // birthdays, anniversaries, other dates, dates without year
    for (const SyntheticContact& c : SyntheticContacts::generate(options)) {
        if (c.person.birthday.isValid()) {
            ++expected[0];
            expected[3] += c.person.birthday.year() == Person::NoYear ? 1 : 0;
        }
        for (const auto& d : c.person.dates) {
            ++expected[d.label == Anniversary ? 1 : 2];
            expected[3] += d.value.year() == Person::NoYear ? 1 : 0;
        }
    }
    ASSERT_TRUE(expected[0] > 5000u && expected[1] > 1000u && expected[2] > 100u);

    const auto result = f.read();
    ASSERT_EQ(result.contacts.size(), 10000u);
    for (const auto& r : result.records) {
        ASSERT_TRUE(r->type >= 0 && r->type <= 2 && r->rawDate.isValid() && !r->name.isEmpty());
        ++read[std::size_t(r->type)];
        read[3] += r->lionNoYear ? 1 : 0;
    }
    EXPECT_EQ(read, expected);
    // Every person once, in the book's order.
    for (std::size_t i = 1; i < result.contacts.size(); ++i)
        ASSERT_LT(result.contacts[i - 1]->recordID, result.contacts[i]->recordID);
}

} // namespace
