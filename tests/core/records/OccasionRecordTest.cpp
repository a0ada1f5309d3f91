#include "core/records/OccasionRecord.h"
#include "core/records/OccasionABMetadata.h"
#include "core/settings/Settings.h"
#include "core/text/Texts.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include "support/TestSupport.h"

#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

using namespace fetemark;

namespace {

// Through the bytes, as a store file or a backup carries a record.
ArchiveValue throughArchive(const ArchiveValue& value)
{
    QString error;
    const auto bytes = KeyedArchiver::archivedData(value, &error);
    EXPECT_TRUE(bytes.has_value()) << error.toStdString();
    const auto back = KeyedUnarchiver::unarchive(bytes.value_or(QByteArray()), &error);
    EXPECT_TRUE(back.has_value()) << error.toStdString();
    return back.value_or(ArchiveValue());
}

const char* const kCustomId = "7C0B1C3A-1111-4222-8333-944455556666";

// The archived fields but the photo and version, to set and compare at once.
template<typename Record> auto storedFields(Record& r)
{
    return std::tie(r.recordID, r.type, r.rawDate, r.otherDateLabel, r.notes, r.name, r.firstName,
        r.lastName, r.isCustomEntry, r.isFacebookEntry, r.isIgnoredFacebook, r.isFacebookMatched,
        r.facebookToContactID, r.forcedFacebookUnlink, r.facebookLinkID, r.isHoliday, r.customID,
        r.ignoreYear, r.onetime, r.oneTimeYear, r.alertsOff, r.ignoreForUpcoming);
}

// A custom entry with every archived field away from its default but isFacebookEntry and isHoliday.
OccasionRecordPtr customEntry()
{
    auto r = std::make_shared<OccasionRecord>();
    storedFields(*r) =
        std::tuple(2147483647, OccasionRecord::Anniversary, test::utc("1999-06-18T10:00:00Z"),
            QStringLiteral("Hochzeitstag"), QStringLiteral("Flowers — not lilies\nsecond line"),
            QStringLiteral("Zoë & Jürgen"), QStringLiteral("Zoë"), QStringLiteral("Jürgen"), true,
            false, true, true, 77, true, QStringLiteral("100004"), false,
            QString::fromLatin1(kCustomId), true, true, 2027, true, true);
    return r;
}

QStringList keysOf(const ArchiveValue& value)
{
    QStringList keys;
    for (const auto& field : value.asObject()->fields)
        keys << field.first;
    return keys;
}

QImage redSquare()
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(200, 20, 20));
    return image;
}

TEST(OccasionRecord, EncodesItsKeysInTheFixedOrder)
{
    auto r = customEntry();
    QStringList expected = QString::fromLatin1(
        "AlertsOff|Holiday|Is Custom|Is Facebook|Facebook Ignored|Ignore For Upcoming|Ignore "
        "Year|OneTime|"
        "ABRecordID|facebookToContactID|Raw Date|One Time Year|Custom "
        "Label|Notes|Type|VersionID|CustomID|Name|"
        "FirstName|LastName|FacebookLinkID|FacebookMatched|ForcedFacebookUnlink")
                               .split(QLatin1Char('|'));
    EXPECT_EQ(keysOf(r->encodeWithCoder()), expected) << "no photo key without a photo";

    r->customPhoto = redSquare();
    const ArchiveValue encoded = r->encodeWithCoder();
    EXPECT_EQ(keysOf(encoded), expected << QStringLiteral("Raw Photo"));
    EXPECT_EQ(encoded.asObject()->classes,
        (QStringList {QStringLiteral("OccasionRecord"), QStringLiteral("NSObject")}));
    EXPECT_EQ(
        *encoded.asObject()->find(QStringLiteral("VersionID"))->asString(), QStringLiteral("1.1"));
    const QByteArray* photo = encoded.asObject()->find(QStringLiteral("Raw Photo"))->asData();
    ASSERT_NE(photo, nullptr);
    EXPECT_TRUE(photo->startsWith("\xFF\xD8\xFF")) << "a JPEG";
}

TEST(OccasionRecord, EveryStoredFieldSurvivesTheArchive)
{
    auto original = customEntry();
    original->isHoliday = true;
    original->customPhoto = redSquare();
    const auto back = OccasionRecord::initWithCoder(throughArchive(original->encodeWithCoder()));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(storedFields(*back), storedFields(*original));
    EXPECT_EQ(back->versionID, QStringLiteral("1.1"));
    EXPECT_EQ(back->customPhoto.size(), QSize(16, 16));
}

// Only entries kept by Fetemark (custom, Facebook) own an identity, a version and a photo.
struct DecodeRow {
    std::string name;
    bool custom = false;
    bool facebook = false;
    bool holiday = false;
    const char* removedKey = "";
    // Expected
    const char* id = kCustomId; // nullptr: a fresh UUID
    bool version = true;
    bool photo = true;
    int facebookToContactID = 77;
};

void PrintTo(const DecodeRow& row, std::ostream* os)
{
    *os << row.name;
}

class OccasionRecordDecoding : public testing::TestWithParam<DecodeRow> { };

TEST_P(OccasionRecordDecoding, Rules)
{
    const DecodeRow& row = GetParam();
    auto r = customEntry();
    r->isCustomEntry = row.custom;
    r->isFacebookEntry = row.facebook;
    r->isHoliday = row.holiday;
    r->customPhoto = redSquare();
    auto object = std::make_shared<ArchiveObject>(*r->encodeWithCoder().asObject());
    std::erase_if(object->fields,
        [&](const auto& field) { return field.first == QLatin1String(row.removedKey); });
    const ArchiveValue archived = throughArchive(ArchiveValue::object(object));
    const auto first = OccasionRecord::initWithCoder(archived);
    const auto second = OccasionRecord::initWithCoder(archived);
    ASSERT_TRUE(first && second);
    if (row.id) {
        EXPECT_EQ(first->customID, QString::fromLatin1(row.id));
    } else {
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"))
                .match(first->customID)
                .hasMatch())
            << first->customID.toStdString();
        EXPECT_NE(first->customID, second->customID) << "each decode makes its own identity";
    }
    EXPECT_EQ(first->versionID, row.version ? QStringLiteral("1.1") : QString());
    EXPECT_EQ(first->customPhoto.isNull(), !row.photo);
    EXPECT_EQ(first->facebookToContactID, row.facebookToContactID);
}

INSTANTIATE_TEST_SUITE_P(OccasionRecord, OccasionRecordDecoding,
    testing::Values(DecodeRow {.name = "CustomWithoutCustomIdGetsFreshUuid",
                        .custom = true,
                        .removedKey = "CustomID",
                        .id = nullptr},
        DecodeRow {.name = "FacebookWithoutCustomIdGetsFreshUuid",
            .facebook = true,
            .removedKey = "CustomID",
            .id = nullptr},
        DecodeRow {.name = "ContactWithoutCustomIdStaysWithout",
            .removedKey = "CustomID",
            .id = "",
            .version = false,
            .photo = false},
        DecodeRow {.name = "HolidayKeepsItsIdButReadsNoVersionOrPhoto",
            .holiday = true,
            .version = false,
            .photo = false},
        DecodeRow {.name = "CustomWithoutVersion",
            .custom = true,
            .removedKey = "VersionID",
            .version = false},
        DecodeRow {.name = "MissingFacebookContactIdMeansNone",
            .custom = true,
            .removedKey = "facebookToContactID",
            .facebookToContactID = -1}),
    test::RowName());

TEST(OccasionRecord, OddlyTypedFieldsDecodeToSafeValues)
{
    ArchiveObjectWriter coder({QStringLiteral("OccasionRecord"), QStringLiteral("NSObject")});
    coder.encodeValue(QStringLiteral("Is Custom"), ArchiveValue::integer(1));
    coder.encodeValue(QStringLiteral("ABRecordID"), ArchiveValue::integer(1LL << 40));
    coder.encodeValue(
        QStringLiteral("Raw Date"), ArchiveValue::string(QStringLiteral("yesterday")));
    coder.encodeValue(QStringLiteral("Name"), ArchiveValue::integer(5));
    coder.encodeValue(QStringLiteral("Raw Photo"), ArchiveValue::data(QByteArray("not an image")));
    const auto r = OccasionRecord::initWithCoder(throughArchive(coder.finish()));
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(r->isCustomEntry);
    EXPECT_EQ(r->recordID, -1);
    EXPECT_FALSE(r->rawDate.isValid());
    EXPECT_TRUE(r->name.isEmpty());
    EXPECT_TRUE(r->customPhoto.isNull());
    EXPECT_EQ(OccasionRecord::initWithCoder(ArchiveValue::string(QStringLiteral("x"))), nullptr);
}

// Display fields copy() carries beyond the archived ones, and those it leaves out.
template<typename Record> auto listedFields(Record& r)
{
    return std::tie(r.versionID, r.sortDate, r.longDateText, r.month, r.isBelated, r.abPhoto,
        r.cPhoto, r.newFacebookEntry, r.fakeBirthday, r.fakeAnniversary, r.category, r.sortaMatches,
        r.holidayKey, r.holidayInfo, r.holidayPhotoFilename, r.originalName, r.smartLabel);
}

template<typename Record> auto uncopiedFields(Record& r)
{
    return std::tie(r.photo, r.customPhoto, r.detailedText, r.detailedTextSansType, r.dateText,
        r.daysUntilDate, r.isUpcoming, r.age, r.notificationDate, r.lionNoYear,
        r.isPhantomBirthday);
}

TEST(OccasionRecord, CopyTakesTheListedFieldsOnly)
{
    auto r = customEntry();
    r->isFacebookEntry = r->isHoliday = true;
    listedFields(*r) = std::tuple(QStringLiteral("1.0"), test::utc("2027-06-18T00:00:00Z"),
        QStringLiteral("Friday, June 18"), 6, true, 1, 2, true, true, true, QStringLiteral("US"),
        QStringLiteral("Linked to Anna"), QStringLiteral("July4"), QStringLiteral("Independence"),
        QStringLiteral("/x.png"), QStringLiteral("Anna Berg"), QStringLiteral(" wedding"));
    uncopiedFields(*r) = std::tuple(redSquare(), redSquare(), QStringLiteral("Turning 30 today"),
        QStringLiteral("Today"), QStringLiteral("Jun 18"), 12, true, 30, QStringLiteral("4E3A1B00"),
        true, true);

    const auto c = r->copy();
    EXPECT_EQ(storedFields(*c), storedFields(*r));
    EXPECT_EQ(listedFields(*c), listedFields(*r));
    OccasionRecord blank;
    EXPECT_EQ(uncopiedFields(*c), uncopiedFields(blank));
}

TEST(OccasionRecord, SortsByDateThenByNameCaseSensitively)
{
    const std::pair<const char*, int> rows[] = {{"anna", 5}, {"Zed", 5}, {"Ärger", 5}, {"Bob", 4},
        {"Anna", 5}, {"aaron", 6}, {"Yves", 0}}; // 0: no date
    std::vector<OccasionRecordPtr> records;
    for (const auto& [name, day] : rows) {
        records.push_back(std::make_shared<OccasionRecord>());
        records.back()->name = QString::fromUtf8(name);
        if (day != 0)
            records.back()->sortDate = test::utc("2027-03-01T00:00:00Z").addDays(day);
    }
    std::stable_sort(records.begin(), records.end(), OccasionRecord::sortsBefore);
    QStringList order;
    for (const auto& r : records)
        order << r->name;
    // Undated first; then every upper-case initial before every lower-case one, "Ä" after both.
    EXPECT_EQ(order.join(QLatin1Char(' ')), QStringLiteral("Yves Bob Anna Zed anna Ärger aaron"));
    EXPECT_EQ(OccasionRecord::compareSortDate(*records[2], *records[2]), 0);
}

TEST(OccasionRecord, IsFacebookLinkedOnlyWhileFacebookEntriesAreShown)
{
    const std::tuple<bool, const char*, bool> rows[] = {
        {true, "100004", true}, {false, "100004", false}, {true, "", false}};
    test::TempDir dir;
    Settings settings(dir.file(QStringLiteral("Preferences.plist")));
    for (const auto& [shown, linkID, linked] : rows) {
        SCOPED_TRACE(testing::Message() << "shown " << shown << ", link '" << linkID << "'");
        settings.setValue(QStringLiteral("800A"), shown);
        OccasionRecord r;
        r.facebookLinkID = QString::fromLatin1(linkID);
        EXPECT_EQ(r.isFacebookLinked(settings), linked);
    }
}

TEST(OccasionRecord, LabelsOfTheAddressBookReadAsWords)
{
    const Texts texts(QStringLiteral("EN"));
    const std::pair<const char*, const char*> rows[] = {
        {"_$!<Anniversary>!$_", "anniversary"},
        {"_$!<HomeFAX>!$_", "home fax"},
        {"_$!<Unheard>!$_", "unheard"},
        {"Hochzeitstag", "Hochzeitstag"},
        {"", ""},
        {"_$!<>!$_", "_$!<>!$_"},
    };
    for (const auto& [label, shown] : rows) {
        SCOPED_TRACE(label);
        EXPECT_EQ(OccasionRecord::formattedCustomLabel(QString::fromUtf8(label), texts),
            QString::fromUtf8(shown));
    }
}

TEST(OccasionRecord, NoYearPatternsComeFromTheSharedTable)
{
    EXPECT_EQ(
        OccasionRecord::getLongDateFormatNoYear(QStringLiteral("DE"), QStringLiteral("en_US")),
        QStringLiteral("EEEE, d. MMMM"));
    EXPECT_EQ(
        OccasionRecord::getMediumDateFormatNoYear(QStringLiteral("EN"), QStringLiteral("en_GB")),
        QStringLiteral("d MMMM"));
}

TEST(OccasionABMetadata, RoundTripsAndDefaultsToNoContact)
{
    OccasionABMetadata m;
    m.customID = QStringLiteral("US_July4");
    m.notes = QStringLiteral("Fireworks at the lake");
    const auto back = OccasionABMetadata::initWithCoder(throughArchive(m.encodeWithCoder()));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(std::tuple(back->customID, back->recordID, back->notes),
        std::tuple(m.customID, -1, m.notes));

    ArchiveObjectWriter bare({QStringLiteral("OccasionABMetadata"), QStringLiteral("NSObject")});
    bare.encodeString(QStringLiteral("Notes"), QStringLiteral("x"));
    const auto withoutId = OccasionABMetadata::initWithCoder(throughArchive(bare.finish()));
    ASSERT_NE(withoutId, nullptr);
    EXPECT_EQ(withoutId->recordID, -1);
    EXPECT_TRUE(withoutId->customID.isNull());
}

} // namespace
