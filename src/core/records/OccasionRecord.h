#pragma once

#include "platform/archive/ArchiveValue.h"

#include <QDateTime>
#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace fetemark {

class Settings;
class Texts;

// One dated occasion: a contact's birthday, anniversary or other date, a custom entry
// kept only by Fetemark, a Facebook friend's birthday, or a holiday.
//
// Records are shared (std::shared_ptr) between the database's arrays and whoever shows
// them, and equality is identity: two records are never "equal" because their fields
// match. Hence no copy constructor; copy() makes an independent record of the fields
// that identify and describe the occasion.
//
// Threads: a record is filled on the loading thread and only reaches the main thread
// through the database's publication of whole arrays; after that it is read and changed
// on the main thread alone.
class OccasionRecord {
public:
    enum Type : int { Birthday = 0, Anniversary = 1, OtherDate = 2, Holiday = 3 };
    enum PhotoState : int { PhotoNotLookedUp = 0, PhotoAbsent = 1, PhotoPresent = 2 };

    // The version written with every record. A stored custom or Facebook entry of
    // another version still carries its photo inside the archive.
    static constexpr const char* CurrentVersion = "1.1";
    static constexpr const char* ArchiveClassName = "OccasionRecord";

    OccasionRecord() = default;
    OccasionRecord(const OccasionRecord&) = delete;
    OccasionRecord& operator=(const OccasionRecord&) = delete;

    // ---- Stored: identity and source (archived) ----
    std::int32_t recordID = -1; // the contact's address book id; -1 for none
    int type = Birthday;
    QDateTime rawDate;      // local midnight in memory; local noon on disk for custom/Facebook
    QString otherDateLabel; // raw label of the contact's date, or the entry's own label
    QString notes;          // notes of a custom entry
    QString name;
    QString firstName;
    QString lastName;
    bool isCustomEntry = false;
    bool isFacebookEntry = false;
    bool isIgnoredFacebook = false;
    bool isFacebookMatched = false;
    std::int32_t facebookToContactID = -1;
    bool forcedFacebookUnlink = false;
    QString facebookLinkID; // on a contact's record: customID of the linked Facebook entry
    bool isHoliday = false;
    QString customID; // UUID, Facebook id, or "<category>_<holiday>"
    QString versionID;
    QImage customPhoto; // archived only while set

    // ---- Stored: the user's choices (archived) ----
    bool ignoreYear = false;
    bool onetime = false;
    int oneTimeYear = 0;
    bool alertsOff = false;
    bool ignoreForUpcoming = false; // cleared once the occasion is 91 or more days away

    // ---- Set while loading, not archived ----
    QString originalName; // the contact's name before a smart label changed `name`
    QString smartLabel;
    bool fakeBirthday = false;
    bool fakeAnniversary = false;
    bool isPhantomBirthday = false;
    bool lionNoYear = false; // the address book date had the no-year mark (year 1604)
    QString category;
    QString holidayKey;
    QString holidayInfo;
    QString holidayPhotoFilename;
    QString sortaMatches;
    bool newFacebookEntry = false;
    QImage photo; // display picture cache
    int abPhoto = PhotoNotLookedUp;
    int cPhoto = PhotoNotLookedUp;

    // ---- Derived: recomputed by the record database ----
    QDateTime sortDate; // local midnight of the next (or still listed past) occurrence
    int month = 0;
    int daysUntilDate = 0;
    bool isUpcoming = false;
    bool isBelated = false;
    QString notificationDate; // sortDate as upper-case hex seconds since 1970
    int age = 0;
    QString detailedText; // phrases; null until made
    QString detailedTextSansType;
    QString longDateText;
    QString dateText;

    // ---- Archiving ----
    ArchiveValue encodeWithCoder() const;
    // Decodes a record; nullptr when `object` is not an archived object at all.
    static std::shared_ptr<OccasionRecord> initWithCoder(const ArchiveValue& object);

    // An independent record with the identity, stored and listed display fields (not the
    // photos, phrases, day counts or load-time marks).
    std::shared_ptr<OccasionRecord> copy() const;

    // Sort order of the list: sortDate ascending, then name, case-sensitively.
    // Negative, zero or positive as a comes before, ties with or follows b. A record
    // without a sortDate comes before every dated one.
    static int compareSortDate(const OccasionRecord& a, const OccasionRecord& b);
    static int compareSortDateAndNewFacebook(const OccasionRecord& a, const OccasionRecord& b)
    {
        return compareSortDate(a, b);
    }
    static bool sortsBefore(
        const std::shared_ptr<OccasionRecord>& a, const std::shared_ptr<OccasionRecord>& b)
    {
        return compareSortDate(*a, *b) < 0;
    }

    // Linked to a Facebook friend, while Facebook entries are shown.
    bool isFacebookLinked(const Settings& settings) const;

    static QString GetUUID();
    // The display form of an address book label ("_$!<Other>!$_" → "other").
    static QString formattedCustomLabel(const QString& label, const Texts& texts);
    // Date patterns without a year for the interface language (two upper-case letters)
    // and the device locale.
    static QString getMediumDateFormatNoYear(const QString& language, const QString& localeName);
    static QString getLongDateFormatNoYear(const QString& language, const QString& localeName);
};

using OccasionRecordPtr = std::shared_ptr<OccasionRecord>;

} // namespace fetemark
