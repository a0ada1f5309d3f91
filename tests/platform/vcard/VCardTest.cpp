// vCard reading of real exporters' files, damaged and hostile files, and vCard 4.0
// writing that reads back unchanged and that an independent reader (python vobject)
// accepts. Samples are under data/vcards, one per exporter and version.
#include "platform/vcard/VCard.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringEncoder>

#include <functional>
#include <string>

// People are written with designated initializers that name only the fields that matter.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace fetemark {
namespace {

using namespace Qt::StringLiterals;

const QString kMobile = u"_$!<Mobile>!$_"_s, kHome = u"_$!<Home>!$_"_s, kWork = u"_$!<Work>!$_"_s,
              kMain = u"_$!<Main>!$_"_s, kHomeFax = u"_$!<HomeFAX>!$_"_s,
              kWorkFax = u"_$!<WorkFAX>!$_"_s, kOtherFax = u"_$!<OtherFAX>!$_"_s,
              kPager = u"_$!<Pager>!$_"_s, kOther = u"_$!<Other>!$_"_s, kIPhone = u"iPhone"_s,
              kAnniversary = u"_$!<Anniversary>!$_"_s, kHomePage = u"_$!<HomePage>!$_"_s;

// Test pictures: the start of a JPEG and of a PNG, enough for type detection.
const QByteArray kJpeg =
    QByteArray::fromBase64("/9j/4AAQSkZJRgABAQAAAQABAAD/"
                           "2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsLDBkSEw8UHRofHh0aHBwgJC4nICIsIxwcKDcp"
                           "LDAxNDQ0Hyc5PTgyPC4zNDL/2Q==");
const QByteArray kPng = QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJ");

std::string describe(const std::vector<VCard::Problem>& problems)
{
    QStringList out;
    for (const auto& p : problems)
        out.append(u"card %1, line %2: %3"_s.arg(p.cardNumber).arg(p.line).arg(p.message));
    return out.join(u'\n').toStdString();
}

struct ExpectedCard {
    Person person;
    QStringList categories = {};
    QByteArray photo = {};
    int number = 0; // 0: its position in the expected list
};

void expectCards(const VCard::ReadResult& result, const std::vector<ExpectedCard>& expected)
{
    ASSERT_EQ(result.cards.size(), expected.size()) << describe(result.problems);
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("card at index " + std::to_string(i));
        const VCard::Card& card = result.cards[i];
        EXPECT_TRUE(card.person == expected[i].person)
            << "read (picture: " << card.person.hasImage << "):\n"
            << VCard::write(card.person, {}, {}).toStdString() << "expected:\n"
            << VCard::write(expected[i].person, {}, {}).toStdString();
        EXPECT_EQ(card.categories.join(u'|').toStdString(),
            expected[i].categories.join(u'|').toStdString());
        EXPECT_EQ(card.photo.toHex().toStdString(), expected[i].photo.toHex().toStdString());
        EXPECT_EQ(card.number, expected[i].number ? expected[i].number : int(i) + 1);
    }
}

// --- reading ---------------------------------------------------------------------------

struct ReadRow {
    std::string name;
    QByteArray input;
    std::vector<ExpectedCard> cards;
    std::vector<VCard::Problem> problems = {};
};

class VCardRead : public ::testing::TestWithParam<ReadRow> { };

TEST_P(VCardRead, GivesTheCardsAndReportsTheRest)
{
    const auto result = VCard::read(GetParam().input);
    EXPECT_EQ(describe(result.problems), describe(GetParam().problems));
    expectCards(result, GetParam().cards);
}

// A 3.0 card of Jane Doe with the given extra lines.
QByteArray janeCard(const QByteArray& lines)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Doe;Jane;;;\r\n" + lines + "END:VCARD\r\n";
}

Person janeWith(Person p)
{
    p.firstName = u"Jane"_s;
    p.lastName = u"Doe"_s;
    return p;
}

ReadRow inJane(std::string name, const QByteArray& lines, const Person& person,
    const QStringList& categories = {}, const QByteArray& photo = {},
    const std::vector<VCard::Problem>& problems = {})
{
    return {std::move(name), janeCard(lines), {{janeWith(person), categories, photo}}, problems};
}

QByteArray sampleFile(const char* file)
{
    return test::readFile(
        QStringLiteral(FETEMARK_TEST_DATA_DIR "/vcards/") + QLatin1StringView(file));
}

ReadRow sample(std::string name, const char* file, std::vector<ExpectedCard> cards,
    std::vector<VCard::Problem> problems = {})
{
    return {std::move(name), sampleFile(file), std::move(cards), std::move(problems)};
}

VCard::Problem guessed(int card, int line, const char* charset, bool detected = true)
{
    return {card, line,
        u"text that is not UTF-8 and names no charset was read as %1 (%2); this is said once "
        "for the file"_s.arg(QLatin1StringView(charset),
            detected ? u"a guess from all such text of the file"_s
                     : u"its charset could not be told"_s)};
}

INSTANTIATE_TEST_SUITE_P(ExporterSamples, VCardRead,
    ::testing::Values(
        sample("iOS_3_0_ItemGroupsOmittedYearsAndPhoto", "ios-3.0.vcf",
            {{Person {.prefix = u"Dr."_s,
                  .firstName = u"Kenji"_s,
                  .middleName = u"Taro"_s,
                  .lastName = u"Nakamura"_s,
                  .nickname = u"Ken"_s,
                  .organization = u"Harbor Works"_s,
                  .note = u"Likes green tea, not coffee.\nAllergic to peanuts."_s,
                  .birthday = QDate(1604, 7, 21),
                  .dates = {{kAnniversary, QDate(2012, 10, 6)},
                      {u"Name day"_s, QDate(1604, 2, 29)}},
                  .phones = {{kMobile, u"+81 90-1234-5678"_s}, {kIPhone, u"+81 80-8765-4321"_s},
                      {kHomeFax, u"+81 3-1111-2222"_s}, {u"Dojo"_s, u"+81 3-3333-4444"_s}},
                  .emails = {{kOther, u"kenji@example.jp"_s},
                      {kWork, u"k.nakamura@harbor.example"_s}},
                  .urls = {{kHomePage, u"https://kenji.example.jp/blog"_s}},
                  .addresses = {{kHome,
                      {u"1-2-3 Jingumae\nApartment 402"_s, u"Shibuya-ku"_s, u"Tokyo"_s,
                          u"150-0001"_s, u"Japan"_s}}},
                  .hasImage = true},
                 {}, kJpeg},
                {Person {.organization = u"Blue Fern Bakery"_s,
                    .dates = {{QString(), QDate(2009, 5, 1)}},
                    .phones = {{kMain, u"+1 415 555 0100"_s}}}}}),
        sample("macOS_3_0_UpperCaseGroupsAndFaxPagerOther", "macos-3.0.vcf",
            {{Person {.firstName = u"Siobhán"_s,
                .lastName = u"O'Connor"_s,
                .suffix = u"Jr."_s,
                .birthday = QDate(1988, 1, 30),
                .dates = {{kAnniversary, QDate(1604, 12, 1)}},
                .phones = {{kWorkFax, u"+353 1 555 0199"_s}, {kPager, u"+353 1 555 0100"_s},
                    {kOther, u"+353 1 555 0111"_s}},
                .emails = {{u"Studio"_s, u"siobhan@oconnor.example"_s}}}}}),
        sample("Android_2_1_QuotedPrintableUtf8AndCustomRows", "android-2.1.vcf",
            {{Person {.firstName = u"Ayşe"_s,
                  .lastName = u"Öztürk"_s,
                  .nickname = u"Ayşe'cik"_s,
                  .organization = u"Çiçek Yayınları"_s,
                  .note = u"Doğum günü sürprizi hazırla! Şubat'ta tatil.\nKedisi: Pamuk"_s,
                  .birthday = QDate(1990, 4, 12),
                  .dates = {{kAnniversary, QDate(2015, 6, 20)},
                      {u"İsimgünü"_s, QDate(1604, 11, 2)}},
                  .phones = {{kMobile, u"+90 532 111 22 33"_s}, {kHome, u"+90 212 444 55 66"_s},
                      {kWorkFax, u"+90 212 444 55 67"_s}, {kPager, u"+90 212 000 00 01"_s}},
                  .emails = {{kHome, u"ayse@example.com.tr"_s}},
                  .addresses = {{kHome,
                      {u"İstiklal Cad. 5"_s, u"İstanbul"_s, QString(), u"34430"_s, u"Türkiye"_s}}},
                  .hasImage = true},
                 {}, kJpeg},
                {Person {.firstName = u"Can"_s,
                    .lastName = u"Demir"_s,
                    .birthday = QDate(1604, 3, 15),
                    .phones = {{kMobile, u"05551234567"_s}}}}}),
        sample("Google_3_0_CategoriesAndLinkedPhoto", "google-3.0.vcf",
            {{Person {.firstName = u"Priya"_s,
                  .lastName = u"Raman"_s,
                  .nickname = u"Pri"_s,
                  .organization = u"Example Labs"_s,
                  .note = u"Met at PyCon 2019; likes chess."_s,
                  .birthday = QDate(1604, 11, 3),
                  .dates = {{kAnniversary, QDate(2019, 2, 14)},
                      {u"Started at Example Labs"_s, QDate(2021, 9, 1)}},
                  .phones = {{kMobile, u"+91 98765 43210"_s}, {kWork, u"+91 80 4000 1234"_s}},
                  .emails = {{kHome, u"priya.raman@example.com"_s},
                      {kWork, u"priya@examplelabs.example"_s}},
                  .urls = {{kHomePage, u"https://priya.example.com"_s}},
                  .addresses = {{kHome,
                      {u"12 MG Road"_s, u"Bengaluru"_s, u"KA"_s, u"560001"_s, u"India"_s}}}},
                 {u"myContacts"_s, u"Friends"_s, u"Chess club"_s}},
                {Person {.firstName = u"Tomás"_s,
                     .lastName = u"Ortega"_s,
                     .emails = {{QString(), u"tomas@example.es"_s}}},
                    {u"myContacts"_s, u"Friends"_s}}}),
        sample("Outlook_2_1_Windows1252", "outlook-2.1.vcf",
            {{Person {.firstName = u"Jürgen"_s,
                .lastName = u"Müller"_s,
                .organization = u"Müller & Söhne GmbH"_s,
                .note = u"Bevorzugt „Herr Müller“ – nicht Jürgen."_s,
                .birthday = QDate(1970, 5, 21),
                .dates = {{kAnniversary, QDate(1995, 6, 10)}},
                .phones = {{kWork, u"+49 30 1234567"_s}, {kHome, u"+49 30 7654321"_s},
                    {kMobile, u"+49 171 2345678"_s}, {kWorkFax, u"+49 30 1234568"_s}},
                .emails = {{QString(), u"juergen.mueller@mueller-soehne.example"_s}},
                .urls = {{kWork, u"http://www.mueller-soehne.example"_s}},
                .addresses = {{kWork,
                    {u"Hauptstraße 1"_s, u"Berlin"_s, QString(), u"10115"_s, u"Deutschland"_s}}}}}},
            {guessed(1, 3, "windows-1252")}),
        sample("Evolution_3_0_AnniversaryAndTabFolding", "evolution-3.0.vcf",
            {{Person {.uid = u"pas-id-65A1B2C3D4E5F601"_s,
                  .firstName = u"Astrid"_s,
                  .lastName = u"Lindqvist"_s,
                  .note =
                      u"Sommarstugan ligger på Gotland, nära Visby. Ring alltid före besök – hon är ofta ute och seglar."_s,
                  .birthday = QDate(1978, 9, 11),
                  .dates = {{kAnniversary, QDate(2005, 7, 2)}},
                  .phones = {{kMobile, u"+46 70 123 45 67"_s}, {kWork, u"+46 8 555 000 11"_s}},
                  .emails = {{kHome, u"astrid@example.se"_s}},
                  .addresses = {{kHome,
                      {u"Storgatan 5"_s, u"Uppsala"_s, QString(), u"753 20"_s, u"Sverige"_s}}}},
                {u"Family"_s, u"Sweden"_s}}}),
        sample("Thunderbird_4_0_AnniversaryAndDataUriPhoto", "thunderbird-4.0.vcf",
            {{Person {.uid = u"7c0ae1e5-3b1c-4c8b-9d7e-2f6b0a4c1d99"_s,
                  .firstName = u"Élodie"_s,
                  .lastName = u"Marchand"_s,
                  .nickname = u"Lolo"_s,
                  .organization = u"Atelier Marchand, Fils & Cie"_s,
                  .note = u"Aime le jazz;\nCadeau: vinyle."_s,
                  .birthday = QDate(1604, 7, 4),
                  .dates = {{kAnniversary, QDate(2010, 9, 18)}},
                  .phones = {{kMobile, u"+33 6 12 34 56 78"_s}, {kHome, u"+33-1-23-45-67-89"_s}},
                  .emails = {{QString(), u"elodie@example.fr"_s},
                      {kWork, u"e.marchand@atelier.example"_s}},
                  .urls = {{kHome, u"https://elodie.example.fr/?a=1,b=2"_s}},
                  .hasImage = true},
                {u"Famille"_s, u"Amis, proches"_s}, kPng}}),
        sample("KAddressBook_3_0_Anniversary", "kaddressbook-3.0.vcf",
            {{Person {.uid = u"x9Qw2Lk3Zp"_s,
                .firstName = u"Marek"_s,
                .lastName = u"Kowalski"_s,
                .dates = {{kAnniversary, QDate(2001, 8, 25)}},
                .phones = {{kMobile, u"+48 600 100 200"_s}},
                .emails = {{QString(), u"marek@example.pl"_s}}}}})),
    test::RowName());

QByteArray encoded(const QString& text, QStringConverter::Encoding encoding, bool bom)
{
    return QStringEncoder(
        encoding, bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default)
        .encode(text);
}

const QString kUnicodeCard =
    u"BEGIN:VCARD\r\nVERSION:3.0\r\nN:Núñez;José;;;\r\nNOTE:Ünïcödé ✓ 日本\r\nEND:VCARD\r\n"_s;
const Person kUnicodePerson {
    .firstName = u"José"_s, .lastName = u"Núñez"_s, .note = u"Ünïcödé ✓ 日本"_s};
const Person kAB {.firstName = u"B"_s, .lastName = u"A"_s},
    kCD {.firstName = u"D"_s, .lastName = u"C"_s};
const Person kJaneCell = janeWith({.phones = {{kMobile, u"1"_s}}});

QByteArray deepAgents(int depth)
{
    return "BEGIN:VCARD\nVERSION:2.1\nN:Top;Level\nAGENT:\n" +
        QByteArray("BEGIN:VCARD\nVERSION:2.1\nN:Agent;Deep\nAGENT:\n").repeated(depth) +
        "BEGIN:VCARD\nN:Last;Agent\nEND:VCARD\n" + QByteArray("END:VCARD\n").repeated(depth) +
        "TEL;WORK:1\nEND:VCARD\nBEGIN:VCARD\nN:After;Card\nEND:VCARD\n";
}

ReadRow tel(std::string name, const QByteArray& lines, const QString& label)
{
    return inJane(std::move(name), lines, {.phones = {{label, u"555"_s}}});
}

ReadRow date(std::string name, const QByteArray& lines, QDate birthday,
    std::vector<Labeled<QDate>> dates = {}, std::vector<VCard::Problem> problems = {})
{
    return inJane(std::move(name), lines, {.birthday = birthday, .dates = std::move(dates)}, {}, {},
        std::move(problems));
}

// The problem of a date that is not a day, on the first line after Jane's name.
std::vector<VCard::Problem> notADay(const char* property, const QString& value, const char* what)
{
    return {{1, 4,
        u"%1 value '%2' is not a date; the %3 was left out"_s.arg(
            QLatin1StringView(property), value, QLatin1StringView(what))}};
}

std::vector<VCard::Problem> yearLeftOut(const char* property, const char* value)
{
    return {{1, 4,
        u"%1 value '%2' has a year outside 1583 to 9998; the day was kept without its year"_s.arg(
            QLatin1StringView(property), QLatin1StringView(value))}};
}

const QDate kNone;
const std::vector<Labeled<QDate>> kAnniversary2010 {{kAnniversary, QDate(2010, 9, 18)}};

ReadRow photo(std::string name, const QByteArray& lines, const QByteArray& bytes)
{
    return inJane(std::move(name), lines, {.hasImage = !bytes.isEmpty()}, {}, bytes);
}

INSTANTIATE_TEST_SUITE_P(Rules, VCardRead,
    ::testing::Values(
        ReadRow {"StructuredNameEscapes",
            "BEGIN:VCARD\nN:O\\;Brien;Ann\\, Marie;Paul,George;Dr.\\\\;III\nEND:VCARD\n",
            {{Person {.prefix = u"Dr.\\"_s,
                .firstName = u"Ann, Marie"_s,
                .middleName = u"Paul,George"_s,
                .lastName = u"O;Brien"_s,
                .suffix = u"III"_s}}}},
        ReadRow {"LowerCaseMarkersAndNames",
            "begin:vcard\nversion:3.0\nn:Doe;Jane;;;\ntel;type=cell:1\nend:vcard\n", {{kJaneCell}}},
        ReadRow {"TextBeforeBetweenAndAfterCards",
            "Exported by Contacts\nBEGIN:VCARD\nN:A;B\nEND:VCARD\nnot a card: at "
            "all\nBEGIN:VCARD\nN:C;D\nEND:VCARD\ntrailer",
            {{kAB}, {kCD}}},
        ReadRow {"NoVersionLineNoFinalNewline",
            "BEGIN:VCARD\r\nN:Doe;Jane\r\nTEL;CELL:1\r\nEND:VCARD", {{kJaneCell}}},
        ReadRow {"CarriageReturnLineEnds",
            "BEGIN:VCARD\rVERSION:3.0\rN:A;B\rEND:VCARD\rBEGIN:VCARD\rN:C;D\rEND:VCARD\r",
            {{kAB}, {kCD}}},
        ReadRow {"FoldedWithSpaceAndTab",
            "BEGIN:VCARD\r\nN:Lon\r\n gname;Fi\r\n\trst\r\nNOTE:one\r\n  two\r\nEND:VCARD\r\n",
            {{Person {.firstName = u"First"_s, .lastName = u"Longname"_s, .note = u"one two"_s}}}},
        ReadRow {"FoldedInsideTheParameters",
            "BEGIN:VCARD\nN:Doe;Jane\nTEL;TY\n PE=CE\n LL:1\nEND:VCARD\n", {{kJaneCell}}},
        ReadRow {"EmptyLinesInsideCard", "BEGIN:VCARD\n\nN:A;B\n\n\nEND:VCARD\n", {{kAB}}},
        ReadRow {"QuotedPrintableOverThreeLines",
            "BEGIN:VCARD\nVERSION:2.1\nN:Doe;Jane\nNOTE;ENCODING=QUOTED-PRINTABLE:one =\ntwo=\n  "
            "three=0A=\nfour\nEND:VCARD\n",
            {{janeWith({.note = u"one two  three\nfour"_s})}}},
        ReadRow {"QuotedPrintableBareParameter",
            "BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=UTF-8;QUOTED-PRINTABLE:D=C3=B6e;J=\n=C3=A4ne\nEND:"
            "VCARD\n",
            {{Person {.firstName = u"Jäne"_s, .lastName = u"Döe"_s}}}},
        ReadRow {"QuotedPrintableStrayEqualsBeforeEnd",
            "BEGIN:VCARD\nVERSION:2.1\nN:A;B\nNOTE;ENCODING=QUOTED-PRINTABLE:abc=\nEND:"
            "VCARD\nBEGIN:VCARD\nN:C;D\nEND:VCARD\n",
            {{Person {.firstName = u"B"_s, .lastName = u"A"_s, .note = u"abc"_s}}, {kCD}}},
        ReadRow {"Base64UnindentedUpToBlankLine",
            "BEGIN:VCARD\nVERSION:2.1\nN:Doe;Jane\nPHOTO;ENCODING=BASE64;TYPE=PNG:"
            "iVBORw0KGgoAAAAN\nSUhEUgAAAAEAAAAB\nCAYAAAAfFcSJ\n\nEND:VCARD\n",
            {{janeWith({.hasImage = true}), {}, kPng}}},
        ReadRow {"GroupsAnyCase",
            "BEGIN:VCARD\nN:Doe;Jane\nItem1.tel:1\nITEM1.x-ablabel:Boat\nitem2.TEL;TYPE=HOME:"
            "2\nEND:VCARD\n",
            {{janeWith({.phones = {{u"Boat"_s, u"1"_s}, {kHome, u"2"_s}}})}}},
        ReadRow {"QuotedParameterWithColonAndSemicolon",
            "BEGIN:VCARD\nN:Doe;Jane\nTEL;X-NOTE=\"a:b;c\";TYPE=WORK:555\nEND:VCARD\n",
            {{janeWith({.phones = {{kWork, u"555"_s}}})}}},
        ReadRow {"UnbalancedQuoteFallsBackToFirstColon",
            "BEGIN:VCARD\nN:Doe;Jane\nTEL;X-NOTE=\"oops:555\nEND:VCARD\n",
            {{janeWith({.phones = {{QString(), u"555"_s}}})}}},
        ReadRow {"ParameterListsWithCommas",
            "BEGIN:VCARD\nN:Doe;Jane\nTEL;TYPE=work,fax:1\nTEL;TYPE=\"home,voice\":2\nTEL;type="
            "pref;type=home;type=fax:3\nEND:VCARD\n",
            {{janeWith({.phones = {{kWorkFax, u"1"_s}, {kHome, u"2"_s}, {kHomeFax, u"3"_s}}})}}},
        ReadRow {"Agent21EmbeddedCardIsSkipped",
            "BEGIN:VCARD\nVERSION:2.1\nN:Fischer;Lena\nAGENT:\nBEGIN:VCARD\nVERSION:2.1\nN:Wolf;"
            "Jonas\nTEL;WORK:+49 89 1111\n"
            "END:VCARD\nTEL;WORK:+49 89 2222\nEND:VCARD\n",
            {{Person {.firstName = u"Lena"_s,
                .lastName = u"Fischer"_s,
                .phones = {{kWork, u"+49 89 2222"_s}}}}}},
        ReadRow {"Agent30EscapedCardIsAValue",
            "BEGIN:VCARD\nVERSION:3.0\nN:Fischer;Lena\nAGENT:BEGIN:VCARD\\nN:Wolf;Jonas\\nEND:"
            "VCARD\nEND:VCARD\n",
            {{Person {.firstName = u"Lena"_s, .lastName = u"Fischer"_s}}}},
        ReadRow {"Utf8WithBom", "\xEF\xBB\xBF" + kUnicodeCard.toUtf8(), {{kUnicodePerson}}},
        ReadRow {"Utf16BigEndianWithBom", encoded(kUnicodeCard, QStringConverter::Utf16BE, true),
            {{kUnicodePerson}}},
        ReadRow {"Utf16LittleEndianWithoutBom",
            encoded(kUnicodeCard, QStringConverter::Utf16LE, false), {{kUnicodePerson}}},
        ReadRow {"Utf32LittleEndianWithBom", encoded(kUnicodeCard, QStringConverter::Utf32LE, true),
            {{kUnicodePerson}}},
        ReadRow {"FullNameSplitAtLastSpace",
            "BEGIN:VCARD\nVERSION:3.0\nN:;;;;\nFN: Mary Ann  Smith \nEND:VCARD\n",
            {{Person {.firstName = u"Mary Ann"_s, .lastName = u"Smith"_s}}}},
        ReadRow {"FullNameWithoutN", "BEGIN:VCARD\nVERSION:4.0\nFN:Cher\nEND:VCARD\n",
            {{Person {.firstName = u"Cher"_s}}}},
        ReadRow {"FullNameIgnoredWhenNHasNames",
            "BEGIN:VCARD\nFN:Someone Else\nN:Doe;Jane;;;\nEND:VCARD\n", {{janeWith({})}}},
        ReadRow {"FullNameOfCompanyCard",
            "BEGIN:VCARD\nN:;;;;\nFN:Acme Tools\nORG:Acme Tools;Sales\nEND:VCARD\n",
            {{Person {.organization = u"Acme Tools"_s}}}},
        ReadRow {"FullNameBesideOtherOrganization",
            "BEGIN:VCARD\nFN:John Doe\nORG:Acme\nEND:VCARD\n",
            {{Person {.firstName = u"John"_s, .lastName = u"Doe"_s, .organization = u"Acme"_s}}}},
        ReadRow {"NicknameOnly",
            "BEGIN:VCARD\nVERSION:4.0\nFN:Bubbles\nNICKNAME:Bubbles\nEND:VCARD\n",
            {{Person {.nickname = u"Bubbles"_s}}}},
        // Values of a card of Jane Doe.
        inJane("NoteEscapes", "NOTE:a\\nb\\,c\\;d\\\\e\\Nf\\xg\\\r\n",
            {.note = u"a\nb,c;d\\e\nf\\xg\\"_s}),
        inJane("NoteLineEndsBecomeNewlines", "NOTE;ENCODING=QUOTED-PRINTABLE:a=0D=0Ab=0Dc=0Ad\r\n",
            {.note = u"a\nb\nc\nd"_s}),
        inJane("OrganizationFirstComponentUnescaped",
            "ORG:Smith\\, Jones & Co.;Legal\\;Tax;Floor 2\r\n",
            {.organization = u"Smith, Jones & Co."_s}),
        inJane("FirstNicknameKeepsCommas", "NICKNAME:Jim,Jimmie\r\nNICKNAME:Later\r\n",
            {.nickname = u"Jim,Jimmie"_s}),
        inJane("PhonesTrimmedEmptyOnesDropped",
            "TEL;TYPE=CELL:  +1 555 0100 \r\nTEL;TYPE=HOME:\r\nTEL: \r\n",
            {.phones = {{kMobile, u"+1 555 0100"_s}}}),
        inJane("TelUriLosesScheme", "TEL;VALUE=uri;TYPE=cell:tel:+1-555-0100\r\nTEL:tel:kept\r\n",
            {.phones = {{kMobile, u"+1-555-0100"_s}, {QString(), u"tel:kept"_s}}}),
        inJane("EmailsAndUrlsInOrder",
            "EMAIL;TYPE=INTERNET,WORK:w@example.com\r\nEMAIL;TYPE=INTERNET:p@example.com\r\nURL:"
            "http\\://a.example/x?y=1\\,2\r\n"
            "EMAIL;TYPE=HOME:h@example.com\r\n",
            {.emails = {{kWork, u"w@example.com"_s}, {QString(), u"p@example.com"_s},
                 {kHome, u"h@example.com"_s}},
                .urls = {{QString(), u"http://a.example/x?y=1,2"_s}}}),
        inJane("AddressBoxAndExtendedFollowTheStreet",
            "ADR;TYPE=WORK:PO Box 7;Suite 4;12 Main "
            "St;Springfield;IL;62701;USA\r\nADR;TYPE=HOME:;;;;;;\r\nADR:;;Only street\r\n",
            {.addresses = {{kWork,
                               {u"12 Main St\nSuite 4\nPO Box 7"_s, u"Springfield"_s, u"IL"_s,
                                   u"62701"_s, u"USA"_s}},
                 {QString(), {u"Only street"_s, {}, {}, {}, {}}}}}),
        inJane("AddressComponentsEscaped",
            "ADR:;;Rue de l'Église 1\\; 2e\\, gauche;Genève;;1204;Suisse\r\n",
            {.addresses = {{QString(),
                 {u"Rue de l'Église 1; 2e, gauche"_s, u"Genève"_s, {}, u"1204"_s, u"Suisse"_s}}}}),
        inJane("CategoriesTrimmedDeduplicatedMerged",
            "CATEGORIES: Family , Work,,Family, Chess\\, Go\r\nCATEGORIES:Work,Travel\r\n", {},
            {u"Family"_s, u"Work"_s, u"Chess, Go"_s, u"Travel"_s}),
        inJane("LabelOfAnotherGroupDoesNotApply",
            "item1.TEL;TYPE=HOME:1\r\nitem2.X-ABLabel:Boat\r\nitem3.TEL;TYPE=WORK:2\r\nitem3.X-"
            "ABLabel:\r\n",
            {.phones = {{kHome, u"1"_s}, {kWork, u"2"_s}}}),
        inJane("LabelBeforeItsProperty",
            "item9.X-ABLabel:_$!<HomePage>!$_\r\nitem9.URL:https\\://x.example\r\n",
            {.urls = {{kHomePage, u"https://x.example"_s}}}),
        inJane("Windows1252Charset", "NOTE;CHARSET=windows-1252:\x93quoted\x94 \x80 5\r\n",
            {.note = u"“quoted” € 5"_s}),
        inJane("UndeclaredWindows1252",
            "NOTE:Stra\xDF"
            "e \x96 Ecke\r\n",
            {.note = u"Straße – Ecke"_s}, {}, {}, {guessed(1, 4, "windows-1252")}),
        inJane("ShiftJisQuotedPrintable",
            "NOTE;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=93=FA=96=7B\r\n",
            {.note = u"日本"_s}),
        inJane("UnknownCharsetFallsBackToUtf8", "NOTE;CHARSET=X-NOTHING:Grüße\r\n",
            {.note = u"Grüße"_s}),
        inJane("QuotedPrintableMalformedEscapesKept", "NOTE;ENCODING=QUOTED-PRINTABLE:a=ZZb=4\r\n",
            {.note = u"a=ZZb=4"_s}),
        inJane("Base64Text", "NOTE;ENCODING=b;CHARSET=UTF-8:R3LDvMOfZSwgSmFuZQ==\r\n",
            {.note = u"Grüße, Jane"_s}),
        inJane("EightBitEncodingIsPlain", "NOTE;ENCODING=8BIT:plain\r\n", {.note = u"plain"_s}),
        inJane("UidKeptVerbatim", "UID:urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1\r\n",
            {.uid = u"urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1"_s}),
        inJane("FirstNoteWins", "NOTE:\r\nNOTE:first\r\nNOTE:second\r\n", {.note = u"first"_s}),
        inJane("UnknownPropertyUnreadable",
            "X-FOO;ENCODING=b:!!!not base64!!!\r\nTITLE:Boss\r\nROLE:x\r\n", {}, {}, {},
            {{1, 4, u"the X-FOO value is not valid base64; it was left out"_s}}),
        // TYPE parameters and X-ABLabel groups → labels, beyond the exporters' samples.
        tel("Mobile", "TEL;TYPE=mobile:555\r\n", kMobile),
        tel("FaxAlone", "TEL;FAX:555\r\n", kOtherFax),
        tel("CellBeatsHome", "TEL;TYPE=cell,home:555\r\n", kMobile),
        tel("PrefVoiceNoLabel", "TEL;TYPE=PREF;TYPE=VOICE:555\r\n", QString()),
        tel("UnknownTypeNoLabel", "TEL;TYPE=X-CUSTOM;TYPE=TEXT:555\r\n", QString()),
        tel("GroupLabelOverridesType", "item1.TEL;TYPE=HOME:555\r\nitem1.X-ABLabel:Cabin\r\n",
            u"Cabin"_s),
        tel("PlainWellKnownGroupLabel", "item1.TEL:555\r\nitem1.X-ABLabel:Mobile\r\n", kMobile),
        tel("GroupLabelEscaped", "item1.TEL:555\r\nitem1.X-ABLabel:Boat\\, harbour\r\n",
            u"Boat, harbour"_s),
        tel("GroupLabelQuotedPrintable",
            "item1.TEL:555\r\nitem1.X-ABLabel;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Yazl=C4="
            "B1k\r\n",
            u"Yazlık"_s),
        // Dates; a year-less one gets Person::NoYear.
        date("Extended", "BDAY:1985-03-15\r\n", QDate(1985, 3, 15)),
        date("Basic", "BDAY:19850315\r\n", QDate(1985, 3, 15)),
        date("YearlessBasic", "BDAY:--0315\r\n", QDate(1604, 3, 15)),
        date("YearlessExtended", "BDAY:--03-15\r\n", QDate(1604, 3, 15)),
        date("ExtendedWithUtcTime", "BDAY:1985-03-15T00:00:00Z\r\n", QDate(1985, 3, 15)),
        date("ExtendedWithOffsetTime", "BDAY:1985-03-15T23:30:00+02:00\r\n", QDate(1985, 3, 15)),
        date("YearlessWithTime", "BDAY:--0315T1200\r\n", QDate(1604, 3, 15)),
        date(
            "AppleOmitOtherYear", "BDAY;X-APPLE-OMIT-YEAR=1900:1900-03-15\r\n", QDate(1604, 3, 15)),
        date("YearlessLeapDay", "BDAY:--0229\r\n", QDate(1604, 2, 29)),
        date("AppleYearlessLeapDay", "BDAY;X-APPLE-OMIT-YEAR=1604:1604-02-29\r\n",
            QDate(1604, 2, 29)),
        date("TextValueSkippedSilently", "BDAY;VALUE=text:circa 1800\r\n", kNone),
        date("NotADate", "BDAY:sometime in May\r\n", kNone, {},
            notADay("BDAY", u"sometime in May"_s, "birthday")),
        date("LeapDayOfCommonYear", "BDAY:1985-02-29\r\n", kNone, {},
            notADay("BDAY", u"1985-02-29"_s, "birthday")),
        date("MixedForms", "BDAY:1985-0315\r\n", kNone, {},
            notADay("BDAY", u"1985-0315"_s, "birthday")),
        date("LongValueShortenedInMessage", "BDAY:" + QByteArray(100, 'x') + "\r\n", kNone, {},
            notADay("BDAY", QString(40, u'x') + u'…', "birthday")),
        // Calendars refuse an event that ends in the year 10000; the day itself is kept.
        date("YearPastTheLastCalendarsRead", "BDAY:9999-12-31\r\n", QDate(1604, 12, 31), {},
            yearLeftOut("BDAY", "9999-12-31")),
        date("YearBeforeTheGregorianCalendar", "ANNIVERSARY:0001-05-01\r\n", kNone,
            {{kAnniversary, QDate(1604, 5, 1)}}, yearLeftOut("ANNIVERSARY", "0001-05-01")),
        date("LastYearCalendarsRead", "BDAY:9998-12-31\r\n", QDate(9998, 12, 31)),
        date(
            "FirstValidBirthdayWins", "BDAY:1985-03-15\r\nBDAY:1990-01-01\r\n", QDate(1985, 3, 15)),
        date("BadThenGoodBirthday", "BDAY:?\r\nBDAY:1990-01-01\r\n", QDate(1990, 1, 1), {},
            notADay("BDAY", u"?"_s, "birthday")),
        date("Anniversary40", "ANNIVERSARY:20100918\r\n", kNone, kAnniversary2010),
        date("XAnniversary", "X-ANNIVERSARY:2010-09-18\r\n", kNone, kAnniversary2010),
        date("AnniversaryNotADate", "ANNIVERSARY:soon\r\n", kNone, {},
            notADay("ANNIVERSARY", u"soon"_s, "anniversary")),
        date("AbDateNotADate", "item1.X-ABDATE:31/12/2001\r\nitem1.X-ABLabel:Wedding\r\n", kNone,
            {}, notADay("X-ABDATE", u"31/12/2001"_s, "date")),
        // Plain well-known words, as some address-book services write them.
        date("PlainAnniversaryLabel",
            "item1.X-ABDATE:2010-09-18\r\nitem1.X-ABLabel:Anniversary\r\n", kNone,
            kAnniversary2010),
        date("PlainLabelAnyCase", "item1.X-ABDATE:2010-09-18\r\nitem1.X-ABLabel: anniversary \r\n",
            kNone, kAnniversary2010),
        date("LongerTextStaysOwnLabel",
            "item1.X-ABDATE:2010-09-18\r\nitem1.X-ABLabel:Anniversary party\r\n", kNone,
            {{u"Anniversary party"_s, QDate(2010, 9, 18)}}),
        date("AbDateWithoutLabel", "X-ABDATE:2001-12-31\r\n", kNone,
            {{QString(), QDate(2001, 12, 31)}}),
        date("AnniversaryCopyOfAbDateNotDoubled",
            "ANNIVERSARY:20100918\r\nitem1.X-ABDATE:2010-09-18\r\nitem1.X-ABLabel:_$!<Anniversary>!"
            "$_\r\n",
            kNone, kAnniversary2010),
        date("YearlessAnniversaryCopyNotDoubled",
            "ANNIVERSARY:--0229\r\nitem1.X-ABDATE;X-APPLE-OMIT-YEAR=1604:1604-02-29\r\nitem1.X-"
            "ABLabel:_$!<Anniversary>!$_\r\n",
            kNone, {{kAnniversary, QDate(1604, 2, 29)}}),
        date("SameAnniversaryFromTwoExtensions",
            "X-EVOLUTION-ANNIVERSARY:2010-09-18\r\nANNIVERSARY:20100918\r\n", kNone,
            kAnniversary2010),
        date("AnniversaryOfOtherDayKept",
            "ANNIVERSARY:20100918\r\nitem1.X-ABDATE:2012-01-01\r\nitem1.X-ABLabel:_$!<Anniversary>!"
            "$_\r\n",
            kNone, {{kAnniversary, QDate(2010, 9, 18)}, {kAnniversary, QDate(2012, 1, 1)}}),
        date("SameDayWithOtherLabelNotADuplicate",
            "ANNIVERSARY:20100918\r\nitem1.X-ABDATE:2010-09-18\r\nitem1.X-ABLabel:Moved in\r\n",
            kNone, {{kAnniversary, QDate(2010, 9, 18)}, {u"Moved in"_s, QDate(2010, 9, 18)}}),
        date("TwoLabelledAbDatesOfOneDayBothKept",
            "item1.X-ABDATE:2010-09-18\r\nitem1.X-ABLabel:_$!<Anniversary>!$_\r\nitem2.X-ABDATE:"
            "2010-09-18\r\nitem2.X-ABLabel:_$!<Anniversary>!$_\r\n",
            kNone, {{kAnniversary, QDate(2010, 9, 18)}, {kAnniversary, QDate(2010, 9, 18)}}),
        date("AndroidEvents",
            "X-ANDROID-CUSTOM:vnd.android.cursor.item/contact_event;2010-09-18;1;;;;;;;;;;;;;\r\n"
            "X-ANDROID-CUSTOM:vnd.android.cursor.item/contact_event;--12-24;2;;;;;;;;;;;;;\r\n"
            "X-ANDROID-CUSTOM:vnd.android.cursor.item/contact_event;1985-03-15;3;;;;;;;;;;;;;\r\n"
            "X-ANDROID-CUSTOM:vnd.android.cursor.item/"
            "contact_event;2001-05-05;0;Graduation;;;;;;;;;;;;\r\n",
            QDate(1985, 3, 15),
            {{kAnniversary, QDate(2010, 9, 18)}, {kOther, QDate(1604, 12, 24)},
                {u"Graduation"_s, QDate(2001, 5, 5)}}),
        date("AndroidBirthdayDoesNotOverrideBday",
            "X-ANDROID-CUSTOM:vnd.android.cursor.item/"
            "contact_event;1985-03-15;3;;;;;;;;;;;;;\r\nBDAY:1986-04-16\r\n",
            QDate(1986, 4, 16)),
        // Pictures: inline data only.
        photo("Base64Of21",
            "PHOTO;ENCODING=BASE64;PNG:iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJ\r\n\r\n", kPng),
        photo("BOf30", "PHOTO;ENCODING=b;TYPE=JPEG:" + kJpeg.toBase64() + "\r\n", kJpeg),
        photo("DataUri", "PHOTO:data:image/jpeg;base64," + kJpeg.toBase64() + "\r\n", kJpeg),
        photo("DataUriPercentEncoded", "PHOTO:data:application/octet-stream,%FF%D8%FFab%FF%D9\r\n",
            QByteArray("\xFF\xD8\xFF"
                       "ab\xFF\xD9")),
        photo("Base64WithWhitespaceAndFolds",
            "PHOTO;ENCODING=b:iVBO Rw0K\tGgoAAAAN\r\n SUhEUgAA AAEAAAAB\r\n  CAYAAAAfFcSJ\r\n",
            kPng),
        photo("Base64WithoutPadding",
            "PHOTO;ENCODING=b:" + kJpeg.toBase64(QByteArray::OmitTrailingEquals) + "\r\n", kJpeg),
        photo("UndeclaredInlineBase64",
            "PHOTO;TYPE=PNG:iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJ\r\n", kPng),
        photo("HttpLinkIgnored", "PHOTO;VALUE=uri:https://photos.example.com/jane.jpg\r\n", {}),
        photo("EmptyPhotoIgnored", "PHOTO;ENCODING=b;TYPE=JPEG:\r\n", {}),
        photo("FirstPhotoWins",
            "PHOTO:https://x.example/a.jpg\r\nPHOTO;ENCODING=b:" + kPng.toBase64() +
                "\r\nPHOTO;ENCODING=b:" + kJpeg.toBase64() + "\r\n",
            kPng)),
    test::RowName());

// --- damaged files ---------------------------------------------------------------------

const QByteArray kFirst =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:One;Good;;;\r\nEND:VCARD\r\n"; // lines 1-4
const QByteArray kLast =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Three;Good;;;\r\nEND:VCARD\r\n"; // 4 lines
const Person kOne {.firstName = u"Good"_s, .lastName = u"One"_s},
    kThree {.firstName = u"Good"_s, .lastName = u"Three"_s};

const Person kTwo {.firstName = u"Bad"_s, .lastName = u"Two"_s};

// A damaged card between two good ones: what cannot be read is left out and reported,
// the card and the others are read.
ReadRow kept(std::string name, const QByteArray& bad, std::vector<VCard::Problem> problems)
{
    return {std::move(name), kFirst + bad + kLast, {{kOne}, {kTwo, {}, {}, 2}, {kThree, {}, {}, 3}},
        std::move(problems)};
}

// A card that has no name once its damaged lines are left out.
ReadRow nameless(std::string name, const QByteArray& bad, std::vector<VCard::Problem> problems)
{
    problems.push_back({2, 5, u"the card was skipped: it has no name and no organization"_s});
    return {
        std::move(name), kFirst + bad + kLast, {{kOne}, {kThree, {}, {}, 3}}, std::move(problems)};
}

const QString kBadBase64Photo =
    u"the PHOTO value is not valid base64 (cut off or damaged); the photo was left out"_s;

INSTANTIATE_TEST_SUITE_P(Damaged, VCardRead,
    ::testing::Values(
        kept("MissingEndBeforeNextBegin", "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Two;Bad;;;\r\n",
            {{2, 5, u"the card has no END:VCARD; it was read up to the BEGIN:VCARD on line 8"_s}}),
        ReadRow {"MissingEndAtEndOfFile",
            kFirst + kLast + "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Two;Bad;;;\r\n",
            {{kOne}, {kThree}, {kTwo}},
            {{3, 9,
                u"the file ends inside this card (it has no END:VCARD); it was read up to the end"_s}}},
        kept("LineWithoutColon",
            "BEGIN:VCARD\r\nN:Two;Bad;;;\r\nthis line has no colon\r\nEND:VCARD\r\n",
            {{2, 7,
                u"the line is not a property (it has no ':') and was left out: 'this line has no colon'"_s}}),
        nameless("NamelessCard",
            "BEGIN:VCARD\r\nVERSION:3.0\r\nTEL:+1 555 "
            "0100\r\nEMAIL:nobody@example.com\r\nN:;;;;\r\nEND:VCARD\r\n",
            {}),
        kept("BadBase64Photo",
            "BEGIN:VCARD\r\nN:Two;Bad;;;\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQ*&^%not "
            "base64\r\nEND:VCARD\r\n",
            {{2, 7, kBadBase64Photo}}),
        kept("BadBase64DataUri",
            "BEGIN:VCARD\r\nN:Two;Bad;;;\r\nPHOTO:data:image/png;base64,iVBO$$$\r\nEND:VCARD\r\n",
            {{2, 7, kBadBase64Photo}}),
        kept("Base64OfBadLength",
            "BEGIN:VCARD\r\nN:Two;Bad;;;\r\nPHOTO;ENCODING=b:iVBOR\r\nEND:VCARD\r\n",
            {{2, 7, kBadBase64Photo}}),
        nameless("BadBase64Name",
            "BEGIN:VCARD\r\nVERSION:3.0\r\nN;ENCODING=b:!!!!\r\nEND:VCARD\r\n",
            {{2, 7, u"the N value is not valid base64; it was left out"_s}}),
        nameless("UnknownEncoding",
            "BEGIN:VCARD\r\nVERSION:2.1\r\nN;ENCODING=UUENCODE:begin 644\r\nEND:VCARD\r\n",
            {{2, 7, u"the N value has an unknown encoding 'UUENCODE'; it was left out"_s}}),
        nameless("UnknownEncodingNamedLikePlaceholders",
            "BEGIN:VCARD\r\nN;ENCODING=%2%1:x\r\nEND:VCARD\r\n",
            {{2, 6, u"the N value has an unknown encoding '%2%1'; it was left out"_s}}),
        ReadRow {"UnterminatedAgent",
            kFirst +
                "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Two;Bad\r\nAGENT:\r\nBEGIN:VCARD\r\nN:Agent;"
                "X\r\nEND:VCARD\r\n",
            {{kOne}, {kTwo}},
            {{2, 5,
                u"the file ends inside this card (it has no END:VCARD); it was read up to the end"_s}}},
        ReadRow {"BadBirthdayKeepsCard",
            kFirst + "BEGIN:VCARD\r\nN:Two;Kept;;;\r\nBDAY:sometime in May\r\nEND:VCARD\r\n" +
                kLast,
            {{kOne}, {Person {.firstName = u"Kept"_s, .lastName = u"Two"_s}}, {kThree}},
            {{2, 7, u"BDAY value 'sometime in May' is not a date; the birthday was left out"_s}}},
        ReadRow {"NotAVCardAtAll", "Name,Phone\r\nJane Doe,555\r\n", {},
            {{0, 0, u"no vCard found: the file has no BEGIN:VCARD line"_s}}},
        ReadRow {
            "EmptyFile", "", {}, {{0, 0, u"no vCard found: the file has no BEGIN:VCARD line"_s}}}),
    test::RowName());

// Damage seen in real files, each next to a birthday that must survive it.
const Person kJaneBorn = janeWith({.birthday = QDate(1980, 2, 3)});
ReadRow bornJane(std::string name, const QByteArray& lines, const Person& person,
    const QByteArray& photo, std::vector<VCard::Problem> problems)
{
    return {std::move(name), janeCard("BDAY:1980-02-03\r\n" + lines),
        {{janeWith(person), {}, photo}}, std::move(problems)};
}

INSTANTIATE_TEST_SUITE_P(RealDamage, VCardRead,
    ::testing::Values(bornJane("PhotoWithOnePaddingTooMany",
                          "PHOTO;ENCODING=b;TYPE=JPEG:" + kJpeg.toBase64() + "=\r\n",
                          {.birthday = QDate(1980, 2, 3), .hasImage = true}, kJpeg, {}),
        bornJane("LoneFormattedNameWithoutColon", "FN\r\n", kJaneBorn, {},
            {{1, 5, u"the line is not a property (it has no ':') and was left out: 'FN'"_s}}),
        bornJane("AddressGoesOnAfterBackslash",
            "ADR;HOME:;;Main Street 1\\\r\nBuilding B;Springfield;;12345;USA\r\n",
            {.birthday = QDate(1980, 2, 3),
                .addresses = {{kHome,
                    {u"Main Street 1\nBuilding B"_s, u"Springfield"_s, {}, u"12345"_s, u"USA"_s}}}},
            {}, {}),
        bornJane("AddressGoesOnAfterSoftLineBreak",
            "ADR;HOME;ENCODING=QUOTED-PRINTABLE:;;Main Street 1=0D=0A=\r\nBuilding "
            "B;Springfield;;12345;USA\r\n",
            {.birthday = QDate(1980, 2, 3),
                .addresses = {{kHome,
                    {u"Main Street 1\nBuilding B"_s, u"Springfield"_s, {}, u"12345"_s, u"USA"_s}}}},
            {}, {}),
        bornJane("PhotoBase64CutOff",
            "PHOTO;ENCODING=b;TYPE=JPEG:" + kJpeg.toBase64().left(41) + "\r\n", kJaneBorn, {},
            {{1, 5, kBadBase64Photo}}),
        bornJane("JpegCutOff", "PHOTO;ENCODING=b;TYPE=JPEG:" + kJpeg.left(40).toBase64() + "\r\n",
            kJaneBorn, {},
            {{1, 5, u"the PHOTO is a JPEG that is cut off; the photo was left out"_s}}),
        ReadRow {"FileEndsInsidePhoto",
            "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Doe;Jane;;;\r\nBDAY:1980-02-03\r\nPHOTO;ENCODING=b:" +
                kJpeg.toBase64().left(40) + "\r\n",
            {{kJaneBorn}},
            {{1, 1,
                 u"the file ends inside this card (it has no END:VCARD); it was read up to the end"_s},
                {1, 5, u"the PHOTO is a JPEG that is cut off; the photo was left out"_s}}},
        bornJane("UnknownEncodingOfOneValue", "NOTE;ENCODING=X-ZIP:xyz\r\n", kJaneBorn, {},
            {{1, 5, u"the NOTE value has an unknown encoding 'X-ZIP'; it was left out"_s}})),
    test::RowName());

// --- 8-bit text without a charset --------------------------------------------------------

struct CharsetRow {
    std::string name;
    QByteArray input;
    QStringList names; // "first last" of each card
    std::vector<VCard::Problem> problems;
};

class LegacyCharset : public ::testing::TestWithParam<CharsetRow> { };

TEST_P(LegacyCharset, IsGuessedFromAllOfTheFilesText)
{
    const auto result = VCard::read(GetParam().input);
    QStringList names;
    for (const VCard::Card& card : result.cards)
        names << card.person.firstName + u' ' + card.person.lastName;
    EXPECT_EQ(names.join(u'|').toStdString(), GetParam().names.join(u'|').toStdString());
    EXPECT_EQ(describe(result.problems), describe(GetParam().problems));
}

const QStringList kRussians = {u"Сергей Иванов"_s, u"Ольга Смирнова"_s, u"Дмитрий Кузнецов"_s};

INSTANTIATE_TEST_SUITE_P(VCardRead, LegacyCharset,
    ::testing::Values(CharsetRow {"Windows1251Cyrillic", sampleFile("cyrillic-windows1251-2.1.vcf"),
                          kRussians, {guessed(1, 3, "windows-1251")}},
        CharsetRow {"Iso88597Greek", sampleFile("greek-iso88597-2.1.vcf"),
            {u"Γιώργος Παπαδόπουλος"_s, u"Μαρία Κωνσταντίνου"_s, u"Ελένη Νικολάου"_s},
            {guessed(1, 3, "ISO-8859-7")}},
        // Windows-1255 without its extra characters is ISO-8859-8 to the detector.
        CharsetRow {"Windows1255Hebrew", sampleFile("hebrew-windows1255-2.1.vcf"),
            {u"דוד כהן"_s, u"שרה לוי"_s, u"יוסי מזרחי"_s}, {guessed(1, 3, "ISO-8859-8-I")}},
        CharsetRow {"DeclaredCharsetWins",
            sampleFile("cyrillic-windows1251-2.1.vcf") + "BEGIN:VCARD\r\nN;CHARSET=ISO-8859-7:" +
                QStringEncoder("ISO-8859-7").encode(u"Νικολάου;Ελένη"_s) + "\r\nEND:VCARD\r\n",
            kRussians + QStringList {u"Ελένη Νικολάου"_s}, {guessed(1, 3, "windows-1251")}}),
    test::RowName());

// --- hostile files ---------------------------------------------------------------------

struct HostileRow {
    std::string name;
    std::function<QByteArray()> make;
    size_t cards;
    std::function<void(const VCard::ReadResult&)> check = nullptr;
    VCard::Limits limits = {};
};

class HostileFile : public ::testing::TestWithParam<HostileRow> { };

// `count` items made by `item`, for floods of values.
QByteArray joined(int count, const std::function<QByteArray(int)>& item)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += item(i);
    return out;
}

TEST_P(HostileFile, IsReadWithinLimits)
{
    const QByteArray input = GetParam().make();
    const auto result = VCard::read(input, GetParam().limits);
    ASSERT_EQ(result.cards.size(), GetParam().cards) << describe(result.problems).substr(0, 2000);
    if (GetParam().check)
        GetParam().check(result);
}

INSTANTIATE_TEST_SUITE_P(VCardRead, HostileFile,
    ::testing::Values(
        HostileRow {"HugeLine",
            [] { return janeCard("NOTE:" + QByteArray(30 << 20, 'a') + "\r\n"); }, 1,
            [](const VCard::ReadResult& r) { EXPECT_EQ(r.cards[0].person.note.size(), 30 << 20); }},
        HostileRow {"CardsUpToTheCapAreAllRead",
            [] { return QByteArray("BEGIN:VCARD\nFN:a\nEND:VCARD\n").repeated(1000); }, 1000,
            [](const VCard::ReadResult& r) { EXPECT_EQ(describe(r.problems), ""); },
            {.cards = 1000}},
        HostileRow {"CardsBeyondTheCapRefuseTheFile",
            [] { return QByteArray("BEGIN:VCARD\nFN:a\nEND:VCARD\n").repeated(1001); }, 0,
            [](const VCard::ReadResult& r) {
                EXPECT_EQ(describe(r.problems),
                    "card 0, line 0: the file has more than 1000 cards, more than this reader "
                    "keeps in memory at once; it was not read, so that no part of it is imported "
                    "(split it into smaller files)");
            },
            {.cards = 1000}},
        HostileRow {"BeginsWithoutEndCapTheProblemList",
            [] { return QByteArray("BEGIN:VCARD\n").repeated(100000); }, 0,
            [](const VCard::ReadResult& r) {
                EXPECT_TRUE(r.problems.size() == VCard::MaxProblems + 1u &&
                    r.problems.back().message == u"more problems were found and not listed"_s);
            }},
        HostileRow {"AgentsMillionDeep", [] { return deepAgents(1000000); }, 2,
            [](const VCard::ReadResult& r) {
                EXPECT_EQ(
                    r.cards[0].person.phones, (std::vector<Labeled<QString>> {{kWork, u"1"_s}}));
            }},
        HostileRow {"InvalidUtf8Everywhere",
            [] {
                const QByteArray bad = QByteArray(
                    "\xc3\x28\xa0\xa1\xe2\x28\xa1\xf0\x90\x28\xbc\xff\xc0\xaf\xed\xa0\x80\xf8")
                                           .repeated(300);
                return janeCard("NOTE:" + bad + "\r\nFN:" + bad + "\r\n") +
                    "BEGIN:VCARD\r\nN:" + bad + ";x\r\nEND:VCARD\r\n";
            },
            2},
        HostileRow {"QuotedPrintableSoftBreakFlood",
            [] {
                return janeCard("NOTE;ENCODING=QUOTED-PRINTABLE:" +
                    QByteArray("a=\r\n").repeated(1000000) + "b\r\n");
            },
            1,
            [](const VCard::ReadResult& r) { EXPECT_EQ(r.cards[0].person.note.size(), 1000001); }},
        HostileRow {"FoldFloodWithoutColon",
            [] { return janeCard("X" + QByteArray("\r\n x").repeated(1000000) + "\r\n"); }, 1},
        HostileRow {"FoldFloodInValue",
            [] { return janeCard("NOTE:" + QByteArray("\r\n y").repeated(1000000) + "\r\n"); }, 1},
        HostileRow {"SemicolonFloodInParameters",
            [] { return janeCard("TEL" + QByteArray(10 << 20, ';') + ":1\r\n"); }, 1},
        HostileRow {"QuoteFloodInParameters",
            [] { return janeCard("TEL;X=" + QByteArray(10 << 20, '"') + "\r\n"); }, 1},
        HostileRow {"ValuesBeyondTheCapRefuseTheFile",
            [] {
                return janeCard("CATEGORIES:" + joined(1010, [](int i) {
                    return QByteArray::number(i, 36) + ',';
                }) + "\r\n");
            },
            0,
            [](const VCard::ReadResult& r) {
                EXPECT_EQ(describe(r.problems),
                    "card 0, line 0: the file has more than 1000 phones, e-mails, addresses, "
                    "dates, groups and other values in all; it was not read, so that no part of "
                    "it is imported (split it into smaller files)");
            },
            {.values = 1000}},
        HostileRow {"ManyAnniversariesOfDifferentDays",
            [] {
                return janeCard(joined(90000, [](int i) {
                    return "ANNIVERSARY:" +
                        QDate(1700, 1, 1).addDays(i).toString(u"yyyyMMdd"_s).toLatin1() + "\r\n";
                }));
            },
            1,
            [](const VCard::ReadResult& r) { EXPECT_EQ(r.cards[0].person.dates.size(), 90000u); }},
        HostileRow {"NulBytes", [] { return janeCard(QByteArray("NOTE:a\0b\r\nTEL:\0\r\n", 17)); },
            1,
            [](const VCard::ReadResult& r) {
                EXPECT_EQ(r.cards[0].person.note, QString(u"a\0b"_s));
            }},
        HostileRow {"PhotoOverTheLimit",
            [] {
                return janeCard("PHOTO;ENCODING=b:" +
                    QByteArray(VCard::MaxPhotoBytes + 3, '\x11').toBase64() + "\r\n");
            },
            1,
            [](const VCard::ReadResult& r) {
                EXPECT_TRUE(r.cards[0].photo.isEmpty()) << describe(r.problems);
                EXPECT_EQ(describe(r.problems),
                    "card 1, line 4: the PHOTO is larger than 20 MiB; it was left out");
            }},
        HostileRow {"FileOverTheLimit", [] { return QByteArray(VCard::MaxFileBytes + 1, ' '); }, 0,
            [](const VCard::ReadResult& r) {
                EXPECT_EQ(describe(r.problems),
                    "card 0, line 0: the file is larger than 256 MiB; it was not read");
            }}),
    test::RowName());

// --- writing ---------------------------------------------------------------------------

// About `size` UTF-16 units of mixed scripts and vCard's special characters; no blanks
// at the ends (reading trims names) and no half of a surrogate pair.
QString longText(int size)
{
    QString out = u"Ünïcödé 日本語 😀 ,;\\ e\u0301 x"_s.repeated(size / 20 + 1).left(size);
    while (!out.isEmpty() && (out.back().isHighSurrogate() || out.back().isSpace()))
        out.chop(1);
    return out;
}

struct WriteRow {
    std::string name;
    Person person;
    QStringList groups = {};
    QByteArray photo = {};
    QStringList lines = {};                // when given: the unfolded lines between VERSION and END
    std::optional<ExpectedCard> kept = {}; // when reading normalises what was written
};

class VCardWrite : public ::testing::TestWithParam<WriteRow> { };

TEST_P(VCardWrite, ReadsBackWhatWasWritten)
{
    const WriteRow& row = GetParam();
    QByteArray written = VCard::write(row.person, row.groups, row.photo);
    const auto result = VCard::read(written);
    EXPECT_TRUE(result.problems.empty()) << describe(result.problems);
    expectCards(result, {row.kept.value_or(ExpectedCard {row.person, row.groups, row.photo})});
    ASSERT_EQ(result.cards.size(), 1u);
    EXPECT_EQ(
        VCard::write(result.cards[0].person, result.cards[0].categories, result.cards[0].photo),
        written)
        << "our output is a fixed point";
    ASSERT_TRUE(written.endsWith("\r\n"));
    const QByteArray bare = QByteArray(written).replace("\r\n", "");
    EXPECT_FALSE(bare.contains('\r') || bare.contains('\n')) << "only CRLF line ends";
    for (const QByteArray& line : QByteArray(written).replace("\r\n", "\n").chopped(1).split('\n'))
        EXPECT_TRUE(line.size() <= 75 && QString::fromUtf8(line).toUtf8() == line)
            << "over 75 octets or cut within a character: " << line.constData();
    const QString lines =
        QString::fromUtf8(written.replace("\r\n ", "").chopped(2)).replace(u"\r\n"_s, u"\n"_s);
    if (!row.lines.isEmpty()) {
        EXPECT_EQ(lines.toStdString(),
            (u"BEGIN:VCARD\nVERSION:4.0\n"_s + row.lines.join(u'\n') + u"\nEND:VCARD"_s)
                .toStdString());
    }
}

const QString kTricky = u"a;b,c\\d\ne:f \\n \\, end"_s;

// Characters of two to four octets and a combining sequence, each after 0 to 7 ASCII
// characters, so that the folds at 75 octets fall at every place within them.
QString everyFoldingPlace()
{
    QString out;
    for (const QString& piece : {u"é"_s, u"日"_s, u"😀"_s, u"e\u0301"_s, u"a日😀é"_s}) {
        for (int offset = 0; offset < 8; ++offset)
            out += QString(offset, u'x') + piece.repeated(40);
    }
    return out;
}

QByteArray binaryPhoto()
{
    QByteArray binary(100000, Qt::Uninitialized);
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 131) % 256);
    return binary;
}

INSTANTIATE_TEST_SUITE_P(Cards, VCardWrite,
    ::testing::Values(WriteRow {"NamesAndDisplayName",
                          {.prefix = u"Dr."_s,
                              .firstName = u"Jane"_s,
                              .middleName = u"Q"_s,
                              .lastName = u"Doe"_s,
                              .suffix = u"Jr."_s,
                              .nickname = u"JJ"_s,
                              .organization = u"Acme"_s},
                          {}, {},
                          {u"FN:Dr. Jane Q Doe Jr."_s, u"N:Doe;Jane;Q;Dr.;Jr."_s, u"NICKNAME:JJ"_s,
                              u"ORG:Acme"_s}},
        WriteRow {"OrganizationIsTheDisplayName", {.organization = u"Acme, Inc."_s}, {}, {},
            {u"FN:Acme\\, Inc."_s, u"N:;;;;"_s, u"ORG:Acme\\, Inc."_s}},
        WriteRow {"NicknameOnly", {.nickname = u"Bubbles"_s}},
        WriteRow {"SuffixOnly", {.suffix = u"Jr."_s}},
        WriteRow {"TextEscapes",
            {.firstName = u"J;a,n\\e"_s,
                .note = u"a;b,c\\d\ne\r\nf"_s,
                .urls = {{QString(), u"https://x/?a=1,b=2;c\\"_s}}},
            {}, {},
            {u"FN:J\\;a\\,n\\\\e"_s, u"N:;J\\;a\\,n\\\\e;;;"_s, u"URL:https://x/?a=1,b=2;c\\\\"_s,
                u"NOTE:a\\;b\\,c\\\\d\\ne\\nf"_s},
            ExpectedCard {{.firstName = u"J;a,n\\e"_s,
                .note = u"a;b,c\\d\ne\nf"_s,
                .urls = {{QString(), u"https://x/?a=1,b=2;c\\"_s}}}}},
        WriteRow {"UidAndNoteWithByteOrderMark",
            {.uid = u"urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1"_s,
                .firstName = u"U"_s,
                .note = u"\uFEFFLine 1\nLine 2\n\n"_s}},
        WriteRow {"UidOnlyWhenSet", {.uid = u"id-1,2;3"_s, .firstName = u"U"_s}, {}, {},
            {u"FN:U"_s, u"N:;U;;;"_s, u"UID:id-1,2;3"_s}},
        WriteRow {"YearlessLeapDayBirthday",
            {.firstName = u"B"_s,
                .birthday = QDate(1604, 2, 29),
                .dates = {{kAnniversary, QDate(1985, 3, 5)}}},
            {}, {},
            {u"FN:B"_s, u"N:;B;;;"_s, u"BDAY:--0229"_s, u"ANNIVERSARY:19850305"_s,
                u"item1.X-ABDATE:1985-03-05"_s, u"item1.X-ABLabel:_$!<Anniversary>!$_"_s}},
        WriteRow {
            "BirthdayOfFirstGregorianYear", {.firstName = u"Old"_s, .birthday = QDate(1583, 1, 1)}},
        WriteRow {"DatesKeepOrderAndLabels",
            {.firstName = u"D"_s,
                .birthday = QDate(1985, 3, 15),
                .dates = {{u"Name day"_s, QDate(1604, 2, 29)}, {QString(), QDate(2001, 2, 3)},
                    {kAnniversary, QDate(1604, 7, 4)}, {kAnniversary, QDate(2010, 1, 1)},
                    {QString(), QDate()}}},
            {}, {},
            {u"FN:D"_s, u"N:;D;;;"_s, u"BDAY:19850315"_s, u"ANNIVERSARY:--0704"_s,
                u"item1.X-ABDATE;X-APPLE-OMIT-YEAR=1604:1604-02-29"_s,
                u"item1.X-ABLabel:Name day"_s, u"X-ABDATE:2001-02-03"_s,
                u"item2.X-ABDATE;X-APPLE-OMIT-YEAR=1604:1604-07-04"_s,
                u"item2.X-ABLabel:_$!<Anniversary>!$_"_s, u"item3.X-ABDATE:2010-01-01"_s,
                u"item3.X-ABLabel:_$!<Anniversary>!$_"_s},
            ExpectedCard {{.firstName = u"D"_s,
                .birthday = QDate(1985, 3, 15),
                .dates = {{u"Name day"_s, QDate(1604, 2, 29)}, {QString(), QDate(2001, 2, 3)},
                    {kAnniversary, QDate(1604, 7, 4)}, {kAnniversary, QDate(2010, 1, 1)}}}}},
        WriteRow {"DatesWithOtherAndCustomMarkedLabels",
            {.firstName = u"Dates"_s,
                .dates = {{kAnniversary, QDate(2010, 9, 18)}, {kOther, QDate(1604, 12, 24)},
                    {u"_$!<Custom>!$_"_s, QDate(1999, 12, 31)}}}},
        WriteRow {"SameAnniversaryTwice",
            {.firstName = u"Twice"_s,
                .dates = {{kAnniversary, QDate(2010, 9, 18)}, {kAnniversary, QDate(2010, 9, 18)}}}},
        WriteRow {"LabelsAsTypesOrItems",
            {.firstName = u"L"_s,
                .phones = {{kMobile, u"1"_s}, {kHomeFax, u"2"_s}, {u"Boat"_s, u"3"_s},
                    {QString(), u"4"_s}, {kIPhone, u"5"_s}, {QString(), QString()}},
                .emails = {{kWork, u"w@x"_s}, {kMobile, u"m@x"_s}},
                .addresses = {{kHome, {u"S"_s, u"C"_s, u"St"_s, u"Z"_s, u"Co"_s}}, {kWork, {}}}},
            {}, {},
            {u"FN:L"_s, u"N:;L;;;"_s, u"TEL;TYPE=cell:1"_s, u"TEL;TYPE=home,fax:2"_s,
                u"item1.TEL:3"_s, u"item1.X-ABLabel:Boat"_s, u"TEL:4"_s, u"TEL;TYPE=iphone:5"_s,
                u"EMAIL;TYPE=work:w@x"_s, u"item2.EMAIL:m@x"_s, u"item2.X-ABLabel:_$!<Mobile>!$_"_s,
                u"ADR;TYPE=home:;;S;C;St;Z;Co"_s},
            ExpectedCard {{.firstName = u"L"_s,
                .phones = {{kMobile, u"1"_s}, {kHomeFax, u"2"_s}, {u"Boat"_s, u"3"_s},
                    {QString(), u"4"_s}, {kIPhone, u"5"_s}},
                .emails = {{kWork, u"w@x"_s}, {kMobile, u"m@x"_s}},
                .addresses = {{kHome, {u"S"_s, u"C"_s, u"St"_s, u"Z"_s, u"Co"_s}}}}}},
        WriteRow {"PhonesEveryLabelInOrder",
            {.firstName = u"Phones"_s,
                .phones = {{u"Boat"_s, u"1"_s}, {kMobile, u"2"_s}, {kHome, u"3"_s}, {kWork, u"4"_s},
                    {kMain, u"5"_s}, {kHomeFax, u"6"_s}, {kWorkFax, u"7"_s}, {kOtherFax, u"8"_s},
                    {kPager, u"9"_s}, {kIPhone, u"10"_s}, {kOther, u"11"_s}, {QString(), u"12"_s},
                    {kHomePage, u"13"_s}, {u"_$!<Car>!$_"_s, u"14"_s}, {u"home office"_s, u"15"_s},
                    {kMobile, u"16"_s}}}},
        WriteRow {"EmailsLabels",
            {.firstName = u"Mails"_s,
                .emails = {{kWork, u"w@example.com"_s}, {kMobile, u"m@example.com"_s},
                    {QString(), u"p@example.com"_s}, {u"Old, unused"_s, u"o@example.com"_s},
                    {kHome, u"h@example.com"_s}}}},
        WriteRow {"UrlsWithCommasSemicolonsBackslashes",
            {.firstName = u"Links"_s,
                .urls = {{kHomePage, u"https://x.example/?a=1,b=2;c=3"_s},
                    {kWork, u"https://w.example/a\\b"_s}, {QString(), u"ftp://f.example/x"_s}}}},
        WriteRow {"Addresses",
            {.firstName = u"Places"_s,
                .addresses =
                    {{kHome,
                         {u"12 Main St\nApt 4"_s, u"Springfield"_s, u"IL"_s, u"62701"_s, u"USA"_s}},
                        {u"Summer; house"_s,
                            {u"Strandvägen 1, 2 tr"_s, u"Visby"_s, {}, u"621 00"_s, u"Sverige"_s}},
                        {QString(), {{}, {}, {}, {}, u"Japan"_s}}}}},
        WriteRow {"UnicodeEverywhere",
            {.prefix = u"先生"_s,
                .firstName = u"太郎"_s,
                .lastName = u"山田"_s,
                .nickname = u"😀 Tarō"_s,
                .organization = u"شركة المثال"_s,
                .note = u"Zürich – «quotes» – עברית – e\u0301"_s,
                .phones = {{u"Телефон"_s, u"+7 900 000-00-00"_s}}},
            {u"Семья"_s, u"家族"_s}},
        WriteRow {"SpecialCharactersInEveryTextField",
            {.uid = kTricky,
                .prefix = kTricky,
                .firstName = kTricky,
                .middleName = kTricky,
                .lastName = kTricky,
                .suffix = kTricky,
                .nickname = kTricky,
                .organization = kTricky,
                .note = kTricky,
                .dates = {{kTricky, QDate(2000, 1, 1)}},
                .phones = {{kTricky, kTricky}},
                .emails = {{kTricky, kTricky}},
                .urls = {{kTricky, kTricky}},
                .addresses = {{kTricky, {kTricky, kTricky, kTricky, kTricky, kTricky}}}},
            {kTricky, u"plain"_s}},
        WriteRow {"FoldsNeverSplitACharacter", {.firstName = u"F"_s, .note = everyFoldingPlace()}},
        WriteRow {"VeryLongValues",
            {.firstName = longText(300),
                .lastName = longText(77),
                .note = longText(20000),
                .phones = {{longText(500), longText(90)}}},
            {longText(200)}},
        WriteRow {"CategoriesAndPngPhoto", {.firstName = u"C"_s, .hasImage = true},
            {u"A, B"_s, u" "_s, u"C"_s}, kPng,
            {u"FN:C"_s, u"N:;C;;;"_s, u"CATEGORIES:A\\, B,C"_s,
                u"PHOTO:data:image/png;base64,"_s + QString::fromLatin1(kPng.toBase64())},
            ExpectedCard {{.firstName = u"C"_s, .hasImage = true}, {u"A, B"_s, u"C"_s}, kPng}},
        WriteRow {"JpegPhoto", {.firstName = u"P"_s, .hasImage = true}, {}, kJpeg,
            {u"FN:P"_s, u"N:;P;;;"_s,
                u"PHOTO:data:image/jpeg;base64,"_s + QString::fromLatin1(kJpeg.toBase64())}},
        WriteRow {"UnknownPhotoType", {.firstName = u"P"_s, .hasImage = true}, {},
            QByteArray("\x00\x01\x02", 3),
            {u"FN:P"_s, u"N:;P;;;"_s, u"PHOTO:data:application/octet-stream;base64,AAEC"_s}},
        WriteRow {"LargeBinaryPhotoOfUnknownType", {.firstName = u"Pic"_s, .hasImage = true}, {},
            binaryPhoto()}),
    test::RowName());

// --- other readers -------------------------------------------------------------------

TEST(VCardWriteInterop, VobjectReadsOurCards)
{
    const QString python = test::pythonWith("vobject");
    if (python.isEmpty())
        GTEST_SKIP() << "python3 with the vobject module is not installed";
    const Person person {.uid = u"uid-42"_s,
        .prefix = u"Dr."_s,
        .firstName = u"Zoë"_s,
        .lastName = u"O'Brien; Smith"_s,
        .nickname = u"Zo"_s,
        .organization = u"Acme, Inc."_s,
        .note = u"Line one\nLine two, with comma; and semicolon"_s,
        .birthday = QDate(1985, 3, 15),
        .dates = {{kAnniversary, QDate(2010, 9, 18)}, {u"Name day"_s, QDate(1604, 2, 29)}},
        .phones = {{kMobile, u"+1 555 0100"_s}, {u"Boat"_s, u"+1 555 0199"_s}},
        .emails = {{kWork, u"zoe@acme.example"_s}},
        .urls = {{kHomePage, u"https://zoe.example/?a=1,b=2"_s}},
        .addresses = {{kHome, {u"1 Long Road, Flat 2"_s, u"Cork"_s, {}, u"T12"_s, u"Ireland"_s}}},
        .hasImage = true};
    const QByteArray two = VCard::write(person, {u"Friends"_s, u"Book club"_s}, kJpeg) +
        VCard::write(Person {.firstName = longText(120), .note = longText(3000)}, {}, {});
    const char* script = "import sys, json, vobject\n"
                         "cards = vobject.readComponents(sys.stdin.buffer.read().decode('utf-8'))\n"
                         "print(json.dumps([{k: [vars(x.value) if k == 'n' else x.value for x in "
                         "c.contents.get(k, [])]\n"
                         "  for k in ('fn', 'n', 'note', 'tel', 'email', 'bday', 'categories', "
                         "'photo')} for c in cards]))\n";
    const QJsonArray cards =
        QJsonDocument::fromJson(test::runPython(python, script, {}, two)).array();
    ASSERT_EQ(cards.size(), 2);
    auto values = [&](int card, const char* key) {
        return cards[card].toObject()[QLatin1StringView(key)].toArray().toVariantList();
    };
    EXPECT_EQ(values(0, "fn"), QVariantList {u"Dr. Zoë O'Brien; Smith"_s});
    EXPECT_EQ(values(0, "n"),
        (QVariantList {QVariantMap {{u"family"_s, u"O'Brien; Smith"_s}, {u"given"_s, u"Zoë"_s},
            {u"additional"_s, QString()}, {u"prefix"_s, u"Dr."_s}, {u"suffix"_s, QString()}}}));
    EXPECT_EQ(values(0, "note"), QVariantList {person.note});
    EXPECT_EQ(values(0, "tel"), (QVariantList {u"+1 555 0100"_s, u"+1 555 0199"_s}));
    EXPECT_EQ(values(0, "email"), QVariantList {u"zoe@acme.example"_s});
    EXPECT_EQ(values(0, "bday"), QVariantList {u"19850315"_s});
    EXPECT_EQ(
        values(0, "categories"), (QVariantList {QVariantList {u"Friends"_s, u"Book club"_s}}));
    // vobject cuts the value at the data URI's comma; the URI's start shows it was read.
    EXPECT_TRUE(values(0, "photo").value(0).toString().startsWith(u"data:image/jpeg;base64"_s));
    EXPECT_EQ(values(1, "fn"), QVariantList {longText(120)});
    EXPECT_EQ(values(1, "note"), QVariantList {longText(3000)});
}

} // namespace
} // namespace fetemark
