// The actions of an occasion's detail screen, made from a real address book: which items
// exist in which order, their texts and URLs, and what their rows and questions say.
#include "core/detail/ActionItems.h"

#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"
#include "platform/addressbook/AddressBook.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace fetemark;
using namespace Qt::StringLiterals;

namespace fetemark {
void PrintTo(const ActionItem& item, std::ostream* os)
{
    *os << item.typeName().toStdString() << " detail=" << item.actionDetail.toStdString()
        << " detail2=" << item.actionDetail2.toStdString()
        << " short=" << item.actionShortDetail.toStdString()
        << " url=" << item.actionURL.toString(QUrl::FullyEncoded).toStdString()
        << " email=" << item.cleanEmailAddress.toStdString()
        << " subject=" << item.cleanEmailSubject.toStdString();
}
} // namespace fetemark

namespace {

using Type = ActionItem::Type;

class ActionFixture {
public:
    test::TempDir dir;
    Settings settings {dir.file(u"Preferences.plist"_s)};
    std::unique_ptr<AddressBook> book = AddressBook::create(dir.file(u"AddressBook.sqlite"_s));
    Texts texts {u"EN"_s};

    ActionFixture() { settings.registerDefaults(registeredDefaults()); }
    std::int32_t add(const Person& person)
    {
        const std::int32_t id = book->addPerson(person);
        EXPECT_TRUE(id != -1 && book->save());
        return id;
    }
};

ActionItem item(Type type, QString detail, QString shortDetail, const char* url, QString email = {},
    QString subject = {}, QString detail2 = {})
{
    ActionItem i;
    i.actionType = type;
    i.actionDetail = std::move(detail);
    i.actionDetail2 = std::move(detail2);
    i.actionShortDetail = std::move(shortDetail);
    i.actionURL = url ? QUrl(QString::fromUtf8(url), QUrl::StrictMode) : QUrl();
    i.cleanEmailAddress = std::move(email);
    i.cleanEmailSubject = std::move(subject);
    return i;
}

struct ItemsRow {
    std::string name;
    std::function<void(OccasionRecord&)> record; // after recordID is the person's
    Person person;
    bool telephony;
    std::vector<ActionItem> expected;
};

class ActionItems : public testing::TestWithParam<ItemsRow> { };

TEST_P(ActionItems, AreMadeInOrderFromTheCard)
{
    const ItemsRow& row = GetParam();
    ActionFixture f;
    f.settings.setValue(QString(Key::ShowFacebook), true);
    OccasionRecord record;
    record.recordID = f.add(row.person);
    row.record(record);
    EXPECT_EQ(updateActionItemArray(record, f.book.get(), f.settings, f.texts, {row.telephony}),
        row.expected);
}

Person card(std::vector<Labeled<QString>> phones, std::vector<Labeled<QString>> emails = {},
    std::vector<Labeled<PostalAddress>> addresses = {})
{
    Person p;
    p.firstName = u"Ann"_s;
    p.phones = std::move(phones);
    p.emails = std::move(emails);
    p.addresses = std::move(addresses);
    return p;
}

const QString Home = QString(ContactLabel::Home);
const QString Mobile = QString(ContactLabel::Mobile);
auto birthday = [](OccasionRecord&) {};
auto other = [](OccasionRecord& r) { r.type = OccasionRecord::OtherDate; };
const ActionItem Facebook;

INSTANTIATE_TEST_SUITE_P(Detail, ActionItems,
    testing::Values(ItemsRow {"FacebookCustomEntryOnlyPosts",
                        [](OccasionRecord& r) {
                            r.recordID = -1;
                            r.isCustomEntry = r.isFacebookEntry = true;
                        },
                        card({{Home, u"1"_s}}), true, {Facebook}},
        ItemsRow {"PlainCustomEntryHasNone",
            [](OccasionRecord& r) {
                r.recordID = -1;
                r.isCustomEntry = true;
            },
            card({{Home, u"1"_s}}), true, {}},
        ItemsRow {"MissingContactKeepsOnlyTheLink",
            [](OccasionRecord& r) {
                r.recordID += 100;
                r.facebookLinkID = u"42"_s;
            },
            card({{Home, u"1"_s}}), true, {Facebook}},
        ItemsRow {"TwoNumbersWithTelephony", birthday,
            card({{Home, u"+49 30 1234"_s}, {Mobile, u"0171"_s}}), true,
            {item(Type::Phone, u"+49 30 1234 (home)"_s, u"+49 30 1234"_s, "tel:+49%2030%201234"),
                item(Type::Phone, u"0171 (mobile)"_s, u"0171"_s, "tel:0171"),
                item(Type::Message, u"+49 30 1234 (home)"_s, u"+49 30 1234"_s,
                    "sms:+49%2030%201234", {}, u"Happy Birthday!"_s),
                item(Type::Message, u"0171 (mobile)"_s, u"0171"_s, "sms:0171", {},
                    u"Happy Birthday!"_s)}},
        ItemsRow {"TwoNumbersWithoutTelephony", birthday,
            card({{Home, u"+49 30 1234"_s}, {Mobile, u"0171"_s}}), false,
            {item(Type::Phone, u"+49 30 1234 (home)"_s, u"+49 30 1234"_s, "tel:+49%2030%201234"),
                item(Type::Phone, u"0171 (mobile)"_s, u"0171"_s, "tel:0171")}},
        ItemsRow {"UnlabelledPhoneSaysDate", other, card({{{}, u"555"_s}}), false,
            {item(Type::Phone, u"555 (date)"_s, u"555"_s, "tel:555")}},
        ItemsRow {"OtherDateEmailHasNoSubject", other, card({}, {{Home, u"ann@example.org"_s}}),
            false,
            {item(Type::Email, u"ann@example.org (home)"_s, u"ann@example.org"_s,
                "mailto:ann@example.org", u"ann@example.org"_s)}},
        ItemsRow {"AnniversaryEmailGreets",
            [](OccasionRecord& r) {
                r.type = OccasionRecord::OtherDate;
                r.fakeAnniversary = true;
            },
            card({}, {{Home, u"ann@example.org"_s}}), false,
            {item(Type::Email, u"ann@example.org (home)"_s, u"ann@example.org"_s,
                "mailto:ann@example.org?subject=Happy%20Anniversary%21", u"ann@example.org"_s,
                u"Happy Anniversary!"_s)}},
        ItemsRow {"AddressWithOnlyACountry", birthday,
            card({}, {}, {{Home, PostalAddress {{}, {}, {}, {}, u"Germany"_s}}}), false,
            {item(Type::Address, {}, u"\n (home)"_s,
                "https://www.openstreetmap.org/search?query=,,Germany", {}, {}, u" (home)"_s)}},
        ItemsRow {"FullAddress", birthday,
            card({}, {},
                {{Home,
                    PostalAddress {u"Hauptstraße 1\nHof & Garten"_s, u"München"_s, u"BY"_s,
                        u"80331"_s, u"Germany"_s}}}),
            false,
            {item(Type::Address, u"Hauptstraße 1, Hof & Garten"_s,
                u"Hauptstraße 1, Hof & Garten\nMünchen, BY 80331  (home)"_s,
                "https://www.openstreetmap.org/search?query=Hauptstra%C3%9Fe%201%2C%20Hof%20%26%"
                "20Garten,M%C3%BCnchen%2C%20BY%2080331%20,Germany",
                {}, {}, u"München, BY 80331  (home)"_s)}}),
    test::RowName());

TEST(ActionItems, NoBookGivesOnlyWhatTheRecordSays)
{
    ActionFixture f;
    OccasionRecord record;
    record.recordID = 1;
    record.isFacebookEntry = true;
    EXPECT_EQ(updateActionItemArray(record, nullptr, f.settings, f.texts, {true}).size(), 1u);
}

struct RowRow {
    std::string name;
    Type type;
    bool telephony;
    const char* caption;
    const char* icon;
    bool selectable;
    const char* button;
};

class ActionRows : public testing::TestWithParam<RowRow> { };

TEST_P(ActionRows, SayWhatTheActionDoes)
{
    const RowRow& r = GetParam();
    const Texts texts(u"EN"_s);
    ActionItem i = item(r.type, u"detail"_s, u"value"_s, "x:y");
    const ActionRow row = actionRow(i, texts, {r.telephony});
    EXPECT_EQ(row.caption, QString::fromUtf8(r.caption));
    EXPECT_EQ(row.iconFile, QString::fromUtf8(r.icon));
    EXPECT_EQ(row.selectable, r.selectable);
    const ActionConfirmation c = actionConfirmation(i, texts);
    EXPECT_EQ(c.button, QString::fromUtf8(r.button));
    EXPECT_EQ(r.type == Type::Phone ? c.title : c.message, u"value"_s);
}

INSTANTIATE_TEST_SUITE_P(Detail, ActionRows,
    testing::Values(RowRow {"Facebook", Type::FacebookPost, false, "Facebook:", "InfoIcon_Wall.png",
                        true, "OK"},
        RowRow {"Call", Type::Phone, true, "Place call to:", "InfoIcon_Phone.png", true, "Call"},
        RowRow {
            "NumberOnly", Type::Phone, false, "Phone number:", "InfoIcon_Phone.png", false, "Call"},
        RowRow {"Message", Type::Message, true, "Send message to:", "InfoIcon_TextMessage.png",
            true, "Message"},
        RowRow {"Email", Type::Email, false, "Send email to:", "InfoIcon_Email.png", true, "Email"},
        RowRow {"Address", Type::Address, false, "Mailing address:", "InfoIcon_Address.png", true,
            "Show on Map"}),
    test::RowName());

} // namespace
