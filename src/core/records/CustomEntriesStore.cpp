#include "CustomEntriesStore.h"

#include "core/database/OccasionCalculator.h"
#include "core/records/ContactLabels.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Calendar.h"
#include "core/time/Clock.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/DamagedFile.h"
#include "platform/files/RegularFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>
#include <optional>

namespace fetemark {
namespace {

const QString DataFileName = QStringLiteral("CustomEntries.plist");
const QString MetadataFileName = QStringLiteral("ABMetadata.plist");
const QString CustomEntriesKey = QStringLiteral("Custom Entries");
const QString MetadataKey = QStringLiteral("AB Metadata");
const QString PhotoSuffix = QStringLiteral(".png");
constexpr int NoonHour = 12;

bool isKeptEntry(const OccasionRecord& r)
{
    return r.isCustomEntry || r.isFacebookEntry;
}

QDateTime atHour(const QDateTime& moment, const Calendar& calendar, int hour)
{
    if (!moment.isValid())
        return moment;
    const DateParts p = calendar.components(moment);
    return calendar.date(p.year, p.month, p.day, hour);
}

QDateTime midnightOf(const QDateTime& moment, const Calendar& calendar)
{
    return atHour(moment, calendar, 0);
}
QDateTime noonOf(const QDateTime& moment, const Calendar& calendar)
{
    return atHour(moment, calendar, NoonHour);
}

bool writeArchive(const QString& path, const QString& rootKey, std::vector<ArchiveValue> items,
    QString* error, StoreSnapshot* snapshot)
{
    if (snapshot && FileVersion::of(path) != snapshot->version) {
        if (error)
            *error = QStringLiteral("%1 was changed by another Fetemark program since it was "
                                    "read; nothing was written over it")
                         .arg(path);
        return false;
    }
    auto array = std::make_shared<ArchiveArray>();
    array->items = std::move(items);
    auto root = std::make_shared<ArchiveDictionary>();
    root->entries.emplace_back(rootKey, ArchiveValue::array(std::move(array)));
    QString archiveError;
    const std::optional<QByteArray> bytes =
        KeyedArchiver::archivedData(ArchiveValue::dictionary(root), &archiveError);
    if (!bytes) {
        if (error)
            *error = QStringLiteral("cannot archive %1: %2").arg(path, archiveError);
        return false;
    }
    if (snapshot && snapshot->version.exists() && snapshot->bytes == *bytes)
        return true;
    if (!AtomicFile::write(path, *bytes, error))
        return false;
    if (snapshot)
        *snapshot = {FileVersion::of(path), *bytes};
    return true;
}

// A copy of these very bytes already kept aside (a second load of the same file).
QString existingCopyAside(const QString& path, const QByteArray& bytes)
{
    const QFileInfo info(path);
    const QDir dir = info.absoluteDir();
    const QStringList names =
        dir.entryList({info.fileName() + QStringLiteral(".damaged-*")}, QDir::Files);
    for (const QString& name : names) {
        const QString candidate = dir.filePath(name);
        if (QFileInfo(candidate).size() != bytes.size())
            continue;
        QFile f(candidate);
        if (f.open(QIODevice::ReadOnly) && f.readAll() == bytes)
            return candidate;
    }
    return {};
}

// One of our archives as read: its bytes and the array under its root key, or the
// problem that kept it from being read.
struct ArchiveFile {
    QByteArray bytes;
    std::optional<ArchiveValue> root; // holds `items`
    const ArchiveArray* items = nullptr;
    QString problem;
};

// Only a regular file is read: a FIFO in its place would block every run.
QString readBytes(const QString& path, QByteArray& bytes)
{
    QString error;
    if (RegularFile::read(path, &bytes, &error) != RegularFile::ReadStatus::Read)
        return error;
    return {};
}

ArchiveFile readArchiveFile(const QString& path, const QString& rootKey)
{
    ArchiveFile file;
    file.problem = readBytes(path, file.bytes);
    if (!file.problem.isEmpty())
        return file;
    file.root = KeyedUnarchiver::unarchive(file.bytes, &file.problem);
    if (!file.root) {
        if (file.problem.isEmpty())
            file.problem = QStringLiteral("it is not a keyed archive");
        return file;
    }
    const ArchiveDictionary* dictionary = file.root->asDictionary();
    const ArchiveValue* list = dictionary ? dictionary->find(rootKey) : nullptr;
    file.items = list ? list->asArray() : nullptr;
    if (!dictionary)
        file.problem = QStringLiteral("its root is not a dictionary");
    else if (!list)
        file.problem = QStringLiteral("it has no \"%1\" entry").arg(rootKey);
    else if (!file.items)
        file.problem = QStringLiteral("its \"%1\" entry is not an array").arg(rootKey);
    return file;
}

// A file that cannot be used at all goes out of the way of the next write.
void moveAsideUnreadable(
    const QString& path, const QString& problem, const QDateTime& now, QStringList* warnings)
{
    const QString aside = damagedFileName(path, now);
    if (QDir().rename(path, aside)) {
        if (warnings)
            warnings->append(QStringLiteral("%1 could not be read (%2); it was moved to %3 and "
                                            "nothing of it was loaded.")
                                 .arg(path, problem, aside));
    } else if (warnings) {
        warnings->append(
            QStringLiteral("%1 could not be read (%2) nor moved aside; nothing of it was loaded.")
                .arg(path, problem));
    }
}

// A file with unreadable elements is copied aside (once for the same bytes), so that the
// next write cannot lose them.
void copyAsidePartlyRead(const QString& path, const QByteArray& bytes, const QString& count,
    const QDateTime& now, QStringList* warnings)
{
    QString aside = existingCopyAside(path, bytes);
    if (aside.isEmpty()) {
        aside = damagedFileName(path, now);
        if (!QFile::copy(path, aside))
            aside.clear();
    }
    if (!warnings)
        return;
    if (!aside.isEmpty())
        warnings->append(
            QStringLiteral("%1 entries of %2 could not be read and were left out; the file "
                           "as it was is kept as %3.")
                .arg(count, path, aside));
    else
        warnings->append(
            QStringLiteral("%1 entries of %2 could not be read and were left out; the file "
                           "could not be copied aside.")
                .arg(count, path));
}

// Reads one of our archives: an array of objects of `className` under `rootKey`. A file
// that cannot be used at all is moved aside; one with unreadable elements keeps the
// readable ones and is copied aside.
// How one archive is loaded: what it is, what its elements decode to, and what may be
// done with a damaged file.
template<typename T> struct ArchiveLoad {
    QString rootKey;
    QString className;
    std::function<std::shared_ptr<T>(const ArchiveValue&)> decode;
    QDateTime now;
    DataAccess access = DataAccess::ReadWrite;
};

// A damaged file in a read-only run stays where it is; the next run that may write
// moves it aside.
void reportUnreadable(const QString& path, const QString& problem, QStringList* warnings)
{
    if (warnings)
        warnings->append(QStringLiteral("%1 could not be read (%2); nothing of it was loaded.")
                             .arg(path, problem));
}

template<typename T>
std::vector<std::shared_ptr<T>> loadArchive(
    const QString& path, const ArchiveLoad<T>& how, QStringList* warnings, StoreSnapshot* snapshot)
{
    std::vector<std::shared_ptr<T>> result;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        if (snapshot)
            *snapshot = {};
        return result;
    }

    const ArchiveFile file = readArchiveFile(path, how.rootKey);
    if (!file.items) {
        if (how.access == DataAccess::ReadOnly)
            reportUnreadable(path, file.problem, warnings);
        else
            moveAsideUnreadable(path, file.problem, how.now, warnings);
        if (snapshot)
            *snapshot = {FileVersion::of(path), {}};
        return result;
    }
    if (snapshot)
        *snapshot = {FileVersion::of(path), file.bytes};
    const QString& className = how.className;
    const auto& decode = how.decode;

    int unreadable = 0;
    for (const ArchiveValue& item : file.items->items) {
        const ArchiveObject* object = item.asObject();
        std::shared_ptr<T> decoded;
        if (object && object->classes.contains(className))
            decoded = decode(item);
        if (decoded)
            result.push_back(std::move(decoded));
        else
            ++unreadable;
    }
    if (unreadable > 0) {
        const QString count =
            QStringLiteral("%1 of %2").arg(unreadable).arg(file.items->items.size());
        if (how.access == DataAccess::ReadOnly && warnings)
            warnings->append(QStringLiteral("%1 entries of %2 could not be read and were left out.")
                                 .arg(count, path));
        else
            copyAsidePartlyRead(path, file.bytes, count, how.now, warnings);
    }
    return result;
}

void takeChoice(const OccasionRecord& stored, OccasionRecord& record)
{
    record.alertsOff = stored.alertsOff;
    record.ignoreForUpcoming = stored.ignoreForUpcoming;
    if (!record.isPhantomBirthday)
        record.ignoreYear = stored.ignoreYear;
}

// Stored choices matched to the contacts' dates and holidays loaded before them.
class ChoiceMatch {
public:
    ChoiceMatch(const std::vector<OccasionRecordPtr>& database, std::size_t loadedCount)
        : m_database(database), m_loadedCount(loadedCount), m_chosen(loadedCount, false)
    {
    }

    // False when nothing loaded takes the choice (it is held over, or kept for
    // applyFormerChoices).
    bool apply(const OccasionRecordPtr& stored)
    {
        const OccasionRecord& s = *stored;
        bool holidayMatched = false;
        for (std::size_t i = 0; i < m_loadedCount; ++i) {
            if (!m_database[i])
                continue;
            OccasionRecord& c = *m_database[i];
            if (s.isHoliday && c.isHoliday && s.customID == c.customID) {
                c.ignoreForUpcoming = s.ignoreForUpcoming;
                c.alertsOff = s.alertsOff;
                holidayMatched = true;
            } else if (!s.isHoliday && s.recordID == c.recordID && s.rawDate == c.rawDate &&
                s.otherDateLabel == c.otherDateLabel && s.type == c.type) {
                // A holiday's choice belongs to its customID alone: another holiday on
                // the same day must not take it (nor stop the scan before the right one).
                takeChoice(s, c);
                m_chosen[i] = true;
                return true;
            }
        }
        if (!holidayMatched && isFormerUnlabelled(s))
            m_former.push_back(stored);
        return holidayMatched || isFormerUnlabelled(s);
    }

    // Choices earlier versions stored for an unlabelled date under its translated word
    // go to that date, unless a choice stored under its own label came first; they are
    // then carried by the date itself, so the next write stores them language-neutral.
    // Those that match nothing stay held over.
    void applyFormerChoices(std::vector<OccasionRecordPtr>& holdovers)
    {
        for (const OccasionRecordPtr& stored : m_former) {
            const OccasionRecord& s = *stored;
            bool matched = false;
            for (std::size_t i = 0; i < m_loadedCount && !matched; ++i) {
                const OccasionRecordPtr& c = m_database[i];
                matched = c && !c->isHoliday && c->recordID == s.recordID &&
                    c->rawDate == s.rawDate && c->type == s.type &&
                    c->otherDateLabel == ContactLabel::Unlabelled;
                if (matched && !m_chosen[i]) {
                    takeChoice(s, *c);
                    m_chosen[i] = true;
                }
            }
            if (!matched)
                holdovers.push_back(stored);
        }
    }

private:
    static bool isFormerUnlabelled(const OccasionRecord& s)
    {
        return !s.isHoliday && s.type == OccasionRecord::OtherDate &&
            ContactLabel::formerUnlabelledWords().contains(s.otherDateLabel);
    }

    const std::vector<OccasionRecordPtr>& m_database;
    std::size_t m_loadedCount;
    std::vector<bool> m_chosen;
    std::vector<OccasionRecordPtr> m_former;
};

} // namespace

CustomEntriesStore::CustomEntriesStore(const QString& dataDirectory)
    : m_directory(dataDirectory) { }

CustomEntriesStore::CustomEntriesStore(const QString& dataDirectory, const Clock& clock)
    : m_directory(dataDirectory), m_clock(&clock)
{
}

CustomEntriesStore::CustomEntriesStore(
    const QString& dataDirectory, const Clock& clock, DataAccess access)
    : m_directory(dataDirectory), m_clock(&clock), m_access(access)
{
}

QString CustomEntriesStore::dataFilePath() const
{
    return QDir(m_directory).filePath(DataFileName);
}

QString CustomEntriesStore::metadataFilePath() const
{
    return QDir(m_directory).filePath(MetadataFileName);
}

QString CustomEntriesStore::customPhotoFileName(const QString& customID) const
{
    return photoFilePath(m_directory, customID);
}

QString CustomEntriesStore::photoFilePath(const QString& directory, const QString& id)
{
    // The id comes from a file that anyone could have written: it must not lead the
    // photo outside the folder.
    if (id.isEmpty() || id.contains(QLatin1Char('/')) || id.contains(QLatin1String("..")) ||
        id.contains(QChar(0)))
        return {};
    return QDir(directory).filePath(id + PhotoSuffix);
}

std::vector<OccasionRecordPtr> CustomEntriesStore::loadEntries(
    QStringList* warnings, StoreSnapshot* snapshot) const
{
    const ArchiveLoad<OccasionRecord> how {CustomEntriesKey,
        QString::fromLatin1(OccasionRecord::ArchiveClassName), &OccasionRecord::initWithCoder,
        m_clock ? m_clock->now() : QDateTime::currentDateTimeUtc(), m_access};
    return loadArchive<OccasionRecord>(dataFilePath(), how, warnings, snapshot);
}

std::vector<OccasionABMetadataPtr> CustomEntriesStore::loadMetadata(
    QStringList* warnings, StoreSnapshot* snapshot) const
{
    const ArchiveLoad<OccasionABMetadata> how {MetadataKey,
        QString::fromLatin1(OccasionABMetadata::ArchiveClassName),
        &OccasionABMetadata::initWithCoder,
        m_clock ? m_clock->now() : QDateTime::currentDateTimeUtc(), m_access};
    return loadArchive<OccasionABMetadata>(metadataFilePath(), how, warnings, snapshot);
}

void CustomEntriesStore::readCustomEntries(const std::vector<OccasionRecordPtr>& stored,
    std::vector<OccasionRecordPtr>& database, std::vector<OccasionRecordPtr>& holdovers,
    const Settings& settings, const OccasionCalculator& calculator, const Calendar& calendar) const
{
    const bool showFacebook = settings.boolValue(Key::ShowFacebook);
    const bool showCustom = settings.boolValue(Key::ShowCustom);
    const bool contactsHidden = settings.boolValue(Key::HideContacts);
    const bool firstNameFirst = settings.boolValue(Key::FirstNameFirst);
    // Only records read before the stored ones (contacts, holidays) take choices.
    const std::size_t loadedCount = database.size();

    ChoiceMatch choices(database, loadedCount);
    for (const OccasionRecordPtr& s : stored) {
        if (!s)
            continue;
        if (!isKeptEntry(*s)) {
            if (!choices.apply(s))
                holdovers.push_back(s);
            continue;
        }

        const bool expired = s->onetime && s->rawDate.isValid() && calculator.isExpiredOneTime(*s);
        const bool shown = (!s->isFacebookEntry || showFacebook) &&
            !(s->isFacebookEntry && s->isIgnoredFacebook) && (!s->isCustomEntry || showCustom) &&
            (!(s->isFacebookEntry && s->isFacebookMatched) || contactsHidden) &&
            !expired
            // An entry without a date cannot be listed; held over it still survives writes.
            && s->rawDate.isValid();
        s->rawDate = midnightOf(s->rawDate, calendar);
        if (!shown) {
            holdovers.push_back(s);
            continue;
        }
        if (s->isFacebookEntry)
            s->name = firstNameFirst ? s->firstName + QLatin1Char(' ') + s->lastName
                                     : s->lastName + QLatin1Char(' ') + s->firstName;
        s->abPhoto = OccasionRecord::PhotoAbsent;
        database.push_back(s);
        if (s->versionID != QLatin1String(OccasionRecord::CurrentVersion) &&
            m_access == DataAccess::ReadWrite) {
            // Older files carry the photo inside the record; it moves to its own file. Kept
            // in memory when that fails (or in a read-only run), so the next write still
            // stores it.
            if (s->customPhoto.isNull() || writeCustomPhoto(*s))
                s->customPhoto = QImage();
        }
    }
    choices.applyFormerChoices(holdovers);
}

void CustomEntriesStore::readLinkedFacebookEntries(const std::vector<OccasionRecordPtr>& stored,
    std::vector<OccasionRecordPtr>& links, const Calendar& calendar)
{
    for (const OccasionRecordPtr& s : stored) {
        if (!s)
            continue;
        const bool matched =
            s->isFacebookEntry && s->isFacebookMatched && s->facebookToContactID != -1;
        if (!matched && !s->forcedFacebookUnlink)
            continue;
        s->rawDate = midnightOf(s->rawDate, calendar);
        s->abPhoto = OccasionRecord::PhotoAbsent;
        links.push_back(s);
    }
}

bool CustomEntriesStore::hasChoice(const OccasionRecord& record)
{
    return record.ignoreForUpcoming || record.ignoreYear || record.alertsOff ||
        !record.facebookLinkID.isEmpty();
}

bool CustomEntriesStore::writeCustomEntries(const std::vector<OccasionRecordPtr>& records,
    const std::vector<OccasionRecordPtr>& holdovers, const Calendar& calendar, QString* error,
    StoreSnapshot* snapshot) const
{
    std::vector<ArchiveValue> items;
    items.reserve(records.size() + holdovers.size());
    const auto add = [&](OccasionRecord& r) {
        if (isKeptEntry(r)) {
            r.rawDate = noonOf(r.rawDate, calendar);
            // The photo leaves the record only once it is safe in its own file (an older
            // file's photo of a held-over entry has never been written there).
            if (!r.customPhoto.isNull()) {
                const QString photoFile = customPhotoFileName(r.customID);
                if (!photoFile.isEmpty() && (QFileInfo(photoFile).isFile() || writeCustomPhoto(r)))
                    r.customPhoto = QImage();
            }
        }
        items.push_back(r.encodeWithCoder());
    };
    for (const OccasionRecordPtr& r : records) {
        if (!r || (!isKeptEntry(*r) && !hasChoice(*r)))
            continue;
        add(*r);
    }
    for (const OccasionRecordPtr& r : holdovers) {
        if (r)
            add(*r);
    }

    const bool ok =
        writeArchive(dataFilePath(), CustomEntriesKey, std::move(items), error, snapshot);

    for (const OccasionRecordPtr& r : records) {
        if (r && isKeptEntry(*r))
            r->rawDate = midnightOf(r->rawDate, calendar);
    }
    return ok;
}

bool CustomEntriesStore::writeABMetadata(const std::vector<OccasionABMetadataPtr>& metadata,
    QString* error, StoreSnapshot* snapshot) const
{
    std::vector<ArchiveValue> items;
    for (const OccasionABMetadataPtr& m : metadata) {
        if (m && !m->notes.isEmpty())
            items.push_back(m->encodeWithCoder());
    }
    return writeArchive(metadataFilePath(), MetadataKey, std::move(items), error, snapshot);
}

void CustomEntriesStore::readCustomPhoto(OccasionRecord& record) const
{
    if (!isKeptEntry(record))
        return;
    const QString path = customPhotoFileName(record.customID);
    QImage image;
    if (!path.isEmpty() && QFileInfo(path).isFile() && image.load(path)) {
        record.customPhoto = image;
        record.cPhoto = OccasionRecord::PhotoPresent;
    } else {
        record.cPhoto = OccasionRecord::PhotoAbsent;
    }
}

bool CustomEntriesStore::writeCustomPhoto(OccasionRecord& record) const
{
    if (!isKeptEntry(record) || record.customPhoto.isNull())
        return false;
    const QString path = customPhotoFileName(record.customID);
    if (path.isEmpty())
        return false;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!record.customPhoto.save(&buffer, "PNG"))
        return false;
    if (!AtomicFile::write(path, png, nullptr))
        return false;
    record.cPhoto = OccasionRecord::PhotoPresent;
    record.photo = QImage();
    return true;
}

void CustomEntriesStore::deleteCustomPhoto(OccasionRecord& record) const
{
    if (!isKeptEntry(record))
        return;
    const QString path = customPhotoFileName(record.customID);
    if (!path.isEmpty())
        QFile::remove(path);
    record.cPhoto = OccasionRecord::PhotoAbsent;
    record.photo = QImage();
}

void CustomEntriesStore::removeCustomPhoto(const OccasionRecord& record) const
{
    const QString path = customPhotoFileName(record.customID);
    if (!path.isEmpty() && QFileInfo(path).isFile())
        QFile::remove(path);
}

} // namespace fetemark
