#include "Calendar.h"

#include <unicode/basictz.h>
#include <unicode/gregocal.h>
#include <unicode/timezone.h>
#include <unicode/tzrule.h>
#include <unicode/tztrans.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace fetemark {

namespace {

icu::UnicodeString toIcu(const QString& s)
{
    return icu::UnicodeString(reinterpret_cast<const char16_t*>(s.utf16()), int32_t(s.size()));
}

UDate toUDate(const QDateTime& moment)
{
    return UDate(moment.toMSecsSinceEpoch());
}

QDateTime fromUDate(UDate date)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(date), Qt::UTC);
}

constexpr std::int64_t MsPerDay = 86400000;

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back (year 0 is 1 BC).
std::int64_t daysFromCivil(std::int64_t y, int m, int d)
{
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = floorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(std::int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

int monthLength(int year, int month)
{
    static constexpr int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && Calendar::isLeapYear(year) ? 29 : lengths[month - 1];
}

// The zone's offset at a local wall time (milliseconds since 1970-01-01 00:00 local),
// when that wall time happens exactly once: neither skipped nor repeated by a change of
// offset. Every way of resolving a wall time then gives the same moment.
std::optional<std::int64_t> offsetOfSingleWallTime(const icu::TimeZone& zone, std::int64_t wall)
{
    const auto* basic = dynamic_cast<const icu::BasicTimeZone*>(&zone);
    if (!basic)
        return std::nullopt;
    int32_t raw1 = 0, dst1 = 0, raw2 = 0, dst2 = 0;
    UErrorCode status = U_ZERO_ERROR;
    basic->getOffsetFromLocal(
        UDate(wall), UCAL_TZ_LOCAL_FORMER, UCAL_TZ_LOCAL_FORMER, raw1, dst1, status);
    basic->getOffsetFromLocal(
        UDate(wall), UCAL_TZ_LOCAL_LATTER, UCAL_TZ_LOCAL_LATTER, raw2, dst2, status);
    if (U_FAILURE(status) || raw1 + dst1 != raw2 + dst2)
        return std::nullopt;
    return std::int64_t(raw1) + dst1;
}

// Offsets change at most by a day or so; wall times this far before the last
// transition read cannot be reached by a later one.
constexpr std::int64_t OffsetReach = 2 * MsPerDay;

// The wall times of the zone that happen exactly once, up to the year 2200. Between
// transitions i and i+1 a wall time w has the one moment w - offset when it lies after
// every earlier interval's last wall time and before every later one's first.
Calendar::WallSpans wallSpansOf(const icu::TimeZone& zone)
{
    const auto* basic = dynamic_cast<const icu::BasicTimeZone*>(&zone);
    if (!basic)
        return {};
    const double limit = double(daysFromCivil(2200, 1, 1) * MsPerDay);
    Calendar::WallSpans spans;
    std::vector<std::int64_t> lows; // per transition: its lowest wall time
    std::int64_t from = std::numeric_limits<std::int64_t>::min();
    std::int64_t end = std::numeric_limits<std::int64_t>::max();
    std::optional<std::int64_t> current;
    icu::TimeZoneTransition transition;
    UDate base = -1e17;
    while (basic->getNextTransition(base, false, transition)) {
        base = transition.getTime();
        const icu::TimeZoneRule* before = transition.getFrom();
        const icu::TimeZoneRule* after = transition.getTo();
        if (!before || !after)
            return {};
        const std::int64_t at = std::int64_t(base);
        const std::int64_t a = std::int64_t(before->getRawOffset()) + before->getDSTSavings();
        const std::int64_t b = std::int64_t(after->getRawOffset()) + after->getDSTSavings();
        if (current && *current != a)
            return {};
        lows.push_back(at + std::min(a, b));
        if (lows.back() > from)
            spans.push_back({from, qsizetype(lows.size() - 1), a});
        from = std::max(from, at + std::max(a, b));
        current = b;
        if (base > limit) {
            end = at - OffsetReach;
            break;
        }
    }
    if (end == std::numeric_limits<std::int64_t>::max()) {
        int32_t raw = 0, dst = 0;
        UErrorCode status = U_ZERO_ERROR;
        zone.getOffset(0, false, raw, dst, status);
        if (U_FAILURE(status))
            return {};
        spans.push_back({from, qsizetype(lows.size()), current.value_or(std::int64_t(raw) + dst)});
    }
    // Until here `to` held the index of the transition ending the span.
    for (qsizetype k = qsizetype(lows.size()) - 2; k >= 0; --k)
        lows[k] = std::min(lows[k], lows[k + 1]);
    for (Calendar::WallSpan& span : spans)
        span.to = std::min(end, span.to < qsizetype(lows.size()) ? lows[span.to] : end);
    std::erase_if(spans, [](const Calendar::WallSpan& s) { return s.from >= s.to; });
    return spans;
}

std::unique_ptr<icu::Calendar> makeCalendar(const QString& zoneId, bool* known)
{
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(toIcu(zoneId)));
    icu::UnicodeString resolved;
    zone->getID(resolved);
    // ICU never fails here; an unknown name comes back as the "Etc/Unknown" zone, which
    // behaves like UTC but must not pass for a real zone.
    *known = !zoneId.isEmpty() && resolved != icu::UnicodeString(UCAL_UNKNOWN_ZONE_ID);
    if (!*known)
        zone.reset(icu::TimeZone::createTimeZone(icu::UnicodeString(u"UTC")));

    UErrorCode status = U_ZERO_ERROR;
    // The root locale: week rules are never used here, and the Gregorian calendar must
    // not depend on a locale's preferred calendar.
    auto cal =
        std::make_unique<icu::GregorianCalendar>(zone.release(), icu::Locale::getRoot(), status);
    if (U_FAILURE(status))
        return nullptr;
    // Birth years before 1582 (and far future dates) must follow the same leap rule as
    // today's, so the Julian switch is pushed out of reach.
    cal->setGregorianChange(U_DATE_MIN, status);
    cal->setLenient(true);
    if (U_FAILURE(status))
        return nullptr;
    return cal;
}

} // namespace

Calendar::Calendar(const QString& timeZoneId) : m_zoneId(timeZoneId)
{
    m_calendar = makeCalendar(timeZoneId, &m_valid);
    if (!m_calendar)
        m_valid = false;
}

Calendar::Calendar(const Calendar& other)
    : m_zoneId(other.m_zoneId), m_valid(other.m_valid),
      m_calendar(other.m_calendar ? other.m_calendar->clone() : nullptr),
      m_wallSpans(other.m_wallSpans)
{
}

Calendar& Calendar::operator=(const Calendar& other)
{
    if (this != &other) {
        m_zoneId = other.m_zoneId;
        m_valid = other.m_valid;
        m_calendar.reset(other.m_calendar ? other.m_calendar->clone() : nullptr);
        m_wallSpans = other.m_wallSpans;
    }
    return *this;
}

Calendar::~Calendar() = default;

DateParts Calendar::components(const QDateTime& moment) const
{
    if (!m_calendar || !moment.isValid())
        return {};
    // The fields ICU computes: the moment moved by the zone's offset at it, read on the
    // proleptic calendar. Done here, it spares ICU's computation of every other field.
    const std::int64_t ms = moment.toMSecsSinceEpoch();
    int32_t raw = 0, dst = 0;
    UErrorCode status = U_ZERO_ERROR;
    m_calendar->getTimeZone().getOffset(UDate(ms), false, raw, dst, status);
    const std::int64_t local = ms + raw + dst;
    const std::int64_t day = floorDiv(local, MsPerDay);
    DateParts fast;
    civilFromDays(day, fast.year, fast.month, fast.day);
    if (U_SUCCESS(status) && fast.year >= 1) {
        const std::int64_t time = local - day * MsPerDay;
        fast.hour = int(time / 3600000);
        fast.minute = int(time / 60000 % 60);
        fast.second = int(time / 1000 % 60);
        // 1970-01-01 was a Thursday (5).
        fast.weekday = int(day + 4 - floorDiv(day + 4, 7) * 7) + 1;
        return fast;
    }
    status = U_ZERO_ERROR;
    m_calendar->setTime(toUDate(moment), status);
    DateParts p;
    // The extended year keeps years before 1 AD continuous (0 is 1 BC) instead of
    // restarting the count in another era.
    p.year = m_calendar->get(UCAL_EXTENDED_YEAR, status);
    p.month = m_calendar->get(UCAL_MONTH, status) + 1;
    p.day = m_calendar->get(UCAL_DATE, status);
    p.hour = m_calendar->get(UCAL_HOUR_OF_DAY, status);
    p.minute = m_calendar->get(UCAL_MINUTE, status);
    p.second = m_calendar->get(UCAL_SECOND, status);
    p.weekday = m_calendar->get(UCAL_DAY_OF_WEEK, status);
    if (U_FAILURE(status))
        return {};
    return p;
}

const Calendar::WallSpans& Calendar::wallSpans() const
{
    if (!m_wallSpans)
        m_wallSpans = std::make_shared<const WallSpans>(wallSpansOf(m_calendar->getTimeZone()));
    return *m_wallSpans;
}

QDateTime Calendar::date(int year, int month, int day, int hour, int minute, int second) const
{
    if (!m_calendar)
        return {};
    // Fields in their ranges name a wall time on the proleptic calendar as ICU reads them;
    // one that happens once is that wall time less its offset, however ICU resolves it.
    if (year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
        day <= monthLength(year, month) && hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 &&
        second >= 0 && second <= 59) {
        const std::int64_t wall = daysFromCivil(year, month, day) * MsPerDay +
            (hour * 3600 + minute * 60 + second) * std::int64_t(1000);
        const WallSpans& spans = wallSpans();
        auto it = std::upper_bound(spans.begin(), spans.end(), wall,
            [](std::int64_t w, const WallSpan& s) { return w < s.from; });
        if (it != spans.begin() && wall < (--it)->to)
            return QDateTime::fromMSecsSinceEpoch(wall - it->offset, Qt::UTC);
    }
    m_calendar->clear();
    m_calendar->set(UCAL_EXTENDED_YEAR, year);
    m_calendar->set(UCAL_MONTH, month - 1);
    m_calendar->set(UCAL_DATE, day);
    m_calendar->set(UCAL_HOUR_OF_DAY, hour);
    m_calendar->set(UCAL_MINUTE, minute);
    m_calendar->set(UCAL_SECOND, second);
    m_calendar->set(UCAL_MILLISECOND, 0);
    UErrorCode status = U_ZERO_ERROR;
    const UDate when = m_calendar->getTime(status);
    if (U_FAILURE(status))
        return {};
    return fromUDate(when);
}

QDateTime Calendar::date(const DateParts& parts) const
{
    return date(parts.year, parts.month, parts.day, parts.hour, parts.minute, parts.second);
}

QDateTime Calendar::startOfDay(const QDateTime& moment) const
{
    if (!m_calendar || !moment.isValid())
        return {};
    UErrorCode status = U_ZERO_ERROR;
    m_calendar->setTime(toUDate(moment), status);
    m_calendar->set(UCAL_HOUR_OF_DAY, 0);
    m_calendar->set(UCAL_MINUTE, 0);
    m_calendar->set(UCAL_SECOND, 0);
    m_calendar->set(UCAL_MILLISECOND, 0);
    // A skipped midnight resolves to the end of the gap (the day's first real moment)
    // rather than to a wall time shifted by the gap's length; a midnight that happens
    // twice starts the day at its first occurrence.
    m_calendar->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
    m_calendar->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
    const UDate when = m_calendar->getTime(status);
    m_calendar->setSkippedWallTimeOption(UCAL_WALLTIME_LAST);
    m_calendar->setRepeatedWallTimeOption(UCAL_WALLTIME_LAST);
    if (U_FAILURE(status))
        return {};
    return fromUDate(when);
}

QDateTime Calendar::addDays(const QDateTime& moment, int days) const
{
    if (!m_calendar || !moment.isValid())
        return {};
    UErrorCode status = U_ZERO_ERROR;
    m_calendar->setTime(toUDate(moment), status);
    m_calendar->add(UCAL_DATE, days, status);
    const UDate when = m_calendar->getTime(status);
    if (U_FAILURE(status))
        return {};
    return fromUDate(when);
}

namespace {

// The count ICU's fieldDifference gives: the largest n (towards `target`) whose n steps of
// `field` from `start` do not pass `target`. ICU finds it by doubling and bisection, about
// 2·log2(n) full recomputations; starting from the difference of the local day or year
// numbers, which is exact or off by one outside whole skipped days, takes two or three.
int stepsBetween(
    icu::Calendar& cal, UDate start, UDate target, UCalendarDateFields field, int estimate)
{
    UErrorCode status = U_ZERO_ERROR;
    const auto reach = [&](int n) {
        cal.setTime(start, status);
        cal.add(field, n, status);
        return cal.getTime(status);
    };
    int n = estimate;
    if (target > start) {
        n = std::max(n, 0);
        while (n > 0 && reach(n) > target && U_SUCCESS(status))
            --n;
        while (U_SUCCESS(status) && reach(n + 1) <= target)
            ++n;
    } else if (target < start) {
        n = std::min(n, 0);
        while (n < 0 && reach(n) < target && U_SUCCESS(status))
            ++n;
        while (U_SUCCESS(status) && reach(n - 1) >= target)
            --n;
    } else {
        return 0;
    }
    return U_FAILURE(status) ? 0 : n;
}

int localField(icu::Calendar& cal, UDate when, UCalendarDateFields field)
{
    UErrorCode status = U_ZERO_ERROR;
    cal.setTime(when, status);
    return cal.get(field, status);
}

} // namespace

int Calendar::daysBetween(const QDateTime& from, const QDateTime& to) const
{
    if (!m_calendar || !from.isValid() || !to.isValid())
        return 0;
    const UDate start = toUDate(from), target = toUDate(to);
    const int estimate = localField(*m_calendar, target, UCAL_JULIAN_DAY) -
        localField(*m_calendar, start, UCAL_JULIAN_DAY);
    return stepsBetween(*m_calendar, start, target, UCAL_DATE, estimate);
}

namespace {

// yearsBetween without ICU's field arithmetic, which clones the calendar for every step.
// A step of n years from `start` is its local wall time n years on (the day pinned to
// the month's length, as ICU's add does); it is placed against `target` by local times
// alone when they lie days apart, which no change of UTC offset can reorder, or when they
// are the same wall time and that wall time happens once. Anything closer, or before
// 1 AD, gets no answer and is left to ICU.
class YearSteps {
public:
    YearSteps(const icu::TimeZone& zone, UDate start, UDate target) : m_zone(zone)
    {
        m_ok = local(start, m_start) && local(target, m_target);
        if (!m_ok)
            return;
        m_startDay = floorDiv(m_start, MsPerDay);
        m_startTime = m_start - m_startDay * MsPerDay;
        civilFromDays(m_startDay, m_year, m_month, m_day);
        int month = 0, day = 0;
        civilFromDays(floorDiv(m_target, MsPerDay), m_targetYear, month, day);
        m_ok = m_year >= 1;
    }

    std::optional<int> count(bool forward)
    {
        if (!m_ok)
            return std::nullopt;
        int n = m_targetYear - m_year;
        if (forward) {
            n = std::max(n, 0);
            for (; n > 0; --n) {
                const auto c = compare(n);
                if (!c)
                    return std::nullopt;
                if (*c <= 0)
                    break;
            }
            for (;; ++n) {
                const auto c = compare(n + 1);
                if (!c)
                    return std::nullopt;
                if (*c > 0)
                    return n;
            }
        }
        n = std::min(n, 0);
        for (; n < 0; ++n) {
            const auto c = compare(n);
            if (!c)
                return std::nullopt;
            if (*c >= 0)
                break;
        }
        for (;; --n) {
            const auto c = compare(n - 1);
            if (!c)
                return std::nullopt;
            if (*c < 0)
                return n;
        }
    }

private:
    bool local(UDate when, std::int64_t& out) const
    {
        int32_t raw = 0, dst = 0;
        UErrorCode status = U_ZERO_ERROR;
        m_zone.getOffset(when, false, raw, dst, status);
        out = std::int64_t(when) + raw + dst;
        return U_SUCCESS(status) && UDate(std::int64_t(when)) == when;
    }

    // The step of n years against the target: -1 before, 0 the same moment, 1 after.
    std::optional<int> compare(int n) const
    {
        const int year = m_year + n;
        if (year < 1 || year > 100000)
            return std::nullopt;
        const int day = std::min(m_day, monthLength(year, m_month));
        const std::int64_t wall = daysFromCivil(year, m_month, day) * MsPerDay + m_startTime;
        // UTC offsets stay within a day and a half of each other.
        constexpr std::int64_t Apart = 3 * MsPerDay;
        if (wall <= m_target - Apart)
            return -1;
        if (wall >= m_target + Apart)
            return 1;
        if (wall == m_target && offsetOfSingleWallTime(m_zone, wall))
            return 0;
        return std::nullopt;
    }

    const icu::TimeZone& m_zone;
    bool m_ok = false;
    std::int64_t m_start = 0;
    std::int64_t m_target = 0;
    std::int64_t m_startDay = 0;
    std::int64_t m_startTime = 0;
    int m_year = 0;
    int m_month = 0;
    int m_day = 0;
    int m_targetYear = 0;
};

} // namespace

int Calendar::yearsBetween(const QDateTime& from, const QDateTime& to) const
{
    if (!m_calendar || !from.isValid() || !to.isValid())
        return 0;
    const UDate start = toUDate(from), target = toUDate(to);
    if (start == target)
        return 0;
    YearSteps steps(m_calendar->getTimeZone(), start, target);
    if (const auto years = steps.count(target > start))
        return *years;
    const int estimate = localField(*m_calendar, target, UCAL_EXTENDED_YEAR) -
        localField(*m_calendar, start, UCAL_EXTENDED_YEAR);
    return stepsBetween(*m_calendar, start, target, UCAL_YEAR, estimate);
}

Calendar::YearsAndMonths Calendar::yearsAndMonthsBetween(
    const QDateTime& from, const QDateTime& to) const
{
    YearsAndMonths out;
    if (!m_calendar || !from.isValid() || !to.isValid())
        return out;
    UErrorCode status = U_ZERO_ERROR;
    // fieldDifference leaves the calendar advanced by the years found, so the months are
    // counted from there.
    m_calendar->setTime(toUDate(from), status);
    const UDate target = toUDate(to);
    out.years = m_calendar->fieldDifference(target, UCAL_YEAR, status);
    out.months = m_calendar->fieldDifference(target, UCAL_MONTH, status);
    if (U_FAILURE(status))
        return {};
    return out;
}

int Calendar::calendarDaysBetween(const QDateTime& from, const QDateTime& to) const
{
    if (!m_calendar || !from.isValid() || !to.isValid())
        return 0;
    return localField(*m_calendar, toUDate(to), UCAL_JULIAN_DAY) -
        localField(*m_calendar, toUDate(from), UCAL_JULIAN_DAY);
}

bool Calendar::isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

} // namespace fetemark
