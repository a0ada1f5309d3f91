#pragma once

#include "core/records/OccasionRecord.h"
#include "core/time/Calendar.h"

#include "platform/addressbook/Person.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

namespace fetemark {

class AddressBook;
class OccasionCalculator;
class Settings;
class Texts;
struct ContactReaderPass;

// Turns the people of the address book into occasion records: a birthday record per
// person with a birthday (or a phantom birthday from a linked Facebook friend), and a
// record per dated field, named by the name settings, with smart labels applied.
// Reads settings at the point of use; one reader per thread.
class ContactReader {
public:
    ContactReader(const Settings& settings, const Texts& texts, const Calendar& calendar);

    struct Output {
        std::vector<OccasionRecordPtr>& database;    // records appended here
        std::vector<OccasionRecordPtr>* allContacts; // one entry per person read, or null
    };

    // Reads the people of group "198B" (all people when -1; nobody when that group is
    // gone). `facebookLinks` are the matched Facebook entries (readLinkedFacebookEntries).
    // People come in the book's order (record ids), members of a group too. Why the book
    // could not be read whole (its records are then missing); empty when it was.
    QString readAddressBook(const AddressBook& book,
        const std::vector<OccasionRecordPtr>& facebookLinks, const Output& out) const;

    // One person's records; computed with `calculator` when given (else left for later).
    void processAddressBookRecord(const Person& person,
        const std::vector<OccasionRecordPtr>& facebookLinks, const Output& out,
        const OccasionCalculator* calculator) const;

    OccasionRecordPtr createOccasionForABRecord(const QString& name, std::int32_t recordID,
        int type, const QDate& date, const QString& label) const;

    // The display name by the name settings; `first` and `last` receive the name parts
    // (empty strings when absent).
    static QString createNameString(const Person& person, const Settings& settings,
        QString* first = nullptr, QString* last = nullptr);

    // The smart-label step for a contact's other date (when "1147" is on).
    void applySmartLabel(OccasionRecord& record) const;
    // The text the search index uses for a record: its name, or for a date named by a
    // smart label the name rebuilt from the label.
    QString indexedText(const OccasionRecord& record) const;

    // The words of "SmartSort_Birthday" / "SmartSort_Anniversary" (split at "|").
    QStringList birthdayWords() const;
    QStringList anniversaryWords() const;

private:
    void process(const ContactReaderPass& pass, const Person& person, const Output& out,
        const OccasionCalculator* calculator) const;
    void applySmartLabel(
        OccasionRecord& record, const QStringList& birthday, const QStringList& anniversary) const;

    const Settings& m_settings;
    const Texts& m_texts;
    Calendar m_calendar;
};

} // namespace fetemark
