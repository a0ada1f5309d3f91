#pragma once

#include "core/records/OccasionRecord.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <vector>

namespace fetemark {

class ContactReader;
class RecordDatabase;
struct Person;

// Keeps the database's records of a contact in step with the address book: rebuilds them
// after the contact was edited elsewhere (keeping the user's choices and the Facebook
// link), and writes dates to and removes them from contacts. Works on the database's
// arrays on the main thread, like every operation but the load.
class ContactSync {
public:
    using Records = std::vector<OccasionRecordPtr>;

    struct NewContactDate {
        int type = OccasionRecord::Birthday;
        QDate date;    // year 1604 when the year is unknown
        QString label; // for other dates; empty gives the "other" label
        bool ignoreYear = false;
    };

    explicit ContactSync(RecordDatabase& database);

    // Re-reads the record's contact after an edit; true when its dates changed (or it is
    // gone). `outFoundRecord` receives the listed record of the same kind as `record`,
    // `outNewRecord` a date the edit added.
    bool hasRecordBeenUpdatedInAddressBook(const OccasionRecordPtr& record,
        OccasionRecordPtr* outNewRecord, OccasionRecordPtr* outFoundRecord);
    void updateAddressBookRecord(std::int32_t recordID);
    void addNewAddressBookRecord(std::int32_t recordID);
    void removeDateFromAddressBookRecord(const OccasionRecordPtr& record);
    // Adds dates to an existing contact; false when one could not be added.
    bool addDatesToAddressBookRecord(
        std::int32_t recordID, const std::vector<NewContactDate>& dates);

private:
    // A contact's dates as they were listed before it is read again.
    struct ListedDates {
        Records records;
        QString facebookLinkID;
        bool hadLinkedBirthday = false;
        void add(const OccasionRecordPtr& record);
    };
    // A contact's dates as read from the book now.
    struct ContactDates {
        Records records;
        OccasionRecordPtr contactEntry; // its entry for allContacts, or null
    };
    // How a re-read contact compares with what was listed.
    struct Comparison {
        bool changed = false;
        OccasionRecordPtr found;
        OccasionRecordPtr added;
    };

    // Replaces (or with null removes) a contact's entry in allContacts.
    void replaceContactEntry(std::int32_t recordID, const OccasionRecordPtr& entry);
    ContactReader reader() const;
    ListedDates listedDates(std::int32_t recordID) const;
    ListedDates takeListedDates(std::int32_t recordID);
    void saveAndRefreshAddressBook();
    // Reads the person's dates. When the birthday their Facebook friend was linked to is
    // gone, the link goes (rather than the friend's birthday coming back as a phantom) and
    // the person is read again.
    ContactDates readContact(const Person& person, ListedDates& listed);
    static Comparison compare(
        const OccasionRecord& record, const Records& listed, const Records& fresh);
    void replaceContactDates(std::int32_t recordID, const Records& fresh);
    void restoreLinkAndChoices(std::int32_t recordID, const ListedDates& listed);
    void applyIgnoreYear(std::int32_t recordID, const std::vector<NewContactDate>& dates);
    bool removeDateFromPerson(Person& person, const OccasionRecord& record) const;

    RecordDatabase& m_db;
};

} // namespace fetemark
