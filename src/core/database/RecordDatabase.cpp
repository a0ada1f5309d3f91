#include "RecordDatabase.h"

#include "core/database/OccasionCalculator.h"
#include "core/list/ListPhotos.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Clock.h"

#include "platform/addressbook/AddressBook.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>

#include <algorithm>

namespace fetemark {

// Everything one load builds before it is published.
struct RecordDatabase::LoadResult {
    Records database;
    Records holdovers;
    Records allContacts;
    Records facebookLinks;
    std::vector<OccasionABMetadataPtr> metadata;
    QStringList warnings;
    StoreSnapshot entriesSnapshot;
    StoreSnapshot metadataSnapshot;
    QString addressBookProblem;
};

namespace {

QString addressBookPath(const QString& dataDirectory)
{
    return QDir(dataDirectory).filePath(QStringLiteral("AddressBook.sqlite"));
}

// A handle on the book for what the run may do; nullptr with `error` empty when a
// read-only run finds no book.
std::unique_ptr<AddressBook> openAddressBook(
    const QString& dataDirectory, DataAccess access, QString* error, bool* damaged = nullptr)
{
    const QString path = addressBookPath(dataDirectory);
    if (access == DataAccess::ReadOnly)
        return AddressBook::openReadOnly(path, error, damaged);
    return AddressBook::create(path, error, damaged);
}

// The load warning for a book that could not be read: damage comes with the commands
// that look into it and save what is left.
QString addressBookWarning(const QString& problem, bool damaged)
{
    if (!damaged)
        return QStringLiteral("The address book could not be read: %1").arg(problem);
    return QStringLiteral("The address book could not be read: %1. Run 'fetemark contacts "
                          "check' to see what is wrong and 'fetemark contacts recover' to save "
                          "what can still be read.")
        .arg(problem);
}

template<typename T> void eraseRecord(std::vector<T>& list, const T& record)
{
    list.erase(std::remove(list.begin(), list.end(), record), list.end());
}

// The database's object on the main thread. A background load that finished posts it a
// bare event; the result itself waits in the database under its lock.
class LoadInbox final : public QObject {
public:
    explicit LoadInbox(std::function<void()> onLoadFinished)
        : m_onLoadFinished(std::move(onLoadFinished))
    {
        eventType();
    }
    static QEvent::Type eventType()
    {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != eventType())
            return QObject::event(e);
        m_onLoadFinished();
        return true;
    }

private:
    std::function<void()> m_onLoadFinished;
};

} // namespace

RecordDatabase::RecordDatabase(Dependencies dependencies)
    : m_deps(std::move(dependencies)), m_gregorian(m_deps.device.timeZoneId),
      m_currentLanguage(m_deps.device.currentLanguage()),
      m_texts(m_currentLanguage, m_deps.resourceRoot),
      m_store(m_deps.dataDirectory, m_deps.clock, m_deps.access), m_notes(m_deps.settings),
      m_contactSync(*this), m_operationQueue(std::make_unique<OperationQueue>(1)),
      m_mainThreadContext(std::make_unique<LoadInbox>([this] { deliverPendingLoad(); }))
{
}

RecordDatabase::~RecordDatabase()
{
    // The queue's destructor cancels the load and waits for it; an event it already
    // posted to the main thread dies with the context object, its result with us.
    m_operationQueue.reset();
}

// ---- Loading ----

OccasionCalculator RecordDatabase::calculator() const
{
    return OccasionCalculator(m_gregorian, m_deps.clock.now(), m_deps.settings);
}

void RecordDatabase::sortRecords(Records& records) const
{
    std::stable_sort(records.begin(), records.end(), OccasionRecord::sortsBefore);
}

std::shared_ptr<RecordDatabase::LoadResult> RecordDatabase::buildLoad(
    const Operation* operation) const
{
    auto cancelled = [operation] { return operation && operation->isCancelled(); };
    // This may run on the load's own thread: it uses its own calendar, texts and
    // address book handle, and only reads the settings.
    const Calendar calendar(m_deps.device.timeZoneId);
    const Texts texts(m_currentLanguage, m_deps.resourceRoot);
    const Settings& settings = m_deps.settings;
    auto result = std::make_shared<LoadResult>();
    // Shared: no other program replaces a store half-way through this read. Without
    // the lock (it timed out) each file is still whole, as every save renames it in.
    QString lockProblem;
    const DataDirectoryLock::Holder lock(
        m_deps.lock, DataDirectoryLock::Mode::Shared, &lockProblem);
    if (!lock.isHeld())
        result->warnings << lockProblem;

    const Records stored = m_store.loadEntries(&result->warnings, &result->entriesSnapshot);
    // The link list is a separate set of records, as if read from the file again.
    Records storedCopies;
    storedCopies.reserve(stored.size());
    for (const OccasionRecordPtr& record : stored)
        storedCopies.push_back(record->copy());
    CustomEntriesStore::readLinkedFacebookEntries(storedCopies, result->facebookLinks, calendar);
    if (cancelled())
        return nullptr;

    // Holidays first: the stored choices read last find them, as they find contacts.
    if (settings.boolValue(QString(Key::ShowHolidays))) {
        holidayReader(calendar, texts)
            .readHolidays(HolidaySubscriptions::fromSettings(settings), result->database);
    }
    if (!settings.boolValue(QString(Key::HideContacts)))
        readContacts(*result, settings, texts, calendar);
    if (cancelled())
        return nullptr;

    const OccasionCalculator calc(calendar, m_deps.clock.now(), settings);
    m_store.readCustomEntries(
        stored, result->database, result->holdovers, settings, calc, calendar);
    result->metadata = m_store.loadMetadata(&result->warnings, &result->metadataSnapshot);
    calc.calculate(result->database);
    sortRecords(result->database);
    if (cancelled())
        return nullptr;
    return result;
}

void RecordDatabase::readContacts(LoadResult& result, const Settings& settings, const Texts& texts,
    const Calendar& calendar) const
{
    const ContactReader reader(settings, texts, calendar);
    QString error;
    bool damaged = false;
    const auto book = openAddressBook(m_deps.dataDirectory, m_deps.access, &error, &damaged);
    if (book) {
        error = reader.readAddressBook(
            *book, result.facebookLinks, {result.database, &result.allContacts});
        damaged = book->isDamaged();
    }
    if (error.isEmpty())
        return;
    result.addressBookProblem = error;
    result.warnings << addressBookWarning(error, damaged);
}

void RecordDatabase::publish(LoadResult& result)
{
    m_holdoverRecords = std::move(result.holdovers);
    m_records = std::move(result.database);
    m_notes.replaceEntries(std::move(result.metadata));
    m_recordDictionary.clear();
    m_recordDictionaryBuilt = false;
    m_allContacts = std::move(result.allContacts);
    m_facebookLinkRecords = std::move(result.facebookLinks);
    m_loadWarnings += result.warnings;
    m_entriesSnapshot = std::move(result.entriesSnapshot);
    m_metadataSnapshot = std::move(result.metadataSnapshot);
    m_addressBookProblem = result.addressBookProblem;
    // Settings read by the phrases may have changed since the last load.
    m_phrases.reset();
    m_loaded = true;
}

void RecordDatabase::loadDatabase()
{
    ++m_loadGeneration;
    m_loaded = false;
    m_operationQueue->cancelAllOperations();
    m_operationQueue->waitUntilAllOperationsAreFinished();
    {
        std::lock_guard lock(m_pendingMutex);
        m_pending.reset();
    }
    if (auto result = buildLoad(nullptr))
        publish(*result);
}

void RecordDatabase::setTimeZone(const QString& zoneId)
{
    // The load reads the zone on its own thread: it stops before the zone changes.
    m_operationQueue->cancelAllOperations();
    m_operationQueue->waitUntilAllOperationsAreFinished();
    ++m_loadGeneration;
    m_deps.device.timeZoneId = zoneId;
    m_gregorian = Calendar(zoneId);
    m_phrases.reset();
}

void RecordDatabase::startLoadingDatabase(QObject* target, std::function<void()> callback)
{
    m_loaded = false;
    // One serial queue: a newer load starts once the cancelled older one has stopped,
    // and the generation check keeps the older one from publishing after it.
    m_operationQueue->cancelAllOperations();
    const quint64 generation = ++m_loadGeneration;
    QPointer<QObject> callbackTarget(target);
    // Outlives every load: the destructor waits for the queue before it goes.
    QObject* inbox = m_mainThreadContext.get();
    m_operationQueue->addOperation(
        [this, generation, callbackTarget, callback, inbox](const Operation& op) {
            auto result = buildLoad(&op);
            if (!result || op.isCancelled())
                return;
            {
                std::lock_guard lock(m_pendingMutex);
                m_pending = PendingLoad {generation, std::move(result), callbackTarget, callback};
            }
            QCoreApplication::postEvent(inbox, new QEvent(LoadInbox::eventType()));
        });
}

void RecordDatabase::deliverPendingLoad()
{
    std::optional<PendingLoad> pending;
    {
        std::lock_guard lock(m_pendingMutex);
        pending.swap(m_pending);
    }
    // Overtaken by a newer start, a synchronous load or a reset: dropped unseen.
    if (!pending || pending->generation != m_loadGeneration)
        return;
    publish(*pending->result);
    if (pending->callback && pending->target)
        pending->callback();
}

void RecordDatabase::resetRecordDatabase()
{
    // A load still running would only be thrown away: the generation check drops its
    // result, and cancelling spares the work.
    ++m_loadGeneration;
    m_operationQueue->cancelAllOperations();
    {
        std::lock_guard lock(m_pendingMutex);
        m_pending.reset();
    }
    m_loaded = false;
    m_records.clear();
    m_notes.clear();
    m_holdoverRecords.clear();
    m_allContacts.clear();
    m_facebookLinkRecords.clear();
    m_recordDictionary.clear();
    m_recordDictionaryBuilt = false;
}

QStringList RecordDatabase::takeLoadWarnings()
{
    QStringList out;
    out.swap(m_loadWarnings);
    return out;
}

// ---- Observers ----

void RecordDatabase::addDatabaseObserver(DatabaseObserver* observer)
{
    std::lock_guard lock(m_observerMutex);
    if (std::find(m_observerList.begin(), m_observerList.end(), observer) == m_observerList.end())
        m_observerList.push_back(observer);
}

void RecordDatabase::removeDatabaseObserver(DatabaseObserver* observer)
{
    std::lock_guard lock(m_observerMutex);
    eraseRecord(m_observerList, observer);
}

void RecordDatabase::setDirty(bool dirty)
{
    if (!dirty)
        return;
    std::vector<DatabaseObserver*> observers;
    {
        std::lock_guard lock(m_observerMutex);
        observers = m_observerList;
    }
    // Told outside the lock, so an observer may add or remove observers. One removed by
    // an earlier observer of this round (and perhaps destroyed) is not told.
    for (DatabaseObserver* observer : observers) {
        {
            std::lock_guard lock(m_observerMutex);
            if (std::find(m_observerList.begin(), m_observerList.end(), observer) ==
                m_observerList.end())
                continue;
        }
        observer->databaseIsDirty();
    }
}

// ---- Dates ----

void RecordDatabase::calculateDataInArray()
{
    redateHolidays();
    calculateDataInArray(m_records);
}

void RecordDatabase::calculateDataInArray(const Records& records) const
{
    calculator().calculate(records);
}

void RecordDatabase::updateDataInRecord(OccasionRecord& record) const
{
    calculator().calculate(record);
}

void RecordDatabase::calculateDataInArrayForRecord(const OccasionRecordPtr& record)
{
    const OccasionCalculator calc = calculator();
    auto recompute = [&](OccasionRecord& r) {
        calc.calculate(r);
        // The phrases follow the new dates when the row is next shown.
        r.detailedText.clear();
        r.detailedTextSansType.clear();
        r.dateText.clear();
        r.longDateText.clear();
    };
    if (record->isCustomEntry || record->isFacebookEntry || record->recordID < 0) {
        recompute(*record);
        return;
    }
    for (const OccasionRecordPtr& r : m_records) {
        if (r->recordID == record->recordID)
            recompute(*r);
    }
}

int RecordDatabase::calculateUpcoming()
{
    return calculator().calculateUpcoming(m_records, m_deps.settings);
}

void RecordDatabase::updateDatabase()
{
    calculateDataInArray();
    sortDatabase();
}

void RecordDatabase::sortDatabase()
{
    sortRecords(m_records);
}

void RecordDatabase::flushDetailStrings()
{
    m_phrases.reset();
    for (const OccasionRecordPtr& r : m_records) {
        r->detailedText = QString();
        r->detailedTextSansType = QString();
    }
}

// ---- Phrases ----

const DatePhrases& RecordDatabase::phrases()
{
    if (!m_phrases)
        m_phrases = std::make_unique<DatePhrases>(m_deps.settings, m_texts, m_deps.device);
    return *m_phrases;
}

void RecordDatabase::populateStrings(OccasionRecord& record)
{
    phrases().populateStrings(record, m_deps.clock.now());
}

void RecordDatabase::ensureStrings(OccasionRecord& record)
{
    if (record.detailedText.isNull() || record.dateText.isNull())
        populateStrings(record);
}

void RecordDatabase::flushRoundedPhotos()
{
    // The list stops its photo preparation first; the lock keeps a straggler out.
    std::lock_guard lock(ListPhotos::photoMutex());
    for (const OccasionRecordPtr& r : m_records) {
        r->photo = QImage();
        r->abPhoto = OccasionRecord::PhotoNotLookedUp;
        r->cPhoto = OccasionRecord::PhotoNotLookedUp;
    }
    refreshAddressBook();
}

void RecordDatabase::reprocessOneTimeEntries()
{
    const OccasionCalculator calc = calculator();
    const bool showCustom = m_deps.settings.boolValue(QString(Key::ShowCustom));
    auto isOneTime = [](const OccasionRecord& r) { return r.isCustomEntry && r.onetime; };

    for (auto it = m_records.begin(); it != m_records.end();) {
        const OccasionRecordPtr r = *it;
        if (isOneTime(*r) && (calc.isExpiredOneTime(*r) || !showCustom)) {
            it = m_records.erase(it);
            m_recordDictionary.remove(r);
            m_holdoverRecords.push_back(r);
        } else {
            ++it;
        }
    }
    if (showCustom) {
        const ContactReader reader(m_deps.settings, m_texts, m_gregorian);
        for (auto it = m_holdoverRecords.begin(); it != m_holdoverRecords.end();) {
            const OccasionRecordPtr r = *it;
            // An entry without a date is never listed (the load holds it over too).
            if (isOneTime(*r) && r->rawDate.isValid() && !calc.isExpiredOneTime(*r)) {
                it = m_holdoverRecords.erase(it);
                r->rawDate = m_gregorian.startOfDay(r->rawDate);
                calc.calculate(*r);
                // Phrases made while it was last shown may tell an old distance.
                r->detailedText = QString();
                r->detailedTextSansType = QString();
                m_records.push_back(r);
                if (m_recordDictionaryBuilt)
                    m_recordDictionary.add(r, reader.indexedText(*r));
            } else {
                ++it;
            }
        }
    }
    sortDatabase();
}

// ---- Search index ----

const SearchIndex& RecordDatabase::recordDictionary() const
{
    if (!m_recordDictionaryBuilt)
        indexRecords();
    return m_recordDictionary;
}

void RecordDatabase::indexRecords() const
{
    m_recordDictionary.clear();
    const ContactReader reader(m_deps.settings, m_texts, m_gregorian);
    for (const OccasionRecordPtr& r : m_records)
        m_recordDictionary.add(r, reader.indexedText(*r));
    m_recordDictionaryBuilt = true;
}

void RecordDatabase::setupRecordDictionary()
{
    indexRecords();
}

void RecordDatabase::addRecordToDictionary(const OccasionRecordPtr& record)
{
    if (!m_recordDictionaryBuilt)
        return;
    const ContactReader reader(m_deps.settings, m_texts, m_gregorian);
    m_recordDictionary.add(record, reader.indexedText(*record));
}

void RecordDatabase::removeRecordFromDictionary(const OccasionRecordPtr& record)
{
    m_recordDictionary.remove(record);
}

void RecordDatabase::addAddressBookRecordToDictionary(std::int32_t recordID)
{
    if (!m_recordDictionaryBuilt)
        return;
    const ContactReader reader(m_deps.settings, m_texts, m_gregorian);
    for (const OccasionRecordPtr& r : m_records) {
        if (r->recordID == recordID)
            m_recordDictionary.add(r, reader.indexedText(*r));
    }
}

void RecordDatabase::removeAddressBookRecordFromDictionary(std::int32_t recordID)
{
    m_recordDictionary.removeContact(recordID);
}

// ---- Contacts ----

AddressBook* RecordDatabase::mainThreadAddressBook()
{
    if (!m_mainThreadAddressBook) {
        QString error;
        m_mainThreadAddressBook = openAddressBook(m_deps.dataDirectory, m_deps.access, &error);
        if (!m_mainThreadAddressBook && !error.isEmpty())
            m_loadWarnings << QStringLiteral("The address book could not be opened: %1").arg(error);
    }
    return m_mainThreadAddressBook.get();
}

void RecordDatabase::refreshAddressBook()
{
    // A fresh handle sees everything committed since; the next use opens it.
    m_mainThreadAddressBook.reset();
}

bool RecordDatabase::checkForRecordWithID(std::int32_t recordID) const
{
    return std::any_of(m_allContacts.begin(), m_allContacts.end(),
        [recordID](const OccasionRecordPtr& c) { return c->recordID == recordID; });
}

QString RecordDatabase::nameStringForRecordID(std::int32_t recordID)
{
    AddressBook* book = mainThreadAddressBook();
    if (!book)
        return QString();
    const auto person = book->person(recordID);
    if (!person)
        return QString();
    // Null means "gone": a contact without any name part still exists.
    const QString name = ContactReader::createNameString(*person, m_deps.settings);
    return name.isNull() ? QString::fromLatin1("") : name;
}

QString RecordDatabase::stringForType(int type, const Texts& texts)
{
    switch (type) {
    case OccasionRecord::Birthday:
        return texts.text(QStringLiteral("Birthday"), QStringLiteral("Birthday"));
    case OccasionRecord::Anniversary:
        return texts.text(QStringLiteral("Anniversary"), QStringLiteral("Anniversary"));
    case OccasionRecord::OtherDate:
        return texts.text(QStringLiteral("Other"), QStringLiteral("Other"));
    case OccasionRecord::Holiday:
        return texts.text(QStringLiteral("Holiday"), QStringLiteral("Holiday"));
    default:
        return QString::fromLatin1("");
    }
}

void RecordDatabase::populateABPhotoType(OccasionRecord& record)
{
    if (record.isCustomEntry || record.recordID < 0) {
        record.abPhoto = OccasionRecord::PhotoAbsent;
        return;
    }
    AddressBook* book = mainThreadAddressBook();
    record.abPhoto = book && book->hasImageData(record.recordID) ? OccasionRecord::PhotoPresent
                                                                 : OccasionRecord::PhotoAbsent;
}

QString RecordDatabase::setBlankImageForRecord(OccasionRecord& record) const
{
    if (!record.photo.isNull() || record.isHoliday)
        return {};
    const Settings& settings = m_deps.settings;
    const QString size = settings.boolValue(QString(Key::LargeRows)) ? QStringLiteral("Medium")
                                                                     : QStringLiteral("Small");
    const bool facebookMark = settings.boolValue(QString(Key::FacebookPhotoMark));
    const bool contactMark = settings.boolValue(QString(Key::ContactPhotoMark));
    auto blank = [&](const char* suffix) {
        return QStringLiteral("BlankPhoto_%1%2.png").arg(size, QLatin1String(suffix));
    };

    const bool linked =
        !record.isCustomEntry && !record.isFacebookEntry && record.isFacebookLinked(settings);
    const QString name = [&]() -> QString {
        if (record.isCustomEntry || record.isFacebookEntry) {
            if (record.cPhoto != OccasionRecord::PhotoAbsent)
                return {};
            if (record.isFacebookEntry && facebookMark)
                return blank("_Facebook");
            return blank("");
        }
        if (record.abPhoto != OccasionRecord::PhotoAbsent)
            return {};
        if (!linked)
            return blank(contactMark ? "Contact" : "");
        if (!facebookMark)
            return blank(contactMark ? "Contact" : "");
        return blank(contactMark ? "_FacebookContact" : "_Facebook");
    }();
    if (name.isEmpty())
        return name;

    // The record shows the blank as its photo. Blanks are shared by many rows, and this
    // runs on the photo preparation thread too: each is read once, under a lock.
    static std::mutex blanksMutex;
    static QHash<QString, QImage> blanks;
    const QString path = m_deps.resourceRoot + QStringLiteral("/images/") + name;
    std::lock_guard lock(blanksMutex);
    auto it = blanks.find(path);
    if (it == blanks.end()) {
        QImage image(path);
        image.setDevicePixelRatio(2); // the artwork is drawn at two pixels per point
        it = blanks.insert(path, image);
    }
    record.photo = *it;
    return name;
}

// ---- Contact edits ----

bool RecordDatabase::hasRecordBeenUpdatedInAddressBook(const OccasionRecordPtr& record,
    OccasionRecordPtr* outNewRecord, OccasionRecordPtr* outFoundRecord)
{
    return m_contactSync.hasRecordBeenUpdatedInAddressBook(record, outNewRecord, outFoundRecord);
}

void RecordDatabase::updateAddressBookRecord(std::int32_t recordID)
{
    m_contactSync.updateAddressBookRecord(recordID);
}

void RecordDatabase::addNewAddressBookRecord(std::int32_t recordID)
{
    m_contactSync.addNewAddressBookRecord(recordID);
}

void RecordDatabase::removeDateFromAddressBookRecord(const OccasionRecordPtr& record)
{
    m_contactSync.removeDateFromAddressBookRecord(record);
}

bool RecordDatabase::addDatesToAddressBookRecord(
    std::int32_t recordID, const std::vector<NewContactDate>& dates)
{
    return m_contactSync.addDatesToAddressBookRecord(recordID, dates);
}

// ---- Facebook links ----

void RecordDatabase::removeFacebookLinksForRecord(std::int32_t recordID)
{
    for (const OccasionRecordPtr& r : m_records) {
        if (r->recordID == recordID && !r->isCustomEntry && !r->isFacebookEntry)
            r->facebookLinkID = QString();
    }
    auto unlink = [recordID](const Records& list) {
        for (const OccasionRecordPtr& r : list) {
            if (r->isFacebookEntry && r->facebookToContactID == recordID) {
                r->facebookToContactID = -1;
                r->isIgnoredFacebook = true;
            }
        }
    };
    unlink(m_holdoverRecords);
    unlink(m_facebookLinkRecords);
}

// ---- Stores ----

bool RecordDatabase::writeStore(const std::function<bool(QString*)>& write, QString* error)
{
    QString problem;
    if (m_deps.access == DataAccess::ReadOnly)
        return reportWrite(false, QStringLiteral("a read-only run writes no store"), error);
    const DataDirectoryLock::Holder lock(m_deps.lock, DataDirectoryLock::Mode::Exclusive, &problem);
    if (!lock.isHeld())
        return reportWrite(false, problem, error);
    return reportWrite(write(&problem), problem, error);
}

bool RecordDatabase::reportWrite(bool written, const QString& problem, QString* error)
{
    if (!written) {
        if (error)
            *error = problem;
        else
            m_loadWarnings << problem;
    }
    return written;
}

bool RecordDatabase::writeCustomEntries(QString* error)
{
    return writeStore(
        [this](QString* problem) {
            return m_store.writeCustomEntries(
                m_records, m_holdoverRecords, m_gregorian, problem, &m_entriesSnapshot);
        },
        error);
}

bool RecordDatabase::writeABMetadata(QString* error)
{
    return writeStore(
        [this](QString* problem) {
            return m_store.writeABMetadata(m_notes.entries(), problem, &m_metadataSnapshot);
        },
        error);
}

bool RecordDatabase::writeStores(QString* error)
{
    // Saving on the way out: a read-only run has nothing of its own to save.
    if (m_deps.access == DataAccess::ReadOnly)
        return true;
    QString entriesProblem;
    QString metadataProblem;
    const bool entries = writeCustomEntries(&entriesProblem);
    const bool metadata = writeABMetadata(&metadataProblem);
    if (!entries || !metadata) {
        const QString problem = !entries && !metadata
            ? entriesProblem + QStringLiteral("; ") + metadataProblem
            : entries ? metadataProblem
                      : entriesProblem;
        return reportWrite(false, problem, error);
    }
    return true;
}

bool RecordDatabase::storesChangedElsewhere() const
{
    return FileVersion::of(m_store.dataFilePath()) != m_entriesSnapshot.version ||
        FileVersion::of(m_store.metadataFilePath()) != m_metadataSnapshot.version;
}

bool RecordDatabase::isListedEntry(
    const OccasionRecord& record, const OccasionCalculator& calc) const
{
    // The rule the load sorts stored entries by, so that an entry added or shown again
    // in this run is listed exactly when a reload would list it.
    const Settings& settings = m_deps.settings;
    if (record.isFacebookEntry) {
        if (!settings.boolValue(QString(Key::ShowFacebook)) || record.isIgnoredFacebook)
            return false;
        if (record.isFacebookMatched && !settings.boolValue(QString(Key::HideContacts)))
            return false;
    }
    if (record.isCustomEntry && !settings.boolValue(QString(Key::ShowCustom)))
        return false;
    return record.rawDate.isValid() && !calc.isExpiredOneTime(record);
}

bool RecordDatabase::addNewCustomRecord(
    const OccasionRecordPtr& record, bool writeEntriesToDisk, QString* error)
{
    record->abPhoto = OccasionRecord::PhotoAbsent;
    const OccasionCalculator calc = calculator();
    if (isListedEntry(*record, calc)) {
        m_records.push_back(record);
        calculateDataInArrayForRecord(record);
        addRecordToDictionary(record);
    } else {
        // Ignored or matched Facebook friends, and entries of a hidden source or already
        // past: kept, not listed.
        m_holdoverRecords.push_back(record);
    }
    if (!record->customPhoto.isNull())
        m_store.writeCustomPhoto(*record);
    if (!writeEntriesToDisk)
        return true;
    sortDatabase();
    return writeCustomEntries(error);
}

bool RecordDatabase::updateCustomRecord(const OccasionRecordPtr& record, QString* error)
{
    calculateDataInArrayForRecord(record);
    removeRecordFromDictionary(record);
    if (std::find(m_records.begin(), m_records.end(), record) != m_records.end())
        addRecordToDictionary(record);
    sortDatabase();
    if (!record->customPhoto.isNull())
        m_store.writeCustomPhoto(*record);
    return writeCustomEntries(error);
}

bool RecordDatabase::removeCustomRecord(const OccasionRecordPtr& record, QString* error)
{
    eraseRecord(m_records, record);
    // A held-over entry (hidden source, past one-time entry) is removed for good too.
    eraseRecord(m_holdoverRecords, record);
    removeRecordFromDictionary(record);
    sortDatabase();
    // The photo goes only with the entry: after a failed write the entry is still stored.
    if (!writeCustomEntries(error))
        return false;
    m_store.removeCustomPhoto(*record);
    return true;
}

void RecordDatabase::showHideCustom(bool show)
{
    if (show) {
        const OccasionCalculator calc = calculator();
        for (auto it = m_holdoverRecords.begin(); it != m_holdoverRecords.end();) {
            const OccasionRecordPtr r = *it;
            // Undated and past one-time entries stay held over, as a reload keeps them.
            if (r->isCustomEntry && r->rawDate.isValid() && !calc.isExpiredOneTime(*r)) {
                it = m_holdoverRecords.erase(it);
                r->rawDate = m_gregorian.startOfDay(r->rawDate);
                calc.calculate(*r);
                r->detailedText = QString();
                r->detailedTextSansType = QString();
                m_records.push_back(r);
                addRecordToDictionary(r);
            } else {
                ++it;
            }
        }
    } else {
        for (auto it = m_records.begin(); it != m_records.end();) {
            const OccasionRecordPtr r = *it;
            if (r->isCustomEntry) {
                it = m_records.erase(it);
                m_recordDictionary.remove(r);
                m_holdoverRecords.push_back(r);
            } else {
                ++it;
            }
        }
    }
    sortDatabase();
}

// ---- Notes ----

QString RecordDatabase::getNotesForOccasionRecord(const OccasionRecord& record)
{
    return m_notes.forRecord(record, [this](std::int32_t recordID) {
        AddressBook* book = mainThreadAddressBook();
        const auto person = book ? book->person(recordID) : std::nullopt;
        return person ? person->note.trimmed() : QString();
    });
}

bool RecordDatabase::setNotes(OccasionRecord& record, const QString& text, QString* error)
{
    if (record.isCustomEntry) {
        const QString before = record.notes;
        record.notes = text;
        if (writeCustomEntries(error))
            return true;
        record.notes = before;
        return false;
    }
    if (record.isFacebookEntry || record.isHoliday || record.recordID < 0 ||
        m_deps.settings.integerValue(QString(Key::AddressBookNotes)) == 0) {
        const bool contact = !record.isFacebookEntry && !record.isHoliday;
        const auto set = [&](const QString& notes) {
            if (contact)
                m_notes.setForContact(notes, record.recordID);
            else
                m_notes.setForCustomID(notes, record.customID);
        };
        const QString before =
            contact ? m_notes.forContact(record.recordID) : m_notes.forCustomID(record.customID);
        set(text);
        if (writeABMetadata(error))
            return true;
        // What is shown stays what is stored.
        set(before);
        return false;
    }
    const bool written = writeStore(
        [&](QString* problem) {
            AddressBook* book = mainThreadAddressBook();
            std::optional<Person> person = book ? book->person(record.recordID) : std::nullopt;
            if (!person) {
                *problem = QStringLiteral("the contact of this occasion is gone");
                return false;
            }
            // The card keeps empty notes as one space.
            person->note = text.isEmpty() ? QStringLiteral(" ") : text;
            if (book->updatePerson(*person) && book->save(problem))
                return true;
            if (problem->isEmpty())
                *problem = book->lastError();
            book->revert();
            return false;
        },
        error);
    if (written)
        refreshAddressBook();
    return written;
}

QString RecordDatabase::getNotesForRecordID(std::int32_t recordID) const
{
    return m_notes.forContact(recordID);
}

void RecordDatabase::setNotes(const QString& notes, std::int32_t recordID)
{
    m_notes.setForContact(notes, recordID);
}

QString RecordDatabase::getNotesForFacebook(const QString& customID) const
{
    return m_notes.forCustomID(customID);
}

void RecordDatabase::setNotesForFacebook(const QString& notes, const QString& customID)
{
    m_notes.setForCustomID(notes, customID);
}

QString RecordDatabase::getNotesForHoliday(const QString& customID) const
{
    return m_notes.forCustomID(customID);
}

void RecordDatabase::setNotesForHoliday(const QString& notes, const QString& customID)
{
    m_notes.setForCustomID(notes, customID);
}

} // namespace fetemark
