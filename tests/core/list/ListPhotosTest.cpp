// List photos: the rounded picture, each record's preparation, the blanks, dropping
// cached photos and the choice a row makes at display time.
#include "core/list/ListPhotosFixture.h"

#include <QImageWriter>

#include <functional>

using namespace fetemark;
using namespace fetemark::test;

namespace {

using Show = ListPhotos::RowPhoto::Show;
constexpr int N = OccasionRecord::PhotoNotLookedUp;
constexpr int A = OccasionRecord::PhotoAbsent;
constexpr int P = OccasionRecord::PhotoPresent;

// What a marked list photo is compared with: the default list photo, no marks.
QImage plainListPhoto(QColor colour)
{
    return ListPhotos::createRoundedImage(
        solid(colour), ListPhotos::LargeSize, ListPhotos::ListShadow);
}

// ---- The rounded picture ---------------------------------------------------------------------

// A list photo of a size, shadow and scale, with one option or none: where the option
// changes the picture, and by at most how much.
struct RoundRow {
    std::string name;
    int size, shadow;
    qreal scale;
    std::function<void(ListPhotos::RoundedOptions&)> option;
    bool upper, lowerRight, lowerLeft;
    int maxChange; // points
};

class ListPhotosRounded : public ::testing::TestWithParam<RoundRow> { };

TEST_P(ListPhotosRounded, IsASquareWithTransparentCornersAShadowBelowAndTheOptionInPlace)
{
    const RoundRow& row = GetParam();
    ListPhotos::RoundedOptions o {.size = row.size, .shadow = row.shadow, .scale = row.scale};
    const QImage plain = ListPhotos::roundedImage(solid(Magenta, 37), o);
    row.option(o);
    const QImage image = ListPhotos::roundedImage(solid(Magenta, 37), o);
    const int side = qRound(row.size * row.scale);
    ASSERT_EQ(image.size(), QSize(side, side));
    EXPECT_EQ(image.devicePixelRatio(), row.scale);
    for (const QPoint corner :
        {QPoint(0, 0), QPoint(side - 1, 0), QPoint(0, side - 1), QPoint(side - 1, side - 1)})
        EXPECT_EQ(qAlpha(image.pixel(corner)), 0) << corner.x() << "," << corner.y();
    EXPECT_TRUE(colourNear(centre(image), Magenta));

    // Up the middle column from the bottom: first a dark translucent shadow, or without
    // one the picture at the very edge.
    int y = side - 1;
    while (y > 0 && qAlpha(image.pixel(side / 2, y)) == 0)
        --y;
    const QColor first = QColor::fromRgba(image.pixel(side / 2, y));
    EXPECT_TRUE(row.shadow > 0 ? first.alpha() > 0 && first.alpha() < 255 && first.red() < 40
                               : y == side - 1 && colourNear(first.rgba(), Magenta, 30))
        << y << " " << qPrintable(first.name(QColor::HexArgb));

    const Differences d = differences(image, plain);
    EXPECT_EQ(d.upper, row.upper);
    EXPECT_EQ(d.lowerRight, row.lowerRight);
    EXPECT_EQ(d.lowerLeft, row.lowerLeft);
    EXPECT_LE(std::max(d.bounds.width(), d.bounds.height()), qRound(row.maxChange * row.scale));
    const QPoint top(side / 2, side / 4);
    EXPECT_GE(QColor(image.pixel(top)).lightness(),
        QColor(plain.pixel(top)).lightness()); // gloss lightens
}

INSTANTIATE_TEST_SUITE_P(ListPhotos, ListPhotosRounded,
    ::testing::Values(RoundRow {"FacebookMark", 51, 5, 2, [](auto& o) { o.facebookMark = true; },
                          false, true, false, ListPhotos::MarkSize},
        RoundRow {"ContactMarkAtOnePixelPerPoint", 51, 5, 1, [](auto& o) { o.contactMark = true; },
            false, false, true, ListPhotos::MarkSize},
        RoundRow {"GlossLargeAtThreePixelsPerPoint", 63, 5, 3, [](auto& o) { o.gloss = true; },
            true, false, false, 63},
        RoundRow {"StandardThemeShadow", 51, 5, 2, [](auto& o) { o.standardTheme = true; }, true,
            true, true, 51},
        RoundRow {"NoShadow", 51, 0, 2, [](auto&) {}, false, false, false, 0}),
    test::RowName());

TEST(ListPhotos, APictureIsTurnedUprightByItsOrientationTagAndCroppedToItsCentre)
{
    if (!QImageWriter::supportedImageFormats().contains("jpeg"))
        GTEST_SKIP() << "no JPEG support";
    // Blue side bands around a middle square stored magenta above teal, tagged "rotated by
    // 180 degrees"; edges on 16-pixel blocks so the JPEG keeps the colours apart.
    QImage stored(128, 64, QImage::Format_RGB32);
    stored.fill(Qt::blue);
    for (int y = 0; y < 64; ++y)
        for (int x = 32; x < 96; ++x)
            stored.setPixel(x, y, (y < 32 ? Magenta : Teal).rgb());
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    writer.setTransformation(QImageIOHandler::TransformationRotate180);
    ASSERT_TRUE(writer.write(stored));
    const QImage rounded = ListPhotos::createRoundedImage(ListPhotos::decodePicture(jpeg), 51, 0);
    ASSERT_EQ(rounded.size(), QSize(102, 102));
    EXPECT_TRUE(colourNear(rounded.pixel(20, 25), Teal, 12));
    EXPECT_TRUE(colourNear(rounded.pixel(82, 77), Magenta, 12));
}

// ---- One record's preparation ----------------------------------------------------------------

TEST(ListPhotosRecord, AContactsOccasionsShareOnePreparedPicture)
{
    PhotoData data;
    data.addPerson(QStringLiteral("Ida"), encoded(solid(Magenta)),
        {{QString(ContactLabel::Anniversary), QDate(2015, 6, 1)}});
    data.addPerson(QStringLiteral("Noah"), encoded(solid(Teal)));
    RecordDatabase& db = data.load();
    const OccasionRecordPtr birthday = data.named(QStringLiteral("Ida"), OccasionRecord::Birthday);
    const OccasionRecordPtr anniversary =
        data.named(QStringLiteral("Ida"), OccasionRecord::Anniversary);
    const OccasionRecordPtr other = data.named(QStringLiteral("Noah"));
    ASSERT_TRUE(birthday && anniversary && other);

    // Only the birthday is handed over, without index paths: nothing is announced.
    QObject context;
    int told = 0;
    OperationQueue queue(1);
    queue.addOperation(
        std::make_shared<ListImageOperation>(db, data.dir.path(), std::vector {birthday},
            std::vector<IndexPath> {}, &context, [&](const IndexPath&) { ++told; }));
    queue.waitUntilAllOperationsAreFinished();
    QCoreApplication::processEvents();
    EXPECT_EQ(told, 0);
    EXPECT_EQ(birthday->photo.size(), QSize(126, 126));
    EXPECT_TRUE(colourNear(centre(birthday->photo), Magenta));
    EXPECT_EQ(anniversary->photo.cacheKey(), birthday->photo.cacheKey());
    EXPECT_EQ(anniversary->abPhoto, P);
    EXPECT_TRUE(other->photo.isNull());
}

struct SizeRow {
    std::string name;
    qsizetype bytes; // 0: not a picture at all
    bool shown;
};

class ListPhotosPictureSize : public ::testing::TestWithParam<SizeRow> { };

TEST_P(ListPhotosPictureSize, OnlyReadablePicturesUnderOnePointFiveMillionBytesAreUsed)
{
    const SizeRow& row = GetParam();
    const QByteArray png = encoded(solid(Magenta));
    // Decoders stop at the PNG's end: the padding only makes the data that large.
    const QByteArray picture =
        row.bytes ? png + QByteArray(row.bytes - png.size(), '\0') : QByteArray("not a picture");
    ASSERT_EQ(QImage::fromData(picture).isNull(), row.bytes == 0);
    PhotoData data;
    data.addPerson(QStringLiteral("Ida"), picture);
    data.load();
    const OccasionRecordPtr r = data.named(QStringLiteral("Ida"));
    data.runOperation({r});
    EXPECT_EQ(r->abPhoto, row.shown ? P : A);
    if (row.shown) {
        EXPECT_TRUE(colourNear(centre(r->photo), Magenta));
    } else {
        EXPECT_EQ(r->photo, blank(QStringLiteral("BlankPhoto_Medium.png")));
    }
}

INSTANTIATE_TEST_SUITE_P(ListPhotos, ListPhotosPictureSize,
    ::testing::Values(SizeRow {"OneByteUnderTheLimit", 1499999, true},
        SizeRow {"AtTheLimit", 1500000, false}, SizeRow {"Unreadable", 0, false}),
    test::RowName());

// Which picture and marks each kind of record gets. Contact pictures are teal, friends'
// and entries' files magenta.
enum class Source {
    Contact,
    Friend,
    Both,
    FacebookEntry,
    CustomEntry
}; // Both: the contact and a friend

struct MarkRow {
    std::string name;
    Source source;
    bool showFacebook, facebookMark, contactMark; // "800A", "827B", "0977"
    bool expectFacebook, expectContact;
};

class ListPhotosMarkChoice : public ::testing::TestWithParam<MarkRow> { };

TEST_P(ListPhotosMarkChoice, FollowsTheKindOfRecordAndTheSettings)
{
    const MarkRow& row = GetParam();
    PhotoData data;
    data.set(Key::ShowFacebook, row.showFacebook);
    data.set(Key::FacebookPhotoMark, row.facebookMark);
    data.set(Key::ContactPhotoMark, row.contactMark);
    const bool entry = row.source == Source::FacebookEntry || row.source == Source::CustomEntry;
    const bool contactPicture = row.source == Source::Contact || row.source == Source::Both;
    OccasionRecordPtr r;
    if (entry) {
        data.load();
        r = data.entry(QStringLiteral("OWN-1"), row.source == Source::FacebookEntry);
        data.writePicture(r->customID, solid(Magenta));
    } else {
        const std::int32_t id = data.addPerson(
            QStringLiteral("Ida"), contactPicture ? encoded(solid(Teal)) : QByteArray());
        if (row.source != Source::Contact)
            data.writeEntries({data.entry(QStringLiteral("100200300"), true, id)});
        data.writePicture(QStringLiteral("100200300"), solid(Magenta));
        data.load();
        r = data.named(QStringLiteral("Ida"), OccasionRecord::Birthday);
        ASSERT_TRUE(r);
        ASSERT_EQ(!r->facebookLinkID.isEmpty(), row.source != Source::Contact && row.showFacebook);
    }
    data.prepare(*r);
    const QColor colour = contactPicture ? Teal : Magenta;
    ASSERT_FALSE(r->photo.isNull());
    EXPECT_TRUE(colourNear(centre(r->photo), colour));
    const Differences d = differences(r->photo, plainListPhoto(colour));
    EXPECT_EQ(d.lowerRight, row.expectFacebook);
    EXPECT_EQ(d.lowerLeft, row.expectContact);
    EXPECT_FALSE(d.upper);
}

INSTANTIATE_TEST_SUITE_P(ListPhotos, ListPhotosMarkChoice,
    ::testing::Values(
        MarkRow {"ContactWithContactMark", Source::Contact, true, true, true, false, true},
        MarkRow {"LinkedContactOwnPictureBothMarks", Source::Both, true, true, true, true, true},
        MarkRow {"LinkedContactFacebookMarkOff", Source::Both, true, false, false, false, false},
        MarkRow {"LinkWhileFacebookHidden", Source::Both, false, true, false, false, false},
        MarkRow {"FriendPictureWithFacebookMark", Source::Friend, true, true, false, true, false},
        MarkRow {"FacebookEntryNeverTheContactMark", Source::FacebookEntry, true, true, true, true,
            false},
        MarkRow {
            "FacebookEntryFacebookMarkOff", Source::FacebookEntry, true, false, true, false, false},
        MarkRow {"CustomEntryNoMarks", Source::CustomEntry, true, true, true, false, false}),
    test::RowName());

// An entry's picture file, and a friend's by the same rule, only inside the data directory.
struct EntryRow {
    std::string name;
    const char* id; // "DIR" stands for the folder above the data directory
    bool facebook, fileExists;
    int cPhotoBefore;
    bool photo;
};

class ListPhotosEntry : public ::testing::TestWithParam<EntryRow> { };

TEST_P(ListPhotosEntry, ReadsItsOwnPictureFileUnlessKnownMissingOrOutside)
{
    const EntryRow& row = GetParam();
    PhotoData data;
    data.load();
    const QString inner = data.dir.file(QStringLiteral("inner"));
    ASSERT_TRUE(QDir().mkpath(inner));
    ASSERT_TRUE(solid(Teal).save(data.dir.file(QStringLiteral("outside.png"))));
    const QString id = QString::fromUtf8(row.id).replace(QStringLiteral("DIR"), data.dir.path());
    if (row.fileExists) {
        ASSERT_TRUE(solid(Teal).save(inner + "/" + id + ".png"));
    }
    const OccasionRecordPtr r = data.entry(id, row.facebook);
    r->cPhoto = row.cPhotoBefore;
    data.prepare(*r, inner);
    EXPECT_EQ(r->cPhoto, row.photo ? P : A);
    EXPECT_EQ(r->abPhoto, A);
    EXPECT_TRUE(row.photo ? colourNear(centre(r->photo), Teal)
                          : ::testing::AssertionResult(r->photo.isNull()));
    if (row.cPhotoBefore != A) {
        EXPECT_EQ(ListPhotos::createRoundedLinkedFacebookImageFromID(inner, id, 51, 5, true, false)
                      .isNull(),
            !row.photo);
    }
}

INSTANTIATE_TEST_SUITE_P(ListPhotos, ListPhotosEntry,
    ::testing::Values(EntryRow {"CustomWithFile", "ENTRY-7", false, true, N, true},
        EntryRow {"FacebookWithoutFile", "ENTRY-7", true, false, N, false},
        EntryRow {"KnownMissingIsNotReadAgain", "ENTRY-7", false, true, A, false},
        EntryRow {"ClimbingOutIsRefused", "../outside", false, false, N, false},
        EntryRow {"AbsolutePathIsRefused", "DIR/outside", false, false, N, false}),
    test::RowName());

struct HolidayRow {
    std::string name;
    const char* fileName; // "DIR" stands for the data directory
    bool shipped;         // the file is among the holiday pictures
    bool photo;
};

class ListPhotosHoliday : public ::testing::TestWithParam<HolidayRow> { };

TEST_P(ListPhotosHoliday, UsesItsShippedPictureAndNeverABlank)
{
    const HolidayRow& row = GetParam();
    PhotoData data;
    data.resourceRoot =
        data.dir.file(QStringLiteral("resources")); // stands in for the shipped resources
    ASSERT_TRUE(QDir().mkpath(data.resourceRoot + QStringLiteral("/holidays")));
    ASSERT_TRUE(solid(Teal).save(data.dir.file(QStringLiteral("elsewhere.png"))));
    if (row.shipped) {
        ASSERT_TRUE(solid(Teal).save(
            data.resourceRoot + QStringLiteral("/holidays/HOLIDAYS_US_July4.png")));
    }
    data.load();
    auto holiday = std::make_shared<OccasionRecord>();
    holiday->isHoliday = true;
    holiday->type = OccasionRecord::Holiday;
    holiday->abPhoto = A;
    holiday->holidayPhotoFilename =
        QString::fromUtf8(row.fileName).replace(QStringLiteral("DIR"), data.dir.path());
    data.runOperation({holiday}); // which would give any other record a blank
    EXPECT_TRUE(row.photo ? colourNear(centre(holiday->photo), Teal)
                          : ::testing::AssertionResult(holiday->photo.isNull()));
    EXPECT_EQ(ListPhotos::rowPhoto(*holiday, data.settings).show,
        row.photo ? Show::Photo : Show::Spinner);
}

INSTANTIATE_TEST_SUITE_P(ListPhotos, ListPhotosHoliday,
    ::testing::Values(HolidayRow {"WithPicture", "HOLIDAYS_US_July4.png", true, true},
        HolidayRow {"PictureFileMissing", "HOLIDAYS_US_July4.png", false, false},
        HolidayRow {"AbsolutePathIsRefused", "DIR/elsewhere.png", true, false},
        HolidayRow {"ClimbingOutIsRefused", "../../elsewhere.png", true, false}),
    test::RowName());

// ---- Dropping photos and what a row shows ----------------------------------------------------

TEST(ListPhotosFlush, TurningTheFacebookMarkOffAndOnPreparesEveryPhotoAgain)
{
    PhotoData data;
    data.set(Key::ShowFacebook, true);
    const std::int32_t linked = data.addPerson(QStringLiteral("Ida"));
    data.addPerson(QStringLiteral("Noah"), encoded(solid(Teal)));
    data.writeEntries({data.entry(QStringLiteral("4242"), true, linked)});
    data.writePicture(QStringLiteral("4242"), solid(Magenta));
    RecordDatabase& db = data.load();
    const OccasionRecordPtr ida = data.named(QStringLiteral("Ida"));
    const OccasionRecordPtr noah = data.named(QStringLiteral("Noah"));
    const QImage unmarked = plainListPhoto(Magenta);

    data.runOperation(db.records());
    EXPECT_TRUE(differences(ida->photo, unmarked).lowerRight);
    const qint64 firstNoah = noah->photo.cacheKey();

    data.set(Key::FacebookPhotoMark, false);
    db.flushRoundedPhotos();
    for (const OccasionRecordPtr& r : db.records())
        EXPECT_EQ(ListPhotos::rowPhoto(*r, data.settings).show, Show::Spinner);
    data.runOperation(db.records());
    EXPECT_EQ(ida->photo, unmarked);
    EXPECT_NE(noah->photo.cacheKey(), firstNoah);

    data.set(Key::FacebookPhotoMark, true);
    db.flushRoundedPhotos();
    data.runOperation(db.records());
    EXPECT_TRUE(differences(ida->photo, unmarked).lowerRight);
    EXPECT_TRUE(colourNear(centre(noah->photo), Teal));
}

enum class Kind { Contact, Linked, Custom, Facebook };

struct ShowRow {
    std::string name;
    Kind kind;
    int abPhoto, cPhoto;
    bool hasPhoto;
    bool facebookMark, contactMark, largeRows;
    const char*
        shows; // "photo", "spinner" or the blank "BlankPhoto_<shows>.png", which the database gives too
};

class ListPhotosRowPhoto : public ::testing::TestWithParam<ShowRow> { };

TEST_P(ListPhotosRowPhoto, ChoosesPhotoBlankOrSpinner)
{
    const ShowRow& row = GetParam();
    PhotoData data;
    data.set(Key::ShowFacebook, true);
    data.set(Key::FacebookPhotoMark, row.facebookMark);
    data.set(Key::ContactPhotoMark, row.contactMark);
    data.set(Key::LargeRows, row.largeRows);
    const RecordDatabase& db = data.load();
    OccasionRecord r;
    r.recordID = row.kind == Kind::Contact || row.kind == Kind::Linked ? 4 : -1;
    if (row.kind == Kind::Linked)
        r.facebookLinkID = QStringLiteral("99");
    r.isCustomEntry = row.kind == Kind::Custom;
    r.isFacebookEntry = row.kind == Kind::Facebook;
    r.abPhoto = row.abPhoto;
    r.cPhoto = row.cPhoto;
    const QString expected = QString::fromLatin1(row.shows);
    const bool blankRow =
        expected != QLatin1String("photo") && expected != QLatin1String("spinner");
    const QString file = blankRow ? QStringLiteral("BlankPhoto_%1.png").arg(expected) : expected;
    if (row.hasPhoto) {
        r.photo = solid(Teal);
        EXPECT_TRUE(db.setBlankImageForRecord(r).isEmpty()); // a record with a photo keeps it
    } else if (blankRow) {
        EXPECT_EQ(db.setBlankImageForRecord(r), file);
        EXPECT_EQ(r.photo, blank(file));
    }
    const ListPhotos::RowPhoto shown = ListPhotos::rowPhoto(r, data.settings);
    const QString shows = shown.show == Show::Photo ? QStringLiteral("photo")
        : shown.show == Show::Spinner               ? QStringLiteral("spinner")
                                                    : shown.blankFile;
    EXPECT_EQ(shows, file);
    EXPECT_EQ(shown.photo.isNull(), shown.show != Show::Photo);
}

INSTANTIATE_TEST_SUITE_P(ListPhotos, ListPhotosRowPhoto,
    ::testing::Values(
        ShowRow {"EntryPhotoReady", Kind::Custom, A, P, true, true, true, true, "photo"},
        ShowRow {
            "EntryFileFoundNotRoundedYet", Kind::Custom, A, P, false, true, true, true, "spinner"},
        ShowRow {"EntryNotLookedUp", Kind::Custom, A, N, false, true, true, true, "spinner"},
        ShowRow {"ContactNotLookedUpWithStalePhoto", Kind::Contact, N, N, true, true, true, true,
            "spinner"},
        ShowRow {"ContactPhoto", Kind::Contact, P, N, true, true, true, true, "photo"},
        ShowRow {"ContactBlank", Kind::Contact, A, N, false, false, false, false, "Small"},
        ShowRow {"ContactBlankWithContactMark", Kind::Contact, A, N, false, true, true, true,
            "MediumContact"},
        ShowRow {"LinkedBlank", Kind::Linked, A, N, false, true, false, true, "Medium_Facebook"},
        ShowRow {"LinkedBlankBothMarks", Kind::Linked, A, N, false, true, true, false,
            "Small_FacebookContact"},
        ShowRow {"LinkedBlankFacebookMarkOff", Kind::Linked, A, N, false, false, true, true,
            "MediumContact"},
        ShowRow {
            "FacebookEntryBlank", Kind::Facebook, A, A, false, true, true, true, "Medium_Facebook"},
        ShowRow {
            "FacebookEntryBlankMarkOff", Kind::Facebook, A, A, false, false, true, true, "Medium"},
        ShowRow {"CustomBlankNeverTheContactBlank", Kind::Custom, A, A, true, true, true, false,
            "Small"}),
    test::RowName());

} // namespace
