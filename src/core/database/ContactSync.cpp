// The record database's side of contact edits: rebuilding a contact's records after it
// changed in the address book while keeping the user's choices and Facebook link, and
// writing dates to and removing them from contacts.
#include "core/database/RecordDatabase.h"

#include "core/database/OccasionCalculator.h"
#include "core/records/ContactLabels.h"
#include "core/settings/Settings.h"

#include "platform/addressbook/AddressBook.h"

#include <algorithm>

namespace fetemark {
namespace {

using Records = RecordDatabase::Records;

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

void carryChoices(const OccasionRecord& from, OccasionRecord& to)
{
    to.ignoreForUpcoming = from.ignoreForUpcoming;
    to.alertsOff = from.alertsOff;
    to.ignoreYear = from.ignoreYear;
}

} // namespace

bool RecordDatabase::hasRecordBeenUpdatedInAddressBook(const OccasionRecordPtr& record,
    OccasionRecordPtr* outNewRecord, OccasionRecordPtr* outFoundRecord)
{
    const std::int32_t contact = record->recordID;
    Records old;
    bool hadLinkedBirthday = false;
    QString linkID;
    for (const OccasionRecordPtr& r : m_records) {
        if (r->recordID != contact)
            continue;
        old.push_back(r);
        hadLinkedBirthday = hadLinkedBirthday || isLinkedBirthday(*r);
        if (!r->facebookLinkID.isEmpty())
            linkID = r->facebookLinkID;
    }
    removeAddressBookRecordFromDictionary(contact);
    const QString originalName = record->originalName;

    if (AddressBook* book = mainThreadAddressBook())
        book->save();
    refreshAddressBook();

    if (outFoundRecord)
        *outFoundRecord = nullptr;
    if (outNewRecord)
        *outNewRecord = nullptr;
    AddressBook* book = mainThreadAddressBook();
    const auto person = book ? book->person(contact) : std::nullopt;
    if (!person) {
        addAddressBookRecordToDictionary(contact);
        return true;
    }

    const ContactReader reader(m_deps.settings, m_texts, m_gregorian);
    const OccasionCalculator calc = calculator();
    Records contactEntry;
    auto readFresh = [&] {
        Records fresh;
        contactEntry.clear();
        reader.processAddressBookRecord(
            *person, m_facebookLinkRecords, {fresh, &contactEntry}, &calc);
        return fresh;
    };
    auto countMatched = [&old](const Records& fresh) {
        return std::count_if(old.begin(), old.end(), [&](const OccasionRecordPtr& o) {
            return std::any_of(fresh.begin(), fresh.end(),
                [&](const OccasionRecordPtr& f) { return sameOccasion(*o, *f); });
        });
    };

    Records fresh = readFresh();
    auto matched = countMatched(fresh);
    // The contact lost the birthday its Facebook friend was linked to: the link goes.
    if (hadLinkedBirthday &&
        std::none_of(fresh.begin(), fresh.end(),
            [](const OccasionRecordPtr& f) { return isLinkedBirthday(*f); })) {
        removeFacebookLinksForRecord(contact);
        fresh = readFresh();
        matched = countMatched(fresh);
        linkID.clear();
    }

    qsizetype kept = 0;
    OccasionRecordPtr found;
    OccasionRecordPtr added;
    for (const OccasionRecordPtr& f : fresh) {
        const bool isFound =
            (f->type == OccasionRecord::Birthday && record->type == OccasionRecord::Birthday) ||
            (f->type == record->type && f->otherDateLabel == record->otherDateLabel);
        if (isFound && !found)
            found = f;
        const bool isKept = std::any_of(old.begin(), old.end(),
            [&](const OccasionRecordPtr& o) { return sameOccasion(*o, *f); });
        if (isKept)
            ++kept;
        else if (!isFound)
            added = f;
    }

    bool changed =
        matched != qsizetype(old.size()) || kept != qsizetype(fresh.size()) || kept != matched;
    if (!fresh.empty() && fresh.front()->originalName != originalName)
        changed = true;

    if (changed) {
        m_records.erase(std::remove_if(m_records.begin(), m_records.end(),
                            [contact](const OccasionRecordPtr& r) {
                                return r->recordID == contact && !r->isCustomEntry &&
                                    !r->isFacebookEntry;
                            }),
            m_records.end());
        m_records.insert(m_records.end(), fresh.begin(), fresh.end());
    }
    addAddressBookRecordToDictionary(contact);
    // Facebook matching reads names and birthdays from the contact list.
    if (changed)
        replaceContactEntry(contact, contactEntry.empty() ? nullptr : contactEntry.back());

    if (changed && !old.empty()) {
        for (const OccasionRecordPtr& r : m_records) {
            if (r->recordID == contact)
                r->facebookLinkID = linkID;
        }
        for (const OccasionRecordPtr& o : old) {
            const auto target =
                std::find_if(m_records.begin(), m_records.end(), [&](const OccasionRecordPtr& r) {
                    return r->recordID == contact && r->otherDateLabel == o->otherDateLabel &&
                        r->type == o->type;
                });
            if (target != m_records.end())
                carryChoices(*o, **target);
        }
    }
    sortDatabase();
    if (!changed && found) {
        // Nothing was replaced: the found record is the listed one it equals, not the
        // fresh copy that was thrown away (records are compared by identity).
        const auto same = std::find_if(old.begin(), old.end(),
            [&](const OccasionRecordPtr& o) { return sameOccasion(*o, *found); });
        found = same != old.end() ? *same : nullptr;
    }
    if (outFoundRecord)
        *outFoundRecord = found;
    if (outNewRecord)
        *outNewRecord = added;
    return changed;
}

void RecordDatabase::updateAddressBookRecord(std::int32_t recordID)
{
    removeAddressBookRecordFromDictionary(recordID);
    Records old;
    QString linkID;
    bool hadLinkedBirthday = false;
    for (auto it = m_records.begin(); it != m_records.end();) {
        const OccasionRecordPtr r = *it;
        if (r->recordID == recordID && !r->isCustomEntry && !r->isFacebookEntry) {
            if (!r->facebookLinkID.isEmpty())
                linkID = r->facebookLinkID;
            hadLinkedBirthday = hadLinkedBirthday || isLinkedBirthday(*r);
            old.push_back(r);
            it = m_records.erase(it);
        } else {
            ++it;
        }
    }

    AddressBook* book = mainThreadAddressBook();
    const auto person = book ? book->person(recordID) : std::nullopt;
    if (!person) {
        // Gone from the book: gone from the contact list too (checkForRecordWithID).
        replaceContactEntry(recordID, nullptr);
        sortDatabase();
        return;
    }

    const ContactReader reader(m_deps.settings, m_texts, m_gregorian);
    const OccasionCalculator calc = calculator();
    Records contactEntry;
    auto readFresh = [&] {
        Records fresh;
        contactEntry.clear();
        reader.processAddressBookRecord(
            *person, m_facebookLinkRecords, {fresh, &contactEntry}, &calc);
        return fresh;
    };
    Records fresh = readFresh();
    // As in the change check: the birthday the Facebook friend was linked to is gone, so
    // the link goes, rather than the friend's birthday coming back as a phantom.
    if (hadLinkedBirthday &&
        std::none_of(fresh.begin(), fresh.end(),
            [](const OccasionRecordPtr& f) { return isLinkedBirthday(*f); })) {
        removeFacebookLinksForRecord(recordID);
        fresh = readFresh();
        linkID.clear();
    }
    for (const OccasionRecordPtr& f : fresh) {
        if (!old.empty())
            f->facebookLinkID = linkID;
        m_records.push_back(f);
        m_recordDictionary.add(f, reader.indexedText(*f));
    }
    for (const OccasionRecordPtr& o : old) {
        const auto target =
            std::find_if(fresh.begin(), fresh.end(), [&](const OccasionRecordPtr& f) {
                return f->recordID == o->recordID && f->rawDate == o->rawDate &&
                    f->otherDateLabel == o->otherDateLabel && f->type == o->type;
            });
        if (target != fresh.end())
            carryChoices(*o, **target);
    }
    replaceContactEntry(recordID, contactEntry.empty() ? nullptr : contactEntry.back());
    sortDatabase();
}

void RecordDatabase::addNewAddressBookRecord(std::int32_t recordID)
{
    // Told twice about the same contact (or about one already loaded): rebuild it
    // rather than list its dates twice.
    if (checkForRecordWithID(recordID) ||
        std::any_of(m_records.begin(), m_records.end(), [recordID](const OccasionRecordPtr& r) {
            return r->recordID == recordID && !r->isCustomEntry && !r->isFacebookEntry;
        })) {
        updateAddressBookRecord(recordID);
        return;
    }
    AddressBook* book = mainThreadAddressBook();
    const auto person = book ? book->person(recordID) : std::nullopt;
    if (!person)
        return;
    const ContactReader reader(m_deps.settings, m_texts, m_gregorian);
    const OccasionCalculator calc = calculator();
    Records fresh;
    reader.processAddressBookRecord(*person, m_facebookLinkRecords, {fresh, &m_allContacts}, &calc);
    for (const OccasionRecordPtr& f : fresh) {
        m_records.push_back(f);
        m_recordDictionary.add(f, reader.indexedText(*f));
    }
    sortDatabase();
}

void RecordDatabase::replaceContactEntry(std::int32_t recordID, const OccasionRecordPtr& entry)
{
    const auto it = std::find_if(m_allContacts.begin(), m_allContacts.end(),
        [recordID](const OccasionRecordPtr& c) { return c->recordID == recordID; });
    if (it == m_allContacts.end()) {
        if (entry)
            m_allContacts.push_back(entry);
    } else if (entry) {
        *it = entry;
    } else {
        m_allContacts.erase(it);
    }
}

void RecordDatabase::removeDateFromAddressBookRecord(const OccasionRecordPtr& record)
{
    refreshAddressBook();
    AddressBook* book = mainThreadAddressBook();
    const std::int32_t contact = record->recordID;
    if (book) {
        if (auto person = book->person(contact)) {
            bool edited = false;
            if (record->type == OccasionRecord::Birthday) {
                person->birthday = QDate();
                edited = true;
            } else if (record->type == OccasionRecord::Anniversary ||
                record->type == OccasionRecord::OtherDate) {
                const DateParts day = m_gregorian.components(record->rawDate);
                const QString unlabelled =
                    m_texts.text(QStringLiteral("lowercase_date"), QStringLiteral("date"));
                // An unlabelled value matches under the word the list shows for it; the
                // other values keep their (missing) labels.
                const auto it = std::find_if(
                    person->dates.begin(), person->dates.end(), [&](const Labeled<QDate>& d) {
                        const QString label = d.label.isEmpty() ? unlabelled : d.label;
                        return label == record->otherDateLabel &&
                            d.value == QDate(day.year, day.month, day.day);
                    });
                if (it != person->dates.end()) {
                    person->dates.erase(it);
                    edited = true;
                }
            }
            if (edited)
                book->updatePerson(*person);
            QString error;
            if (!book->save(&error))
                m_loadWarnings << error;
        }
    }
    refreshAddressBook();
    updateAddressBookRecord(contact);
}

bool RecordDatabase::addDatesToAddressBookRecord(
    std::int32_t recordID, const std::vector<NewContactDate>& dates)
{
    refreshAddressBook();
    AddressBook* book = mainThreadAddressBook();
    auto person = book ? book->person(recordID) : std::nullopt;
    if (!person)
        return false;
    for (const NewContactDate& d : dates) {
        switch (d.type) {
        case OccasionRecord::Birthday:
            person->birthday = d.date;
            break;
        case OccasionRecord::Anniversary:
            person->dates.push_back({QString(ContactLabel::Anniversary), d.date});
            break;
        case OccasionRecord::OtherDate:
            person->dates.push_back(
                {d.label.isEmpty() ? QString(ContactLabel::Other) : d.label, d.date});
            break;
        default:
            break;
        }
    }
    QString error;
    const bool ok = book->updatePerson(*person) && book->save(&error);
    if (!ok) {
        book->revert();
        m_loadWarnings << (error.isEmpty() ? book->lastError() : error);
    }
    refreshAddressBook();
    updateAddressBookRecord(recordID);
    for (const NewContactDate& d : dates) {
        const QString label = d.type == OccasionRecord::Anniversary
            ? QString(ContactLabel::Anniversary)
            : d.type == OccasionRecord::OtherDate
            ? (d.label.isEmpty() ? QString(ContactLabel::Other) : d.label)
            : QString::fromLatin1("");
        for (const OccasionRecordPtr& r : m_records) {
            if (r->recordID != recordID || r->type != d.type || r->otherDateLabel != label)
                continue;
            const DateParts day = m_gregorian.components(r->rawDate);
            if (QDate(day.year, day.month, day.day) == d.date) {
                r->ignoreYear = d.ignoreYear;
                break;
            }
        }
    }
    return ok;
}

} // namespace fetemark
