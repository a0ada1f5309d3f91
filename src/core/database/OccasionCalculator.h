#pragma once

#include "core/records/OccasionRecord.h"
#include "core/time/Calendar.h"

#include <QDateTime>

#include <cstdint>
#include <memory>
#include <vector>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class TimeZone;
U_NAMESPACE_END

namespace fetemark {

class Settings;

// Works out when each occasion next comes round, as seen from one moment: its sortDate,
// month, notification key, days until it, and whether it is upcoming or belated.
// Built once per pass (a load, a midnight) from the calendar of the device's zone and
// the current settings; then applied to any number of records. Not thread-safe, like the
// Calendar it keeps: one per thread.
class OccasionCalculator {
public:
    // `now` is the current moment; today is its local midnight. `upcomingWindow` is the
    // number of days ahead (inclusive) that count as upcoming, `pastDays` how many days
    // after its date an occasion stays listed as belated.
    OccasionCalculator(
        const Calendar& calendar, const QDateTime& now, int upcomingWindow, int pastDays);
    // The same, with the window and past days read from the settings.
    OccasionCalculator(const Calendar& calendar, const QDateTime& now, const Settings& settings);

    const QDateTime& today() const { return m_today; } // local midnight
    const QDateTime& past() const { return m_past; }   // today minus the past days
    int upcomingWindow() const { return m_window; }

    // The next occurrence of the record's date (or the past one still within the past
    // days), with every derived date field of the record set.
    void calculate(OccasionRecord& record) const;
    void calculate(const std::vector<OccasionRecordPtr>& records) const;

    // A one-time custom entry whose date (its year replaced by oneTimeYear when the
    // year is ignored) lies before the past limit.
    bool isExpiredOneTime(const OccasionRecord& record) const;

    // The badge count: records upcoming and counted by their source; refreshes
    // isUpcoming and clears ignoreForUpcoming at 91 or more days on the way.
    int calculateUpcoming(
        const std::vector<OccasionRecordPtr>& records, const Settings& settings) const;

    static bool isYearLeapYear(int year);
    // sortDate as the reminder key: whole seconds since 1970, upper-case hexadecimal.
    static QString notificationKey(const QDateTime& sortDate);

private:
    // Local calendar day of a moment, counted from 1970-01-01, as the calendar's own
    // field computation would give it (one zone-offset lookup instead of a full field
    // computation: a midnight recompute of every record does this twice per record).
    std::int64_t localDayNumber(const QDateTime& moment) const;

    Calendar m_calendar;
    std::shared_ptr<const icu::TimeZone> m_zone; // the calendar's zone; null: use the calendar
    std::int64_t m_todayDay = 0;
    QDateTime m_today;
    DateParts m_todayParts;
    QDateTime m_past;
    int m_pastYear = 0;
    int m_window = 0;
};

} // namespace fetemark
