#pragma once

#include "core/list/IndexPath.h"
#include "core/records/OccasionRecord.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace fetemark {

class RecordDatabase;
class Settings;
class Texts;
struct DeviceEnvironment;

// One section of the main list: consecutive records of one month and one state
// (upcoming, belated). Consecutive groups of the same state form one visual block.
struct ListGroup {
    bool upcomingGroup = false;
    bool belatedGroup = false;
    QString groupTitle;    // a month name, the belated block's title, or ""
    int groupPosition = 1; // 1 starts a block, 2 continues the one before
    int groupCount = 0;

    bool sameKindAs(const ListGroup& other) const
    {
        return upcomingGroup == other.upcomingGroup && belatedGroup == other.belatedGroup;
    }
};

// Where a row sits in its rounded block; it decides which corners its background rounds.
enum class RowLocation : int { Top = 0, Middle = 1, Bottom = 2, Single = 3 };

// What the main list shows: the database's records filtered by kind and searched by
// name, cut into groups by month and by state, with the header sizes and row positions
// the screen draws them with. The screen, the command line and the tests share it.
//
// Lives on the main thread with the database; refreshLocalDatabase() rebuilds it.
class MainListModel {
public:
    using Records = std::vector<OccasionRecordPtr>;

    enum Filter : int {
        All = 0,
        Birthdays = 1,
        Anniversaries = 2,
        Others = 3,
        Holidays = 4,
        Facebook = 5
    };
    static constexpr int FilterCount = 6;

    MainListModel(RecordDatabase& database, const DeviceEnvironment& device);

    // ---- State ----
    int filterMode() const { return m_filterMode; }
    // Any value; one outside 0..5 or of a source switched off moves on as the filter
    // button would.
    void setFilterMode(int mode);
    // A script's choice (0..5), kept even when its source is switched off: the list then
    // holds what that kind holds, not the next kind the button would move on to.
    void setFilterModeAsGiven(int mode)
    {
        m_filterMode = mode >= All && mode < FilterCount ? mode : All;
    }
    QString searchText() const { return m_searchText; }
    void setSearchText(const QString& text) { m_searchText = text; }
    // The search field's placeholder for the current filter ("Search Birthdays").
    QString placeholder() const;
    const QStringList& monthNames() const { return m_monthNames; }

    // ---- Building ----
    // Rebuilds the working list and the groups from the database.
    void refreshLocalDatabase();
    // The working list in display order. Without search and filter it is the database's
    // own array, not a copy.
    const Records& records() const { return *m_records; }
    const std::vector<ListGroup>& groupsArray() const { return m_groups; }
    bool isEmpty() const { return m_records->empty(); }

    // The next filter of the filter button, passing over holidays and Facebook while
    // they are not shown.
    void filterButtonPressed();
    // Moves a filter whose source was switched off to the next valid one.
    void correctFilterMode();

    // ---- Table geometry ----
    int numberOfSections() const { return m_groups.empty() ? 1 : int(m_groups.size()); }
    int numberOfRows(int section) const;
    IndexPath indexPathForRecordAtIndex(int index) const;
    // The flat index of a row, or -1 for a row that is not in the list.
    int flatIndex(IndexPath path) const;
    OccasionRecordPtr recordAt(IndexPath path) const;
    bool sectionIsUpcoming(int section) const;
    RowLocation viewLocationForIndexPath(IndexPath path) const;
    // Whether the section's header shows its title bar (else an empty view).
    bool showsHeaderTitle(int section) const;
    int headerHeight(int section) const;
    int footerHeight(int section) const;
    static constexpr int EmptyListHeaderHeight = 44;

    // The flat index of the record (by identity) in the working list, or -1. With
    // `clearIfHidden`, a record that search or filter hides makes both cleared and the
    // list rebuilt before the second look.
    int scrollNewIntoView(const OccasionRecordPtr& record, bool clearIfHidden = true);

    // The rules behind the above, over given groups (the tests drive them directly).
    static std::vector<ListGroup> groupRecords(
        const Records& records, const QStringList& monthNames, const QString& pastOccasionsHeader);
    static RowLocation viewLocation(
        const std::vector<ListGroup>& groups, IndexPath path, bool monthHeaders);
    static int headerHeight(const std::vector<ListGroup>& groups, int section, bool monthHeaders);

private:
    bool monthHeaders() const;
    bool passesFilter(const OccasionRecord& record) const;
    static bool matchesSearch(const OccasionRecord& record, const QStringList& words);
    void group();

    RecordDatabase& m_database;
    const Settings& m_settings;
    const Texts& m_texts;
    QStringList m_monthNames;
    int m_filterMode = All;
    QString m_searchText;
    Records m_filtered;
    const Records* m_records;
    std::vector<ListGroup> m_groups;
};

} // namespace fetemark
