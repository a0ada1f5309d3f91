#include "OccasionRecord.h"

#include "core/records/ContactLabels.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/DatePatterns.h"

#include <QBuffer>
#include <QUuid>

#include <limits>

namespace fetemark {
namespace {

// Archive keys of the record's stored fields.
namespace ArchiveKey {
const QString AlertsOff = QStringLiteral("AlertsOff");
const QString Holiday = QStringLiteral("Holiday");
const QString IsCustom = QStringLiteral("Is Custom");
const QString IsFacebook = QStringLiteral("Is Facebook");
const QString FacebookIgnored = QStringLiteral("Facebook Ignored");
const QString IgnoreForUpcoming = QStringLiteral("Ignore For Upcoming");
const QString IgnoreYear = QStringLiteral("Ignore Year");
const QString OneTime = QStringLiteral("OneTime");
const QString RecordID = QStringLiteral("ABRecordID");
const QString FacebookToContactID = QStringLiteral("facebookToContactID");
const QString RawDate = QStringLiteral("Raw Date");
const QString OneTimeYear = QStringLiteral("One Time Year");
const QString CustomLabel = QStringLiteral("Custom Label");
const QString Notes = QStringLiteral("Notes");
const QString Type = QStringLiteral("Type");
const QString VersionID = QStringLiteral("VersionID");
const QString CustomID = QStringLiteral("CustomID");
const QString Name = QStringLiteral("Name");
const QString FirstName = QStringLiteral("FirstName");
const QString LastName = QStringLiteral("LastName");
const QString FacebookLinkID = QStringLiteral("FacebookLinkID");
const QString FacebookMatched = QStringLiteral("FacebookMatched");
const QString ForcedFacebookUnlink = QStringLiteral("ForcedFacebookUnlink");
const QString RawPhoto = QStringLiteral("Raw Photo");
} // namespace ArchiveKey

constexpr int PhotoJpegQuality = 88;

// A stored id outside the 32-bit range cannot name a contact; treat it as none.
std::int32_t toRecordID(std::int64_t value)
{
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return -1;
    return static_cast<std::int32_t>(value);
}

int toInt(std::int64_t value, int fallback)
{
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return fallback;
    return static_cast<int>(value);
}

} // namespace

ArchiveValue OccasionRecord::encodeWithCoder() const
{
    namespace K = ArchiveKey;
    ArchiveObjectWriter coder({QString::fromLatin1(ArchiveClassName), QStringLiteral("NSObject")});
    coder.encodeBool(K::AlertsOff, alertsOff);
    coder.encodeBool(K::Holiday, isHoliday);
    coder.encodeBool(K::IsCustom, isCustomEntry);
    coder.encodeBool(K::IsFacebook, isFacebookEntry);
    coder.encodeBool(K::FacebookIgnored, isIgnoredFacebook);
    coder.encodeBool(K::IgnoreForUpcoming, ignoreForUpcoming);
    coder.encodeBool(K::IgnoreYear, ignoreYear);
    coder.encodeBool(K::OneTime, onetime);
    coder.encodeInt(K::RecordID, recordID);
    coder.encodeInt(K::FacebookToContactID, facebookToContactID);
    coder.encodeDate(K::RawDate, rawDate);
    coder.encodeInt(K::OneTimeYear, oneTimeYear);
    coder.encodeString(K::CustomLabel, otherDateLabel);
    coder.encodeString(K::Notes, notes);
    coder.encodeInt(K::Type, type);
    coder.encodeString(K::VersionID, QString::fromLatin1(CurrentVersion));
    coder.encodeString(K::CustomID, customID);
    coder.encodeString(K::Name, name);
    coder.encodeString(K::FirstName, firstName);
    coder.encodeString(K::LastName, lastName);
    coder.encodeString(K::FacebookLinkID, facebookLinkID);
    coder.encodeBool(K::FacebookMatched, isFacebookMatched);
    coder.encodeBool(K::ForcedFacebookUnlink, forcedFacebookUnlink);
    if (!customPhoto.isNull()) {
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        if (customPhoto.save(&buffer, "JPEG", PhotoJpegQuality))
            coder.encodeData(K::RawPhoto, jpeg);
    }
    return coder.finish();
}

std::shared_ptr<OccasionRecord> OccasionRecord::initWithCoder(const ArchiveValue& value)
{
    const ArchiveObject* object = value.asObject();
    if (!object)
        return nullptr;
    namespace K = ArchiveKey;
    const ArchiveObjectReader coder(*object);
    auto r = std::make_shared<OccasionRecord>();
    r->alertsOff = coder.decodeBool(K::AlertsOff);
    r->isHoliday = coder.decodeBool(K::Holiday);
    r->isCustomEntry = coder.decodeBool(K::IsCustom);
    r->isFacebookEntry = coder.decodeBool(K::IsFacebook);
    r->isIgnoredFacebook = coder.decodeBool(K::FacebookIgnored);
    r->ignoreForUpcoming = coder.decodeBool(K::IgnoreForUpcoming);
    r->ignoreYear = coder.decodeBool(K::IgnoreYear);
    r->onetime = coder.decodeBool(K::OneTime);
    r->recordID = toRecordID(coder.decodeInt(K::RecordID, -1));
    r->facebookToContactID = toRecordID(coder.decodeInt(K::FacebookToContactID, -1));
    r->rawDate = coder.decodeDate(K::RawDate);
    r->oneTimeYear = toInt(coder.decodeInt(K::OneTimeYear), 0);
    r->otherDateLabel = coder.decodeString(K::CustomLabel);
    r->notes = coder.decodeString(K::Notes);
    r->type = toInt(coder.decodeInt(K::Type), Birthday);
    r->customID = coder.decodeString(K::CustomID);
    r->name = coder.decodeString(K::Name);
    r->firstName = coder.decodeString(K::FirstName);
    r->lastName = coder.decodeString(K::LastName);
    r->facebookLinkID = coder.decodeString(K::FacebookLinkID);
    r->isFacebookMatched = coder.decodeBool(K::FacebookMatched);
    r->forcedFacebookUnlink = coder.decodeBool(K::ForcedFacebookUnlink);
    r->abPhoto = PhotoNotLookedUp;
    r->cPhoto = PhotoNotLookedUp;

    // Only entries kept by Fetemark itself own an identity, a version and a photo.
    if (r->isCustomEntry || r->isFacebookEntry) {
        if (r->customID.isEmpty())
            r->customID = GetUUID();
        r->versionID = coder.decodeString(K::VersionID);
        const QByteArray photo = coder.decodeData(K::RawPhoto);
        if (!photo.isEmpty())
            r->customPhoto = QImage::fromData(photo);
    }
    return r;
}

std::shared_ptr<OccasionRecord> OccasionRecord::copy() const
{
    auto c = std::make_shared<OccasionRecord>();
    c->recordID = recordID;
    c->type = type;
    c->rawDate = rawDate;
    c->otherDateLabel = otherDateLabel;
    c->notes = notes;
    c->name = name;
    c->firstName = firstName;
    c->lastName = lastName;
    c->isCustomEntry = isCustomEntry;
    c->isFacebookEntry = isFacebookEntry;
    c->isIgnoredFacebook = isIgnoredFacebook;
    c->isFacebookMatched = isFacebookMatched;
    c->facebookToContactID = facebookToContactID;
    c->forcedFacebookUnlink = forcedFacebookUnlink;
    c->facebookLinkID = facebookLinkID;
    c->isHoliday = isHoliday;
    c->customID = customID;
    c->versionID = versionID;
    c->ignoreYear = ignoreYear;
    c->onetime = onetime;
    c->oneTimeYear = oneTimeYear;
    c->alertsOff = alertsOff;
    c->ignoreForUpcoming = ignoreForUpcoming;

    c->sortDate = sortDate;
    c->longDateText = longDateText;
    c->month = month;
    c->isBelated = isBelated;
    c->abPhoto = abPhoto;
    c->cPhoto = cPhoto;
    c->newFacebookEntry = newFacebookEntry;
    c->fakeBirthday = fakeBirthday;
    c->fakeAnniversary = fakeAnniversary;
    c->category = category;
    c->sortaMatches = sortaMatches;
    c->holidayKey = holidayKey;
    c->holidayInfo = holidayInfo;
    c->holidayPhotoFilename = holidayPhotoFilename;
    c->originalName = originalName;
    c->smartLabel = smartLabel;
    return c;
}

int OccasionRecord::compareSortDate(const OccasionRecord& a, const OccasionRecord& b)
{
    const bool aDated = a.sortDate.isValid();
    const bool bDated = b.sortDate.isValid();
    if (aDated != bDated)
        return aDated ? 1 : -1;
    if (aDated) {
        const qint64 am = a.sortDate.toMSecsSinceEpoch();
        const qint64 bm = b.sortDate.toMSecsSinceEpoch();
        if (am != bm)
            return am < bm ? -1 : 1;
    }
    return QString::compare(a.name, b.name, Qt::CaseSensitive);
}

bool OccasionRecord::isFacebookLinked(const Settings& settings) const
{
    return settings.boolValue(QString(Key::ShowFacebook)) && !facebookLinkID.isEmpty();
}

QString OccasionRecord::GetUUID()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString OccasionRecord::formattedCustomLabel(const QString& label, const Texts& texts)
{
    return ContactLabel::localizedLabel(label, texts);
}

QString OccasionRecord::getMediumDateFormatNoYear(
    const QString& language, const QString& localeName)
{
    return DatePatterns::mediumNoYear(language, localeName);
}

QString OccasionRecord::getLongDateFormatNoYear(const QString& language, const QString& localeName)
{
    return DatePatterns::longNoYear(language, localeName);
}

} // namespace fetemark
