// vCard reading of real exporters' files, damaged and hostile files, and vCard 4.0
// writing that reads back unchanged and that an independent reader (python vobject)
// accepts. Samples are under data/vcards, one per exporter and version.
#include "platform/VCard.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringEncoder>

#include <functional>
#include <string>

// People are written with designated initializers that name only the fields that matter.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace fetemark {
namespace {

using namespace Qt::StringLiterals;

const QString kMobile = u"_$!<Mobile>!$_"_s;
const QString kHome = u"_$!<Home>!$_"_s;
const QString kWork = u"_$!<Work>!$_"_s;
const QString kMain = u"_$!<Main>!$_"_s;
const QString kHomeFax = u"_$!<HomeFAX>!$_"_s;
const QString kWorkFax = u"_$!<WorkFAX>!$_"_s;
const QString kOtherFax = u"_$!<OtherFAX>!$_"_s;
const QString kPager = u"_$!<Pager>!$_"_s;
const QString kOther = u"_$!<Other>!$_"_s;
const QString kIPhone = u"iPhone"_s;
const QString kAnniversary = u"_$!<Anniversary>!$_"_s;
const QString kHomePage = u"_$!<HomePage>!$_"_s;

// Test pictures: the start of a JPEG and of a PNG, enough for type detection.
const QByteArray kJpeg = QByteArray::fromBase64(
    "/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsLDBkSEw8UHRofHh0aHBwgJC4nICIsIxwcKDcp"
    "LDAxNDQ0Hyc5PTgyPC4zNDL/2Q==");
const QByteArray kPng = QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJ");

// --- describing results -------------------------------------------------------------

QString shown(const QString& s)
{
    QString out = s;
    out.replace(u'\\', u"\\\\"_s).replace(u'\n', u"\\n"_s).replace(u'\r', u"\\r"_s);
    return u'"' + out + u'"';
}

QString shown(const QDate& d) { return d.isValid() ? d.toString(Qt::ISODate) : u"-"_s; }

template <typename T>
QString shownList(const std::vector<Labeled<T>>& list, const std::function<QString(const T&)>& value)
{
    QStringList items;
    for (const auto& item : list)
        items.append(shown(item.label) + u'=' + value(item.value));
    return u'[' + items.join(u", "_s) + u']';
}

// Every field, so that two people describe alike exactly when they are equal.
std::string describe(const Person& p)
{
    QStringList f;
    f << u"recordID "_s + QString::number(p.recordID) << u"uid "_s + shown(p.uid)
      << u"prefix "_s + shown(p.prefix) << u"first "_s + shown(p.firstName)
      << u"middle "_s + shown(p.middleName) << u"last "_s + shown(p.lastName)
      << u"suffix "_s + shown(p.suffix) << u"nickname "_s + shown(p.nickname)
      << u"organization "_s + shown(p.organization) << u"note "_s + shown(p.note)
      << u"birthday "_s + shown(p.birthday)
      << u"dates "_s + shownList<QDate>(p.dates, [](const QDate& d) { return shown(d); })
      << u"phones "_s + shownList<QString>(p.phones, [](const QString& s) { return shown(s); })
      << u"emails "_s + shownList<QString>(p.emails, [](const QString& s) { return shown(s); })
      << u"urls "_s + shownList<QString>(p.urls, [](const QString& s) { return shown(s); })
      << u"addresses "_s + shownList<PostalAddress>(p.addresses, [](const PostalAddress& a) {
             return u'{' + QStringList{shown(a.street), shown(a.city), shown(a.state), shown(a.zip), shown(a.country)}.join(u'|') + u'}';
         })
      << u"hasImage "_s + (p.hasImage ? u"yes"_s : u"no"_s);
    return f.join(u"\n"_s).toStdString();
}

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
    int number = 0;  // 0: its position in the expected list
};

void expectCards(const VCard::ReadResult& result, const std::vector<ExpectedCard>& expected)
{
    ASSERT_EQ(result.cards.size(), expected.size()) << describe(result.problems);
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("card at index " + std::to_string(i));
        const VCard::Card& card = result.cards[i];
        EXPECT_EQ(describe(card.person), describe(expected[i].person));
        EXPECT_TRUE(card.person == expected[i].person);
        EXPECT_EQ(card.categories.join(u'|').toStdString(), expected[i].categories.join(u'|').toStdString());
        EXPECT_EQ(card.photo.toHex().toStdString(), expected[i].photo.toHex().toStdString());
        EXPECT_EQ(card.number, expected[i].number ? expected[i].number : int(i) + 1);
    }
}

QByteArray sample(const char* name)
{
    return test::readFile(QStringLiteral(FETEMARK_TEST_DATA_DIR "/vcards/") + QLatin1StringView(name));
}

// A 3.0 card of Jane Doe with the given extra lines.
QByteArray jane(const QByteArray& lines)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Doe;Jane;;;\r\n" + lines + "END:VCARD\r\n";
}

Person janeWith(Person p)
{
    p.firstName = u"Jane"_s;
    p.lastName = u"Doe"_s;
    return p;
}

template <typename Row>
std::string rowName(const ::testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

// --- exporters' samples ---------------------------------------------------------------

struct SampleRow {
    std::string name;
    const char* file;
    std::vector<ExpectedCard> cards;
};

std::vector<SampleRow> sampleRows()
{
    return {
        {"iOS_3_0_ItemGroupsOmittedYearsAndPhoto", "ios-3.0.vcf",
         {{Person{.prefix = u"Dr."_s,
                  .firstName = u"Kenji"_s,
                  .middleName = u"Taro"_s,
                  .lastName = u"Nakamura"_s,
                  .nickname = u"Ken"_s,
                  .organization = u"Harbor Works"_s,
                  .note = u"Likes green tea, not coffee.\nAllergic to peanuts."_s,
                  .birthday = QDate(1604, 7, 21),
                  .dates = {{kAnniversary, QDate(2012, 10, 6)}, {u"Name day"_s, QDate(1604, 2, 29)}},
                  .phones = {{kMobile, u"+81 90-1234-5678"_s},
                             {kIPhone, u"+81 80-8765-4321"_s},
                             {kHomeFax, u"+81 3-1111-2222"_s},
                             {u"Dojo"_s, u"+81 3-3333-4444"_s}},
                  .emails = {{kOther, u"kenji@example.jp"_s}, {kWork, u"k.nakamura@harbor.example"_s}},
                  .urls = {{kHomePage, u"https://kenji.example.jp/blog"_s}},
                  .addresses = {{kHome, {u"1-2-3 Jingumae\nApartment 402"_s, u"Shibuya-ku"_s, u"Tokyo"_s,
                                         u"150-0001"_s, u"Japan"_s}}},
                  .hasImage = true},
           {},
           kJpeg},
          {Person{.organization = u"Blue Fern Bakery"_s,
                  .dates = {{QString(), QDate(2009, 5, 1)}},
                  .phones = {{kMain, u"+1 415 555 0100"_s}}}}}},
        {"macOS_3_0_UpperCaseGroupsAndFaxPagerOther", "macos-3.0.vcf",
         {{Person{.firstName = u"Siobhán"_s,
                  .lastName = u"O'Connor"_s,
                  .suffix = u"Jr."_s,
                  .birthday = QDate(1988, 1, 30),
                  .dates = {{kAnniversary, QDate(1604, 12, 1)}},
                  .phones = {{kWorkFax, u"+353 1 555 0199"_s},
                             {kPager, u"+353 1 555 0100"_s},
                             {kOther, u"+353 1 555 0111"_s}},
                  .emails = {{u"Studio"_s, u"siobhan@oconnor.example"_s}}}}}},
        {"Android_2_1_QuotedPrintableUtf8AndCustomRows", "android-2.1.vcf",
         {{Person{.firstName = u"Ayşe"_s,
                  .lastName = u"Öztürk"_s,
                  .nickname = u"Ayşe'cik"_s,
                  .organization = u"Çiçek Yayınları"_s,
                  .note = u"Doğum günü sürprizi hazırla! Şubat'ta tatil.\nKedisi: Pamuk"_s,
                  .birthday = QDate(1990, 4, 12),
                  .dates = {{kAnniversary, QDate(2015, 6, 20)}, {u"İsimgünü"_s, QDate(1604, 11, 2)}},
                  .phones = {{kMobile, u"+90 532 111 22 33"_s},
                             {kHome, u"+90 212 444 55 66"_s},
                             {kWorkFax, u"+90 212 444 55 67"_s},
                             {kPager, u"+90 212 000 00 01"_s}},
                  .emails = {{kHome, u"ayse@example.com.tr"_s}},
                  .addresses = {{kHome, {u"İstiklal Cad. 5"_s, u"İstanbul"_s, QString(), u"34430"_s, u"Türkiye"_s}}},
                  .hasImage = true},
           {},
           kJpeg},
          {Person{.firstName = u"Can"_s,
                  .lastName = u"Demir"_s,
                  .birthday = QDate(1604, 3, 15),
                  .phones = {{kMobile, u"05551234567"_s}}}}}},
        {"Google_3_0_CategoriesAndLinkedPhoto", "google-3.0.vcf",
         {{Person{.firstName = u"Priya"_s,
                  .lastName = u"Raman"_s,
                  .nickname = u"Pri"_s,
                  .organization = u"Example Labs"_s,
                  .note = u"Met at PyCon 2019; likes chess."_s,
                  .birthday = QDate(1604, 11, 3),
                  .dates = {{kAnniversary, QDate(2019, 2, 14)}, {u"Started at Example Labs"_s, QDate(2021, 9, 1)}},
                  .phones = {{kMobile, u"+91 98765 43210"_s}, {kWork, u"+91 80 4000 1234"_s}},
                  .emails = {{kHome, u"priya.raman@example.com"_s}, {kWork, u"priya@examplelabs.example"_s}},
                  .urls = {{kHomePage, u"https://priya.example.com"_s}},
                  .addresses = {{kHome, {u"12 MG Road"_s, u"Bengaluru"_s, u"KA"_s, u"560001"_s, u"India"_s}}}},
           {u"myContacts"_s, u"Friends"_s, u"Chess club"_s}},
          {Person{.firstName = u"Tomás"_s, .lastName = u"Ortega"_s, .emails = {{QString(), u"tomas@example.es"_s}}},
           {u"myContacts"_s, u"Friends"_s}}}},
        {"Outlook_2_1_Windows1252", "outlook-2.1.vcf",
         {{Person{.firstName = u"Jürgen"_s,
                  .lastName = u"Müller"_s,
                  .organization = u"Müller & Söhne GmbH"_s,
                  .note = u"Bevorzugt „Herr Müller“ – nicht Jürgen."_s,
                  .birthday = QDate(1970, 5, 21),
                  .dates = {{kAnniversary, QDate(1995, 6, 10)}},
                  .phones = {{kWork, u"+49 30 1234567"_s},
                             {kHome, u"+49 30 7654321"_s},
                             {kMobile, u"+49 171 2345678"_s},
                             {kWorkFax, u"+49 30 1234568"_s}},
                  .emails = {{QString(), u"juergen.mueller@mueller-soehne.example"_s}},
                  .urls = {{kWork, u"http://www.mueller-soehne.example"_s}},
                  .addresses = {{kWork, {u"Hauptstraße 1"_s, u"Berlin"_s, QString(), u"10115"_s, u"Deutschland"_s}}}}}}},
        {"Evolution_3_0_AnniversaryAndTabFolding", "evolution-3.0.vcf",
         {{Person{.uid = u"pas-id-65A1B2C3D4E5F601"_s,
                  .firstName = u"Astrid"_s,
                  .lastName = u"Lindqvist"_s,
                  .note = u"Sommarstugan ligger på Gotland, nära Visby. Ring alltid före besök – hon är ofta ute och seglar."_s,
                  .birthday = QDate(1978, 9, 11),
                  .dates = {{kAnniversary, QDate(2005, 7, 2)}},
                  .phones = {{kMobile, u"+46 70 123 45 67"_s}, {kWork, u"+46 8 555 000 11"_s}},
                  .emails = {{kHome, u"astrid@example.se"_s}},
                  .addresses = {{kHome, {u"Storgatan 5"_s, u"Uppsala"_s, QString(), u"753 20"_s, u"Sverige"_s}}}},
           {u"Family"_s, u"Sweden"_s}}}},
        {"Thunderbird_4_0_AnniversaryAndDataUriPhoto", "thunderbird-4.0.vcf",
         {{Person{.uid = u"7c0ae1e5-3b1c-4c8b-9d7e-2f6b0a4c1d99"_s,
                  .firstName = u"Élodie"_s,
                  .lastName = u"Marchand"_s,
                  .nickname = u"Lolo"_s,
                  .organization = u"Atelier Marchand, Fils & Cie"_s,
                  .note = u"Aime le jazz;\nCadeau: vinyle."_s,
                  .birthday = QDate(1604, 7, 4),
                  .dates = {{kAnniversary, QDate(2010, 9, 18)}},
                  .phones = {{kMobile, u"+33 6 12 34 56 78"_s}, {kHome, u"+33-1-23-45-67-89"_s}},
                  .emails = {{QString(), u"elodie@example.fr"_s}, {kWork, u"e.marchand@atelier.example"_s}},
                  .urls = {{kHome, u"https://elodie.example.fr/?a=1,b=2"_s}},
                  .hasImage = true},
           {u"Famille"_s, u"Amis, proches"_s},
           kPng}}},
        {"KAddressBook_3_0_Anniversary", "kaddressbook-3.0.vcf",
         {{Person{.uid = u"x9Qw2Lk3Zp"_s,
                  .firstName = u"Marek"_s,
                  .lastName = u"Kowalski"_s,
                  .dates = {{kAnniversary, QDate(2001, 8, 25)}},
                  .phones = {{kMobile, u"+48 600 100 200"_s}},
                  .emails = {{QString(), u"marek@example.pl"_s}}}}}},
    };
}

class ExporterSample : public ::testing::TestWithParam<SampleRow> {};

TEST_P(ExporterSample, ReadsEveryField)
{
    const QByteArray bytes = sample(GetParam().file);
    ASSERT_FALSE(bytes.isEmpty());
    const auto result = VCard::read(bytes);
    EXPECT_TRUE(result.problems.empty()) << describe(result.problems);
    expectCards(result, GetParam().cards);
}

INSTANTIATE_TEST_SUITE_P(VCardRead, ExporterSample, ::testing::ValuesIn(sampleRows()), rowName<SampleRow>);

// --- file structure --------------------------------------------------------------------

QByteArray encoded(const QString& text, QStringConverter::Encoding encoding, bool bom)
{
    QStringEncoder encoder(encoding, bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

const QString kUnicodeCard = u"BEGIN:VCARD\r\nVERSION:3.0\r\nN:Núñez;José;;;\r\nNOTE:Ünïcödé ✓ 日本\r\nEND:VCARD\r\n"_s;
const Person kUnicodePerson{.firstName = u"José"_s, .lastName = u"Núñez"_s, .note = u"Ünïcödé ✓ 日本"_s};

QByteArray deepAgents(int depth)
{
    QByteArray out = "BEGIN:VCARD\nVERSION:2.1\nN:Top;Level\nAGENT:\n";
    for (int i = 0; i < depth; ++i)
        out += "BEGIN:VCARD\nVERSION:2.1\nN:Agent;Deep\nAGENT:\n";
    out += "BEGIN:VCARD\nN:Last;Agent\nEND:VCARD\n";
    for (int i = 0; i < depth; ++i)
        out += "END:VCARD\n";
    out += "TEL;WORK:1\nEND:VCARD\nBEGIN:VCARD\nN:After;Card\nEND:VCARD\n";
    return out;
}

struct StructureRow {
    std::string name;
    QByteArray input;
    std::vector<ExpectedCard> cards;
};

std::vector<StructureRow> structureRows()
{
    const Person ab{.firstName = u"B"_s, .lastName = u"A"_s};
    const Person cd{.firstName = u"D"_s, .lastName = u"C"_s};
    return {
        {"StructuredNameEscapes", "BEGIN:VCARD\nN:O\\;Brien;Ann\\, Marie;Paul,George;Dr.\\\\;III\nEND:VCARD\n",
         {{Person{.prefix = u"Dr.\\"_s, .firstName = u"Ann, Marie"_s, .middleName = u"Paul,George"_s,
                  .lastName = u"O;Brien"_s, .suffix = u"III"_s}}}},
        {"LowerCaseMarkersAndNames", "begin:vcard\nversion:3.0\nn:Doe;Jane;;;\ntel;type=cell:1\nend:vcard\n",
         {{janeWith({.phones = {{kMobile, u"1"_s}}})}}},
        {"TextBeforeBetweenAndAfterCards",
         "Exported by Contacts\nBEGIN:VCARD\nN:A;B\nEND:VCARD\nnot a card: at all\nBEGIN:VCARD\nN:C;D\nEND:VCARD\ntrailer",
         {{ab}, {cd}}},
        {"NoVersionLineNoFinalNewline", "BEGIN:VCARD\r\nN:Doe;Jane\r\nTEL;CELL:1\r\nEND:VCARD",
         {{janeWith({.phones = {{kMobile, u"1"_s}}})}}},
        {"CarriageReturnLineEnds", "BEGIN:VCARD\rVERSION:3.0\rN:A;B\rEND:VCARD\rBEGIN:VCARD\rN:C;D\rEND:VCARD\r",
         {{ab}, {cd}}},
        {"FoldedWithSpaceAndTab", "BEGIN:VCARD\r\nN:Lon\r\n gname;Fi\r\n\trst\r\nNOTE:one\r\n  two\r\nEND:VCARD\r\n",
         {{Person{.firstName = u"First"_s, .lastName = u"Longname"_s, .note = u"one two"_s}}}},
        {"FoldedInsideTheParameters", "BEGIN:VCARD\nN:Doe;Jane\nTEL;TY\n PE=CE\n LL:1\nEND:VCARD\n",
         {{janeWith({.phones = {{kMobile, u"1"_s}}})}}},
        {"EmptyLinesInsideCard", "BEGIN:VCARD\n\nN:A;B\n\n\nEND:VCARD\n", {{ab}}},
        {"QuotedPrintableOverThreeLines",
         "BEGIN:VCARD\nVERSION:2.1\nN:Doe;Jane\nNOTE;ENCODING=QUOTED-PRINTABLE:one =\ntwo=\n  three=0A=\nfour\nEND:VCARD\n",
         {{janeWith({.note = u"one two  three\nfour"_s})}}},
        {"QuotedPrintableBareParameter",
         "BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=UTF-8;QUOTED-PRINTABLE:D=C3=B6e;J=\n=C3=A4ne\nEND:VCARD\n",
         {{Person{.firstName = u"Jäne"_s, .lastName = u"Döe"_s}}}},
        {"QuotedPrintableStrayEqualsBeforeEnd",
         "BEGIN:VCARD\nVERSION:2.1\nN:A;B\nNOTE;ENCODING=QUOTED-PRINTABLE:abc=\nEND:VCARD\nBEGIN:VCARD\nN:C;D\nEND:VCARD\n",
         {{Person{.firstName = u"B"_s, .lastName = u"A"_s, .note = u"abc"_s}}, {cd}}},
        {"Base64UnindentedUpToBlankLine",
         "BEGIN:VCARD\nVERSION:2.1\nN:Doe;Jane\nPHOTO;ENCODING=BASE64;TYPE=PNG:iVBORw0KGgoAAAAN\nSUhEUgAAAAEAAAAB\n"
         "CAYAAAAfFcSJ\n\nEND:VCARD\n",
         {{janeWith({.hasImage = true}), {}, kPng}}},
        {"GroupsAnyCase", "BEGIN:VCARD\nN:Doe;Jane\nItem1.tel:1\nITEM1.x-ablabel:Boat\nitem2.TEL;TYPE=HOME:2\nEND:VCARD\n",
         {{janeWith({.phones = {{u"Boat"_s, u"1"_s}, {kHome, u"2"_s}}})}}},
        {"QuotedParameterWithColonAndSemicolon",
         "BEGIN:VCARD\nN:Doe;Jane\nTEL;X-NOTE=\"a:b;c\";TYPE=WORK:555\nEND:VCARD\n",
         {{janeWith({.phones = {{kWork, u"555"_s}}})}}},
        {"UnbalancedQuoteFallsBackToFirstColon", "BEGIN:VCARD\nN:Doe;Jane\nTEL;X-NOTE=\"oops:555\nEND:VCARD\n",
         {{janeWith({.phones = {{QString(), u"555"_s}}})}}},
        {"ParameterListsWithCommas",
         "BEGIN:VCARD\nN:Doe;Jane\nTEL;TYPE=work,fax:1\nTEL;TYPE=\"home,voice\":2\nTEL;type=pref;type=home;type=fax:3\nEND:VCARD\n",
         {{janeWith({.phones = {{kWorkFax, u"1"_s}, {kHome, u"2"_s}, {kHomeFax, u"3"_s}}})}}},
        {"Agent21EmbeddedCardIsSkipped",
         "BEGIN:VCARD\nVERSION:2.1\nN:Fischer;Lena\nAGENT:\nBEGIN:VCARD\nVERSION:2.1\nN:Wolf;Jonas\nTEL;WORK:+49 89 1111\n"
         "END:VCARD\nTEL;WORK:+49 89 2222\nEND:VCARD\n",
         {{Person{.firstName = u"Lena"_s, .lastName = u"Fischer"_s, .phones = {{kWork, u"+49 89 2222"_s}}}}}},
        {"Agent30EscapedCardIsAValue",
         "BEGIN:VCARD\nVERSION:3.0\nN:Fischer;Lena\nAGENT:BEGIN:VCARD\\nN:Wolf;Jonas\\nEND:VCARD\nEND:VCARD\n",
         {{Person{.firstName = u"Lena"_s, .lastName = u"Fischer"_s}}}},
        {"AgentNestedTwentyThousandDeep", deepAgents(20000),
         {{Person{.firstName = u"Level"_s, .lastName = u"Top"_s, .phones = {{kWork, u"1"_s}}}},
          {Person{.firstName = u"Card"_s, .lastName = u"After"_s}}}},
        {"Utf8WithBom", "\xEF\xBB\xBF" + kUnicodeCard.toUtf8(), {{kUnicodePerson}}},
        {"Utf16LittleEndianWithBom", encoded(kUnicodeCard, QStringConverter::Utf16LE, true), {{kUnicodePerson}}},
        {"Utf16BigEndianWithBom", encoded(kUnicodeCard, QStringConverter::Utf16BE, true), {{kUnicodePerson}}},
        {"Utf16LittleEndianWithoutBom", encoded(kUnicodeCard, QStringConverter::Utf16LE, false), {{kUnicodePerson}}},
        {"Utf32LittleEndianWithBom", encoded(kUnicodeCard, QStringConverter::Utf32LE, true), {{kUnicodePerson}}},
        {"FullNameSplitAtLastSpace", "BEGIN:VCARD\nVERSION:3.0\nN:;;;;\nFN: Mary Ann  Smith \nEND:VCARD\n",
         {{Person{.firstName = u"Mary Ann"_s, .lastName = u"Smith"_s}}}},
        {"FullNameWithoutN", "BEGIN:VCARD\nVERSION:4.0\nFN:Cher\nEND:VCARD\n", {{Person{.firstName = u"Cher"_s}}}},
        {"FullNameIgnoredWhenNHasNames", "BEGIN:VCARD\nFN:Someone Else\nN:Doe;Jane;;;\nEND:VCARD\n", {{janeWith({})}}},
        {"FullNameOfCompanyCard", "BEGIN:VCARD\nN:;;;;\nFN:Acme Tools\nORG:Acme Tools;Sales\nEND:VCARD\n",
         {{Person{.organization = u"Acme Tools"_s}}}},
        {"FullNameBesideOtherOrganization", "BEGIN:VCARD\nFN:John Doe\nORG:Acme\nEND:VCARD\n",
         {{Person{.firstName = u"John"_s, .lastName = u"Doe"_s, .organization = u"Acme"_s}}}},
        {"NicknameOnly", "BEGIN:VCARD\nVERSION:4.0\nFN:Bubbles\nNICKNAME:Bubbles\nEND:VCARD\n",
         {{Person{.nickname = u"Bubbles"_s}}}},
    };
}

class ReadStructure : public ::testing::TestWithParam<StructureRow> {};

TEST_P(ReadStructure, GivesTheCards)
{
    const auto result = VCard::read(GetParam().input);
    EXPECT_TRUE(result.problems.empty()) << describe(result.problems);
    expectCards(result, GetParam().cards);
}

INSTANTIATE_TEST_SUITE_P(VCardRead, ReadStructure, ::testing::ValuesIn(structureRows()), rowName<StructureRow>);

// --- values ----------------------------------------------------------------------------

struct ValueRow {
    std::string name;
    QByteArray lines;  // inside a card of Jane Doe
    Person expected;   // Jane Doe's names are added
    QStringList categories = {};
    QByteArray photo = {};
    std::vector<VCard::Problem> problems = {};  // card 1; lines counted from the card's BEGIN on line 1
};

std::vector<ValueRow> valueRows()
{
    return {
        {"NoteEscapes", "NOTE:a\\nb\\,c\\;d\\\\e\\Nf\\xg\\\r\n", {.note = u"a\nb,c;d\\e\nf\\xg\\"_s}},
        {"NoteLineEndsBecomeNewlines", "NOTE;ENCODING=QUOTED-PRINTABLE:a=0D=0Ab=0Dc=0Ad\r\n", {.note = u"a\nb\nc\nd"_s}},
        {"OrganizationFirstComponentUnescaped", "ORG:Smith\\, Jones & Co.;Legal\\;Tax;Floor 2\r\n",
         {.organization = u"Smith, Jones & Co."_s}},
        {"NicknameKeepsCommas", "NICKNAME:Jim,Jimmie\r\nNICKNAME:Later\r\n", {.nickname = u"Jim,Jimmie"_s}},
        {"PhonesTrimmedEmptyOnesDropped", "TEL;TYPE=CELL:  +1 555 0100 \r\nTEL;TYPE=HOME:\r\nTEL: \r\n",
         {.phones = {{kMobile, u"+1 555 0100"_s}}}},
        {"TelUriLosesScheme", "TEL;VALUE=uri;TYPE=cell:tel:+1-555-0100\r\nTEL:tel:kept\r\n",
         {.phones = {{kMobile, u"+1-555-0100"_s}, {QString(), u"tel:kept"_s}}}},
        {"EmailsAndUrlsInOrder",
         "EMAIL;TYPE=INTERNET,WORK:w@example.com\r\nEMAIL;TYPE=INTERNET:p@example.com\r\nURL:http\\://a.example/x?y=1\\,2\r\n"
         "EMAIL;TYPE=HOME:h@example.com\r\n",
         {.emails = {{kWork, u"w@example.com"_s}, {QString(), u"p@example.com"_s}, {kHome, u"h@example.com"_s}},
          .urls = {{QString(), u"http://a.example/x?y=1,2"_s}}}},
        {"AddressBoxAndExtendedFollowTheStreet",
         "ADR;TYPE=WORK:PO Box 7;Suite 4;12 Main St;Springfield;IL;62701;USA\r\nADR;TYPE=HOME:;;;;;;\r\nADR:;;Only street\r\n",
         {.addresses = {{kWork, {u"12 Main St\nSuite 4\nPO Box 7"_s, u"Springfield"_s, u"IL"_s, u"62701"_s, u"USA"_s}},
                        {QString(), {u"Only street"_s, {}, {}, {}, {}}}}}},
        {"AddressComponentsEscaped", "ADR:;;Rue de l'Église 1\\; 2e\\, gauche;Genève;;1204;Suisse\r\n",
         {.addresses = {{QString(), {u"Rue de l'Église 1; 2e, gauche"_s, u"Genève"_s, {}, u"1204"_s, u"Suisse"_s}}}}},
        {"CategoriesTrimmedDeduplicatedMerged", "CATEGORIES: Family , Work,,Family, Chess\\, Go\r\nCATEGORIES:Work,Travel\r\n",
         {},
         {u"Family"_s, u"Work"_s, u"Chess, Go"_s, u"Travel"_s}},
        {"LabelOfAnotherGroupDoesNotApply",
         "item1.TEL;TYPE=HOME:1\r\nitem2.X-ABLabel:Boat\r\nitem3.TEL;TYPE=WORK:2\r\nitem3.X-ABLabel:\r\n",
         {.phones = {{kHome, u"1"_s}, {kWork, u"2"_s}}}},
        {"LabelBeforeItsProperty", "item9.X-ABLabel:_$!<HomePage>!$_\r\nitem9.URL:https\\://x.example\r\n",
         {.urls = {{kHomePage, u"https://x.example"_s}}}},
        {"Latin1Charset", "NOTE;CHARSET=ISO-8859-1:Caf\xE9 cr\xE8me\r\n", {.note = u"Café crème"_s}},
        {"Windows1252Charset", "NOTE;CHARSET=windows-1252:\x93quoted\x94 \x80 5\r\n", {.note = u"“quoted” € 5"_s}},
        {"UndeclaredWindows1252", "NOTE:Stra\xDF" "e \x96 Ecke\r\n", {.note = u"Straße – Ecke"_s}},
        {"Koi8rCharset", "NOTE;CHARSET=KOI8-R:\xF0\xD2\xC9\xD7\xC5\xD4\r\n", {.note = u"Привет"_s}},
        {"ShiftJisQuotedPrintable", "NOTE;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=93=FA=96=7B\r\n", {.note = u"日本"_s}},
        {"Latin1QuotedPrintable", "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=ISO-8859-1:=E9t=E9 =3D 100%\r\n",
         {.note = u"été = 100%"_s}},
        {"UnknownCharsetFallsBackToUtf8", "NOTE;CHARSET=X-NOTHING:Grüße\r\n", {.note = u"Grüße"_s}},
        {"QuotedPrintableMalformedEscapesKept", "NOTE;ENCODING=QUOTED-PRINTABLE:a=ZZb=4\r\n", {.note = u"a=ZZb=4"_s}},
        {"Base64Text", "NOTE;ENCODING=b;CHARSET=UTF-8:R3LDvMOfZSwgSmFuZQ==\r\n", {.note = u"Grüße, Jane"_s}},
        {"EightBitEncodingIsPlain", "NOTE;ENCODING=8BIT:plain\r\n", {.note = u"plain"_s}},
        {"UidKeptVerbatim", "UID:urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1\r\n",
         {.uid = u"urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1"_s}},
        {"FirstNoteWins", "NOTE:\r\nNOTE:first\r\nNOTE:second\r\n", {.note = u"first"_s}},
        {"UnknownPropertiesIgnored", "X-FOO;ENCODING=b:!!!not base64!!!\r\nTITLE:Boss\r\nROLE:x\r\n", {}},
    };
}

class ReadValue : public ::testing::TestWithParam<ValueRow> {};

TEST_P(ReadValue, GivesTheField)
{
    const ValueRow& row = GetParam();
    const auto result = VCard::read(jane(row.lines));
    EXPECT_EQ(describe(result.problems), describe(row.problems));
    expectCards(result, {{janeWith(row.expected), row.categories, row.photo}});
}

INSTANTIATE_TEST_SUITE_P(VCardRead, ReadValue, ::testing::ValuesIn(valueRows()), rowName<ValueRow>);

// TYPE parameters and X-ABLabel groups → the address book's labels.
struct LabelRow {
    std::string name;
    QByteArray lines;
    QString label;
};

class TelLabel : public ::testing::TestWithParam<LabelRow> {};

TEST_P(TelLabel, FromTypesOrGroupLabel)
{
    const auto result = VCard::read(jane(GetParam().lines));
    ASSERT_EQ(result.cards.size(), 1u) << describe(result.problems);
    const Person& p = result.cards[0].person;
    ASSERT_EQ(p.phones.size(), 1u);
    EXPECT_EQ(p.phones[0].label.toStdString(), GetParam().label.toStdString());
    EXPECT_EQ(p.phones[0].value, u"555"_s);
}

INSTANTIATE_TEST_SUITE_P(
    VCardRead, TelLabel,
    ::testing::ValuesIn(std::vector<LabelRow>{
        {"Cell", "TEL;TYPE=CELL:555\r\n", kMobile},
        {"Mobile", "TEL;TYPE=mobile:555\r\n", kMobile},
        {"BareCellVoice", "TEL;CELL;VOICE:555\r\n", kMobile},
        {"Home", "TEL;TYPE=HOME:555\r\n", kHome},
        {"Work", "TEL;WORK:555\r\n", kWork},
        {"Main", "TEL;type=MAIN:555\r\n", kMain},
        {"HomeFax", "TEL;HOME;FAX:555\r\n", kHomeFax},
        {"WorkFax", "TEL;type=FAX;type=WORK:555\r\n", kWorkFax},
        {"FaxAlone", "TEL;FAX:555\r\n", kOtherFax},
        {"Pager", "TEL;TYPE=PAGER:555\r\n", kPager},
        {"IPhoneBeatsCell", "TEL;type=IPHONE;type=CELL;type=VOICE:555\r\n", kIPhone},
        {"CellBeatsHome", "TEL;TYPE=cell,home:555\r\n", kMobile},
        {"Other", "TEL;TYPE=OTHER:555\r\n", kOther},
        {"PrefVoiceNoLabel", "TEL;TYPE=PREF;TYPE=VOICE:555\r\n", QString()},
        {"UnknownTypeNoLabel", "TEL;TYPE=X-CUSTOM;TYPE=TEXT:555\r\n", QString()},
        {"NoTypeNoLabel", "TEL:555\r\n", QString()},
        {"GroupLabelOverridesType", "item1.TEL;TYPE=HOME:555\r\nitem1.X-ABLabel:Cabin\r\n", u"Cabin"_s},
        {"GroupLabelMarked", "item1.TEL:555\r\nitem1.X-ABLabel:_$!<Mobile>!$_\r\n", kMobile},
        {"GroupLabelEscaped", "item1.TEL:555\r\nitem1.X-ABLabel:Boat\\, harbour\r\n", u"Boat, harbour"_s},
        {"GroupLabelQuotedPrintable",
         "item1.TEL:555\r\nitem1.X-ABLabel;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Yazl=C4=B1k\r\n", u"Yazlık"_s},
    }),
    rowName<LabelRow>);

// --- dates -----------------------------------------------------------------------------

struct DateRow {
    std::string name;
    QByteArray lines;
    QDate birthday;
    std::vector<Labeled<QDate>> dates = {};
    std::vector<VCard::Problem> problems = {};
};

std::vector<DateRow> dateRows()
{
    const QDate none;
    return {
        {"Extended", "BDAY:1985-03-15\r\n", QDate(1985, 3, 15)},
        {"Basic", "BDAY:19850315\r\n", QDate(1985, 3, 15)},
        {"ValueDateParameter", "BDAY;VALUE=date:1985-03-15\r\n", QDate(1985, 3, 15)},
        {"YearlessBasic", "BDAY:--0315\r\n", QDate(1604, 3, 15)},
        {"YearlessExtended", "BDAY:--03-15\r\n", QDate(1604, 3, 15)},
        {"ExtendedWithUtcTime", "BDAY:1985-03-15T00:00:00Z\r\n", QDate(1985, 3, 15)},
        {"BasicWithTime", "BDAY:19850315T000000\r\n", QDate(1985, 3, 15)},
        {"ExtendedWithOffsetTime", "BDAY:1985-03-15T23:30:00+02:00\r\n", QDate(1985, 3, 15)},
        {"YearlessWithTime", "BDAY:--0315T1200\r\n", QDate(1604, 3, 15)},
        {"AppleOmitYear1604", "BDAY;X-APPLE-OMIT-YEAR=1604:1604-03-15\r\n", QDate(1604, 3, 15)},
        {"AppleOmitOtherYear", "BDAY;X-APPLE-OMIT-YEAR=1900:1900-03-15\r\n", QDate(1604, 3, 15)},
        {"YearlessLeapDay", "BDAY:--0229\r\n", QDate(1604, 2, 29)},
        {"AppleYearlessLeapDay", "BDAY;X-APPLE-OMIT-YEAR=1604:1604-02-29\r\n", QDate(1604, 2, 29)},
        {"TextValueSkippedSilently", "BDAY;VALUE=text:circa 1800\r\n", none},
        {"NotADate", "BDAY:sometime in May\r\n", none, {},
         {{1, 4, u"BDAY value 'sometime in May' is not a date; the birthday was left out"_s}}},
        {"LeapDayOfCommonYear", "BDAY:1985-02-29\r\n", none, {},
         {{1, 4, u"BDAY value '1985-02-29' is not a date; the birthday was left out"_s}}},
        {"MonthThirteen", "BDAY:19851301\r\n", none, {},
         {{1, 4, u"BDAY value '19851301' is not a date; the birthday was left out"_s}}},
        {"MixedForms", "BDAY:1985-0315\r\n", none, {},
         {{1, 4, u"BDAY value '1985-0315' is not a date; the birthday was left out"_s}}},
        {"LongValueShortenedInMessage", "BDAY:" + QByteArray(100, 'x') + "\r\n", none, {},
         {{1, 4, u"BDAY value '"_s + QString(40, u'x') + u"…' is not a date; the birthday was left out"_s}}},
        {"FirstValidBirthdayWins", "BDAY:1985-03-15\r\nBDAY:1990-01-01\r\n", QDate(1985, 3, 15)},
        {"BadThenGoodBirthday", "BDAY:?\r\nBDAY:1990-01-01\r\n", QDate(1990, 1, 1), {},
         {{1, 4, u"BDAY value '?' is not a date; the birthday was left out"_s}}},
        {"Anniversary40", "ANNIVERSARY:20100918\r\n", none, {{kAnniversary, QDate(2010, 9, 18)}}},
        {"XAnniversary", "X-ANNIVERSARY:2010-09-18\r\n", none, {{kAnniversary, QDate(2010, 9, 18)}}},
        {"EvolutionAnniversary", "X-EVOLUTION-ANNIVERSARY:2010-09-18\r\n", none, {{kAnniversary, QDate(2010, 9, 18)}}},
        {"OutlookAnniversary", "X-MS-ANNIVERSARY:20100918\r\n", none, {{kAnniversary, QDate(2010, 9, 18)}}},
        {"KAddressBookAnniversary", "X-KADDRESSBOOK-X-ANNIVERSARY:2010-09-18\r\n", none, {{kAnniversary, QDate(2010, 9, 18)}}},
        {"AnniversaryTextValueSkipped", "ANNIVERSARY;VALUE=text:last spring\r\n", none},
        {"AnniversaryNotADate", "ANNIVERSARY:soon\r\n", none, {},
         {{1, 4, u"ANNIVERSARY value 'soon' is not a date; the anniversary was left out"_s}}},
        {"AbDateNotADate", "item1.X-ABDATE:31/12/2001\r\nitem1.X-ABLabel:Wedding\r\n", none, {},
         {{1, 4, u"X-ABDATE value '31/12/2001' is not a date; the date was left out"_s}}},
        {"AbDateWithoutLabel", "X-ABDATE:2001-12-31\r\n", none, {{QString(), QDate(2001, 12, 31)}}},
        {"AnniversaryCopyOfAbDateNotDoubled",
         "ANNIVERSARY:20100918\r\nitem1.X-ABDATE:2010-09-18\r\nitem1.X-ABLabel:_$!<Anniversary>!$_\r\n", none,
         {{kAnniversary, QDate(2010, 9, 18)}}},
        {"YearlessAnniversaryCopyNotDoubled",
         "ANNIVERSARY:--0229\r\nitem1.X-ABDATE;X-APPLE-OMIT-YEAR=1604:1604-02-29\r\nitem1.X-ABLabel:_$!<Anniversary>!$_\r\n",
         none, {{kAnniversary, QDate(1604, 2, 29)}}},
        {"SameAnniversaryFromTwoExtensions", "X-EVOLUTION-ANNIVERSARY:2010-09-18\r\nANNIVERSARY:20100918\r\n", none,
         {{kAnniversary, QDate(2010, 9, 18)}}},
        {"AnniversaryOfOtherDayKept",
         "ANNIVERSARY:20100918\r\nitem1.X-ABDATE:2012-01-01\r\nitem1.X-ABLabel:_$!<Anniversary>!$_\r\n", none,
         {{kAnniversary, QDate(2010, 9, 18)}, {kAnniversary, QDate(2012, 1, 1)}}},
        {"SameDayWithOtherLabelNotADuplicate",
         "ANNIVERSARY:20100918\r\nitem1.X-ABDATE:2010-09-18\r\nitem1.X-ABLabel:Moved in\r\n", none,
         {{kAnniversary, QDate(2010, 9, 18)}, {u"Moved in"_s, QDate(2010, 9, 18)}}},
        {"TwoLabelledAbDatesOfOneDayBothKept",
         "item1.X-ABDATE:2010-09-18\r\nitem1.X-ABLabel:_$!<Anniversary>!$_\r\n"
         "item2.X-ABDATE:2010-09-18\r\nitem2.X-ABLabel:_$!<Anniversary>!$_\r\n",
         none, {{kAnniversary, QDate(2010, 9, 18)}, {kAnniversary, QDate(2010, 9, 18)}}},
        {"AndroidEvents",
         "X-ANDROID-CUSTOM:vnd.android.cursor.item/contact_event;2010-09-18;1;;;;;;;;;;;;;\r\n"
         "X-ANDROID-CUSTOM:vnd.android.cursor.item/contact_event;--12-24;2;;;;;;;;;;;;;\r\n"
         "X-ANDROID-CUSTOM:vnd.android.cursor.item/contact_event;1985-03-15;3;;;;;;;;;;;;;\r\n"
         "X-ANDROID-CUSTOM:vnd.android.cursor.item/contact_event;2001-05-05;0;Graduation;;;;;;;;;;;;\r\n",
         QDate(1985, 3, 15),
         {{kAnniversary, QDate(2010, 9, 18)}, {kOther, QDate(1604, 12, 24)}, {u"Graduation"_s, QDate(2001, 5, 5)}}},
        {"AndroidBirthdayDoesNotOverrideBday",
         "X-ANDROID-CUSTOM:vnd.android.cursor.item/contact_event;1985-03-15;3;;;;;;;;;;;;;\r\nBDAY:1986-04-16\r\n",
         QDate(1986, 4, 16)},
    };
}

class ReadDate : public ::testing::TestWithParam<DateRow> {};

TEST_P(ReadDate, GivesBirthdayAndDates)
{
    const DateRow& row = GetParam();
    const auto result = VCard::read(jane(row.lines));
    EXPECT_EQ(describe(result.problems), describe(row.problems));
    expectCards(result, {{janeWith({.birthday = row.birthday, .dates = row.dates})}});
}

INSTANTIATE_TEST_SUITE_P(VCardRead, ReadDate, ::testing::ValuesIn(dateRows()), rowName<DateRow>);

// --- pictures --------------------------------------------------------------------------

struct PhotoRow {
    std::string name;
    QByteArray lines;
    QByteArray photo;
};

class ReadPhoto : public ::testing::TestWithParam<PhotoRow> {};

TEST_P(ReadPhoto, DecodesInlineDataOnly)
{
    const auto result = VCard::read(jane(GetParam().lines));
    EXPECT_TRUE(result.problems.empty()) << describe(result.problems);
    expectCards(result, {{janeWith({.hasImage = !GetParam().photo.isEmpty()}), {}, GetParam().photo}});
}

INSTANTIATE_TEST_SUITE_P(
    VCardRead, ReadPhoto,
    ::testing::ValuesIn(std::vector<PhotoRow>{
        {"Base64Of21", "PHOTO;ENCODING=BASE64;PNG:iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJ\r\n\r\n", kPng},
        {"BOf30", "PHOTO;ENCODING=b;TYPE=JPEG:" + kJpeg.toBase64() + "\r\n", kJpeg},
        {"EncodingUpperB", "PHOTO;ENCODING=B;TYPE=PNG:iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJ\r\n", kPng},
        {"DataUri", "PHOTO:data:image/jpeg;base64," + kJpeg.toBase64() + "\r\n", kJpeg},
        {"DataUriWithMediaTypeParameter", "PHOTO;MEDIATYPE=image/png:data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJ\r\n", kPng},
        {"DataUriPercentEncoded", "PHOTO:data:application/octet-stream,%FF%D8%FFab\r\n", QByteArray("\xFF\xD8\xFF" "ab")},
        {"Base64WithWhitespaceAndFolds", "PHOTO;ENCODING=b:iVBO Rw0K\tGgoAAAAN\r\n SUhEUgAA AAEAAAAB\r\n  CAYAAAAfFcSJ\r\n", kPng},
        {"Base64WithoutPadding", "PHOTO;ENCODING=b:" + kJpeg.toBase64(QByteArray::OmitTrailingEquals) + "\r\n", kJpeg},
        {"UndeclaredInlineBase64", "PHOTO;TYPE=PNG:iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJ\r\n", kPng},
        {"HttpLinkIgnored", "PHOTO;VALUE=uri:https://photos.example.com/jane.jpg\r\n", {}},
        {"Url21Ignored", "PHOTO;VALUE=URL:http://photos.example.com/jane.jpg\r\n", {}},
        {"EmptyPhotoIgnored", "PHOTO;ENCODING=b;TYPE=JPEG:\r\n", {}},
        {"FirstPhotoWins", "PHOTO:https://x.example/a.jpg\r\nPHOTO;ENCODING=b:" + kPng.toBase64() + "\r\nPHOTO;ENCODING=b:" +
                               kJpeg.toBase64() + "\r\n",
         kPng},
    }),
    rowName<PhotoRow>);

// --- damaged files ---------------------------------------------------------------------

const QByteArray kFirst = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:One;Good;;;\r\nEND:VCARD\r\n";    // lines 1-4
const QByteArray kLast = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Three;Good;;;\r\nEND:VCARD\r\n";  // 4 lines
const Person kOne{.firstName = u"Good"_s, .lastName = u"One"_s};
const Person kThree{.firstName = u"Good"_s, .lastName = u"Three"_s};

struct DamageRow {
    std::string name;
    QByteArray input;
    std::vector<ExpectedCard> cards;
    std::vector<VCard::Problem> problems;
};

std::vector<DamageRow> damageRows()
{
    return {
        {"MissingEndBeforeNextBegin", kFirst + "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Two;Bad;;;\r\n" + kLast,
         {{kOne}, {kThree, {}, {}, 3}},
         {{2, 5, u"the card was skipped: it has no END:VCARD before the BEGIN:VCARD on line 8"_s}}},
        {"MissingEndAtEndOfFile", kFirst + kLast + "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Two;Bad;;;\r\n",
         {{kOne}, {kThree}},
         {{3, 9, u"the card was skipped: it has no END:VCARD before the end of the file"_s}}},
        {"LineWithoutColon", kFirst + "BEGIN:VCARD\r\nN:Two;Bad;;;\r\nthis line has no colon\r\nEND:VCARD\r\n" + kLast,
         {{kOne}, {kThree, {}, {}, 3}},
         {{2, 5, u"the card was skipped: line 7 is not a property (it has no ':'): 'this line has no colon'"_s}}},
        {"NamelessCard", kFirst + "BEGIN:VCARD\r\nVERSION:3.0\r\nTEL:+1 555 0100\r\nEMAIL:nobody@example.com\r\nN:;;;;\r\nEND:VCARD\r\n" + kLast,
         {{kOne}, {kThree, {}, {}, 3}},
         {{2, 5, u"the card was skipped: it has no name and no organization"_s}}},
        {"BadBase64Photo", kFirst + "BEGIN:VCARD\r\nN:Two;Bad;;;\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQ*&^%not base64\r\nEND:VCARD\r\n" + kLast,
         {{kOne}, {kThree, {}, {}, 3}},
         {{2, 5, u"the card was skipped: the PHOTO value on line 7 is not valid base64"_s}}},
        {"BadBase64DataUri", kFirst + "BEGIN:VCARD\r\nN:Two;Bad;;;\r\nPHOTO:data:image/png;base64,iVBO$$$\r\nEND:VCARD\r\n" + kLast,
         {{kOne}, {kThree, {}, {}, 3}},
         {{2, 5, u"the card was skipped: the PHOTO value on line 7 is not valid base64"_s}}},
        {"Base64OfBadLength", kFirst + "BEGIN:VCARD\r\nN:Two;Bad;;;\r\nPHOTO;ENCODING=b:iVBOR\r\nEND:VCARD\r\n" + kLast,
         {{kOne}, {kThree, {}, {}, 3}},
         {{2, 5, u"the card was skipped: the PHOTO value on line 7 is not valid base64"_s}}},
        {"BadBase64Name", kFirst + "BEGIN:VCARD\r\nVERSION:3.0\r\nN;ENCODING=b:!!!!\r\nEND:VCARD\r\n" + kLast,
         {{kOne}, {kThree, {}, {}, 3}},
         {{2, 5, u"the card was skipped: the N value on line 7 is not valid base64"_s}}},
        {"UnknownEncoding", kFirst + "BEGIN:VCARD\r\nVERSION:2.1\r\nN;ENCODING=UUENCODE:begin 644\r\nEND:VCARD\r\n" + kLast,
         {{kOne}, {kThree, {}, {}, 3}},
         {{2, 5, u"the card was skipped: the N value on line 7 has an unknown encoding 'UUENCODE'"_s}}},
        {"UnknownEncodingNamedLikePlaceholders", kFirst + "BEGIN:VCARD\r\nN;ENCODING=%2%1:x\r\nEND:VCARD\r\n" + kLast,
         {{kOne}, {kThree, {}, {}, 3}},
         {{2, 5, u"the card was skipped: the N value on line 6 has an unknown encoding '%2%1'"_s}}},
        {"UnterminatedAgent", kFirst + "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Two;Bad\r\nAGENT:\r\nBEGIN:VCARD\r\nN:Agent;X\r\nEND:VCARD\r\n",
         {{kOne}},
         {{2, 5, u"the card was skipped: it has no END:VCARD before the end of the file"_s}}},
        {"BadBirthdayKeepsCard", kFirst + "BEGIN:VCARD\r\nN:Two;Kept;;;\r\nBDAY:sometime in May\r\nEND:VCARD\r\n" + kLast,
         {{kOne}, {Person{.firstName = u"Kept"_s, .lastName = u"Two"_s}}, {kThree}},
         {{2, 7, u"BDAY value 'sometime in May' is not a date; the birthday was left out"_s}}},
        {"NotAVCardAtAll", "Name,Phone\r\nJane Doe,555\r\n", {},
         {{0, 0, u"no vCard found: the file has no BEGIN:VCARD line"_s}}},
        {"EmptyFile", "", {}, {{0, 0, u"no vCard found: the file has no BEGIN:VCARD line"_s}}},
    };
}

class DamagedFile : public ::testing::TestWithParam<DamageRow> {};

TEST_P(DamagedFile, SkipsTheBadCardReportsItAndKeepsTheOthers)
{
    const auto result = VCard::read(GetParam().input);
    EXPECT_EQ(describe(result.problems), describe(GetParam().problems));
    expectCards(result, GetParam().cards);
}

INSTANTIATE_TEST_SUITE_P(VCardRead, DamagedFile, ::testing::ValuesIn(damageRows()), rowName<DamageRow>);

// --- hostile files ---------------------------------------------------------------------

struct HostileRow {
    std::string name;
    std::function<QByteArray()> make;
    size_t cards;
    std::function<void(const VCard::ReadResult&)> check = nullptr;
    qint64 maxMilliseconds = 20000;  // generous for unoptimised builds on a busy machine;
                                     // a quadratic step takes hours on these inputs
};

QByteArray repeated(const QByteArray& piece, int times)
{
    QByteArray out;
    out.reserve(piece.size() * times);
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

std::vector<HostileRow> hostileRows()
{
    return {
        {"HugeLine", [] { return jane("NOTE:" + QByteArray(30 << 20, 'a') + "\r\n"); }, 1,
         [](const VCard::ReadResult& r) { EXPECT_EQ(r.cards[0].person.note.size(), 30 << 20); }},
        {"TinyCardsBeyondTheCap", [] { return repeated("BEGIN:VCARD\nFN:a\nEND:VCARD\n", VCard::MaxCards + 5000); },
         size_t(VCard::MaxCards),
         [](const VCard::ReadResult& r) {
             ASSERT_EQ(r.problems.size(), 1u);
             EXPECT_EQ(r.problems[0].cardNumber, VCard::MaxCards + 1);
             EXPECT_EQ(r.problems[0].line, 3 * VCard::MaxCards + 1);
         }},
        {"BeginsWithoutEndCapTheProblemList", [] { return repeated("BEGIN:VCARD\n", 100000); }, 0,
         [](const VCard::ReadResult& r) {
             ASSERT_EQ(r.problems.size(), size_t(VCard::MaxProblems) + 1);
             EXPECT_EQ(r.problems.back().message, u"more problems were found and not listed"_s);
         }},
        {"AgentsMillionDeep", [] { return deepAgents(1000000); }, 2},
        {"InvalidUtf8Everywhere",
         [] {
             QByteArray junk;
             for (int i = 0; i < 4096; ++i)
                 junk += char(0x80 + (i * 37) % 128);
             return jane("NOTE:" + junk + "\r\nFN:" + junk + "\r\n") + "BEGIN:VCARD\r\nN:" + junk + ";x\r\nEND:VCARD\r\n";
         },
         2},
        {"Base64GarbagePhoto",
         [] {
             QByteArray junk;
             for (int i = 0; i < 100000; ++i)
                 junk += char((i * 7919) % 256);
             junk.replace('\n', 'x').replace('\r', 'x');
             return jane("PHOTO;ENCODING=b:" + junk + "\r\n") + kLast;
         },
         1},
        {"QuotedPrintableSoftBreakFlood", [] { return jane("NOTE;ENCODING=QUOTED-PRINTABLE:" + repeated("a=\r\n", 1000000) + "b\r\n"); }, 1,
         [](const VCard::ReadResult& r) { EXPECT_EQ(r.cards[0].person.note.size(), 1000001); }},
        {"FoldFloodWithoutColon", [] { return jane("X" + repeated("\r\n x", 1000000) + "\r\n"); }, 0},
        {"FoldFloodInValue", [] { return jane("NOTE:" + repeated("\r\n y", 1000000) + "\r\n"); }, 1},
        {"SemicolonFloodInParameters", [] { return jane("TEL" + QByteArray(10 << 20, ';') + ":1\r\n"); }, 1},
        {"QuoteFloodInParameters", [] { return jane("TEL;X=" + QByteArray(10 << 20, '"') + "\r\n"); }, 0},
        {"CategoriesBeyondTheValueCap",
         [] {
             QByteArray list;
             for (int i = 0; i < VCard::MaxValues + 10; ++i)
                 list += QByteArray::number(i, 36) + ',';
             return jane("CATEGORIES:" + list + "\r\n");
         },
         1,
         [](const VCard::ReadResult& r) {
             EXPECT_EQ(r.cards[0].categories.size(), VCard::MaxValues);
             ASSERT_EQ(r.problems.size(), 1u);
         },
         60000},
        {"ManyAnniversariesOfDifferentDays",
         [] {
             QByteArray lines;
             for (int i = 0; i < 90000; ++i)
                 lines += "ANNIVERSARY:" + QDate(1, 1, 1).addDays(i).toString(u"yyyyMMdd"_s).toLatin1() + "\r\n";
             return jane(lines);
         },
         1, [](const VCard::ReadResult& r) { EXPECT_EQ(r.cards[0].person.dates.size(), 90000u); }},
        {"NulBytes", [] { return jane(QByteArray("NOTE:a\0b\r\nTEL:\0\r\n", 17)); }, 1,
         [](const VCard::ReadResult& r) { EXPECT_EQ(r.cards[0].person.note, QString(u"a\0b"_s)); }},
        {"PhotoOverTheLimit",
         [] { return jane("PHOTO;ENCODING=b:" + QByteArray(VCard::MaxPhotoBytes + 3, '\x11').toBase64() + "\r\n"); }, 1,
         [](const VCard::ReadResult& r) {
             EXPECT_TRUE(r.cards[0].photo.isEmpty());
             EXPECT_EQ(describe(r.problems), "card 1, line 4: the PHOTO is larger than 20 MiB; it was left out");
         }},
        {"FileOverTheLimit", [] { return QByteArray(VCard::MaxFileBytes + 1, ' '); }, 0,
         [](const VCard::ReadResult& r) {
             EXPECT_EQ(describe(r.problems), "card 0, line 0: the file is larger than 256 MiB; it was not read");
         }},
    };
}

class HostileFile : public ::testing::TestWithParam<HostileRow> {};

TEST_P(HostileFile, IsReadQuicklyWithinLimits)
{
    const QByteArray input = GetParam().make();
    QElapsedTimer timer;
    timer.start();
    const auto result = VCard::read(input);
    EXPECT_LT(timer.elapsed(), GetParam().maxMilliseconds);
    ASSERT_EQ(result.cards.size(), GetParam().cards) << describe(result.problems).substr(0, 2000);
    if (GetParam().check)
        GetParam().check(result);
}

INSTANTIATE_TEST_SUITE_P(VCardRead, HostileFile, ::testing::ValuesIn(hostileRows()), rowName<HostileRow>);

// --- writing ---------------------------------------------------------------------------

struct RoundTripRow {
    std::string name;
    Person person;
    QStringList groups = {};
    QByteArray photo = {};
};

// About `size` UTF-16 units of mixed scripts and vCard's special characters; no blanks
// at the ends (reading trims names) and no half of a surrogate pair.
QString longText(int size)
{
    const QString pattern = u"Ünïcödé 日本語 😀 ,;\\ e\u0301 x"_s;
    QString out;
    while (out.size() < size)
        out += pattern;
    out.truncate(size);
    while (!out.isEmpty() && (out.back().isHighSurrogate() || out.back().isSpace()))
        out.chop(1);
    return out;
}

std::vector<RoundTripRow> roundTripRows()
{
    const QString tricky = u"a;b,c\\d\ne:f \\n \\, end"_s;
    QByteArray binary;
    for (int i = 0; i < 100000; ++i)
        binary += char((i * 131) % 256);
    return {
        {"FirstNameOnly", {.firstName = u"Ann"_s}},
        {"EveryNamePart",
         {.prefix = u"Prof. Dr."_s, .firstName = u"Anna Maria"_s, .middleName = u"Luise"_s, .lastName = u"von Berg"_s,
          .suffix = u"PhD"_s, .nickname = u"Annie"_s, .organization = u"Uni Example"_s}},
        {"OrganizationOnly", {.organization = u"Blue Fern Bakery"_s}},
        {"NicknameOnly", {.nickname = u"Bubbles"_s}},
        {"SuffixOnly", {.suffix = u"Jr."_s}},
        {"UidAndNote", {.uid = u"urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1"_s, .firstName = u"U"_s, .note = u"Line 1\nLine 2\n\n"_s}},
        {"YearlessLeapDayBirthday", {.firstName = u"Leap"_s, .birthday = QDate(1604, 2, 29)}},
        {"BirthdayWithYear", {.firstName = u"Year"_s, .birthday = QDate(1985, 3, 15)}},
        {"BirthdayOfYearOne", {.firstName = u"Old"_s, .birthday = QDate(1, 1, 1)}},
        {"DatesLabelsAbsentMarkedCustomInOrder",
         {.firstName = u"Dates"_s,
          .dates = {{u"Name day"_s, QDate(1604, 2, 29)},
                    {kAnniversary, QDate(2010, 9, 18)},
                    {QString(), QDate(2001, 1, 2)},
                    {kOther, QDate(1604, 12, 24)},
                    {kAnniversary, QDate(2015, 6, 20)},
                    {u"_$!<Custom>!$_"_s, QDate(1999, 12, 31)}}}},
        {"YearlessAnniversaryFirst", {.firstName = u"Y"_s, .dates = {{kAnniversary, QDate(1604, 7, 4)}}}},
        {"SameAnniversaryTwice", {.firstName = u"Twice"_s, .dates = {{kAnniversary, QDate(2010, 9, 18)}, {kAnniversary, QDate(2010, 9, 18)}}}},
        {"PhonesEveryLabelInOrder",
         {.firstName = u"Phones"_s,
          .phones = {{u"Boat"_s, u"1"_s},   {kMobile, u"2"_s},  {kHome, u"3"_s},    {kWork, u"4"_s},
                     {kMain, u"5"_s},       {kHomeFax, u"6"_s}, {kWorkFax, u"7"_s}, {kOtherFax, u"8"_s},
                     {kPager, u"9"_s},      {kIPhone, u"10"_s}, {kOther, u"11"_s},  {QString(), u"12"_s},
                     {kHomePage, u"13"_s},  {u"_$!<Car>!$_"_s, u"14"_s}, {u"home"_s, u"15"_s}, {kMobile, u"16"_s}}}},
        {"EmailsLabels",
         {.firstName = u"Mails"_s,
          .emails = {{kWork, u"w@example.com"_s}, {kMobile, u"m@example.com"_s}, {QString(), u"p@example.com"_s},
                     {u"Old, unused"_s, u"o@example.com"_s}, {kHome, u"h@example.com"_s}}}},
        {"UrlsWithCommasSemicolonsBackslashes",
         {.firstName = u"Links"_s,
          .urls = {{kHomePage, u"https://x.example/?a=1,b=2;c=3"_s}, {kWork, u"https://w.example/a\\b"_s},
                   {QString(), u"ftp://f.example/x"_s}}}},
        {"Addresses",
         {.firstName = u"Places"_s,
          .addresses = {{kHome, {u"12 Main St\nApt 4"_s, u"Springfield"_s, u"IL"_s, u"62701"_s, u"USA"_s}},
                        {u"Summer; house"_s, {u"Strandvägen 1, 2 tr"_s, u"Visby"_s, {}, u"621 00"_s, u"Sverige"_s}},
                        {QString(), {{}, {}, {}, {}, u"Japan"_s}}}}},
        {"UnicodeEverywhere",
         {.prefix = u"先生"_s, .firstName = u"太郎"_s, .lastName = u"山田"_s, .nickname = u"😀 Tarō"_s,
          .organization = u"شركة المثال"_s, .note = u"Zürich – «quotes» – עברית – e\u0301"_s,
          .phones = {{u"Телефон"_s, u"+7 900 000-00-00"_s}}},
         {u"Семья"_s, u"家族"_s}},
        {"SpecialCharactersInEveryTextField",
         {.uid = tricky, .prefix = tricky, .firstName = tricky, .middleName = tricky, .lastName = tricky, .suffix = tricky,
          .nickname = tricky, .organization = tricky, .note = tricky, .dates = {{tricky, QDate(2000, 1, 1)}},
          .phones = {{tricky, tricky}}, .emails = {{tricky, tricky}}, .urls = {{tricky, tricky}},
          .addresses = {{tricky, {tricky, tricky, tricky, tricky, tricky}}}},
         {tricky, u"plain"_s}},
        {"LeadingByteOrderMarkInNote", {.firstName = u"Bom"_s, .note = u"\uFEFFafter mark"_s}},
        {"VeryLongValues",
         {.firstName = longText(300), .lastName = longText(77), .note = longText(20000), .phones = {{longText(500), longText(90)}}},
         {longText(200)}},
        {"GroupsWithCommas", {.firstName = u"G"_s}, {u"Friends, close"_s, u"Work"_s, u"a\\b"_s}},
        {"JpegPhoto", {.firstName = u"Pic"_s, .hasImage = true}, {}, kJpeg},
        {"PngPhoto", {.firstName = u"Pic"_s, .hasImage = true}, {}, kPng},
        {"BinaryPhotoOfUnknownType", {.firstName = u"Pic"_s, .hasImage = true}, {}, binary},
    };
}

class RoundTrip : public ::testing::TestWithParam<RoundTripRow> {};

TEST_P(RoundTrip, ReadsBackTheSamePersonGroupsAndPhoto)
{
    const RoundTripRow& row = GetParam();
    const QByteArray written = VCard::write(row.person, row.groups, row.photo);
    const auto result = VCard::read(written);
    EXPECT_TRUE(result.problems.empty()) << describe(result.problems);
    expectCards(result, {{row.person, row.groups, row.photo}});
    // Our own output is a fixed point.
    ASSERT_EQ(result.cards.size(), 1u);
    const VCard::Card& card = result.cards[0];
    EXPECT_EQ(VCard::write(card.person, card.categories, card.photo), written);
}

INSTANTIATE_TEST_SUITE_P(VCardWrite, RoundTrip, ::testing::ValuesIn(roundTripRows()), rowName<RoundTripRow>);

QStringList unfoldedLines(const QByteArray& written)
{
    QByteArray text = written;
    text.replace("\r\n ", "");
    QStringList lines = QString::fromUtf8(text).split(u"\r\n"_s);
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

struct WrittenRow {
    std::string name;
    Person person;
    QStringList groups;
    QByteArray photo;
    QStringList lines;  // the content lines after BEGIN and VERSION, before END
};

std::vector<WrittenRow> writtenRows()
{
    return {
        {"NamesAndDisplayName",
         {.prefix = u"Dr."_s, .firstName = u"Jane"_s, .middleName = u"Q"_s, .lastName = u"Doe"_s, .suffix = u"Jr."_s,
          .nickname = u"JJ"_s, .organization = u"Acme"_s},
         {}, {},
         {u"FN:Dr. Jane Q Doe Jr."_s, u"N:Doe;Jane;Q;Dr.;Jr."_s, u"NICKNAME:JJ"_s, u"ORG:Acme"_s}},
        {"OrganizationIsTheDisplayName", {.organization = u"Acme, Inc."_s}, {}, {},
         {u"FN:Acme\\, Inc."_s, u"N:;;;;"_s, u"ORG:Acme\\, Inc."_s}},
        {"TextEscapes", {.firstName = u"J;a,n\\e"_s, .note = u"a;b,c\\d\ne\r\nf"_s, .urls = {{QString(), u"https://x/?a=1,b=2;c\\"_s}}},
         {}, {},
         {u"FN:J\\;a\\,n\\\\e"_s, u"N:;J\\;a\\,n\\\\e;;;"_s, u"URL:https://x/?a=1,b=2;c\\\\"_s, u"NOTE:a\\;b\\,c\\\\d\\ne\\nf"_s}},
        {"Birthdays", {.firstName = u"B"_s, .birthday = QDate(1604, 2, 29), .dates = {{kAnniversary, QDate(1985, 3, 5)}}}, {}, {},
         {u"FN:B"_s, u"N:;B;;;"_s, u"BDAY:--0229"_s, u"ANNIVERSARY:19850305"_s, u"item1.X-ABDATE:1985-03-05"_s,
          u"item1.X-ABLabel:_$!<Anniversary>!$_"_s}},
        {"DatesKeepOrderAndLabels",
         {.firstName = u"D"_s, .birthday = QDate(1985, 3, 15),
          .dates = {{u"Name day"_s, QDate(1604, 2, 29)}, {QString(), QDate(2001, 2, 3)}, {kAnniversary, QDate(1604, 7, 4)},
                    {kAnniversary, QDate(2010, 1, 1)}, {QString(), QDate()}}},
         {}, {},
         {u"FN:D"_s, u"N:;D;;;"_s, u"BDAY:19850315"_s, u"ANNIVERSARY:--0704"_s,
          u"item1.X-ABDATE;X-APPLE-OMIT-YEAR=1604:1604-02-29"_s, u"item1.X-ABLabel:Name day"_s, u"X-ABDATE:2001-02-03"_s,
          u"item2.X-ABDATE;X-APPLE-OMIT-YEAR=1604:1604-07-04"_s, u"item2.X-ABLabel:_$!<Anniversary>!$_"_s,
          u"item3.X-ABDATE:2010-01-01"_s, u"item3.X-ABLabel:_$!<Anniversary>!$_"_s}},
        {"LabelsAsTypesOrItems",
         {.firstName = u"L"_s,
          .phones = {{kMobile, u"1"_s}, {kHomeFax, u"2"_s}, {u"Boat"_s, u"3"_s}, {QString(), u"4"_s}, {kIPhone, u"5"_s}, {QString(), QString()}},
          .emails = {{kWork, u"w@x"_s}, {kMobile, u"m@x"_s}},
          .addresses = {{kHome, {u"S"_s, u"C"_s, u"St"_s, u"Z"_s, u"Co"_s}}, {kWork, {}}}},
         {}, {},
         {u"FN:L"_s, u"N:;L;;;"_s, u"TEL;TYPE=cell:1"_s, u"TEL;TYPE=home,fax:2"_s, u"item1.TEL:3"_s, u"item1.X-ABLabel:Boat"_s,
          u"TEL:4"_s, u"TEL;TYPE=iphone:5"_s, u"EMAIL;TYPE=work:w@x"_s, u"item2.EMAIL:m@x"_s,
          u"item2.X-ABLabel:_$!<Mobile>!$_"_s, u"ADR;TYPE=home:;;S;C;St;Z;Co"_s}},
        {"CategoriesAndPngPhoto", {.firstName = u"C"_s}, {u"A, B"_s, u" "_s, u"C"_s}, kPng,
         {u"FN:C"_s, u"N:;C;;;"_s, u"CATEGORIES:A\\, B,C"_s, u"PHOTO:data:image/png;base64,"_s + QString::fromLatin1(kPng.toBase64())}},
        {"JpegAndUnknownPhotoTypes", {.firstName = u"P"_s}, {}, kJpeg,
         {u"FN:P"_s, u"N:;P;;;"_s, u"PHOTO:data:image/jpeg;base64,"_s + QString::fromLatin1(kJpeg.toBase64())}},
        {"UnknownPhotoType", {.firstName = u"P"_s}, {}, QByteArray("\x00\x01\x02", 3),
         {u"FN:P"_s, u"N:;P;;;"_s, u"PHOTO:data:application/octet-stream;base64,AAEC"_s}},
        {"UidOnlyWhenSet", {.uid = u"id-1,2;3"_s, .firstName = u"U"_s}, {}, {}, {u"FN:U"_s, u"N:;U;;;"_s, u"UID:id-1,2;3"_s}},
    };
}

class WrittenCard : public ::testing::TestWithParam<WrittenRow> {};

TEST_P(WrittenCard, HasTheseLines)
{
    const WrittenRow& row = GetParam();
    const QByteArray written = VCard::write(row.person, row.groups, row.photo);
    QByteArray withoutLineEnds = written;
    withoutLineEnds.replace("\r\n", "");
    EXPECT_FALSE(withoutLineEnds.contains('\n') || withoutLineEnds.contains('\r'));
    QStringList lines = unfoldedLines(written);
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.takeFirst(), u"BEGIN:VCARD"_s);
    EXPECT_EQ(lines.takeFirst(), u"VERSION:4.0"_s);
    EXPECT_EQ(lines.takeLast(), u"END:VCARD"_s);
    EXPECT_EQ(lines.join(u'\n').toStdString(), row.lines.join(u'\n').toStdString());
}

INSTANTIATE_TEST_SUITE_P(VCardWrite, WrittenCard, ::testing::ValuesIn(writtenRows()), rowName<WrittenRow>);

// Folding at 75 octets, whatever the characters and where they fall.
TEST(VCardWriteFolding, LinesAreAtMost75OctetsAndNeverSplitACharacter)
{
    const QString pieces[] = {u"é"_s, u"日"_s, u"😀"_s, u"e\u0301"_s, u"a日😀é"_s};
    for (const QString& piece : pieces) {
        for (int offset = 0; offset < 8; ++offset) {
            SCOPED_TRACE(piece.toStdString() + " after " + std::to_string(offset) + " ASCII characters");
            const Person person{.firstName = u"F"_s, .note = QString(offset, u'x') + piece.repeated(200)};
            const QByteArray written = VCard::write(person, {}, {});
            ASSERT_TRUE(written.endsWith("\r\n"));
            QByteArray lineEnds = written;
            lineEnds.replace("\r\n", "\n");
            ASSERT_FALSE(lineEnds.contains('\r'));
            const QList<QByteArray> physical = lineEnds.chopped(1).split('\n');
            int folded = 0;
            for (const QByteArray& line : physical) {
                EXPECT_LE(line.size(), 75) << line.constData();
                // Each physical line decodes on its own: no sequence was cut.
                EXPECT_EQ(QString::fromUtf8(line).toUtf8(), line);
                EXPECT_FALSE(QString::fromUtf8(line).contains(QChar::ReplacementCharacter));
                folded += line.startsWith(' ');
            }
            EXPECT_GT(folded, 3);
            const auto result = VCard::read(written);
            ASSERT_EQ(result.cards.size(), 1u);
            EXPECT_EQ(result.cards[0].person.note, person.note);
        }
    }
}

// --- other readers -------------------------------------------------------------------

QString pythonWithVobject()
{
    for (const QString& candidate : {u"python3"_s, u"/usr/bin/python3"_s}) {
        QProcess p;
        p.start(candidate, {u"-c"_s, u"import vobject"_s});
        if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return candidate;
    }
    return {};
}

TEST(VCardWriteInterop, VobjectReadsOurCards)
{
    const QString python = pythonWithVobject();
    if (python.isEmpty())
        GTEST_SKIP() << "python3 with the vobject module is not installed";
    const Person person{
        .uid = u"uid-42"_s, .prefix = u"Dr."_s, .firstName = u"Zoë"_s, .lastName = u"O'Brien; Smith"_s,
        .nickname = u"Zo"_s, .organization = u"Acme, Inc."_s, .note = u"Line one\nLine two, with comma; and semicolon"_s,
        .birthday = QDate(1985, 3, 15), .dates = {{kAnniversary, QDate(2010, 9, 18)}, {u"Name day"_s, QDate(1604, 2, 29)}},
        .phones = {{kMobile, u"+1 555 0100"_s}, {u"Boat"_s, u"+1 555 0199"_s}},
        .emails = {{kWork, u"zoe@acme.example"_s}},
        .urls = {{kHomePage, u"https://zoe.example/?a=1,b=2"_s}},
        .addresses = {{kHome, {u"1 Long Road, Flat 2"_s, u"Cork"_s, {}, u"T12"_s, u"Ireland"_s}}},
        .hasImage = true};
    QByteArray two = VCard::write(person, {u"Friends"_s, u"Book club"_s}, kJpeg);
    two += VCard::write(Person{.firstName = longText(120), .note = longText(3000)}, {}, {});

    const char* script = R"(
import sys, json, base64, vobject
out = []
for c in vobject.readComponents(sys.stdin.buffer.read().decode('utf-8')):
    d = {'fn': c.fn.value, 'note': c.note.value}
    if hasattr(c, 'n'):
        n = c.n.value
        d['n'] = [n.family, n.given, n.additional, n.prefix, n.suffix]
    d['tel'] = [t.value for t in c.contents.get('tel', [])]
    d['email'] = [e.value for e in c.contents.get('email', [])]
    d['bday'] = c.bday.value if hasattr(c, 'bday') else ''
    d['categories'] = c.categories.value if hasattr(c, 'categories') else []
    d['photo'] = c.photo.value if hasattr(c, 'photo') else ''
    out.append(d)
print(json.dumps(out))
)";
    QProcess p;
    p.start(python, {u"-c"_s, QString::fromUtf8(script)});
    ASSERT_TRUE(p.waitForStarted(30000));
    p.write(two);
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonArray cards = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    ASSERT_EQ(cards.size(), 2);
    const QJsonObject first = cards[0].toObject();
    EXPECT_EQ(first[u"fn"_s].toString(), u"Dr. Zoë O'Brien; Smith"_s);
    EXPECT_EQ(first[u"n"_s].toArray().toVariantList(),
              QVariantList({u"O'Brien; Smith"_s, u"Zoë"_s, QString(), u"Dr."_s, QString()}));
    EXPECT_EQ(first[u"note"_s].toString(), person.note);
    EXPECT_EQ(first[u"tel"_s].toArray().toVariantList(), QVariantList({u"+1 555 0100"_s, u"+1 555 0199"_s}));
    EXPECT_EQ(first[u"email"_s].toArray().toVariantList(), QVariantList({u"zoe@acme.example"_s}));
    EXPECT_EQ(first[u"bday"_s].toString(), u"19850315"_s);
    EXPECT_EQ(first[u"categories"_s].toArray().toVariantList(), QVariantList({u"Friends"_s, u"Book club"_s}));
    // vobject cuts the value at the data URI's comma; the URI's start shows it was read.
    EXPECT_TRUE(first[u"photo"_s].toString().startsWith(u"data:image/jpeg;base64"_s));
    const QJsonObject second = cards[1].toObject();
    EXPECT_EQ(second[u"fn"_s].toString(), longText(120));
    EXPECT_EQ(second[u"note"_s].toString(), longText(3000));
}

} // namespace
} // namespace fetemark
