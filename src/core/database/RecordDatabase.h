#pragma once

#include "core/database/ContactReader.h"
#include "core/database/ContactSync.h"
#include "core/database/OccasionNotes.h"
#include "core/database/OccasionStore.h"
#include "core/database/SearchIndex.h"
#include "core/holidays/HolidayReader.h"
#include "core/operations/OperationQueue.h"
#include "core/phrases/DatePhrases.h"
#include "core/records/CustomEntriesStore.h"
#include "core/records/OccasionABMetadata.h"
#include "core/records/OccasionRecord.h"
#include "core/text/Texts.h"
#include "core/time/Calendar.h"
#include "core/time/DeviceEnvironment.h"
#include "platform/files/DataAccess.h"
#include "platform/files/DataDirectoryLock.h"

#include <QDate>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace fetemark {

class AddressBook;
class Clock;
class OccasionCalculator;
class Settings;

// Told when the database's content must be shown afresh.
class DatabaseObserver {
public:
    virtual ~DatabaseObserver() = default;
    virtual void databaseIsDirty() = 0;
};

// The one store of every occasion the application shows: contacts' dates from the
// address book, custom and Facebook entries and the user's choices from the stores
// beside it, merged, dated and sorted, with a search index. Keeping a contact's records in
// step with the address book is ContactSync's work and the notes are OccasionNotes'; the
// operations below forward to them.
//
// Threads: a load runs on the database's own queue with its own address book handle
// and builds everything privately; the result is published on the main thread (the
// thread of the object given to startLoadingDatabase), where every other operation
// runs. So the arrays are only ever touched by one thread.
class RecordDatabase final : public OccasionStore {
public:
    using Records = std::vector<OccasionRecordPtr>;

    struct Dependencies {
        Settings& settings;
        const Clock& clock;
        DeviceEnvironment device;
        QString dataDirectory;
        QString resourceRoot = QStringLiteral(":/resources");
        // Read-only: the address book is opened read-only and no store is written.
        DataAccess access = DataAccess::ReadWrite;
        // The data directory's lock: loads read under it shared, writes exclusively.
        // None for a database used alone (tests).
        DataDirectoryLock* lock = nullptr;
    };

    explicit RecordDatabase(Dependencies dependencies);
    ~RecordDatabase() override;

    // ---- Loading ----
    // Loads in the background; `callback` then runs on `target`'s thread. A newer start
    // cancels an older load, which then neither publishes nor calls back.
    void startLoadingDatabase(QObject* target, std::function<void()> callback);
    // Loads on the calling thread and publishes at once (the command line, tests).
    void loadDatabase();
    void resetRecordDatabase();
    // The device moved to another time zone: a load in progress is dropped, and dates
    // and phrases are made in `zoneId` from the next load on (the caller starts one).
    void setTimeZone(const QString& zoneId);
    bool isLoaded() const override { return m_loaded; }
    // Problems met by the last load (damaged stores moved aside, an unreadable book).
    QStringList takeLoadWarnings();
    // Why the last load could not read the whole address book (damaged, unreadable);
    // empty when it read it, or when there is none. The contacts it could read are loaded.
    QString addressBookProblem() const { return m_addressBookProblem; }

    // ---- What was loaded ----
    const Records& records() const override { return m_records; }
    const Records& holdoverRecords() const { return m_holdoverRecords; }
    const Records& allContacts() const { return m_allContacts; }
    const Records& facebookLinkRecords() const { return m_facebookLinkRecords; }
    const std::vector<OccasionABMetadataPtr>& abMetadataRecords() const
    {
        return m_notes.entries();
    }
    // Built on first use: a list that searches nothing never needs it.
    const SearchIndex& recordDictionary() const;
    QString currentLanguage() const { return m_currentLanguage; }
    const Calendar& gregorian() const { return m_gregorian; }
    const Texts& texts() const { return m_texts; }
    Settings& settings() const { return m_deps.settings; }
    const DeviceEnvironment& device() const { return m_deps.device; }
    const QString& resourceRoot() const { return m_deps.resourceRoot; }
    const Clock& clock() const { return m_deps.clock; }
    const QString& dataDirectory() const { return m_deps.dataDirectory; }

    // ---- Observers ----
    void addDatabaseObserver(DatabaseObserver* observer);
    void removeDatabaseObserver(DatabaseObserver* observer);
    void setDirty(bool dirty);

    // ---- Dates ----
    void calculateDataInArray();
    void calculateDataInArray(const Records& records) const;
    // A custom or Facebook record alone; a contact's record: every record of that contact.
    void calculateDataInArrayForRecord(const OccasionRecordPtr& record);
    void updateDataInRecord(OccasionRecord& record) const;
    int calculateUpcoming() override;
    void updateDatabase();
    void sortDatabase();
    void flushDetailStrings();

    // ---- Phrases ----
    // Sets the record's date texts, age and phrase from its computed dates, with the
    // settings and language as they are now.
    void populateStrings(OccasionRecord& record);
    // The same, only for a record whose phrase was not made yet or was flushed.
    void ensureStrings(OccasionRecord& record);
    const DatePhrases& phrases();
    void flushRoundedPhotos();
    void reprocessOneTimeEntries();

    // ---- Search index ----
    void setupRecordDictionary();
    void addRecordToDictionary(const OccasionRecordPtr& record);
    void removeRecordFromDictionary(const OccasionRecordPtr& record);
    void addAddressBookRecordToDictionary(std::int32_t recordID);
    void removeAddressBookRecordFromDictionary(std::int32_t recordID);

    // ---- Contacts ----
    AddressBook* mainThreadAddressBook();
    void refreshAddressBook();
    bool checkForRecordWithID(std::int32_t recordID) const;
    QString nameStringForRecordID(std::int32_t recordID); // null when the contact is gone
    static QString stringForType(int type, const Texts& texts);
    void populateABPhotoType(OccasionRecord& record);
    // Gives a record without its own picture its placeholder (as its `photo`) and
    // returns the placeholder's resource name; empty when it gets none.
    QString setBlankImageForRecord(OccasionRecord& record) const;

    // Change tracking after the contact was edited elsewhere; see ContactSync.
    bool hasRecordBeenUpdatedInAddressBook(const OccasionRecordPtr& record,
        OccasionRecordPtr* outNewRecord, OccasionRecordPtr* outFoundRecord);
    void updateAddressBookRecord(std::int32_t recordID);
    void addNewAddressBookRecord(std::int32_t recordID);
    void removeDateFromAddressBookRecord(const OccasionRecordPtr& record);
    using NewContactDate = ContactSync::NewContactDate;
    // Adds dates to an existing contact; false when one could not be added.
    bool addDatesToAddressBookRecord(
        std::int32_t recordID, const std::vector<NewContactDate>& dates);

    // ---- Facebook links ----
    void removeFacebookLinksForRecord(std::int32_t recordID);
    // Takes a Facebook friend's birthday out of the list for good: a Facebook entry is
    // marked ignored and held over; a contact's phantom birthday unlinks and ignores the
    // friend it stood for. The custom entries are written.
    void ignoreFacebookEntry(const OccasionRecordPtr& record);
    // A friend who is not ignored is linked to the record's contact.
    bool isRecordFacebookLinked(const OccasionRecord& record) const;
    // The record's contact has another listed date that is not a birthday.
    bool areOtherDatesForRecord(const OccasionRecord& record) const;

    // ---- Stores ----
    // Each write takes the data directory's lock exclusively and writes only over the
    // file this database last read or wrote: a store another program replaced since is
    // left alone (false, `error` says so; storesChangedElsewhere() then tells, and a
    // reload picks up the other program's change). A write that changes nothing is
    // skipped. Without `error`, a failure is kept with the load warnings.
    const CustomEntriesStore& store() const { return m_store; }
    bool writeCustomEntries(QString* error = nullptr);
    bool writeABMetadata(QString* error = nullptr);
    bool writeStores(QString* error = nullptr) override;
    // A store file was replaced by another program since this database read it.
    bool storesChangedElsewhere() const;
    bool addNewCustomRecord(
        const OccasionRecordPtr& record, bool writeEntriesToDisk, QString* error = nullptr);
    bool updateCustomRecord(const OccasionRecordPtr& record, QString* error = nullptr);
    bool removeCustomRecord(const OccasionRecordPtr& record, QString* error = nullptr);
    void showHideCustom(bool show);

    // ---- Notes ----
    // A record's notes from the store of its kind: a custom entry's own; a Facebook
    // entry's or holiday's beside the address book; a contact's on the card (trimmed)
    // when "addressbooknotes" is on, else beside the address book. Never null.
    QString getNotes(const OccasionRecord& record) { return getNotesForOccasionRecord(record); }
    // Stores a record's notes in that store at once, under the data directory's lock. A
    // card keeps empty notes as one space. False with `error` when the store could not be
    // written or the contact is gone.
    bool setNotes(OccasionRecord& record, const QString& text, QString* error = nullptr);
    QString getNotesForOccasionRecord(const OccasionRecord& record);
    QString getNotesForRecordID(std::int32_t recordID) const;
    void setNotes(const QString& notes, std::int32_t recordID);
    QString getNotesForFacebook(const QString& customID) const;
    void setNotesForFacebook(const QString& notes, const QString& customID);
    QString getNotesForHoliday(const QString& customID) const;
    void setNotesForHoliday(const QString& notes, const QString& customID);

    // ---- Holidays ----
    // The reader of holiday records for today as the clock says now.
    HolidayReader holidayReader();
    static QString categoryPhotoFileName(const QString& category)
    {
        return HolidayReader::categoryPhotoFileName(category);
    }
    QString categoryHolidayPhotoFileName(const QString& category, const QString& holiday);
    OccasionRecordPtr recordForHoliday(
        const QString& holiday, const QString& category, bool forceIt = false);
    static bool duplicateHoliday(
        const QString& holiday, const QString& category, const Records& records)
    {
        return HolidayReader::duplicateHoliday(holiday, category, records);
    }
    // Appends the checked holidays to `target` while holidays are shown; with
    // `forceDictionary` each also enters the search index.
    void readHolidays(Records& target, bool forceDictionary);
    void readHolidays() { readHolidays(m_records, true); }
    // Rebuilds every holiday record after the choice of holidays, "04H0" or the past
    // days changed. The reminder and exclusion flags the user set on a holiday stay
    // with it, also while it is unchecked (held over), and come back when it is checked.
    void updateHolidays();
    // Unchecks the record's holiday, drops its record and its flags, and stores the
    // choice. False with `error` when the settings or the stores could not be written.
    bool unsubscribeHoliday(const OccasionRecordPtr& record, QString* error = nullptr);

private:
    // Works on the arrays below for the contact operations.
    friend class ContactSync;

    struct LoadResult;
    std::shared_ptr<LoadResult> buildLoad(const Operation* operation) const;
    void readContacts(LoadResult& result, const Settings& settings, const Texts& texts,
        const Calendar& calendar) const;
    void publish(LoadResult& result);
    void indexRecords() const;
    OccasionCalculator calculator() const;
    void sortRecords(Records& records) const;
    // A custom or Facebook entry the load would list now (else it is held over).
    bool isListedEntry(const OccasionRecord& record, const OccasionCalculator& calc) const;
    HolidayReader holidayReader(const Calendar& calendar, const Texts& texts) const;
    // Moves holidays whose day has passed (beyond the past days) to their next day in
    // the table: a holiday does not come round on the same day of the next year.
    void redateHolidays();
    // A store write: refused in a read-only run, else under the exclusive lock.
    bool writeStore(const std::function<bool(QString*)>& write, QString* error);
    bool reportWrite(bool written, const QString& problem, QString* error);

    Dependencies m_deps;
    Calendar m_gregorian;
    QString m_currentLanguage;
    Texts m_texts;
    CustomEntriesStore m_store;
    // Made on first use; dropped with the phrases, since it holds the settings it read.
    std::unique_ptr<DatePhrases> m_phrases;

    Records m_records;
    Records m_holdoverRecords;
    Records m_allContacts;
    Records m_facebookLinkRecords;
    OccasionNotes m_notes;
    // Until it is first asked for, the index is not kept: changes to the records go
    // unrecorded, and the first use indexes the records as they are then.
    mutable SearchIndex m_recordDictionary;
    mutable bool m_recordDictionaryBuilt = false;
    bool m_loaded = false;
    QStringList m_loadWarnings;
    StoreSnapshot m_entriesSnapshot;
    StoreSnapshot m_metadataSnapshot;
    QString m_addressBookProblem;
    ContactSync m_contactSync;

    std::unique_ptr<AddressBook> m_mainThreadAddressBook;
    std::unique_ptr<OperationQueue> m_operationQueue;
    // Lives on the main thread; a finished load wakes it to take the pending result.
    std::unique_ptr<QObject> m_mainThreadContext;
    quint64 m_loadGeneration = 0;

    // A finished background load waiting for the main thread. Handed over under our own
    // lock (not only through the event queue), and only the newest is kept.
    struct PendingLoad {
        quint64 generation = 0;
        std::shared_ptr<LoadResult> result;
        QPointer<QObject> target;
        std::function<void()> callback;
    };
    void deliverPendingLoad();
    std::mutex m_pendingMutex;
    std::optional<PendingLoad> m_pending;

    std::mutex m_observerMutex;
    std::vector<DatabaseObserver*> m_observerList;
};

} // namespace fetemark
