#pragma once

#include "core/records/OccasionRecord.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <mutex>
#include <vector>

namespace fetemark {

class AddressBook;
class Settings;

// The pictures of the list rows: a person's picture made into a small rounded photo with
// a drop shadow and optional corner marks (Facebook friend, address book contact),
// prepared once per record and cached in its `photo`, and the choice a row makes at
// display time between that photo, a blank picture and the loading spinner.
//
// Drawn with QPainter on QImage only, so the preparation runs on any thread.
namespace ListPhotos {

// Sizes in points; images are drawn at `scale` pixels per point.
inline constexpr int SmallSize = 51;   // list rows
inline constexpr int LargeSize = 63;   // list rows with "largerows"
inline constexpr int HeaderSize = 104; // the header of an occasion's detail screen
inline constexpr int ListShadow = 5;
inline constexpr int DefaultRadius = 8;
inline constexpr int MarkSize = 10; // corner marks
// The shipped artwork (blanks, marks, mask) is drawn at two pixels per point.
inline constexpr qreal ArtworkScale = 2.0;
// Contact pictures larger than this are not decoded for the list: they count as none.
inline constexpr qsizetype MaxPictureBytes = 1499999;

// The image files of the list photos, under "<resourceRoot>/images/".
inline constexpr const char* MaskFile = "ImageMask.png";
inline constexpr const char* FacebookMarkFile = "Facebook_CornerIcon.png";
inline constexpr const char* ContactMarkFile = "Contacts_CornerIcon.png";
// The eight blanks, small ones first.
std::vector<QString> blankFileNames();
// The four blanks of the detail screen's header ("BlankPhoto_Big*.png"), and the one
// with the given marks.
std::vector<QString> headerBlankFileNames();
QString headerBlankFileName(bool facebookMark, bool contactMark);

// What the rounding clips with and lays on top.
struct Artwork {
    QImage mask; // its alpha is the outline of the picture
    QImage facebookMark;
    QImage contactMark;
};
// The artwork shipped in the resources, read once.
const Artwork& shippedArtwork();

struct RoundedOptions {
    int size = SmallSize;       // points, square
    int shadow = ListShadow;    // depth in points; 0 for none
    int radius = DefaultRadius; // corner radius in points
    bool facebookMark = false;
    bool contactMark = false;
    bool gloss = false;
    bool standardTheme = false; // the shadow is lighter under the standard theme
    qreal scale = ArtworkScale;
    const Artwork* artwork = nullptr; // null: the shipped artwork
};

// The common core: `image` (already upright) centre-cropped to a square, scaled to
// size × scale pixels less room for the shadow, rounded, clipped by the mask, with its
// drop shadow, gloss and corner marks. A null image for a null input. The result has
// size × scale pixels a side and that scale as its device pixel ratio.
QImage roundedImage(const QImage& image, const RoundedOptions& options);

// The named variants, at the artwork's scale (the device pixel ratio lets a display of
// another scale draw them at their size in points); no marks unless they say so.
QImage createRoundedImage(const QImage& image, int size, int shadow);
QImage createRoundedImageWithGloss(const QImage& image, int size, int shadow);
QImage createRoundedImage(const QImage& image, int size, int shadow, int radius);
QImage createRoundedImage(
    const QImage& image, int size, int shadow, bool withFacebook, bool withContact);
QImage createRoundedFacebookImage(const QImage& image, int size, int shadow, bool andContact);
// A Facebook friend's saved picture ("<facebookID>.png" in the data directory), rounded;
// null when the file is missing or unreadable.
QImage createRoundedLinkedFacebookImageFromID(const QString& dataDirectory,
    const QString& facebookID, int size, int shadow, bool andFacebook, bool andContact);
QImage createRoundedLinkedFacebookImageFromID(
    const QString& dataDirectory, const QString& facebookID, const RoundedOptions& options);

// A holiday's picture: a file name in the "holidays" folder of the resources; empty for
// a name that would lead elsewhere.
QString holidayPicturePath(
    const QString& fileName, const QString& resourceRoot = QStringLiteral(":/resources"));

// Picture bytes decoded and turned upright by their orientation tag; null when they are
// not an image.
QImage decodePicture(const QByteArray& data);
// A picture file, upright; null when missing or unreadable.
QImage readPicture(const QString& path);

// Guards `photo`, `abPhoto` and `cPhoto` of listed records while a preparation runs:
// the preparing thread writes them under this lock, and the main thread reads them
// under it (rowPhoto() does).
std::mutex& photoMutex();

// Prepares one record's list photo: 63 points with "largerows", else 51, shadow 5,
// radius 8.
// - A holiday: its picture file (holidayPhotoFilename), rounded; nothing without one.
// - A contact's record: the contact's picture from `book` (at most MaxPictureBytes; more
//   counts as none), with the Facebook mark when linked and "827B" is on and the contact
//   mark when "0977" is on; without one a linked contact falls back to the friend's
//   saved picture. The result goes to every contact record of `allRecords` with the same
//   record id (abPhoto 2 with a picture, else 1), so a contact is prepared once.
// - A custom or Facebook entry: unless its file is known to be missing (cPhoto 1), its
//   picture file "<customID>.png" in the data directory, with the Facebook mark on a
//   Facebook entry while "827B" is on; cPhoto tells whether it was found; abPhoto 1.
// `book` may be null (no address book): the contact then has no picture of its own.
// `scale` is the display's pixels per point.
void createRoundedImageForOccasionListRecord(AddressBook* book, OccasionRecord& record,
    const std::vector<OccasionRecordPtr>& allRecords, const Settings& settings,
    const QString& dataDirectory, qreal scale = ArtworkScale,
    const QString& resourceRoot = QStringLiteral(":/resources"));

// What a row shows at display time.
struct RowPhoto {
    enum class Show { Photo, Blank, Spinner };
    Show show = Show::Spinner;
    QImage photo;      // for Photo
    QString blankFile; // for Blank: one of blankFileNames()
};
// The record's photo when prepared; a blank when it is known to have no picture (not
// for holidays); else the spinner, until the preparation delivers.
RowPhoto rowPhoto(const OccasionRecord& record, const Settings& settings);

} // namespace ListPhotos
} // namespace fetemark
