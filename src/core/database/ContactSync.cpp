// Rebuilding a contact's records after it changed in the address book while keeping the
// user's choices and Facebook link, and writing dates to and removing them from contacts.
#include "ContactSync.h"

#include "core/database/ContactReader.h"
#include "core/database/OccasionCalculator.h"
#include "core/database/RecordDatabase.h"
#include "core/records/ContactLabels.h"
#include "core/settings/Settings.h"

#include "platform/addressbook/AddressBook.h"

#include <algorithm>

namespace fetemark {
namespace {

using Records = ContactSync::Records;

bool sameOccasion(const OccasionRecord& a, const OccasionRecord& b)
{
    return a.type == b.type && a.rawDate == b.rawDate && a.otherDateLabel == b.otherDateLabel &&
        a.isPhantomBirthday == b.isPhantomBirthday;
}

bool isLinkedBirthday(const OccasionRecord& r)
{
    return r.type == OccasionRecord::Birthday && !r.isPhantomBirthday &&
        !r.facebookLinkID.isEmpty();
}

bool isContactDate(const OccasionRecord& r, std::int32_t recordID)
{
    return r.recordID == recordID && !r.isCustomEntry && !r.isFacebookEntry;
}

bool hasSameOccasion(const Records& list, const OccasionRecord& record)
{
    return std::any_of(list.begin(), list.end(),
        [&](const OccasionRecordPtr& r) { return sameOccasion(*r, record); });
}

void carryChoices(const OccasionRecord& from, OccasionRecord& to)
{
    to.ignoreForUpcoming = from.ignoreForUpcoming;
    to.alertsOff = from.alertsOff;
    to.ignoreYear = from.ignoreYear;
}

QString labelForNewDate(const ContactSync::NewContactDate& d)
{
    switch (d.type) {
    case OccasionRecord::Anniversary:
        return QString(ContactLabel::Anniversary);
    case OccasionRecord::OtherDate:
        return d.label.isEmpty() ? QString(ContactLabel::Other) : d.label;
    default:
        return QString::fromLatin1("");
    }
}

void addDatesToPerson(Person& person, const std::vector<ContactSync::NewContactDate>& dates)
{
    for (const ContactSync::NewContactDate& d : dates) {
        if (d.type == OccasionRecord::Birthday)
            person.birthday = d.date;
        else if (d.type == OccasionRecord::Anniversary || d.type == OccasionRecord::OtherDate)
            person.dates.push_back({labelForNewDate(d), d.date});
    }
}

} // namespace

ContactSync::ContactSync(RecordDatabase& database) : m_db(database) { }

void ContactSync::ListedDates::add(const OccasionRecordPtr& record)
{
    records.push_back(record);
    hadLinkedBirthday = hadLinkedBirthday || isLinkedBirthday(*record);
    if (!record->facebookLinkID.isEmpty())
        facebookLinkID = record->facebookLinkID;
}

ContactReader ContactSync::reader() const
{
    return ContactReader(m_db.settings(), m_db.texts(), m_db.gregorian());
}

ContactSync::ListedDates ContactSync::listedDates(std::int32_t recordID) const
{
    ListedDates listed;
    for (const OccasionRecordPtr& r : m_db.m_records) {
        if (r->recordID == recordID)
            listed.add(r);
    }
    return listed;
}

ContactSync::ListedDates ContactSync::takeListedDates(std::int32_t recordID)
{
    ListedDates listed;
    Records& records = m_db.m_records;
    for (auto it = records.begin(); it != records.end();) {
        if (isContactDate(**it, recordID)) {
            listed.add(*it);
            it = records.erase(it);
        } else {
            ++it;
        }
    }
    return listed;
}

void ContactSync::saveAndRefreshAddressBook()
{
    if (AddressBook* book = m_db.mainThreadAddressBook())
        book->save();
    m_db.refreshAddressBook();
}

ContactSync::ContactDates ContactSync::readContact(const Person& person, ListedDates& listed)
{
    const ContactReader contactReader = reader();
    const OccasionCalculator calc = m_db.calculator();
    auto read = [&] {
        ContactDates dates;
        Records contactEntry;
        contactReader.processAddressBookRecord(
            person, m_db.m_facebookLinkRecords, {dates.records, &contactEntry}, &calc);
        dates.contactEntry = contactEntry.empty() ? nullptr : contactEntry.back();
        return dates;
    };
    ContactDates dates = read();
    if (listed.hadLinkedBirthday &&
        std::none_of(dates.records.begin(), dates.records.end(),
            [](const OccasionRecordPtr& f) { return isLinkedBirthday(*f); })) {
        m_db.removeFacebookLinksForRecord(person.recordID);
        dates = read();
        listed.facebookLinkID.clear();
    }
    return dates;
}

ContactSync::Comparison ContactSync::compare(
    const OccasionRecord& record, const Records& listed, const Records& fresh)
{
    Comparison result;
    const auto matched = std::count_if(listed.begin(), listed.end(),
        [&](const OccasionRecordPtr& o) { return hasSameOccasion(fresh, *o); });
    qsizetype kept = 0;
    for (const OccasionRecordPtr& f : fresh) {
        const bool isFound =
            (f->type == OccasionRecord::Birthday && record.type == OccasionRecord::Birthday) ||
            (f->type == record.type && f->otherDateLabel == record.otherDateLabel);
        if (isFound && !result.found)
            result.found = f;
        if (hasSameOccasion(listed, *f))
            ++kept;
        else if (!isFound)
            result.added = f;
    }
    result.changed = matched != qsizetype(listed.size()) || kept != qsizetype(fresh.size()) ||
        kept != matched || (!fresh.empty() && fresh.front()->originalName != record.originalName);
    if (!result.changed && result.found) {
        // Nothing is replaced: the found record is the listed one it equals, not the fresh
        // copy that is thrown away (records are compared by identity).
        const auto same = std::find_if(listed.begin(), listed.end(),
            [&](const OccasionRecordPtr& o) { return sameOccasion(*o, *result.found); });
        result.found = same != listed.end() ? *same : nullptr;
    }
    return result;
}

void ContactSync::replaceContactDates(std::int32_t recordID, const Records& fresh)
{
    Records& records = m_db.m_records;
    records.erase(
        std::remove_if(records.begin(), records.end(),
            [recordID](const OccasionRecordPtr& r) { return isContactDate(*r, recordID); }),
        records.end());
    records.insert(records.end(), fresh.begin(), fresh.end());
}

void ContactSync::restoreLinkAndChoices(std::int32_t recordID, const ListedDates& listed)
{
    const Records& records = m_db.m_records;
    for (const OccasionRecordPtr& r : records) {
        if (r->recordID == recordID)
            r->facebookLinkID = listed.facebookLinkID;
    }
    for (const OccasionRecordPtr& o : listed.records) {
        const auto target =
            std::find_if(records.begin(), records.end(), [&](const OccasionRecordPtr& r) {
                return r->recordID == recordID && r->otherDateLabel == o->otherDateLabel &&
                    r->type == o->type;
            });
        if (target != records.end())
            carryChoices(*o, **target);
    }
}

bool ContactSync::hasRecordBeenUpdatedInAddressBook(const OccasionRecordPtr& record,
    OccasionRecordPtr* outNewRecord, OccasionRecordPtr* outFoundRecord)
{
    const std::int32_t contact = record->recordID;
    ListedDates listed = listedDates(contact);
    m_db.removeAddressBookRecordFromDictionary(contact);
    saveAndRefreshAddressBook();

    if (outFoundRecord)
        *outFoundRecord = nullptr;
    if (outNewRecord)
        *outNewRecord = nullptr;
    AddressBook* book = m_db.mainThreadAddressBook();
    const auto person = book ? book->person(contact) : std::nullopt;
    if (!person) {
        m_db.addAddressBookRecordToDictionary(contact);
        return true;
    }

    const ContactDates fresh = readContact(*person, listed);
    const Comparison comparison = compare(*record, listed.records, fresh.records);
    if (comparison.changed)
        replaceContactDates(contact, fresh.records);
    m_db.addAddressBookRecordToDictionary(contact);
    if (comparison.changed) {
        // Facebook matching reads names and birthdays from the contact list.
        replaceContactEntry(contact, fresh.contactEntry);
        if (!listed.records.empty())
            restoreLinkAndChoices(contact, listed);
    }
    m_db.sortDatabase();
    if (outFoundRecord)
        *outFoundRecord = comparison.found;
    if (outNewRecord)
        *outNewRecord = comparison.added;
    return comparison.changed;
}

void ContactSync::updateAddressBookRecord(std::int32_t recordID)
{
    m_db.removeAddressBookRecordFromDictionary(recordID);
    ListedDates listed = takeListedDates(recordID);

    AddressBook* book = m_db.mainThreadAddressBook();
    const auto person = book ? book->person(recordID) : std::nullopt;
    if (!person) {
        // Gone from the book: gone from the contact list too (checkForRecordWithID).
        replaceContactEntry(recordID, nullptr);
        m_db.sortDatabase();
        return;
    }

    const ContactDates fresh = readContact(*person, listed);
    const ContactReader contactReader = reader();
    for (const OccasionRecordPtr& f : fresh.records) {
        if (!listed.records.empty())
            f->facebookLinkID = listed.facebookLinkID;
        m_db.m_records.push_back(f);
        if (m_db.m_recordDictionaryBuilt)
            m_db.m_recordDictionary.add(f, contactReader.indexedText(*f));
    }
    for (const OccasionRecordPtr& o : listed.records) {
        const auto target = std::find_if(
            fresh.records.begin(), fresh.records.end(), [&](const OccasionRecordPtr& f) {
                return f->recordID == o->recordID && f->rawDate == o->rawDate &&
                    f->otherDateLabel == o->otherDateLabel && f->type == o->type;
            });
        if (target != fresh.records.end())
            carryChoices(*o, **target);
    }
    replaceContactEntry(recordID, fresh.contactEntry);
    m_db.sortDatabase();
}

void ContactSync::addNewAddressBookRecord(std::int32_t recordID)
{
    // Told twice about the same contact (or about one already loaded): rebuild it
    // rather than list its dates twice.
    const Records& records = m_db.m_records;
    if (m_db.checkForRecordWithID(recordID) ||
        std::any_of(records.begin(), records.end(),
            [recordID](const OccasionRecordPtr& r) { return isContactDate(*r, recordID); })) {
        updateAddressBookRecord(recordID);
        return;
    }
    AddressBook* book = m_db.mainThreadAddressBook();
    const auto person = book ? book->person(recordID) : std::nullopt;
    if (!person)
        return;
    const ContactReader contactReader = reader();
    const OccasionCalculator calc = m_db.calculator();
    Records fresh;
    contactReader.processAddressBookRecord(
        *person, m_db.m_facebookLinkRecords, {fresh, &m_db.m_allContacts}, &calc);
    for (const OccasionRecordPtr& f : fresh) {
        m_db.m_records.push_back(f);
        if (m_db.m_recordDictionaryBuilt)
            m_db.m_recordDictionary.add(f, contactReader.indexedText(*f));
    }
    m_db.sortDatabase();
}

void ContactSync::replaceContactEntry(std::int32_t recordID, const OccasionRecordPtr& entry)
{
    Records& contacts = m_db.m_allContacts;
    const auto it = std::find_if(contacts.begin(), contacts.end(),
        [recordID](const OccasionRecordPtr& c) { return c->recordID == recordID; });
    if (it == contacts.end()) {
        if (entry)
            contacts.push_back(entry);
    } else if (entry) {
        *it = entry;
    } else {
        contacts.erase(it);
    }
}

bool ContactSync::removeDateFromPerson(Person& person, const OccasionRecord& record) const
{
    if (record.type == OccasionRecord::Birthday) {
        person.birthday = QDate();
        return true;
    }
    if (record.type != OccasionRecord::Anniversary && record.type != OccasionRecord::OtherDate)
        return false;
    const DateParts day = m_db.gregorian().components(record.rawDate);
    // The other values keep their (missing) labels.
    const auto it =
        std::find_if(person.dates.begin(), person.dates.end(), [&](const Labeled<QDate>& d) {
            return ContactLabel::ofDateValue(d.label) == record.otherDateLabel &&
                d.value == QDate(day.year, day.month, day.day);
        });
    if (it == person.dates.end())
        return false;
    person.dates.erase(it);
    return true;
}

void ContactSync::removeDateFromAddressBookRecord(const OccasionRecordPtr& record)
{
    m_db.refreshAddressBook();
    AddressBook* book = m_db.mainThreadAddressBook();
    const std::int32_t contact = record->recordID;
    if (auto person = book ? book->person(contact) : std::nullopt) {
        if (removeDateFromPerson(*person, *record))
            book->updatePerson(*person);
        QString error;
        if (!book->save(&error))
            m_db.m_loadWarnings << error;
    }
    m_db.refreshAddressBook();
    updateAddressBookRecord(contact);
}

void ContactSync::applyIgnoreYear(std::int32_t recordID, const std::vector<NewContactDate>& dates)
{
    for (const NewContactDate& d : dates) {
        const QString label = labelForNewDate(d);
        for (const OccasionRecordPtr& r : m_db.m_records) {
            if (r->recordID != recordID || r->type != d.type || r->otherDateLabel != label)
                continue;
            const DateParts day = m_db.gregorian().components(r->rawDate);
            if (QDate(day.year, day.month, day.day) == d.date) {
                r->ignoreYear = d.ignoreYear;
                break;
            }
        }
    }
}

bool ContactSync::addDatesToAddressBookRecord(
    std::int32_t recordID, const std::vector<NewContactDate>& dates)
{
    m_db.refreshAddressBook();
    AddressBook* book = m_db.mainThreadAddressBook();
    auto person = book ? book->person(recordID) : std::nullopt;
    if (!person)
        return false;
    addDatesToPerson(*person, dates);
    QString error;
    const bool ok = book->updatePerson(*person) && book->save(&error);
    if (!ok) {
        book->revert();
        m_db.m_loadWarnings << (error.isEmpty() ? book->lastError() : error);
    }
    m_db.refreshAddressBook();
    updateAddressBookRecord(recordID);
    applyIgnoreYear(recordID, dates);
    return ok;
}

} // namespace fetemark
