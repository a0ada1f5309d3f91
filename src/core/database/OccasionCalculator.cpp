#include "OccasionCalculator.h"

#include "core/settings/Settings.h"
#include "core/settings/SettingsKeys.h"

#include <unicode/timezone.h>
#include <unicode/ucal.h>

#include <algorithm>
#include <limits>

namespace fetemark {

namespace {

// Settings hold 64-bit integers; a window or day count beyond int is nonsense anyway.
int clampToInt(qint64 v)
{
    return int(std::clamp<qint64>(
        v, std::numeric_limits<int>::min() / 2, std::numeric_limits<int>::max() / 2));
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

constexpr std::int64_t MsPerDay = 86400000;

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The proleptic Gregorian date of a day number (days since 1970-01-01); year 0 is 1 BC,
// as the calendar's extended year counts.
DateParts civilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    DateParts p;
    p.day = int(doy - (153 * mp + 2) / 5 + 1);
    p.month = int(mp < 10 ? mp + 3 : mp - 9);
    p.year = int(yoe + era * 400 + (p.month <= 2 ? 1 : 0));
    return p;
}

// The same zone the calendar computes in (UTC for a name it did not know).
std::shared_ptr<const icu::TimeZone> zoneOf(const Calendar& calendar)
{
    const QString id = calendar.isValid() ? calendar.timeZoneId() : QStringLiteral("UTC");
    const icu::UnicodeString name(
        reinterpret_cast<const char16_t*>(id.utf16()), int32_t(id.size()));
    std::shared_ptr<const icu::TimeZone> zone(icu::TimeZone::createTimeZone(name));
    icu::UnicodeString resolved;
    if (zone)
        zone->getID(resolved);
    if (!zone || resolved == icu::UnicodeString(UCAL_UNKNOWN_ZONE_ID))
        return nullptr;
    return zone;
}

} // namespace

std::int64_t OccasionCalculator::localDayNumber(const QDateTime& moment) const
{
    const std::int64_t ms = moment.toMSecsSinceEpoch();
    if (!m_zone)
        return m_calendar.calendarDaysBetween(QDateTime::fromMSecsSinceEpoch(0, Qt::UTC), moment);
    int32_t rawOffset = 0;
    int32_t dstOffset = 0;
    UErrorCode status = U_ZERO_ERROR;
    m_zone->getOffset(double(ms), false, rawOffset, dstOffset, status);
    if (U_FAILURE(status))
        rawOffset = dstOffset = 0;
    return floorDiv(ms + rawOffset + dstOffset, MsPerDay);
}

OccasionCalculator::OccasionCalculator(
    const Calendar& calendar, const QDateTime& now, int upcomingWindow, int pastDays)
    : m_calendar(calendar), m_zone(zoneOf(calendar)), m_window(upcomingWindow)
{
    m_todayParts = m_calendar.components(now);
    if (!m_todayParts.ok())
        return;
    m_todayParts.hour = m_todayParts.minute = m_todayParts.second = 0;
    m_today = m_calendar.date(m_todayParts.year, m_todayParts.month, m_todayParts.day);
    m_todayDay = localDayNumber(m_today);
    // Built from the day fields rather than by stepping back from today's start: where
    // today's midnight is skipped today begins at 01:00, and stepping back would put the
    // limit at 01:00 of a day whose occasions begin at 00:00 and so count them as past.
    m_past = m_calendar.date(m_todayParts.year, m_todayParts.month, m_todayParts.day - pastDays);
    m_pastYear = m_calendar.components(m_past).year;
}

OccasionCalculator::OccasionCalculator(
    const Calendar& calendar, const QDateTime& now, const Settings& settings)
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
    // Upper-case hexadecimal, written directly: this runs for every record at each
    // recompute, and number-then-toUpper makes two strings.
    const qint64 secs = sortDate.toSecsSinceEpoch();
    quint64 v = secs < 0 ? quint64(0) - quint64(secs) : quint64(secs);
    char16_t buffer[18];
    int i = 18;
    do {
        buffer[--i] = u"0123456789ABCDEF"[v & 0xF];
        v >>= 4;
    } while (v != 0);
    if (secs < 0)
        buffer[--i] = u'-';
    return QString(reinterpret_cast<const QChar*>(buffer + i), 18 - i);
}

void OccasionCalculator::calculate(OccasionRecord& record) const
{
    DateParts raw;
    if (record.rawDate.isValid())
        raw = m_zone ? civilFromDays(localDayNumber(record.rawDate))
                     : m_calendar.components(record.rawDate);
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
        // A one-time entry that has passed stays on its day: it does not come round.
        if (date < m_past && !oneTime) {
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
    record.daysUntilDate = m_zone ? int(localDayNumber(date) - m_todayDay)
                                  : m_calendar.calendarDaysBetween(m_today, date);
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

int OccasionCalculator::calculateUpcoming(
    const std::vector<OccasionRecordPtr>& records, const Settings& settings) const
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
        if ((record.isHoliday && !holidaysCount) || (record.isCustomEntry && !customCounts) ||
            (record.isFacebookEntry && !facebookCounts))
            continue;
        if (todayOnly && record.daysUntilDate != 0)
            continue;
        ++count;
    }
    return count;
}

} // namespace fetemark
