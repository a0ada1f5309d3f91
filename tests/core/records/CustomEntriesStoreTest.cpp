#include "core/records/CustomEntriesStore.h"
#include "core/database/OccasionCalculator.h"
#include "core/records/OccasionABMetadata.h"
#include "core/records/OccasionRecord.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Calendar.h"
#include "core/time/Clock.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include "support/ArchiveValues.h"
#include "support/RowPrinter.h"
#include "support/TestSupport.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <tuple>

// gtest prints a QString as its text.
static void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

using namespace fetemark;

namespace {

using Records = std::vector<OccasionRecordPtr>;
using test::PrintTo;

const QString EntriesKey = QStringLiteral("Custom Entries");
const QString MetadataKey = QStringLiteral("AB Metadata");

// The moment every test runs at: Thursday 5 March 2026, 13:00 in Berlin.
const char* const Now = "2026-03-05T12:00:00Z";
const QString Stamp = QStringLiteral("20260305-120000");
const QColor Red(200, 30, 30), Blue(30, 40, 210), Green(20, 180, 60);

// Fixture archives in tests/data/stores (dates at local noon in Europe/Berlin).
const QString OldPhotoID = QStringLiteral("5D1A7C1E-0A39-4C55-9F0B-3C1D2E4F5A61");
const QString OldOneTimeID = QStringLiteral("5D1A7C1E-0A39-4C55-9F0B-3C1D2E4F5A62");
const QString OldFacebookID = QStringLiteral("100004217");

OccasionRecordPtr contactDate(const Calendar& cal, std::int32_t id, int y, int m, int d,
    int type = OccasionRecord::Birthday, const QString& label = {})
{
    auto r = std::make_shared<OccasionRecord>();
    r->recordID = id;
    r->type = type;
    r->rawDate = cal.date(y, m, d);
    r->otherDateLabel = label;
    return r;
}

// A custom entry named by its id, or a Facebook entry of Ada Lovelace; hour 12 as read
// from the file, 0 as in memory.
OccasionRecordPtr entry(const Calendar& cal, const QString& id, int y, int m, int d, int hour = 0,
    bool facebook = false)
{
    auto r = std::make_shared<OccasionRecord>();
    r->isCustomEntry = !facebook;
    r->isFacebookEntry = facebook;
    r->customID = id;
    r->name = facebook ? QStringLiteral("as fetched") : id;
    r->firstName = facebook ? QStringLiteral("Ada") : QString();
    r->lastName = facebook ? QStringLiteral("Lovelace") : QString();
    r->rawDate = cal.date(y, m, d, hour);
    r->versionID = QString::fromLatin1(OccasionRecord::CurrentVersion);
    return r;
}

OccasionRecordPtr holiday(const Calendar& cal, const QString& customID, int y, int m, int d)
{
    auto r = std::make_shared<OccasionRecord>();
    r->isHoliday = true;
    r->type = OccasionRecord::Holiday;
    r->customID = r->name = customID;
    r->rawDate = cal.date(y, m, d);
    return r;
}

OccasionABMetadataPtr note(std::int32_t recordID, const QString& text, const QString& customID = {})
{
    auto n = std::make_shared<OccasionABMetadata>();
    n->recordID = recordID;
    n->customID = customID;
    n->notes = text;
    return n;
}

QStringList notesOf(const std::vector<OccasionABMetadataPtr>& notes)
{
    QStringList out;
    for (const auto& n : notes)
        out << QStringLiteral("%1/%2:%3").arg(n->recordID).arg(n->customID, n->notes);
    return out;
}

std::string joined(const QStringList& list)
{
    return list.join(QStringLiteral("; ")).toStdString();
}

// What a directory holds, by name.
std::string listing(const QString& path)
{
    return joined(QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot));
}

QImage solidImage(const QColor& colour, int width = 16, int height = 12)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Photos go through JPEG on their way from older files: colours come back close, not equal.
::testing::AssertionResult looksLike(const QImage& image, const QColor& colour)
{
    const QColor c =
        image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
    if (image.isNull() ||
        std::max({std::abs(c.red() - colour.red()), std::abs(c.green() - colour.green()),
            std::abs(c.blue() - colour.blue())}) > 12)
        return ::testing::AssertionFailure() << "centre pixel is " << c.name().toStdString();
    return ::testing::AssertionSuccess();
}

// The record objects a store file really holds, with their custom IDs.
struct RawFile {
    ArchiveValue root;
    std::vector<const ArchiveObject*> objects;
    QStringList ids;

    const ArchiveObject* withID(const QString& id) const
    {
        return ids.contains(id) ? objects[ids.indexOf(id)] : nullptr;
    }
};

RawFile readRaw(const QString& path, const QString& key)
{
    RawFile raw;
    raw.root = KeyedUnarchiver::unarchive(test::readFile(path)).value_or(ArchiveValue());
    const ArchiveValue* list =
        raw.root.asDictionary() ? raw.root.asDictionary()->find(key) : nullptr;
    for (const ArchiveValue& v :
        list && list->asArray() ? list->asArray()->items : std::vector<ArchiveValue>()) {
        raw.objects.push_back(v.asObject());
        raw.ids << (v.asObject()
                ? ArchiveObjectReader(*v.asObject()).decodeString(QStringLiteral("CustomID"))
                : "?");
    }
    EXPECT_TRUE(list && list->asArray())
        << path.toStdString() << " has no array under " << key.toStdString();
    return raw;
}

QDateTime rawDateOf(const ArchiveObject* o)
{
    return o ? ArchiveObjectReader(*o).decodeDate("Raw Date") : QDateTime();
}
const ArchiveValue* rawPhotoOf(const ArchiveObject* o)
{
    return o ? o->find("Raw Photo") : nullptr;
}

// An archive whose root dictionary holds `value` under `key`.
QByteArray archivedUnder(const QString& key, const ArchiveValue& value)
{
    return test::archive(test::dictOf({{key, value}}));
}

QByteArray archived(const QString& key, std::vector<ArchiveValue> items)
{
    return archivedUnder(key, test::arrayOf(std::move(items)));
}

QByteArray storeData(const char* name)
{
    return test::readFile(FETEMARK_TEST_DATA_DIR "/stores/" + QString(name));
}

// Fixture: a fresh data directory, Berlin, 5 March 2026, default settings.
class CustomEntriesStoreTest : public ::testing::Test {
protected:
    CustomEntriesStoreTest() { settings.registerDefaults(registeredDefaults()); }

    OccasionCalculator calculator() const
    {
        return OccasionCalculator(calendar, clock.now(), settings);
    }

    void sort(const Records& stored, Records& database, Records& holdovers)
    {
        store.readCustomEntries(stored, database, holdovers, settings, calculator(), calendar);
    }
    // One load as the database does it: the file's records sorted into shown and held over.
    void readInto(Records& db, Records& held, QStringList* warnings = nullptr)
    {
        sort(store.loadEntries(warnings), db, held);
    }
    void write(const Records& records, const Records& holdovers = {})
    {
        QString error;
        EXPECT_TRUE(store.writeCustomEntries(records, holdovers, calendar, &error))
            << error.toStdString();
    }
    void install(const QByteArray& bytes, const QString& path)
    {
        ASSERT_TRUE(test::writeFile(path, bytes)) << qPrintable(path);
    }
    QString photoOf(const QString& id) const { return store.customPhotoFileName(id); }
    RawFile rawEntries() const { return readRaw(store.dataFilePath(), EntriesKey); }
    QStringList damagedCopies(const QString& path) const
    {
        return QDir(dir.path()).entryList({path.section('/', -1) + ".damaged-*"});
    }

    test::TempDir dir;
    Settings settings {dir.file(QStringLiteral("Preferences.plist"))};
    Calendar calendar {QStringLiteral("Europe/Berlin")};
    FixedClock clock {test::utc(Now)};
    CustomEntriesStore store {dir.path(), clock};
};

template<typename Row>
class CustomEntriesStoreRows : public CustomEntriesStoreTest,
                               public ::testing::WithParamInterface<Row> {
};

struct HostileIdRow {
    std::string name;
    QString customID;
};

using CustomEntriesStoreHostileIds = CustomEntriesStoreRows<HostileIdRow>;

// A file anyone could have written names the photo: it must never lead outside the data
// directory, which is one level down here so that an escape would show.
TEST_P(CustomEntriesStoreHostileIds, NeverNameAFileOutsideTheDataDirectory)
{
    const QString dataDir = dir.file(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(dataDir));
    CustomEntriesStore nested(dataDir, clock);
    EXPECT_TRUE(nested.customPhotoFileName(GetParam().customID).isEmpty());
    auto hostile = entry(calendar, GetParam().customID, 1980, 7, 14, 12);
    hostile->customPhoto = solidImage(Red);
    EXPECT_FALSE(nested.writeCustomPhoto(*hostile));
    EXPECT_EQ(hostile->cPhoto, OccasionRecord::PhotoNotLookedUp);

    // Written by an older version with the photo inside: it stays there, having nowhere else to go.
    auto object = std::make_shared<ArchiveObject>(*hostile->encodeWithCoder().asObject());
    std::erase_if(
        object->fields, [](const auto& f) { return f.first == QLatin1String("VersionID"); });
    install(archived(EntriesKey, {ArchiveValue::object(object)}), nested.dataFilePath());
    Records database, holdovers;
    nested.readCustomEntries(
        nested.loadEntries(), database, holdovers, settings, calculator(), calendar);
    ASSERT_EQ(database.size(), 1u);
    EXPECT_TRUE(looksLike(database[0]->customPhoto, Red));
    nested.readCustomPhoto(*database[0]);
    EXPECT_EQ(database[0]->cPhoto, OccasionRecord::PhotoAbsent);
    ASSERT_TRUE(nested.writeCustomEntries(database, holdovers, calendar));
    const RawFile raw = readRaw(nested.dataFilePath(), EntriesKey);
    EXPECT_TRUE(raw.objects.size() == 1u && rawPhotoOf(raw.objects[0]))
        << "the next write keeps it in the record";

    nested.deleteCustomPhoto(*database[0]);
    nested.removeCustomPhoto(*database[0]);
    EXPECT_EQ(listing(dir.path()), "data");
    EXPECT_EQ(listing(dataDir), "CustomEntries.plist");
}

INSTANTIATE_TEST_SUITE_P(CustomEntriesStore, CustomEntriesStoreHostileIds,
    ::testing::Values(HostileIdRow {"ParentDirectory", QStringLiteral("../escaped")},
        HostileIdRow {"AbsolutePath", QStringLiteral("/tmp/escaped")},
        HostileIdRow {"DotDotAlone", QStringLiteral("..")}),
    test::RowName());

// Reading: choices on contacts' dates and holidays

struct ChoiceRow {
    std::string name;
    std::function<void(OccasionRecord&)> alterStored;
    bool matches;
};

using CustomEntriesStoreChoices = CustomEntriesStoreRows<ChoiceRow>;

// The choice carries all three flags onto the matching date, cleared ones too.
TEST_P(CustomEntriesStoreChoices, MatchOnRecordIdDateLabelAndTypeAlike)
{
    const QString label = QStringLiteral("_$!<Anniversary>!$_");
    auto anniversary = contactDate(calendar, 7, 2001, 9, 8, OccasionRecord::Anniversary, label);
    anniversary->alertsOff = anniversary->ignoreYear = true;
    auto choice = contactDate(calendar, 7, 2001, 9, 8, OccasionRecord::Anniversary, label);
    choice->ignoreForUpcoming = true;
    GetParam().alterStored(*choice);

    Records database {anniversary}, holdovers;
    sort({choice}, database, holdovers);
    const bool matches = GetParam().matches;
    EXPECT_EQ(database.size(), 1u) << "a choice is never listed itself";
    EXPECT_EQ(
        std::tuple(anniversary->alertsOff, anniversary->ignoreYear, anniversary->ignoreForUpcoming),
        std::tuple(!matches, !matches, matches));
    EXPECT_EQ(holdovers, (matches ? Records {} : Records {choice}));
}

INSTANTIATE_TEST_SUITE_P(CustomEntriesStore, CustomEntriesStoreChoices,
    ::testing::Values(ChoiceRow {"SameDateAndLabel", [](OccasionRecord&) {}, true},
        ChoiceRow {"OtherContact", [](OccasionRecord& r) { r.recordID = 8; }, false},
        ChoiceRow {"SameDayAtNoon",
            [](OccasionRecord& r) { r.rawDate = r.rawDate.addSecs(12 * 3600); }, false},
        ChoiceRow {"OtherLabel",
            [](OccasionRecord& r) { r.otherDateLabel = QStringLiteral("Wedding"); }, false},
        ChoiceRow {"LabelCaseDiffers",
            [](OccasionRecord& r) { r.otherDateLabel = QStringLiteral("_$!<anniversary>!$_"); },
            false},
        ChoiceRow {
            "OtherType", [](OccasionRecord& r) { r.type = OccasionRecord::OtherDate; }, false}),
    test::RowName());

TEST_F(CustomEntriesStoreTest, ChoiceGoesToTheFirstMatchOnlyAndSparesAPhantomBirthdaysYear)
{
    auto first = contactDate(calendar, 3, 1990, 6, 1);
    first->isPhantomBirthday = true;
    auto second = contactDate(calendar, 3, 1990, 6, 1);
    auto choice = contactDate(calendar, 3, 1990, 6, 1);
    choice->ignoreYear = choice->alertsOff = true;
    Records database {first, second}, holdovers;
    sort({choice}, database, holdovers);
    EXPECT_TRUE(first->alertsOff);
    EXPECT_FALSE(first->ignoreYear) << "a phantom birthday has no year to leave out";
    EXPECT_FALSE(second->alertsOff) << "the scan stops at the first match";
    EXPECT_TRUE(holdovers.empty());
}

TEST_F(
    CustomEntriesStoreTest, ContactChoiceWithoutItsDateIsHeldOverAndAppliesAgainWhenTheDateReturns)
{
    const auto nameDay = [&] {
        return contactDate(
            calendar, 12, 1975, 4, 23, OccasionRecord::OtherDate, QStringLiteral("Name day"));
    };
    auto choice = nameDay();
    choice->alertsOff = true;
    write({choice});

    // The contact lost that date: the choice waits in the file through the next write.
    Records database {contactDate(calendar, 12, 1975, 5, 1)}, holdovers;
    readInto(database, holdovers);
    ASSERT_EQ(holdovers.size(), 1u);
    EXPECT_FALSE(database[0]->alertsOff);
    write(database, holdovers);
    const RawFile raw = rawEntries();
    ASSERT_EQ(raw.objects.size(), 1u);
    EXPECT_EQ(rawDateOf(raw.objects[0]), calendar.date(1975, 4, 23));

    database = {nameDay()};
    holdovers.clear();
    readInto(database, holdovers);
    EXPECT_TRUE(database.size() == 1u && database[0]->alertsOff);
    EXPECT_TRUE(holdovers.empty());
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
    choice->alertsOff = choice->ignoreForUpcoming = choice->ignoreYear = true;
    auto orphan = holiday(calendar, QStringLiteral("fr_bastille"), 2026, 7, 14);
    orphan->alertsOff = true;

    Records database {otherSameDay, first, birthday, second}, holdovers;
    sort({choice, orphan}, database, holdovers);
    for (const auto& h : {first, second}) {
        EXPECT_TRUE(h->alertsOff && h->ignoreForUpcoming);
        EXPECT_FALSE(h->ignoreYear) << "holidays take alerts and upcoming only";
    }
    EXPECT_FALSE(otherSameDay->alertsOff || otherSameDay->ignoreForUpcoming || birthday->alertsOff);
    EXPECT_EQ(holdovers, Records {orphan}) << "a choice without its holiday is held over";
    EXPECT_EQ(database.size(), 4u);
}

// Reading: entries shown or held over

struct Visibility {
    bool facebook = false;
    int year = 1980, month = 7, day = 14;
    bool onetime = false, ignoreYear = false;
    int oneTimeYear = 0;
    bool ignored = false, matched = false, showFacebook = false, showCustom = true,
         contactsHidden = false, firstNameFirst = true;
    int pastDays = 0;
};

struct VisibilityRow {
    std::string name;
    bool shown;
    Visibility with = {};
};

using CustomEntriesStoreVisibility = CustomEntriesStoreRows<VisibilityRow>;

TEST_P(CustomEntriesStoreVisibility, ShownOrHeldOver)
{
    const Visibility& row = GetParam().with;
    const bool shown = GetParam().shown;
    settings.setValue(Key::ShowFacebook, row.showFacebook);
    settings.setValue(Key::ShowCustom, row.showCustom);
    settings.setValue(Key::HideContacts, row.contactsHidden);
    settings.setValue(Key::PastDays, row.pastDays);
    settings.setValue(Key::FirstNameFirst, row.firstNameFirst);
    auto stored =
        entry(calendar, QStringLiteral("1000"), row.year, row.month, row.day, 12, row.facebook);
    stored->onetime = row.onetime;
    stored->ignoreYear = row.ignoreYear;
    stored->oneTimeYear = row.oneTimeYear;
    stored->isIgnoredFacebook = row.ignored;
    stored->isFacebookMatched = row.matched;
    stored->facebookToContactID = row.matched ? 5 : -1;
    auto contact = contactDate(calendar, 5, 1960, 1, 1);

    Records database {contact}, holdovers;
    sort({stored}, database, holdovers);
    EXPECT_EQ(stored->rawDate, calendar.date(row.year, row.month, row.day))
        << "back at local midnight either way";
    EXPECT_EQ(database, (shown ? Records {contact, stored} : Records {contact}));
    EXPECT_EQ(holdovers, (shown ? Records {} : Records {stored}));
    EXPECT_EQ(
        stored->abPhoto, shown ? OccasionRecord::PhotoAbsent : OccasionRecord::PhotoNotLookedUp);
    if (row.facebook) { // only shown entries are renamed
        EXPECT_EQ(stored->name,
            !shown                   ? "as fetched"
                : row.firstNameFirst ? "Ada Lovelace"
                                     : "Lovelace Ada");
    }
}

INSTANTIATE_TEST_SUITE_P(CustomEntriesStore, CustomEntriesStoreVisibility,
    ::testing::Values(VisibilityRow {"CustomShownByDefault", true},
        VisibilityRow {"CustomHeldOverWhenCustomHidden", false, {.showCustom = false}},
        VisibilityRow {"FacebookHeldOverWhenFacebookHidden", false, {.facebook = true}},
        VisibilityRow {"FacebookShownWhenCustomHidden", true,
            {.facebook = true, .showFacebook = true, .showCustom = false}},
        VisibilityRow {"FacebookNamedLastNameFirst", true,
            {.facebook = true, .showFacebook = true, .firstNameFirst = false}},
        VisibilityRow {"IgnoredFacebookHeldOver", false,
            {.facebook = true, .ignored = true, .showFacebook = true}},
        VisibilityRow {"MatchedFacebookHeldOverWhileContactsShown", false,
            {.facebook = true, .matched = true, .showFacebook = true}},
        VisibilityRow {"MatchedFacebookShownWhileContactsHidden", true,
            {.facebook = true, .matched = true, .showFacebook = true, .contactsHidden = true}},
        VisibilityRow {"MatchedFacebookHeldOverWhenFacebookHidden", false,
            {.facebook = true, .matched = true, .contactsHidden = true}},
        VisibilityRow {
            "OneTimeTodayShown", true, {.year = 2026, .month = 3, .day = 5, .onetime = true}},
        VisibilityRow {"OneTimeTwoDaysAgoShownWithinTwoPastDays", true,
            {.year = 2026, .month = 3, .day = 3, .onetime = true, .pastDays = 2}},
        VisibilityRow {"OneTimeThreeDaysAgoHeldOverWithTwoPastDays", false,
            {.year = 2026, .month = 3, .day = 2, .onetime = true, .pastDays = 2}},
        VisibilityRow {"OneTimeWithoutYearUsesItsOneTimeYearPast", false,
            {.year = 2030,
                .month = 3,
                .day = 3,
                .onetime = true,
                .ignoreYear = true,
                .oneTimeYear = 2026}},
        VisibilityRow {"YearlyEntryLongAgoShown", true, {.year = 1950, .month = 3, .day = 3}}),
    test::RowName());

// Holdovers are written after the shown records, in order.
TEST_F(CustomEntriesStoreTest, ExpiredOneTimeAndDatelessEntriesAreHeldOverAndSurviveTheNextWrite)
{
    settings.setValue(Key::PastDays, 0);
    auto once = entry(calendar, QStringLiteral("ONCE"), 2026, 3, 3);
    once->onetime = true;
    once->oneTimeYear = 2026;
    auto dateless = entry(calendar, QStringLiteral("NODATE"), 2000, 1, 1);
    dateless->rawDate = QDateTime();
    write({once, entry(calendar, QStringLiteral("YEARLY"), 1955, 3, 3), dateless});

    Records database, holdovers;
    readInto(database, holdovers);
    ASSERT_EQ(database.size(), 1u);
    EXPECT_EQ(holdovers.size(), 2u);
    write({contactDate(calendar, 78, 1981, 9, 9), database[0]}, holdovers);
    const RawFile raw = rawEntries();
    EXPECT_EQ(joined(raw.ids), "YEARLY; ONCE; NODATE");
    const ArchiveObject* kept = raw.withID(QStringLiteral("ONCE"));
    EXPECT_EQ(rawDateOf(kept), calendar.date(2026, 3, 3, 12));
    EXPECT_TRUE(kept && ArchiveObjectReader(*kept).decodeBool(QStringLiteral("OneTime")));
}

struct LinkRow {
    std::string name;
    bool facebook, matched;
    std::int32_t contactID;
    bool forcedUnlink, linked;
};

using CustomEntriesStoreLinks = CustomEntriesStoreRows<LinkRow>;

TEST_P(CustomEntriesStoreLinks, MatchedOrUnlinkedFacebookEntriesAreTheLinks)
{
    const LinkRow& row = GetParam();
    auto stored = entry(calendar, QStringLiteral("77"), 1969, 12, 28, 12, row.facebook);
    stored->isFacebookMatched = row.matched;
    stored->facebookToContactID = row.contactID;
    stored->forcedFacebookUnlink = row.forcedUnlink;
    Records links;
    CustomEntriesStore::readLinkedFacebookEntries({stored}, links, calendar);
    EXPECT_EQ(links, (row.linked ? Records {stored} : Records {}));
    EXPECT_EQ(stored->rawDate, calendar.date(1969, 12, 28, row.linked ? 0 : 12))
        << "links at midnight, others as read";
    EXPECT_EQ(stored->abPhoto,
        row.linked ? OccasionRecord::PhotoAbsent : OccasionRecord::PhotoNotLookedUp);
}

INSTANTIATE_TEST_SUITE_P(CustomEntriesStore, CustomEntriesStoreLinks,
    ::testing::Values(LinkRow {"MatchedToAContact", true, true, 5, false, true},
        LinkRow {"MatchedWithoutContact", true, true, -1, false, false},
        LinkRow {"ContactWithoutMatchFlag", true, false, 5, false, false},
        LinkRow {"UnlinkedByTheUser", true, false, -1, true, true},
        LinkRow {"CustomEntry", false, true, 5, false, false}),
    test::RowName());

// Writing

struct WriteRow {
    std::string name;
    char kind; // contact date, holiday, custom entry, Facebook entry
    void (*choose)(OccasionRecord&);
    bool written;
};

using CustomEntriesStoreWhatIsWritten = CustomEntriesStoreRows<WriteRow>;

TEST_P(CustomEntriesStoreWhatIsWritten, OnlyEntriesAndRecordsWithAChoice)
{
    const WriteRow& row = GetParam();
    const bool isEntry = row.kind == 'e' || row.kind == 'f';
    const OccasionRecordPtr record = isEntry
        ? entry(calendar, QStringLiteral("99"), 2000, 1, 1, 0, row.kind == 'f')
        : row.kind == 'h' ? holiday(calendar, QStringLiteral("de_easter"), 2026, 4, 5)
                          : contactDate(calendar, 21, 1984, 2, 29);
    row.choose(*record);
    write({record});
    const auto back = store.loadEntries();
    ASSERT_EQ(back.size(), row.written ? 1u : 0u);
    const auto choices = [](const OccasionRecord& r) {
        return std::tuple(r.recordID, r.type, r.alertsOff, r.ignoreYear, r.ignoreForUpcoming,
            r.facebookLinkID.toStdString(), r.customID.toStdString());
    };
    if (row.written) {
        EXPECT_EQ(choices(*back[0]), choices(*record));
    }
}

INSTANTIATE_TEST_SUITE_P(CustomEntriesStore, CustomEntriesStoreWhatIsWritten,
    ::testing::Values(WriteRow {"ContactWithoutChoiceSkipped", 'c', [](OccasionRecord&) {}, false},
        WriteRow {
            "ContactNotUpcoming", 'c', [](OccasionRecord& r) { r.ignoreForUpcoming = true; }, true},
        WriteRow {"ContactWithoutYear", 'c', [](OccasionRecord& r) { r.ignoreYear = true; }, true},
        WriteRow {"ContactAlertsOff", 'c', [](OccasionRecord& r) { r.alertsOff = true; }, true},
        WriteRow {"ContactLinkedToFacebook", 'c',
            [](OccasionRecord& r) { r.facebookLinkID = QStringLiteral("100004217"); }, true},
        WriteRow {"HolidayWithoutChoiceSkipped", 'h', [](OccasionRecord&) {}, false},
        WriteRow {"HolidayAlertsOff", 'h', [](OccasionRecord& r) { r.alertsOff = true; }, true},
        WriteRow {"CustomEntryAlways", 'e', [](OccasionRecord&) {}, true},
        WriteRow {"FacebookEntryAlways", 'f', [](OccasionRecord&) {}, true}),
    test::RowName());

struct DayRow {
    std::string name;
    const char *zone, *midnightUtc, *noonUtc;
    int year, month, day;
};

using CustomEntriesStoreNoonOnDisk = CustomEntriesStoreRows<DayRow>;

// In memory an entry's date is local midnight, in the file local noon of the same day, so
// that a zone's offset change cannot move it to another day; also on days whose length
// differs or whose midnight is skipped.
TEST_P(CustomEntriesStoreNoonOnDisk, EntriesAtNoonInTheFileAndMidnightInMemory)
{
    const DayRow& row = GetParam();
    const Calendar zone(QString::fromLatin1(row.zone));
    const QDateTime midnight = test::utc(row.midnightUtc), noon = test::utc(row.noonUtc);
    ASSERT_EQ(zone.date(row.year, row.month, row.day), midnight);
    auto shown = entry(zone, QStringLiteral("SHOWN"), row.year, row.month, row.day);
    auto contactChoice = contactDate(zone, 3, row.year, row.month, row.day);
    contactChoice->alertsOff = true;
    auto heldFacebook = entry(zone, QStringLiteral("555"), row.year, row.month, row.day, 0, true);
    QString error;
    ASSERT_TRUE(store.writeCustomEntries({shown, contactChoice}, {heldFacebook}, zone, &error))
        << error.toStdString();

    const RawFile raw = rawEntries();
    ASSERT_EQ(raw.objects.size(), 3u);
    EXPECT_EQ(rawDateOf(raw.objects[0]), noon);
    EXPECT_EQ(rawDateOf(raw.objects[1]), midnight) << "a contact's choice keeps its in-memory date";
    EXPECT_EQ(rawDateOf(raw.objects[2]), noon);
    EXPECT_EQ(shown->rawDate, midnight) << "shown entries are back at midnight after the write";
    EXPECT_EQ(heldFacebook->rawDate, noon) << "holdovers keep noon until the next read";

    settings.setValue(Key::ShowFacebook, true);
    Records database {contactDate(zone, 3, row.year, row.month, row.day)}, holdovers;
    store.readCustomEntries(store.loadEntries(), database, holdovers, settings,
        OccasionCalculator(zone, clock.now(), settings), zone);
    ASSERT_EQ(database.size(), 3u);
    EXPECT_TRUE(database[0]->alertsOff) << "the choice matched its contact's date exactly";
    EXPECT_EQ(database[1]->rawDate, midnight);
    EXPECT_EQ(database[2]->rawDate, midnight);
    EXPECT_TRUE(holdovers.empty());
}

INSTANTIATE_TEST_SUITE_P(CustomEntriesStore, CustomEntriesStoreNoonOnDisk,
    ::testing::Values(DayRow {"BerlinOrdinaryDay", "Europe/Berlin", "2026-03-04T23:00:00Z",
                          "2026-03-05T11:00:00Z", 2026, 3, 5},
        DayRow {"AucklandSpringForward", "Pacific/Auckland", "2026-09-26T12:00:00Z",
            "2026-09-26T23:00:00Z", 2026, 9, 27},
        DayRow {"SaoPauloSkippedMidnight", "America/Sao_Paulo", "2018-11-04T03:00:00Z",
            "2018-11-04T14:00:00Z", 2018, 11, 4}),
    test::RowName());

// Photos, and what a write does with them

TEST_F(CustomEntriesStoreTest, PhotoIsSafeInItsFileBeforeItLeavesTheRecord)
{
    Records entries;
    for (const auto& [id, colour] :
        {std::pair(QStringLiteral("PHOTO1"), Blue), std::pair(QStringLiteral("PHOTO2"), Green),
            std::pair(QStringLiteral("PHOTO3"), Red)}) {
        entries.push_back(entry(calendar, id, 1999, 9, 9));
        entries.back()->customPhoto = solidImage(colour);
    }
    // The third one's file exists already and is the one to keep.
    ASSERT_TRUE(solidImage(Green, 4, 4).save(photoOf(QStringLiteral("PHOTO3")), "PNG"));

    write({entries[0], entries[2]}, {entries[1]}); // a holdover's photo is filed too
    for (const auto& e : entries)
        EXPECT_TRUE(e->customPhoto.isNull()) << e->customID.toStdString();
    EXPECT_TRUE(looksLike(QImage(photoOf(QStringLiteral("PHOTO1"))), Blue));
    EXPECT_TRUE(looksLike(QImage(photoOf(QStringLiteral("PHOTO2"))), Green));
    EXPECT_EQ(QImage(photoOf(QStringLiteral("PHOTO3"))).size(), QSize(4, 4));
    const RawFile raw = rawEntries();
    ASSERT_EQ(raw.objects.size(), 3u);
    for (const ArchiveObject* o : raw.objects)
        EXPECT_FALSE(rawPhotoOf(o));
}

TEST_F(CustomEntriesStoreTest, PhotoRoundTripThroughItsFileAndOnlyThatFileIsRemoved)
{
    auto photo = entry(calendar, QStringLiteral("P"), 1990, 1, 1);
    EXPECT_FALSE(store.writeCustomPhoto(*photo)) << "no photo, no file";
    photo->customPhoto = solidImage(Green, 20, 10);
    photo->photo = solidImage(Red);
    ASSERT_TRUE(store.writeCustomPhoto(*photo));
    EXPECT_EQ(photo->cPhoto, OccasionRecord::PhotoPresent);
    EXPECT_TRUE(photo->photo.isNull()) << "the display picture is made again";
    EXPECT_TRUE(test::readFile(dir.file(QStringLiteral("P.png"))).startsWith("\x89PNG"))
        << "named as older versions did";

    auto fresh = entry(calendar, QStringLiteral("P"), 1990, 1, 1);
    store.readCustomPhoto(*fresh);
    EXPECT_EQ(fresh->cPhoto, OccasionRecord::PhotoPresent);
    ASSERT_EQ(fresh->customPhoto.size(), QSize(20, 10));
    EXPECT_EQ(fresh->customPhoto.pixelColor(5, 5), Green) << "PNG is lossless";
    fresh->photo = solidImage(Red);
    store.deleteCustomPhoto(*fresh);
    EXPECT_EQ(fresh->cPhoto, OccasionRecord::PhotoAbsent);
    EXPECT_TRUE(fresh->photo.isNull());
    EXPECT_FALSE(QFileInfo::exists(photoOf(QStringLiteral("P"))));
    for (const QByteArray& file :
        {QByteArray(), QByteArray("\x89PNG broken")}) { // none, or a damaged one
        if (!file.isNull())
            install(file, photoOf(QStringLiteral("P")));
        auto again = entry(calendar, QStringLiteral("P"), 1990, 1, 1);
        store.readCustomPhoto(*again);
        EXPECT_EQ(again->cPhoto, OccasionRecord::PhotoAbsent);
        EXPECT_TRUE(again->customPhoto.isNull());
    }

    auto notAnEntry = holiday(calendar, QStringLiteral("P"), 2026, 1, 1);
    notAnEntry->customPhoto = solidImage(Red);
    store.readCustomPhoto(*notAnEntry);
    EXPECT_EQ(notAnEntry->cPhoto, OccasionRecord::PhotoNotLookedUp);
    EXPECT_FALSE(store.writeCustomPhoto(*notAnEntry)) << "only entries have photo files";

    for (const char* id : {"GONE", "STAY"})
        ASSERT_TRUE(solidImage(Red).save(photoOf(QLatin1String(id)), "PNG"));
    auto gone = entry(calendar, QStringLiteral("GONE"), 1990, 1, 1);
    gone->cPhoto = OccasionRecord::PhotoPresent;
    store.removeCustomPhoto(*gone);
    EXPECT_FALSE(QFileInfo::exists(photoOf(QStringLiteral("GONE"))));
    EXPECT_TRUE(QFileInfo::exists(photoOf(QStringLiteral("STAY"))));
    EXPECT_EQ(gone->cPhoto, OccasionRecord::PhotoPresent) << "the record is left as it is";
}

// Failing writes and damaged files: nothing is ever lost

TEST_F(CustomEntriesStoreTest, WritesUnderAPlainFileReportTheFailureAndMissingFilesReadAsEmpty)
{
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("plain")), "not a folder"));
    const CustomEntriesStore blocked(dir.file(QStringLiteral("plain/data")), clock);
    auto unwritten = entry(calendar, QStringLiteral("X"), 1990, 1, 1);
    QString entriesError, notesError;
    EXPECT_FALSE(blocked.writeCustomEntries({unwritten}, {}, calendar, &entriesError));
    EXPECT_FALSE(blocked.writeABMetadata({note(1, QStringLiteral("n"))}, &notesError));
    EXPECT_FALSE(entriesError.isEmpty() || notesError.isEmpty());
    EXPECT_EQ(unwritten->rawDate, calendar.date(1990, 1, 1))
        << "the record is back at midnight even so";
    unwritten->customPhoto = unwritten->photo = solidImage(Red);
    EXPECT_FALSE(blocked.writeCustomPhoto(*unwritten));
    EXPECT_EQ(unwritten->cPhoto, OccasionRecord::PhotoNotLookedUp);
    EXPECT_FALSE(unwritten->photo.isNull()) << "nothing changed";

    QStringList warnings;
    EXPECT_TRUE(blocked.loadEntries(&warnings).empty());
    EXPECT_TRUE(blocked.loadMetadata(&warnings).empty());
    EXPECT_TRUE(store.loadEntries(&warnings).empty());
    EXPECT_TRUE(warnings.isEmpty());
}

// A write that fails part-way (the file size limit is hit) leaves the previous file as it
// was and no temporary file behind; one killed half-way leaves one, which loads ignore.
TEST_F(CustomEntriesStoreTest, FailedWriteLeavesThePreviousFileIntact)
{
    write({entry(calendar, QStringLiteral("FIRST"), 1990, 1, 1)});
    const QByteArray before = test::readFile(store.dataFilePath());
    Records many;
    for (int i = 0; i < 50; ++i)
        many.push_back(entry(calendar, QStringLiteral("ID%1").arg(i), 1990, 1, 1));

    struct rlimit saved { };
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = static_cast<rlim_t>(before.size() + 64);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    QString error;
    const bool ok = store.writeCustomEntries(many, {}, calendar, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok || error.isEmpty());
    EXPECT_EQ(test::readFile(store.dataFilePath()), before);
    EXPECT_EQ(listing(dir.path()), "CustomEntries.plist");

    install(before.left(before.size() / 2), store.dataFilePath() + QStringLiteral(".Xa1b2C"));
    QStringList warnings;
    const auto back = store.loadEntries(&warnings);
    EXPECT_TRUE(back.size() == 1u && back[0]->customID == QLatin1String("FIRST"));
    EXPECT_TRUE(warnings.isEmpty() && damagedCopies(store.dataFilePath()).isEmpty())
        << joined(warnings);
    EXPECT_EQ(test::readFile(store.dataFilePath()), before);
}

QByteArray goodArchive(bool metadata)
{
    const Calendar berlin(QStringLiteral("Europe/Berlin"));
    if (metadata)
        return archived(
            MetadataKey, {note(4, "cake")->encodeWithCoder(), note(5, "song")->encodeWithCoder()});
    return archived(EntriesKey,
        {entry(berlin, "A", 1990, 1, 1, 12)->encodeWithCoder(),
            entry(berlin, "B", 1991, 2, 2, 12)->encodeWithCoder()});
}

struct DamageRow {
    std::string name;
    bool metadata;
    std::function<QByteArray()> bytes;
};

using CustomEntriesStoreDamaged = CustomEntriesStoreRows<DamageRow>;

TEST_P(CustomEntriesStoreDamaged, IsMovedAsideWithAWarningAndReadsAsEmpty)
{
    const DamageRow& row = GetParam();
    const QString path = row.metadata ? store.metadataFilePath() : store.dataFilePath();
    const QByteArray bytes = row.bytes();
    install(bytes, path);
    // A name already taken: the counter picks the next one.
    const QString taken = path + QStringLiteral(".damaged-") + Stamp,
                  aside = taken + QStringLiteral("-2");
    install("earlier", taken);

    QStringList warnings;
    EXPECT_EQ(
        row.metadata ? store.loadMetadata(&warnings).size() : store.loadEntries(&warnings).size(),
        0u);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(aside)) << warnings[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(test::readFile(aside), bytes);
    EXPECT_EQ(test::readFile(taken), QByteArray("earlier"));

    // The next write starts a fresh file and leaves the damaged one alone.
    if (row.metadata)
        EXPECT_TRUE(store.writeABMetadata({note(9, QStringLiteral("fresh"))}));
    else
        write({entry(calendar, QStringLiteral("N"), 2000, 1, 1)});
    EXPECT_EQ(row.metadata ? store.loadMetadata().size() : store.loadEntries().size(), 1u);
    EXPECT_EQ(test::readFile(aside), bytes);
}

INSTANTIATE_TEST_SUITE_P(CustomEntriesStore, CustomEntriesStoreDamaged,
    ::testing::Values(DamageRow {"EntriesEmpty", false, [] { return QByteArray(); }},
        DamageRow {"EntriesTruncated", false, [] { return goodArchive(false).chopped(8); }},
        DamageRow {"EntriesKeyHoldsAString", false,
            [] { return archivedUnder(EntriesKey, ArchiveValue::string("x")); }},
        DamageRow {"EntriesFileHoldsNotes", false, [] { return goodArchive(true); }},
        DamageRow {"EntriesRootIsAString", false,
            [] {
                return KeyedArchiver::archivedData(ArchiveValue::string(EntriesKey))
                    .value_or(QByteArray());
            }},
        DamageRow {"MetadataGarbage", true,
            [] { return QByteArray("\x00\x17garbage, not an archive\xff", 26); }},
        DamageRow {"MetadataFileHoldsEntries", true, [] { return goodArchive(false); }}),
    test::RowName());

struct PartlyReadableRow {
    std::string name;
    bool metadata;
    const char *file, *readable, *counted; // readable: names, or notes as notesOf gives them
    std::size_t all;
};

using CustomEntriesStorePartlyReadable = CustomEntriesStoreRows<PartlyReadableRow>;

// The readable elements are kept; the original is copied aside once, before any write.
TEST_P(CustomEntriesStorePartlyReadable, KeepsTheReadableElementsAndCopiesTheOriginalAside)
{
    const PartlyReadableRow& row = GetParam();
    const QString path = row.metadata ? store.metadataFilePath() : store.dataFilePath();
    const QByteArray original = storeData(row.file);
    install(original, path);
    const auto load = [&](QStringList* warnings) {
        QStringList names = row.metadata ? notesOf(store.loadMetadata(warnings)) : QStringList();
        for (const auto& r : row.metadata ? Records() : store.loadEntries(warnings))
            names << r->name + (r->alertsOff ? QStringLiteral(" (alerts off)") : QString());
        return names;
    };
    QStringList warnings;
    EXPECT_EQ(joined(load(&warnings)), row.readable);
    const QString aside = path + QStringLiteral(".damaged-") + Stamp;
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(QLatin1String(row.counted)) && warnings[0].contains(aside))
        << warnings[0].toStdString();
    EXPECT_EQ(test::readFile(path), original) << "the file itself stays until the next write";
    EXPECT_EQ(test::readFile(aside), original);

    clock.set(test::utc("2026-03-05T12:05:00Z")); // loading again keeps one copy, not one per load
    EXPECT_EQ(joined(load(nullptr)), row.readable);
    EXPECT_EQ(damagedCopies(path), QStringList {QFileInfo(aside).fileName()});

    if (row.metadata) {
        EXPECT_TRUE(store.writeABMetadata(store.loadMetadata()));
    } else {
        Records database {contactDate(calendar, 42, 1970, 1, 2)}, holdovers;
        readInto(database, holdovers);
        write(database, holdovers);
    }
    warnings.clear();
    EXPECT_EQ(load(&warnings).size(), 2) << "the next write keeps the readable ones";
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_EQ(readRaw(aside, row.metadata ? MetadataKey : EntriesKey).objects.size(), row.all)
        << "the copy holds all";
}

INSTANTIATE_TEST_SUITE_P(CustomEntriesStore, CustomEntriesStorePartlyReadable,
    ::testing::Values(PartlyReadableRow {"Entries", false, "mixed-elements.plist",
                          "Readable One; Readable Two (alerts off)", "4 of 6", 6},
        PartlyReadableRow {"Metadata", true, "metadata-mixed.plist",
            "7/:Likes green tea; -1/de_christmas:Family at grandma's", "2 of 4", 4}),
    test::RowName());

// Older files: photos inside the records

TEST_F(CustomEntriesStoreTest, OlderVersionsPhotosMoveToTheirFilesAndAreNoLongerEmbedded)
{
    settings.setValue(Key::ShowFacebook, true);
    install(storeData("version-1.0-with-photos.plist"), store.dataFilePath());
    Records database, holdovers;
    QStringList warnings;
    readInto(database, holdovers, &warnings);
    EXPECT_TRUE(warnings.isEmpty());
    ASSERT_EQ(database.size(), 2u);
    ASSERT_EQ(holdovers.size(), 1u);
    // Version 1.0 and no version at all are older; the photo moves out of the record.
    for (const auto& [r, id, colour] :
        {std::tuple(database[0], OldPhotoID, Red), std::tuple(database[1], OldFacebookID, Green)}) {
        EXPECT_EQ(r->customID, id);
        EXPECT_TRUE(r->customPhoto.isNull());
        EXPECT_EQ(r->cPhoto, OccasionRecord::PhotoPresent);
        EXPECT_TRUE(looksLike(QImage(photoOf(id)), colour));
    }
    EXPECT_EQ(database[1]->name, QStringLiteral("Ola Nordmann"));
    // The held-over one-time entry still carries its photo; the next write files it.
    EXPECT_EQ(holdovers[0]->customID, OldOneTimeID);
    EXPECT_FALSE(holdovers[0]->customPhoto.isNull());

    write(database, holdovers);
    EXPECT_TRUE(looksLike(QImage(photoOf(OldOneTimeID)), Blue));
    const RawFile raw = rawEntries();
    ASSERT_EQ(raw.objects.size(), 3u);
    for (const ArchiveObject* o : raw.objects) {
        EXPECT_FALSE(rawPhotoOf(o));
        EXPECT_EQ(ArchiveObjectReader(*o).decodeString(QStringLiteral("VersionID")),
            QStringLiteral("1.1"));
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
    ASSERT_TRUE(QDir().mkpath(photoOf(OldPhotoID)));
    Records database, holdovers;
    readInto(database, holdovers);
    ASSERT_EQ(database.size(), 1u);
    EXPECT_TRUE(looksLike(database[0]->customPhoto, Red));
    write(database, holdovers);
    const RawFile raw = rawEntries();
    const ArchiveValue* kept = rawPhotoOf(raw.withID(OldPhotoID));
    ASSERT_TRUE(kept && kept->asData());
    EXPECT_TRUE(looksLike(QImage::fromData(*kept->asData()), Red));
}

// Notes

TEST_F(CustomEntriesStoreTest, NotesRoundTripInOrderAndClearedNotesAreNotWritten)
{
    ASSERT_TRUE(store.writeABMetadata({note(5, QStringLiteral("Allergic to nuts")),
        note(-1, QStringLiteral("Dinner at 6"), QStringLiteral("de_christmas")),
        note(6, QStringLiteral(" "))}));
    auto back = store.loadMetadata();
    EXPECT_EQ(joined(notesOf(back)), "5/:Allergic to nuts; -1/de_christmas:Dinner at 6; 6/: ");
    ASSERT_EQ(back.size(), 3u);
    back[0]->notes.clear(); // the user clears the contact's notes
    ASSERT_TRUE(store.writeABMetadata(back));
    EXPECT_EQ(
        readRaw(dir.file(QStringLiteral("ABMetadata.plist")), MetadataKey).objects.size(), 2u);
    EXPECT_EQ(joined(notesOf(store.loadMetadata())), "-1/de_christmas:Dinner at 6; 6/: ");
}

} // namespace
