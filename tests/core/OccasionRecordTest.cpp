#include "core/OccasionABMetadata.h"
#include "core/OccasionRecord.h"
#include "core/Settings.h"
#include "core/Texts.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include "support/TestSupport.h"

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>

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

OccasionRecordPtr customEntry()
{
    auto r = std::make_shared<OccasionRecord>();
    r->recordID = -1;
    r->type = OccasionRecord::Anniversary;
    r->rawDate = test::utc("1999-06-18T10:00:00Z");
    r->ignoreYear = true;
    r->onetime = true;
    r->oneTimeYear = 2027;
    r->otherDateLabel = QStringLiteral("Hochzeitstag");
    r->notes = QStringLiteral("Flowers — not lilies\nsecond line");
    r->name = QStringLiteral("Zoë & Jürgen");
    r->firstName = QStringLiteral("Zoë");
    r->lastName = QStringLiteral("Jürgen");
    r->isCustomEntry = true;
    r->isFacebookMatched = true;
    r->facebookToContactID = 77;
    r->forcedFacebookUnlink = true;
    r->facebookLinkID = QStringLiteral("100004");
    r->alertsOff = true;
    r->ignoreForUpcoming = true;
    r->customID = QStringLiteral("7C0B1C3A-1111-4222-8333-944455556666");
    return r;
}

ArchiveValue withoutKeys(const ArchiveValue& value, const QStringList& keys)
{
    auto object = std::make_shared<ArchiveObject>(*value.asObject());
    std::erase_if(object->fields, [&](const auto& field) { return keys.contains(field.first); });
    return ArchiveValue::object(object);
}

ArchiveValue withField(const ArchiveValue& value, const QString& key, ArchiveValue field)
{
    auto object = std::make_shared<ArchiveObject>(*value.asObject());
    object->fields.emplace_back(key, std::move(field));
    return ArchiveValue::object(object);
}

QImage redSquare()
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(200, 20, 20));
    return image;
}

} // namespace

TEST(OccasionRecord, EncodesItsKeysInTheFixedOrder)
{
    auto r = customEntry();
    r->customPhoto = redSquare();
    const ArchiveValue encoded = r->encodeWithCoder();
    const ArchiveObject* object = encoded.asObject();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->classes, (QStringList{QStringLiteral("OccasionRecord"), QStringLiteral("NSObject")}));
    QStringList keys;
    for (const auto& field : object->fields)
        keys << field.first;
    const QStringList expected = QString::fromLatin1(
        "AlertsOff|Holiday|Is Custom|Is Facebook|Facebook Ignored|Ignore For Upcoming|Ignore Year|OneTime|"
        "ABRecordID|facebookToContactID|Raw Date|One Time Year|Custom Label|Notes|Type|VersionID|CustomID|Name|"
        "FirstName|LastName|FacebookLinkID|FacebookMatched|ForcedFacebookUnlink|Raw Photo").split(QLatin1Char('|'));
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(*object->find(QStringLiteral("VersionID"))->asString(), QStringLiteral("1.1"));
    const QByteArray* photo = object->find(QStringLiteral("Raw Photo"))->asData();
    ASSERT_NE(photo, nullptr);
    EXPECT_TRUE(photo->startsWith("\xFF\xD8\xFF")) << "a JPEG";
}

TEST(OccasionRecord, WritesNoPhotoKeyWithoutAPhoto)
{
    const ArchiveValue encoded = customEntry()->encodeWithCoder();
    EXPECT_EQ(encoded.asObject()->find(QStringLiteral("Raw Photo")), nullptr);
}

TEST(OccasionRecord, EveryStoredFieldSurvivesTheArchive)
{
    auto original = customEntry();
    original->customPhoto = redSquare();
    const auto back = OccasionRecord::initWithCoder(throughArchive(original->encodeWithCoder()));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->recordID, original->recordID);
    EXPECT_EQ(back->type, original->type);
    EXPECT_EQ(back->rawDate, original->rawDate);
    EXPECT_EQ(back->ignoreYear, original->ignoreYear);
    EXPECT_EQ(back->onetime, original->onetime);
    EXPECT_EQ(back->oneTimeYear, original->oneTimeYear);
    EXPECT_EQ(back->otherDateLabel, original->otherDateLabel);
    EXPECT_EQ(back->notes, original->notes);
    EXPECT_EQ(back->name, original->name);
    EXPECT_EQ(back->firstName, original->firstName);
    EXPECT_EQ(back->lastName, original->lastName);
    EXPECT_EQ(back->isCustomEntry, original->isCustomEntry);
    EXPECT_EQ(back->isFacebookEntry, original->isFacebookEntry);
    EXPECT_EQ(back->isIgnoredFacebook, original->isIgnoredFacebook);
    EXPECT_EQ(back->isFacebookMatched, original->isFacebookMatched);
    EXPECT_EQ(back->facebookToContactID, original->facebookToContactID);
    EXPECT_EQ(back->forcedFacebookUnlink, original->forcedFacebookUnlink);
    EXPECT_EQ(back->facebookLinkID, original->facebookLinkID);
    EXPECT_EQ(back->isHoliday, original->isHoliday);
    EXPECT_EQ(back->alertsOff, original->alertsOff);
    EXPECT_EQ(back->ignoreForUpcoming, original->ignoreForUpcoming);
    EXPECT_EQ(back->customID, original->customID);
    EXPECT_EQ(back->versionID, QStringLiteral("1.1"));
    EXPECT_EQ(back->customPhoto.size(), QSize(16, 16));
    EXPECT_EQ(back->abPhoto, OccasionRecord::PhotoNotLookedUp);
    EXPECT_EQ(back->cPhoto, OccasionRecord::PhotoNotLookedUp);
}

TEST(OccasionRecord, HolidayAndContactRecordsKeepTheirKindAndIds)
{
    auto holiday = std::make_shared<OccasionRecord>();
    holiday->isHoliday = true;
    holiday->type = OccasionRecord::Holiday;
    holiday->customID = QStringLiteral("US_July4");
    holiday->alertsOff = true;
    auto contact = std::make_shared<OccasionRecord>();
    contact->recordID = 2147483647;
    contact->type = OccasionRecord::OtherDate;
    contact->otherDateLabel = QStringLiteral("_$!<Other>!$_");
    contact->rawDate = test::utc("1604-03-15T00:00:00Z");

    const auto h = OccasionRecord::initWithCoder(throughArchive(holiday->encodeWithCoder()));
    const auto c = OccasionRecord::initWithCoder(throughArchive(contact->encodeWithCoder()));
    ASSERT_TRUE(h && c);
    EXPECT_TRUE(h->isHoliday);
    EXPECT_EQ(h->customID, QStringLiteral("US_July4"));
    EXPECT_EQ(c->recordID, 2147483647);
    EXPECT_EQ(c->rawDate, contact->rawDate);
    EXPECT_EQ(c->otherDateLabel, QStringLiteral("_$!<Other>!$_"));
    EXPECT_TRUE(c->versionID.isNull()) << "only custom and Facebook entries read their version";
}

TEST(OccasionRecord, DecodingRules)
{
    struct Row {
        const char* name;
        bool custom;
        bool facebook;
        QStringList removedKeys;
        bool expectNewUuid;
        bool expectVersion;
    };
    const Row rows[] = {
        {"custom without CustomID", true, false, {"CustomID"}, true, true},
        {"Facebook without CustomID", false, true, {"CustomID"}, true, true},
        {"contact without CustomID", false, false, {"CustomID"}, false, false},
        {"custom with CustomID", true, false, {}, false, true},
        {"custom without version", true, false, {"VersionID"}, false, false},
    };
    const QRegularExpression uuid(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto r = customEntry();
        r->isCustomEntry = row.custom;
        r->isFacebookEntry = row.facebook;
        if (!row.custom && !row.facebook)
            r->customID.clear();
        const ArchiveValue stored = throughArchive(withoutKeys(r->encodeWithCoder(), row.removedKeys));
        const auto first = OccasionRecord::initWithCoder(stored);
        const auto second = OccasionRecord::initWithCoder(stored);
        ASSERT_TRUE(first && second);
        if (row.expectNewUuid) {
            EXPECT_TRUE(uuid.match(first->customID).hasMatch()) << first->customID.toStdString();
            EXPECT_NE(first->customID, second->customID) << "each decode makes its own identity";
        } else if (row.custom || row.facebook) {
            EXPECT_EQ(first->customID, r->customID);
        } else {
            EXPECT_TRUE(first->customID.isEmpty());
        }
        EXPECT_EQ(first->versionID == QStringLiteral("1.1"), row.expectVersion);
    }
}

TEST(OccasionRecord, AMissingFacebookContactIdMeansNone)
{
    const auto r = OccasionRecord::initWithCoder(
        throughArchive(withoutKeys(customEntry()->encodeWithCoder(), {QStringLiteral("facebookToContactID")})));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->facebookToContactID, -1);
}

TEST(OccasionRecord, OnlyEntriesOfFetemarkReadAnArchivedPhoto)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(redSquare().save(&buffer, "JPEG", 88));
    for (const bool custom : {true, false}) {
        SCOPED_TRACE(custom ? "custom entry" : "choice record of a contact");
        auto r = customEntry();
        r->isCustomEntry = custom;
        const auto back = OccasionRecord::initWithCoder(
            throughArchive(withField(r->encodeWithCoder(), QStringLiteral("Raw Photo"), ArchiveValue::data(jpeg))));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->customPhoto.isNull(), !custom);
    }
}

TEST(OccasionRecord, OddlyTypedFieldsDecodeToSafeValues)
{
    ArchiveObjectWriter coder({QStringLiteral("OccasionRecord"), QStringLiteral("NSObject")});
    coder.encodeValue(QStringLiteral("Is Custom"), ArchiveValue::integer(1));
    coder.encodeValue(QStringLiteral("ABRecordID"), ArchiveValue::integer(1LL << 40));
    coder.encodeValue(QStringLiteral("Raw Date"), ArchiveValue::string(QStringLiteral("yesterday")));
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

TEST(OccasionRecord, CopyTakesTheListedFieldsOnly)
{
    auto r = customEntry();
    r->isFacebookEntry = true;
    r->isIgnoredFacebook = true;
    r->isHoliday = true;
    r->versionID = QStringLiteral("1.0");
    r->sortDate = test::utc("2027-06-18T00:00:00Z");
    r->longDateText = QStringLiteral("Friday, June 18");
    r->month = 6;
    r->isBelated = true;
    r->abPhoto = 1;
    r->cPhoto = 2;
    r->newFacebookEntry = true;
    r->fakeBirthday = true;
    r->fakeAnniversary = true;
    r->category = QStringLiteral("US");
    r->sortaMatches = QStringLiteral("Linked to Anna");
    r->holidayKey = QStringLiteral("July4");
    r->holidayInfo = QStringLiteral("Independence");
    r->holidayPhotoFilename = QStringLiteral("/x.png");
    r->originalName = QStringLiteral("Anna Berg");
    r->smartLabel = QStringLiteral(" wedding");
    // Not copied:
    r->photo = redSquare();
    r->customPhoto = redSquare();
    r->detailedText = QStringLiteral("Turning 30 today");
    r->detailedTextSansType = QStringLiteral("Today");
    r->dateText = QStringLiteral("Jun 18");
    r->daysUntilDate = 12;
    r->isUpcoming = true;
    r->age = 30;
    r->notificationDate = QStringLiteral("4E3A1B00");
    r->lionNoYear = true;
    r->isPhantomBirthday = true;

    const auto c = r->copy();
    ASSERT_NE(c, r);
    EXPECT_EQ(c->encodeWithCoder().asObject()->fields.size(), r->encodeWithCoder().asObject()->fields.size() - 1)
        << "all archived fields but the photo";
    EXPECT_EQ(c->customID, r->customID);
    EXPECT_EQ(c->name, r->name);
    EXPECT_EQ(c->notes, r->notes);
    EXPECT_EQ(c->rawDate, r->rawDate);
    EXPECT_EQ(c->oneTimeYear, r->oneTimeYear);
    EXPECT_TRUE(c->isIgnoredFacebook && c->isHoliday && c->alertsOff && c->ignoreForUpcoming);
    EXPECT_EQ(c->versionID, QStringLiteral("1.0"));
    EXPECT_EQ(c->sortDate, r->sortDate);
    EXPECT_EQ(c->longDateText, r->longDateText);
    EXPECT_EQ(c->month, 6);
    EXPECT_TRUE(c->isBelated);
    EXPECT_EQ(c->abPhoto, 1);
    EXPECT_EQ(c->cPhoto, 2);
    EXPECT_TRUE(c->newFacebookEntry && c->fakeBirthday && c->fakeAnniversary);
    EXPECT_EQ(c->category, r->category);
    EXPECT_EQ(c->sortaMatches, r->sortaMatches);
    EXPECT_EQ(c->holidayKey, r->holidayKey);
    EXPECT_EQ(c->holidayInfo, r->holidayInfo);
    EXPECT_EQ(c->holidayPhotoFilename, r->holidayPhotoFilename);
    EXPECT_EQ(c->originalName, r->originalName);
    EXPECT_EQ(c->smartLabel, r->smartLabel);

    EXPECT_TRUE(c->photo.isNull());
    EXPECT_TRUE(c->customPhoto.isNull());
    EXPECT_TRUE(c->detailedText.isNull());
    EXPECT_TRUE(c->detailedTextSansType.isNull());
    EXPECT_TRUE(c->dateText.isNull());
    EXPECT_EQ(c->daysUntilDate, 0);
    EXPECT_FALSE(c->isUpcoming);
    EXPECT_EQ(c->age, 0);
    EXPECT_TRUE(c->notificationDate.isNull());
    EXPECT_FALSE(c->lionNoYear);
    EXPECT_FALSE(c->isPhantomBirthday);

    // By value: changing the copy leaves the original alone.
    c->name = QStringLiteral("Someone else");
    EXPECT_EQ(r->name, QStringLiteral("Zoë & Jürgen"));
}

TEST(OccasionRecord, SortsByDateThenByNameCaseSensitively)
{
    auto make = [](const char* name, const char* when) {
        auto r = std::make_shared<OccasionRecord>();
        r->name = QString::fromUtf8(name);
        r->sortDate = test::utc(when);
        return r;
    };
    std::vector<OccasionRecordPtr> records{
        make("anna", "2027-03-05T00:00:00Z"), make("Zed", "2027-03-05T00:00:00Z"),
        make("Ärger", "2027-03-05T00:00:00Z"), make("Bob", "2027-03-04T00:00:00Z"),
        make("Anna", "2027-03-05T00:00:00Z"), make("aaron", "2027-03-06T00:00:00Z"),
    };
    std::stable_sort(records.begin(), records.end(), OccasionRecord::sortsBefore);
    QStringList order;
    for (const auto& r : records)
        order << r->name;
    // Every upper-case initial sorts before every lower-case one; "Ä" after both.
    EXPECT_EQ(order, (QStringList{QStringLiteral("Bob"), QStringLiteral("Anna"), QStringLiteral("Zed"),
                                  QStringLiteral("anna"), QStringLiteral("Ärger"), QStringLiteral("aaron")}));
    EXPECT_EQ(OccasionRecord::compareSortDate(*records[1], *records[1]), 0);
    EXPECT_LT(OccasionRecord::compareSortDateAndNewFacebook(*records[1], *records[2]), 0);
}

TEST(OccasionRecord, IsFacebookLinkedOnlyWhileFacebookEntriesAreShown)
{
    struct Row {
        const char* name;
        bool showFacebook;
        const char* linkID;
        bool expected;
    };
    const Row rows[] = {{"shown and linked", true, "100004", true},
                        {"hidden but linked", false, "100004", false},
                        {"shown, not linked", true, "", false}};
    test::TempDir dir;
    Settings settings(dir.file(QStringLiteral("Preferences.plist")));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        settings.setValue(QStringLiteral("800A"), row.showFacebook);
        OccasionRecord r;
        r.facebookLinkID = QString::fromLatin1(row.linkID);
        EXPECT_EQ(r.isFacebookLinked(settings), row.expected);
    }
}

TEST(OccasionRecord, LabelsOfTheAddressBookReadAsWords)
{
    const Texts texts(QStringLiteral("EN"));
    const std::pair<const char*, const char*> rows[] = {
        {"_$!<Anniversary>!$_", "anniversary"}, {"_$!<Other>!$_", "other"}, {"_$!<Home>!$_", "home"},
        {"_$!<HomeFAX>!$_", "home fax"},       {"_$!<Spouse>!$_", "spouse"}, {"_$!<Unheard>!$_", "unheard"},
        {"Hochzeitstag", "Hochzeitstag"},      {"", ""},                    {"_$!<>!$_", "_$!<>!$_"},
    };
    for (const auto& [label, shown] : rows) {
        SCOPED_TRACE(label);
        EXPECT_EQ(OccasionRecord::formattedCustomLabel(QString::fromUtf8(label), texts), QString::fromUtf8(shown));
    }
}

TEST(OccasionRecord, NoYearPatternsFollowTheLanguageBeforeTheLocale)
{
    EXPECT_EQ(OccasionRecord::getLongDateFormatNoYear(QStringLiteral("DE"), QStringLiteral("en_US")),
              QStringLiteral("EEEE, d. MMMM"));
    EXPECT_EQ(OccasionRecord::getMediumDateFormatNoYear(QStringLiteral("EN"), QStringLiteral("en_US")),
              QStringLiteral("MMMM d"));
    EXPECT_EQ(OccasionRecord::getMediumDateFormatNoYear(QStringLiteral("EN"), QStringLiteral("en_GB")),
              QStringLiteral("d MMMM"));
}

TEST(OccasionABMetadata, RoundTripsAndDefaultsToNoContact)
{
    OccasionABMetadata m;
    m.customID = QStringLiteral("US_July4");
    m.notes = QStringLiteral("Fireworks at the lake");
    const auto back = OccasionABMetadata::initWithCoder(throughArchive(m.encodeWithCoder()));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->customID, m.customID);
    EXPECT_EQ(back->recordID, -1);
    EXPECT_EQ(back->notes, m.notes);

    ArchiveObjectWriter bare({QStringLiteral("OccasionABMetadata"), QStringLiteral("NSObject")});
    bare.encodeString(QStringLiteral("Notes"), QStringLiteral("x"));
    const auto withoutId = OccasionABMetadata::initWithCoder(throughArchive(bare.finish()));
    ASSERT_NE(withoutId, nullptr);
    EXPECT_EQ(withoutId->recordID, -1);
    EXPECT_TRUE(withoutId->customID.isNull());
}
