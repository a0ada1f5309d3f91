#pragma once

#include "core/list/ListPhotos.h"
#include "core/list/ListRows.h"
#include "core/records/OccasionRecord.h"

#include <QImage>
#include <QString>

namespace fetemark {

class RecordDatabase;
class Texts;
struct DeviceEnvironment;

// The header of an occasion's detail screen apart from drawing: its texts and its photo.
struct DetailedInfoHeader {
    QString navigationTitle; // the contact's own name for an anniversary shown by its label
    QString typeText;
    QString dateText; // the stored date, without a year when the occasion has none
    QString detailText;
    ListRows::DetailStyle detailStyle;
};
DetailedInfoHeader detailedInfoHeader(
    const OccasionRecord& record, const Texts& texts, const DeviceEnvironment& device);

// The header's photo, only while "showphotos" is on: a picture, or else a blank from the
// images ("BlankPhoto_Big*.png"); neither for a holiday whose picture cannot be read.
struct HeaderPhoto {
    static constexpr int Size = ListPhotos::HeaderSize; // points, square
    static constexpr int Shadow = ListPhotos::ListShadow;

    QImage image;          // rounded, with its shadow and marks
    bool copyable = false; // the full picture can be copied
    QImage copyImage;
    QString blankFile; // when image is null
    bool isEmpty() const { return image.isNull() && blankFile.isEmpty(); }
};
// Reads the pictures it needs: a custom or Facebook entry's file (kept in the record's
// customPhoto), the contact's picture from the refreshed address book, a linked friend's
// saved picture.
HeaderPhoto headerPhoto(RecordDatabase& database, OccasionRecord& record);

} // namespace fetemark
