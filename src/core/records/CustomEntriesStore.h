#pragma once

#include "core/records/OccasionABMetadata.h"
#include "core/records/OccasionRecord.h"
#include "platform/files/DataAccess.h"
#include "platform/files/FileVersion.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace fetemark {

class Calendar;
class Clock;
class OccasionCalculator;
class Settings;

// What this program last read from or wrote to a store file: the file's version tells a
// change made by another program since (a store is then never written over, since that
// would bring back what the other program replaced), and the bytes let a write that
// would change nothing be skipped.
struct StoreSnapshot {
    FileVersion version;
    QByteArray bytes;
};

// The files Fetemark keeps beside the address book, in the data directory:
// "CustomEntries.plist" (custom and Facebook entries, the user's choices on contacts'
// dates and holidays, and held-over records), "ABMetadata.plist" (notes), and one
// "<customID>.png" per entry with a photo. Knows the rules of what is written, read
// back, held over and migrated; the record database calls it.
class CustomEntriesStore {
public:
    explicit CustomEntriesStore(const QString& dataDirectory);
    // `clock` (which must outlive the store) dates the names of damaged files kept aside;
    // without one the system clock does.
    CustomEntriesStore(const QString& dataDirectory, const Clock& clock);
    // A read-only store reports damaged files but leaves them where they are.
    CustomEntriesStore(const QString& dataDirectory, const Clock& clock, DataAccess access);

    QString dataFilePath() const;
    QString metadataFilePath() const;
    // Empty for an id that cannot name a file inside the data directory (empty, or with
    // "/", ".." or NUL, as a damaged or hostile file could carry): such an entry has no
    // photo file.
    QString customPhotoFileName(const QString& customID) const;
    // The same rule for any folder: "<directory>/<id>.png", or empty.
    static QString photoFilePath(const QString& directory, const QString& id);

    // The records of the custom entries file in file order, decoded once per load. A
    // file that cannot be read is moved aside (never deleted) and reads as empty; one
    // whose elements are partly unreadable keeps the readable ones and is also copied
    // aside, so the next write loses nothing for good. Either way `warnings` says so.
    // `snapshot` (when given) receives what was read, for the next write.
    std::vector<OccasionRecordPtr> loadEntries(
        QStringList* warnings = nullptr, StoreSnapshot* snapshot = nullptr) const;
    std::vector<OccasionABMetadataPtr> loadMetadata(
        QStringList* warnings = nullptr, StoreSnapshot* snapshot = nullptr) const;

    // Sorting the stored records into the load: shown ones are appended to `database`,
    // the rest to `holdovers`; stored choices are applied to the matching records
    // already in `database` (contacts' dates and holidays).
    void readCustomEntries(const std::vector<OccasionRecordPtr>& stored,
        std::vector<OccasionRecordPtr>& database, std::vector<OccasionRecordPtr>& holdovers,
        const Settings& settings, const OccasionCalculator& calculator,
        const Calendar& calendar) const;
    // The matched or force-unlinked Facebook entries among the stored records.
    static void readLinkedFacebookEntries(const std::vector<OccasionRecordPtr>& stored,
        std::vector<OccasionRecordPtr>& links, const Calendar& calendar);

    // Writes shown records that need storing and every holdover, atomically; custom and
    // Facebook dates at local noon in the file, back at midnight in memory afterwards.
    // With a `snapshot` of the file as last read or written, a file replaced since is
    // not written over (false, `error` says so), a write that would change nothing is
    // skipped, and the snapshot follows the write.
    bool writeCustomEntries(const std::vector<OccasionRecordPtr>& records,
        const std::vector<OccasionRecordPtr>& holdovers, const Calendar& calendar,
        QString* error = nullptr, StoreSnapshot* snapshot = nullptr) const;
    // Writes the notes that are not empty, atomically; `snapshot` as above.
    bool writeABMetadata(const std::vector<OccasionABMetadataPtr>& metadata,
        QString* error = nullptr, StoreSnapshot* snapshot = nullptr) const;

    // A contact's date or holiday that carries a choice of the user worth storing.
    static bool hasChoice(const OccasionRecord& record);

    // Photo files of custom and Facebook entries.
    void readCustomPhoto(OccasionRecord& record) const;
    bool writeCustomPhoto(OccasionRecord& record) const;
    void deleteCustomPhoto(OccasionRecord& record) const;
    void removeCustomPhoto(const OccasionRecord& record) const;

private:
    QString m_directory;
    const Clock* m_clock = nullptr;
    DataAccess m_access = DataAccess::ReadWrite;
};

} // namespace fetemark
