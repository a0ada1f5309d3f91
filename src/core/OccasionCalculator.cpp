#include "OccasionCalculator.h"

#include "Settings.h"
#include "SettingsKeys.h"

#include <algorithm>
#include <limits>

namespace fetemark {

namespace {

// Settings hold 64-bit integers; a window or day count beyond int is nonsense anyway.
int clampToInt(qint64 v)
{
    return int(std::clamp<qint64>(v, std::numeric_limits<int>::min() / 2, std::numeric_limits<int>::max() / 2));
}

void clearDerivedDates(OccasionRecord& record)
{
    record.sortDate = QDateTime();
    record.month = 0;
    record.daysUntilDate = 0;
    record.isUpcoming = false;
    record.isBelated = false;
    record.notificationDate.clear();
}

} // namespace

OccasionCalculator::OccasionCalculator(const Calendar& calendar, const QDateTime& now, int upcomingWindow, int pastDays)
    : m_calendar(calendar)
    , m_window(upcomingWindow)
{
    m_todayParts = m_calendar.components(now);
    if (!m_todayParts.ok())
        return;
    m_todayParts.hour = m_todayParts.minute = m_todayParts.second = 0;
    m_today = m_calendar.date(m_todayParts.year, m_todayParts.month, m_todayParts.day);
    // Built from the day fields rather than by stepping back from today's start: where
    // today's midnight is skipped today begins at 01:00, and stepping back would put the
    // limit at 01:00 of a day whose occasions begin at 00:00 and so count them as past.
    m_past = m_calendar.date(m_todayParts.year, m_todayParts.month, m_todayParts.day - pastDays);
    m_pastYear = m_calendar.components(m_past).year;
}

OccasionCalculator::OccasionCalculator(const Calendar& calendar, const QDateTime& now, const Settings& settings)
    : OccasionCalculator(calendar, now, clampToInt(settings.integerValue(Key::UpcomingWindow)),
                         clampToInt(settings.integerValue(Key::PastDays)))
{
}

bool OccasionCalculator::isYearLeapYear(int year)
{
    return Calendar::isLeapYear(year);
}

QString OccasionCalculator::notificationKey(const QDateTime& sortDate)
{
    if (!sortDate.isValid())
        return {};
    return QString::number(sortDate.toSecsSinceEpoch(), 16).toUpper();
}

void OccasionCalculator::calculate(OccasionRecord& record) const
{
    const DateParts raw = record.rawDate.isValid() ? m_calendar.components(record.rawDate) : DateParts{};
    if (!raw.ok() || !m_todayParts.ok()) {
        clearDerivedDates(record);
        return;
    }

    // A date in a future year keeps that year unless the year is ignored. A one-time entry
    // happens in one year only: its oneTimeYear when the year is hidden, else its own
    // year — moving it to this year would show last December's event as next December's
    // while it is still listed as just past.
    const bool oneTime = record.isCustomEntry && record.onetime;
    bool yearly = false;
    int year = raw.year;
    if (oneTime) {
        year = record.ignoreYear ? record.oneTimeYear : raw.year;
    } else if (m_todayParts.year > raw.year || record.ignoreYear) {
        year = m_todayParts.year;
        yearly = true;
    }

    QDateTime date;
    // Early in January the past days reach into last year: an occasion of late December
    // stays listed as belated for its days like any other.
    if (yearly && m_pastYear < m_todayParts.year) {
        QDateTime lastYears = m_calendar.date(m_todayParts.year - 1, raw.month, raw.day);
        if (lastYears >= m_past) {
            year = m_todayParts.year - 1;
            date = std::move(lastYears);
        }
    }
    if (!date.isValid()) {
        // 29 February of a common year rolls to 1 March here; the past test sees that day.
        date = m_calendar.date(year, raw.month, raw.day);
        if (date < m_past) {
            year = m_todayParts.year + 1;
            date = m_calendar.date(year, raw.month, raw.day);
        }
    }
    // A leap-day occasion is kept in February: celebrated on the 28th in a common year,
    // even when that day already lies before today.
    if (raw.month == 2 && raw.day == 29 && !isYearLeapYear(year))
        date = m_calendar.date(year, 2, 28);

    record.sortDate = date;
    // The day was valid in its own year, so only 29 February can leave its month, and
    // that was just brought back.
    record.month = raw.month;
    record.notificationDate = notificationKey(date);
    // Counted on calendar dates: a day that starts at 01:00 (skipped midnight) is still a
    // whole day away, not 23 hours' worth of nothing.
    record.daysUntilDate = m_calendar.calendarDaysBetween(m_today, date);
    record.isUpcoming = record.daysUntilDate >= 0 && record.daysUntilDate <= m_window;
    record.isBelated = record.daysUntilDate < 0;
    if (record.daysUntilDate >= 91)
        record.ignoreForUpcoming = false;
}

void OccasionCalculator::calculate(const std::vector<OccasionRecordPtr>& records) const
{
    for (const OccasionRecordPtr& record : records) {
        if (record)
            calculate(*record);
    }
}

bool OccasionCalculator::isExpiredOneTime(const OccasionRecord& record) const
{
    if (!record.isCustomEntry || !record.onetime || !m_past.isValid())
        return false;
    DateParts parts = m_calendar.components(record.rawDate);
    if (!parts.ok())
        return false;
    if (record.ignoreYear)
        parts.year = record.oneTimeYear;
    return m_calendar.date(parts.year, parts.month, parts.day) < m_past;
}

int OccasionCalculator::calculateUpcoming(const std::vector<OccasionRecordPtr>& records, const Settings& settings) const
{
    const bool holidaysCount = settings.boolValue(Key::HolidayAlerts);
    const bool customCounts = settings.boolValue(Key::ShowCustom);
    const bool facebookCounts = settings.boolValue(Key::ShowFacebook);
    const bool todayOnly = settings.integerValue(Key::BadgeMode) == 0;

    int count = 0;
    for (const OccasionRecordPtr& ptr : records) {
        if (!ptr)
            continue;
        OccasionRecord& record = *ptr;
        // A record without a date has no day count; its zero must not pass for "today".
        const bool dated = record.sortDate.isValid();
        record.isUpcoming = dated && record.daysUntilDate >= 0 && record.daysUntilDate <= m_window;
        if (dated && record.daysUntilDate >= 91)
            record.ignoreForUpcoming = false;

        if (!record.isUpcoming || record.ignoreForUpcoming || record.alertsOff)
            continue;
        if (record.isFacebookEntry && record.isIgnoredFacebook)
            continue;
        if ((record.isHoliday && !holidaysCount) || (record.isCustomEntry && !customCounts)
            || (record.isFacebookEntry && !facebookCounts))
            continue;
        if (todayOnly && record.daysUntilDate != 0)
            continue;
        ++count;
    }
    return count;
}

} // namespace fetemark
