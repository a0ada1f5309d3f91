// List photos over a real data directory: the rounded picture itself (size, transparent
// corners, shadow, marks, orientation), each record's preparation (contacts' pictures
// with the size limit and sharing, Facebook friends' pictures, custom entries, holidays),
// the blanks, dropping cached photos and the choice a row makes at display time.
#include "ListPhotosFixture.h"

#include "core/ListImageOperation.h"

#include <QImageWriter>

#include <functional>
#include <string>
#include <vector>

using namespace fetemark;
using namespace fetemark::test;

namespace {

template <typename Row>
std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

const QColor Magenta(0xd0, 0x20, 0xb0);
const QColor Teal(0x10, 0x90, 0x80);

QRgb centre(const QImage& image)
{
    return image.pixel(image.width() / 2, image.height() / 2);
}

// The list photo of a picture as the list draws it at the default settings (large rows,
// the default theme), without marks: what a marked photo is compared with.
QImage plainListPhoto(const QImage& picture)
{
    ListPhotos::RoundedOptions o;
    o.size = ListPhotos::LargeSize;
    return ListPhotos::roundedImage(picture, o);
}

// ---- The rounded picture ---------------------------------------------------------------------

struct RoundRow {
    std::string name;
    int size;
    int shadow;
    int radius;
    qreal scale;
};

class ListPhotosRounded : public ::testing::TestWithParam<RoundRow> {};

TEST_P(ListPhotosRounded, IsASquareOfTheSizeWithTransparentCornersAnOpaqueCentreAndAShadowBelow)
{
    const RoundRow& row = GetParam();
    ListPhotos::RoundedOptions o;
    o.size = row.size;
    o.shadow = row.shadow;
    o.radius = row.radius;
    o.scale = row.scale;
    const QImage image = ListPhotos::roundedImage(solid(Magenta, 37), o);
    const int side = qRound(row.size * row.scale);
    ASSERT_EQ(image.size(), QSize(side, side));
    EXPECT_EQ(image.devicePixelRatio(), row.scale);
    for (const QPoint corner : {QPoint(0, 0), QPoint(side - 1, 0), QPoint(0, side - 1), QPoint(side - 1, side - 1)})
        EXPECT_EQ(alphaAt(image, corner.x(), corner.y()), 0) << corner.x() << "," << corner.y();
    EXPECT_TRUE(colourNear(centre(image), Magenta));

    // Going up the middle column from the bottom edge: with a shadow, a dark translucent
    // band comes before the picture; without, the picture reaches the edge.
    const int x = side / 2;
    int y = side - 1;
    while (y > 0 && alphaAt(image, x, y) == 0)
        --y;
    const QColor first = QColor::fromRgba(image.pixel(x, y));
    if (row.shadow > 0) {
        EXPECT_GT(first.alpha(), 0);
        EXPECT_LT(first.alpha(), 255);
        EXPECT_LT(first.red(), 40);
    } else {
        EXPECT_EQ(y, side - 1);
        EXPECT_TRUE(colourNear(image.pixel(x, y), Magenta, 30));
    }
}

INSTANTIATE_TEST_SUITE_P(ListPhotos, ListPhotosRounded,
                         ::testing::Values(RoundRow{"ListRow", 51, 5, 8, 2}, RoundRow{"LargeListRow", 63, 5, 8, 2},
                                           RoundRow{"DetailScreen", 104, 5, 8, 2}, RoundRow{"SettingsIcon", 35, 3, 8, 2},
                                           RoundRow{"OnePixelPerPoint", 51, 5, 8, 1},
                                           RoundRow{"ThreePixelsPerPoint", 63, 5, 8, 3},
                                           RoundRow{"NoShadow", 51, 0, 8, 2},
                                           RoundRow{"LargeRadius", 51, 5, 20, 2}),
                         rowName<RoundRow>);

TEST(ListPhotos, ANonSquarePictureIsCroppedToItsCentre)
{
    // Wide: teal bands left and right of a magenta middle square.
    QImage wide(90, 30, QImage::Format_ARGB32);
    wide.fill(Teal);
    for (int y = 0; y < 30; ++y)
        for (int x = 30; x < 60; ++x)
            wide.setPixel(x, y, Magenta.rgba());
    const QImage image = ListPhotos::createRoundedImage(wide, 51, 0);
    ASSERT_EQ(image.size(), QSize(102, 102));
    EXPECT_TRUE(colourNear(image.pixel(20, 51), Magenta, 30));
    EXPECT_TRUE(colourNear(image.pixel(82, 51), Magenta, 30));
}

TEST(ListPhotos, APictureIsTurnedUprightByItsOrientationTag)
{
    if (!QImageWriter::supportedImageFormats().contains("jpeg"))
        GTEST_SKIP() << "no JPEG support";
    // Stored magenta above teal, tagged "rotated by 180 degrees": upright, teal is on top.
    QImage stored(40, 40, QImage::Format_RGB32);
    stored.fill(Teal);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            stored.setPixel(x, y, Magenta.rgb());
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(100);
        writer.setTransformation(QImageIOHandler::TransformationRotate180);
        ASSERT_TRUE(writer.write(stored));
    }
    const QImage rounded = ListPhotos::createRoundedImage(ListPhotos::decodePicture(jpeg), 51, 0);
    EXPECT_TRUE(colourNear(rounded.pixel(51, 25), Teal, 12));
    EXPECT_TRUE(colourNear(rounded.pixel(51, 77), Magenta, 12));
}

struct MarkRow {
    std::string name;
    bool facebook;
    bool contact;
    qreal scale;
};

class ListPhotosMarks : public ::testing::TestWithParam<MarkRow> {};

TEST_P(ListPhotosMarks, SitInTheirCornersAndChangeNothingElse)
{
    const MarkRow& row = GetParam();
    ListPhotos::RoundedOptions o;
    o.scale = row.scale;
    const QImage plain = ListPhotos::roundedImage(solid(Magenta), o);
    o.facebookMark = row.facebook;
    o.contactMark = row.contact;
    const Differences d = differences(ListPhotos::roundedImage(solid(Magenta), o), plain);
    EXPECT_EQ(d.lowerRight, row.facebook);
    EXPECT_EQ(d.lowerLeft, row.contact);
    EXPECT_FALSE(d.elsewhere);
    // A mark is 10 points square.
    const int mark = qRound(ListPhotos::MarkSize * row.scale);
    EXPECT_LE(d.bounds.height(), mark);
    EXPECT_LE(d.bounds.width(), row.facebook && row.contact ? plain.width() : mark);
}

INSTANTIATE_TEST_SUITE_P(ListPhotos, ListPhotosMarks,
                         ::testing::Values(MarkRow{"Facebook", true, false, 2}, MarkRow{"Contact", false, true, 2},
                                           MarkRow{"Both", true, true, 2}, MarkRow{"FacebookAtScaleThree", true, false, 3},
                                           MarkRow{"ContactAtScaleOne", false, true, 1}),
                         rowName<MarkRow>);

TEST(ListPhotos, TheShadowDependsOnTheStandardTheme)
{
    ListPhotos::RoundedOptions o;
    const QImage themed = ListPhotos::roundedImage(solid(Magenta), o);
    o.standardTheme = true;
    const QImage standard = ListPhotos::roundedImage(solid(Magenta), o);
    const Differences d = differences(themed, standard);
    EXPECT_FALSE(d.bounds.isEmpty());
    EXPECT_EQ(centre(themed), centre(standard));
}

TEST(ListPhotos, GlossLightensTheUpperHalfOnly)
{
    const QImage plain = ListPhotos::createRoundedImage(solid(Teal), 51, 5);
    const QImage glossy = ListPhotos::createRoundedImageWithGloss(solid(Teal), 51, 5);
    EXPECT_GT(QColor(glossy.pixel(51, 20)).lightness(), QColor(plain.pixel(51, 20)).lightness());
    EXPECT_EQ(glossy.pixel(51, 80), plain.pixel(51, 80));
}

TEST(ListPhotos, TheShippedArtworkIsThere)
{
    const ListPhotos::Artwork& art = ListPhotos::shippedArtwork();
    EXPECT_EQ(art.mask.size(), QSize(126, 126));
    EXPECT_EQ(art.facebookMark.size(), QSize(20, 20));
    EXPECT_EQ(art.contactMark.size(), QSize(20, 20));
    for (const QString& name : ListPhotos::blankFileNames())
        EXPECT_FALSE(QImage(QStringLiteral(":/resources/images/") + name).isNull()) << str(name);
}

// ---- One record's preparation ----------------------------------------------------------------

TEST(ListPhotosRecord, AContactsOccasionsShareOnePreparedPicture)
{
    PhotoData data;
    data.addPerson(QStringLiteral("Ida"), QStringLiteral("Image"), QDate(1990, 3, 20), encoded(solid(Magenta)),
                   {{QString(ContactLabel::Anniversary), QDate(2015, 6, 1)}});
    data.addPerson(QStringLiteral("Noah"), QStringLiteral("Other"), QDate(1980, 3, 21), encoded(solid(Teal)));
    data.load();
    const OccasionRecordPtr birthday = data.named(QStringLiteral("Ida Image"), OccasionRecord::Birthday);
    const OccasionRecordPtr anniversary = data.named(QStringLiteral("Ida Image"), OccasionRecord::Anniversary);
    const OccasionRecordPtr other = data.named(QStringLiteral("Noah Other"));
    ASSERT_TRUE(birthday && anniversary && other);

    data.prepare({birthday});
    ASSERT_FALSE(birthday->photo.isNull());
    // The very same image, made once.
    EXPECT_EQ(anniversary->photo.cacheKey(), birthday->photo.cacheKey());
    EXPECT_EQ(birthday->abPhoto, int(OccasionRecord::PhotoPresent));
    EXPECT_EQ(anniversary->abPhoto, int(OccasionRecord::PhotoPresent));
    EXPECT_TRUE(colourNear(centre(birthday->photo), Magenta));
    EXPECT_EQ(birthday->photo.size(), QSize(126, 126));
    // Another contact is untouched.
    EXPECT_TRUE(other->photo.isNull());
    EXPECT_EQ(other->abPhoto, int(OccasionRecord::PhotoNotLookedUp));
}

struct SizeRow {
    std::string name;
    qsizetype bytes;   // 0: the picture's own size
    bool shown;
};

class ListPhotosPictureSize : public ::testing::TestWithParam<SizeRow> {};

TEST_P(ListPhotosPictureSize, PicturesOfOnePointFiveMillionBytesOrMoreAreNotUsed)
{
    const SizeRow& row = GetParam();
    PhotoData data;
    const QByteArray picture = row.bytes ? paddedPng(solid(Magenta), row.bytes) : encoded(solid(Magenta));
    if (row.bytes) {
        ASSERT_EQ(picture.size(), row.bytes);
    }
    ASSERT_FALSE(QImage::fromData(picture).isNull()) << "the padded picture must still be a picture";
    data.addPerson(QStringLiteral("Ida"), QStringLiteral("Image"), QDate(1990, 3, 20), picture);
    RecordDatabase& db = data.load();
    const OccasionRecordPtr r = data.named(QStringLiteral("Ida Image"));

    OperationQueue queue(1);
    queue.addOperation(std::make_shared<ListImageOperation>(db, data.dir.path(), db.records()));
    queue.waitUntilAllOperationsAreFinished();

    ASSERT_FALSE(r->photo.isNull());
    if (row.shown) {
        EXPECT_EQ(r->abPhoto, int(OccasionRecord::PhotoPresent));
        EXPECT_TRUE(colourNear(centre(r->photo), Magenta));
    } else {
        EXPECT_EQ(r->abPhoto, int(OccasionRecord::PhotoAbsent));
        EXPECT_EQ(r->photo, QImage(QStringLiteral(":/resources/images/BlankPhoto_Medium.png")));
    }
}

INSTANTIATE_TEST_SUITE_P(ListPhotos, ListPhotosPictureSize,
                         ::testing::Values(SizeRow{"Small", 0, true}, SizeRow{"OneByteUnderTheLimit", 1499999, true},
                                           SizeRow{"AtTheLimit", 1500000, false},
                                           SizeRow{"WellOverTheLimit", 2000000, false}),
                         rowName<SizeRow>);

TEST(ListPhotosRecord, UnreadablePictureDataCountsAsNone)
{
    PhotoData data;
    data.addPerson(QStringLiteral("Ida"), QStringLiteral("Image"), QDate(1990, 3, 20), QByteArray("not a picture"));
    data.load();
    const OccasionRecordPtr r = data.named(QStringLiteral("Ida Image"));
    data.prepare({r});
    EXPECT_TRUE(r->photo.isNull());
    EXPECT_EQ(r->abPhoto, int(OccasionRecord::PhotoAbsent));
}

// Which marks each kind of record gets, with the settings as they are.
enum class Source { ContactPicture, FriendPicture, OwnFile };

struct MarkChoiceRow {
    std::string name;
    Source source;
    bool facebookEntry;   // for OwnFile: a Facebook entry, else a custom entry
    bool linked;          // for contacts: matched to a Facebook friend
    bool showFacebook;    // "800A"
    bool facebookMark;    // "827B"
    bool contactMark;     // "0977"
    bool expectFacebook;
    bool expectContact;
};

class ListPhotosMarkChoice : public ::testing::TestWithParam<MarkChoiceRow> {};

TEST_P(ListPhotosMarkChoice, FollowsTheKindOfRecordAndTheSettings)
{
    const MarkChoiceRow& row = GetParam();
    PhotoData data;
    data.set(Key::ShowFacebook, row.showFacebook);
    data.set(Key::FacebookPhotoMark, row.facebookMark);
    data.set(Key::ContactPhotoMark, row.contactMark);
    OccasionRecordPtr r;
    if (row.source == Source::OwnFile) {
        data.load();
        r = data.entry(QStringLiteral("OWN-1"), row.facebookEntry);
        data.writePicture(r->customID, solid(Magenta));
    } else {
        const QByteArray picture = row.source == Source::ContactPicture ? encoded(solid(Magenta)) : QByteArray();
        const std::int32_t id = data.addPerson(QStringLiteral("Ida"), QStringLiteral("Image"), QDate(1990, 3, 20), picture);
        if (row.linked)
            data.writeEntries({data.friendOf(id, QStringLiteral("100200300"))});
        data.writePicture(QStringLiteral("100200300"), solid(Magenta));
        data.load();
        r = data.named(QStringLiteral("Ida Image"), OccasionRecord::Birthday);
        ASSERT_TRUE(r);
        ASSERT_EQ(!r->facebookLinkID.isEmpty(), row.linked && row.showFacebook);
    }
    data.prepare({r});
    ASSERT_FALSE(r->photo.isNull());
    EXPECT_TRUE(colourNear(centre(r->photo), Magenta));
    const Differences d = differences(r->photo, plainListPhoto(solid(Magenta)));
    EXPECT_EQ(d.lowerRight, row.expectFacebook);
    EXPECT_EQ(d.lowerLeft, row.expectContact);
    EXPECT_FALSE(d.elsewhere);
}

INSTANTIATE_TEST_SUITE_P(
    ListPhotos, ListPhotosMarkChoice,
    ::testing::Values(
        MarkChoiceRow{"ContactNoMarks", Source::ContactPicture, false, false, true, true, false, false, false},
        MarkChoiceRow{"ContactWithContactMark", Source::ContactPicture, false, false, true, true, true, false, true},
        MarkChoiceRow{"LinkedContactBothMarks", Source::ContactPicture, false, true, true, true, true, true, true},
        MarkChoiceRow{"LinkedContactFacebookMarkOff", Source::ContactPicture, false, true, true, false, false, false, false},
        MarkChoiceRow{"LinkWhileFacebookHidden", Source::ContactPicture, false, true, false, true, false, false, false},
        MarkChoiceRow{"FriendPictureWithFacebookMark", Source::FriendPicture, false, true, true, true, false, true, false},
        MarkChoiceRow{"FriendPictureBothMarks", Source::FriendPicture, false, true, true, true, true, true, true},
        MarkChoiceRow{"FriendPictureFacebookMarkOff", Source::FriendPicture, false, true, true, false, false, false, false},
        MarkChoiceRow{"FacebookEntryNeverTheContactMark", Source::OwnFile, true, false, true, true, true, true, false},
        MarkChoiceRow{"FacebookEntryFacebookMarkOff", Source::OwnFile, true, false, true, false, true, false, false},
        MarkChoiceRow{"CustomEntryNoMarks", Source::OwnFile, false, false, true, true, true, false, false}),
    rowName<MarkChoiceRow>);

TEST(ListPhotosRecord, AContactsOwnPictureWinsOverTheFriendsPicture)
{
    PhotoData data;
    data.set(Key::ShowFacebook, true);
    const std::int32_t id = data.addPerson(QStringLiteral("Ida"), QStringLiteral("Image"), QDate(1990, 3, 20),
                                           encoded(solid(Teal)));
    data.writeEntries({data.friendOf(id, QStringLiteral("777"))});
    data.writePicture(QStringLiteral("777"), solid(Magenta));
    data.load();
    const OccasionRecordPtr r = data.named(QStringLiteral("Ida Image"));
    data.prepare({r});
    EXPECT_TRUE(colourNear(centre(r->photo), Teal));
}

TEST(ListPhotosRecord, ALinkedContactWithoutAnyPictureIsMarkedAbsent)
{
    PhotoData data;
    data.set(Key::ShowFacebook, true);
    const std::int32_t id = data.addPerson(QStringLiteral("Ida"), QStringLiteral("Image"), QDate(1990, 3, 20));
    data.writeEntries({data.friendOf(id, QStringLiteral("777"))});
    data.load();
    const OccasionRecordPtr r = data.named(QStringLiteral("Ida Image"));
    data.prepare({r});
    EXPECT_TRUE(r->photo.isNull());
    EXPECT_EQ(r->abPhoto, int(OccasionRecord::PhotoAbsent));
}

struct EntryRow {
    std::string name;
    bool facebook;
    bool fileExists;
    int cPhotoBefore;
    int cPhotoAfter;
    bool photo;
};

class ListPhotosEntry : public ::testing::TestWithParam<EntryRow> {};

TEST_P(ListPhotosEntry, ReadsItsOwnPictureFileUnlessKnownToBeMissing)
{
    const EntryRow& row = GetParam();
    PhotoData data;
    data.load();
    const OccasionRecordPtr r = data.entry(QStringLiteral("ENTRY-7"), row.facebook);
    r->cPhoto = row.cPhotoBefore;
    if (row.fileExists)
        data.writePicture(r->customID, solid(Teal));
    data.prepare({r});
    EXPECT_EQ(r->cPhoto, row.cPhotoAfter);
    EXPECT_EQ(r->abPhoto, int(OccasionRecord::PhotoAbsent));
    EXPECT_EQ(!r->photo.isNull(), row.photo);
    if (row.photo) {
        EXPECT_TRUE(colourNear(centre(r->photo), Teal));
    }
}

// An id from a damaged or restored file that would lead outside the data directory
// names no picture, though one lies where it points.
TEST(ListPhotosEntry, AnIdLeadingOutsideNamesNoPicture)
{
    PhotoData data;
    data.load();
    ASSERT_TRUE(QDir().mkpath(data.dir.file(QStringLiteral("inner"))));
    ASSERT_TRUE(solid(Teal).save(data.dir.file(QStringLiteral("outside.png"))));
    for (const QString& id : {QStringLiteral("../outside"), data.dir.file(QStringLiteral("outside"))}) {
        SCOPED_TRACE(id.toStdString());
        const OccasionRecordPtr r = data.entry(id, false);
        ListPhotos::createRoundedImageForOccasionListRecord(nullptr, *r, {r}, data.settings,
                                                            data.dir.file(QStringLiteral("inner")));
        EXPECT_TRUE(r->photo.isNull());
        EXPECT_EQ(r->cPhoto, int(OccasionRecord::PhotoAbsent));
        EXPECT_TRUE(ListPhotos::createRoundedLinkedFacebookImageFromID(data.dir.file(QStringLiteral("inner")), id, 51, 5,
                                                                       true, false)
                        .isNull());
    }
}

INSTANTIATE_TEST_SUITE_P(
    ListPhotos, ListPhotosEntry,
    ::testing::Values(EntryRow{"CustomWithFile", false, true, OccasionRecord::PhotoNotLookedUp, OccasionRecord::PhotoPresent, true},
                      EntryRow{"CustomWithoutFile", false, false, OccasionRecord::PhotoNotLookedUp, OccasionRecord::PhotoAbsent, false},
                      EntryRow{"FacebookWithFile", true, true, OccasionRecord::PhotoNotLookedUp, OccasionRecord::PhotoPresent, true},
                      EntryRow{"FacebookWithoutFile", true, false, OccasionRecord::PhotoNotLookedUp, OccasionRecord::PhotoAbsent, false},
                      EntryRow{"KnownPresentIsReadAgain", false, true, OccasionRecord::PhotoPresent, OccasionRecord::PhotoPresent, true},
                      EntryRow{"KnownMissingIsNotReadAgain", false, true, OccasionRecord::PhotoAbsent, OccasionRecord::PhotoAbsent, false}),
    rowName<EntryRow>);

struct HolidayRow {
    std::string name;
    const char* fileName;  // as the holiday names it; "" for none
    bool fileExists;       // in the holiday pictures of the resources
    bool photo;
};

class ListPhotosHoliday : public ::testing::TestWithParam<HolidayRow> {};

TEST_P(ListPhotosHoliday, UsesItsPictureAndNeverABlank)
{
    const HolidayRow& row = GetParam();
    PhotoData data;
    // Holiday pictures come with the resources; here a folder that stands in for them.
    data.resourceRoot = data.dir.file(QStringLiteral("resources"));
    ASSERT_TRUE(QDir().mkpath(data.resourceRoot + QStringLiteral("/holidays")));
    const QString shipped = data.resourceRoot + QStringLiteral("/holidays/HOLIDAYS_US_July4.png");
    // A picture outside the resources, which no holiday may name.
    ASSERT_TRUE(solid(Teal).save(data.dir.file(QStringLiteral("elsewhere.png"))));
    RecordDatabase& db = data.load();
    auto holiday = std::make_shared<OccasionRecord>();
    holiday->isHoliday = true;
    holiday->type = OccasionRecord::Holiday;
    holiday->customID = QStringLiteral("US_July4");
    holiday->abPhoto = OccasionRecord::PhotoAbsent;
    holiday->holidayPhotoFilename = QString::fromUtf8(row.fileName).replace(QStringLiteral("DIR"), data.dir.path());
    if (row.fileExists) {
        ASSERT_TRUE(solid(Teal).save(shipped));
    }

    // Through the whole preparation, which would give any other record a blank.
    OperationQueue queue(1);
    queue.addOperation(std::make_shared<ListImageOperation>(db, data.dir.path(), std::vector<OccasionRecordPtr>{holiday}));
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(!holiday->photo.isNull(), row.photo);
    if (row.photo) {
        EXPECT_TRUE(colourNear(centre(holiday->photo), Teal));
        EXPECT_EQ(ListPhotos::rowPhoto(*holiday, data.settings).show, ListPhotos::RowPhoto::Show::Photo);
    } else {
        // Its row keeps the spinner.
        EXPECT_EQ(ListPhotos::rowPhoto(*holiday, data.settings).show, ListPhotos::RowPhoto::Show::Spinner);
    }
}

INSTANTIATE_TEST_SUITE_P(ListPhotos, ListPhotosHoliday,
                         ::testing::Values(HolidayRow{"WithPicture", "HOLIDAYS_US_July4.png", true, true},
                                           HolidayRow{"PictureFileMissing", "HOLIDAYS_US_July4.png", false, false},
                                           HolidayRow{"NoPictureAtAll", "", false, false},
                                           HolidayRow{"AbsolutePathIsRefused", "DIR/elsewhere.png", true, false},
                                           HolidayRow{"ClimbingOutIsRefused", "../../elsewhere.png", true, false}),
                         rowName<HolidayRow>);

// ---- Blanks and dropping photos --------------------------------------------------------------

struct BlankPhotoRow {
    std::string name;
    bool largeRows;
    bool contactMark;
    QString file;
    int side;
};

class ListPhotosBlank : public ::testing::TestWithParam<BlankPhotoRow> {};

TEST_P(ListPhotosBlank, TheBlankBecomesTheRecordsPhoto)
{
    const BlankPhotoRow& row = GetParam();
    PhotoData data;
    data.set(Key::LargeRows, row.largeRows);
    data.set(Key::ContactPhotoMark, row.contactMark);
    data.addPerson(QStringLiteral("Noah"), QStringLiteral("Plain"), QDate(1990, 3, 20));
    data.load();
    const OccasionRecordPtr r = data.named(QStringLiteral("Noah Plain"));
    r->abPhoto = OccasionRecord::PhotoAbsent;
    EXPECT_EQ(data.db().setBlankImageForRecord(*r), row.file);
    ASSERT_FALSE(r->photo.isNull());
    EXPECT_EQ(r->photo.size(), QSize(row.side, row.side));
    EXPECT_EQ(r->photo, QImage(QStringLiteral(":/resources/images/") + row.file));
    // Asked again, a record with a photo keeps it.
    EXPECT_TRUE(data.db().setBlankImageForRecord(*r).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    ListPhotos, ListPhotosBlank,
    ::testing::Values(BlankPhotoRow{"Small", false, false, QStringLiteral("BlankPhoto_Small.png"), 102},
                      BlankPhotoRow{"SmallContact", false, true, QStringLiteral("BlankPhoto_SmallContact.png"), 102},
                      BlankPhotoRow{"Medium", true, false, QStringLiteral("BlankPhoto_Medium.png"), 126},
                      BlankPhotoRow{"MediumContact", true, true, QStringLiteral("BlankPhoto_MediumContact.png"), 126}),
    rowName<BlankPhotoRow>);

TEST(ListPhotosFlush, TurningTheFacebookMarkOffAndOnPreparesEveryPhotoAgain)
{
    PhotoData data;
    data.set(Key::ShowFacebook, true);
    const std::int32_t linked = data.addPerson(QStringLiteral("Ida"), QStringLiteral("Linked"), QDate(1990, 3, 20));
    data.addPerson(QStringLiteral("Noah"), QStringLiteral("Plain"), QDate(1990, 3, 21), encoded(solid(Teal)));
    data.writeEntries({data.friendOf(linked, QStringLiteral("4242"))});
    data.writePicture(QStringLiteral("4242"), solid(Magenta));
    RecordDatabase& db = data.load();
    const OccasionRecordPtr ida = data.named(QStringLiteral("Ida Linked"));
    const OccasionRecordPtr noah = data.named(QStringLiteral("Noah Plain"));

    auto prepareAll = [&] {
        OperationQueue queue(1);
        queue.addOperation(std::make_shared<ListImageOperation>(db, data.dir.path(), db.records()));
        queue.waitUntilAllOperationsAreFinished();
    };
    const QImage unmarkedFriend = plainListPhoto(solid(Magenta));

    prepareAll();
    EXPECT_TRUE(differences(ida->photo, unmarkedFriend).lowerRight);
    const qint64 firstNoah = noah->photo.cacheKey();

    data.set(Key::FacebookPhotoMark, false);
    db.flushRoundedPhotos();
    for (const OccasionRecordPtr& r : db.records()) {
        EXPECT_TRUE(r->photo.isNull());
        EXPECT_EQ(r->abPhoto, int(OccasionRecord::PhotoNotLookedUp));
        EXPECT_EQ(ListPhotos::rowPhoto(*r, data.settings).show, ListPhotos::RowPhoto::Show::Spinner);
    }
    prepareAll();
    const Differences off = differences(ida->photo, unmarkedFriend);
    EXPECT_FALSE(off.lowerRight || off.lowerLeft || off.elsewhere);
    EXPECT_NE(noah->photo.cacheKey(), firstNoah);  // made anew, too

    data.set(Key::FacebookPhotoMark, true);
    db.flushRoundedPhotos();
    prepareAll();
    EXPECT_TRUE(differences(ida->photo, unmarkedFriend).lowerRight);
    EXPECT_TRUE(colourNear(centre(noah->photo), Teal));
}

// ---- What a row shows ------------------------------------------------------------------------

enum class RowKind { Contact, LinkedContact, Custom, Facebook, Holiday };

struct RowPhotoRow {
    std::string name;
    RowKind kind;
    int abPhoto;
    int cPhoto;
    bool hasPhoto;
    bool facebookMark;
    bool contactMark;
    bool largeRows;
    ListPhotos::RowPhoto::Show show;
    QString blank = {};
};

class ListPhotosRowPhoto : public ::testing::TestWithParam<RowPhotoRow> {};

TEST_P(ListPhotosRowPhoto, ChoosesPhotoBlankOrSpinner)
{
    const RowPhotoRow& row = GetParam();
    PhotoData data;
    data.set(Key::ShowFacebook, true);
    data.set(Key::FacebookPhotoMark, row.facebookMark);
    data.set(Key::ContactPhotoMark, row.contactMark);
    data.set(Key::LargeRows, row.largeRows);
    OccasionRecord r;
    switch (row.kind) {
    case RowKind::Contact: r.recordID = 4; break;
    case RowKind::LinkedContact:
        r.recordID = 4;
        r.facebookLinkID = QStringLiteral("99");
        break;
    case RowKind::Custom: r.isCustomEntry = true; break;
    case RowKind::Facebook: r.isFacebookEntry = true; break;
    case RowKind::Holiday:
        r.isHoliday = true;
        r.type = OccasionRecord::Holiday;
        break;
    }
    r.abPhoto = row.abPhoto;
    r.cPhoto = row.cPhoto;
    if (row.hasPhoto)
        r.photo = solid(Teal);
    const ListPhotos::RowPhoto shown = ListPhotos::rowPhoto(r, data.settings);
    EXPECT_EQ(shown.show, row.show);
    EXPECT_EQ(shown.blankFile, row.blank);
    EXPECT_EQ(shown.photo.isNull(), row.show != ListPhotos::RowPhoto::Show::Photo);
}

using Show = ListPhotos::RowPhoto::Show;
constexpr int N = OccasionRecord::PhotoNotLookedUp;
constexpr int A = OccasionRecord::PhotoAbsent;
constexpr int P = OccasionRecord::PhotoPresent;

INSTANTIATE_TEST_SUITE_P(
    ListPhotos, ListPhotosRowPhoto,
    ::testing::Values(
        // Entries whose picture file was found show it, or wait for it.
        RowPhotoRow{"CustomPhotoReady", RowKind::Custom, A, P, true, true, true, true, Show::Photo},
        RowPhotoRow{"CustomPhotoFoundNotRoundedYet", RowKind::Custom, A, P, false, true, true, true, Show::Spinner},
        // Not looked up yet: the preparation will fill it.
        RowPhotoRow{"CustomNotLookedUp", RowKind::Custom, A, N, false, true, true, true, Show::Spinner},
        RowPhotoRow{"ContactNotLookedUp", RowKind::Contact, N, N, false, true, true, true, Show::Spinner},
        RowPhotoRow{"ContactNotLookedUpWithStalePhoto", RowKind::Contact, N, N, true, true, true, true, Show::Spinner},
        // Known to have no picture: a blank, chosen on the spot.
        RowPhotoRow{"ContactBlank", RowKind::Contact, A, N, false, false, false, false, Show::Blank,
                    QStringLiteral("BlankPhoto_Small.png")},
        RowPhotoRow{"ContactBlankWithContactMark", RowKind::Contact, A, N, false, true, true, true, Show::Blank,
                    QStringLiteral("BlankPhoto_MediumContact.png")},
        RowPhotoRow{"LinkedBlank", RowKind::LinkedContact, A, N, false, true, false, true, Show::Blank,
                    QStringLiteral("BlankPhoto_Medium_Facebook.png")},
        RowPhotoRow{"LinkedBlankBothMarks", RowKind::LinkedContact, A, N, false, true, true, false, Show::Blank,
                    QStringLiteral("BlankPhoto_Small_FacebookContact.png")},
        RowPhotoRow{"LinkedBlankFacebookMarkOff", RowKind::LinkedContact, A, N, false, false, true, true, Show::Blank,
                    QStringLiteral("BlankPhoto_MediumContact.png")},
        RowPhotoRow{"FacebookEntryBlank", RowKind::Facebook, A, A, false, true, true, true, Show::Blank,
                    QStringLiteral("BlankPhoto_Medium_Facebook.png")},
        RowPhotoRow{"FacebookEntryBlankMarkOff", RowKind::Facebook, A, A, false, false, true, true, Show::Blank,
                    QStringLiteral("BlankPhoto_Medium.png")},
        RowPhotoRow{"CustomBlankNeverTheContactBlank", RowKind::Custom, A, A, true, true, true, false, Show::Blank,
                    QStringLiteral("BlankPhoto_Small.png")},
        // A contact's prepared picture.
        RowPhotoRow{"ContactPhoto", RowKind::Contact, P, N, true, true, true, true, Show::Photo},
        RowPhotoRow{"ContactPictureNotRoundedYet", RowKind::Contact, P, N, false, true, true, true, Show::Spinner},
        // Holidays never get a blank.
        RowPhotoRow{"HolidayPhoto", RowKind::Holiday, A, N, true, true, true, true, Show::Photo},
        RowPhotoRow{"HolidayWithoutPicture", RowKind::Holiday, A, N, false, true, true, true, Show::Spinner}),
    rowName<RowPhotoRow>);

} // namespace
