// The main list: groups by month and state, header sizes and row positions, filters,
// search through the prefix index, and the row decisions of the list screen.
#include "core/list/MainListModel.h"

#include "core/database/RecordDatabase.h"
#include "core/list/ListRows.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/time/Clock.h"
#include "core/time/DeviceEnvironment.h"
#include "platform/addressbook/AddressBook.h"
#include "support/RowPrinter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace fetemark;
using Records = MainListModel::Records;
using test::PrintTo;

// ---- Grouping, headers and row positions over records described by their state ----

struct Row {
    int month;
    bool upcoming;
    bool belated;
};

struct Group {
    const char* title;
    int position;
    int count;
};

struct GroupingRow {
    const char* name;
    std::vector<Row> records;
    std::vector<Group> groups;
    std::vector<int> locationsWithHeaders; // per row: 0 top, 1 middle, 2 bottom, 3 single
    std::vector<int> locationsWithoutHeaders;
    std::vector<int> heightsWithHeaders; // per section
    std::vector<int> heightsWithoutHeaders;
};

const QStringList Months {QStringLiteral("January"), QStringLiteral("February"),
    QStringLiteral("March"), QStringLiteral("April"), QStringLiteral("May"), QStringLiteral("June"),
    QStringLiteral("July"), QStringLiteral("August"), QStringLiteral("September"),
    QStringLiteral("October"), QStringLiteral("November"), QStringLiteral("December")};

class Grouping : public testing::TestWithParam<GroupingRow> { };

TEST_P(Grouping, GroupsHeadersAndLocations)
{
    const GroupingRow& row = GetParam();
    Records records;
    for (const Row& r : row.records) {
        auto record = std::make_shared<OccasionRecord>();
        record->month = r.month;
        record->isUpcoming = r.upcoming;
        record->isBelated = r.belated;
        records.push_back(record);
    }
    const auto groups = MainListModel::groupRecords(records, Months, QStringLiteral("Just Passed"));
    ASSERT_EQ(groups.size(), row.groups.size());
    for (size_t i = 0; i < groups.size(); ++i) {
        SCOPED_TRACE("group " + std::to_string(i));
        EXPECT_EQ(groups[i].groupTitle.toStdString(), row.groups[i].title);
        EXPECT_EQ(groups[i].groupPosition, row.groups[i].position);
        EXPECT_EQ(groups[i].groupCount, row.groups[i].count);
    }
    for (const bool headers : {true, false}) {
        SCOPED_TRACE(headers ? "month headers on" : "month headers off");
        std::vector<int> locations;
        std::vector<int> heights;
        for (int s = 0; s < int(groups.size()); ++s) {
            heights.push_back(MainListModel::headerHeight(groups, s, headers));
            for (int r = 0; r < groups[s].groupCount; ++r)
                locations.push_back(int(MainListModel::viewLocation(groups, {s, r}, headers)));
        }
        EXPECT_EQ(locations, headers ? row.locationsWithHeaders : row.locationsWithoutHeaders);
        EXPECT_EQ(heights, headers ? row.heightsWithHeaders : row.heightsWithoutHeaders);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Grouping,
    testing::Values(
        // Belated block over two months, the upcoming block titled though March is named
        // in it already, the window ending mid-March, then April.
        GroupingRow {"BelatedUpcomingAndTheRest",
            {{2, false, true}, {3, false, true}, {3, true, false}, {3, true, false},
                {3, false, false}, {4, false, false}},
            {{"Just Passed", 1, 1}, {"", 2, 1}, {"March", 1, 2}, {"", 1, 1}, {"April", 2, 1}},
            {1, 2, 1, 2, 0, 2}, {0, 2, 0, 2, 0, 2}, {40, 0, 40, 15, 25}, {15, 0, 15, 15, 0}},
        GroupingRow {"AMonthSplitByUpcoming", {{3, true, false}, {3, false, false}},
            {{"March", 1, 1}, {"", 1, 1}}, {2, 3}, {3, 3}, {40, 15}, {15, 15}},
        GroupingRow {"OneRecord", {{7, true, false}}, {{"July", 1, 1}}, {2}, {3}, {40}, {15}},
        GroupingRow {"OneGroupOfThree", {{7, false, false}, {7, false, false}, {7, false, false}},
            {{"July", 1, 3}}, {1, 1, 2}, {0, 1, 2}, {40}, {15}},
        GroupingRow {"MonthsOfOneBlock",
            {{3, true, false}, {4, false, false}, {4, false, false}, {5, false, false}},
            {{"March", 1, 1}, {"April", 1, 2}, {"May", 2, 1}}, {2, 1, 1, 2}, {3, 0, 1, 2},
            {40, 40, 25}, {15, 15, 0}},
        GroupingRow {"OnlyBelated", {{12, false, true}, {12, false, true}, {1, false, true}},
            {{"Just Passed", 1, 2}, {"", 2, 1}}, {1, 1, 2}, {0, 1, 2}, {40, 0}, {15, 0}}),
    test::RowName());

// ---- The model over a real database ----

class ListData {
public:
    ListData()
        : settings(dir.file(QStringLiteral("Preferences.plist"))),
          clock(test::utc("2027-03-01T11:00:00Z")), device {QStringLiteral("Europe/Berlin"),
                                                        QStringLiteral("en_US"),
                                                        {QStringLiteral("en")}}
    {
        settings.registerDefaults(registeredDefaults());
        settings.setValue(QString(Key::ShowFacebook), true);
        settings.setValue(QString(Key::ShowHolidays), true);
        QString error;
        book = AddressBook::create(dir.file(QStringLiteral("AddressBook.sqlite")), &error);
        Person anna;
        anna.firstName = QStringLiteral("Anna");
        anna.lastName = QStringLiteral("Smith");
        anna.birthday = QDate(1990, 3, 10);
        anna.dates = {{QStringLiteral("_$!<Anniversary>!$_"), QDate(2015, 6, 1)}};
        annaID = book->addPerson(anna);
        EXPECT_TRUE(book->save());
        db = std::make_unique<RecordDatabase>(
            RecordDatabase::Dependencies {settings, clock, device, dir.path()});
        db->loadDatabase();
    }

    OccasionRecordPtr add(
        const char* name, int type, QDate date, bool facebook = false, bool holiday = false)
    {
        auto r = std::make_shared<OccasionRecord>();
        r->name = QString::fromUtf8(name);
        r->type = type;
        r->rawDate = Calendar(device.timeZoneId).date(date.year(), date.month(), date.day());
        r->isFacebookEntry = facebook;
        r->isHoliday = holiday;
        r->isCustomEntry = !facebook && !holiday;
        r->customID = QString::fromUtf8(name);
        db->addNewCustomRecord(r, false);
        db->sortDatabase();
        return r;
    }

    OccasionRecordPtr contactRecord(int type) const
    {
        for (const OccasionRecordPtr& r : db->records()) {
            if (r->recordID == annaID && r->type == type)
                return r;
        }
        return nullptr;
    }

    test::TempDir dir;
    Settings settings;
    FixedClock clock;
    DeviceEnvironment device;
    std::unique_ptr<AddressBook> book;
    std::int32_t annaID = -1;
    std::unique_ptr<RecordDatabase> db;
};

QStringList names(const MainListModel& list)
{
    QStringList out;
    for (const OccasionRecordPtr& r : list.records())
        out << r->name;
    return out;
}

TEST(MainList, WithoutSearchOrFilterItIsTheDatabasesOwnArray)
{
    ListData data;
    data.add("Bo Lund", 0, QDate(1980, 3, 3));
    MainListModel list(*data.db, data.device);
    list.refreshLocalDatabase();
    EXPECT_EQ(&list.records(), &data.db->records()) << "no copy";
    list.setFilterMode(MainListModel::Birthdays);
    list.refreshLocalDatabase();
    EXPECT_NE(&list.records(), &data.db->records());
    EXPECT_EQ(list.monthNames().value(2), QStringLiteral("March"));
}

// A month header stands alone, as a heading: Russian takes the nominative ("Декабрь",
// not the "декабря" of "7 декабря"), and every language starts it with a capital.
struct HeaderRow {
    const char* name;
    const char* locale;
    const char* march;
    const char* december;
};

class MonthHeaders : public testing::TestWithParam<HeaderRow> { };

TEST_P(MonthHeaders, NominativeAndCapitalized)
{
    const HeaderRow& row = GetParam();
    ListData data;
    DeviceEnvironment device = data.device;
    device.localeName = QString::fromLatin1(row.locale);
    device.preferredLanguages = {device.localeName.left(2)};
    const MainListModel list(*data.db, device);
    EXPECT_EQ(list.monthNames().value(2).toStdString(), row.march);
    EXPECT_EQ(list.monthNames().value(11).toStdString(), row.december);
}

INSTANTIATE_TEST_SUITE_P(Rows, MonthHeaders,
    testing::Values(HeaderRow {"English", "en_US", "March", "December"},
        HeaderRow {"German", "de_DE", "März", "Dezember"},
        HeaderRow {"Spanish", "es_ES", "Marzo", "Diciembre"},
        HeaderRow {"French", "fr_FR", "Mars", "Décembre"},
        HeaderRow {"Italian", "it_IT", "Marzo", "Dicembre"},
        HeaderRow {"Dutch", "nl_NL", "Maart", "December"},
        HeaderRow {"Russian", "ru_RU", "Март", "Декабрь"}),
    test::RowName());

struct SearchRow {
    const char* name;
    const char* search;
    int filter;
    QStringList expected;
};

class MainListSearch : public testing::TestWithParam<SearchRow> { };

TEST_P(MainListSearch, FindsByWordBeginningsAndKind)
{
    const SearchRow& row = GetParam();
    ListData data;
    data.add("Annabel Lee", 2, QDate(2000, 3, 20));
    data.add("Smithers", 1, QDate(2001, 3, 4));
    data.add("Zed Friend", 0, QDate(1999, 4, 1), true);
    data.add("Easter", 3, QDate(2027, 3, 28), false, true);
    auto fake = data.add("Mom", 2, QDate(1960, 3, 6));
    fake->fakeBirthday = true;
    data.contactRecord(OccasionRecord::Birthday)->facebookLinkID = QStringLiteral("fb-anna");

    MainListModel list(*data.db, data.device);
    list.setFilterMode(row.filter);
    list.setSearchText(QString::fromUtf8(row.search));
    list.refreshLocalDatabase();
    EXPECT_EQ(names(list), row.expected);
    if (row.expected.isEmpty()) {
        EXPECT_TRUE(list.groupsArray().empty());
        EXPECT_EQ(list.numberOfSections(), 1) << "the empty-list view";
        EXPECT_EQ(list.numberOfRows(0), 0);
        EXPECT_EQ(list.headerHeight(0), MainListModel::EmptyListHeaderHeight);
    }
}

// 2027-03-01: Smithers (Mar 4), Mom (Mar 6), Anna Smith (Mar 10), Annabel Lee (Mar 20),
// Easter (Mar 28), Zed Friend (Apr 1), Anna Smith's anniversary (Jun 1).
INSTANTIATE_TEST_SUITE_P(Rows, MainListSearch,
    testing::Values(
        SearchRow {"Everything", "", 0,
            {"Smithers", "Mom", "Anna Smith", "Annabel Lee", "Easter", "Zed Friend", "Anna Smith"}},
        SearchRow {"OneWord", "ann", 0, {"Anna Smith", "Annabel Lee", "Anna Smith"}},
        SearchRow {
            "TwoWordsMayShareANameWord", "an an", 0, {"Anna Smith", "Annabel Lee", "Anna Smith"}},
        SearchRow {"EveryWordMustMatch", "anna smi", 0, {"Anna Smith", "Anna Smith"}},
        SearchRow {"CaseInsensitive", "SMITH", 0, {"Smithers", "Anna Smith", "Anna Smith"}},
        SearchRow {"AnchoredAtWordStart", "mit", 0, {}},
        SearchRow {"OneCharacter", "z", 0, {"Zed Friend"}},
        SearchRow {"OnlyWhiteSpaceFindsNothing", "   ", 0, {}},
        SearchRow {"ExtraSpacesIgnored", "  lee   ann ", 0, {"Annabel Lee"}},
        SearchRow {"Birthdays", "", 1, {"Mom", "Anna Smith", "Zed Friend"}},
        SearchRow {"Anniversaries", "", 2, {"Smithers", "Anna Smith"}},
        SearchRow {"OthersWithoutFakes", "", 3, {"Annabel Lee"}},
        SearchRow {"Holidays", "", 4, {"Easter"}},
        SearchRow {"FacebookEntriesAndLinkedDates", "", 5, {"Anna Smith", "Zed Friend"}},
        SearchRow {"SearchWithinAFilter", "a", 1, {"Anna Smith"}}),
    test::RowName());

TEST(MainList, NamesAreCutAtAnyWhiteSpaceAsTheIndexCutsThem)
{
    ListData data;
    data.add("Nina\u00a0Park", 0, QDate(1980, 3, 3));
    data.add("Li\u3000Wei", 0, QDate(1981, 3, 4));
    MainListModel list(*data.db, data.device);
    list.setSearchText(QStringLiteral("par"));
    list.refreshLocalDatabase();
    EXPECT_EQ(names(list), QStringList {QStringLiteral("Nina\u00a0Park")});
    list.setSearchText(QStringLiteral("wei\u00a0li"));
    list.refreshLocalDatabase();
    EXPECT_EQ(names(list), QStringList {QStringLiteral("Li\u3000Wei")});
}

TEST(MainList, EqualDaysKeepNameOrderWithSearchAndFilter)
{
    ListData data;
    data.add("bob", 0, QDate(1980, 3, 5));
    data.add("Bob", 0, QDate(1981, 3, 5));
    data.add("Bo", 0, QDate(1982, 3, 5));
    MainListModel list(*data.db, data.device);
    list.refreshLocalDatabase();
    const QStringList plain = names(list);
    EXPECT_EQ(plain.mid(0, 3),
        (QStringList {QStringLiteral("Bo"), QStringLiteral("Bob"), QStringLiteral("bob")}));
    list.setSearchText(QStringLiteral("b"));
    list.setFilterMode(MainListModel::Birthdays);
    list.refreshLocalDatabase();
    EXPECT_EQ(names(list),
        (QStringList {QStringLiteral("Bo"), QStringLiteral("Bob"), QStringLiteral("bob")}));
}

struct CycleRow {
    const char* name;
    bool holidays;
    bool facebook;
    std::vector<int> cycle; // filter modes after each press, from 0
};

class FilterCycling : public testing::TestWithParam<CycleRow> { };

TEST_P(FilterCycling, SkipsSourcesThatAreOff)
{
    const CycleRow& row = GetParam();
    ListData data;
    data.settings.setValue(QString(Key::ShowHolidays), row.holidays);
    data.settings.setValue(QString(Key::ShowFacebook), row.facebook);
    MainListModel list(*data.db, data.device);
    std::vector<int> seen;
    for (size_t i = 0; i < row.cycle.size(); ++i) {
        list.filterButtonPressed();
        seen.push_back(list.filterMode());
    }
    EXPECT_EQ(seen, row.cycle);
}

INSTANTIATE_TEST_SUITE_P(Rows, FilterCycling,
    testing::Values(CycleRow {"AllOn", true, true, {1, 2, 3, 4, 5, 0}},
        CycleRow {"BothOff", false, false, {1, 2, 3, 0, 1}},
        CycleRow {"HolidaysOff", false, true, {1, 2, 3, 5, 0}},
        CycleRow {"FacebookOff", true, false, {1, 2, 3, 4, 0}}),
    test::RowName());

TEST(FilterCycling, ASourceSwitchedOffMovesTheFilterOn)
{
    ListData data;
    MainListModel list(*data.db, data.device);
    list.setFilterMode(MainListModel::Holidays);
    ASSERT_EQ(list.filterMode(), MainListModel::Holidays);
    EXPECT_EQ(list.placeholder(), QStringLiteral("Search Holidays"));
    data.settings.setValue(QString(Key::ShowHolidays), false);
    list.correctFilterMode();
    EXPECT_EQ(list.filterMode(), MainListModel::Facebook);
    list.setFilterMode(MainListModel::Holidays);
    data.settings.setValue(QString(Key::ShowFacebook), false);
    list.correctFilterMode();
    EXPECT_EQ(list.filterMode(), MainListModel::All);
    EXPECT_EQ(list.placeholder(), QStringLiteral("Search All"));
}

TEST(MainList, ARecordHiddenBySearchIsFoundAfterClearingIt)
{
    ListData data;
    data.add("Bo Lund", 0, QDate(1980, 3, 3));
    MainListModel list(*data.db, data.device);
    list.setSearchText(QStringLiteral("zzz"));
    list.setFilterMode(MainListModel::Anniversaries);
    list.refreshLocalDatabase();
    const OccasionRecordPtr added = data.add("Cy New", 0, QDate(1990, 4, 4));
    EXPECT_EQ(list.scrollNewIntoView(added, false), -1);
    const int index = list.scrollNewIntoView(added);
    ASSERT_GE(index, 0);
    EXPECT_EQ(list.records()[index], added);
    EXPECT_TRUE(list.searchText().isEmpty());
    EXPECT_EQ(list.filterMode(), MainListModel::All);
    const IndexPath path = list.indexPathForRecordAtIndex(index);
    EXPECT_EQ(list.recordAt(path), added);
    EXPECT_EQ(list.flatIndex(path), index);
    EXPECT_EQ(list.indexPathForRecordAtIndex(999), (IndexPath {0, 0}));
}

// ---- Row decisions ----

TEST(ListRows, ReminderToggle)
{
    ListData data;
    using Image = ListRows::ReminderToggle::Image;
    OccasionRecord r;
    r.isUpcoming = true;
    EXPECT_EQ(ListRows::setWithRecord(r, data.settings),
        (ListRows::ReminderToggle {true, Image::UpcomingOn}));
    r.ignoreForUpcoming = true;
    EXPECT_EQ(ListRows::setWithRecord(r, data.settings),
        (ListRows::ReminderToggle {true, Image::UpcomingOff}));
    r.alertsOff = true;
    EXPECT_EQ(
        ListRows::setWithRecord(r, data.settings), (ListRows::ReminderToggle {false, Image::None}));
    OccasionRecord later;
    EXPECT_EQ(ListRows::setWithRecord(later, data.settings),
        (ListRows::ReminderToggle {false, Image::None}));
    later.ignoreForUpcoming = true;
    EXPECT_EQ(ListRows::setWithRecord(later, data.settings),
        (ListRows::ReminderToggle {true, Image::None}));
    OccasionRecord holiday;
    holiday.isHoliday = true;
    holiday.isUpcoming = true;
    data.settings.setValue(QString(Key::HolidayAlerts), false);
    EXPECT_EQ(ListRows::setWithRecord(holiday, data.settings),
        (ListRows::ReminderToggle {false, Image::None}));
    data.settings.setValue(QString(Key::HolidayAlerts), true);
    EXPECT_EQ(ListRows::setWithRecord(holiday, data.settings),
        (ListRows::ReminderToggle {true, Image::UpcomingOn}));
}

TEST(ListRows, IconStyleAndSwipeTitle)
{
    ListData data;
    OccasionRecord r;
    r.type = OccasionRecord::OtherDate;
    EXPECT_EQ(ListRows::typeIcon(r), ListRows::TypeIcon::Other);
    r.fakeAnniversary = true;
    EXPECT_EQ(ListRows::typeIcon(r), ListRows::TypeIcon::Anniversary);
    r.daysUntilDate = 0;
    EXPECT_EQ(ListRows::detailStyle(r), (ListRows::DetailStyle {true, true}));
    r.daysUntilDate = 1;
    EXPECT_EQ(ListRows::detailStyle(r), (ListRows::DetailStyle {true, false}));
    r.daysUntilDate = -1;
    EXPECT_EQ(ListRows::detailStyle(r), (ListRows::DetailStyle {false, false}));

    const Texts& texts = data.db->texts();
    OccasionRecord holiday;
    holiday.isHoliday = true;
    EXPECT_EQ(ListRows::swipeTitle(holiday, texts), QStringLiteral("Hide"));
    OccasionRecord phantom;
    phantom.isPhantomBirthday = true;
    EXPECT_EQ(ListRows::swipeTitle(phantom, texts), QStringLiteral("Remove"));
    EXPECT_EQ(ListRows::swipeTitle(r, texts), QStringLiteral("Delete"));
}

TEST(ListRows, DeleteDecisions)
{
    ListData data;
    using Action = ListRows::DeleteDecision::Action;
    const OccasionRecordPtr custom = data.add("Bo Lund", 0, QDate(1980, 3, 3));
    const OccasionRecordPtr friendEntry = data.add("Zed Friend", 0, QDate(1999, 4, 1), true);
    const OccasionRecordPtr holiday = data.add("Easter", 3, QDate(2027, 3, 28), false, true);
    const OccasionRecordPtr birthday = data.contactRecord(OccasionRecord::Birthday);
    const OccasionRecordPtr anniversary = data.contactRecord(OccasionRecord::Anniversary);
    ASSERT_TRUE(birthday && anniversary);

    EXPECT_EQ(ListRows::deleteDecision(*friendEntry, *data.db).action, Action::IgnoreFacebookEntry);
    EXPECT_EQ(ListRows::deleteDecision(*holiday, *data.db).action, Action::UnsubscribeHoliday);
    EXPECT_EQ(ListRows::deleteDecision(*custom, *data.db),
        (ListRows::DeleteDecision {Action::Ask, QStringLiteral("DeleteCustomEntryWarning"),
            QStringLiteral("DeleteEntry")}));
    EXPECT_EQ(ListRows::deleteDecision(*birthday, *data.db),
        (ListRows::DeleteDecision {
            Action::Ask, QStringLiteral("DeleteABEntryWarning"), QStringLiteral("DeleteDate")}));
    // A friend linked to the contact, who has an anniversary besides the birthday.
    friendEntry->facebookToContactID = data.annaID;
    EXPECT_TRUE(data.db->areOtherDatesForRecord(*birthday));
    EXPECT_TRUE(data.db->isRecordFacebookLinked(*birthday));
    EXPECT_EQ(ListRows::deleteDecision(*birthday, *data.db).titleKey,
        QStringLiteral("DeleteABEntryUnlinkWarning"));
    EXPECT_EQ(ListRows::deleteDecision(*anniversary, *data.db).titleKey,
        QStringLiteral("DeleteABEntryWarning"))
        << "only a birthday carries the link";
    EXPECT_FALSE(
        ListRows::deleteQuestion(ListRows::deleteDecision(*birthday, *data.db), data.db->texts())
            .isEmpty());

    OccasionRecord phantom;
    phantom.isPhantomBirthday = true;
    phantom.recordID = data.annaID;
    EXPECT_EQ(ListRows::deleteDecision(phantom, *data.db).titleKey,
        QStringLiteral("DeleteFacebookUnlinkWarning"));
    phantom.recordID = 12345;
    EXPECT_EQ(ListRows::deleteDecision(phantom, *data.db).action, Action::IgnoreFacebookEntry);
}

TEST(ListRows, ConfirmedDeletesChangeTheDatabaseAndTheBook)
{
    ListData data;
    const OccasionRecordPtr custom = data.add("Bo Lund", 0, QDate(1980, 3, 3));
    ListRows::confirmDelete(custom, *data.db);
    EXPECT_EQ(std::count(data.db->records().begin(), data.db->records().end(), custom), 0);

    const OccasionRecordPtr anniversary = data.contactRecord(OccasionRecord::Anniversary);
    ListRows::confirmDelete(anniversary, *data.db);
    data.db->loadDatabase();
    EXPECT_FALSE(data.contactRecord(OccasionRecord::Anniversary))
        << "the date left the contact's card";
    EXPECT_TRUE(data.contactRecord(OccasionRecord::Birthday));
    data.book->revert();
    EXPECT_TRUE(data.book->person(data.annaID)->dates.empty());

    const OccasionRecordPtr friendEntry = data.add("Zed Friend", 0, QDate(1999, 4, 1), true);
    data.db->ignoreFacebookEntry(friendEntry);
    data.db->ignoreFacebookEntry(friendEntry->copy());
    EXPECT_EQ(
        std::count_if(data.db->holdoverRecords().begin(), data.db->holdoverRecords().end(),
            [](const OccasionRecordPtr& r) { return r->customID == QStringLiteral("Zed Friend"); }),
        1)
        << "removed twice, kept once";
    EXPECT_EQ(std::count(data.db->records().begin(), data.db->records().end(), friendEntry), 0);
    EXPECT_TRUE(friendEntry->isIgnoredFacebook);
    data.db->loadDatabase();
    for (const OccasionRecordPtr& r : data.db->records())
        EXPECT_NE(r->name, QStringLiteral("Zed Friend")) << "still ignored after a reload";
}

} // namespace
