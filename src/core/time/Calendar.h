#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class Calendar;
U_NAMESPACE_END

namespace fetemark {

// Calendar fields of a moment in one time zone. A default-constructed value is not ok().
struct DateParts {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 0; // 1 Sunday .. 7 Saturday

    bool ok() const { return month >= 1 && month <= 12 && day >= 1 && day <= 31; }
    friend bool operator==(const DateParts&, const DateParts&) = default;
};

// The Gregorian calendar of one time zone (proleptic: no Julian dates before 1582), over
// ICU. All day arithmetic of the application goes through it. Not thread-safe: each
// thread or owner keeps its own (copies are independent).
class Calendar {
public:
    // An IANA zone name such as "Pacific/Auckland". An unknown name gives a calendar
    // that is not valid() and computes in UTC.
    explicit Calendar(const QString& timeZoneId);
    Calendar(const Calendar& other);
    Calendar& operator=(const Calendar& other);
    ~Calendar();

    bool isValid() const { return m_valid; }
    QString timeZoneId() const { return m_zoneId; }

    DateParts components(const QDateTime& moment) const;

    // The moment of the given local time. Out-of-range fields roll over (31 April is
    // 1 May, 29 February of a common year is 1 March); a wall time skipped by a
    // daylight-saving change moves forward past the gap.
    QDateTime date(
        int year, int month, int day, int hour = 0, int minute = 0, int second = 0) const;
    QDateTime date(const DateParts& parts) const;

    // Local midnight that begins the moment's day (or the first moment of that day
    // where midnight itself is skipped).
    QDateTime startOfDay(const QDateTime& moment) const;

    // The same wall time `days` calendar days later (earlier when negative).
    QDateTime addDays(const QDateTime& moment, int days) const;

    // Whole calendar days / years from `from` to `to` (negative when `to` is earlier),
    // counted as ICU's field difference does: 23 h across a DST change to the next
    // midnight is one day.
    int daysBetween(const QDateTime& from, const QDateTime& to) const;
    int yearsBetween(const QDateTime& from, const QDateTime& to) const;
    // Whole years, then whole months beyond them, from `from` to `to` (both negative or
    // zero when `to` is earlier), as a person counts "1 year and 4 months".
    struct YearsAndMonths {
        int years = 0;
        int months = 0;
    };
    YearsAndMonths yearsAndMonthsBetween(const QDateTime& from, const QDateTime& to) const;

    // Days between the local dates of the two moments, times of day ignored. Prefer it to
    // daysBetween(startOfDay(a), startOfDay(b)) for "days until": where a day begins at
    // 01:00 (a skipped midnight), that day's start is less than a full day before the next.
    int calendarDaysBetween(const QDateTime& from, const QDateTime& to) const;

    static bool isLeapYear(int year);

    // Local wall times (milliseconds from 1970-01-01 00:00 local) that happen exactly
    // once, in spans of one UTC offset; sorted, apart. Shared by copies.
    struct WallSpan {
        std::int64_t from; // inclusive
        std::int64_t to;   // exclusive
        std::int64_t offset;
    };
    using WallSpans = std::vector<WallSpan>;

private:
    const WallSpans& wallSpans() const;

    QString m_zoneId;
    bool m_valid = false;
    std::unique_ptr<icu::Calendar> m_calendar;
    // Made on the first date(): the zone's transitions read once, so that a wall time
    // between them is placed without ICU.
    mutable std::shared_ptr<const WallSpans> m_wallSpans;
};

} // namespace fetemark
