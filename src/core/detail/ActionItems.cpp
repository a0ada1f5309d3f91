#include "ActionItems.h"

#include "core/database/RecordDatabase.h"
#include "core/records/ContactLabels.h"
#include "core/text/Texts.h"
#include "platform/addressbook/AddressBook.h"

#include <optional>

namespace fetemark {
namespace {

using Type = ActionItem::Type;

// Reserved characters a URL of these schemes keeps as they are; the rest of the text,
// spaces and non-ASCII included, is escaped as UTF-8.
const QByteArray KeptInUrl = QByteArrayLiteral("!$'()*+,/:;=?@");

// Text that is not valid UTF-16 (a lone surrogate) has no UTF-8 form to escape.
std::optional<QString> escaped(const QString& text, const QByteArray& kept = {})
{
    if (!QStringView(text).isValidUtf16())
        return std::nullopt;
    return QString::fromLatin1(QUrl::toPercentEncoding(text, kept));
}

QUrl urlOf(const std::optional<QString>& text)
{
    if (!text)
        return {};
    const QUrl url(*text, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

QString labelled(const QString& value, const QString& label, const Texts& texts)
{
    return QStringLiteral("%1 (%2)").arg(
        value, ContactLabel::localizedLabel(ContactLabel::ofDateValue(label), texts));
}

// The greeting of a birthday or an anniversary; empty for other occasions.
QString greeting(const OccasionRecord& record, const Texts& texts)
{
    if (record.type == OccasionRecord::Birthday || record.fakeBirthday)
        return texts.text(
            QStringLiteral("HappyBirthdayEmailSubject"), QStringLiteral("Happy Birthday!"));
    if (record.type == OccasionRecord::Anniversary || record.fakeAnniversary)
        return texts.text(
            QStringLiteral("HappyAnniversaryEmailSubject"), QStringLiteral("Happy Anniversary!"));
    return {};
}

ActionItem phoneItem(Type type, const Labeled<QString>& phone, const Texts& texts)
{
    ActionItem item;
    item.actionType = type;
    item.actionShortDetail = phone.value;
    item.actionDetail = labelled(phone.value, phone.label, texts);
    // "sms:" without "//": after it a URL reads the number as a host ("0171" is 0.0.0.121).
    const QString scheme = type == Type::Phone ? QStringLiteral("tel:") : QStringLiteral("sms:");
    // Escaping the same text again fails the same way: the retry is the first attempt.
    item.actionURL = urlOf(escaped(scheme + phone.value, KeptInUrl));
    return item;
}

ActionItem emailItem(const Labeled<QString>& email, const QString& subject, const Texts& texts)
{
    ActionItem item;
    item.actionType = Type::Email;
    item.actionShortDetail = email.value;
    item.cleanEmailAddress = email.value;
    item.actionDetail = labelled(email.value, email.label, texts);
    const std::optional<QString> bare = escaped(QStringLiteral("mailto:") + email.value, KeptInUrl);
    if (!subject.isEmpty()) {
        item.cleanEmailSubject = subject;
        // The subject is a value of the query: its own '&', '=' or '#' must not end it.
        const std::optional<QString> value = escaped(subject);
        if (bare && value)
            item.actionURL = urlOf(*bare + QStringLiteral("?subject=") + *value);
    }
    if (item.actionURL.isEmpty())
        item.actionURL = urlOf(bare);
    return item;
}

ActionItem addressItem(const Labeled<PostalAddress>& address, const Texts& texts)
{
    const PostalAddress& a = address.value;
    ActionItem item;
    item.actionType = Type::Address;
    QString street;
    if (!a.street.isEmpty()) {
        street = a.street;
        street.replace(QStringLiteral("\r\n"), QStringLiteral(", "));
        street.replace(QLatin1Char('\n'), QStringLiteral(", "));
        street.replace(QLatin1Char('\r'), QStringLiteral(", "));
        item.actionDetail = street;
    }
    QString cityLine;
    if (!a.city.isEmpty())
        cityLine += a.city + QStringLiteral(", ");
    if (!a.state.isEmpty())
        cityLine += a.state + QLatin1Char(' ');
    if (!a.zip.isEmpty())
        cityLine += a.zip + QLatin1Char(' ');
    item.actionDetail2 = labelled(cityLine, address.label, texts);
    item.actionShortDetail = street + QLatin1Char('\n') + item.actionDetail2;
    // Each part is a value of the search query, escaped whole; the commas between them
    // are the query's own.
    const std::optional<QString> parts[] = {escaped(street), escaped(cityLine), escaped(a.country)};
    if (parts[0] && parts[1] && parts[2])
        item.actionURL = urlOf(QStringLiteral("https://www.openstreetmap.org/search?query=%1,%2,%3")
                                   .arg(*parts[0], *parts[1], *parts[2]));
    return item;
}

void appendCardItems(std::vector<ActionItem>& items, const OccasionRecord& record,
    const Person& person, const Texts& texts, DeviceCapabilities device)
{
    for (const Labeled<QString>& phone : person.phones)
        items.push_back(phoneItem(Type::Phone, phone, texts));
    const QString subject = greeting(record, texts);
    if (device.telephony) {
        for (const Labeled<QString>& phone : person.phones) {
            items.push_back(phoneItem(Type::Message, phone, texts));
            items.back().cleanEmailSubject = subject;
        }
    }
    for (const Labeled<QString>& email : person.emails)
        items.push_back(emailItem(email, subject, texts));
    for (const Labeled<PostalAddress>& address : person.addresses)
        items.push_back(addressItem(address, texts));
}

} // namespace

QString ActionItem::typeName(Type type)
{
    switch (type) {
    case Type::FacebookPost:
        return QStringLiteral("FACEBOOKPOST");
    case Type::Phone:
        return QStringLiteral("PHONE");
    case Type::Message:
        return QStringLiteral("MESSAGE");
    case Type::Email:
        return QStringLiteral("EMAIL");
    case Type::Address:
        return QStringLiteral("ADDRESS");
    }
    return {};
}

std::vector<ActionItem> updateActionItemArray(const OccasionRecord& record, const AddressBook* book,
    const Settings& settings, const Texts& texts, DeviceCapabilities device)
{
    std::vector<ActionItem> items;
    if (record.isFacebookEntry || record.isFacebookLinked(settings))
        items.push_back(ActionItem {});
    if (record.isCustomEntry || !book || record.recordID < 0)
        return items;
    if (const std::optional<Person> person = book->person(record.recordID))
        appendCardItems(items, record, *person, texts, device);
    return items;
}

std::vector<ActionItem> updateActionItemArray(
    RecordDatabase& database, const OccasionRecord& record, DeviceCapabilities device)
{
    database.refreshAddressBook();
    return updateActionItemArray(
        record, database.mainThreadAddressBook(), database.settings(), database.texts(), device);
}

ActionRow actionRow(const ActionItem& item, const Texts& texts, DeviceCapabilities device)
{
    ActionRow row;
    row.detail = item.actionDetail;
    auto caption = [&](const char* key, const char* english) {
        row.captionKey = QString::fromLatin1(key);
        row.captionDefault = QString::fromLatin1(english);
        row.caption = texts.text(row.captionKey, row.captionDefault);
    };
    switch (item.actionType) {
    case Type::FacebookPost:
        row.caption = row.captionDefault = QStringLiteral("Facebook:");
        row.detail = texts.text(
            QStringLiteral("PostFacebookMessage"), QStringLiteral("Write on their wall"));
        row.disclosure = true;
        row.iconFile = QStringLiteral("InfoIcon_Wall.png");
        break;
    case Type::Phone:
        if (device.telephony)
            caption("PlaceCallTo", "Place call to:");
        else
            caption("PhoneNumberIs", "Phone number:");
        row.selectable = device.telephony;
        row.iconFile = QStringLiteral("InfoIcon_Phone.png");
        break;
    case Type::Message:
        caption("SendMessageTo", "Send message to:");
        row.iconFile = QStringLiteral("InfoIcon_TextMessage.png");
        break;
    case Type::Email:
        caption("SendEmailTo", "Send email to:");
        row.iconFile = QStringLiteral("InfoIcon_Email.png");
        break;
    case Type::Address:
        caption("MailingAddressTo", "Mailing address:");
        row.detail2 = item.actionDetail2;
        row.iconFile = QStringLiteral("InfoIcon_Address.png");
        break;
    }
    return row;
}

ActionConfirmation actionConfirmation(const ActionItem& item, const Texts& texts)
{
    ActionConfirmation c;
    if (item.actionType == Type::Phone)
        c.title = item.actionShortDetail;
    else
        c.message = item.actionShortDetail;
    const auto button = [&]() -> std::pair<const char*, const char*> {
        switch (item.actionType) {
        case Type::Phone:
            return {"CallAction", "Call"};
        case Type::Email:
            return {"EmailAction", "Email"};
        case Type::Address:
            return {"MapAction", "Show on Map"};
        case Type::Message:
            return {"MessageAction", "Message"};
        case Type::FacebookPost:
            break;
        }
        return {"OK", "OK"};
    }();
    c.buttonKey = QString::fromLatin1(button.first);
    c.buttonDefault = QString::fromLatin1(button.second);
    c.button = texts.text(c.buttonKey, c.buttonDefault);
    c.cancelButton = texts.text(QStringLiteral("Cancel"), QStringLiteral("Cancel"));
    return c;
}

QString facebookPostSucceededText(const Texts& texts)
{
    return texts.text(
        QStringLiteral("FacebookPostSuccessfull"), QStringLiteral("Your message was posted."));
}

} // namespace fetemark
