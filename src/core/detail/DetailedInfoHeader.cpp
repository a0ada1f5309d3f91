#include "DetailedInfoHeader.h"

#include "core/database/RecordDatabase.h"
#include "core/detail/DetailedInfoExtra.h"
#include "core/list/ListPhotos.h"
#include "core/records/CustomEntriesStore.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"
#include "core/time/DateFormatter.h"
#include "core/time/DatePatterns.h"
#include "core/time/DeviceEnvironment.h"
#include "platform/addressbook/AddressBook.h"

namespace fetemark {
namespace {

QString typeText(const OccasionRecord& record, const Texts& texts)
{
    if (record.type == OccasionRecord::Birthday || record.fakeBirthday)
        return RecordDatabase::stringForType(OccasionRecord::Birthday, texts);
    if (record.fakeAnniversary)
        return record.smartLabel;
    if (record.type == OccasionRecord::OtherDate && !record.otherDateLabel.isEmpty())
        return OccasionRecord::formattedCustomLabel(record.otherDateLabel, texts);
    return RecordDatabase::stringForType(record.type, texts);
}

QString dateText(const OccasionRecord& record, const Texts& texts, const DeviceEnvironment& device)
{
    if (!record.rawDate.isValid())
        return QString::fromLatin1("");
    if (!record.ignoreYear && !record.lionNoYear) {
        const QString pattern =
            DateFormatter::datePattern(DateFormatter::Style::Long, device.localeName);
        return DateFormatter(pattern, device.localeName, device.timeZoneId).format(record.rawDate);
    }
    const QString pattern = DatePatterns::mediumNoYear(texts.language(), device.localeName);
    DateFormatter formatter(pattern, device.localeName, device.timeZoneId);
    formatter.setFirstDayPattern(DatePatterns::firstDayPattern(pattern, texts.language()));
    return formatter.format(record.rawDate);
}

QImage rounded(const QImage& picture, bool facebookMark, bool contactMark)
{
    return ListPhotos::createRoundedImage(
        picture, HeaderPhoto::Size, HeaderPhoto::Shadow, facebookMark, contactMark);
}

void readCustomPhoto(RecordDatabase& database, OccasionRecord& record)
{
    if (!record.customPhoto.isNull())
        return;
    const QString file =
        CustomEntriesStore::photoFilePath(database.dataDirectory(), record.customID);
    record.customPhoto = file.isEmpty() ? QImage() : ListPhotos::readPicture(file);
}

// A contact's own picture, else a linked friend's saved one; blanks when neither exists.
HeaderPhoto contactPhoto(RecordDatabase& database, const OccasionRecord& record, bool linked)
{
    const Settings& settings = database.settings();
    const bool facebookMark = linked && settings.boolValue(QString(Key::FacebookPhotoMark));
    const bool contactMark = settings.boolValue(QString(Key::ContactPhotoMark));
    database.refreshAddressBook();
    AddressBook* book = database.mainThreadAddressBook();
    const QImage picture =
        book ? ListPhotos::decodePicture(book->imageData(record.recordID)) : QImage();
    HeaderPhoto photo;
    if (!picture.isNull()) {
        photo.image = rounded(picture, facebookMark, contactMark);
        photo.copyable = true;
        photo.copyImage = picture;
    } else if (linked) {
        photo.image = ListPhotos::createRoundedLinkedFacebookImageFromID(database.dataDirectory(),
            record.facebookLinkID, HeaderPhoto::Size, HeaderPhoto::Shadow, facebookMark,
            contactMark);
        if (photo.image.isNull())
            photo.blankFile = ListPhotos::headerBlankFileName(true, contactMark);
    }
    return photo;
}

} // namespace

DetailedInfoHeader detailedInfoHeader(
    const OccasionRecord& record, const Texts& texts, const DeviceEnvironment& device)
{
    DetailedInfoHeader header;
    header.navigationTitle = DetailedInfoExtra::navigationTitle(record);
    header.typeText = typeText(record, texts);
    header.dateText = dateText(record, texts, device);
    header.detailText = record.detailedTextSansType;
    header.detailStyle = ListRows::detailStyle(record);
    return header;
}

HeaderPhoto headerPhoto(RecordDatabase& database, OccasionRecord& record)
{
    const Settings& settings = database.settings();
    if (!settings.boolValue(QString(Key::ShowPhotos)))
        return {};
    const bool facebookMark = settings.boolValue(QString(Key::FacebookPhotoMark));
    const bool contactMark = settings.boolValue(QString(Key::ContactPhotoMark));
    const bool entry = record.isCustomEntry || record.isFacebookEntry;
    if (entry && record.cPhoto != OccasionRecord::PhotoAbsent)
        readCustomPhoto(database, record);
    if (record.abPhoto == OccasionRecord::PhotoNotLookedUp)
        database.populateABPhotoType(record);

    HeaderPhoto photo;
    if (record.isHoliday) {
        const QString path =
            ListPhotos::holidayPicturePath(record.holidayPhotoFilename, database.resourceRoot());
        if (!path.isEmpty())
            photo.image = rounded(ListPhotos::readPicture(path), false, false);
        return photo;
    }
    if (!record.customPhoto.isNull()) {
        photo.image = rounded(record.customPhoto, record.isFacebookEntry && facebookMark, false);
        photo.copyable = true;
        photo.copyImage = record.customPhoto;
        return photo;
    }
    const bool linked = !entry && record.isFacebookLinked(settings);
    if (linked && record.abPhoto == OccasionRecord::PhotoAbsent) {
        photo.blankFile = ListPhotos::headerBlankFileName(facebookMark, contactMark);
        return photo;
    }
    if (!entry && record.abPhoto == OccasionRecord::PhotoPresent) {
        photo = contactPhoto(database, record, linked);
        if (!photo.isEmpty())
            return photo;
    }
    if (record.isFacebookEntry && facebookMark)
        photo.blankFile = ListPhotos::headerBlankFileName(true, false);
    else
        photo.blankFile =
            ListPhotos::headerBlankFileName(false, contactMark && !entry && record.recordID != -1);
    return photo;
}

} // namespace fetemark
