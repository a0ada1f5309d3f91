#include "MainListModel.h"

#include "core/database/RecordDatabase.h"
#include "core/database/SearchIndex.h"
#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"
#include "core/text/Texts.h"
#include "core/time/DateFormatter.h"
#include "core/time/DeviceEnvironment.h"

#include <algorithm>
#include <unordered_set>

namespace fetemark {
namespace {

struct Placeholder {
    const char* key;
    const char* english;
};

constexpr Placeholder kPlaceholders[MainListModel::FilterCount] = {
    {"SearchAll", "Search All"},
    {"SearchBirthdays", "Search Birthdays"},
    {"SearchAnniversaries", "Search Anniversaries"},
    {"SearchOthers", "Search Others"},
    {"SearchHolidays", "Search Holidays"},
    {"SearchFacebook", "Search Facebook"},
};

// Month names as the locale writes them standing alone, January first: the tenth of
// each month of 2009. A header is a heading, not part of a date: the stand-alone form
// ("LLLL": Russian "Декабрь", not the "декабря" of "7 декабря"), capitalized.
QStringList monthNamesFor(const DeviceEnvironment& device)
{
    const DateFormatter format(QStringLiteral("LLLL"), device.localeName, device.timeZoneId,
        DateFormatter::Placement::Heading);
    const Calendar calendar(device.timeZoneId);
    QStringList names;
    for (int month = 1; month <= 12; ++month)
        names << format.format(calendar.date(2009, month, 10, 12));
    return names;
}

} // namespace

MainListModel::MainListModel(RecordDatabase& database, const DeviceEnvironment& device)
    : m_database(database), m_settings(database.settings()), m_texts(database.texts()),
      m_monthNames(monthNamesFor(device)), m_records(&m_filtered)
{
}

void MainListModel::setFilterMode(int mode)
{
    m_filterMode = mode;
    correctFilterMode();
}

QString MainListModel::placeholder() const
{
    const Placeholder& p = kPlaceholders[m_filterMode];
    return m_texts.text(QString::fromLatin1(p.key), QString::fromLatin1(p.english));
}

void MainListModel::correctFilterMode()
{
    if (m_filterMode < All)
        m_filterMode = All;
    if (m_filterMode == Holidays && !m_settings.boolValue(QString(Key::ShowHolidays)))
        ++m_filterMode;
    if (m_filterMode == Facebook && !m_settings.boolValue(QString(Key::ShowFacebook)))
        ++m_filterMode;
    if (m_filterMode >= FilterCount)
        m_filterMode = All;
}

void MainListModel::filterButtonPressed()
{
    ++m_filterMode;
    correctFilterMode();
    refreshLocalDatabase();
}

// ---- Building ----

bool MainListModel::passesFilter(const OccasionRecord& r) const
{
    const int f = m_filterMode;
    if ((r.type == OccasionRecord::Birthday || r.fakeBirthday) && (f == All || f == Birthdays))
        return true;
    if ((r.type == OccasionRecord::Anniversary || r.fakeAnniversary) &&
        (f == All || f == Anniversaries))
        return true;
    if (r.type == OccasionRecord::OtherDate && !r.fakeBirthday && !r.fakeAnniversary &&
        (f == All || f == Others))
        return true;
    if (r.isFacebookEntry && m_settings.boolValue(QString(Key::ShowFacebook)) &&
        (f == All || f == Facebook))
        return true;
    if (r.isFacebookLinked(m_settings) && (f == All || f == Facebook))
        return true;
    return r.type == OccasionRecord::Holiday && (f == All || f == Holidays);
}

bool MainListModel::matchesSearch(const OccasionRecord& record, const QStringList& searchWords)
{
    const QStringList nameWords = SearchIndex::words(record.name);
    for (const QString& word : searchWords) {
        const bool found =
            std::any_of(nameWords.begin(), nameWords.end(), [&](const QString& nameWord) {
                return nameWord.startsWith(word, Qt::CaseInsensitive);
            });
        if (!found)
            return false;
    }
    return true;
}

void MainListModel::refreshLocalDatabase()
{
    m_groups.clear();
    const QString text = m_searchText;
    if (text.isEmpty() && m_filterMode == All) {
        m_filtered.clear();
        m_records = &m_database.records();
        group();
        return;
    }

    const QStringList searchWords = SearchIndex::words(text);
    Records candidates;
    if (text.isEmpty()) {
        candidates = m_database.records();
    } else {
        // Only records sharing a prefix with a search word are looked at; each once.
        std::unordered_set<const OccasionRecord*> seen;
        for (const QString& word : searchWords) {
            for (const OccasionRecordPtr& r :
                m_database.recordDictionary().recordsFor(SearchIndex::lookupKey(word))) {
                if (seen.insert(r.get()).second)
                    candidates.push_back(r);
            }
        }
    }

    m_filtered.clear();
    for (const OccasionRecordPtr& r : candidates) {
        if (passesFilter(*r) && (text.isEmpty() || matchesSearch(*r, searchWords)))
            m_filtered.push_back(r);
    }
    std::stable_sort(m_filtered.begin(), m_filtered.end(), OccasionRecord::sortsBefore);
    m_records = &m_filtered;
    group();
}

void MainListModel::group()
{
    m_groups = groupRecords(records(), m_monthNames,
        m_texts.text(QStringLiteral("PastOccasionsHeader"), QStringLiteral("Just Passed")));
}

std::vector<ListGroup> MainListModel::groupRecords(
    const Records& records, const QStringList& monthNames, const QString& pastOccasionsHeader)
{
    std::vector<ListGroup> groups;
    // -1: the first record always opens a group.
    int previousMonth = -1;
    int previousUpcoming = -1;
    int previousBelated = -1;
    for (const OccasionRecordPtr& r : records) {
        const int upcoming = r->isUpcoming ? 1 : 0;
        const int belated = r->isBelated ? 1 : 0;
        if (r->month != previousMonth || upcoming != previousUpcoming ||
            belated != previousBelated) {
            ListGroup g;
            g.upcomingGroup = r->isUpcoming;
            g.belatedGroup = r->isBelated;
            const QString monthName = monthNames.value(r->month - 1);
            // A month already named above, or a belated one, is named again only where
            // the upcoming block begins inside it.
            if (r->month == previousMonth || r->isBelated)
                g.groupTitle =
                    (upcoming == previousUpcoming || !r->isUpcoming) ? QString() : monthName;
            else
                g.groupTitle = monthName;
            if (belated != previousBelated && r->isBelated) {
                g.groupTitle = pastOccasionsHeader;
                g.groupPosition = 1;
            } else {
                g.groupPosition =
                    (upcoming == previousUpcoming && belated == previousBelated) ? 2 : 1;
            }
            groups.push_back(g);
            previousMonth = r->month;
            previousUpcoming = upcoming;
            previousBelated = belated;
        }
        ++groups.back().groupCount;
    }
    return groups;
}

// ---- Table geometry ----

int MainListModel::numberOfRows(int section) const
{
    if (section < 0 || section >= int(m_groups.size()))
        return 0;
    return m_groups[section].groupCount;
}

IndexPath MainListModel::indexPathForRecordAtIndex(int index) const
{
    for (int section = 0; section < int(m_groups.size()); ++section) {
        if (index < m_groups[section].groupCount)
            return {section, index};
        index -= m_groups[section].groupCount;
    }
    return {0, 0};
}

int MainListModel::flatIndex(IndexPath path) const
{
    if (path.section < 0 || path.section >= int(m_groups.size()) || path.row < 0 ||
        path.row >= m_groups[path.section].groupCount)
        return -1;
    int index = path.row;
    for (int section = 0; section < path.section; ++section)
        index += m_groups[section].groupCount;
    return index;
}

OccasionRecordPtr MainListModel::recordAt(IndexPath path) const
{
    const int index = flatIndex(path);
    // The database may have dropped records since the last refresh.
    return index < 0 || index >= int(records().size()) ? nullptr : records()[index];
}

bool MainListModel::sectionIsUpcoming(int section) const
{
    if (section < 0 || section >= int(m_groups.size()))
        return false;
    return m_groups[section].upcomingGroup;
}

bool MainListModel::monthHeaders() const
{
    return m_settings.boolValue(QString(Key::ShowMonthHeaders));
}

bool MainListModel::showsHeaderTitle(int section) const
{
    if (section < 0 || section >= int(m_groups.size()))
        return false;
    return monthHeaders() && !m_groups[section].groupTitle.isEmpty();
}

RowLocation MainListModel::viewLocationForIndexPath(IndexPath path) const
{
    return viewLocation(m_groups, path, monthHeaders());
}

int MainListModel::headerHeight(int section) const
{
    return headerHeight(m_groups, section, monthHeaders());
}

RowLocation MainListModel::viewLocation(
    const std::vector<ListGroup>& groups, IndexPath path, bool monthHeaders)
{
    if (path.section < 0 || path.section >= int(groups.size()))
        return RowLocation::Middle;
    const ListGroup& g = groups[path.section];
    const ListGroup* next =
        path.section + 1 < int(groups.size()) ? &groups[path.section + 1] : nullptr;
    const bool lastRow = path.row == g.groupCount - 1;

    if (path.row == 0 && g.groupPosition == 1) {
        // A title bar above takes the block's top corners.
        if (monthHeaders && !g.groupTitle.isEmpty()) {
            if (!next)
                return g.groupCount == 1 ? RowLocation::Bottom : RowLocation::Middle;
            if (next->sameKindAs(g))
                return RowLocation::Middle;
            return lastRow ? RowLocation::Bottom : RowLocation::Middle;
        }
        if (!lastRow)
            return RowLocation::Top;
        if (!next)
            return RowLocation::Single;
        return next->sameKindAs(g) ? RowLocation::Top : RowLocation::Single;
    }
    if (lastRow)
        return (!next || next->groupPosition == 1) ? RowLocation::Bottom : RowLocation::Middle;
    return RowLocation::Middle;
}

int MainListModel::headerHeight(
    const std::vector<ListGroup>& groups, int section, bool monthHeaders)
{
    if (groups.empty())
        return EmptyListHeaderHeight;
    if (section < 0 || section >= int(groups.size()))
        return 0;
    const ListGroup& g = groups[section];
    const bool titled = !g.groupTitle.isEmpty();
    if (g.groupPosition == 1) {
        if (titled)
            return monthHeaders ? 40 : 15;
        if (monthHeaders)
            return 15;
        return section > 0 && !groups[section - 1].sameKindAs(g) ? 15 : 0;
    }
    return titled && monthHeaders ? 25 : 0;
}

int MainListModel::footerHeight(int section) const
{
    return section == numberOfSections() - 1 ? 15 : 0;
}

int MainListModel::scrollNewIntoView(const OccasionRecordPtr& record, bool clearIfHidden)
{
    auto find = [&] {
        const auto it = std::find(records().begin(), records().end(), record);
        return it == records().end() ? -1 : int(it - records().begin());
    };
    int index = find();
    if (index < 0 && clearIfHidden) {
        m_searchText.clear();
        m_filterMode = All;
        refreshLocalDatabase();
        index = find();
    }
    return index;
}

} // namespace fetemark
