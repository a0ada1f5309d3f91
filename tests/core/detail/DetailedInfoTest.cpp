// The detail screen's engine over a real data directory: header texts and photo, the
// per-occasion switches and their storing, the notes by kind and the notes options.
#include "core/detail/DetailedInfoExtra.h"
#include "core/detail/DetailedInfoHeader.h"
#include "core/detail/NotesOptions.h"

#include "core/database/RecordDatabase.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Clock.h"
#include "platform/addressbook/AddressBook.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include <functional>

using namespace fetemark;
using namespace Qt::StringLiterals;

namespace {

// Thursday 5 March 2026, 13:00 in Berlin.
class Detail {
public:
    test::TempDir dir;
    Settings settings {dir.file(u"Preferences.plist"_s)};
    FixedClock clock {test::utc("2026-03-05T12:00:00Z")};
    DeviceEnvironment device {u"Europe/Berlin"_s, u"en_US"_s, {u"en"_s}};
    Calendar calendar {u"Europe/Berlin"_s};
    std::unique_ptr<AddressBook> book = AddressBook::create(dir.file(u"AddressBook.sqlite"_s));
    std::unique_ptr<RecordDatabase> db;

    explicit Detail(DataAccess access = DataAccess::ReadWrite)
    {
        settings.registerDefaults(registeredDefaults());
        open(access);
    }
    void open(DataAccess access)
    {
        db = std::make_unique<RecordDatabase>(RecordDatabase::Dependencies {
            settings, clock, device, dir.path(), u":/resources"_s, access});
    }
    std::int32_t addPerson(const QString& note = {}, const QImage& picture = {})
    {
        Person p;
        p.firstName = u"Ann"_s;
        p.birthday = QDate(1990, 3, 10);
        p.note = note;
        const std::int32_t id = book->addPerson(p);
        if (!picture.isNull()) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            picture.save(&buffer, "PNG");
            book->setImageData(id, png);
        }
        EXPECT_TRUE(id != -1 && book->save());
        return id;
    }
    OccasionRecordPtr loadedRecord()
    {
        db->loadDatabase();
        return db->records().empty() ? nullptr : db->records().front();
    }
    OccasionRecordPtr customEntry()
    {
        auto r = std::make_shared<OccasionRecord>();
        r->isCustomEntry = true;
        r->name = u"Party"_s;
        r->customID = OccasionRecord::GetUUID();
        r->rawDate = calendar.date(2001, 6, 1);
        r->type = OccasionRecord::OtherDate;
        EXPECT_TRUE(db->addNewCustomRecord(r, true));
        return r;
    }
};

// ---- Header ----

struct HeaderRow {
    std::string name;
    std::function<void(OccasionRecord&)> change;
    const char* title;
    const char* type;
    const char* date;
};

class HeaderTexts : public testing::TestWithParam<HeaderRow> { };

TEST_P(HeaderTexts, NameTheOccasion)
{
    Detail d;
    OccasionRecord r;
    r.name = u"Ann"_s;
    r.originalName = u"Ann Berg"_s;
    r.rawDate = d.calendar.date(1990, 3, 10);
    GetParam().change(r);
    const DetailedInfoHeader h = detailedInfoHeader(r, d.db->texts(), d.device);
    EXPECT_EQ(h.navigationTitle, QString::fromUtf8(GetParam().title));
    EXPECT_EQ(h.typeText, QString::fromUtf8(GetParam().type));
    EXPECT_EQ(h.dateText, QString::fromUtf8(GetParam().date));
}

INSTANTIATE_TEST_SUITE_P(Detail, HeaderTexts,
    testing::Values(
        HeaderRow {"Birthday", [](OccasionRecord&) {}, "Ann", "Birthday", "March 10, 1990"},
        HeaderRow {"IgnoredYear", [](OccasionRecord& r) { r.ignoreYear = true; }, "Ann", "Birthday",
            "March 10"},
        HeaderRow {"NoYearStored",
            [](OccasionRecord& r) {
                r.lionNoYear = true;
                r.type = OccasionRecord::Anniversary;
            },
            "Ann", "Anniversary", "March 10"},
        HeaderRow {"SmartLabel",
            [](OccasionRecord& r) {
                r.type = OccasionRecord::OtherDate;
                r.fakeAnniversary = true;
                r.smartLabel = u"Wedding"_s;
            },
            "Ann Berg", "Wedding", "March 10, 1990"},
        HeaderRow {"LabelledOther",
            [](OccasionRecord& r) {
                r.type = OccasionRecord::OtherDate;
                r.otherDateLabel = QString(ContactLabel::Other);
            },
            "Ann", "other", "March 10, 1990"},
        HeaderRow {"Holiday", [](OccasionRecord& r) { r.type = OccasionRecord::Holiday; }, "Ann",
            "Holiday", "March 10, 1990"}),
    test::RowName());

struct PhotoRow {
    std::string name;
    std::function<void(OccasionRecord&)> change;
    bool facebookMark;
    bool contactMark;
    const char* blank; // empty: a picture
};

class HeaderPhotos : public testing::TestWithParam<PhotoRow> { };

TEST_P(HeaderPhotos, ShowAPictureOrTheRightBlank)
{
    const PhotoRow& row = GetParam();
    Detail d;
    d.settings.setValue(QString(Key::ShowFacebook), true);
    d.settings.setValue(QString(Key::FacebookPhotoMark), row.facebookMark);
    d.settings.setValue(QString(Key::ContactPhotoMark), row.contactMark);
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::red);
    OccasionRecord r;
    r.recordID = d.addPerson({}, *row.blank ? QImage() : picture);
    r.abPhoto = *row.blank ? OccasionRecord::PhotoAbsent : OccasionRecord::PhotoPresent;
    row.change(r);
    const HeaderPhoto photo = headerPhoto(*d.db, r);
    EXPECT_EQ(photo.blankFile, QString::fromUtf8(row.blank));
    EXPECT_EQ(photo.copyable, !*row.blank);
    if (!*row.blank) {
        EXPECT_EQ(photo.copyImage.size(), picture.size());
        EXPECT_EQ(photo.image.width(), 2 * HeaderPhoto::Size);
    }
}

auto linked = [](OccasionRecord& r) { r.facebookLinkID = u"42"_s; };
auto plain = [](OccasionRecord&) {};

INSTANTIATE_TEST_SUITE_P(Detail, HeaderPhotos,
    testing::Values(
        PhotoRow {"LinkedBothMarks", linked, true, true, "BlankPhoto_Big_FacebookContact.png"},
        PhotoRow {"LinkedFacebookMark", linked, true, false, "BlankPhoto_Big_Facebook.png"},
        PhotoRow {"LinkedContactMark", linked, false, true, "BlankPhoto_BigContact.png"},
        PhotoRow {"ContactMark", plain, true, true, "BlankPhoto_BigContact.png"},
        PhotoRow {"NoMarks", plain, false, false, "BlankPhoto_Big.png"},
        PhotoRow {"CustomEntryWithoutMark",
            [](OccasionRecord& r) {
                r.recordID = -1;
                r.isCustomEntry = true;
                r.cPhoto = OccasionRecord::PhotoAbsent;
            },
            true, true, "BlankPhoto_Big.png"},
        PhotoRow {"FacebookEntry",
            [](OccasionRecord& r) {
                r.recordID = -1;
                r.isFacebookEntry = true;
                r.cPhoto = OccasionRecord::PhotoAbsent;
            },
            true, true, "BlankPhoto_Big_Facebook.png"},
        PhotoRow {"ContactPicture", linked, true, true, ""}),
    test::RowName());

// ---- Per-occasion settings ----

struct SwitchesRow {
    std::string name;
    std::function<void(OccasionRecord&)> change;
    bool holidayAlerts;
    // Each row as "Kind:on:enabled".
    std::vector<std::string> rows;
    bool footer;
};

class ExtraRows : public testing::TestWithParam<SwitchesRow> { };

TEST_P(ExtraRows, FollowTheRecord)
{
    const SwitchesRow& row = GetParam();
    Detail d;
    d.settings.setValue(QString(Key::HolidayAlerts), row.holidayAlerts);
    OccasionRecord r;
    row.change(r);
    std::vector<std::string> got;
    for (const DetailedInfoExtra::SwitchRow& s : DetailedInfoExtra::rows(r, d.db->texts()))
        got.push_back(test::rowName(s.titleKey.toStdString(), ":", s.on ? "on" : "off", ":",
            s.enabled ? "enabled" : "disabled"));
    EXPECT_EQ(got, row.rows);
    EXPECT_EQ(DetailedInfoExtra::helpFooter(r, d.settings, d.db->texts()).has_value(), row.footer);
}

INSTANTIATE_TEST_SUITE_P(Detail, ExtraRows,
    testing::Values(SwitchesRow {"Contact", plain, false,
                        {"IncludeYear:on:enabled", "AlertsOnForContact:on:enabled"}, false},
        SwitchesRow {"NoYearStored",
            [](OccasionRecord& r) {
                r.lionNoYear = r.ignoreYear = true;
                r.alertsOff = true;
            },
            false, {"IncludeYear:off:disabled", "AlertsOnForContact:off:enabled"}, false},
        SwitchesRow {"HolidayAlertsOff", [](OccasionRecord& r) { r.isHoliday = true; }, false,
            {"AlertsOnForContact:on:enabled"}, true},
        SwitchesRow {"HolidayAlertsOn", [](OccasionRecord& r) { r.isHoliday = true; }, true,
            {"AlertsOnForContact:on:enabled"}, false}),
    test::RowName());

struct YearRow {
    std::string name;
    int year, month, day; // of the one-time entry
    bool applied;
};

class IncludeYear : public testing::TestWithParam<YearRow> { };

TEST_P(IncludeYear, IsRefusedForAOneTimeEntryInThePast)
{
    const YearRow& row = GetParam();
    Detail d;
    OccasionRecord r;
    r.isCustomEntry = r.onetime = r.ignoreYear = true;
    r.rawDate = d.calendar.date(row.year, row.month, row.day);
    QString refusal;
    EXPECT_EQ(DetailedInfoExtra::includeYearChanged(r, true, *d.db, &refusal), row.applied);
    EXPECT_EQ(r.ignoreYear, !row.applied);
    EXPECT_EQ(refusal.isEmpty(), row.applied);
}

INSTANTIATE_TEST_SUITE_P(Detail, IncludeYear,
    testing::Values(YearRow {"Yesterday", 2026, 3, 4, false}, YearRow {"Today", 2026, 3, 5, true},
        YearRow {"NextYear", 2027, 1, 1, true}),
    test::RowName());

TEST(DetailedInfoExtra, LeavingStoresACustomEntryAndReportsARefusedWrite)
{
    Detail d;
    d.loadedRecord();
    const OccasionRecordPtr entry = d.customEntry();
    DetailedInfoExtra::alertsChanged(*entry, false);
    QString error;
    ASSERT_TRUE(DetailedInfoExtra::detailedInfoExtraControllerDone(*d.db, entry, &error))
        << error.toStdString();
    EXPECT_FALSE(entry->detailedText.isNull());

    d.open(DataAccess::ReadOnly);
    const OccasionRecordPtr stored = d.loadedRecord();
    ASSERT_TRUE(stored && stored->isCustomEntry);
    EXPECT_TRUE(stored->alertsOff);
    DetailedInfoExtra::alertsChanged(*stored, true);
    EXPECT_FALSE(DetailedInfoExtra::detailedInfoExtraControllerDone(*d.db, stored, &error));
    EXPECT_FALSE(error.isEmpty());
}

// ---- Notes ----

TEST(DetailNotes, TheContactNotesSettingChoosesTheStoreReadAndWritten)
{
    Detail d;
    d.addPerson(u"On the card"_s);
    const OccasionRecordPtr r = d.loadedRecord();
    ASSERT_TRUE(r);
    ASSERT_TRUE(d.db->setNotes(*r, u"Own"_s));
    EXPECT_EQ(d.db->getNotes(*r), u"Own"_s);
    d.settings.setValue(QString(Key::AddressBookNotes), 1);
    EXPECT_EQ(d.db->getNotes(*r), u"On the card"_s);

    // A card keeps empty notes as one space; they read back empty.
    ASSERT_TRUE(d.db->setNotes(*r, QString()));
    EXPECT_EQ(AddressBook::create(d.dir.file(u"AddressBook.sqlite"_s))->person(r->recordID)->note,
        u" "_s);
    EXPECT_EQ(d.db->getNotes(*r), u""_s);
    d.settings.setValue(QString(Key::AddressBookNotes), 0);
    EXPECT_EQ(d.db->getNotes(*r), u"Own"_s);

    d.open(DataAccess::ReadOnly);
    const OccasionRecordPtr readOnly = d.loadedRecord();
    EXPECT_FALSE(d.db->setNotes(*readOnly, u"Not kept"_s));
    EXPECT_EQ(d.db->getNotes(*readOnly), u"Own"_s);

    d.open(DataAccess::ReadWrite);
    d.loadedRecord();
    d.settings.setValue(QString(Key::AddressBookNotes), 1);
    ASSERT_TRUE(d.book->removePerson(r->recordID) && d.book->save());
    QString error;
    EXPECT_FALSE(d.db->setNotes(*r, u"Gone"_s, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(DetailNotes, ACustomEntrysNotesAreWrittenAtOnce)
{
    Detail d;
    d.loadedRecord();
    const OccasionRecordPtr entry = d.customEntry();
    ASSERT_TRUE(d.db->setNotes(*entry, u"Bring cake"_s));
    d.open(DataAccess::ReadOnly);
    const OccasionRecordPtr stored = d.loadedRecord();
    ASSERT_TRUE(stored);
    EXPECT_EQ(d.db->getNotes(*stored), u"Bring cake"_s);
    // Refused in a run that only reads, and the record keeps what is stored.
    EXPECT_FALSE(d.db->setNotes(*stored, u"Bring pie"_s));
    EXPECT_EQ(d.db->getNotes(*stored), u"Bring cake"_s);
}

struct EditorRow {
    std::string name;
    std::function<void(OccasionRecord&)> change;
    int addressBookNotes;
    const char* title;
};

class NotesEditor : public testing::TestWithParam<EditorRow> { };

TEST_P(NotesEditor, IsTitledAfterTheStore)
{
    Detail d;
    d.settings.setValue(QString(Key::AddressBookNotes), GetParam().addressBookNotes);
    OccasionRecord r;
    r.recordID = 3;
    GetParam().change(r);
    const auto texts = NotesOptions::editorTexts(r, d.settings, d.db->texts());
    EXPECT_EQ(texts.title, QString::fromUtf8(GetParam().title));
    EXPECT_EQ(texts.placeholder, u"Notes"_s);
}

INSTANTIATE_TEST_SUITE_P(Detail, NotesEditor,
    testing::Values(EditorRow {"ContactOnCard", plain, 1, "Contact Notes"},
        EditorRow {"ContactOwn", plain, 0, "Fetemark Notes"},
        EditorRow {"Holiday",
            [](OccasionRecord& r) {
                r.isHoliday = true;
                r.recordID = -1;
            },
            1, "Fetemark Notes"},
        EditorRow {
            "CustomEntry", [](OccasionRecord& r) { r.isCustomEntry = true; }, 1, "Fetemark Notes"}),
    test::RowName());

TEST(NotesOptions, TheShippedListNamesBothStores)
{
    const std::optional<OptionList> list = NotesOptions::addressBookNotesOptions();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->values, (std::vector<int> {0, 1}));
    EXPECT_EQ(list->images.size(), 2);
    EXPECT_EQ(list->indexOfValue(1), 1);
    EXPECT_EQ(list->indexOfValue(7), -1);
    const Texts german(u"DE"_s);
    EXPECT_EQ(list->optionTitle(1, german), u"Auf der Kontaktkarte gespeichert"_s);
    EXPECT_EQ(list->title(german), u"Notizen"_s);
}

struct BadListRow {
    std::string name;
    const char* entries; // inside PreferenceSpecifiers
};

class BadOptionList : public testing::TestWithParam<BadListRow> { };

TEST_P(BadOptionList, IsRefusedWithAReason)
{
    test::TempDir root;
    ASSERT_TRUE(test::writeFile(root.file(u"Settings.plist"_s),
        QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
                   "<key>PreferenceSpecifiers</key><array>") +
            GetParam().entries + "</array></dict></plist>"));
    QString error;
    EXPECT_FALSE(readOptionList(u"addressbooknotes"_s, root.path(), &error));
    EXPECT_FALSE(error.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Detail, BadOptionList,
    testing::Values(BadListRow {"NoEntry", ""},
        BadListRow {"UnpairedTitles",
            "<dict><key>Key</key><string>addressbooknotes</string><key>Titles</key><array>"
            "<string>A</string></array><key>Values</key><array><integer>0</integer>"
            "<integer>1</integer></array></dict>"},
        BadListRow {"TextValue",
            "<dict><key>Key</key><string>addressbooknotes</string><key>Titles</key><array>"
            "<string>A</string></array><key>Values</key><array><string>0</string></array>"
            "</dict>"}),
    test::RowName());

} // namespace
