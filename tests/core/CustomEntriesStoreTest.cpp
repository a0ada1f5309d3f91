#include "core/Calendar.h"
#include "core/Clock.h"
#include "core/CustomEntriesStore.h"
#include "core/OccasionABMetadata.h"
#include "core/OccasionCalculator.h"
#include "core/OccasionRecord.h"
#include "core/Settings.h"
#include "core/SettingsKeys.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include "support/TestSupport.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <optional>

using namespace fetemark;

namespace {

// Helpers

template <typename Row>
std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

const QString EntriesKey = QStringLiteral("Custom Entries");
const QString MetadataKey = QStringLiteral("AB Metadata");
const QString StoreDataDir = QStringLiteral(FETEMARK_TEST_DATA_DIR "/stores/");

// The moment every test runs at: Thursday 5 March 2026, 13:00 in Berlin.
const char* const Now = "2026-03-05T12:00:00Z";
const QString Stamp = QStringLiteral("20260305-120000");

void registerAllDefaults(Settings& settings)
{
    settings.registerDefaults(registeredDefaults());
}

OccasionRecordPtr contactDate(const Calendar& cal, std::int32_t id, int y, int m, int d,
                              int type = OccasionRecord::Birthday, const QString& label = {})
{
    auto r = std::make_shared<OccasionRecord>();
    r->recordID = id;
    r->type = type;
    r->rawDate = cal.date(y, m, d);
    r->otherDateLabel = label;
    r->name = QStringLiteral("Contact %1").arg(id);
    return r;
}

OccasionRecordPtr customEntry(const Calendar& cal, const QString& id, const QString& name, int y, int m, int d,
                              int hour = 0)
{
    auto r = std::make_shared<OccasionRecord>();
    r->isCustomEntry = true;
    r->customID = id;
    r->name = name;
    r->rawDate = cal.date(y, m, d, hour);
    r->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
    return r;
}

OccasionRecordPtr facebookEntry(const Calendar& cal, const QString& id, const QString& first, const QString& last,
                                int y, int m, int d, int hour = 0)
{
    auto r = std::make_shared<OccasionRecord>();
    r->isFacebookEntry = true;
    r->customID = id;
    r->firstName = first;
    r->lastName = last;
    r->name = QStringLiteral("as fetched");
    r->rawDate = cal.date(y, m, d, hour);
    r->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
    return r;
}

OccasionRecordPtr holiday(const Calendar& cal, const QString& customID, int y, int m, int d)
{
    auto r = std::make_shared<OccasionRecord>();
    r->isHoliday = true;
    r->type = OccasionRecord::Holiday;
    r->customID = customID;
    r->name = customID;
    r->rawDate = cal.date(y, m, d);
    return r;
}

QImage solidImage(const QColor& colour, int width = 16, int height = 12)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QByteArray jpegOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

// Photos go through JPEG on their way from older files: colours come back close, not equal.
::testing::AssertionResult looksLike(const QImage& image, const QColor& colour)
{
    if (image.isNull())
        return ::testing::AssertionFailure() << "no image";
    const QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
    if (std::abs(c.red() - colour.red()) > 12 || std::abs(c.green() - colour.green()) > 12
        || std::abs(c.blue() - colour.blue()) > 12)
        return ::testing::AssertionFailure() << "centre pixel is " << c.name().toStdString() << ", expected about "
                                             << colour.name().toStdString();
    return ::testing::AssertionSuccess();
}

// The archive a store file holds, read directly: what is really on disk.
struct RawArchive {
    ArchiveValue root;
    const ArchiveArray* items = nullptr;

    std::vector<const ArchiveObject*> objects() const
    {
        std::vector<const ArchiveObject*> out;
        if (items) {
            for (const ArchiveValue& v : items->items)
                out.push_back(v.asObject());
        }
        return out;
    }
    const ArchiveObject* withCustomID(const QString& id) const
    {
        for (const ArchiveObject* o : objects()) {
            if (o && o->find(QStringLiteral("CustomID")) && o->find(QStringLiteral("CustomID"))->asString()
                && *o->find(QStringLiteral("CustomID"))->asString() == id)
                return o;
        }
        return nullptr;
    }
};

RawArchive readRaw(const QString& path, const QString& key)
{
    RawArchive raw;
    QString error;
    auto root = KeyedUnarchiver::unarchive(test::readFile(path), &error);
    if (!root) {
        ADD_FAILURE() << path.toStdString() << ": " << error.toStdString();
        return raw;
    }
    raw.root = *root;
    const ArchiveDictionary* dict = raw.root.asDictionary();
    const ArchiveValue* list = dict ? dict->find(key) : nullptr;
    raw.items = list ? list->asArray() : nullptr;
    if (!raw.items)
        ADD_FAILURE() << path.toStdString() << " has no array under " << key.toStdString();
    return raw;
}

QDateTime rawDateOf(const ArchiveObject* object)
{
    const ArchiveValue* v = object ? object->find(QStringLiteral("Raw Date")) : nullptr;
    return v && v->asDate() ? *v->asDate() : QDateTime();
}

ArchiveValue rootWith(const QString& key, std::vector<ArchiveValue> items)
{
    auto array = std::make_shared<ArchiveArray>();
    array->items = std::move(items);
    auto dict = std::make_shared<ArchiveDictionary>();
    dict->entries.emplace_back(key, ArchiveValue::array(array));
    return ArchiveValue::dictionary(dict);
}

QByteArray archived(const ArchiveValue& root)
{
    QString error;
    auto bytes = KeyedArchiver::archivedData(root, &error);
    EXPECT_TRUE(bytes.has_value()) << error.toStdString();
    return bytes.value_or(QByteArray());
}

// A record object as an older version wrote it: `version` (absent when nullopt) and the
// photo embedded as JPEG under "Raw Photo".
ArchiveValue olderRecordObject(const OccasionRecord& r, const std::optional<QString>& version, const QImage& photo)
{
    auto object = std::make_shared<ArchiveObject>(*r.encodeWithCoder().asObject());
    std::erase_if(object->fields, [](const auto& f) {
        return f.first == QLatin1String("VersionID") || f.first == QLatin1String("Raw Photo");
    });
    if (version)
        object->fields.emplace_back(QStringLiteral("VersionID"), ArchiveValue::string(*version));
    if (!photo.isNull())
        object->fields.emplace_back(QStringLiteral("Raw Photo"), ArchiveValue::data(jpegOf(photo)));
    return ArchiveValue::object(object);
}

QStringList damagedCopies(const QString& path)
{
    const QFileInfo info(path);
    return info.absoluteDir().entryList({info.fileName() + QStringLiteral(".damaged-*")}, QDir::Files | QDir::Dirs,
                                        QDir::Name);
}

// Fixture archives in tests/data/stores (dates at local noon in Europe/Berlin).
const QString OldPhotoID = QStringLiteral("5D1A7C1E-0A39-4C55-9F0B-3C1D2E4F5A61");
const QString OldOneTimeID = QStringLiteral("5D1A7C1E-0A39-4C55-9F0B-3C1D2E4F5A62");
const QString OldFacebookID = QStringLiteral("100004217");
const QColor Red(200, 30, 30);
const QColor Blue(30, 40, 210);
const QColor Green(20, 180, 60);

QByteArray storeData(const char* name)
{
    const QByteArray bytes = test::readFile(StoreDataDir + QLatin1String(name));
    EXPECT_FALSE(bytes.isEmpty()) << "missing test data " << name;
    return bytes;
}

// Fixture: a fresh data directory, Berlin, 5 March 2026, default settings.

class CustomEntriesStoreTest : public ::testing::Test {
protected:
    CustomEntriesStoreTest() { registerAllDefaults(settings); }

    OccasionCalculator calculator() const { return OccasionCalculator(calendar, clock.now(), settings); }

    // One load as the database does it: the file's records sorted into shown and held over.
    void readInto(std::vector<OccasionRecordPtr>& database, std::vector<OccasionRecordPtr>& holdovers,
                  QStringList* warnings = nullptr)
    {
        const auto stored = store.loadEntries(warnings);
        store.readCustomEntries(stored, database, holdovers, settings, calculator(), calendar);
    }

    void install(const QByteArray& bytes, const QString& path)
    {
        ASSERT_TRUE(test::writeFile(path, bytes)) << path.toStdString();
    }

    test::TempDir dir;
    Settings settings{dir.file(QStringLiteral("Preferences.plist"))};
    Calendar calendar{QStringLiteral("Europe/Berlin")};
    FixedClock clock{test::utc(Now)};
    CustomEntriesStore store{dir.path(), clock};
};

// File names

TEST_F(CustomEntriesStoreTest, FilesLiveInTheDataDirectory)
{
    EXPECT_EQ(store.dataFilePath(), dir.file(QStringLiteral("CustomEntries.plist")));
    EXPECT_EQ(store.metadataFilePath(), dir.file(QStringLiteral("ABMetadata.plist")));
    EXPECT_EQ(store.customPhotoFileName(QStringLiteral("7C0B1C3A-1111-4222-8333-944455556666")),
              dir.file(QStringLiteral("7C0B1C3A-1111-4222-8333-944455556666.png")));
    EXPECT_EQ(store.customPhotoFileName(QStringLiteral("100004217")), dir.file(QStringLiteral("100004217.png")));
}

struct HostileIdRow {
    std::string name;
    QString customID;
};

class CustomEntriesStoreHostileIds : public CustomEntriesStoreTest, public ::testing::WithParamInterface<HostileIdRow> {};

// A file anyone could have written names the photo: it must never lead outside the data
// directory. The store's directory is one level down so that an escape would be visible.
TEST_P(CustomEntriesStoreHostileIds, NeverNamesAFileOutsideTheDataDirectory)
{
    const QString dataDir = dir.file(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(dataDir));
    CustomEntriesStore nested(dataDir, clock);
    EXPECT_TRUE(nested.customPhotoFileName(GetParam().customID).isEmpty());

    auto entry = customEntry(calendar, GetParam().customID, QStringLiteral("Hostile"), 1980, 7, 14, 12);
    entry->customPhoto = solidImage(Red);
    EXPECT_FALSE(nested.writeCustomPhoto(*entry));
    EXPECT_EQ(entry->cPhoto, OccasionRecord::PhotoNotLookedUp);

    // Written by an older version with the photo inside: loading must not move it out.
    install(archived(rootWith(EntriesKey, {olderRecordObject(*entry, QStringLiteral("1.0"), solidImage(Red))})),
            nested.dataFilePath());
    std::vector<OccasionRecordPtr> database, holdovers;
    nested.readCustomEntries(nested.loadEntries(), database, holdovers, settings, calculator(), calendar);
    ASSERT_EQ(database.size(), 1u);
    EXPECT_TRUE(looksLike(database[0]->customPhoto, Red)) << "the photo is kept, having nowhere else to go";

    nested.readCustomPhoto(*database[0]);
    EXPECT_EQ(database[0]->cPhoto, OccasionRecord::PhotoAbsent);

    // So the next write keeps it inside the record rather than dropping it.
    ASSERT_TRUE(nested.writeCustomEntries(database, holdovers, calendar));
    const RawArchive raw = readRaw(nested.dataFilePath(), EntriesKey);
    ASSERT_EQ(raw.objects().size(), 1u);
    EXPECT_NE(raw.objects()[0]->find(QStringLiteral("Raw Photo")), nullptr);

    nested.deleteCustomPhoto(*database[0]);
    nested.removeCustomPhoto(*database[0]);
    const QStringList outside = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    EXPECT_EQ(outside, QStringList{QStringLiteral("data")}) << outside.join(QLatin1Char(' ')).toStdString();
    const QStringList inside = QDir(dataDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    EXPECT_EQ(inside, QStringList{QStringLiteral("CustomEntries.plist")}) << inside.join(QLatin1Char(' ')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(CustomEntriesStore, CustomEntriesStoreHostileIds,
                         ::testing::Values(HostileIdRow{"ParentDirectory", QStringLiteral("../escaped")},
                                           HostileIdRow{"SubDirectory", QStringLiteral("sub/dir")},
                                           HostileIdRow{"AbsolutePath", QStringLiteral("/tmp/escaped")},
                                           HostileIdRow{"DotDotAlone", QStringLiteral("..")}),
                         rowName<HostileIdRow>);

// Reading: choices on contacts' dates

struct ChoiceRow {
    std::string name;
    std::function<void(OccasionRecord&)> alterStored;
    bool matches;
};

class CustomEntriesStoreChoices : public CustomEntriesStoreTest, public ::testing::WithParamInterface<ChoiceRow> {};

TEST_P(CustomEntriesStoreChoices, MatchOnRecordIdDateLabelAndTypeAlike)
{
    auto anniversary = contactDate(calendar, 7, 2001, 9, 8, OccasionRecord::Anniversary,
                                   QStringLiteral("_$!<Anniversary>!$_"));
    auto choice = contactDate(calendar, 7, 2001, 9, 8, OccasionRecord::Anniversary, QStringLiteral("_$!<Anniversary>!$_"));
    choice->alertsOff = true;
    choice->ignoreForUpcoming = true;
    choice->ignoreYear = true;
    GetParam().alterStored(*choice);

    std::vector<OccasionRecordPtr> database{anniversary}, holdovers;
    store.readCustomEntries({choice}, database, holdovers, settings, calculator(), calendar);

    ASSERT_EQ(database.size(), 1u) << "a choice is never listed itself";
    EXPECT_EQ(anniversary->alertsOff, GetParam().matches);
    EXPECT_EQ(anniversary->ignoreForUpcoming, GetParam().matches);
    EXPECT_EQ(anniversary->ignoreYear, GetParam().matches);
    if (GetParam().matches)
        EXPECT_TRUE(holdovers.empty());
    else
        EXPECT_EQ(holdovers, std::vector<OccasionRecordPtr>{choice});
}

INSTANTIATE_TEST_SUITE_P(
    CustomEntriesStore, CustomEntriesStoreChoices,
    ::testing::Values(ChoiceRow{"SameDateAndLabel", [](OccasionRecord&) {}, true},
                      ChoiceRow{"OtherContact", [](OccasionRecord& r) { r.recordID = 8; }, false},
                      ChoiceRow{"SameDayAtNoon", [](OccasionRecord& r) { r.rawDate = r.rawDate.addSecs(12 * 3600); }, false},
                      ChoiceRow{"OtherLabel", [](OccasionRecord& r) { r.otherDateLabel = QStringLiteral("Wedding"); }, false},
                      ChoiceRow{"LabelCaseDiffers",
                                [](OccasionRecord& r) { r.otherDateLabel = QStringLiteral("_$!<anniversary>!$_"); }, false},
                      ChoiceRow{"OtherType", [](OccasionRecord& r) { r.type = OccasionRecord::OtherDate; }, false}),
    rowName<ChoiceRow>);

TEST_F(CustomEntriesStoreTest, ChoiceGoesToTheFirstMatchOnlyAndSparesAPhantomBirthdaysYear)
{
    auto first = contactDate(calendar, 3, 1990, 6, 1);
    first->isPhantomBirthday = true;
    auto second = contactDate(calendar, 3, 1990, 6, 1);
    auto choice = contactDate(calendar, 3, 1990, 6, 1);
    choice->ignoreYear = true;
    choice->alertsOff = true;

    std::vector<OccasionRecordPtr> database{first, second}, holdovers;
    store.readCustomEntries({choice}, database, holdovers, settings, calculator(), calendar);

    EXPECT_TRUE(first->alertsOff);
    EXPECT_FALSE(first->ignoreYear) << "a phantom birthday has no year to leave out";
    EXPECT_FALSE(second->alertsOff) << "the scan stops at the first match";
    EXPECT_FALSE(second->ignoreYear);
    EXPECT_TRUE(holdovers.empty());
}

TEST_F(CustomEntriesStoreTest, ChoiceCopiesClearedFlagsToo)
{
    auto birthday = contactDate(calendar, 3, 1990, 6, 1);
    birthday->alertsOff = true;
    birthday->ignoreYear = true;
    auto choice = contactDate(calendar, 3, 1990, 6, 1);
    choice->ignoreForUpcoming = true;

    std::vector<OccasionRecordPtr> database{birthday}, holdovers;
    store.readCustomEntries({choice}, database, holdovers, settings, calculator(), calendar);
    EXPECT_TRUE(birthday->ignoreForUpcoming);
    EXPECT_FALSE(birthday->alertsOff);
    EXPECT_FALSE(birthday->ignoreYear);
}

TEST_F(CustomEntriesStoreTest, ContactChoiceWithoutItsDateIsHeldOverAndAppliesAgainWhenTheDateReturns)
{
    const QString label = QStringLiteral("Name day");
    // First run: the user switches the alerts of a contact's name day off.
    {
        auto nameDay = contactDate(calendar, 12, 1975, 4, 23, OccasionRecord::OtherDate, label);
        nameDay->alertsOff = true;
        ASSERT_TRUE(store.writeCustomEntries({nameDay}, {}, calendar));
    }
    // Second run: the contact lost that date; the choice waits in the file.
    {
        auto birthday = contactDate(calendar, 12, 1975, 5, 1);
        std::vector<OccasionRecordPtr> database{birthday}, holdovers;
        readInto(database, holdovers);
        ASSERT_EQ(holdovers.size(), 1u);
        EXPECT_FALSE(birthday->alertsOff);
        QString error;
        ASSERT_TRUE(store.writeCustomEntries(database, holdovers, calendar, &error)) << error.toStdString();
        const RawArchive raw = readRaw(store.dataFilePath(), EntriesKey);
        ASSERT_EQ(raw.objects().size(), 1u) << "the birthday has no choice, the held-over choice stays";
        EXPECT_EQ(rawDateOf(raw.objects()[0]), calendar.date(1975, 4, 23));
    }
    // Third run: the date is back.
    {
        auto nameDay = contactDate(calendar, 12, 1975, 4, 23, OccasionRecord::OtherDate, label);
        std::vector<OccasionRecordPtr> database{nameDay}, holdovers;
        readInto(database, holdovers);
        EXPECT_TRUE(nameDay->alertsOff);
        EXPECT_TRUE(holdovers.empty());
        EXPECT_EQ(database.size(), 1u);
    }
}

TEST_F(CustomEntriesStoreTest, HolidayChoiceReachesEveryHolidayWithItsIdAndNoOther)
{
    // Another holiday on the same day comes first: it must neither take the choice nor
    // stop the search for the right ones.
    auto otherSameDay = holiday(calendar, QStringLiteral("us_christmas"), 2026, 12, 25);
    auto first = holiday(calendar, QStringLiteral("de_christmas"), 2026, 12, 25);
    auto birthday = contactDate(calendar, 4, 1980, 12, 25);
    auto second = holiday(calendar, QStringLiteral("de_christmas"), 2026, 12, 25);
    auto choice = holiday(calendar, QStringLiteral("de_christmas"), 2026, 12, 25);
    choice->alertsOff = true;
    choice->ignoreForUpcoming = true;
    choice->ignoreYear = true;
    auto orphan = holiday(calendar, QStringLiteral("fr_bastille"), 2026, 7, 14);
    orphan->alertsOff = true;

    std::vector<OccasionRecordPtr> database{otherSameDay, first, birthday, second}, holdovers;
    store.readCustomEntries({choice, orphan}, database, holdovers, settings, calculator(), calendar);

    for (const auto& h : {first, second}) {
        EXPECT_TRUE(h->alertsOff);
        EXPECT_TRUE(h->ignoreForUpcoming);
        EXPECT_FALSE(h->ignoreYear) << "holidays take alerts and upcoming only";
    }
    EXPECT_FALSE(otherSameDay->alertsOff);
    EXPECT_FALSE(otherSameDay->ignoreForUpcoming);
    EXPECT_FALSE(birthday->alertsOff);
    EXPECT_EQ(holdovers, std::vector<OccasionRecordPtr>{orphan}) << "a choice without its holiday is held over";
    EXPECT_EQ(database.size(), 4u);
}

struct VisibilityRow {
    std::string name;
    bool facebook = false;
    int year = 1980, month = 7, day = 14;
    bool onetime = false;
    bool ignoreYear = false;
    int oneTimeYear = 0;
    bool ignored = false;
    bool matched = false;
    bool showFacebook = false;
    bool showCustom = true;
    bool contactsHidden = false;
    int pastDays = 0;
    bool shown = true;
};

class CustomEntriesStoreVisibility : public CustomEntriesStoreTest,
                                     public ::testing::WithParamInterface<VisibilityRow> {};

TEST_P(CustomEntriesStoreVisibility, ShownOrHeldOver)
{
    const VisibilityRow& row = GetParam();
    settings.setValue(Key::ShowFacebook, row.showFacebook);
    settings.setValue(Key::ShowCustom, row.showCustom);
    settings.setValue(Key::HideContacts, row.contactsHidden);
    settings.setValue(Key::PastDays, row.pastDays);

    // As read from the file: at local noon.
    auto entry = row.facebook ? facebookEntry(calendar, QStringLiteral("1000"), QStringLiteral("Ada"),
                                              QStringLiteral("Lovelace"), row.year, row.month, row.day, 12)
                              : customEntry(calendar, QStringLiteral("E1"), QStringLiteral("Entry"), row.year,
                                            row.month, row.day, 12);
    entry->onetime = row.onetime;
    entry->ignoreYear = row.ignoreYear;
    entry->oneTimeYear = row.oneTimeYear;
    entry->isIgnoredFacebook = row.ignored;
    entry->isFacebookMatched = row.matched;
    if (row.matched)
        entry->facebookToContactID = 5;
    auto contact = contactDate(calendar, 5, 1960, 1, 1);

    std::vector<OccasionRecordPtr> database{contact}, holdovers;
    store.readCustomEntries({entry}, database, holdovers, settings, calculator(), calendar);

    EXPECT_EQ(entry->rawDate, calendar.date(row.year, row.month, row.day)) << "back at local midnight either way";
    if (row.shown) {
        EXPECT_EQ(database, (std::vector<OccasionRecordPtr>{contact, entry}));
        EXPECT_TRUE(holdovers.empty());
        EXPECT_EQ(entry->abPhoto, OccasionRecord::PhotoAbsent);
    } else {
        EXPECT_EQ(database, std::vector<OccasionRecordPtr>{contact});
        EXPECT_EQ(holdovers, std::vector<OccasionRecordPtr>{entry});
    }
}

INSTANTIATE_TEST_SUITE_P(
    CustomEntriesStore, CustomEntriesStoreVisibility,
    ::testing::Values(
        VisibilityRow{.name = "CustomShownByDefault"},
        VisibilityRow{.name = "CustomHeldOverWhenCustomHidden", .showCustom = false, .shown = false},
        VisibilityRow{.name = "FacebookHeldOverWhenFacebookHidden", .facebook = true, .shown = false},
        VisibilityRow{.name = "FacebookShownWhenCustomHidden", .facebook = true, .showFacebook = true,
                      .showCustom = false},
        VisibilityRow{.name = "IgnoredFacebookHeldOver", .facebook = true, .ignored = true, .showFacebook = true,
                      .shown = false},
        VisibilityRow{.name = "MatchedFacebookHeldOverWhileContactsShown", .facebook = true, .matched = true,
                      .showFacebook = true, .shown = false},
        VisibilityRow{.name = "MatchedFacebookShownWhileContactsHidden", .facebook = true, .matched = true,
                      .showFacebook = true, .contactsHidden = true},
        VisibilityRow{.name = "MatchedFacebookHeldOverWhenFacebookHidden", .facebook = true, .matched = true,
                      .contactsHidden = true, .shown = false},
        VisibilityRow{.name = "OneTimeTwoDaysAgoHeldOverWithNoPastDays", .year = 2026, .month = 3, .day = 3,
                      .onetime = true, .shown = false},
        VisibilityRow{.name = "OneTimeTwoDaysAgoShownWithinTwoPastDays", .year = 2026, .month = 3, .day = 3,
                      .onetime = true, .pastDays = 2},
        VisibilityRow{.name = "OneTimeThreeDaysAgoHeldOverWithTwoPastDays", .year = 2026, .month = 3, .day = 2,
                      .onetime = true, .pastDays = 2, .shown = false},
        VisibilityRow{.name = "OneTimeTodayShown", .year = 2026, .month = 3, .day = 5, .onetime = true},
        VisibilityRow{.name = "OneTimeWithoutYearUsesItsOneTimeYearPast", .year = 2030, .month = 3, .day = 3,
                      .onetime = true, .ignoreYear = true, .oneTimeYear = 2026, .shown = false},
        VisibilityRow{.name = "YearlyEntryLongAgoShown", .year = 1950, .month = 3, .day = 3}),
    rowName<VisibilityRow>);

struct NameOrderRow {
    std::string name;
    bool firstNameFirst;
    const char* expected;
};

class CustomEntriesStoreFacebookNames : public CustomEntriesStoreTest,
                                        public ::testing::WithParamInterface<NameOrderRow> {};

TEST_P(CustomEntriesStoreFacebookNames, ShownFacebookEntryIsNamedInTheChosenOrder)
{
    settings.setValue(Key::ShowFacebook, true);
    settings.setValue(Key::FirstNameFirst, GetParam().firstNameFirst);
    auto shown = facebookEntry(calendar, QStringLiteral("1"), QStringLiteral("Ada"), QStringLiteral("Lovelace"), 1815,
                               12, 10, 12);
    auto ignored = facebookEntry(calendar, QStringLiteral("2"), QStringLiteral("Alan"), QStringLiteral("Turing"), 1912,
                                 6, 23, 12);
    ignored->isIgnoredFacebook = true;
    std::vector<OccasionRecordPtr> database, holdovers;
    store.readCustomEntries({shown, ignored}, database, holdovers, settings, calculator(), calendar);
    ASSERT_EQ(database.size(), 1u);
    EXPECT_EQ(shown->name, QString::fromUtf8(GetParam().expected));
    EXPECT_EQ(ignored->name, QStringLiteral("as fetched")) << "only shown entries are renamed";
}

INSTANTIATE_TEST_SUITE_P(CustomEntriesStore, CustomEntriesStoreFacebookNames,
                         ::testing::Values(NameOrderRow{"FirstNameFirst", true, "Ada Lovelace"},
                                           NameOrderRow{"LastNameFirst", false, "Lovelace Ada"}),
                         rowName<NameOrderRow>);

TEST_F(CustomEntriesStoreTest, ExpiredOneTimeEntryIsHeldOverAndSurvivesTheNextWrite)
{
    settings.setValue(Key::PastDays, 0);
    auto once = customEntry(calendar, QStringLiteral("ONCE"), QStringLiteral("Concert"), 2026, 3, 3);
    once->onetime = true;
    once->oneTimeYear = 2026;
    auto yearly = customEntry(calendar, QStringLiteral("YEARLY"), QStringLiteral("Mum"), 1955, 3, 3);
    ASSERT_TRUE(store.writeCustomEntries({once, yearly}, {}, calendar));

    std::vector<OccasionRecordPtr> database, holdovers;
    readInto(database, holdovers);
    ASSERT_EQ(database.size(), 1u);
    EXPECT_EQ(database[0]->customID, QStringLiteral("YEARLY"));
    ASSERT_EQ(holdovers.size(), 1u);
    EXPECT_EQ(holdovers[0]->customID, QStringLiteral("ONCE"));

    ASSERT_TRUE(store.writeCustomEntries(database, holdovers, calendar));
    const RawArchive raw = readRaw(store.dataFilePath(), EntriesKey);
    ASSERT_EQ(raw.objects().size(), 2u);
    const ArchiveObject* kept = raw.withCustomID(QStringLiteral("ONCE"));
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(rawDateOf(kept), calendar.date(2026, 3, 3, 12));
    EXPECT_EQ(*kept->find(QStringLiteral("OneTime"))->asBoolean(), true);
}

TEST_F(CustomEntriesStoreTest, EntryWithoutADateIsHeldOverNotShownAndKept)
{
    auto dateless = customEntry(calendar, QStringLiteral("NODATE"), QStringLiteral("Lost date"), 2000, 1, 1);
    dateless->rawDate = QDateTime();
    std::vector<OccasionRecordPtr> database, holdovers;
    store.readCustomEntries({dateless}, database, holdovers, settings, calculator(), calendar);
    EXPECT_TRUE(database.empty());
    EXPECT_EQ(holdovers, std::vector<OccasionRecordPtr>{dateless});
    ASSERT_TRUE(store.writeCustomEntries(database, holdovers, calendar));
    EXPECT_EQ(store.loadEntries().size(), 1u);
}

struct LinkRow {
    std::string name;
    bool facebook;
    bool matched;
    std::int32_t contactID;
    bool forcedUnlink;
    bool linked;
};

class CustomEntriesStoreLinks : public CustomEntriesStoreTest, public ::testing::WithParamInterface<LinkRow> {};

TEST_P(CustomEntriesStoreLinks, MatchedOrUnlinkedFacebookEntriesAreTheLinks)
{
    const LinkRow& row = GetParam();
    auto entry = row.facebook ? facebookEntry(calendar, QStringLiteral("77"), QStringLiteral("Linus"),
                                              QStringLiteral("T"), 1969, 12, 28, 12)
                              : customEntry(calendar, QStringLiteral("C"), QStringLiteral("Custom"), 1969, 12, 28, 12);
    entry->isFacebookMatched = row.matched;
    entry->facebookToContactID = row.contactID;
    entry->forcedFacebookUnlink = row.forcedUnlink;
    std::vector<OccasionRecordPtr> links;
    CustomEntriesStore::readLinkedFacebookEntries({entry}, links, calendar);
    if (row.linked) {
        ASSERT_EQ(links, std::vector<OccasionRecordPtr>{entry});
        EXPECT_EQ(entry->rawDate, calendar.date(1969, 12, 28));
        EXPECT_EQ(entry->abPhoto, OccasionRecord::PhotoAbsent);
    } else {
        EXPECT_TRUE(links.empty());
        EXPECT_EQ(entry->rawDate, calendar.date(1969, 12, 28, 12)) << "left as read";
    }
}

INSTANTIATE_TEST_SUITE_P(CustomEntriesStore, CustomEntriesStoreLinks,
                         ::testing::Values(LinkRow{"MatchedToAContact", true, true, 5, false, true},
                                           LinkRow{"MatchedWithoutContact", true, true, -1, false, false},
                                           LinkRow{"ContactWithoutMatchFlag", true, false, 5, false, false},
                                           LinkRow{"UnlinkedByTheUser", true, false, -1, true, true},
                                           LinkRow{"CustomEntry", false, true, 5, false, false}),
                         rowName<LinkRow>);

// Writing

struct WriteRow {
    std::string name;
    std::function<OccasionRecordPtr(const Calendar&)> make;
    bool written;
};

class CustomEntriesStoreWhatIsWritten : public CustomEntriesStoreTest,
                                        public ::testing::WithParamInterface<WriteRow> {};

TEST_P(CustomEntriesStoreWhatIsWritten, OnlyEntriesAndRecordsWithAChoice)
{
    const OccasionRecordPtr record = GetParam().make(calendar);
    EXPECT_EQ(CustomEntriesStore::hasChoice(*record) || record->isCustomEntry || record->isFacebookEntry,
              GetParam().written);
    QString error;
    ASSERT_TRUE(store.writeCustomEntries({record}, {}, calendar, &error)) << error.toStdString();
    const auto back = store.loadEntries();
    ASSERT_EQ(back.size(), GetParam().written ? 1u : 0u);
    if (GetParam().written) {
        EXPECT_EQ(back[0]->recordID, record->recordID);
        EXPECT_EQ(back[0]->type, record->type);
        EXPECT_EQ(back[0]->alertsOff, record->alertsOff);
        EXPECT_EQ(back[0]->ignoreYear, record->ignoreYear);
        EXPECT_EQ(back[0]->ignoreForUpcoming, record->ignoreForUpcoming);
        EXPECT_EQ(back[0]->facebookLinkID, record->facebookLinkID);
        EXPECT_EQ(back[0]->customID, record->customID);
    }
}

OccasionRecordPtr rowRecord(const Calendar& c, char kind, void (*set)(OccasionRecord&))
{
    auto r = kind == 'c'   ? contactDate(c, 21, 1984, 2, 29)
             : kind == 'h' ? holiday(c, QStringLiteral("de_easter"), 2026, 4, 5)
             : kind == 'e' ? customEntry(c, QStringLiteral("C1"), QStringLiteral("C"), 2000, 1, 1)
                           : facebookEntry(c, QStringLiteral("99"), QStringLiteral("F"), QStringLiteral("L"), 2000, 1, 1);
    if (set)
        set(*r);
    return r;
}

#define WRITE_ROW(name, kind, body, written)                                                                   \
    WriteRow{name, [](const Calendar& c) { return rowRecord(c, kind, [](OccasionRecord& r) { body; }); }, written}

INSTANTIATE_TEST_SUITE_P(CustomEntriesStore, CustomEntriesStoreWhatIsWritten,
                         ::testing::Values(WRITE_ROW("ContactWithoutChoiceSkipped", 'c', (void)r, false),
                                           WRITE_ROW("ContactNotUpcoming", 'c', r.ignoreForUpcoming = true, true),
                                           WRITE_ROW("ContactWithoutYear", 'c', r.ignoreYear = true, true),
                                           WRITE_ROW("ContactAlertsOff", 'c', r.alertsOff = true, true),
                                           WRITE_ROW("ContactLinkedToFacebook", 'c',
                                                     r.facebookLinkID = QStringLiteral("100004217"), true),
                                           WRITE_ROW("HolidayWithoutChoiceSkipped", 'h', (void)r, false),
                                           WRITE_ROW("HolidayAlertsOff", 'h', r.alertsOff = true, true),
                                           WRITE_ROW("CustomEntryAlways", 'e', (void)r, true),
                                           WRITE_ROW("FacebookEntryAlways", 'f', (void)r, true)),
                         rowName<WriteRow>);
#undef WRITE_ROW

TEST_F(CustomEntriesStoreTest, EveryHoldoverIsWrittenAfterTheShownRecordsInOrder)
{
    auto shownCustom = customEntry(calendar, QStringLiteral("S1"), QStringLiteral("Shown"), 1990, 1, 1);
    auto heldChoice = contactDate(calendar, 77, 1980, 8, 8);
    heldChoice->alertsOff = true;
    auto heldCustom = customEntry(calendar, QStringLiteral("H1"), QStringLiteral("Held"), 1991, 2, 2);
    auto contactNoChoice = contactDate(calendar, 78, 1981, 9, 9);
    ASSERT_TRUE(store.writeCustomEntries({contactNoChoice, shownCustom}, {heldChoice, heldCustom}, calendar));
    const auto back = store.loadEntries();
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0]->customID, QStringLiteral("S1"));
    EXPECT_EQ(back[1]->recordID, 77);
    EXPECT_EQ(back[2]->customID, QStringLiteral("H1"));
}

struct DayRow {
    std::string name;
    const char* zone;
    int year, month, day;
    const char* midnightUtc;
    const char* noonUtc;
};

class CustomEntriesStoreNoonOnDisk : public CustomEntriesStoreTest, public ::testing::WithParamInterface<DayRow> {};

// In memory an entry's date is local midnight, in the file local noon of the same day, so
// that a zone's offset change cannot move it to another day; also on days whose length
// differs or whose midnight is skipped.
TEST_P(CustomEntriesStoreNoonOnDisk, EntriesAtNoonInTheFileAndMidnightInMemory)
{
    const DayRow& row = GetParam();
    const Calendar zone(QString::fromLatin1(row.zone));
    ASSERT_TRUE(zone.isValid());
    const QDateTime midnight = test::utc(row.midnightUtc);
    const QDateTime noon = test::utc(row.noonUtc);
    ASSERT_EQ(zone.date(row.year, row.month, row.day), midnight);

    auto shown = customEntry(zone, QStringLiteral("SHOWN"), QStringLiteral("Shown"), row.year, row.month, row.day);
    auto contactChoice = contactDate(zone, 3, row.year, row.month, row.day);
    contactChoice->alertsOff = true;
    auto heldFacebook = facebookEntry(zone, QStringLiteral("555"), QStringLiteral("F"), QStringLiteral("L"), row.year,
                                      row.month, row.day);
    QString error;
    ASSERT_TRUE(store.writeCustomEntries({shown, contactChoice}, {heldFacebook}, zone, &error)) << error.toStdString();

    const RawArchive raw = readRaw(store.dataFilePath(), EntriesKey);
    ASSERT_EQ(raw.objects().size(), 3u);
    EXPECT_EQ(rawDateOf(raw.objects()[0]), noon);
    EXPECT_EQ(rawDateOf(raw.objects()[1]), midnight) << "a contact's choice keeps its in-memory date";
    EXPECT_EQ(rawDateOf(raw.objects()[2]), noon);

    EXPECT_EQ(shown->rawDate, midnight) << "shown entries are back at midnight after the write";
    EXPECT_EQ(contactChoice->rawDate, midnight);
    EXPECT_EQ(heldFacebook->rawDate, noon) << "holdovers keep noon until the next read";

    settings.setValue(Key::ShowFacebook, true);
    const OccasionCalculator calc(zone, clock.now(), settings);
    std::vector<OccasionRecordPtr> database{contactDate(zone, 3, row.year, row.month, row.day)}, holdovers;
    store.readCustomEntries(store.loadEntries(), database, holdovers, settings, calc, zone);
    ASSERT_EQ(database.size(), 3u);
    EXPECT_TRUE(database[0]->alertsOff) << "the choice matched its contact's date exactly";
    EXPECT_EQ(database[1]->rawDate, midnight);
    EXPECT_EQ(database[2]->rawDate, midnight);
    EXPECT_TRUE(holdovers.empty());
}

INSTANTIATE_TEST_SUITE_P(
    CustomEntriesStore, CustomEntriesStoreNoonOnDisk,
    ::testing::Values(
        DayRow{"BerlinOrdinaryDay", "Europe/Berlin", 2026, 3, 5, "2026-03-04T23:00:00Z", "2026-03-05T11:00:00Z"},
        DayRow{"AucklandFallBack", "Pacific/Auckland", 2026, 4, 5, "2026-04-04T11:00:00Z", "2026-04-05T00:00:00Z"},
        DayRow{"AucklandSpringForward", "Pacific/Auckland", 2026, 9, 27, "2026-09-26T12:00:00Z", "2026-09-26T23:00:00Z"},
        DayRow{"SaoPauloSkippedMidnight", "America/Sao_Paulo", 2018, 11, 4, "2018-11-04T03:00:00Z",
               "2018-11-04T14:00:00Z"}),
    rowName<DayRow>);

TEST_F(CustomEntriesStoreTest, PhotoIsSafeInItsFileBeforeItLeavesTheRecord)
{
    auto withPhoto = customEntry(calendar, QStringLiteral("PHOTO1"), QStringLiteral("Has photo"), 1999, 9, 9);
    withPhoto->customPhoto = solidImage(Blue);
    auto heldWithPhoto = customEntry(calendar, QStringLiteral("PHOTO2"), QStringLiteral("Held photo"), 1998, 8, 8);
    heldWithPhoto->customPhoto = solidImage(Green);
    // This one's file exists already and is the one to keep.
    auto alreadyFiled = customEntry(calendar, QStringLiteral("PHOTO3"), QStringLiteral("Filed"), 1997, 7, 7);
    alreadyFiled->customPhoto = solidImage(Red);
    QImage filed = solidImage(Green, 4, 4);
    ASSERT_TRUE(filed.save(store.customPhotoFileName(QStringLiteral("PHOTO3")), "PNG"));

    ASSERT_TRUE(store.writeCustomEntries({withPhoto, alreadyFiled}, {heldWithPhoto}, calendar));

    EXPECT_TRUE(withPhoto->customPhoto.isNull());
    EXPECT_TRUE(heldWithPhoto->customPhoto.isNull());
    EXPECT_TRUE(alreadyFiled->customPhoto.isNull());
    EXPECT_TRUE(looksLike(QImage(store.customPhotoFileName(QStringLiteral("PHOTO1"))), Blue));
    EXPECT_TRUE(looksLike(QImage(store.customPhotoFileName(QStringLiteral("PHOTO2"))), Green));
    EXPECT_EQ(QImage(store.customPhotoFileName(QStringLiteral("PHOTO3"))).size(), QSize(4, 4));
    const RawArchive raw = readRaw(store.dataFilePath(), EntriesKey);
    ASSERT_EQ(raw.objects().size(), 3u);
    for (const ArchiveObject* o : raw.objects())
        EXPECT_EQ(o->find(QStringLiteral("Raw Photo")), nullptr);
}

TEST_F(CustomEntriesStoreTest, PhotoThatCannotBeFiledStaysInTheRecord)
{
    auto entry = customEntry(calendar, QStringLiteral("BLOCKED"), QStringLiteral("Blocked"), 1999, 9, 9);
    entry->customPhoto = solidImage(Blue);
    // A folder where the photo file would go: the photo cannot be written there.
    ASSERT_TRUE(QDir().mkpath(store.customPhotoFileName(QStringLiteral("BLOCKED"))));

    ASSERT_TRUE(store.writeCustomEntries({entry}, {}, calendar));
    EXPECT_FALSE(entry->customPhoto.isNull());
    const auto back = store.loadEntries();
    ASSERT_EQ(back.size(), 1u);
    EXPECT_TRUE(looksLike(back[0]->customPhoto, Blue));
}

TEST_F(CustomEntriesStoreTest, LeftoverTemporaryFileOfAnInterruptedWriteDoesNotTouchTheFile)
{
    auto entry = customEntry(calendar, QStringLiteral("KEEP"), QStringLiteral("Keep me"), 1990, 4, 4);
    ASSERT_TRUE(store.writeCustomEntries({entry}, {}, calendar));
    const QByteArray good = test::readFile(store.dataFilePath());
    // What a write killed half-way leaves behind: part of an archive under a temporary name.
    const QString leftover = store.dataFilePath() + QStringLiteral(".Xa1b2C");
    install(good.left(good.size() / 2), leftover);

    QStringList warnings;
    std::vector<OccasionRecordPtr> database, holdovers;
    readInto(database, holdovers, &warnings);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(database.size(), 1u);
    EXPECT_EQ(database[0]->name, QStringLiteral("Keep me"));
    EXPECT_EQ(test::readFile(store.dataFilePath()), good);
    EXPECT_TRUE(damagedCopies(store.dataFilePath()).isEmpty());
}

// Failing writes: a location under a plain file cannot be written.
class CustomEntriesStoreUnwritable : public CustomEntriesStoreTest {
protected:
    CustomEntriesStoreUnwritable()
    {
        EXPECT_TRUE(test::writeFile(dir.file(QStringLiteral("plain")), "not a folder"));
    }
    CustomEntriesStore blocked{dir.file(QStringLiteral("plain")) + QStringLiteral("/data"), clock};
};

TEST_F(CustomEntriesStoreUnwritable, WritesReportTheFailureAndMissingFilesReadAsEmpty)
{
    auto entry = customEntry(calendar, QStringLiteral("X"), QStringLiteral("X"), 1990, 1, 1);
    QString error;
    EXPECT_FALSE(blocked.writeCustomEntries({entry}, {}, calendar, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(blocked.dataFilePath()));
    EXPECT_EQ(entry->rawDate, calendar.date(1990, 1, 1)) << "the record is back at midnight even so";

    auto note = std::make_shared<OccasionABMetadata>();
    note->recordID = 1;
    note->notes = QStringLiteral("n");
    error.clear();
    EXPECT_FALSE(blocked.writeABMetadata({note}, &error));
    EXPECT_FALSE(error.isEmpty());

    entry->customPhoto = solidImage(Red);
    entry->photo = solidImage(Red);
    EXPECT_FALSE(blocked.writeCustomPhoto(*entry));
    EXPECT_EQ(entry->cPhoto, OccasionRecord::PhotoNotLookedUp);
    EXPECT_FALSE(entry->photo.isNull()) << "nothing changed";

    QStringList warnings;
    EXPECT_TRUE(blocked.loadEntries(&warnings).empty());
    EXPECT_TRUE(blocked.loadMetadata(&warnings).empty());
    EXPECT_TRUE(store.loadEntries(&warnings).empty());
    EXPECT_TRUE(warnings.isEmpty());
}

// A write that fails part-way (the file size limit is hit) leaves the previous file as it
// was and no temporary file behind.
TEST_F(CustomEntriesStoreTest, FailedWriteLeavesThePreviousFileIntact)
{
    auto first = customEntry(calendar, QStringLiteral("FIRST"), QStringLiteral("First"), 1990, 1, 1);
    ASSERT_TRUE(store.writeCustomEntries({first}, {}, calendar));
    const QByteArray before = test::readFile(store.dataFilePath());

    std::vector<OccasionRecordPtr> many;
    for (int i = 0; i < 50; ++i)
        many.push_back(customEntry(calendar, QStringLiteral("ID%1").arg(i), QStringLiteral("Entry %1").arg(i), 1990, 1, 1));

    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = static_cast<rlim_t>(before.size() + 64);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    QString error;
    const bool ok = store.writeCustomEntries(many, {}, calendar, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(test::readFile(store.dataFilePath()), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("CustomEntries.plist")});
}

// Damaged files

struct DamageRow {
    std::string name;
    bool metadata;
    std::function<QByteArray()> bytes;
};

QByteArray goodEntriesArchive()
{
    const Calendar berlin(QStringLiteral("Europe/Berlin"));
    auto a = customEntry(berlin, QStringLiteral("A"), QStringLiteral("A"), 1990, 1, 1, 12);
    auto b = customEntry(berlin, QStringLiteral("B"), QStringLiteral("B"), 1991, 2, 2, 12);
    return archived(rootWith(EntriesKey, {a->encodeWithCoder(), b->encodeWithCoder()}));
}

QByteArray goodMetadataArchive()
{
    OccasionABMetadata m;
    m.recordID = 4;
    m.notes = QStringLiteral("Remember the cake, the candles and the song");
    return archived(rootWith(MetadataKey, {m.encodeWithCoder(), m.encodeWithCoder()}));
}

class CustomEntriesStoreDamaged : public CustomEntriesStoreTest, public ::testing::WithParamInterface<DamageRow> {};

TEST_P(CustomEntriesStoreDamaged, IsMovedAsideWithAWarningAndReadsAsEmpty)
{
    const DamageRow& row = GetParam();
    const QString path = row.metadata ? store.metadataFilePath() : store.dataFilePath();
    const QByteArray bytes = row.bytes();
    install(bytes, path);
    // A name already taken: the counter picks the next one.
    const QString taken = path + QStringLiteral(".damaged-") + Stamp;
    install("earlier", taken);

    QStringList warnings;
    const std::size_t loaded = row.metadata ? store.loadMetadata(&warnings).size() : store.loadEntries(&warnings).size();
    EXPECT_EQ(loaded, 0u);
    const QString aside = taken + QStringLiteral("-2");
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(aside)) << warnings[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(test::readFile(aside), bytes);
    EXPECT_EQ(test::readFile(taken), QByteArray("earlier"));

    // The next write starts a fresh file and leaves the damaged one alone.
    if (row.metadata) {
        auto note = std::make_shared<OccasionABMetadata>();
        note->recordID = 9;
        note->notes = QStringLiteral("fresh");
        ASSERT_TRUE(store.writeABMetadata({note}));
        EXPECT_EQ(store.loadMetadata().size(), 1u);
    } else {
        ASSERT_TRUE(store.writeCustomEntries({customEntry(calendar, QStringLiteral("N"), QStringLiteral("N"), 2000, 1, 1)},
                                             {}, calendar));
        EXPECT_EQ(store.loadEntries().size(), 1u);
    }
    EXPECT_EQ(test::readFile(aside), bytes);
}

std::vector<DamageRow> damageRows()
{
    std::vector<DamageRow> rows;
    for (bool metadata : {false, true}) {
        const std::string file = metadata ? "Metadata" : "Entries";
        const QString key = metadata ? MetadataKey : EntriesKey;
        const auto good = metadata ? &goodMetadataArchive : &goodEntriesArchive;
        rows.push_back({file + "Garbage", metadata, [] { return QByteArray("\x00\x17garbage, not an archive\xff", 26); }});
        rows.push_back({file + "Empty", metadata, [] { return QByteArray(); }});
        rows.push_back({file + "TruncatedTrailer", metadata, [good] { const QByteArray b = good(); return b.left(b.size() - 8); }});
        rows.push_back({file + "KeyHoldsAString", metadata, [key] {
                            auto dict = std::make_shared<ArchiveDictionary>();
                            dict->entries.emplace_back(key, ArchiveValue::string(QStringLiteral("x")));
                            return archived(ArchiveValue::dictionary(dict));
                        }});
        rows.push_back({file + "OtherFilesArchive", metadata, [metadata] {
                            return metadata ? goodEntriesArchive() : goodMetadataArchive();
                        }});
        rows.push_back({file + "RootIsAString", metadata, [] {
                            return archived(ArchiveValue::string(QStringLiteral("Custom Entries")));
                        }});
    }
    return rows;
}

INSTANTIATE_TEST_SUITE_P(CustomEntriesStore, CustomEntriesStoreDamaged, ::testing::ValuesIn(damageRows()),
                         rowName<DamageRow>);

TEST_F(CustomEntriesStoreTest, UnreadableElementsAreLeftOutAndTheOriginalCopiedAsideBeforeAnyWrite)
{
    const QByteArray original = storeData("mixed-elements.plist");
    install(original, store.dataFilePath());

    QStringList warnings;
    auto stored = store.loadEntries(&warnings);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0]->name, QStringLiteral("Readable One"));
    EXPECT_EQ(stored[1]->name, QStringLiteral("Readable Two"));
    EXPECT_TRUE(stored[1]->alertsOff);
    const QString aside = store.dataFilePath() + QStringLiteral(".damaged-") + Stamp;
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("4 of 6"))) << warnings[0].toStdString();
    EXPECT_TRUE(warnings[0].contains(aside)) << warnings[0].toStdString();
    EXPECT_EQ(test::readFile(store.dataFilePath()), original) << "the file itself stays until the next write";
    EXPECT_EQ(test::readFile(aside), original);

    // Loading the same file again keeps one copy, not one per load.
    warnings.clear();
    clock.set(test::utc("2026-03-05T12:05:00Z"));
    EXPECT_EQ(store.loadEntries(&warnings).size(), 2u);
    EXPECT_EQ(warnings.size(), 1);
    EXPECT_EQ(damagedCopies(store.dataFilePath()), QStringList{QFileInfo(aside).fileName()});

    // The next write keeps the readable records; the copy still holds everything.
    std::vector<OccasionRecordPtr> database{contactDate(calendar, 42, 1970, 1, 2)}, holdovers;
    store.readCustomEntries(stored, database, holdovers, settings, calculator(), calendar);
    ASSERT_TRUE(store.writeCustomEntries(database, holdovers, calendar));
    warnings.clear();
    EXPECT_EQ(store.loadEntries(&warnings).size(), 2u);
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_EQ(readRaw(aside, EntriesKey).objects().size(), 6u);
}

TEST_F(CustomEntriesStoreTest, UnreadableMetadataElementsAreLeftOutAndTheOriginalCopiedAside)
{
    const QByteArray original = storeData("metadata-mixed.plist");
    install(original, store.metadataFilePath());
    QStringList warnings;
    const auto notes = store.loadMetadata(&warnings);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0]->recordID, 7);
    EXPECT_EQ(notes[0]->notes, QStringLiteral("Likes green tea"));
    EXPECT_EQ(notes[1]->customID, QStringLiteral("de_christmas"));
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("2 of 4"))) << warnings[0].toStdString();
    EXPECT_EQ(test::readFile(store.metadataFilePath() + QStringLiteral(".damaged-") + Stamp), original);
}

// Older files: photos inside the records

TEST_F(CustomEntriesStoreTest, OlderVersionsPhotosMoveToTheirFilesAndAreNoLongerEmbedded)
{
    settings.setValue(Key::ShowFacebook, true);
    install(storeData("version-1.0-with-photos.plist"), store.dataFilePath());

    std::vector<OccasionRecordPtr> database, holdovers;
    QStringList warnings;
    readInto(database, holdovers, &warnings);
    EXPECT_TRUE(warnings.isEmpty());
    ASSERT_EQ(database.size(), 2u);
    ASSERT_EQ(holdovers.size(), 1u);

    const OccasionRecordPtr& shown = database[0];
    EXPECT_EQ(shown->customID, OldPhotoID);
    EXPECT_TRUE(shown->customPhoto.isNull()) << "moved out of the record";
    EXPECT_EQ(shown->cPhoto, OccasionRecord::PhotoPresent);
    EXPECT_EQ(shown->rawDate, calendar.date(1980, 7, 14));
    EXPECT_TRUE(looksLike(QImage(store.customPhotoFileName(OldPhotoID)), Red));

    const OccasionRecordPtr& friendEntry = database[1];
    EXPECT_EQ(friendEntry->customID, OldFacebookID);
    EXPECT_EQ(friendEntry->name, QStringLiteral("Ola Nordmann"));
    EXPECT_TRUE(friendEntry->customPhoto.isNull()) << "no version at all is older too";
    EXPECT_TRUE(looksLike(QImage(store.customPhotoFileName(OldFacebookID)), Green));

    // The held-over one-time entry still carries its photo in memory...
    EXPECT_EQ(holdovers[0]->customID, OldOneTimeID);
    EXPECT_FALSE(holdovers[0]->customPhoto.isNull());

    // ...and the next write files it before leaving it out of the record.
    ASSERT_TRUE(store.writeCustomEntries(database, holdovers, calendar));
    EXPECT_TRUE(looksLike(QImage(store.customPhotoFileName(OldOneTimeID)), Blue));
    const RawArchive raw = readRaw(store.dataFilePath(), EntriesKey);
    ASSERT_EQ(raw.objects().size(), 3u);
    for (const ArchiveObject* o : raw.objects()) {
        EXPECT_EQ(o->find(QStringLiteral("Raw Photo")), nullptr);
        EXPECT_EQ(*o->find(QStringLiteral("VersionID"))->asString(), QStringLiteral("1.1"));
    }

    // Read again, each photo comes from its file.
    database.clear();
    holdovers.clear();
    readInto(database, holdovers);
    ASSERT_EQ(database.size() + holdovers.size(), 3u);
    for (const auto& r : {database[0], database[1], holdovers[0]}) {
        EXPECT_TRUE(r->customPhoto.isNull());
        store.readCustomPhoto(*r);
        EXPECT_EQ(r->cPhoto, OccasionRecord::PhotoPresent) << r->customID.toStdString();
    }
    EXPECT_TRUE(looksLike(holdovers[0]->customPhoto, Blue));
}

TEST_F(CustomEntriesStoreTest, OlderVersionsPhotoStaysInTheRecordWhenItsFileCannotBeWritten)
{
    install(storeData("version-1.0-with-photos.plist"), store.dataFilePath());
    ASSERT_TRUE(QDir().mkpath(store.customPhotoFileName(OldPhotoID)));

    std::vector<OccasionRecordPtr> database, holdovers;
    readInto(database, holdovers);
    ASSERT_EQ(database.size(), 1u);
    EXPECT_TRUE(looksLike(database[0]->customPhoto, Red));

    ASSERT_TRUE(store.writeCustomEntries(database, holdovers, calendar));
    const RawArchive raw = readRaw(store.dataFilePath(), EntriesKey);
    const ArchiveObject* kept = raw.withCustomID(OldPhotoID);
    ASSERT_NE(kept, nullptr);
    ASSERT_NE(kept->find(QStringLiteral("Raw Photo")), nullptr);
    EXPECT_TRUE(looksLike(QImage::fromData(*kept->find(QStringLiteral("Raw Photo"))->asData()), Red));
}

// Photos

TEST_F(CustomEntriesStoreTest, PhotoRoundTripThroughItsFile)
{
    auto entry = customEntry(calendar, QStringLiteral("P"), QStringLiteral("P"), 1990, 1, 1);
    entry->customPhoto = solidImage(Green, 20, 10);
    entry->photo = solidImage(Red);
    ASSERT_TRUE(store.writeCustomPhoto(*entry));
    EXPECT_EQ(entry->cPhoto, OccasionRecord::PhotoPresent);
    EXPECT_TRUE(entry->photo.isNull()) << "the display picture is made again";
    const QByteArray png = test::readFile(store.customPhotoFileName(QStringLiteral("P")));
    EXPECT_TRUE(png.startsWith("\x89PNG"));

    auto fresh = customEntry(calendar, QStringLiteral("P"), QStringLiteral("P"), 1990, 1, 1);
    store.readCustomPhoto(*fresh);
    EXPECT_EQ(fresh->cPhoto, OccasionRecord::PhotoPresent);
    ASSERT_EQ(fresh->customPhoto.size(), QSize(20, 10));
    EXPECT_EQ(fresh->customPhoto.pixelColor(5, 5), Green) << "PNG is lossless";

    fresh->photo = solidImage(Red);
    store.deleteCustomPhoto(*fresh);
    EXPECT_EQ(fresh->cPhoto, OccasionRecord::PhotoAbsent);
    EXPECT_TRUE(fresh->photo.isNull());
    EXPECT_FALSE(QFileInfo::exists(store.customPhotoFileName(QStringLiteral("P"))));
}

struct ReadPhotoRow {
    std::string name;
    QByteArray fileContent;  // null: no file
    bool custom;
    int cPhoto;
};

class CustomEntriesStoreReadPhoto : public CustomEntriesStoreTest, public ::testing::WithParamInterface<ReadPhotoRow> {};

TEST_P(CustomEntriesStoreReadPhoto, PhotoStateAfterReading)
{
    const ReadPhotoRow& row = GetParam();
    if (!row.fileContent.isNull())
        install(row.fileContent, store.customPhotoFileName(QStringLiteral("R")));
    auto record = row.custom ? customEntry(calendar, QStringLiteral("R"), QStringLiteral("R"), 1990, 1, 1)
                             : holiday(calendar, QStringLiteral("R"), 2026, 1, 1);
    store.readCustomPhoto(*record);
    EXPECT_EQ(record->cPhoto, row.cPhoto);
    EXPECT_EQ(record->customPhoto.isNull(), row.cPhoto != OccasionRecord::PhotoPresent);
}

QByteArray pngBytes()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    solidImage(Red).save(&buffer, "PNG");
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(CustomEntriesStore, CustomEntriesStoreReadPhoto,
                         ::testing::Values(ReadPhotoRow{"PhotoFile", pngBytes(), true, OccasionRecord::PhotoPresent},
                                           ReadPhotoRow{"NoFile", QByteArray(), true, OccasionRecord::PhotoAbsent},
                                           ReadPhotoRow{"DamagedFile", QByteArray("\x89PNG broken"), true,
                                                        OccasionRecord::PhotoAbsent},
                                           ReadPhotoRow{"NotAnEntry", pngBytes(), false, OccasionRecord::PhotoNotLookedUp}),
                         rowName<ReadPhotoRow>);

TEST_F(CustomEntriesStoreTest, OnlyEntriesWithAPhotoWriteOne)
{
    auto noPhoto = customEntry(calendar, QStringLiteral("N"), QStringLiteral("N"), 1990, 1, 1);
    EXPECT_FALSE(store.writeCustomPhoto(*noPhoto));
    auto holidayWithPhoto = holiday(calendar, QStringLiteral("H"), 2026, 1, 1);
    holidayWithPhoto->customPhoto = solidImage(Red);
    EXPECT_FALSE(store.writeCustomPhoto(*holidayWithPhoto));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(CustomEntriesStoreTest, RemovingAPhotoOnlyRemovesThatFile)
{
    auto entry = customEntry(calendar, QStringLiteral("GONE"), QStringLiteral("G"), 1990, 1, 1);
    store.removeCustomPhoto(*entry);  // nothing there yet: nothing happens
    install(pngBytes(), store.customPhotoFileName(QStringLiteral("GONE")));
    install(pngBytes(), store.customPhotoFileName(QStringLiteral("STAY")));
    entry->cPhoto = OccasionRecord::PhotoPresent;
    store.removeCustomPhoto(*entry);
    EXPECT_FALSE(QFileInfo::exists(store.customPhotoFileName(QStringLiteral("GONE"))));
    EXPECT_TRUE(QFileInfo::exists(store.customPhotoFileName(QStringLiteral("STAY"))));
    EXPECT_EQ(entry->cPhoto, OccasionRecord::PhotoPresent) << "the record is left as it is";
}

// Notes

TEST_F(CustomEntriesStoreTest, NotesRoundTripInOrderAndClearedNotesAreNotWritten)
{
    auto contactNote = std::make_shared<OccasionABMetadata>();
    contactNote->recordID = 5;
    contactNote->notes = QStringLiteral("Allergic to nuts");
    auto holidayNote = std::make_shared<OccasionABMetadata>();
    holidayNote->customID = QStringLiteral("de_christmas");
    holidayNote->notes = QStringLiteral("Dinner at 6");
    auto spaceOnly = std::make_shared<OccasionABMetadata>();
    spaceOnly->recordID = 6;
    spaceOnly->notes = QStringLiteral(" ");
    ASSERT_TRUE(store.writeABMetadata({contactNote, holidayNote, spaceOnly}));

    auto back = store.loadMetadata();
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0]->recordID, 5);
    EXPECT_EQ(back[0]->notes, QStringLiteral("Allergic to nuts"));
    EXPECT_EQ(back[1]->customID, QStringLiteral("de_christmas"));
    EXPECT_EQ(back[1]->recordID, -1);
    EXPECT_EQ(back[2]->notes, QStringLiteral(" "));

    // The user clears the contact's notes.
    back[0]->notes.clear();
    QString error;
    ASSERT_TRUE(store.writeABMetadata(back, &error)) << error.toStdString();
    const RawArchive raw = readRaw(store.metadataFilePath(), MetadataKey);
    ASSERT_EQ(raw.objects().size(), 2u);
    for (const ArchiveObject* o : raw.objects())
        EXPECT_NE(*o->find(QStringLiteral("ABRecordID"))->asInteger(), 5);
    const auto again = store.loadMetadata();
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0]->customID, QStringLiteral("de_christmas"));
}

} // namespace
