#include "platform/vcard/ContactsTransfer.h"
#include "demo/SyntheticContacts.h"
#include "platform/addressbook/AddressBook.h"
#include "platform/vcard/VCard.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <algorithm>

using namespace fetemark;
using fetemark::test::TempDir;
using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<AddressBook> openBook(const TempDir& dir)
{
    QString error;
    auto book = AddressBook::create(dir.file(QStringLiteral("AddressBook.sqlite")), &error);
    EXPECT_NE(book, nullptr) << error.toStdString();
    return book;
}

QByteArray card(const char* uid, const char* name, const char* extra = "")
{
    return QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:") + name + ";;;;\r\nUID:" + uid + "\r\n" +
        extra + "END:VCARD\r\n";
}

QByteArray noUid(const char* name, const char* extra = "")
{
    return QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:") + name + ";;;;\r\n" + extra +
        "END:VCARD\r\n";
}

// A second file imported into a book that holds what the first file gave.
struct MatchRow {
    const char* name;
    QByteArray first;
    QByteArray second;
    int added, updated, skipped; // by the second import
    QStringList notes;           // of everyone afterwards, sorted
    const char* problem = "";    // part of a problem line of the second import
};

void PrintTo(const MatchRow& row, std::ostream* os)
{
    *os << row.name;
}

class ContactsTransferMatch : public testing::TestWithParam<MatchRow> { };

} // namespace

TEST_P(ContactsTransferMatch, FindsThePersonACardCameFrom)
{
    const MatchRow& row = GetParam();
    TempDir dir;
    auto book = openBook(dir);
    ContactsTransfer::importVCards(*book, row.first, QStringLiteral("first.vcf"));
    ASSERT_TRUE(book->save());
    const auto report =
        ContactsTransfer::importVCards(*book, row.second, QStringLiteral("second.vcf"));
    ASSERT_TRUE(book->save());
    EXPECT_EQ(report.added, row.added);
    EXPECT_EQ(report.updated, row.updated);
    EXPECT_EQ(report.skippedCards, row.skipped);
    QStringList notes;
    for (const Person& p : book->allPeople())
        notes << p.note;
    notes.sort();
    EXPECT_EQ(notes, row.notes);
    EXPECT_TRUE(report.problems.join(QLatin1Char('\n')).contains(QLatin1StringView(row.problem)))
        << report.problems.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, ContactsTransferMatch,
    testing::Values(MatchRow {"TheSameCardUpdates", noUid("Solo;Han", "NOTE:a\r\n"),
                        noUid("Solo;Han", "NOTE:a\r\n"), 0, 1, 0, {"a"}},
        MatchRow {"ANewPhoneUpdatesThroughNameAndBirthday",
            noUid("Berg;Anna", "BDAY:1990-03-05\r\nTEL:111\r\nNOTE:old\r\n"),
            noUid("Berg;Anna", "BDAY:1990-03-05\r\nTEL:222\r\nNOTE:new\r\n"), 0, 1, 0, {"new"}},
        MatchRow {"AnEmailInOtherCaseUpdates",
            noUid("Berg;Anna", "EMAIL:Anna@Example.org\r\nNOTE:old\r\n"),
            noUid("Berg;Anna", "EMAIL:anna@example.org\r\nNOTE:new\r\n"), 0, 1, 0, {"new"}},
        MatchRow {"APhoneWrittenOtherwiseUpdates",
            noUid("Berg;Anna", "TEL:+1 (555) 010-2030\r\nNOTE:old\r\n"),
            noUid("Berg;Anna", "TEL:+1 555 0102030\r\nNOTE:new\r\n"), 0, 1, 0, {"new"}},
        MatchRow {"TheSameNameAloneIsAnotherPerson", noUid("Berg;Anna", "NOTE:one\r\n"),
            noUid("Berg;Anna", "NOTE:two\r\n"), 1, 0, 0, {"one", "two"}},
        MatchRow {"AnotherBirthdayIsAnotherPerson",
            noUid("Berg;Tom", "BDAY:1960-03-05\r\nTEL:111\r\nNOTE:father\r\n"),
            noUid("Berg;Tom", "BDAY:1990-01-01\r\nTEL:111\r\nNOTE:son\r\n"), 1, 0, 0,
            {"father", "son"}},
        MatchRow {"IdenticalCardsOfOneFileBecomeOnePerson", QByteArray(),
            noUid("Berg;Anna", "NOTE:a\r\n") + noUid("Berg;Anna", "NOTE:a\r\n"), 1, 0, 1, {"a"},
            "second.vcf: card 2: the same as card 1; imported once"},
        MatchRow {"CardsDifferingInGroupsOnlyStayTwoPeople", QByteArray(),
            noUid("Berg;Anna", "EMAIL:a@example.org\r\nNOTE:a\r\nCATEGORIES:Club\r\n") +
                noUid("Berg;Anna", "EMAIL:a@example.org\r\nNOTE:a\r\n"),
            2, 0, 0, {"a", "a"}},
        MatchRow {"AnUnchangedCardKeepsItsPersonFromAChangedNamesake",
            noUid("Berg;Anna", "TEL:111\r\n") + noUid("Berg;Anna", "TEL:111\r\nNOTE:x\r\n"),
            noUid("Berg;Anna", "TEL:111\r\nNOTE:y\r\n") + noUid("Berg;Anna", "TEL:111\r\n"), 0, 2,
            0, {"", "y"}},
        MatchRow {"TheSameUidTwiceInOneFileKeepsTheLaterCard", QByteArray(),
            card("u-1", "Berg;Anna", "NOTE:a\r\n") + card("u-1", "Berg;Anna", "NOTE:b\r\n"), 1, 1,
            0, {"b"}, "card 2: has the same UID as card 1"}),
    test::RowName());

TEST(ContactsTransfer, ACardWithAKnownUidUpdatesThatPerson)
{
    TempDir dir;
    auto book = openBook(dir);
    const QByteArray photo = SyntheticContacts::photo(3);
    auto report = ContactsTransfer::importVCards(*book,
        card("u-1", "Berg;Anna", "BDAY:1990-03-05\r\nCATEGORIES:Family\r\n"),
        QStringLiteral("a.vcf"));
    ASSERT_EQ(report.added, 1);
    const std::int32_t id = book->allPeople().at(0).recordID;
    ASSERT_TRUE(book->setImageData(id, photo));
    ASSERT_TRUE(book->save());

    report = ContactsTransfer::importVCards(*book,
        card("u-1", "Berg;Anna-Lena", "BDAY:1991-04-06\r\nCATEGORIES:Friends\r\n"),
        QStringLiteral("b.vcf"));
    ASSERT_TRUE(book->save());
    EXPECT_EQ(report.added, 0);
    EXPECT_EQ(report.updated, 1);
    const auto people = book->allPeople();
    ASSERT_EQ(people.size(), 1u);
    EXPECT_EQ(people[0].recordID, id) << "the same person, not a new one";
    EXPECT_EQ(people[0].firstName, QStringLiteral("Anna-Lena"));
    EXPECT_EQ(people[0].birthday, QDate(1991, 4, 6));
    EXPECT_EQ(book->imageData(id), photo) << "a card without a picture keeps the stored one";
    QStringList groups;
    for (std::int32_t g : book->groupsOf(id))
        groups << book->group(g)->name;
    groups.sort();
    EXPECT_EQ(groups, (QStringList {QStringLiteral("Family"), QStringLiteral("Friends")}));
}

TEST(ContactsTransfer, MalformedCardsAreCountedAndNamedWhileTheRestIsRead)
{
    TempDir dir;
    auto book = openBook(dir);
    const QByteArray bytes = card("u-1", "One;A") +
        "BEGIN:VCARD\r\nVERSION:3.0\r\nno colon here\r\nEND:VCARD\r\n" + card("u-3", "Three;C") +
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Four;D;;;\r\n";
    const auto report = ContactsTransfer::importVCards(*book, bytes, QStringLiteral("mixed.vcf"));
    // Card 2 has no name once its bad line is left out; card 4 lacks END:VCARD only.
    EXPECT_EQ(report.added, 3);
    EXPECT_EQ(report.skippedCards, 1);
    ASSERT_FALSE(report.problems.isEmpty());
    EXPECT_TRUE(
        report.problems.join(QLatin1Char('\n')).contains(QStringLiteral("mixed.vcf: card 2")))
        << report.problems.join(QLatin1Char('\n')).toStdString();
}

TEST(ContactsTransfer, AnUnsavedImportLeavesTheBookAsItWas)
{
    TempDir dir;
    {
        auto book = openBook(dir);
        ContactsTransfer::importVCards(*book, card("u-1", "Kept;Anna"), QStringLiteral("a.vcf"));
        ASSERT_TRUE(book->save());
        ContactsTransfer::importVCards(
            *book, card("u-1", "Changed;Anna") + card("u-2", "New;Bob"), QStringLiteral("b.vcf"));
        book->revert();
    }
    auto reopened = openBook(dir);
    const auto people = reopened->allPeople();
    ASSERT_EQ(people.size(), 1u);
    EXPECT_EQ(people[0].lastName, QStringLiteral("Kept"));
}

TEST(ContactsTransfer, ExportThenImportReproducesASyntheticBook)
{
    TempDir a, b;
    auto source = openBook(a);
    ASSERT_EQ(SyntheticContacts::fill(*source, {300, 11, 10}), 300);
    auto target = openBook(b);
    const auto report = ContactsTransfer::importVCards(
        *target, ContactsTransfer::exportVCards(*source), QStringLiteral("export.vcf"));
    ASSERT_TRUE(target->save());
    EXPECT_TRUE(report.problems.isEmpty()) << report.problems.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(report.added, 300);

    const auto before = source->allPeople();
    const auto after = target->allPeople();
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(before[i].uid.toStdString());
        Person expected = before[i];
        expected.recordID = after[i].recordID;
        EXPECT_EQ(after[i], expected);
        EXPECT_EQ(target->imageData(after[i].recordID), source->imageData(before[i].recordID));
        EXPECT_EQ(target->groupsOf(after[i].recordID).size(),
            source->groupsOf(before[i].recordID).size());
    }
}

// A damaged card or file imported into a book that holds people leaves those people
// exactly as they were, down to dates that the new card spells unreadably.
struct DamagedImportRow {
    const char* name;
    QByteArray bytes;
    QDate birthday;                // expected for u-1 afterwards
    std::vector<QDate> otherDates; // expected dated fields of u-1
};

void PrintTo(const DamagedImportRow& row, std::ostream* os)
{
    *os << row.name;
}

class ContactsTransferDamaged : public testing::TestWithParam<DamagedImportRow> { };

TEST_P(ContactsTransferDamaged, KeepsWhatWasStored)
{
    const DamagedImportRow& row = GetParam();
    TempDir dir;
    auto book = openBook(dir);
    ContactsTransfer::importVCards(*book,
        card("u-1", "Berg;Anna", "BDAY:1990-03-05\r\nANNIVERSARY:2015-06-20\r\n") +
            card("u-2", "Lund;Bo", "BDAY:--0229\r\n"),
        QStringLiteral("first.vcf"));
    ASSERT_TRUE(book->save());
    const auto before = book->allPeople();

    ContactsTransfer::importVCards(*book, row.bytes, QStringLiteral("second.vcf"));
    ASSERT_TRUE(book->save());

    const auto after = book->allPeople();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after[1], before[1]) << "the person not named by the file is untouched";
    EXPECT_EQ(after[0].birthday, row.birthday);
    std::vector<QDate> dates;
    for (const auto& d : after[0].dates)
        dates.push_back(d.value);
    EXPECT_EQ(dates, row.otherDates);
}

INSTANTIATE_TEST_SUITE_P(Rows, ContactsTransferDamaged,
    testing::Values(
        DamagedImportRow {"UnreadableBirthdayKeepsTheStoredOne",
            card("u-1", "Berg;Anna", "BDAY:sometime in spring\r\nANNIVERSARY:2015-06-20\r\n"),
            QDate(1990, 3, 5), {QDate(2015, 6, 20)}},
        DamagedImportRow {"TextBirthdayKeepsTheStoredOne",
            card("u-1", "Berg;Anna", "BDAY;VALUE=text:circa 1990\r\nANNIVERSARY:2015-06-20\r\n"),
            QDate(1990, 3, 5), {QDate(2015, 6, 20)}},
        // Only what could not be read is kept: other dates follow the card.
        DamagedImportRow {"UnreadableBirthdayLetsAChangedDateChange",
            card("u-1", "Berg;Anna", "BDAY;VALUE=text:circa 1990\r\nANNIVERSARY:2015-06-21\r\n"),
            QDate(1990, 3, 5), {QDate(2015, 6, 21)}},
        DamagedImportRow {"UnreadableBirthdayLetsARemovedDateGo",
            card("u-1", "Berg;Anna", "BDAY:sometime in spring\r\n"), QDate(1990, 3, 5), {}},
        DamagedImportRow {"UnreadableAnniversaryKeepsTheStoredOne",
            card("u-1", "Berg;Anna", "BDAY:1991-04-06\r\nANNIVERSARY:20x5\r\n"), QDate(1991, 4, 6),
            {QDate(2015, 6, 20)}},
        DamagedImportRow {"ReadableDatesStillReplace",
            card("u-1", "Berg;Anna", "BDAY:1991-04-06\r\n"), QDate(1991, 4, 6), {}},
        // A line that cannot be read might have been a date: none stored is removed.
        DamagedImportRow {"MalformedCardKeepsStoredDates",
            QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Changed;;;\r\nUID:u-1\r\nno "
                       "colon\r\nEND:VCARD\r\n"),
            QDate(1990, 3, 5), {QDate(2015, 6, 20)}},
        DamagedImportRow {"TruncatedFileKeepsStoredDates",
            QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Changed;;;\r\nUID:u-1\r\nBDAY:2000-01-"
                       "01\r\n"),
            QDate(2000, 1, 1), {QDate(2015, 6, 20)}},
        DamagedImportRow {"BinaryGarbageChangesNothing",
            QByteArray("\x00\xff\xfe garbage \x01\x02", 14), QDate(1990, 3, 5),
            {QDate(2015, 6, 20)}}),
    test::RowName());

namespace {

// Every kept line of an export, its group renamed "G" (export numbers groups afresh).
QStringList unfoldedLines(const QByteArray& vcf)
{
    QByteArray unfolded = vcf;
    unfolded.replace("\r\n ", "");
    QStringList lines;
    for (const QByteArray& line : unfolded.split('\n')) {
        QString text = QString::fromUtf8(line.trimmed());
        static const QRegularExpression group(QStringLiteral("^item[0-9]+\\."));
        lines << text.replace(group, QStringLiteral("G."));
    }
    return lines;
}

QByteArray exportOf(const QByteArray& vcf)
{
    TempDir dir;
    auto book = openBook(dir);
    ContactsTransfer::importVCards(*book, vcf, QStringLiteral("in.vcf"));
    return ContactsTransfer::exportVCards(*book);
}

struct KeptRow {
    std::string name;
    const char* file;
    QStringList kept;         // lines the export holds once each
    QStringList leftOut = {}; // starts of lines it must not hold
};

class KeptProperties : public ::testing::TestWithParam<KeptRow> { };

TEST_P(KeptProperties, ComeBackOnExportOnceAndStayThere)
{
    const KeptRow& row = GetParam();
    const QByteArray first = exportOf(test::readFile(
        QStringLiteral(FETEMARK_TEST_DATA_DIR "/vcards/") + QLatin1StringView(row.file)));
    const QStringList lines = unfoldedLines(first);
    for (const QString& line : row.kept)
        EXPECT_EQ(lines.count(line), 1) << line.toStdString() << "\n" << first.toStdString();
    for (const QString& start : row.leftOut) {
        EXPECT_FALSE(std::any_of(
            lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(start); }))
            << start.toStdString() << "\n"
            << first.toStdString();
    }
    for (const QByteArray& line : first.split('\n'))
        EXPECT_LE(line.size(), 76) << line.toStdString(); // 75 octets and the CR
    auto count = [&](const char* start) {
        return std::count_if(lines.begin(), lines.end(),
            [&](const QString& l) { return l.startsWith(QLatin1StringView(start)); });
    };
    EXPECT_LE(count("ORG"), count("BEGIN:VCARD")); // the kept ORG stands in for ours
    // Reading the export back and writing it again changes nothing: no line doubles.
    EXPECT_EQ(exportOf(first).toStdString(), first.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Samples, KeptProperties,
    ::testing::Values(
        KeptRow {"Fields40", "fields-4.0.vcf",
            {u"ORG:Example Freight Ltd;Logistics;Night Shift"_s, u"TITLE:Head of Dispatch"_s,
                u"ROLE:Team lead"_s, u"IMPP;TYPE=work:xmpp:chidi@example.org"_s,
                u"G.IMPP:skype:chidi.okafor"_s, u"G.X-ABLabel:Skype"_s,
                u"RELATED;TYPE=spouse;VALUE=text:Ngozi Okafor"_s,
                u"RELATED;TYPE=friend:urn:uuid:03a0e51f-d1aa-4385-8a53-e29025acd8af"_s,
                u"URL;TYPE=work:https://freight.example.com/people/chidi"_s, u"GENDER:M"_s,
                u"LANG;PREF=1:en"_s, u"TZ:Africa/Lagos"_s, u"GEO:geo:6.5244,3.3792"_s,
                u"X-SOCIALPROFILE;TYPE=mastodon:https://social.example/@chidi"_s,
                u"X-LONG-NOTE:Ọ̀rẹ́ mi — a long value that has to be folded over several lines of "
                "seventy-five octets each a long value that has to be folded over several lines "
                "of seventy-five octets each"_s}},
        KeptRow {"Fields21Converted", "fields-2.1.vcf",
            {u"TITLE:Geschäftsführerin"_s, u"X-ASSISTANT;TYPE=HOME:Paul Brandt"_s,
                u"X-NOTE-LINES:erste Zeile\\nzweite Zeile"_s,
                u"LOGO:data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJ"_s},
            {u"REV"_s, u"VERSION:2.1"_s}},
        KeptRow {"Google30", "google-3.0.vcf", {u"TITLE:Engineer"_s}},
        KeptRow {"Ios30", "ios-3.0.vcf",
            {u"G.X-ABRELATEDNAMES;type=pref:Aiko"_s, u"G.X-ABLabel:_$!<Spouse>!$_"_s,
                u"X-ABUID:5E0A1B2C-3D4E-4F50-8A9B-0C1D2E3F4A5B:ABPerson"_s,
                u"X-ABShowAs:COMPANY"_s},
            {u"G.X-ABADR"_s, u"PRODID"_s}},
        KeptRow {"Evolution30", "evolution-3.0.vcf",
            {u"X-EVOLUTION-FILE-AS:Lindqvist\\, Astrid"_s,
                u"X-EVOLUTION-BLOG-URL:https://astrid.example.se"_s},
            {u"LABEL"_s, u"REV"_s}},
        KeptRow {"KAddressBook30", "kaddressbook-3.0.vcf",
            {u"CLASS:PUBLIC"_s, u"X-KADDRESSBOOK-X-SpousesName:Ewa"_s}},
        KeptRow {"MacOs30", "macos-3.0.vcf", {u"X-ABShowAs:PERSON"_s}},
        KeptRow {
            "Outlook21", "outlook-2.1.vcf", {u"X-MS-OL-DEFAULT-POSTAL-ADDRESS:2"_s}, {u"LABEL"_s}},
        KeptRow {"Android21", "android-2.1.vcf", {}, {u"X-ANDROID-CUSTOM"_s}},
        KeptRow {"Thunderbird40", "thunderbird-4.0.vcf", {}, {u"PRODID"_s}},
        KeptRow {"Cyrillic21", "cyrillic-windows1251-2.1.vcf", {u"ORG:Газпром"_s}},
        KeptRow {"Greek21", "greek-iso88597-2.1.vcf", {}},
        KeptRow {"Hebrew21", "hebrew-windows1255-2.1.vcf", {}}),
    test::RowName());

} // namespace
