#include "ContactReader.h"

#include "core/database/OccasionCalculator.h"
#include "core/records/ContactLabels.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/TextFormat.h"
#include "core/text/Texts.h"

#include "platform/addressbook/AddressBook.h"

#include <QHash>
#include <QSet>

namespace fetemark {
namespace {

const QString BirthdayWordsKey = QStringLiteral("SmartSort_Birthday");
const QString BirthdayWordsDefault = QStringLiteral("birthday|bday");
const QString AnniversaryWordsKey = QStringLiteral("SmartSort_Anniversary");
const QString AnniversaryWordsDefault = QStringLiteral("anniversary|wedding");
const QString AnniversaryNameFormat = QStringLiteral("%@ (%@)");

QStringList splitWords(const QString& text)
{
    // An empty or blank word would be "contained" in every label and turn every other
    // date into a birthday, so a stray "|" in a translation is passed over.
    QStringList words;
    for (const QString& word : text.split(u'|', Qt::SkipEmptyParts)) {
        if (!word.trimmed().isEmpty())
            words.append(word);
    }
    return words;
}

struct NameOptions {
    bool firstNameFirst = true;
    bool prefixSuffix = false;
    bool middleName = false;

    static NameOptions read(const Settings& settings)
    {
        return {settings.boolValue(QString(Key::FirstNameFirst)),
            settings.boolValue(QString(Key::ShowPrefixSuffix)),
            settings.boolValue(QString(Key::ShowMiddleName))};
    }
};

QString nameString(const Person& person, const NameOptions& options, QString* first, QString* last)
{
    // Parts are trimmed: a name part of blanks (as some imported cards carry) would
    // otherwise leave doubled spaces in the shown name.
    const QString firstName = person.firstName.trimmed();
    const QString lastName = person.lastName.trimmed();
    const QString none;
    const QString& prefix = options.prefixSuffix ? person.prefix : none;
    const QString& suffix = options.prefixSuffix ? person.suffix : none;
    const QString& middle = options.middleName ? person.middleName : none;

    QString name;
    const auto add = [&name](const QString& part) {
        const QString trimmed = part.trimmed();
        if (trimmed.isEmpty())
            return;
        if (!name.isEmpty())
            name += u' ';
        name += trimmed;
    };
    if (options.firstNameFirst) {
        add(prefix);
        add(firstName);
        add(middle);
        add(lastName);
        add(suffix);
    } else {
        add(prefix);
        add(lastName);
        add(firstName);
        add(middle);
        add(suffix);
    }
    if (name.isEmpty())
        name = person.organization.trimmed();

    if (first)
        *first = firstName.isNull() ? QStringLiteral("") : firstName;
    if (last)
        *last = lastName.isNull() ? QStringLiteral("") : lastName;
    return name;
}

enum class SmartKind { None, Birthday, Anniversary };

struct SmartResult {
    SmartKind kind = SmartKind::None;
    QString name; // the shown name: unchanged when the rest of the label is blank
    QString rest; // the label without the word, untrimmed
};

// The smart-label step on one label: the first birthday word found in it makes a
// birthday named by the rest of the label; failing that, the first anniversary word
// makes an anniversary named "<contact> (<rest>)".
SmartResult smartLabelOf(const QString& label, const QString& contactName,
    const QStringList& birthdayWords, const QStringList& anniversaryWords)
{
    SmartResult result;
    if (label.isEmpty())
        return result;
    const auto firstContained = [&label](const QStringList& words) -> const QString* {
        for (const QString& word : words) {
            if (label.contains(word, Qt::CaseInsensitive))
                return &word;
        }
        return nullptr;
    };
    if (const QString* word = firstContained(birthdayWords)) {
        result.kind = SmartKind::Birthday;
        result.rest = QString(label).remove(*word, Qt::CaseInsensitive);
        const QString trimmed = result.rest.trimmed();
        result.name = trimmed.isEmpty() ? contactName : trimmed;
        return result;
    }
    if (const QString* word = firstContained(anniversaryWords)) {
        result.kind = SmartKind::Anniversary;
        result.rest = QString(label).remove(*word, Qt::CaseInsensitive);
        const QString trimmed = result.rest.trimmed();
        result.name = trimmed.isEmpty()
            ? contactName
            : TextFormat::format(AnniversaryNameFormat, {contactName, trimmed})
                  .value_or(contactName);
        return result;
    }
    return result;
}

} // namespace

// What one pass over the address book needs, read once rather than per person: with
// 10,000 people the settings' lock and the table lookups would otherwise dominate.
struct ContactReaderPass {
    bool showFacebook = false;
    bool smartLabels = false;
    NameOptions names;
    QStringList birthdayWords;
    QStringList anniversaryWords;
    QHash<std::int32_t, const OccasionRecord*> linkByContact; // the first link of each contact
};

namespace {

ContactReaderPass makePass(const ContactReader& reader, const Settings& settings,
    const std::vector<OccasionRecordPtr>& facebookLinks)
{
    ContactReaderPass pass;
    pass.showFacebook = settings.boolValue(QString(Key::ShowFacebook));
    pass.smartLabels = settings.boolValue(QString(Key::SmartLabels));
    pass.names = NameOptions::read(settings);
    if (pass.smartLabels) {
        pass.birthdayWords = reader.birthdayWords();
        pass.anniversaryWords = reader.anniversaryWords();
    }
    if (pass.showFacebook) {
        pass.linkByContact.reserve(int(facebookLinks.size()));
        for (const OccasionRecordPtr& link : facebookLinks) {
            if (link && !pass.linkByContact.contains(link->facebookToContactID))
                pass.linkByContact.insert(link->facebookToContactID, link.get());
        }
    }
    return pass;
}

} // namespace

ContactReader::ContactReader(const Settings& settings, const Texts& texts, const Calendar& calendar)
    : m_settings(settings), m_texts(texts), m_calendar(calendar)
{
}

QStringList ContactReader::birthdayWords() const
{
    return splitWords(m_texts.text(BirthdayWordsKey, BirthdayWordsDefault));
}

QStringList ContactReader::anniversaryWords() const
{
    return splitWords(m_texts.text(AnniversaryWordsKey, AnniversaryWordsDefault));
}

QString ContactReader::readAddressBook(const AddressBook& book,
    const std::vector<OccasionRecordPtr>& facebookLinks, const Output& out) const
{
    const qint64 groupID = m_settings.integerValue(QString(Key::ContactGroup));
    // Only names and dates become occasions.
    std::vector<Person> people = book.allPeopleNamesAndDates();
    QString problem = book.lastCallFailed() ? book.lastError() : QString();
    if (groupID != -1 && problem.isEmpty()) {
        // Members are taken in the book's order (record ids), not in the order they
        // joined the group, so the records come out the same however the group grew.
        // A group that is gone, or an id no group can have, selects nobody.
        QSet<std::int32_t> members;
        if (groupID >= INT32_MIN && groupID <= INT32_MAX && book.group(std::int32_t(groupID))) {
            const auto ids = book.groupMembers(std::int32_t(groupID));
            members = QSet<std::int32_t>(ids.begin(), ids.end());
        }
        if (book.lastCallFailed())
            problem = book.lastError();
        std::erase_if(
            people, [&members](const Person& p) { return !members.contains(p.recordID); });
    }

    const ContactReaderPass pass = makePass(*this, m_settings, facebookLinks);
    out.database.reserve(out.database.size() + people.size() * 2);
    if (out.allContacts)
        out.allContacts->reserve(out.allContacts->size() + people.size());
    for (const Person& person : people)
        process(pass, person, out, nullptr);
    return problem;
}

void ContactReader::processAddressBookRecord(const Person& person,
    const std::vector<OccasionRecordPtr>& facebookLinks, const Output& out,
    const OccasionCalculator* calculator) const
{
    process(makePass(*this, m_settings, facebookLinks), person, out, calculator);
}

void ContactReader::process(const ContactReaderPass& pass, const Person& person, const Output& out,
    const OccasionCalculator* calculator) const
{
    if (person.recordID == -1)
        return;

    const OccasionRecord* link = nullptr;
    if (pass.showFacebook) {
        const auto it = pass.linkByContact.constFind(person.recordID);
        if (it != pass.linkByContact.cend())
            link = *it;
    }
    const QString linkID = link ? link->customID : QString();

    QString first;
    QString last;
    const QString name = nameString(person, pass.names, &first, &last);

    const auto finish = [&](const OccasionRecordPtr& record) {
        record->firstName = first;
        record->lastName = last;
        if (calculator)
            calculator->calculate(*record);
        record->facebookLinkID = linkID;
        out.database.push_back(record);
    };

    QDateTime birthdayMoment;
    if (person.birthday.isValid()) {
        OccasionRecordPtr birthday = createOccasionForABRecord(
            name, person.recordID, OccasionRecord::Birthday, person.birthday, QString());
        birthdayMoment = birthday->rawDate;
        finish(birthday);
    } else if (link && link->rawDate.isValid()) {
        // The linked friend's birthday stands in for the missing one; its day is read in
        // the device's zone, where the Facebook entry's date was made.
        const DateParts day = m_calendar.components(link->rawDate);
        const QDate date(day.year, day.month, day.day);
        if (date.isValid()) {
            auto record = createOccasionForABRecord(
                name, person.recordID, OccasionRecord::Birthday, date, QString());
            record->ignoreYear = link->ignoreYear;
            record->isPhantomBirthday = true;
            finish(record);
        }
    }

    for (const Labeled<QDate>& value : person.dates) {
        if (!value.value.isValid())
            continue;
        const QString label = ContactLabel::ofDateValue(value.label);
        OccasionRecordPtr record;
        if (label == ContactLabel::Anniversary) {
            record = createOccasionForABRecord(
                name, person.recordID, OccasionRecord::Anniversary, value.value, label);
        } else {
            record = createOccasionForABRecord(
                name, person.recordID, OccasionRecord::OtherDate, value.value, label);
            if (pass.smartLabels)
                applySmartLabel(*record, pass.birthdayWords, pass.anniversaryWords);
        }
        finish(record);
    }

    if (out.allContacts) {
        auto contact = std::make_shared<OccasionRecord>();
        contact->recordID = person.recordID;
        // The birthday record's own moment: the same day, without asking the calendar again.
        contact->rawDate = birthdayMoment;
        contact->firstName = first;
        contact->lastName = last;
        out.allContacts->push_back(contact);
    }
}

OccasionRecordPtr ContactReader::createOccasionForABRecord(const QString& name,
    std::int32_t recordID, int type, const QDate& date, const QString& label) const
{
    auto record = std::make_shared<OccasionRecord>();
    record->recordID = recordID;
    record->isCustomEntry = false;
    record->type = type;
    record->otherDateLabel = label.isNull() ? QStringLiteral("") : label;
    record->name = name;
    record->originalName = name;
    record->abPhoto = OccasionRecord::PhotoNotLookedUp;
    // The book keeps calendar days, so the stored day is local midnight of that very day
    // in whatever zone the device is in (no shift for zones far from UTC).
    if (date.isValid())
        record->rawDate = m_calendar.date(date.year(), date.month(), date.day());
    record->lionNoYear = date.isValid() && date.year() == Person::NoYear;
    return record;
}

QString ContactReader::createNameString(
    const Person& person, const Settings& settings, QString* first, QString* last)
{
    return nameString(person, NameOptions::read(settings), first, last);
}

void ContactReader::applySmartLabel(OccasionRecord& record) const
{
    if (!m_settings.boolValue(QString(Key::SmartLabels)))
        return;
    applySmartLabel(record, birthdayWords(), anniversaryWords());
}

void ContactReader::applySmartLabel(
    OccasionRecord& record, const QStringList& birthday, const QStringList& anniversary) const
{
    if (record.type != OccasionRecord::OtherDate || record.otherDateLabel.isEmpty())
        return;
    const QString contactName = record.originalName.isEmpty() ? record.name : record.originalName;
    SmartResult smart = smartLabelOf(record.otherDateLabel, contactName, birthday, anniversary);
    switch (smart.kind) {
    case SmartKind::None:
        return;
    case SmartKind::Birthday:
        record.fakeBirthday = true;
        break;
    case SmartKind::Anniversary:
        record.fakeAnniversary = true;
        break;
    }
    record.name = std::move(smart.name);
    record.smartLabel = std::move(smart.rest);
}

QString ContactReader::indexedText(const OccasionRecord& record) const
{
    const bool contactDate = record.recordID != -1 && !record.isCustomEntry &&
        !record.isFacebookEntry && !record.isHoliday && record.type == OccasionRecord::OtherDate;
    if (!contactDate || !(record.fakeBirthday || record.fakeAnniversary) ||
        !m_settings.boolValue(QString(Key::SmartLabels)))
        return record.name;
    const QString contactName = record.originalName.isEmpty() ? record.name : record.originalName;
    const SmartResult smart =
        smartLabelOf(record.otherDateLabel, contactName, birthdayWords(), anniversaryWords());
    return smart.kind == SmartKind::None ? record.name : smart.name;
}

} // namespace fetemark
